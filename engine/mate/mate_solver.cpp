#include "engine/mate/mate_solver.h"

#include <algorithm>

#include "engine/mate/mate_nodes.h"

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
    // A run still going would race with the writes below: stop it and wait for it first.
    requestStop();
    join();
    position = pos;
    done.store(0, std::memory_order_relaxed);
    found.store(0, std::memory_order_relaxed);
    mateFlag[0] = 0;
    // Plies index the attack map's per-ply planes, so the depth cannot exceed their number.
    depth = std::clamp(depth, 0, MAX_PLY);
    configuredDepth.store(depth, std::memory_order_relaxed);
    depthLimit.store(depth, std::memory_order_relaxed);
}

void MateSolver::start(const Position& pos, int depth) {
    setUp(pos, depth);
    thread_ = std::thread(mateSolverThread, this);
}

void MateSolver::beginPass() {
    // A stop request (configuredDepth = 0, then depthLimit = 0) may land between the load and the
    // store; reading configuredDepth again afterwards makes sure it is never overwritten.
    const int depth = configuredDepth.load(std::memory_order_seq_cst);
    depthLimit.store(depth, std::memory_order_seq_cst);
    if (configuredDepth.load(std::memory_order_seq_cst) == 0)
        depthLimit.store(0, std::memory_order_seq_cst);
    attackMap.buildAttackMap(position.board);
    ply = 0;
}

void MateSolver::solve() {
    done.store(0, std::memory_order_relaxed);
    found.store(0, std::memory_order_relaxed);
    mateFlag[0] = 0;
    bestLength = NO_MATE;
    nodes = 0;

    const int king[2] = {kingSquareOrNone(position.board, 0), kingSquareOrNone(position.board, 1)};
    for (int p = 0; p < MATE_PLY_SLOTS; ++p) {
        kingSquare[0][p] = king[0];
        kingSquare[1][p] = king[1];
        mateFlag[p] = 0;
        moveClass[p] = 0;
        mateLength[p] = 100;
    }
    rootBoard = position.board;
    rootHand[0] = position.hand[0];
    rootHand[1] = position.hand[1];
    rootKingSquare[0] = king[0];
    rootKingSquare[1] = king[1];
    mateLength[0] = 0;

    // Without side 0's king there is nothing to mate.
    if (king[0] != NO_KING_SQUARE) {
        mate::MateNodes<mate::SolverPolicy> nodesOf(*this);
        beginPass();
        nodesOf.attackerNode(1);
        // Still set only when the first pass ended on a king capture.
        if (mateFlag[0] == 0) {
            beginPass();
            nodesOf.attackerNode(0);
        }
    } else {
        attackMap.buildAttackMap(position.board);
    }
    if (bestLength != NO_MATE) mateFlag[0] = 1;

    bool offer = mateFlag[0] == 1;
    // A mate in one by dropping a pawn is not a legal move: withheld, nothing offered instead.
    if (offer && bestMove.fromFile == -1 && bestMove.piece == (OWNER_BIT | HU) && mateLength[0] < 2)
        offer = false;
    // After a stop request every open node reports mate for what it did not search: the result
    // of a run cut short is meaningless.
    if (configuredDepth.load(std::memory_order_seq_cst) == 0) offer = false;
    found.store(offer ? 1 : 0, std::memory_order_release);
    done.store(1, std::memory_order_release);
}

int mateSolverThread(MateSolver* solver) {
    solver->solve();
    return 0;
}

}  // namespace kaz
