// Hand-checked boards that pin down the map's conventions (which bit names which line, what a
// threat sum scores); the random make/unmake test checks everything else against a reference.

#include "engine/position/attack_map.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "engine/position/sfen.h"

namespace kaz {
namespace {

std::unique_ptr<AttackMap> built(const std::vector<std::pair<int, int>>& pieces, Board& b) {
    b = emptyPosition().board;
    for (auto [sq, code] : pieces) b[sq] = static_cast<PieceCode>(code);
    auto am = std::make_unique<AttackMap>();
    am->buildAttackMap(b);
    return am;
}

TEST(AttackMap, BuildCountsStepsAndLinesToTheFrame) {
    Board b;
    const int centre = squareOf(4, 4);
    auto am = built({{centre, HI}}, b);
    for (int i = 0; i < 9; ++i)
        for (int sq : {squareOf(4, i), squareOf(i, 4)}) {
            if (sq == centre) continue;
            EXPECT_EQ(am->count[0][sq], 1) << sq;
            EXPECT_EQ(__builtin_popcount(am->rays[0][sq]), 1) << sq;
        }
    EXPECT_EQ(am->rays[0][squareOf(0, 4) - 16], RAY_N);
    EXPECT_EQ(am->rays[0][squareOf(8, 4) + 16], RAY_S);
    EXPECT_EQ(am->rays[0][squareOf(4, 0) - 1], RAY_W);
    EXPECT_EQ(am->rays[0][squareOf(4, 8) + 1], RAY_E);
    EXPECT_EQ(am->count[0][centre] + am->count[1][squareOf(0, 4)], 0);

    // A line ends on the first piece it meets: the lance's on the rook, the rook's runs on.
    am = built({{squareOf(8, 0), KYO}, {squareOf(6, 0), HI}}, b);
    EXPECT_EQ(am->count[0][squareOf(7, 0)], 2);
    EXPECT_EQ(am->rays[0][squareOf(6, 0)], RAY_N);
    EXPECT_EQ(am->rays[0][squareOf(0, 0)], RAY_N);
}

TEST(AttackMap, ThreatSumsOfAPieceJustPlaced) {
    constexpr int mark = 189;
    struct Case {
        std::vector<std::pair<int, int>> pieces;  // the first one is placed
        int mark;
        std::int32_t sum;
    };
    const int c = squareOf(4, 4);
    const Case cases[] = {
        {{{c - 16, HU | OWNER_BIT}, {c, GYOKU}}, mark, 0x1000},  // check, either side
        {{{c + 16, HU}, {c, GYOKU | OWNER_BIT}}, mark, 0x1000},
        {{{c + 16, HU}, {c, KIN | OWNER_BIT}}, mark, 0x100},  // cheaper piece on a dearer one
        {{{c + 16, HU}, {c, KIN | OWNER_BIT}, {c - 16, GIN | OWNER_BIT}}, mark, 0x110},  // defended
        {{{c + 16, HU}, {c, KIN | OWNER_BIT}, {c - 16, GIN | OWNER_BIT}}, c, 0x190},     // on mark
        {{{c, HI}, {c - 32, HI | OWNER_BIT}}, mark, 0xC0},  // not cheaper; other lines hit frame
        // An own piece ending a line scores 0x10 when the enemy attacks its square.
        {{{c, HI}, {c - 32, HI | OWNER_BIT}, {c - 2, GIN}, {c - 4, HI | OWNER_BIT}}, mark, 0xD0},
    };
    for (const Case& k : cases) {
        Board b;
        auto am = built(k.pieces, b);
        const int q = k.pieces[0].first;
        am->removeAttacks(0, b, q);
        EXPECT_EQ(am->addAttacks(0, k.mark, b, q), k.sum) << "case " << (&k - cases);
    }
}

}  // namespace
}  // namespace kaz
