#!/usr/bin/env node
// Plays a match between two USI engines; see README.md.
import { appendFileSync, writeFileSync } from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { parseArgs } from "node:util";
import { BUILTIN_OPENINGS, loadOpenings } from "./lib/openings.mjs";
import { describeGame, hasFaults, runMatch } from "./lib/match.mjs";
import { formatSummary } from "./lib/summary.mjs";
import { killAllEngines } from "./lib/usi-engine.mjs";

const HERE = path.dirname(fileURLToPath(import.meta.url));

const USAGE = `usage: node match.mjs --engine1 CMD --engine2 CMD [options]

  --engine1 CMD, --engine2 CMD   engine command lines (run by /bin/sh)
  --games N                      number of games (default 2)
  --byoyomi MS                   byoyomi per move for both engines (default 1000)
  --engine1-byoyomi MS, --engine2-byoyomi MS
                                 byoyomi for one engine
  --engine1-options "Name=Value,..." , --engine2-options "..."
                                 setoption commands ("Name" alone for a button)
  --max-plies N                  draw when the game reaches N plies (default 256)
  --grace-ms MS                  a move later than byoyomi + this loses on time
                                 (default 200)
  --engine1-grace-ms MS, --engine2-grace-ms MS
                                 grace for one engine
  --timeout-ms MS                extra time beyond byoyomi before a thinking
                                 engine is declared unresponsive and killed
                                 (default 60000)
  --startup-timeout-ms MS        limit for usiok and readyok (default 60000)
  --openings FILE                openings, one per line ("startpos moves ..." or
                                 "sfen ... moves ..."); default: built-in list
  --out DIR                      where game records go (default ${path.relative(process.cwd(), path.join(HERE, "games")) || "."})
  --no-records                   do not write game records
  --json FILE                    also write the summary as JSON
  --log FILE                     append every USI line sent and received
  -h, --help                     show this help

Exit status: 0 when no engine played an illegal move, crashed or broke the
protocol; 1 when one did; 2 on bad usage; 3 on an internal error.`;

class UsageError extends Error {}

function positiveInt(value, flag, { allowZero = false } = {}) {
  if (!/^\d+$/.test(value ?? "") || (!allowZero && Number(value) === 0)) {
    throw new UsageError(`${flag} needs a ${allowZero ? "non-negative" : "positive"} integer, got "${value}"`);
  }
  return Number(value);
}

function parseEngineOptions(text, flag) {
  if (!text) return [];
  return text
    .split(",")
    .map((s) => s.trim())
    .filter(Boolean)
    .map((item) => {
      const eq = item.indexOf("=");
      const name = (eq < 0 ? item : item.slice(0, eq)).trim();
      if (!name || /\s/.test(name)) throw new UsageError(`${flag}: bad option name in "${item}"`);
      return [name, eq < 0 ? null : item.slice(eq + 1).trim()];
    });
}

function parseCli(argv) {
  let parsed;
  try {
    parsed = parseArgs({
      args: argv,
      options: {
        engine1: { type: "string" },
        engine2: { type: "string" },
        games: { type: "string", default: "2" },
        byoyomi: { type: "string", default: "1000" },
        "engine1-byoyomi": { type: "string" },
        "engine2-byoyomi": { type: "string" },
        "engine1-options": { type: "string" },
        "engine2-options": { type: "string" },
        "max-plies": { type: "string", default: "256" },
        "grace-ms": { type: "string", default: "200" },
        "engine1-grace-ms": { type: "string" },
        "engine2-grace-ms": { type: "string" },
        "timeout-ms": { type: "string", default: "60000" },
        "startup-timeout-ms": { type: "string", default: "60000" },
        openings: { type: "string" },
        out: { type: "string", default: path.join(HERE, "games") },
        "no-records": { type: "boolean", default: false },
        json: { type: "string" },
        log: { type: "string" },
        help: { type: "boolean", short: "h", default: false },
      },
      allowPositionals: false,
    });
  } catch (err) {
    throw new UsageError(err.message);
  }
  const v = parsed.values;
  if (v.help) return { help: true };
  for (const flag of ["engine1", "engine2"]) {
    if (!v[flag]?.trim()) throw new UsageError(`--${flag} is required`);
  }
  const byoyomi = positiveInt(v.byoyomi, "--byoyomi", { allowZero: true });
  const grace = positiveInt(v["grace-ms"], "--grace-ms", { allowZero: true });
  let openings = BUILTIN_OPENINGS;
  if (v.openings) {
    try {
      openings = loadOpenings(v.openings);
    } catch (err) {
      throw new UsageError(`--openings: ${err.message}`);
    }
  }
  return {
    engines: [1, 2].map((n) => ({
      command: v[`engine${n}`],
      options: parseEngineOptions(v[`engine${n}-options`], `--engine${n}-options`),
      byoyomiMs:
        v[`engine${n}-byoyomi`] === undefined
          ? byoyomi
          : positiveInt(v[`engine${n}-byoyomi`], `--engine${n}-byoyomi`, { allowZero: true }),
      graceMs:
        v[`engine${n}-grace-ms`] === undefined
          ? grace
          : positiveInt(v[`engine${n}-grace-ms`], `--engine${n}-grace-ms`, { allowZero: true }),
    })),
    games: positiveInt(v.games, "--games"),
    maxPlies: positiveInt(v["max-plies"], "--max-plies"),
    timeoutMs: positiveInt(v["timeout-ms"], "--timeout-ms"),
    startupTimeoutMs: positiveInt(v["startup-timeout-ms"], "--startup-timeout-ms"),
    openings,
    outDir: v["no-records"] ? null : v.out,
    json: v.json ?? null,
    logFile: v.log ?? null,
  };
}

async function main() {
  let config;
  try {
    config = parseCli(process.argv.slice(2));
  } catch (err) {
    if (!(err instanceof UsageError)) throw err;
    console.error(`match: ${err.message}\n\n${USAGE}`);
    return 2;
  }
  if (config.help) {
    console.log(USAGE);
    return 0;
  }
  if (config.logFile) {
    const file = config.logFile;
    const t0 = performance.now();
    config.log = (id, dir, line) =>
      appendFileSync(file, `${(performance.now() - t0).toFixed(0).padStart(8)} ${id} ${dir} ${line}\n`);
  }
  config.onGame = (game, total) => console.log(describeGame(game, total));

  const summary = await runMatch(config);
  console.log("\n" + formatSummary(summary));
  if (config.json) writeFileSync(config.json, JSON.stringify(summary, null, 2) + "\n");
  return hasFaults(summary) ? 1 : 0;
}

// Engines live in their own process groups, out of reach of Ctrl-C.
for (const [signal, code] of [
  ["SIGINT", 130],
  ["SIGTERM", 143],
  ["SIGHUP", 129],
]) {
  process.on(signal, () => {
    killAllEngines();
    process.exit(code);
  });
}

// Exit explicitly: an engine that escaped its process group could still hold
// one of our pipes open and keep this process waiting forever.
main().then(
  (code) => process.exit(code),
  (err) => {
    // A fault of this program, not of the engines.
    console.error(err.stack ?? String(err));
    process.exit(3);
  },
);
