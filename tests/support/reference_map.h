#pragma once

// The attack map computed from scratch by the test, straight from the piece rules: the yardstick
// for both the full build and the incremental updates.

#include <cstdint>
#include <cstring>

#include "engine/position/types.h"
#include "tests/support/pseudo_moves.h"

namespace kaz::testing {

struct ReferenceMap {
    std::int32_t count[2][256];
    std::int32_t rays[2][256];
};

inline std::int32_t referenceBit(int o) {
    switch (o) {
        case -16:
            return 0x01;
        case -1:
            return 0x02;
        case 16:
            return 0x04;
        case 1:
            return 0x08;
        case -17:
            return 0x10;
        case 15:
            return 0x20;
        case 17:
            return 0x40;
        default:
            return 0x80;  // -15
    }
}

inline ReferenceMap referenceMap(const Board& b) {
    ReferenceMap m;
    std::memset(&m, 0, sizeof m);
    for (int q = 0; q < 256; ++q) {
        const PieceCode a = b[q];
        if (!onBoard(q) || a >= 0x80) continue;
        const int s = (a >> 4) & 1;
        const int sign = s == 0 ? 1 : -1;
        const Rule& r = ruleFor(a);
        for (int o : r.steps) m.count[s][q + sign * o] += 1;
        for (int o : r.slides) {
            int t = q;
            do {
                t += sign * o;
                m.count[s][t] += 1;
                m.rays[s][t] |= referenceBit(sign * o);
            } while (b[t] == EMPTY);
        }
    }
    return m;
}

}  // namespace kaz::testing
