// The tester answers for side 0 (uppercase, sente) of the position it is given, as the attacker.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/mate/mate_tester.h"
#include "engine/mate/side_to_move.h"
#include "tests/mate/mate_support.h"
#include "tests/support/data_lines.h"

namespace kaz {
namespace {

using testing::mapIsExact;
using testing::sfenOf;

TEST(MateTester, TurnsTheGivenPositionAndBackAgain) {
    const SfenPosition s = sfenOf("4k4/7n1/2P6/9/9/9/9/9/4K4 b Gp 1");
    auto tester = std::make_unique<MateTester>();
    tester->testMate(s.pos.board, s.pos.hand[0], s.pos.hand[1]);
    const Position& turned = tester->position;
    EXPECT_TRUE(rotatePosition(turned) == s.pos);
    EXPECT_TRUE(tester->givenBoard == s.pos.board);
    // Gote's king on 5a becomes the defending side 0 king on 5i of the turned board.
    EXPECT_EQ(tester->kingSquare[0][0], rotateSquare(squareOf(0, 4)));
    EXPECT_EQ(tester->kingSquare[0][63], rotateSquare(squareOf(0, 4)));
    EXPECT_EQ(turned.board[rotateSquare(squareOf(2, 2))], OWNER_BIT | HU);
    EXPECT_EQ(turned.hand[1][KIN], 1);
    EXPECT_EQ(turned.hand[0][HU], 1);
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
