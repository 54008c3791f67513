#include "engine/position/attack_map.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "engine/position/make_move.h"
#include "engine/position/sfen.h"

namespace kaz {
namespace {

std::unique_ptr<AttackMap> built(const Board& b) {
    auto am = std::make_unique<AttackMap>();
    am->buildAttackMap(b);
    return am;
}

Position withPieces(std::initializer_list<std::pair<int, PieceCode>> pieces) {
    Position pos = emptyPosition();
    for (auto [sq, code] : pieces) pos.board[sq] = code;
    return pos;
}

TEST(Squares, NumberingAndFrame) {
    EXPECT_EQ(squareOf(0, 0), 51);
    EXPECT_EQ(squareOf(8, 8), 187);
    EXPECT_EQ(fileOf(187), 8);
    EXPECT_EQ(rankOf(187), 8);
    Position pos = emptyPosition();
    int playable = 0;
    for (int q = 0; q < 256; ++q) playable += pos.board[q] == EMPTY;
    EXPECT_EQ(playable, 81);
    // Every step or knight jump from a playable square stays in the array and walks meet the frame.
    for (int r = 0; r < 9; ++r)
        for (int f = 0; f < 9; ++f)
            for (int o : {-17, -16, -15, -1, 1, 15, 16, 17, -33, -31, 31, 33}) {
                const int t = squareOf(r, f) + o;
                ASSERT_GE(t, 0);
                ASSERT_LT(t, 256);
            }
    EXPECT_EQ(pos.board[squareOf(4, 8) + 1], OFF_BOARD);
    EXPECT_EQ(pos.board[squareOf(4, 0) - 1], OFF_BOARD);
}

TEST(BuildAttackMap, InitialPositionBishopIsHemmedIn) {
    Position pos = initialPosition();
    auto am = built(pos.board);
    const int kaku = squareOf(7, 1);
    ASSERT_EQ(pos.board[kaku], KAKU);
    const int nw = kaku - 17, ne = kaku - 15, sw = kaku + 15, se = kaku + 17;
    // (The lance's line also ends on the pawn at nw; only the diagonal bits are the bishop's.)
    EXPECT_EQ(am->rays[0][nw] & 0xF0, RAY_NW);
    EXPECT_EQ(am->rays[0][ne] & 0xF0, RAY_NE);
    EXPECT_EQ(am->rays[0][sw] & 0xF0, RAY_SW);
    EXPECT_EQ(am->rays[0][se] & 0xF0, RAY_SE);
    EXPECT_EQ(am->rays[0][kaku - 34] & RAY_NW, 0);
    EXPECT_EQ(am->rays[0][kaku - 30] & RAY_NE, 0);
    Position without = pos;
    without.board[kaku] = EMPTY;
    auto am2 = built(without.board);
    for (int sq : {nw, ne, sw, se}) EXPECT_EQ(am->count[0][sq] - am2->count[0][sq], 1) << sq;
}

TEST(BuildAttackMap, LoneRookCoversRankFileAndFirstFrameSquares) {
    const int q = squareOf(4, 4);
    Position pos = withPieces({{q, HI}});
    auto am = built(pos.board);
    for (int i = 0; i < 9; ++i) {
        for (int sq : {squareOf(4, i), squareOf(i, 4)}) {
            if (sq == q) continue;
            EXPECT_EQ(am->count[0][sq], 1) << sq;
            EXPECT_EQ(__builtin_popcount(am->rays[0][sq]), 1) << sq;
        }
    }
    EXPECT_EQ(am->rays[0][squareOf(0, 4) - 16], RAY_N);
    EXPECT_EQ(am->rays[0][squareOf(8, 4) + 16], RAY_S);
    EXPECT_EQ(am->rays[0][squareOf(4, 0) - 1], RAY_W);
    EXPECT_EQ(am->rays[0][squareOf(4, 8) + 1], RAY_E);
    EXPECT_EQ(am->count[0][q], 0);
    EXPECT_EQ(am->count[1][squareOf(0, 4)], 0);
}

TEST(BuildAttackMap, LinesAndStepsCombine) {
    // A side 1 lance on the last rank reaches only the frame below it.
    {
        const int q = squareOf(8, 3);
        Position pos = withPieces({{q, KYO | OWNER_BIT}});
        auto am = built(pos.board);
        EXPECT_EQ(am->count[1][q + 16], 1);
        EXPECT_EQ(am->rays[1][q + 16], RAY_S);
    }
    // Silver and bishop line on one square: two attacks, one diagonal bit.
    {
        const int t = squareOf(4, 4);
        Position pos = withPieces({{t + 17, GIN}, {squareOf(6, 2), KAKU}});
        auto am = built(pos.board);
        EXPECT_EQ(am->count[0][t], 2);
        EXPECT_EQ(am->rays[0][t], RAY_NE);
    }
    // Lance behind rook on one file: the lance's line ends on the rook, the rook's runs on; no
    // square gets the bit twice.
    {
        Position pos = withPieces({{squareOf(8, 0), KYO}, {squareOf(6, 0), HI}});
        auto am = built(pos.board);
        EXPECT_EQ(am->count[0][squareOf(7, 0)], 2);  // lance line and rook's backward line
        EXPECT_EQ(am->count[0][squareOf(6, 0)], 1);
        EXPECT_EQ(am->rays[0][squareOf(6, 0)], RAY_N);
        EXPECT_EQ(am->count[0][squareOf(5, 0)], 1);
        EXPECT_EQ(am->rays[0][squareOf(0, 0)], RAY_N);
    }
    // An empty board leaves everything zero.
    {
        Position pos = emptyPosition();
        auto am = built(pos.board);
        for (int s = 0; s < 2; ++s)
            for (int q = 0; q < 256; ++q) ASSERT_EQ(am->count[s][q] | am->rays[s][q], 0);
    }
}

TEST(AddAttacks, ThreatSums) {
    const int mark = 189;
    // A pawn in front of the enemy king gives check, for either side.
    {
        Position pos = withPieces({{squareOf(4, 4), GYOKU}, {squareOf(3, 4), HU | OWNER_BIT}});
        auto am = built(pos.board);
        am->removeAttacks(0, pos.board, squareOf(3, 4));
        EXPECT_GE(am->addAttacks(0, mark, pos.board, squareOf(3, 4)), 0x1000);
        Position p2 = withPieces({{squareOf(4, 4), GYOKU | OWNER_BIT}, {squareOf(5, 4), HU}});
        auto am2 = built(p2.board);
        am2->removeAttacks(0, p2.board, squareOf(5, 4));
        EXPECT_GE(am2->addAttacks(0, mark, p2.board, squareOf(5, 4)), 0x1000);
    }
    // Pawn on an undefended gold, defended gold, defended gold on the mark square.
    {
        const int hu = squareOf(5, 4), kin = squareOf(4, 4);
        Position pos = withPieces({{hu, HU}, {kin, KIN | OWNER_BIT}});
        auto am = built(pos.board);
        am->removeAttacks(1, pos.board, hu);
        EXPECT_EQ(am->addAttacks(1, mark, pos.board, hu), 0x100);
        pos.board[squareOf(3, 4)] = GIN | OWNER_BIT;  // defends the gold (side 1 silver steps +16)
        am = built(pos.board);
        am->removeAttacks(1, pos.board, hu);
        EXPECT_EQ(am->addAttacks(1, mark, pos.board, hu), 0x110);
        am->removeAttacks(1, pos.board, hu);
        EXPECT_EQ(am->addAttacks(1, kin, pos.board, hu), 0x190);
        EXPECT_EQ(am->ply, 1);
        EXPECT_EQ(am->markSquare, kin);
    }
    // Rook on an undefended rook: 0xC0; its other lines end on the frame (0), and the empty
    // squares along a line add nothing.
    {
        const int q = squareOf(4, 4);
        Position pos = withPieces({{q, HI}, {squareOf(2, 4), HI | OWNER_BIT}});
        auto am = built(pos.board);
        am->removeAttacks(0, pos.board, q);
        EXPECT_EQ(am->addAttacks(0, mark, pos.board, q), 0xC0);
        // An own piece ending a line scores 0x10 when the enemy attacks its square.
        pos.board[squareOf(4, 2)] = GIN;
        pos.board[squareOf(4, 0)] = HI | OWNER_BIT;
        am = built(pos.board);
        am->removeAttacks(0, pos.board, q);
        EXPECT_EQ(am->addAttacks(0, mark, pos.board, q), 0xC0 + 0x10);
    }
    // Empty square: returns 0 and writes only ply and markSquare.
    {
        Position pos = withPieces({{squareOf(4, 4), HI}});
        auto am = built(pos.board);
        auto before = std::make_unique<AttackMap>(*am);
        EXPECT_EQ(am->addAttacks(5, 77, pos.board, squareOf(0, 0)), 0);
        EXPECT_EQ(am->ply, 5);
        EXPECT_EQ(am->markSquare, 77);
        am->ply = before->ply;
        am->markSquare = before->markSquare;
        EXPECT_EQ(std::memcmp(am.get(), before.get(), sizeof(AttackMap)), 0);
    }
}

TEST(AddAttacks, PlyIndexMinusOneTouchesNothing) {
    Position pos = initialPosition();
    auto am = built(pos.board);
    am->ply = 3;
    am->markSquare = 99;
    auto before = std::make_unique<AttackMap>(*am);
    am->removeAttacks(-1, pos.board, squareOf(6, 4));
    EXPECT_EQ(am->addAttacks(-1, 120, pos.board, squareOf(6, 4)), 0);
    EXPECT_EQ(std::memcmp(am.get(), before.get(), sizeof(AttackMap)), 0);
}

TEST(AddAttacks, RemoveThenAddRestoresCountsAndSetsPlyRays) {
    Position pos = initialPosition();
    auto am = built(pos.board);
    auto before = std::make_unique<AttackMap>(*am);
    const int hi = squareOf(7, 7);
    am->removeAttacks(2, pos.board, hi);
    am->addAttacks(2, 189, pos.board, hi);
    EXPECT_EQ(std::memcmp(am->count, before->count, sizeof am->count), 0);
    EXPECT_EQ(std::memcmp(am->rays, before->rays, sizeof am->rays), 0);
    EXPECT_EQ(std::memcmp(am->plyCount, before->plyCount, sizeof am->plyCount), 0);
    EXPECT_EQ(am->plyRays[0][2][hi - 16], RAY_N);
    EXPECT_EQ(am->plyRays[0][2][hi - 1] & RAY_W, RAY_W);
}

TEST(IncrementalUpdate, OpeningAndClosingLines) {
    // A piece between an enemy rook and our king moves away: the rook line reaches the king.
    {
        const int king = squareOf(8, 4), blocker = squareOf(6, 4);
        Position pos =
            withPieces({{king, GYOKU}, {blocker, GIN}, {squareOf(2, 4), HI | OWNER_BIT}});
        auto am = built(pos.board);
        const int before = am->count[1][king];
        makeMove(pos, *am, 0, 189, blocker, blocker - 17, GIN, EMPTY);
        EXPECT_EQ(am->count[1][king], before + 1);
        EXPECT_TRUE(am->rays[1][king] & RAY_S);
    }
    // A silver that blocks a bishop line steps one further along the line, diagonally back.
    {
        const int kaku = squareOf(1, 1), gin = squareOf(3, 3);
        Position pos = withPieces({{kaku, KAKU | OWNER_BIT}, {gin, GIN}});
        auto am = built(pos.board);
        makeMove(pos, *am, 0, 189, gin, gin + 17, GIN, EMPTY);
        EXPECT_TRUE(am->rays[1][gin] & RAY_SE);
        EXPECT_TRUE(am->rays[1][gin + 17] & RAY_SE);
        EXPECT_FALSE(am->rays[1][gin + 34] & RAY_SE);
        EXPECT_EQ(am->count[1][gin + 34], 0);
    }
    // A rook captures the piece that blocked it: no line changes at the target.
    {
        const int hi = squareOf(6, 4), t = squareOf(2, 4);
        Position pos =
            withPieces({{hi, HI}, {t, KIN | OWNER_BIT}, {squareOf(2, 0), HI | OWNER_BIT}});
        auto am = built(pos.board);
        makeMove(pos, *am, 0, 189, hi, t, HI, KIN | OWNER_BIT);
        EXPECT_EQ(pos.hand[0][KIN], 1);
        EXPECT_TRUE(am->rays[1][t] & RAY_E);  // the enemy rook's line still ends on t
        EXPECT_FALSE(am->rays[1][t + 1] & RAY_E);
    }
    // A drop on a square crossed by lines of both sides cuts both; undoing restores both.
    {
        const int t = squareOf(4, 4);
        Position pos = withPieces({{squareOf(4, 0), HI}, {squareOf(0, 4), HI | OWNER_BIT}});
        pos.hand[0][KIN] = 1;
        auto am = built(pos.board);
        auto before = std::make_unique<AttackMap>(*am);
        makeDrop(pos, *am, 0, 189, t, KIN);
        EXPECT_FALSE(am->rays[0][t + 1] & RAY_E);
        EXPECT_FALSE(am->rays[1][t + 16] & RAY_S);
        unmakeDrop(pos, *am, 0, t, KIN);
        EXPECT_EQ(std::memcmp(am->count, before->count, sizeof am->count), 0);
        EXPECT_EQ(std::memcmp(am->rays, before->rays, sizeof am->rays), 0);
        EXPECT_EQ(pos.hand[0][KIN], 1);
    }
    // Opening a square no line reaches changes nothing.
    {
        Position pos = withPieces({{squareOf(4, 4), KIN}});
        auto am = built(pos.board);
        auto before = std::make_unique<AttackMap>(*am);
        am->openSquare(0, pos.board, squareOf(4, 4));
        EXPECT_EQ(std::memcmp(am.get(), before.get(), sizeof(AttackMap)), 0);
    }
}

TEST(IncrementalUpdate, CapturesGoToHandAsBaseKind) {
    Position pos = withPieces({{squareOf(4, 4), KIN},
                               {squareOf(3, 4), RYU | OWNER_BIT},
                               {squareOf(5, 4), TOKIN | OWNER_BIT}});
    auto am = built(pos.board);
    makeMove(pos, *am, 0, 189, squareOf(4, 4), squareOf(3, 4), KIN, RYU | OWNER_BIT);
    EXPECT_EQ(pos.hand[0][HI], 1);
    makeMove(pos, *am, 1, 189, squareOf(3, 4), squareOf(4, 4), KIN, EMPTY);
    makeMove(pos, *am, 2, 189, squareOf(4, 4), squareOf(5, 4), KIN, TOKIN | OWNER_BIT);
    EXPECT_EQ(pos.hand[0][HU], 1);
}

}  // namespace
}  // namespace kaz
