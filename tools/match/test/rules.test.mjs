import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { test } from "node:test";
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

test("the moves of fixtures/moves.txt are accepted, or refused with their reason", () => {
  const text = readFileSync(new URL("fixtures/moves.txt", import.meta.url), "utf8");
  for (const line of text.split("\n").filter((l) => l.trim() && !l.startsWith("#"))) {
    const [sfen, usi, reason] = line.split("|").map((f) => f.trim());
    const legal = legalMoveFromUsi(at(sfen), usi);
    if (reason === "legal") assert.ok(legal, `${usi} should be legal in ${sfen}`);
    else assert.deepEqual([legal, explainIllegal(at(sfen), usi)], [null, reason], `${usi} in ${sfen}`);
  }
});

test("every legal move is found, drops and promotion choices included; with none the side to move has lost", () => {
  for (const [sfen, count] of [
    [STANDARD_SFEN, 30],
    // The well-known position with the most legal moves.
    ["R8/2K1S1SSk/4B4/9/9/9/9/9/1L1L1L3 b RBGSNLP3g3n17p 1", 593],
    ["4k4/9/9/9/9/9/9/9/4K4 w - 1", 5],
    ["4k4/4G4/4P4/9/9/9/9/9/4K4 w - 1", 0],
    // Gote has only a king, not in check, and every square it could go to is covered.
    ["k8/9/1GN6/9/9/9/9/9/8K w - 1", 0],
  ]) {
    assert.equal(legalMoves(at(sfen)).length, count, sfen);
    assert.equal(hasLegalMove(at(sfen)), count > 0, sfen);
  }
});

test("an entering-king declaration wins only when every 27-point condition holds", () => {
  for (const [sfen, wins] of [
    // Sente's king on 5b with ten pieces in the zone and plenty in hand.
    ["LNSG1GSNL/1R2K2B1/9/9/9/9/9/9/k8 b RB2G2S2N2L18P 1", true],
    // The king not in the zone.
    [STANDARD_SFEN, false],
    // Only nine pieces in the zone (the 9a lance is gone to hand).
    ["1NSG1GSNL/1R2K2B1/9/9/9/9/9/9/k8 b RB2G2S2N3L18P 1", false],
    // Too few points: the same ten pieces, nothing big, nothing in hand.
    ["LNSG1GSNL/1P2K2P1/9/9/9/9/9/9/k8 b - 1", false],
    // In check from gote's rook on 5i.
    ["LNSG1GSNL/1R2K2B1/9/9/9/9/9/9/k3r4 b B2G2S2N2L18P 1", false],
  ]) {
    assert.equal(declarationWins(at(sfen)), wins, sfen);
  }
});
