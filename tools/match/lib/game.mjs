// One game between two players, adjudicated move by move.
import { Color, Position, Record, RecordMetadataKey, SpecialMoveType } from "tsshogi";
import { EngineError, UsiEngine } from "./usi-engine.mjs";
import {
  declarationWins,
  explainIllegal,
  hasLegalMove,
  isWellFormedUsiMove,
  legalMoveFromUsi,
} from "./rules.mjs";

/**
 * One side of the match. Its engine process is kept across games and
 * restarted only when it died or was killed after a timeout, because a slow
 * engine may still answer the abandoned search later.
 */
export class Player {
  constructor({ id, command, options = [], byoyomiMs, graceMs = 200, timeoutMs, startupTimeoutMs, log = null }) {
    this.id = id;
    this.command = command;
    this.options = options;
    this.byoyomiMs = byoyomiMs;
    this.graceMs = graceMs;
    this.timeoutMs = timeoutMs;
    this.startupTimeoutMs = startupTimeoutMs;
    this.log = log;
    this.engine = null;
    this.engineName = null;
    this.thinkTimes = [];
  }

  get displayName() {
    return this.engineName ? `${this.engineName} (${this.id})` : this.id;
  }

  async prepare() {
    if (!this.engine || this.engine.exited || this.engine.broken) {
      this.engine?.kill();
      this.engine = new UsiEngine(this.command, {
        label: this.id,
        options: this.options,
        timeoutMs: this.startupTimeoutMs,
        log: this.log ? (dir, line) => this.log(this.id, dir, line) : null,
      });
      this.engine.start();
      await this.engine.handshake();
      this.engineName = this.engine.name ?? this.engineName;
    }
    await this.engine.isReady();
    this.engine.send("usinewgame");
  }

  async think(positionCommand) {
    const go = `go btime 0 wtime 0 byoyomi ${this.byoyomiMs}`;
    const result = await this.engine.think(positionCommand, go, this.byoyomiMs + this.timeoutMs);
    this.thinkTimes.push(result.elapsedMs);
    return result;
  }

  gameOver(outcome) {
    if (this.engine && !this.engine.exited && !this.engine.broken) {
      this.engine.send(`gameover ${outcome}`);
    }
  }

  /** After a failure the process cannot be trusted for the next game. */
  discard() {
    if (this.engine) {
      this.engine.broken = true;
      this.engine.kill();
    }
  }

  async close() {
    await this.engine?.quit();
  }
}

// Always "position sfen", even for the initial position: gpsusi stops
// answering "go" for any "position startpos moves ..." once it has seen a
// position given by SFEN, and every engine must read SFEN anyway.
function positionCommand(rootSfen, usiMoves) {
  return `position sfen ${rootSfen}` + (usiMoves.length ? ` moves ${usiMoves.join(" ")}` : "");
}

const opposite = (color) => (color === Color.BLACK ? Color.WHITE : Color.BLACK);

// How a game ends: loser is a Color, or null for a draw; special is how the record ends.
// { loser, reason, detail = "", special, illegal = null, protocolErrors = [] }

/** The record of the opening with its moves played, and those moves in USI. */
function openingRecord(opening) {
  const record = new Record(Position.newBySFEN(opening.sfen));
  const usiMoves = [];
  for (const usi of opening.moves) {
    record.append(record.position.createMoveByUSI(usi));
    usiMoves.push(usi);
  }
  record.current.comment = `opening: ${opening.name}`;
  return { record, usiMoves };
}

/**
 * Starts both players at once (some engines take seconds to load). A player
 * that cannot even start loses the game by default: returns that ending, or
 * null when both are ready.
 */
async function startPlayers(sente, gote, fault) {
  const prepared = await Promise.allSettled([sente.prepare(), gote.prepare()]);
  const failed = [];
  for (const [i, color, player] of [
    [0, Color.BLACK, sente],
    [1, Color.WHITE, gote],
  ]) {
    if (prepared[i].status === "fulfilled") continue;
    const err = prepared[i].reason;
    if (!(err instanceof EngineError)) throw err;
    player.discard();
    failed.push({ color, err, report: fault(player, { kind: err.kind, message: err.message }) });
  }
  if (!failed.length) return null;
  return {
    // When neither engine could play, neither wins.
    loser: failed.length === 2 ? null : failed[0].color,
    reason: failed[0].err.kind === "timeout" ? "timeout" : "crash",
    detail: failed.map((f) => f.err.message).join("; "),
    // No move was made; "interrupted" is the closest the record format has.
    special: SpecialMoveType.INTERRUPT,
    protocolErrors: failed.map((f) => f.report),
  };
}

/** How the game ends in the current position before anyone moves, or null. */
function adjudicate(record, playerOf, plies, maxPlies) {
  const position = record.position;
  if (record.repetition) {
    const checker = record.perpetualCheck;
    if (checker !== null) {
      return {
        loser: checker,
        reason: "perpetual check",
        detail: `${playerOf(checker).displayName} checked throughout the repetition`,
        special: SpecialMoveType.FOUL_WIN,
      };
    }
    return {
      loser: null,
      reason: "repetition",
      detail: "same position for the fourth time",
      special: SpecialMoveType.REPETITION_DRAW,
    };
  }
  if (!hasLegalMove(position)) {
    // Without a check this is the rare "no legal move" position; it loses all the same.
    const reason = position.checked ? "checkmate" : "no legal move";
    return { loser: position.color, reason, special: SpecialMoveType.MATE };
  }
  if (plies >= maxPlies) {
    const detail = `${maxPlies} plies reached`;
    return { loser: null, reason: "max plies", detail, special: SpecialMoveType.MAX_MOVES };
  }
  return null;
}

