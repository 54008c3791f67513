// The mate solver and the mate tester, each run to its answer on one thread.
//
// Mate positions are written with the uppercase side (sente) to move and attacking upward, as
// problems are usually set; the solver sees them turned so that the attacker is side 1. In that
// view its board scan runs from file 1 to file 9 and, within a file, from rank i up to rank a, and
// the drop pattern starts on the square below the defending king.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/mate/mate_nodes.h"
#include "engine/mate/mate_solver.h"
#include "engine/mate/mate_tester.h"
#include "engine/mate/side_to_move.h"
#include "engine/position/usi_notation.h"
#include "tests/mate/mate_support.h"
#include "tests/support/data_lines.h"

namespace kaz {
namespace {

using testing::attackerIsSide1;
using testing::mapIsExact;
using testing::sfenOf;

// Solves, checking that the run left its position and attack map as it found them.
std::unique_ptr<MateSolver> solverFor(const std::string& sfen, MateAnswer& answer,
                                      int depth = MATE_SOLVER_DEPTH) {
    auto solver = std::make_unique<MateSolver>();
    const SfenPosition pos = sfenOf(sfen);
    answer = solveSideToMove(*solver, pos, depth);
    EXPECT_EQ(solver->done.load(), 1);
    EXPECT_TRUE(solver->position == attackerIsSide1(pos)) << "position changed by " << sfen;
    EXPECT_TRUE(mapIsExact(solver->attackMap, solver->position.board)) << sfen;
    return solver;
}

// The answers listed in the data files, each with why it holds: SFEN | move (USI), empty for no
// mate offered | length | depth (optional). The drop-started mates of five to eleven plies have a
// single mating line, checked against an independent rules library.
TEST(MateSolver, AnswersOfTheDataFiles) {
    for (const char* file : {"/mates.txt", "/drop_mates.txt"})
        for (const auto& f : testing::dataLines(KAZ_MATE_DATA + std::string(file))) {
            const int length = std::stoi(f[2]);
            const int depth = f.size() > 3 ? std::stoi(f[3]) : MATE_SOLVER_DEPTH;
            MateAnswer answer;
            auto solver = solverFor(f[0], answer, depth);
            ASSERT_EQ(answer.found, !f[1].empty()) << f[0] << " offered " << toUsi(answer.move);
            if (f[1].empty()) continue;
            EXPECT_EQ(toUsi(answer.move), f[1]) << f[0];
            EXPECT_EQ(answer.length, length) << f[0];
            // The same position turned round, gote to move: the same mate, in gote's terms.
            auto turned = std::make_unique<MateSolver>();
            const MateAnswer asGote = solveSideToMove(*turned, rotateSfen(sfenOf(f[0])), depth);
            EXPECT_TRUE(rotateMove(asGote.move) == answer.move && asGote.length == length) << f[0];
            // A king capture keeps bestLength as it was; a mate leaves it equal to the length.
            EXPECT_TRUE((answer.move.captured & 7) == GYOKU || solver->bestLength == length)
                << f[0] << ": bestLength " << solver->bestLength;
        }
}

TEST(MateSolver, SetUpClearsThePreviousRunAndClampsTheDepth) {
    MateAnswer answer;
    auto solver = solverFor("4k4/9/4G4/9/9/9/9/9/4K4 b G 1", answer);
    ASSERT_EQ(solver->found.load(), 1);
    solver->setUp(solver->position);
    EXPECT_EQ(solver->done.load() + solver->found.load() + solver->mateFlag[0], 0);
    EXPECT_EQ(solver->depthLimit.load(), MATE_SOLVER_DEPTH);
    // The per-ply planes have 32 slots: a larger depth is clamped rather than overrun them.
    solver->setUp(solver->position, 100);
    EXPECT_EQ(solver->configuredDepth.load(), MAX_PLY);
}

// One attacker node run directly on a solver prepared as solve() leaves it.
TEST(MateSolverNodes, BackAtTheRootPositionFromPlyFourIsCut) {
    // A mate in one is on the board; from ply 4 on an identical position is taken for a return to
    // the root and cut, below that it is searched, and a different hand is not the root position.
    auto s = std::make_unique<MateSolver>();
    s->setUp(attackerIsSide1(sfenOf("4k4/9/4G4/9/9/9/9/9/4K4 b G 1")));
    s->solve();  // fills the king squares, the root copy and a valid map
    s->depthLimit = 12;
    for (int p = 0; p < 64; ++p) {
        s->kingSquare[0][p] = s->rootKingSquare[0];
        s->kingSquare[1][p] = s->rootKingSquare[1];
    }
    mate::MateNodes<mate::SolverPolicy> nodes(*s);
    for (int p : {2, 4, 6}) {
        s->ply = p;
        nodes.attackerNode(1);
        EXPECT_EQ(s->mateFlag[p], p < 4 ? 1 : 0) << "ply " << p;
        EXPECT_TRUE(mapIsExact(s->attackMap, s->position.board));
    }
    s->rootHand[1][KIN] += 1;
    s->ply = 4;
    nodes.attackerNode(1);
    EXPECT_EQ(s->mateFlag[4], 1);
    EXPECT_EQ(s->mateLength[4], 5);
}

// The tester answers for side 0 (uppercase, sente) of the position it is given, as the attacker.
TEST(MateTester, TurnsTheGivenPositionAndBackAgain) {
    const SfenPosition s = sfenOf("4k4/7n1/2P6/9/9/9/9/9/4K4 b Gp 1");
    auto tester = std::make_unique<MateTester>();
    tester->testMate(s.pos.board, s.pos.hand[0], s.pos.hand[1]);
    EXPECT_TRUE(rotatePosition(tester->position) == s.pos);  // turned, pieces and hands
    EXPECT_TRUE(tester->givenBoard == s.pos.board);
    // Gote's king on 5a becomes the defending side 0 king on 5i of the turned board.
    EXPECT_EQ(tester->kingSquare[0][0], rotateSquare(squareOf(0, 4)));
    EXPECT_EQ(tester->kingSquare[0][63], rotateSquare(squareOf(0, 4)));
}

TEST(MateTester, AnswersMatesForTheSideToMove) {
    for (const auto& f : testing::dataLines(KAZ_MATE_DATA "/tester.txt")) {
        const bool mate = f[1] == "1";
        auto tester = std::make_unique<MateTester>();
        const SfenPosition s = sfenOf(f[0]);
        const Position given = s.sideToMove == 1 ? rotatePosition(s.pos) : s.pos;
        EXPECT_EQ(tester->testMate(given), mate ? 1 : 0) << f[0];
        EXPECT_EQ(tester->mateFlag[0], mate ? 1 : 0) << f[0];
        EXPECT_TRUE(tester->position == rotatePosition(given)) << "position changed: " << f[0];
        EXPECT_TRUE(mapIsExact(tester->attackMap, tester->position.board)) << f[0];
    }
}

}  // namespace
}  // namespace kaz
