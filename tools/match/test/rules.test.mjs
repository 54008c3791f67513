import assert from "node:assert/strict";
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
import { fixtureRows } from "./fixtures/rows.mjs";

const at = (sfen) => Position.newBySFEN(sfen === "startpos" ? STANDARD_SFEN : sfen);

test("the moves of fixtures/moves.txt are accepted, or refused with their reason", () => {
  for (const [sfen, usi, reason] of fixtureRows("moves.txt")) {
    const legal = legalMoveFromUsi(at(sfen), usi);
    if (reason === "legal") assert.ok(legal, `${usi} should be legal in ${sfen}`);
    else assert.deepEqual([legal, explainIllegal(at(sfen), usi)], [null, reason], `${usi} in ${sfen}`);
  }
});

test("every legal move is found, drops and promotion choices included; with none the side to move has lost", () => {
  for (const [sfen, count] of fixtureRows("legal_counts.txt")) {
    assert.equal(legalMoves(at(sfen)).length, Number(count), sfen);
    assert.equal(hasLegalMove(at(sfen)), count !== "0", sfen);
  }
});

test("an entering-king declaration wins only when every 27-point condition holds", () => {
  for (const [sfen, wins] of fixtureRows("declarations.txt")) {
    assert.equal(declarationWins(at(sfen)), wins === "true", sfen);
  }
});
