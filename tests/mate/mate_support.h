#pragma once

// Helpers shared by the mate tests: parsing a position and checking that a search left its
// position and attack map as it found them.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "engine/position/attack_map.h"
#include "engine/position/rotate.h"
#include "engine/position/sfen.h"
#include "tests/support/sfen_of.h"

namespace kaz::testing {

// The position turned so that the side to move is side 1 (the solver's attacker).
inline Position attackerIsSide1(const SfenPosition& s) {
    return s.sideToMove == 0 ? rotatePosition(s.pos) : s.pos;
}

// count and rays equal a fresh build for the board.
inline ::testing::AssertionResult mapIsExact(const AttackMap& am, const Board& board) {
    auto fresh = std::make_unique<AttackMap>();
    fresh->buildAttackMap(board);
    if (std::memcmp(am.count, fresh->count, sizeof am.count) != 0)
        return ::testing::AssertionFailure() << "count differs from a fresh build";
    if (std::memcmp(am.rays, fresh->rays, sizeof am.rays) != 0)
        return ::testing::AssertionFailure() << "rays differ from a fresh build";
    return ::testing::AssertionSuccess();
}

}  // namespace kaz::testing
