import assert from "node:assert/strict";
import { describe, test } from "node:test";
import { Position } from "tsshogi";
import { BUILTIN_OPENINGS, checkOpening, parseOpenings } from "../lib/openings.mjs";
import { STANDARD_SFEN, hasLegalMove, legalMoveFromUsi } from "../lib/rules.mjs";

function finalSfen(opening) {
  const p = Position.newBySFEN(opening.sfen);
  for (const usi of opening.moves) p.doMove(legalMoveFromUsi(p, usi));
  return p.sfen;
}

describe("built-in openings", () => {
  test("are legal, distinct and still open games", () => {
    const seen = new Set();
    for (const opening of BUILTIN_OPENINGS) {
      checkOpening(opening);
      const sfen = finalSfen(opening);
      assert.ok(!seen.has(sfen), `${opening.name} repeats another opening`);
      seen.add(sfen);
      assert.ok(hasLegalMove(Position.newBySFEN(sfen)));
    }
    assert.equal(BUILTIN_OPENINGS[0].moves.length, 0, "the initial position comes first");
  });
});

describe("openings file", () => {
  test("accepts startpos, sfen and bare SFEN lines, with comments", () => {
    const text = [
      "# a comment",
      "startpos",
      "startpos moves 7g7f 3c3d  # trailing comment",
      "",
      "sfen 4k4/9/9/9/9/9/9/9/4K4 b G 1 moves G*5b",
      "4k4/9/9/9/9/9/9/9/4K4 w - 1",
    ].join("\n");
    const openings = parseOpenings(text, "f");
    assert.deepEqual(
      openings.map((o) => [o.name, o.sfen, o.moves]),
      [
        ["f:2", STANDARD_SFEN, []],
        ["f:3", STANDARD_SFEN, ["7g7f", "3c3d"]],
        ["f:5", "4k4/9/9/9/9/9/9/9/4K4 b G 1", ["G*5b"]],
        ["f:6", "4k4/9/9/9/9/9/9/9/4K4 w - 1", []],
      ],
    );
  });

  test("rejects bad lines with their line number", () => {
    assert.throws(() => parseOpenings("startpos moves 7g7f 7g7f", "f"), /f:1.*illegal move 7g7f/);
    assert.throws(() => parseOpenings("sfen 4k4/9 b - 1", "f"), /f:1.*invalid SFEN/);
    assert.throws(() => parseOpenings("startpos 7g7f", "f"), /f:1.*expected "moves"/);
    assert.throws(() => parseOpenings("# nothing\n", "f"), /no openings/);
  });
});
