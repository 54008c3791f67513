#pragma once

// Runs the mate searches for whichever side is to move in an SFEN position: the solver attacks
// with side 1 and the tester with side 0, so the position is turned when needed and the answer
// turned back into the SFEN's own orientation.

#include <cstdint>

#include "engine/mate/mate_solver.h"
#include "engine/mate/mate_tester.h"
#include "engine/position/sfen.h"

namespace kaz {

struct MateAnswer {
    bool found;
    EngineMove move;  // in the SFEN's orientation; valid when found
    int length;       // plies of the mate (0 for capturing a king already in check)
    std::uint64_t nodes;
};

// Synchronous solve() on the calling thread.
MateAnswer solveSideToMove(MateSolver& solver, const SfenPosition& sfen,
                           int depth = MATE_SOLVER_DEPTH);

// testMate() with the side to move as the attacker.
bool testMateSideToMove(MateTester& tester, const SfenPosition& sfen);

}  // namespace kaz
