import assert from "node:assert/strict";
import { describe, test } from "node:test";
import { Position } from "tsshogi";
import {
  STANDARD_SFEN,
  declarationWins,
  explainIllegal,
  hasLegalMove,
  legalMoveFromUsi,
  legalMoves,
} from "../lib/rules.mjs";

const at = (sfen) => Position.newBySFEN(sfen);

function assertIllegal(sfen, usi, reason) {
  const position = at(sfen);
  assert.equal(legalMoveFromUsi(position, usi), null, `${usi} should be illegal in ${sfen}`);
  assert.equal(explainIllegal(position, usi), reason);
}

function assertLegal(sfen, usi) {
  assert.ok(legalMoveFromUsi(at(sfen), usi), `${usi} should be legal in ${sfen}`);
}

describe("move legality", () => {
  test("engine output must follow the USI move grammar exactly", () => {
    const start = at(STANDARD_SFEN);
    assert.ok(legalMoveFromUsi(start, "7g7f"));
    for (const bad of ["7g7fx", "7g7f=", "p*5e", "7g7", "", "7G7F", "0g7f", "+P*5e", "K*5e"]) {
      assert.equal(legalMoveFromUsi(start, bad), null, bad);
    }
  });

  test("board moves", () => {
    assertIllegal(STANDARD_SFEN, "5e5d", "no piece on the from-square");
    assertIllegal(STANDARD_SFEN, "3c3d", "moves an opponent's piece");
    assertIllegal(STANDARD_SFEN, "7g7e", "the piece cannot move there");
    assertIllegal(STANDARD_SFEN, "2h2g", "captures its own piece");
    assertIllegal(STANDARD_SFEN, "7g7f+", "promotes outside the promotion zone");
    // A rook cannot jump over the pawn in front of it.
    assertIllegal("4k4/9/9/9/9/9/4P4/9/4R3K b - 1", "5i5f", "the piece cannot move there");
  });

  test("promotion and pieces with no further move", () => {
    const sfen = "4k4/P8/9/9/9/9/9/9/4K4 b - 1";
    assertIllegal(sfen, "9b9a", "leaves a piece with no further move (must promote)");
    assertLegal(sfen, "9b9a+");
    assertIllegal("4k4/9/9/9/9/9/9/9/4K+R3 b - 1", "4i4h+", "promotes a piece that cannot promote");
    // Moving out of the zone still allows promotion.
    assertLegal("4k4/9/1S7/9/9/9/9/9/4K4 b - 1", "8c7d+");
    // Knight on the second rank must promote.
    assertIllegal("4k4/9/9/2N6/9/9/9/9/4K4 b - 1", "7d8b", "leaves a piece with no further move (must promote)");
  });

  test("drops", () => {
    const king = "4k4/9/9/9/9/9/9/9/4K4";
    assertIllegal(`${king} b P 1`, "P*1a", "drops a piece where it has no further move");
    assertIllegal(`${king} b L 1`, "L*1a", "drops a piece where it has no further move");
    assertIllegal(`${king} b N 1`, "N*1b", "drops a piece where it has no further move");
    assertLegal(`${king} b N 1`, "N*1c");
    assertIllegal(`${king} b P 1`, "G*5e", "drops a piece not in hand");
    assertIllegal(`${king} b P 1`, "P*5i", "drops onto an occupied square");
    // Gote drops toward the other end of the board.
    assertIllegal(`${king} w p 1`, "P*1i", "drops a piece where it has no further move");
    assertLegal(`${king} w p 1`, "P*1a");
  });

  test("two pawns on a file (nifu), a promoted pawn does not count", () => {
    assertIllegal("4k4/9/9/9/9/9/4P4/9/4K4 b P 1", "P*5e", "two unpromoted pawns on one file (nifu)");
    assertLegal("4k4/9/9/9/9/9/4+P4/9/4K4 b P 1", "P*5e");
    // The opponent's pawn on the file does not matter.
    assertLegal("4k4/9/4p4/9/9/9/9/9/4K4 b P 1", "P*5e");
  });

  test("pawn-drop mate is illegal, other pawn mates are not", () => {
    // Gote's king is boxed in by its own lances; the gold guards the pawn.
    const boxed = "3lkl3/9/4G4/9/9/9/9/9/4K4 b P 1";
    assertIllegal(boxed, "P*5b", "pawn-drop mate (uchifuzume)");
    // A pawn drop check the king can escape is fine.
    assertLegal("4k4/9/4G4/9/9/9/9/9/4K4 b P 1", "P*5b");
    // A pawn drop that the king cannot escape but a piece can capture is fine.
    assertLegal("3lkl3/9/4G4/9/9/b8/9/9/4K4 b P 1", "P*5b");
    // Mating by moving a pawn is allowed.
    const pushMate = at("3lkl3/9/3GPG3/9/9/9/9/9/4K4 b - 1");
    pushMate.doMove(legalMoveFromUsi(pushMate, "5c5b"));
    assert.equal(hasLegalMove(pushMate), false);
  });

  test("own king must not be left in check", () => {
    // The silver on 5h is pinned by the rook on 5a.
    const pinned = "4r4/9/9/9/9/9/9/4S4/4K4 b - 1";
    assertIllegal(pinned, "5h4g", "leaves its own king in check");
    assertLegal(pinned, "5h5g");
    // Walking into an attacked square.
    assertIllegal("4k4/9/9/9/9/9/9/3r5/4K4 b - 1", "5i5h", "leaves its own king in check");
    // A check must be answered; a drop elsewhere does not.
    const checked = "4r4/9/9/9/9/9/9/9/4K4 b G 1";
    assertIllegal(checked, "G*1e", "leaves its own king in check");
    assertLegal(checked, "G*5e");
  });
});

