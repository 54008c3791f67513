#pragma once

// Moves generated straight from the piece rules, with no notion of check: enough to drive the
// incremental attack update through every kind of change. Independent of the engine's own
// generators on purpose.

#include <vector>

#include "engine/position/types.h"

namespace kaz::testing {

struct PseudoMove {
    int from;  // -1 for a drop
    int to;
    PieceCode piece;     // code on the origin, or the dropped code
    PieceCode newPiece;  // code placed on the target
    PieceCode captured;  // EMPTY when nothing is taken
};

// Side 0's offsets by kind (side 1 negates them): steps, then slides.
struct Rule {
    std::vector<int> steps;
    std::vector<int> slides;
};

inline const Rule& ruleFor(PieceCode code) {
    static const std::vector<int> gold{-17, -16, -15, -1, 1, 16};
    static const Rule rules[16] = {
        {{-16}, {}},
        {{}, {-16}},
        {{-33, -31}, {}},
        {{-17, -16, -15, 15, 17}, {}},
        {gold, {}},
        {{}, {-17, -15, 15, 17}},
        {{}, {-16, -1, 1, 16}},
        {{-17, -16, -15, -1, 1, 15, 16, 17}, {}},
        {gold, {}},
        {gold, {}},
        {gold, {}},
        {gold, {}},
        {{}, {}},
        {{-16, -1, 1, 16}, {-17, -15, 15, 17}},
        {{-17, -15, 15, 17}, {-16, -1, 1, 16}},
        {{}, {}},
    };
    return rules[code & 15];
}

inline bool onBoard(int sq) {
    return sq >= 0 && sq < 256 && (sq >> 4) >= 3 && (sq >> 4) <= 11 && (sq & 15) >= 3 &&
           (sq & 15) <= 11;
}

// Every board move (with and without promotion where allowed) and every drop of `side`, kings
// never captured.
inline std::vector<PseudoMove> pseudoMoves(const Position& pos, int side) {
    std::vector<PseudoMove> out;
    const int sign = side == 0 ? 1 : -1;
    auto addTarget = [&](int from, PieceCode a, int to) {
        const PieceCode x = pos.board[to];
        if (x != EMPTY && (x & 7) == GYOKU) return;
        out.push_back({from, to, a, a, x});
        const bool zone = side == 0 ? (to <= 96 || from <= 96) : (to >= 144 || from >= 144);
        if (zone && (a & PROMOTED_BIT) == 0 && (a & 7) != KIN && (a & 7) != GYOKU)
            out.push_back({from, to, a, static_cast<PieceCode>(a + 8), x});
    };
    for (int q = 0; q < 256; ++q) {
        const PieceCode a = pos.board[q];
        if (!onBoard(q) || a == EMPTY || ((a >> 4) & 1) != side) continue;
        const Rule& r = ruleFor(a);
        for (int o : r.steps) {
            const int t = q + sign * o;
            if (!onBoard(t)) continue;
            const PieceCode x = pos.board[t];
            if (x != EMPTY && ((x >> 4) & 1) == side) continue;
            addTarget(q, a, t);
        }
        for (int o : r.slides) {
            for (int t = q + sign * o; onBoard(t); t += sign * o) {
                const PieceCode x = pos.board[t];
                if (x != EMPTY && ((x >> 4) & 1) == side) break;
                addTarget(q, a, t);
                if (x != EMPTY) break;
            }
        }
    }
    for (int kind = 0; kind < 7; ++kind) {
        if (pos.hand[side][kind] == 0) continue;
        for (int q = 0; q < 256; ++q)
            if (onBoard(q) && pos.board[q] == EMPTY)
                out.push_back({-1, q, static_cast<PieceCode>(kind | (side << 4)),
                               static_cast<PieceCode>(kind | (side << 4)), EMPTY});
    }
    return out;
}

}  // namespace kaz::testing
