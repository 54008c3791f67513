#include "engine/position/engine_move.h"
#include "engine/position/rotate.h"
#include "engine/position/usi_notation.h"

#include <gtest/gtest.h>

namespace kaz {
namespace {

TEST(Transform, RotationIsItsOwnInverseAndMapsStartToItself) {
    SfenPosition s{};
    ASSERT_EQ(
        parseSfen("8l/1l+R2P3/p2pBG1pp/kps1p4/Nn1P2G2/P1P1P2PP/1PS6/1KSG3+r1/LN2+p3L w Sbgn3p 124",
                  s),
        "");
    EXPECT_TRUE(rotatePosition(rotatePosition(s.pos)) == s.pos);
    const SfenPosition r = rotateSfen(s);
    EXPECT_EQ(r.sideToMove, 0);
    EXPECT_EQ(r.pos.hand[0][GIN], 0);
    EXPECT_EQ(r.pos.hand[1][GIN], 1);
    EXPECT_EQ(r.pos.board[squareOf(8, 0)], KYO);  // side 1's lance on (0, 8) turned round
    EXPECT_TRUE(rotatePosition(initialPosition()) == initialPosition());
}

TEST(Transform, UsiNotationRoundTrip) {
    Position pos = initialPosition();
    EngineMove m{};
    ASSERT_EQ(parseUsiMove("7g7f", pos, 0, m), "");
    EXPECT_EQ(m, boardMove(squareOf(6, 2), HU, squareOf(5, 2), HU, EMPTY));
    EXPECT_EQ(toUsi(m), "7g7f");

    // Promotion into the zone, drop, and the errors.
    SfenPosition s{};
    ASSERT_EQ(parseSfen("4k4/9/9/9/9/9/9/1B7/4K4 b P 1", s), "");
    ASSERT_EQ(parseUsiMove("8h2b+", s.pos, 0, m), "");
    EXPECT_EQ(m.newPiece, UMA);
    EXPECT_EQ(toUsi(m), "8h2b+");
    ASSERT_EQ(parseUsiMove("P*5e", s.pos, 0, m), "");
    EXPECT_EQ(m, dropMove(HU, squareOf(4, 4)));
    EXPECT_EQ(toUsi(m), "P*5e");
    const EngineMove keep = m;
    for (std::string_view bad :
         {"8h7g+", "P*5a", "G*5e", "5a5b", "9i9h", "1j1a", "8h2b=", "", "P*5"})
        EXPECT_NE(parseUsiMove(bad, s.pos, 0, m), "") << bad;
    EXPECT_EQ(m, keep);

    // Rotating a move maps it to the same move on the rotated board.
    const EngineMove p = boardMove(squareOf(7, 1), KAKU, squareOf(1, 7), UMA, EMPTY);
    const EngineMove r = rotateMove(p);
    EXPECT_EQ(r,
              boardMove(squareOf(1, 7), KAKU | OWNER_BIT, squareOf(7, 1), UMA | OWNER_BIT, EMPTY));
    EXPECT_EQ(rotateMove(dropMove(HU, squareOf(4, 4))), dropMove(HU | OWNER_BIT, squareOf(4, 4)));
}

}  // namespace
}  // namespace kaz
