#include "engine/mate/side_to_move.h"

#include "engine/position/rotate.h"

namespace kaz {

MateAnswer solveSideToMove(MateSolver& solver, const SfenPosition& sfen, int depth) {
    const bool turned = sfen.sideToMove == 0;
    solver.setUp(turned ? rotatePosition(sfen.pos) : sfen.pos, depth);
    solver.solve();
    MateAnswer answer{};
    answer.found = solver.found.load(std::memory_order_acquire) == 1;
    answer.nodes = solver.nodes;
    if (answer.found) {
        answer.move = turned ? rotateMove(solver.bestMove) : solver.bestMove;
        answer.length = solver.mateLength[0];
    }
    return answer;
}

bool testMateSideToMove(MateTester& tester, const SfenPosition& sfen) {
    return tester.testMate(sfen.sideToMove == 1 ? rotatePosition(sfen.pos) : sfen.pos) == 1;
}

}  // namespace kaz
