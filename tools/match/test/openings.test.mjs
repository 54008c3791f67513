import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { test } from "node:test";
import { Record } from "tsshogi";
import { BUILTIN_OPENINGS, checkOpening, parseOpenings } from "../lib/openings.mjs";
import { STANDARD_SFEN, hasLegalMove } from "../lib/rules.mjs";

test("built-in openings are legal, distinct and still open games", () => {
  const ends = BUILTIN_OPENINGS.map((o) => Record.newByUSI(`sfen ${checkOpening(o).sfen} moves ${o.moves.join(" ")}`));
  assert.ok(ends.every((record) => hasLegalMove(record.position)));
  assert.equal(new Set(ends.map((record) => record.position.sfen)).size, ends.length, "an opening repeats another");
});

test("an openings file takes startpos, sfen and bare SFEN lines, with comments", () => {
  const text = readFileSync(new URL("fixtures/openings.txt", import.meta.url), "utf8");
  assert.deepEqual(
    parseOpenings(text, "f").map((o) => [o.name, o.sfen, o.moves]),
    [
      ["f:2", STANDARD_SFEN, []],
      ["f:3", STANDARD_SFEN, ["7g7f", "3c3d"]],
      ["f:5", "4k4/9/9/9/9/9/9/9/4K4 b G 1", ["G*5b"]],
      ["f:6", "4k4/9/9/9/9/9/9/9/4K4 w - 1", []],
    ],
  );
});

test("bad lines in an openings file are refused with their line number", () => {
  assert.throws(() => parseOpenings("startpos moves 7g7f 7g7f", "f"), /f:1.*illegal move 7g7f/);
  assert.throws(() => parseOpenings("sfen 4k4/9 b - 1", "f"), /f:1.*invalid SFEN/);
  assert.throws(() => parseOpenings("startpos 7g7f", "f"), /f:1.*expected "moves"/);
  assert.throws(() => parseOpenings("# nothing\n", "f"), /no openings/);
});
