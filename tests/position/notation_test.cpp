// SFEN and USI notation, and turning moves round. The layout of the start position and turning
// positions round are checked by the move counts, the mate problems and the bench, which use them.

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