describe("move generation", () => {
  test("finds every legal move, including drops and promotion choices", () => {
    assert.equal(legalMoves(at(STANDARD_SFEN)).length, 30);
    // The well-known position with the most legal moves.
    assert.equal(legalMoves(at("R8/2K1S1SSk/4B4/9/9/9/9/9/1L1L1L3 b RBGSNLP3g3n17p 1")).length, 593);
  });

  test("no legal move means mate, whether or not the king is in check", () => {
    const mated = at("4k4/4G4/4P4/9/9/9/9/9/4K4 w - 1");
    assert.ok(mated.checked);
    assert.equal(hasLegalMove(mated), false);
    // Gote has only a king, not in check, and every square it could go to is covered.
    const stalemate = at("k8/9/1GN6/9/9/9/9/9/8K w - 1");
    assert.equal(stalemate.checked, false);
    assert.deepEqual(legalMoves(stalemate).map((m) => m.usi), []);
    assert.ok(hasLegalMove(at("4k4/9/9/9/9/9/9/9/4K4 w - 1")));
  });
});

describe("entering-king declaration", () => {
  // Sente's king on 5b with ten pieces in the zone and plenty in hand.
  const entered = "LNSG1GSNL/1R2K2B1/9/9/9/9/9/9/k8 b RB2G2S2N2L18P 1";

  test("wins when the 27-point conditions hold", () => {
    assert.equal(declarationWins(at(entered)), true);
  });

  test("fails on any missing condition", () => {
    // Start position: king not in the zone.
    assert.equal(declarationWins(at(STANDARD_SFEN)), false);
    // Only nine pieces in the zone (the 9a lance is gone to hand).
    assert.equal(declarationWins(at("1NSG1GSNL/1R2K2B1/9/9/9/9/9/9/k8 b RB2G2S2N3L18P 1")), false);
    // Too few points: the same ten pieces, nothing big, nothing in hand.
    assert.equal(declarationWins(at("LNSG1GSNL/1P2K2P1/9/9/9/9/9/9/k8 b - 1")), false);
    // In check from gote's rook on 5i.
    assert.equal(declarationWins(at("LNSG1GSNL/1R2K2B1/9/9/9/9/9/9/k3r4 b B2G2S2N2L18P 1")), false);
  });
});
