// The tester answers for side 0 (uppercase, sente) of the position it is given, as the attacker.

#include <gtest/gtest.h>

#include <memory>

#include "engine/mate/mate_tester.h"
#include "engine/mate/side_to_move.h"
#include "tests/mate/mate_support.h"

namespace kaz {
namespace {

using testing::mapIsExact;
using testing::sfenOf;

bool answers(const char* sfen) {
    auto tester = std::make_unique<MateTester>();
    const SfenPosition s = sfenOf(sfen);
    const Position given = s.sideToMove == 1 ? rotatePosition(s.pos) : s.pos;
    const bool mate = tester->testMate(given) == 1;
    EXPECT_EQ(tester->mateFlag[0], mate ? 1 : 0);
    EXPECT_TRUE(tester->position == rotatePosition(given)) << "searched position changed: " << sfen;
    EXPECT_TRUE(mapIsExact(tester->attackMap, tester->position.board)) << sfen;
    return mate;
}

TEST(MateTester, TurnsTheGivenPositionAndBackAgain) {
    // A sente pawn on 7c (rank 2 in the given view) and a gote knight on 2b (rank 1).
    const SfenPosition s = sfenOf("4k4/7n1/2P6/9/9/9/9/9/4K4 b Gp 1");
    auto tester = std::make_unique<MateTester>();
    tester->testMate(s.pos.board, s.pos.hand[0], s.pos.hand[1]);
    const Position& turned = tester->position;
    EXPECT_TRUE(rotatePosition(turned) == s.pos);
    EXPECT_TRUE(tester->givenBoard == s.pos.board);
    // Gote's king on 5a becomes the defending side 0 king on 5i of the turned board.
    EXPECT_EQ(tester->kingSquare[0][0], rotateSquare(squareOf(0, 4)));
    EXPECT_EQ(tester->kingSquare[0][63], rotateSquare(squareOf(0, 4)));
    EXPECT_EQ(turned.board[rotateSquare(squareOf(2, 2))], OWNER_BIT | HU);  // now on rank 6
    EXPECT_EQ(turned.board[rotateSquare(squareOf(1, 7))], KEI);             // now on rank 7
    EXPECT_EQ(turned.hand[1][KIN], 1);
    EXPECT_EQ(turned.hand[0][HU], 1);
}

TEST(MateTester, AnswersMatesForTheSideToMove) {
    // Mate in one by a board move and by drops; the pawn drop counts here.
    EXPECT_TRUE(answers("8k/9/8G/9/9/9/9/9/4K3L b - 1"));
    EXPECT_TRUE(answers("4k4/9/4G4/9/9/9/9/9/4K4 b G 1"));
    EXPECT_TRUE(answers("3lkl3/3p1p3/9/9/1B7/9/9/9/4K4 b P 1"));
    EXPECT_FALSE(answers("3lkl3/3p1p3/9/9/1B7/9/9/9/4K4 b - 1"));
    // Gote's king already attacked.
    EXPECT_TRUE(answers("4k4/9/9/9/4R4/9/9/9/4K4 b - 1"));
    // Long mates up to 11 plies, and the positions without one.
    EXPECT_TRUE(answers("9/9/9/9/9/4k4/9/4P4/K2LLL3 b - 1"));
    EXPECT_TRUE(answers("3lk1l2/3p1pn2/9/9/1B7/9/9/9/4K4 b NP 1"));
    EXPECT_TRUE(answers("3lll2k/4p4/9/4K4/9/9/9/9/9 w - 1"));
    EXPECT_FALSE(answers("8k/9/r6SK/9/9/9/9/9/9 b - 1"));
    EXPECT_FALSE(answers(std::string(STARTPOS_SFEN).c_str()));
}

TEST(MateTester, NoDefendingKingMeansNoMate) {
    EXPECT_FALSE(answers("9/9/4G4/9/9/9/9/9/4K4 b G 1"));
}

TEST(MateTester, AgreesWithTheSolverOnWhetherAMateExists) {
    // Positions whose mate the solver offers (no pawn-drop mate in one involved).
    const char* positions[] = {
        "9/9/4k4/9/4P4/9/9/9/K2LLL3 b - 1",   "8k/9/7SK/9/9/9/9/9/9 b - 1",
        "3lkl3/3blg3/9/7B1/9/9/9/9/K8 b N 1", "K8/9/9/9/9/4R4/9/7p1/7gk b n 1",
        "K8/9/9/9/7n1/4R4/9/7p1/7gk b n 1",   "4k4/9/9/9/9/9/9/9/K2L1L3 b L 1",
        "9/9/9/9/9/4k4/9/4P4/K2LLL3 b - 1",   "9/9/9/9/9/4k4/9/4P4/K2LLL3 w - 1",
    };
    for (const char* p : positions) {
        auto solver = std::make_unique<MateSolver>();
        const bool solverFound = solveSideToMove(*solver, sfenOf(p)).found;
        EXPECT_EQ(answers(p), solverFound) << p;
    }
}

}  // namespace
}  // namespace kaz
