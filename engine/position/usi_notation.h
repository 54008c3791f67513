#pragma once

#include <string>
#include <string_view>

#include "engine/position/types.h"

namespace kaz {

// USI notation: "7g7f", "2b3c+", "P*5e".
std::string toUsi(const EngineMove& move);

// Reads a USI move for side `side` in pos. Checks form and ownership only (mover's piece on the
// origin, target not its own piece, piece in hand, promotion allowed there); whether the piece can
// reach the target and whether the move is legal is for the rules code. Returns an empty string on
// success, else a message; out is untouched on failure.
std::string parseUsiMove(std::string_view text, const Position& pos, int side, EngineMove& out);

}  // namespace kaz
