#include "engine/position/sfen.h"

#include <gtest/gtest.h>

#include "tests/support/data_lines.h"

namespace kaz {
namespace {

SfenPosition parsed(std::string_view text) {
    SfenPosition s{};
    const std::string err = parseSfen(text, s);
    EXPECT_EQ(err, "") << text;
    return s;
}

TEST(Sfen, InitialPositionLayout) {
    const SfenPosition s = parsed(STARTPOS_SFEN);
    EXPECT_EQ(s.sideToMove, 0);
    EXPECT_EQ(s.moveNumber, 1);
    // Side 1 on rank 0, side 0 on rank 8; side 0's rook at file index 7 (SFEN file 2).
    EXPECT_EQ(s.pos.board[squareOf(0, 4)], GYOKU | OWNER_BIT);
    EXPECT_EQ(s.pos.board[squareOf(7, 7)], HI);
    EXPECT_EQ(s.pos.board[squareOf(1, 7)], KAKU | OWNER_BIT);
    EXPECT_TRUE(s.pos == initialPosition());
    EXPECT_EQ(toSfen(parsed("startpos")), STARTPOS_SFEN);
}

TEST(Sfen, RoundTripsPromotedPiecesAndHands) {
    for (std::string_view text : {
             "8l/1l+R2P3/p2pBG1pp/kps1p4/Nn1P2G2/P1P1P2PP/1PS6/1KSG3+r1/LN2+p3L w Sbgn3p 124",
             "4k4/9/9/9/9/9/9/9/4K4 b 2R2B4G4S4N4L18P 1",
             "4k4/9/9/9/9/9/9/9/4K4 w 2r2b4g4s4n4l18p 200",
             "+l+n+s1k1+s+n+l/1+r5+b1/+p+p+p+p+p+p+p+p+p/9/9/9/9/9/4K4 b 2G 7",
         }) {
        const SfenPosition s = parsed(text);
        EXPECT_EQ(toSfen(s), text);
    }
    // Hands are normalised into R B G S N L P order and counts merged.
    EXPECT_EQ(toSfen(parsed("4k4/9/9/9/9/9/9/9/4K4 b PRP2b 3")), "4k4/9/9/9/9/9/9/9/4K4 b R2P2b 3");
    // The move number may be left out.
    EXPECT_EQ(parsed("4k4/9/9/9/9/9/9/9/4K4 b -").moveNumber, 1);
}

TEST(Sfen, RejectsMalformedInputAndLeavesOutputUntouched) {
    SfenPosition s = parsed(STARTPOS_SFEN);
    const SfenPosition before = s;
    for (const auto& f : testing::dataLines(KAZ_RULES_DATA "/bad_sfen.txt")) {
        const std::string& bad = f[0];
        EXPECT_NE(parseSfen(bad, s), "") << bad;
        EXPECT_TRUE(s.pos == before.pos && s.sideToMove == before.sideToMove) << bad;
    }
    EXPECT_NE(parseSfen("", s), "");
    EXPECT_NE(parseSfen(std::string(100000, '9'), s), "");
}

}  // namespace
}  // namespace kaz
