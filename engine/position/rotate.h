#pragma once

#include "engine/position/sfen.h"
#include "engine/position/types.h"

namespace kaz {

// Turns a position through 180 degrees with the owners exchanged (side 0 becomes side 1), so that
// either player can be searched as the engine's side 1.
Position rotatePosition(const Position& pos);
SfenPosition rotateSfen(const SfenPosition& sfen);
EngineMove rotateMove(const EngineMove& move);

}  // namespace kaz
