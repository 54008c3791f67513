#pragma once

#include <string>
#include <string_view>

#include "engine/position/sfen.h"
#include "engine/position/types.h"

namespace kaz {

// Turns a position through 180 degrees with the owners exchanged (side 0 becomes side 1), so that
// either player can be searched as the engine's side 1.
Position rotatePosition(const Position& pos);
SfenPosition rotateSfen(const SfenPosition& sfen);
EngineMove rotateMove(const EngineMove& move);

// Applies a move for side `side` as the game does: the origin empties, a capture goes to the
// mover's hand as its base kind, a drop takes the kind from the mover's hand.
void applyMove(Position& pos, int side, const EngineMove& move);

// Builds the EngineMove of a board move or drop from squares and codes.
EngineMove boardMove(int from, PieceCode piece, int to, PieceCode newPiece, PieceCode captured);
EngineMove dropMove(PieceCode piece, int to);

// USI notation: "7g7f", "2b3c+", "P*5e".
std::string toUsi(const EngineMove& move);

// Reads a USI move for side `side` in pos. Checks form and ownership only (mover's piece on the
// origin, target not its own piece, piece in hand, promotion allowed there); whether the piece can
// reach the target and whether the move is legal is for the rules code. Returns an empty string on
// success, else a message; out is untouched on failure.
std::string parseUsiMove(std::string_view text, const Position& pos, int side, EngineMove& out);

}  // namespace kaz
