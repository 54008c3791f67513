// A match: a series of games between the same two players.
import { mkdirSync, writeFileSync } from "node:fs";
import path from "node:path";
import { exportKIF } from "tsshogi";
import { Player, playGame, setRecordHeader } from "./game.mjs";
import { summarize } from "./summary.mjs";

/**
 * config: { engines: [{command, options, byoyomiMs, graceMs}, x2], games, maxPlies,
 *           timeoutMs, startupTimeoutMs, openings, outDir, log, onGame }
 * Returns the summary object.
 */
export async function runMatch(config) {
  const players = config.engines.map(
    (e, i) =>
      new Player({
        id: `engine${i + 1}`,
        command: e.command,
        options: e.options,
        byoyomiMs: e.byoyomiMs,
        graceMs: e.graceMs,
        timeoutMs: config.timeoutMs,
        startupTimeoutMs: config.startupTimeoutMs,
        log: config.log,
      }),
  );
  const stamp = new Date().toISOString().replace(/[-:]/g, "").replace("T", "-").slice(0, 15);
  if (config.outDir) mkdirSync(config.outDir, { recursive: true });

  const games = [];
  try {
    for (let i = 0; i < config.games; i++) {
      // Each opening is played twice in a row with colours swapped, so
      // neither engine profits from a lopsided opening.
      const [sente, gote] = i % 2 === 0 ? players : [players[1], players[0]];
      const opening = config.openings[Math.floor(i / 2) % config.openings.length];
      const startedAt = new Date();
      const result = await playGame({ gameNumber: i + 1, sente, gote, opening, maxPlies: config.maxPlies });
      sente.gameOver(result.winner === null ? "draw" : result.winner === sente ? "win" : "lose");
      gote.gameOver(result.winner === null ? "draw" : result.winner === gote ? "win" : "lose");

      const game = { number: i + 1, sente, gote, opening, result };
      if (config.outDir) {
        setRecordHeader(result.record, { sente, gote, startedAt, opening });
        // .kifu is the UTF-8 flavour of KIF (.kif is traditionally Shift_JIS).
        game.kifPath = path.join(config.outDir, `${stamp}-g${String(i + 1).padStart(3, "0")}.kifu`);
        writeFileSync(game.kifPath, exportKIF(result.record));
      }
      games.push(game);
      config.onGame?.(game, config.games);
    }
  } finally {
    await Promise.all(players.map((p) => p.close()));
  }
  return summarize(games, players);
}

export function describeGame(game, total) {
  const r = game.result;
  const outcome = r.winner === null ? `draw by ${r.reason}` : `${r.winner.id} wins by ${r.reason}`;
  const detail = r.detail ? ` (${r.detail})` : "";
  return (
    `game ${game.number}/${total} [${game.opening.name}] ` +
    `${game.sente.id} (sente) vs ${game.gote.id} (gote): ` +
    `${outcome}${detail}, ${r.plies} plies`
  );
}

export function hasFaults(summary) {
  return summary.illegalMoves.length > 0 || summary.protocolErrors.length > 0;
}
