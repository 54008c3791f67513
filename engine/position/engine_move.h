#pragma once

#include "engine/position/types.h"

namespace kaz {

// Builds the EngineMove of a board move or drop from squares and codes.
EngineMove boardMove(int from, PieceCode piece, int to, PieceCode newPiece, PieceCode captured);
EngineMove dropMove(PieceCode piece, int to);

// Applies a move for side `side` as the game does: the origin empties, a capture goes to the
// mover's hand as its base kind, a drop takes the kind from the mover's hand.
void applyMove(Position& pos, int side, const EngineMove& move);

}  // namespace kaz
