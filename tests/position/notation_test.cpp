// SFEN and USI notation, and turning positions and moves round.

#include <gtest/gtest.h>

#include "engine/position/engine_move.h"
#include "engine/position/rotate.h"
#include "engine/position/sfen.h"
#include "engine/position/usi_notation.h"
#include "tests/support/data_lines.h"
#include "tests/support/sfen_of.h"

namespace kaz {
namespace {

using testing::sfenOf;

TEST(Sfen, InitialPositionLayout) {
    const SfenPosition s = sfenOf(STARTPOS_SFEN);
    EXPECT_EQ(s.sideToMove, 0);
    EXPECT_EQ(s.moveNumber, 1);
    // Side 1 on rank 0, side 0 on rank 8; side 0's rook at file index 7 (SFEN file 2).
    EXPECT_EQ(s.pos.board[squareOf(0, 4)], GYOKU | OWNER_BIT);
    EXPECT_EQ(s.pos.board[squareOf(7, 7)], HI);
    EXPECT_EQ(s.pos.board[squareOf(1, 7)], KAKU | OWNER_BIT);
    EXPECT_TRUE(s.pos == initialPosition());
}

TEST(Sfen, RoundTripsPromotedPiecesAndHands) {
    for (const auto& f : testing::dataLines(KAZ_RULES_DATA "/sfen_round_trip.txt"))
        EXPECT_EQ(toSfen(sfenOf(f[0])), f[1].empty() ? f[0] : f[1]);
}

TEST(Sfen, RejectsMalformedInputAndLeavesOutputUntouched) {
    SfenPosition s = sfenOf(STARTPOS_SFEN);
    const SfenPosition before = s;
    for (const auto& f : testing::dataLines(KAZ_RULES_DATA "/bad_sfen.txt")) {
        const std::string& bad = f[0];
        EXPECT_NE(parseSfen(bad, s), "") << bad;
        EXPECT_TRUE(s.pos == before.pos && s.sideToMove == before.sideToMove) << bad;
    }
    EXPECT_NE(parseSfen("", s), "");
    EXPECT_NE(parseSfen(std::string(100000, '9'), s), "");
}

TEST(Transform, RotationIsItsOwnInverseAndMapsStartToItself) {
    const SfenPosition s =
        sfenOf("8l/1l+R2P3/p2pBG1pp/kps1p4/Nn1P2G2/P1P1P2PP/1PS6/1KSG3+r1/LN2+p3L w Sbgn3p 124");
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
    const SfenPosition s = sfenOf("4k4/9/9/9/9/9/9/1B7/4K4 b P 1");
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

    // Rotating a move maps it to the same move on the rotated board, the captured piece too.
    const EngineMove p = boardMove(squareOf(7, 1), KAKU, squareOf(1, 7), UMA, KIN | OWNER_BIT);
    const EngineMove r = rotateMove(p);
    EXPECT_EQ(r, boardMove(squareOf(1, 7), KAKU | OWNER_BIT, squareOf(7, 1), UMA | OWNER_BIT, KIN));
    EXPECT_EQ(rotateMove(dropMove(HU, squareOf(4, 4))), dropMove(HU | OWNER_BIT, squareOf(4, 4)));
}

}  // namespace
}  // namespace kaz