/**
 * Judges the mover's reply in position: { move } for a legal move, else
 * { ending } (resignation, declaration, malformed or illegal reply).
 */
function judgeReply(position, mover, { token, line, elapsedMs }, fault) {
  const color = position.color;
  // As a GUI's clock: whatever arrives after the byoyomi (and the grace for the pipe) is lost.
  if (elapsedMs > mover.byoyomiMs + mover.graceMs) {
    return {
      ending: {
        loser: color,
        reason: "time",
        detail:
          `${mover.displayName} answered after ${Math.round(elapsedMs)} ms ` +
          `(byoyomi ${mover.byoyomiMs} ms + grace ${mover.graceMs} ms)`,
        special: SpecialMoveType.TIMEOUT,
      },
    };
  }
  if (token === "resign") {
    return { ending: { loser: color, reason: "resign", special: SpecialMoveType.RESIGN } };
  }
  if (token === "win") {
    if (declarationWins(position)) {
      return {
        ending: {
          loser: opposite(color),
          reason: "declaration",
          detail: `${mover.displayName} declared an entering-king win`,
          special: SpecialMoveType.ENTERING_OF_KING,
        },
      };
    }
    const reason = "declaration does not meet the 27-point rule";
    return {
      ending: {
        loser: color,
        reason: "illegal move",
        detail: `win: ${reason}`,
        special: SpecialMoveType.FOUL_LOSE,
        illegal: fault(mover, { move: "win", reason }),
      },
    };
  }
  if (!isWellFormedUsiMove(token)) {
    const message = `malformed reply "${line.trim()}"`;
    return {
      ending: {
        loser: color,
        reason: "protocol error",
        detail: message,
        special: SpecialMoveType.FOUL_LOSE,
        protocolErrors: [fault(mover, { kind: "protocol", message })],
      },
    };
  }
  const move = legalMoveFromUsi(position, token);
  if (move) return { move };
  const reason = explainIllegal(position, token);
  return {
    ending: {
      loser: color,
      reason: "illegal move",
      detail: `${token}: ${reason}`,
      special: SpecialMoveType.FOUL_LOSE,
      illegal: fault(mover, { move: token, reason }),
    },
  };
}

/**
 * Plays one game. Returns
 *   { winner: Player|null, loserColor, reason, detail, plies, record,
 *     illegal: {...}|null, protocolErrors: [{...}] }
 * reason is one of: checkmate, no legal move, resign, declaration, illegal move,
 * perpetual check, repetition, max plies, crash, time (a late move), timeout (no
 * move at all), protocol error.
 */
export async function playGame({ gameNumber, sente, gote, opening, maxPlies }) {
  const { record, usiMoves } = openingRecord(opening);
  const playerOf = (color) => (color === Color.BLACK ? sente : gote);
  // With the move number, so a report tells at which ply it happened.
  const currentSfen = () => record.position.getSFEN(usiMoves.length + 1);
  const fault = (player, fields) => ({ game: gameNumber, engine: player.id, ...fields, sfen: currentSfen() });
  const end = ({ loser, reason, detail = "", special, illegal = null, protocolErrors = [] }) => {
    record.append(special);
    record.current.comment = detail ? `${reason}: ${detail}` : reason;
    return {
      winner: loser === null ? null : playerOf(opposite(loser)),
      loserColor: loser,
      reason,
      detail,
      plies: usiMoves.length,
      record,
      illegal,
      protocolErrors,
    };
  };

  const notStarted = await startPlayers(sente, gote, fault);
  if (notStarted) return end(notStarted);

  for (;;) {
    const position = record.position;
    const mover = playerOf(position.color);
    const adjudicated = adjudicate(record, playerOf, usiMoves.length, maxPlies);
    if (adjudicated) return end(adjudicated);

    let reply;
    try {
      reply = await mover.think(positionCommand(opening.sfen, usiMoves));
    } catch (err) {
      if (!(err instanceof EngineError)) throw err;
      mover.discard();
      return end({
        loser: position.color,
        reason: err.kind,
        detail: err.message,
        special: err.kind === "timeout" ? SpecialMoveType.TIMEOUT : SpecialMoveType.FOUL_LOSE,
        protocolErrors: [fault(mover, { kind: err.kind, message: err.message })],
      });
    }

    const { move, ending } = judgeReply(position, mover, reply, fault);
    if (ending) return end(ending);
    record.append(move);
    record.current.setElapsedMs(Math.round(reply.elapsedMs));
    usiMoves.push(reply.token);
  }
}

export function setRecordHeader(record, { sente, gote, startedAt, opening }) {
  record.metadata.setStandardMetadata(RecordMetadataKey.BLACK_NAME, sente.displayName);
  record.metadata.setStandardMetadata(RecordMetadataKey.WHITE_NAME, gote.displayName);
  record.metadata.setStandardMetadata(RecordMetadataKey.START_DATETIME, formatDate(startedAt));
  record.metadata.setStandardMetadata(RecordMetadataKey.END_DATETIME, formatDate(new Date()));
  record.metadata.setStandardMetadata(RecordMetadataKey.STRATEGY, opening.name);
}

function formatDate(d) {
  const pad = (n) => String(n).padStart(2, "0");
  const date = `${d.getFullYear()}/${pad(d.getMonth() + 1)}/${pad(d.getDate())}`;
  return `${date} ${pad(d.getHours())}:${pad(d.getMinutes())}:${pad(d.getSeconds())}`;
}
