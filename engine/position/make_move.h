#pragma once

#include <cstdint>

#include "engine/position/attack_map.h"
#include "engine/position/types.h"

namespace kaz {

// Make and unmake of board moves, captures and drops, keeping the attack map exact. The order of
// board writes and map updates matters: lines are opened before the target is written and closed
// after the origin is cleared. p is the ply index, m the mark square for the threat sum, Planes
// the per-ply planes kept (PlyPlanes bits); without Score the threat sum is not worked out and
// the makes return 0.

// Moves the piece on f to t, placing n there (n = piece + 8 when promoting); x is what stood on t.
// Returns the threat sum of the piece placed on t.
template <int Planes = ALL_PLY_PLANES, bool Score = true>
inline std::int32_t makeMove(Position& pos, AttackMap& am, int p, int m, int f, int t, PieceCode n,
                             PieceCode x) {
    Board& b = pos.board;
    am.removeAttacks<Planes>(p, b, f);
    am.removeAttacks<Planes>(p, b, t);
    am.openSquare<Planes>(p, b, f);
    b[f] = EMPTY;
    b[t] = n;
    if (x == EMPTY) {
        am.closeSquare<Planes>(p, b, t);
    } else {
        pos.hand[ownerOf(n)][x & 7] += 1;
    }
    if constexpr (!Score) {
        am.restoreAttacks<Planes>(p, b, t);
        return 0;
    }
    return am.addAttacks<Planes>(p, m, b, t);
}

// Undoes makeMove: a is the code that stood on f, x the code that stood on t.
template <int Planes = ALL_PLY_PLANES>
inline void unmakeMove(Position& pos, AttackMap& am, int p, int f, PieceCode a, int t,
                       PieceCode x) {
    Board& b = pos.board;
    am.removeAttacks<Planes>(p, b, t);
    if (x == EMPTY) am.openSquare<Planes>(p, b, t);
    b[t] = x;
    b[f] = a;
    am.closeSquare<Planes>(p, b, f);
    am.restoreAttacks<Planes>(p, b, t);
    am.restoreAttacks<Planes>(p, b, f);
    if (x != EMPTY) pos.hand[ownerOf(a)][x & 7] -= 1;
}

// Drops code d from its owner's hand onto the empty square t; returns its threat sum.
template <int Planes = ALL_PLY_PLANES, bool Score = true>
inline std::int32_t makeDrop(Position& pos, AttackMap& am, int p, int m, int t, PieceCode d) {
    Board& b = pos.board;
    pos.hand[ownerOf(d)][d & 7] -= 1;
    b[t] = d;
    am.closeSquare<Planes>(p, b, t);
    if constexpr (!Score) {
        am.restoreAttacks<Planes>(p, b, t);
        return 0;
    }
    return am.addAttacks<Planes>(p, m, b, t);
}

template <int Planes = ALL_PLY_PLANES>
inline void unmakeDrop(Position& pos, AttackMap& am, int p, int t, PieceCode d) {
    Board& b = pos.board;
    am.removeAttacks<Planes>(p, b, t);
    am.openSquare<Planes>(p, b, t);
    b[t] = EMPTY;
    pos.hand[ownerOf(d)][d & 7] += 1;
}

}  // namespace kaz
