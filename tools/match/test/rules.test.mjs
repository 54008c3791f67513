import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import path from "node:path";
import { describe, test } from "node:test";
import { fileURLToPath } from "node:url";
import { Position } from "tsshogi";
import {
  STANDARD_SFEN,
  declarationWins,
  explainIllegal,
  hasLegalMove,
  legalMoveFromUsi,
  legalMoves,
} from "../lib/rules.mjs";

const at = (sfen) => Position.newBySFEN(sfen === "startpos" ? STANDARD_SFEN : sfen);
const MOVES = path.join(path.dirname(fileURLToPath(import.meta.url)), "fixtures", "moves.txt");

describe("move legality", () => {
  test("engine output must follow the USI move grammar exactly", () => {
    const start = at(STANDARD_SFEN);
    assert.ok(legalMoveFromUsi(start, "7g7f"));
    for (const bad of ["7g7fx", "7g7f=", "p*5e", "7g7", "", "7G7F", "0g7f", "+P*5e", "K*5e"]) {
      assert.equal(legalMoveFromUsi(start, bad), null, bad);
    }
  });

  test("the moves of fixtures/moves.txt are accepted or refused with their reason", () => {
    const lines = readFileSync(MOVES, "utf8").split("\n").filter((l) => l.trim() && !l.startsWith("#"));
    for (const [sfen, usi, reason] of lines.map((l) => l.split("|").map((f) => f.trim()))) {
      const legal = legalMoveFromUsi(at(sfen), usi);
      if (reason === "legal") assert.ok(legal, `${usi} should be legal in ${sfen}`);
      else assert.deepEqual([legal, explainIllegal(at(sfen), usi)], [null, reason], `${usi} in ${sfen}`);
    }
  });

  test("mating by moving a pawn is allowed", () => {
    const pushMate = at("3lkl3/9/3GPG3/9/9/9/9/9/4K4 b - 1");
    pushMate.doMove(legalMoveFromUsi(pushMate, "5c5b"));
    assert.equal(hasLegalMove(pushMate), false);
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
