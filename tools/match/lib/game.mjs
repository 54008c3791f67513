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
  constructor({ id, command, options = [], byoyomiMs, timeoutMs, startupTimeoutMs, log = null }) {
    this.id = id;
    this.command = command;
    this.options = options;
    this.byoyomiMs = byoyomiMs;
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

/**
 * Plays one game. Returns
 *   { winner: Player|null, loserColor, reason, detail, plies, record,
 *     illegal: {...}|null, protocolError: {...}|null }
 * reason is one of: checkmate, no legal move, resign, declaration, illegal move,
 * perpetual check, repetition, max plies, crash, timeout, protocol error.
 */
export async function playGame({ gameNumber, sente, gote, opening, maxPlies }) {
  const root = Position.newBySFEN(opening.sfen);
  const record = new Record(root);
  const usiMoves = [];
  for (const usi of opening.moves) {
    record.append(record.position.createMoveByUSI(usi));
    usiMoves.push(usi);
  }
  record.current.comment = `opening: ${opening.name}`;

  const playerOf = (color) => (color === Color.BLACK ? sente : gote);
  const end = (loserColor, reason, detail, special, extra = {}) => {
    const winner = loserColor === null ? null : playerOf(loserColor === Color.BLACK ? Color.WHITE : Color.BLACK);
    if (special) record.append(special);
    record.current.comment = detail ? `${reason}: ${detail}` : reason;
    return {
      winner,
      loserColor,
      reason,
      detail,
      plies: usiMoves.length,
      record,
      illegal: null,
      protocolError: null,
      ...extra,
    };
  };

  // A player that cannot even start loses the game by default. Both start
  // at once: some engines take seconds to load.
  const prepared = await Promise.allSettled([sente.prepare(), gote.prepare()]);
  for (const [i, color, player] of [
    [0, Color.BLACK, sente],
    [1, Color.WHITE, gote],
  ]) {
    const err = prepared[i].reason;
    if (prepared[i].status === "fulfilled") continue;
    if (!(err instanceof EngineError)) throw err;
    player.discard();
    // No move was made; "interrupted" is the closest the record format has.
    return end(color, err.kind === "timeout" ? "timeout" : "crash", err.message, SpecialMoveType.INTERRUPT, {
      protocolError: { game: gameNumber, engine: player.id, kind: err.kind, message: err.message, sfen: record.position.getSFEN(usiMoves.length + 1) },
    });
  }

  for (;;) {
    const position = record.position;
    const color = position.color;
    const mover = playerOf(color);

    if (record.repetition) {
      const checker = record.perpetualCheck;
      if (checker !== null) {
        return end(checker, "perpetual check", `${playerOf(checker).displayName} checked throughout the repetition`, SpecialMoveType.FOUL_WIN);
      }
      return end(null, "repetition", "same position for the fourth time", SpecialMoveType.REPETITION_DRAW);
    }
    if (!hasLegalMove(position)) {
      // Without a check this is the rare "no legal move" position; it loses all the same.
      return end(color, position.checked ? "checkmate" : "no legal move", "", SpecialMoveType.MATE);
    }
    if (usiMoves.length >= maxPlies) {
      return end(null, "max plies", `${maxPlies} plies reached`, SpecialMoveType.MAX_MOVES);
    }

    // With the move number, so a report tells at which ply it happened.
    const sfen = position.getSFEN(usiMoves.length + 1);
    let reply;
    try {
      reply = await mover.think(positionCommand(opening.sfen, usiMoves));
    } catch (err) {
      if (!(err instanceof EngineError)) throw err;
      mover.discard();
      return end(color, err.kind, err.message, err.kind === "timeout" ? SpecialMoveType.TIMEOUT : SpecialMoveType.FOUL_LOSE, {
        protocolError: { game: gameNumber, engine: mover.id, kind: err.kind, message: err.message, sfen },
      });
    }

    const { token, line, elapsedMs } = reply;
    if (token === "resign") {
      return end(color, "resign", "", SpecialMoveType.RESIGN);
    }
    if (token === "win") {
      if (declarationWins(position)) {
        const opponent = color === Color.BLACK ? Color.WHITE : Color.BLACK;
        return end(opponent, "declaration", `${mover.displayName} declared an entering-king win`, SpecialMoveType.ENTERING_OF_KING);
      }
      const illegal = { game: gameNumber, engine: mover.id, move: "win", reason: "declaration does not meet the 27-point rule", sfen };
      return end(color, "illegal move", `win declaration does not meet the 27-point rule`, SpecialMoveType.FOUL_LOSE, { illegal });
    }
    if (!isWellFormedUsiMove(token)) {
      const message = `malformed reply "${line.trim()}"`;
      return end(color, "protocol error", message, SpecialMoveType.FOUL_LOSE, {
        protocolError: { game: gameNumber, engine: mover.id, kind: "protocol", message, sfen },
      });
    }
    const move = legalMoveFromUsi(position, token);
    if (!move) {
      const reason = explainIllegal(position, token);
      const illegal = { game: gameNumber, engine: mover.id, move: token, reason, sfen };
      return end(color, "illegal move", `${token}: ${reason}`, SpecialMoveType.FOUL_LOSE, { illegal });
    }
    record.append(move);
    record.current.setElapsedMs(Math.round(elapsedMs));
    usiMoves.push(token);
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
  return `${d.getFullYear()}/${pad(d.getMonth() + 1)}/${pad(d.getDate())} ${pad(d.getHours())}:${pad(d.getMinutes())}:${pad(d.getSeconds())}`;
}
