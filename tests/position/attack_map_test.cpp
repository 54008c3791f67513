// Hand-worked threat sums of a piece just placed. The random make/unmake test checks counts and
// lines against a from-scratch reference, and these sums on every make.

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
