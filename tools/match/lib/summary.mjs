// Match totals: per-engine results by colour, faults and think times.

function emptyEngineStats(player) {
  return {
    id: player.id,
    name: player.engineName,
    command: player.command,
    asSente: { wins: 0, losses: 0, draws: 0 },
    asGote: { wins: 0, losses: 0, draws: 0 },
    illegalMoves: 0,
    protocolErrors: 0,
    lossesOnTime: 0,
    thinkMs: { moves: 0, average: null, max: null },
  };
}

/**
 * games: [{ number, sente: Player, gote: Player, opening, result }]
 * players: [Player, Player]
 */
export function summarize(games, players) {
  const stats = new Map(players.map((p) => [p, emptyEngineStats(p)]));
  const illegalMoves = [];
  const protocolErrors = [];
  for (const g of games) {
    const { result } = g;
    for (const [player, side] of [
      [g.sente, "asSente"],
      [g.gote, "asGote"],
    ]) {
      const s = stats.get(player)[side];
      if (result.winner === null) s.draws++;
      else if (result.winner === player) s.wins++;
      else s.losses++;
    }
    if (result.reason === "time" || result.reason === "timeout") {
      stats.get(result.winner === g.sente ? g.gote : g.sente).lossesOnTime++;
    }
    if (result.illegal) {
      illegalMoves.push(result.illegal);
      stats.get(players.find((p) => p.id === result.illegal.engine)).illegalMoves++;
    }
    for (const p of result.protocolErrors) {
      protocolErrors.push(p);
      stats.get(players.find((player) => player.id === p.engine)).protocolErrors++;
    }
  }
  for (const [player, s] of stats) {
    s.name = player.engineName;
    const t = player.thinkTimes;
    if (t.length) {
      s.thinkMs = {
        moves: t.length,
        average: Math.round(t.reduce((a, b) => a + b, 0) / t.length),
        max: Math.round(Math.max(...t)),
      };
    }
  }
  return {
    games: games.length,
    draws: games.filter((g) => g.result.winner === null).length,
    engines: [...stats.values()],
    illegalMoves,
    protocolErrors,
    results: games.map((g) => ({
      game: g.number,
      opening: g.opening.name,
      sente: g.sente.id,
      gote: g.gote.id,
      winner: g.result.winner?.id ?? null,
      reason: g.result.reason,
      detail: g.result.detail,
      plies: g.result.plies,
      kif: g.kifPath ?? null,
    })),
  };
}

function table(rows) {
  const widths = rows[0].map((_, i) => Math.max(...rows.map((r) => String(r[i]).length)));
  return rows
    .map((r) => r.map((c, i) => (i === 0 ? String(c).padEnd(widths[i]) : String(c).padStart(widths[i]))).join("  "))
    .join("\n");
}

export function formatSummary(summary) {
  const wld = (s) => `${s.wins}-${s.losses}-${s.draws}`;
  const total = (e) => ({
    wins: e.asSente.wins + e.asGote.wins,
    losses: e.asSente.losses + e.asGote.losses,
    draws: e.asSente.draws + e.asGote.draws,
  });
  const lines = [];
  lines.push(`Games: ${summary.games}  (draws: ${summary.draws})`);
  lines.push("");
  lines.push(
    table([
      ["engine", "total W-L-D", "as sente", "as gote", "on time", "illegal", "proto err", "moves", "avg ms", "max ms"],
      ...summary.engines.map((e) => [
        `${e.id}: ${e.name ?? e.command}`,
        wld(total(e)),
        wld(e.asSente),
        wld(e.asGote),
        e.lossesOnTime,
        e.illegalMoves,
        e.protocolErrors,
        e.thinkMs.moves,
        e.thinkMs.average ?? "-",
        e.thinkMs.max ?? "-",
      ]),
    ]),
  );
  if (summary.illegalMoves.length) {
    lines.push("", "Illegal moves:");
    for (const i of summary.illegalMoves) {
      lines.push(`  game ${i.game}: ${i.engine} played ${i.move} (${i.reason}) in sfen ${i.sfen}`);
    }
  }
  if (summary.protocolErrors.length) {
    lines.push("", "Protocol errors:");
    for (const p of summary.protocolErrors) {
      lines.push(`  game ${p.game}: ${p.engine} ${p.kind}: ${p.message} (sfen ${p.sfen})`);
    }
  }
  return lines.join("\n");
}
