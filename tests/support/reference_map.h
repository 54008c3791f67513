#pragma once

// The attack map computed from scratch by the test, straight from the piece rules: the yardstick
// for both the full build and the incremental updates.

#include <cstdint>

#include "engine/position/types.h"
#include "tests/support/pseudo_moves.h"

namespace kaz::testing {

struct ReferenceMap {
    std::int32_t count[2][256] = {};
    std::int32_t rays[2][256] = {};
};

// Direction bit of a line offset: N W S E NW SW SE NE.
inline std::int32_t referenceBit(int o) {
    const int offsets[8] = {-16, -1, 16, 1, -17, 15, 17, -15};
    for (int i = 0; i < 8; ++i)
        if (offsets[i] == o) return 1 << i;
    return 0;
}

inline ReferenceMap referenceMap(const Board& b) {
    ReferenceMap m;
    for (int q = 0; q < 256; ++q) {
        if (!onBoard(q) || b[q] >= 0x80) continue;
        const int s = sideOf(b[q]);
        forTargets(b, q, [&](int t, int o) {
            m.count[s][t] += 1;
            m.rays[s][t] |= referenceBit(o);
        });
    }
    return m;
}

}  // namespace kaz::testing
