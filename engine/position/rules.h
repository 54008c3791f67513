#pragma once

#include <vector>

#include "engine/position/types.h"

namespace kaz {

// The full rules of shogi, kept apart from the searchers' move generators so that every move that
// crosses the protocol boundary can be checked by code that shares nothing with them. Side 0 moves
// toward rank 0. A side without a king is never in check.

// True when `side`'s king stands on a square that the other side attacks.
bool inCheck(const Position& pos, int side);

// True when some piece of `bySide` on the board attacks `square`.
bool isAttacked(const Position& pos, int square, int bySide);

// Whether the piece on `from` can go to `to` by its movement alone: `to` is a playable square,
// empty or holding a piece of the other side, on one of the piece's steps or on one of its lines
// before anything blocks it. Check, promotion and pieces left with no further move are not
// looked at.
bool canMoveTo(const Position& pos, int from, int to);

// Every legal move of `side`: board moves with and without promotion where each is allowed (none
// that leaves a piece with no further move), drops without two pawns on a file or dead pieces,
// no pawn-drop mate, and never leaving the own king in check.
std::vector<EngineMove> legalMoves(const Position& pos, int side);

// Whether `move` is legal for `side`. Compares what a move says in notation (origin or dropped
// kind, target, promotion); the piece and captured fields must agree with the board.
bool isLegal(const Position& pos, int side, const EngineMove& move);

// In check with no legal move.
bool isCheckmated(const Position& pos, int side);

}  // namespace kaz
