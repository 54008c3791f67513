#include "engine/mate/mate_solver.h"

namespace kaz {

MateSolver::~MateSolver() {
    requestStop();
    join();
}

void MateSolver::requestStop() {
    configuredDepth.store(0, std::memory_order_seq_cst);
    depthLimit.store(0, std::memory_order_seq_cst);
}

void MateSolver::join() {
    if (thread_.joinable()) thread_.join();
}

void MateSolver::setUp(const Position& pos, int depth) {
    requestStop();
    join();
    position = pos;
    done.store(0, std::memory_order_relaxed);
    found.store(0, std::memory_order_relaxed);
    mateFlag[0] = 0;
    configuredDepth.store(depth, std::memory_order_relaxed);
    depthLimit.store(depth, std::memory_order_relaxed);
}

void MateSolver::start(const Position& pos, int depth) {
    setUp(pos, depth);
    thread_ = std::thread(mateSolverThread, this);
}

void MateSolver::solve() {
    // Placeholder until the nodes land: reports no mate.
    nodes = 0;
    bestLength = NO_MATE;
    found.store(0, std::memory_order_release);
    done.store(1, std::memory_order_release);
}

int mateSolverThread(MateSolver* solver) {
    solver->solve();
    return 0;
}

}  // namespace kaz
