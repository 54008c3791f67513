// Runs the match program end to end against the scriptable fake engine.
import assert from "node:assert/strict";
import { execFile, execFileSync } from "node:child_process";
import { existsSync, mkdtempSync, readFileSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { describe, test } from "node:test";
import { fileURLToPath } from "node:url";
import { Position, importKIF } from "tsshogi";
import { BUILTIN_OPENINGS } from "../lib/openings.mjs";
import { STANDARD_SFEN, legalMoveFromUsi } from "../lib/rules.mjs";

const HERE = path.dirname(fileURLToPath(import.meta.url));
const MATCH = path.join(HERE, "..", "match.mjs");
const FAKE = path.join(HERE, "fixtures", "fake-engine.mjs");

const quote = (s) => `'${s.replace(/'/g, `'\\''`)}'`;

/** Command line for the fake engine; args maps flag names to values (true for bare flags). */
function fake(args = {}) {
  const parts = [process.execPath, FAKE];
  for (const [k, v] of Object.entries(args)) {
    parts.push(`--${k}`);
    if (v !== true) parts.push(quote(String(v)));
  }
  return parts.join(" ");
}

function tempDir() {
  return mkdtempSync(path.join(tmpdir(), "match-test-"));
}

/**
 * Runs match.mjs; returns { status, stdout, stderr, summary, dir }.
 * openings: optional list of opening lines written to a file.
 */
function runMatch({ engine1, engine2, games = 1, openings, extra = [] }) {
  const dir = tempDir();
  const json = path.join(dir, "summary.json");
  const args = [MATCH, "--engine1", engine1, "--engine2", engine2, "--games", String(games)];
  // A generous grace: a loaded machine must not turn these games into losses on time.
  args.push("--byoyomi", "50", "--grace-ms", "2000", "--timeout-ms", "5000");
  args.push("--out", path.join(dir, "games"), "--json", json);
  if (openings) {
    const file = path.join(dir, "openings.txt");
    writeFileSync(file, openings.join("\n") + "\n");
    args.push("--openings", file);
  }
  args.push(...extra);
  return new Promise((resolve) => {
    // A match that hangs is a failure, not a stuck test run.
    execFile(process.execPath, args, { timeout: 30000, killSignal: "SIGKILL" }, (err, stdout, stderr) => {
      const status = err ? (err.killed ? `killed after 30 s` : err.code) : 0;
      const summary = existsSync(json) ? JSON.parse(readFileSync(json, "utf8")) : null;
      resolve({ status, stdout, stderr, summary, dir });
    });
  });
}

const engine = (s, id) => s.engines.find((e) => e.id === id);

describe("games played to the end", () => {
  test("random legal games are recorded as KIF files that replay to the same position", async () => {
    const r = await runMatch({
      engine1: fake({ seed: 7 }),
      engine2: fake({ seed: 11 }),
      games: 2,
      extra: ["--max-plies", "60"],
    });
    assert.equal(r.status, 0, r.stderr + r.stdout);
    for (const g of r.summary.results) {
      assert.ok(["checkmate", "max plies"].includes(g.reason), g.reason);
      const kif = readFileSync(g.kif, "utf8");
      assert.match(kif, /先手：fake \(engine[12]\)/);
      const record = importKIF(kif);
      assert.ok(!(record instanceof Error), String(record));
      // Replaying the recorded moves must be legal all the way.
      const moves = record.moves.slice(1).filter((n) => n.move.usi).map((n) => n.move.usi);
      assert.equal(moves.length, g.plies);
      const p = Position.newBySFEN(STANDARD_SFEN);
      for (const usi of moves) assert.ok(p.doMove(legalMoveFromUsi(p, usi)), usi);
    }
  });

  test("colours alternate, each opening is played with both colours, and results count by colour", async () => {
    const r = await runMatch({
      engine1: fake({ seed: 3 }),
      engine2: fake({ then: "resign" }),
      games: 4,
    });
    assert.equal(r.status, 0, r.stderr);
    const s = r.summary;
    assert.equal(s.games, 4);
    assert.deepEqual(
      s.results.map((g) => [g.sente, g.opening, g.winner, g.reason]),
      [
        ["engine1", BUILTIN_OPENINGS[0].name, "engine1", "resign"],
        ["engine2", BUILTIN_OPENINGS[0].name, "engine1", "resign"],
        ["engine1", BUILTIN_OPENINGS[1].name, "engine1", "resign"],
        ["engine2", BUILTIN_OPENINGS[1].name, "engine1", "resign"],
      ],
    );
    const e1 = engine(s, "engine1");
    const e2 = engine(s, "engine2");
    assert.deepEqual([e1.asSente, e1.asGote], [
      { wins: 2, losses: 0, draws: 0 },
      { wins: 2, losses: 0, draws: 0 },
    ]);
    assert.deepEqual([e2.asSente, e2.asGote], [
      { wins: 0, losses: 2, draws: 0 },
      { wins: 0, losses: 2, draws: 0 },
    ]);
    // engine1 moved only when it had sente; engine2 answered every turn it had.
    assert.equal(e1.thinkMs.moves, 2);
    assert.equal(e2.thinkMs.moves, 4);
    assert.ok(e1.thinkMs.max >= e1.thinkMs.average);
    assert.match(r.stdout, /engine1: fake\s+4-0-0\s+2-0-0\s+2-0-0/);
  });
});

describe("adjudication", () => {
  // An engine that is never supposed to be asked for a move.
  const mustNotMove = fake({ then: "!crash" });
  const cases = [
    // Checkmate ends the game without asking the mated side.
    ["checkmate", fake({ script: "G*5b" }), mustNotMove, "sfen 4k4/9/4P4/9/9/9/9/9/4K4 b G 1", [], ["engine1", "checkmate", 1]],
    ["fourfold repetition, a draw", fake({ script: "2h1h 1h2h ".repeat(3), then: "!crash" }),
      fake({ script: "8b9b 9b8b ".repeat(3), then: "!crash" }), undefined, [], [null, "repetition", 12]],
    // Sente's rook checks along ranks a and b while gote's king steps between 9a and 9b.
    ["perpetual check, lost by the checking side", fake({ script: "1i1a " + "1a1b 1b1a ".repeat(3), then: "!crash" }),
      fake({ script: "9a9b 9b9a ".repeat(3), then: "!crash" }), "sfen k8/9/9/9/9/9/9/9/4K3R b - 1", [], ["engine2", "perpetual check", 13]],
    ["the ply limit, opening moves included", fake({ seed: 5 }), fake({ seed: 6 }), "startpos moves 7g7f 3c3d 2g2f 8c8d",
      ["--max-plies", "10"], [null, "max plies", 10]],
    ["a valid entering-king declaration", fake({ script: "win" }), mustNotMove,
      "sfen LNSG1GSNL/1R2K2B1/9/9/9/9/9/9/k8 b RB2G2S2N2L18P 1", [], ["engine1", "declaration"]],
  ];
  for (const [name, engine1, engine2, opening, extra, want] of cases) {
    test(name, async () => {
      const r = await runMatch({ engine1, engine2, openings: opening && [opening], extra });
      assert.equal(r.status, 0, r.stdout);
      const g = r.summary.results[0];
      assert.deepEqual([g.winner, g.reason, g.plies].slice(0, want.length), want);
      if (g.reason === "checkmate") assert.match(readFileSync(g.kif, "utf8"), /詰み/);
    });
  }
});

describe("faults lose the game, are reported, and fail the run", () => {
  test("an illegal move, with the position it was played in", async () => {
    const r = await runMatch({
      engine1: fake({ seed: 1 }),
      engine2: fake({ script: "5e5d" }),
    });
    assert.equal(r.status, 1);
    const sfen = r.summary.illegalMoves[0].sfen;
    assert.deepEqual(r.summary.illegalMoves, [
      { game: 1, engine: "engine2", move: "5e5d", reason: "no piece on the from-square", sfen: sfen },
    ]);
    assert.match(sfen, / w - 2$/);
    assert.equal(r.summary.results[0].winner, "engine1");
    assert.equal(engine(r.summary, "engine2").illegalMoves, 1);
    assert.match(r.stdout, /game 1: engine2 played 5e5d \(no piece on the from-square\) in sfen /);
    assert.match(readFileSync(r.summary.results[0].kif, "utf8"), /反則負け/);
  });

  test("a false entering-king declaration", async () => {
    const r = await runMatch({ engine1: fake({ script: "win" }), engine2: fake() });
    assert.equal(r.status, 1);
    assert.equal(r.summary.illegalMoves[0].move, "win");
    assert.equal(r.summary.results[0].winner, "engine2");
  });

  test("a crash, after which the engine is restarted for the next game", async () => {
    const r = await runMatch({
      engine1: fake({ script: "!crash" }),
      engine2: fake({ seed: 2 }),
      games: 2,
    });
    assert.equal(r.status, 1);
    assert.deepEqual(
      r.summary.results.map((g) => [g.winner, g.reason]),
      [
        ["engine2", "crash"],
        ["engine2", "crash"],
      ],
    );
    assert.deepEqual(
      r.summary.protocolErrors.map((p) => [p.game, p.engine, p.kind]),
      [
        [1, "engine1", "crash"],
        [2, "engine1", "crash"],
      ],
    );
    assert.match(r.summary.protocolErrors[0].message, /exited with status 3 while waiting for bestmove/);
  });

  test("no bestmove in time; the hung engine is killed and replaced", async () => {
    const marker = `hang-${process.pid}-${Date.now()}`;
    const transcript = path.join(tempDir(), "engine2.txt");
    const started = Date.now();
    const r = await runMatch({
      engine1: fake({ seed: 1 }),
      // A compound command keeps a shell between us and the engine.
      engine2: fake({ script: "!hang", name: marker, transcript }) + " ; true",
      games: 2,
      extra: ["--timeout-ms", "300"],
    });
    assert.ok(Date.now() - started < 5000);
    assert.equal(r.status, 1);
    assert.deepEqual(
      r.summary.results.map((g) => [g.winner, g.reason]),
      [
        ["engine1", "timeout"],
        ["engine1", "timeout"],
      ],
    );
    assert.deepEqual(r.summary.protocolErrors.map((p) => p.kind), ["timeout", "timeout"]);
    const starts = readFileSync(transcript, "utf8").split("\n").filter((l) => l === "usi");
    assert.equal(starts.length, 2, "a fresh engine for the second game");
    assert.throws(() => execFileSync("pgrep", ["-f", marker]), "the hung engine outlived the match");
  });

  test("a move after byoyomi + grace loses on time, counted in the summary", async () => {
    // !slow answers after 500 ms: late against 50 + 200 ms, in time against 50 + 2000 ms.
    const late = { engine1: fake({ script: "!slow" }), engine2: fake({ seed: 2 }) };
    const r = await runMatch({ ...late, extra: ["--grace-ms", "200"] });
    assert.equal(r.status, 0, "a late move is a loss, not a protocol fault");
    assert.deepEqual([r.summary.results[0].winner, r.summary.results[0].reason], ["engine2", "time"]);
    assert.match(r.summary.results[0].detail, /answered after \d+ ms \(byoyomi 50 ms \+ grace 200 ms\)/);
    assert.deepEqual(r.summary.engines.map((e) => e.lossesOnTime), [1, 0]);
    assert.match(r.stdout, /on time/);
    assert.match(readFileSync(r.summary.results[0].kif, "utf8"), /切れ負け/);
    const inTime = await runMatch({ ...late, extra: ["--max-plies", "2"] });
    assert.deepEqual([inTime.summary.results[0].reason, inTime.summary.engines[0].lossesOnTime], ["max plies", 0]);
  });

  test("a malformed bestmove", async () => {
    const r = await runMatch({ engine1: fake({ script: "!garbage" }), engine2: fake() });
    assert.equal(r.status, 1);
    assert.deepEqual(
      [r.summary.results[0].reason, r.summary.protocolErrors[0].kind, r.summary.protocolErrors[0].message],
      ["protocol error", "protocol", 'malformed reply "bestmove"'],
    );
  });

  test("engines that do not start or never finish the handshake", async () => {
    const missing = await runMatch({ engine1: "/nonexistent/engine", engine2: fake() });
    assert.equal(missing.status, 1);
    assert.deepEqual(
      [missing.summary.results[0].winner, missing.summary.protocolErrors[0].kind],
      ["engine2", "crash"],
    );
    const silent = await runMatch({
      engine1: fake(),
      engine2: fake({ "hang-usi": true }),
      extra: ["--startup-timeout-ms", "1500"],
    });
    assert.equal(silent.status, 1);
    assert.deepEqual(
      [silent.summary.results[0].winner, silent.summary.protocolErrors[0].message],
      ["engine1", "engine2 gave no usiok within 1500 ms"],
    );
    const neither = await runMatch({ engine1: "/nonexistent/engine", engine2: "exit 0" });
    assert.equal(neither.status, 1);
    assert.equal(neither.summary.results[0].winner, null);
    assert.deepEqual(
      neither.summary.protocolErrors.map((p) => [p.engine, p.kind]),
      [
        ["engine1", "crash"],
        ["engine2", "crash"],
      ],
    );
  });
});

describe("protocol", () => {
  test("handshake, options, positions and game-end messages in the right order", async () => {
    const dir = tempDir();
    const transcript = path.join(dir, "engine1.txt");
    const r = await runMatch({
      engine1: fake({ transcript, seed: 4 }),
      engine2: fake({ then: "resign", noise: true }),
      games: 2,
      openings: ["startpos moves 7g7f"],
      extra: ["--engine1-options", "USI_Hash=16, Depth = 3 ,ClearHash", "--engine1-byoyomi", "70"],
    });
    assert.equal(r.status, 0, r.stdout);
    const lines = readFileSync(transcript, "utf8").trim().split("\n");
    // The initial position goes out as SFEN too (see positionCommand).
    const root = `position sfen ${STANDARD_SFEN} moves 7g7f`;
    const go = "go btime 0 wtime 0 byoyomi 70";
    // Game 1: engine1 is sente but the opening left gote to move, so engine2
    // moves (resigns) first. Game 2: engine1 is gote and moves first.
    assert.deepEqual(lines, [
      "usi",
      "setoption name USI_Hash value 16",
      "setoption name Depth value 3",
      "setoption name ClearHash",
      "isready",
      "usinewgame",
      "gameover win",
      "isready",
      "usinewgame",
      root,
      go,
      "gameover win",
      "quit",
    ]);
  });
});

describe("command line", () => {
  test("bad usage exits with status 2 before starting engines", async () => {
    const cases = [
      [["--engine1", "x"], /--engine2 is required/],
      [["--engine1", "x", "--engine2", "y", "--games", "0"], /--games needs a positive integer/],
      [["--engine1", "x", "--engine2", "y", "--bogus"], /bogus/],
      [["--engine1", "x", "--engine2", "y", "--engine1-options", "=3"], /bad option name/],
      [["--engine1", "x", "--engine2", "y", "--openings", "/nonexistent"], /--openings/],
    ];
    for (const [args, message] of cases) {
      await new Promise((resolve) => {
        execFile(process.execPath, [MATCH, ...args], (err, stdout, stderr) => {
          assert.equal(err?.code, 2, args.join(" "));
          assert.match(stderr, message);
          assert.match(stderr, /usage:/);
          resolve();
        });
      });
    }
  });
});
