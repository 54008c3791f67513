#pragma once

#include <cstdint>

#include "engine/position/attack_map.h"
#include "engine/position/types.h"

namespace kaz {

// Material by full piece code, from side 0's point of view. The human's pieces are counted 10
// dearer than the computer's own; codes 12, 15, 28, 31 never stand on a board.
constexpr std::int32_t PIECE_VALUE[32] = {
    -110, -410, -610, -810, -1010, -1410, -1610, -300000,  //
    -411, -511, -611, -811, 0,     -1711, -1911, -300000,  //
    100,  400,  600,  800,  1000,  1400,  1600,  300000,   //
    401,  501,  601,  801,  0,     1701,  1901,  300000,   //
};

// A king captured at ply p: earlier captures are worth more.
constexpr std::int32_t kingTakenBySide1(int p) { return 5000 * p - 300000; }
constexpr std::int32_t kingTakenBySide0(int p) { return 300000 - 5000 * p; }

// Score set for a drop of kind k (0..6) by side S: a third of the piece's value is spent.
template <int S>
constexpr std::int32_t dropScore(int k) {
    return S == 1 ? -PIECE_VALUE[k] / 3 : PIECE_VALUE[k] / 3;
}

// Score set for a board move of `piece` by side S placing newPiece.
template <int S>
constexpr std::int32_t moveBaseScore(PieceCode piece, PieceCode newPiece) {
    if (newPiece != piece) {
        if ((piece & 15) == HU) return S == 1 ? -300 : 300;
        return S == 1 ? PIECE_VALUE[piece & 7] / 6 : -PIECE_VALUE[piece & 7] / 6;
    }
    if ((piece & 15) == KEI) return S == 1 ? 15 : -15;
    return 0;
}

// Control of the squares near both kings: side 0's attacks count for it, side 1's against it,
// weighted by closeness to each king. Single-precision arithmetic in a fixed order, truncated, so
// that every build gives the same number; 0 while fewer than 15 moves have been played.
std::int32_t kingSafety(const AttackMap& map, int king0, int king1, int gameMoveCount);

}  // namespace kaz
