// The tester answers for side 0 (uppercase, sente) of the position it is given, as the attacker.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "engine/mate/mate_tester.h"
#include "engine/mate/side_to_move.h"
#include "tests/mate/mate_support.h"

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
    const struct {
        std::string_view sfen;
        bool mate;
    } cases[] = {
        {"8k/9/8G/9/9/9/9/9/4K3L b - 1", true},  // mate in one by a board move
        {"4k4/9/4G4/9/9/9/9/9/4K4 b G 1", true},
        {"3lkl3/3p1p3/9/9/1B7/9/9/9/4K4 b P 1", true},  // a pawn-drop mate counts here
        {"3lkl3/3p1p3/9/9/1B7/9/9/9/4K4 b - 1", false},
        {"4k4/9/9/9/4R4/9/9/9/4K4 b - 1", true},     // gote's king already attacked
        {"9/9/9/9/9/4k4/9/4P4/K2LLL3 b - 1", true},  // 11 plies
        {"9/9/9/9/9/4k4/9/4P4/K2LLL3 w - 1", false},
        {"3lk1l2/3p1pn2/9/9/1B7/9/9/9/4K4 b NP 1", true},
        {"3lll2k/4p4/9/4K4/9/9/9/9/9 w - 1", true},
        {"K8/9/9/9/9/4R4/9/7p1/7gk b n 1", true},  // interposing only where attacked
        {"K8/9/9/9/7n1/4R4/9/7p1/7gk b n 1", false},
        {"8k/9/r6SK/9/9/9/9/9/9 b - 1", false},  // the mating check exposes sente's king
        {"9/9/4G4/9/9/9/9/9/4K4 b G 1", false},  // no defending king
        {STARTPOS_SFEN, false},
    };
    for (const auto& c : cases) {
        auto tester = std::make_unique<MateTester>();
        const SfenPosition s = sfenOf(std::string(c.sfen));
        const Position given = s.sideToMove == 1 ? rotatePosition(s.pos) : s.pos;
        EXPECT_EQ(tester->testMate(given), c.mate ? 1 : 0) << c.sfen;
        EXPECT_EQ(tester->mateFlag[0], c.mate ? 1 : 0) << c.sfen;
        EXPECT_TRUE(tester->position == rotatePosition(given)) << "position changed: " << c.sfen;
        EXPECT_TRUE(mapIsExact(tester->attackMap, tester->position.board)) << c.sfen;
    }
}

}  // namespace
}  // namespace kaz
