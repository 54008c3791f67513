// Runs the match program end to end against the scriptable fake engine.
import assert from "node:assert/strict";
import { execFileSync, spawnSync } from "node:child_process";
import { mkdtempSync, readFileSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { describe, test } from "node:test";
import { fileURLToPath } from "node:url";
import { Position, importKIF } from "tsshogi";
import { BUILTIN_OPENINGS } from "../lib/openings.mjs";
import { STANDARD_SFEN, legalMoveFromUsi } from "../lib/rules.mjs";
import { fixtureRows } from "./fixtures/rows.mjs";

const HERE = path.dirname(fileURLToPath(import.meta.url));
const MATCH = path.join(HERE, "..", "match.mjs");
const fake = (args = "") => `${process.execPath} ${path.join(HERE, "fixtures", "fake-engine.mjs")} ${args}`;
const tempDir = () => mkdtempSync(path.join(tmpdir(), "match-test-"));

/** Runs match.mjs for one game (unless extra says otherwise); returns { status, stdout, summary }. */
function runMatch(engine1, engine2, extra = [], opening = null) {
  const dir = tempDir();
  // A generous grace: a loaded machine must not turn these games into losses on time.
  const args = `--games 1 --byoyomi 50 --grace-ms 2000 --timeout-ms 5000 --out ${dir} --json ${dir}/summary.json`;
  if (opening) writeFileSync(`${dir}/openings.txt`, opening + "\n");
  const openings = opening ? ["--openings", `${dir}/openings.txt`] : [];
  const all = [MATCH, "--engine1", engine1, "--engine2", engine2, ...args.split(" "), ...openings, ...extra];
  // A match that hangs is a failure, not a stuck test run.
  const r = spawnSync(process.execPath, all, { encoding: "utf8", timeout: 30000, killSignal: "SIGKILL" });
  return { status: r.status, stdout: r.stdout + r.stderr, summary: JSON.parse(readFileSync(`${dir}/summary.json`)) };
}

describe("games played to the end", () => {
  test("random legal games are recorded as KIF files that replay legally", () => {
    const r = runMatch(fake("--seed 7"), fake("--seed 11"), ["--games", "2", "--max-plies", "60"]);
    assert.equal(r.status, 0, r.stdout);
    for (const g of r.summary.results) {
      assert.ok(["checkmate", "max plies"].includes(g.reason), g.reason);
      const kif = readFileSync(g.kif, "utf8");
      assert.match(kif, /先手：fake \(engine[12]\)/);
      const moves = importKIF(kif).moves.flatMap((n) => n.move.usi ?? []);
      assert.equal(moves.length, g.plies);
      const p = Position.newBySFEN(STANDARD_SFEN);
      for (const usi of moves) assert.ok(p.doMove(legalMoveFromUsi(p, usi)), usi);
    }
  });

  test("colours alternate, each opening is played with both colours, and results count by colour", () => {
    const r = runMatch(fake("--seed 3"), fake("resign"), ["--games", "4"]);
    assert.equal(r.status, 0, r.stdout);
    const [first, second] = BUILTIN_OPENINGS.map((o) => o.name);
    assert.deepEqual(
      r.summary.results.map((g) => [g.sente, g.opening, g.winner, g.reason]),
      [
        ["engine1", first, "engine1", "resign"],
        ["engine2", first, "engine1", "resign"],
        ["engine1", second, "engine1", "resign"],
        ["engine2", second, "engine1", "resign"],
      ],
    );
    // engine1 moved only when it had sente; engine2 answered every turn it had.
    const wld = (s) => `${s.wins}-${s.losses}-${s.draws}`;
    assert.deepEqual(
      r.summary.engines.map((e) => [wld(e.asSente), wld(e.asGote), e.thinkMs.moves]),
      [
        ["2-0-0", "2-0-0", 2],
        ["0-2-0", "0-2-0", 4],
      ],
    );
    assert.ok(r.summary.engines[0].thinkMs.max >= r.summary.engines[0].thinkMs.average);
    assert.match(r.stdout, /engine1: fake\s+4-0-0\s+2-0-0\s+2-0-0/);
  });
});

describe("how a game ends", () => {
  const engine = (spec) => (spec.startsWith("fake") ? fake(spec.slice(4).trim()) : spec);
  for (const [name, engine1, engine2, extra, opening, want, faults, ...shown] of fixtureRows("endings.txt")) {
    test(name, () => {
      const r = runMatch(engine(engine1), engine(engine2), extra ? extra.split(" ") : [], opening || null);
      const g = r.summary.results[0];
      const [status, winner, plies, ...reason] = want.split(" ");
      const expected = [Number(status), winner === "-" ? null : winner, reason.join(" "), Number(plies)];
      assert.deepEqual([r.status, g.winner, g.reason, g.plies], expected, r.stdout);
      const counts = r.summary.engines.map((e) => `${e.lossesOnTime} ${e.illegalMoves} ${e.protocolErrors}`);
      assert.equal(counts.join(", "), faults);
      for (const pattern of shown) assert.match(r.stdout + readFileSync(g.kif, "utf8"), new RegExp(pattern));
    });
  }

  test("no bestmove in time: the hung engine is killed and replaced for the next game", () => {
    const transcript = path.join(tempDir(), "engine2.txt");
    const started = Date.now();
    // A compound command keeps a shell between the runner and the engine.
    const hung = fake(`--transcript ${transcript} !hang`) + " ; true";
    const r = runMatch(fake(), hung, ["--games", "2", "--timeout-ms", "300"]);
    assert.ok(Date.now() - started < 5000);
    const results = r.summary.results.map((g) => `${g.winner} ${g.reason}`);
    assert.deepEqual([r.status, ...results], [1, "engine1 timeout", "engine1 timeout"]);
    assert.equal(r.summary.engines[1].lossesOnTime, 2);
    assert.match(r.stdout, /game 2: engine2 timeout: engine2 gave no bestmove within 350 ms/);
    assert.equal(readFileSync(transcript, "utf8").match(/^usi$/gm).length, 2, "a fresh engine for the second game");
    assert.throws(() => execFileSync("pgrep", ["-f", transcript]), "the hung engine outlived the match");
  });
});

test("the engine hears the handshake, options, positions and game ends in order, despite chatter", () => {
  const transcript = path.join(tempDir(), "engine1.txt");
  const options = ["--engine1-options", "USI_Hash=16, Depth = 3 ,ClearHash", "--engine1-byoyomi", "70"];
  const r = runMatch(
    fake(`--seed 4 --transcript ${transcript}`),
    fake("--noise resign"),
    ["--games", "2", ...options],
    "startpos moves 7g7f",
  );
  assert.equal(r.status, 0, r.stdout);
  const heard = fixtureRows("transcript.txt").map(([line]) => line);
  assert.deepEqual(readFileSync(transcript, "utf8").trim().split("\n"), heard);
});

test("bad usage exits with status 2", () => {
  for (const [args, message] of fixtureRows("usage.txt")) {
    const r = spawnSync(process.execPath, [MATCH, ...args.split(" ")], { encoding: "utf8" });
    assert.equal(r.status, 2, args);
    assert.match(r.stderr, new RegExp(message));
    assert.match(r.stderr, /usage:/);
  }
});
