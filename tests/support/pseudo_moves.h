#pragma once

// Moves generated straight from the piece rules, with no notion of check: enough to drive the
// incremental attack update through every kind of change. Shares only the movement table (checked
// against another library's move counts) with the engine, none of its generators.

#include <span>
#include <vector>

#include "engine/position/piece_moves.h"

namespace kaz::testing {

struct PseudoMove {
    int from;  // -1 for a drop
    int to;
    PieceCode piece;     // code on the origin, or the dropped code
    PieceCode newPiece;  // code placed on the target
    PieceCode captured;  // EMPTY when nothing is taken
};

// Side 0's step and slide offsets of a piece (side 1 negates them).
inline std::span<const int> stepsOf(PieceCode c) {
    const Movement& m = movementOf<0>(c);
    return {m.steps, static_cast<std::size_t>(m.stepCount)};
}
inline std::span<const int> slidesOf(PieceCode c) {
    const Movement& m = movementOf<0>(c);
    return {m.slides, static_cast<std::size_t>(m.slideCount)};
}

inline bool onBoard(int sq) { return isPlayable(sq); }
inline int sideOf(PieceCode c) { return (c >> 4) & 1; }
inline bool isSidePiece(PieceCode c, int side) { return c < 0x80 && sideOf(c) == side; }

// Calls f(t, o) for every slot of the padded board the piece on q attacks, frame included: o is
// the line's offset, 0 for a step. Each line ends on the first square that is not empty.
template <class F>
void forTargets(const Board& b, int q, F&& f) {
    const int sign = sideOf(b[q]) == 0 ? 1 : -1;
    for (int o : stepsOf(b[q])) f(q + sign * o, 0);
    for (int o : slidesOf(b[q])) {
        int t = q;
        do {
            t += sign * o;
            f(t, sign * o);
        } while (b[t] == EMPTY);
    }
}

// Every board move (with and without promotion where allowed) and every drop of `side`, kings
// never captured.
inline std::vector<PseudoMove> pseudoMoves(const Position& pos, int side) {
    std::vector<PseudoMove> out;
    for (int q = 0; q < 256; ++q) {
        const PieceCode a = pos.board[q];
        if (!onBoard(q) || !isSidePiece(a, side)) continue;
        forTargets(pos.board, q, [&](int to, int) {
            const PieceCode x = pos.board[to];
            if (!onBoard(to) || isSidePiece(x, side) || (x != EMPTY && (x & 7) == GYOKU)) return;
            out.push_back({q, to, a, a, x});
            const bool zone = side == 0 ? (to <= 96 || q <= 96) : (to >= 144 || q >= 144);
            if (zone && (a & PROMOTED_BIT) == 0 && (a & 7) != KIN && (a & 7) != GYOKU)
                out.push_back({q, to, a, static_cast<PieceCode>(a + 8), x});
        });
    }
    for (int kind = 0; kind < 7; ++kind) {
        if (pos.hand[side][kind] == 0) continue;
        const PieceCode d = static_cast<PieceCode>(kind | (side << 4));
        for (int q = 0; q < 256; ++q)
            if (onBoard(q) && pos.board[q] == EMPTY) out.push_back({-1, q, d, d, EMPTY});
    }
    return out;
}

}  // namespace kaz::testing
