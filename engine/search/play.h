#pragma once

#include <cstdint>

#include "engine/position/types.h"
#include "engine/search/searcher.h"

namespace kaz {

// What one think decided, in the caller's orientation.
struct ThinkResult {
    bool resign;
    EngineMove move;     // in the caller's orientation; meaningless when resign is set
    std::int32_t value;  // plyValue[0] seen from the mover: positive favours the side to move
    bool book;           // taken from the opening book
    bool mate;           // taken from the mate solver
    // Stopped before any move was searched to the end: move is meaningless, value 0, no resign.
    bool noMove;
    std::int32_t mateLength;  // plies of the solver's mate (0 for a king capture) when mate is set
    int depth;                // depth of the deepest search that ran to its end
    std::uint64_t nodes, mateNodes, testerNodes;
    std::int64_t timeMs;
};

// One think for `sideToMove` in pos. The engine always plays side 1, so the position is turned
// through 180 degrees when side 0 is to move and the move turned back. gameMoveCount is the number
// of moves played so far; seed 0 seeds the random term with the time.
ThinkResult thinkFor(Searcher& searcher, const Position& pos, int sideToMove, int gameMoveCount,
                     unsigned seed, const ThinkLimits& limits = {});

}  // namespace kaz
