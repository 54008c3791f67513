#pragma once

// What one think is given and what it hands back, apart from the Searcher that runs it.

#include <cstdint>

#include "engine/position/types.h"

namespace kaz {

constexpr int SEARCH_PLIES = 64;

// How one think runs. Without a budget the think is the fixed-depth search to the configured depth.
// With one it searches depth 2 with a short mate test (reported as depth 1), then depth 2, 4, 6 and
// the full depth, each a complete think of its own, and answers with the deepest one finished when
// the time is up.
struct ThinkLimits {
    // Seed for srand at the start of the think (the random term of the root moves); 0 seeds with
    // the current time.
    unsigned seed = 0;
    // Runs the mate solver to completion before the main search instead of beside it, so that
    // both node counts are independent of thread timing (the bench signature).
    bool solverFirst = false;
    // Milliseconds the think may take; < 0: no limit.
    std::int64_t budgetMs = -1;
    // The budget counts from Searcher::startClock() instead of the start (a ponder).
    bool clockHeld = false;
};

// What one think decided, in the caller's orientation.
struct ThinkResult {
    bool resign = false;
    EngineMove move{};       // meaningless when resign or noMove is set
    std::int32_t value = 0;  // the think value seen from the mover: positive favours the mover
    bool book = false;       // taken from the opening book
    bool mate = false;       // taken from the mate solver
    // Stopped before any move was searched to the end: move is meaningless, value 0, no resign.
    bool noMove = false;
    std::int32_t mateLength = 0;  // plies of the solver's mate (0 for a king capture) when mate
    int depth = 0;                // depth of the deepest search that ran to its end (0: none)
};

// What the last think cost; changes no result.
struct ThinkStats {
    std::uint64_t nodes = 0;                      // moves made by the main search
    std::uint64_t nodesAtPly[SEARCH_PLIES] = {};  // the same, by the ply they were made at
    std::uint64_t testerNodes = 0;                // moves made by the in-search mate tests
    std::uint64_t mateNodes = 0;                  // moves made by the mate solver
    std::int64_t timeMs = 0;
    bool stopped = false;  // a stop request cut the think short
};

// Where a running think is, as the display shows it: the root pass (0, 1, 2) and the root column
// being searched (0..8).
struct SearchProgress {
    int pass = 0;
    int column = 0;
};

}  // namespace kaz
