#!/usr/bin/env node
// How well a USI engine keeps to its byoyomi on every position of the bench suite.
//
// usage: node overshoot.mjs [--allow MS] ENGINE BYOYOMI_MS [BYOYOMI_MS ...]
//
// ENGINE is kazaguruma-engine (the suite comes from `ENGINE bench --list`). The engine is told
// ByoyomiMargin 0, so its whole byoyomi is its budget; each think is timed from writing `go` to
// reading `bestmove`, pipe included. Prints one line per think and, per byoyomi, the worst
// overshoot (time taken minus byoyomi; negative: that much early). Exit status 1 when an answer
// came more than --allow MS late (default 50: with no margin the answer cannot beat the deadline,
// only follow it closely), was not a legal move (checked with tsshogi, as the match runner does)
// or was a resignation in a position that is not lost.
import { execFileSync } from "node:child_process";
import { legalMoveFromUsi, positionFromSfen } from "../match/lib/rules.mjs";
import { UsiEngine } from "../match/lib/usi-engine.mjs";

const LOST = new Set(["k8/G8/P8/9/9/9/9/9/8K w - 1"]); // the suite's checkmated position
// How long past its byoyomi an answer may take before the engine counts as hung.
const HUNG_MS = 30000;

const args = process.argv.slice(2);
let allowMs = 50;
if (args[0] === "--allow") {
  allowMs = Number(args[1]);
  args.splice(0, 2);
}
const [enginePath, ...budgetArgs] = args;
const budgets = budgetArgs.map(Number);
const wholeMs = (n) => Number.isInteger(n) && n >= 0;
if (!enginePath || budgets.length === 0 || ![allowMs, ...budgets].every(wholeMs)) {
  console.error("usage: node overshoot.mjs [--allow MS] ENGINE BYOYOMI_MS [BYOYOMI_MS ...]");
  process.exit(2);
}

const suite = execFileSync(enginePath, ["bench", "--list"], { encoding: "utf8" })
  .split("\n")
  .filter((line) => line);
// UsiEngine runs a shell command line: quote the path as one word.
const engine = new UsiEngine(`'${enginePath.replaceAll("'", "'\\''")}'`, {
  options: [["ByoyomiMargin", 0]],
});
engine.start();
await engine.handshake();
await engine.isReady();

let failed = false;
for (const budget of budgets) {
  let worst = -Infinity;
  for (const [i, sfen] of suite.entries()) {
    engine.send("usinewgame");
    let depth = "?";
    engine.send(`position sfen ${sfen}`);
    const start = performance.now();
    engine.send(`go btime 0 wtime 0 byoyomi ${budget}`);
    const line = await engine.waitFor(
      (l) => {
        const m = /^info depth (\d+)/.exec(l);
        if (m) depth = m[1];
        return /^bestmove(\s|$)/.test(l);
      },
      "bestmove",
      budget + HUNG_MS,
    );
    const took = performance.now() - start;
    const over = took - budget;
    worst = Math.max(worst, over);
    const move = line.trim().split(/\s+/)[1] ?? "";
    const legal = move === "resign" || legalMoveFromUsi(positionFromSfen(sfen), move) !== null;
    const bad = over > allowMs || !legal || (move === "resign" && !LOST.has(sfen));
    failed ||= bad;
    const n = String(i + 1).padStart(2);
    console.log(
      `byoyomi ${budget} pos ${n} took_ms ${took.toFixed(1).padStart(7)} over_ms ` +
        `${over.toFixed(1).padStart(6)} depth ${depth.padStart(2)} ${move}${bad ? "  <-- FAIL" : ""}`,
    );
  }
  console.log(`byoyomi ${budget}: ${suite.length} positions, worst overshoot ${worst.toFixed(1)} ms`);
}
await engine.quit(5000);
process.exit(failed ? 1 : 0);
