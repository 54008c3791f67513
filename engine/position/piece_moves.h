#pragma once

// How every piece moves, and where it may promote or stand: the one table and the walks over it
// that the attack map, both searches, the rules and the window's click targets share.

#include <cstddef>
#include <type_traits>
#include <utility>

#include "engine/position/types.h"

namespace kaz {

// A piece's single steps, then the directions it slides in.
struct Movement {
    int stepCount;
    int steps[8];
    int slideCount;
    int slides[4];
};

namespace movement {

constexpr Movement GOLD{6, {-17, -16, -15, -1, 1, 16}, 0, {}};

// Side 0's movement by code & 15 (forward = -16); codes 12 and 15 never stand on a board.
constexpr Movement SIDE0[16] = {
    {1, {-16}, 0, {}},                               // hu
    {0, {}, 1, {-16}},                               // kyo
    {2, {-33, -31}, 0, {}},                          // kei
    {5, {-17, -16, -15, 15, 17}, 0, {}},             // gin
    GOLD,                                            // kin
    {0, {}, 4, {-17, -15, 15, 17}},                  // kaku
    {0, {}, 4, {-16, -1, 1, 16}},                    // hi
    {8, {-17, -16, -15, -1, 1, 15, 16, 17}, 0, {}},  // gyoku
    GOLD,                                            // tokin
    GOLD,                                            // nkyo
    GOLD,                                            // nkei
    GOLD,                                            // ngin
    {0, {}, 0, {}},                                  // (none)
    {4, {-16, -1, 1, 16}, 4, {-17, -15, 15, 17}},    // uma
    {4, {-17, -15, 15, 17}, 4, {-16, -1, 1, 16}},    // ryu
    {0, {}, 0, {}},                                  // (none)
};

// The same step with the ranks mirrored and the file kept (-17 -> +15, -33 -> +31).
constexpr int mirrorRanks(int o) {
    const int file = ((o + 40) & 15) - 8;  // -2..2 for every offset above
    return -(o - file) + file;
}

constexpr Movement mirrored(const Movement& m) {
    Movement r = m;
    for (int i = 0; i < m.stepCount; ++i) r.steps[i] = mirrorRanks(m.steps[i]);
    for (int i = 0; i < m.slideCount; ++i) r.slides[i] = mirrorRanks(m.slides[i]);
    return r;
}

constexpr auto mirroredTable() {
    struct Table {
        Movement m[16];
    } t{};
    for (int c = 0; c < 16; ++c) t.m[c] = mirrored(SIDE0[c]);
    return t;
}

constexpr auto SIDE1 = mirroredTable();

}  // namespace movement

// Side S's movement by code & 15. Each list is in the order the searches try the moves (forward
// rows first, then sideways, then back; lower file first), which is part of their behaviour:
// side 1's lists mirror side 0's ranks and keep the files.
template <int S>
constexpr const Movement& movementOf(int code) {
    if constexpr (S == 0)
        return movement::SIDE0[code & 15];
    else
        return movement::SIDE1.m[code & 15];
}

// Uma and ryu move alike for both sides, and both searches try them in one absolute order, side
// 1's.
template <int S, int K>
constexpr const Movement& generationOrder() {
    return K == UMA || K == RYU ? movementOf<1>(K) : movementOf<S>(K);
}

// A square side S may move onto: empty or holding a piece of the other side (never the frame).
template <int S>
constexpr bool mayMoveOnto(PieceCode x) {
    return S == 1 ? (x & OWNER_BIT) == 0 : x != OFF_BOARD && (x & (EMPTY | OWNER_BIT)) != 0;
}

// Promotion zones as square thresholds: side 0's ranks 0..2 end before 0x60, side 1's ranks 6..8
// start at 0x90. Both lie in frame columns, so they are exact rank tests.
constexpr int ZONE0_END = 0x60;
constexpr int ZONE1_START = 0x90;

template <int S>
constexpr bool inZone(int square) {
    return S == 0 ? square < ZONE0_END : square >= ZONE1_START;
}
constexpr bool inZone(int side, int square) {
    return side == 0 ? inZone<0>(square) : inZone<1>(square);
}

// A board move may promote when the piece can and its origin or target lies in the mover's zone.
constexpr bool mayPromote(int side, PieceCode piece, int from, int to) {
    return canPromote(piece) && (inZone(side, from) || inZone(side, to));
}

// Ranks in front of a piece of `side` standing on `rank`: 0 on its last rank.
constexpr int ranksAhead(int side, int rank) { return side == 0 ? rank : 8 - rank; }

// An unpromoted pawn or lance on the last rank, or knight on the last two, could never move again,
// so it may not stand there: not by a drop, not by a move that leaves it unpromoted.
constexpr bool mayStand(PieceCode code, int side, int rank) {
    const int kind = code & 15;
    if (kind == HU || kind == KYO) return ranksAhead(side, rank) >= 1;
    if (kind == KEI) return ranksAhead(side, rank) >= 2;
    return true;
}

namespace movement {

// Each offset is a constant expression here, so that the visitor's code for it (a line's
// direction bit, say) folds away.
template <int S, int K, class V, std::size_t... I, std::size_t... J>
[[gnu::always_inline]] inline void visitUnrolled(V& v, std::index_sequence<I...>,
                                                 std::index_sequence<J...>) {
    (v.step(std::integral_constant<int, movementOf<S>(K).steps[I]>::value), ...);
    (v.line(std::integral_constant<int, movementOf<S>(K).slides[J]>::value), ...);
}

}  // namespace movement

// Calls v.step(offset) for each step and v.line(offset) for each slide of kind K of side S, as
// straight-line code.
template <int S, int K, class V>
[[gnu::always_inline]] inline void visitMovement(V& v) {
    constexpr int STEPS = movementOf<S>(K).stepCount;
    constexpr int SLIDES = movementOf<S>(K).slideCount;
    movement::visitUnrolled<S, K>(v, std::make_index_sequence<STEPS>{},
                                  std::make_index_sequence<SLIDES>{});
}

// Offers each board move of side S's piece `a` (kind K) on `from` in the searches' order:
// move(to, newPiece, x) for a piece other than the king, kingMove(to, x) for the king, each
// returning true to stop (the rest are not offered, and true is returned). Squares holding an own
// piece or the frame are never offered; a slide ends on the first square that is not empty.
// Steps offer every promoting move first, then every plain one; a slide offers each square
// promoted, then plain. A plain move that would leave the piece with no further move is not
// offered.
template <int S, int K, class Move, class KingMove>
[[gnu::always_inline]] inline bool forEachMoveOfKind(const Board& b, int from, PieceCode a,
                                                     Move& move, KingMove& kingMove) {
    constexpr const Movement& m = generationOrder<S, K>();
    constexpr bool PROMOTES = K == HU || K == KYO || K == KEI || K == GIN || K == KAKU || K == HI;
    constexpr bool MAY_DIE = K == HU || K == KYO || K == KEI;
    const PieceCode promoted = static_cast<PieceCode>(a + PROMOTED_BIT);
    const bool fromZone = inZone<S>(from);
    auto mayStay = [](int to) __attribute__((always_inline)) {
        return !MAY_DIE || mayStand(K, S, rankOf(to));
    };

    if constexpr (PROMOTES) {
        for (int i = 0; i < m.stepCount; ++i) {
            const int to = from + m.steps[i];
            const PieceCode x = b[to];
            if (mayMoveOnto<S>(x) && (fromZone || inZone<S>(to)) && move(to, promoted, x))
                return true;
        }
    }
    for (int i = 0; i < m.stepCount; ++i) {
        const int to = from + m.steps[i];
        const PieceCode x = b[to];
        if (!mayMoveOnto<S>(x) || !mayStay(to)) continue;
        if constexpr (K == GYOKU) {
            if (kingMove(to, x)) return true;
        } else {
            if (move(to, a, x)) return true;
        }
    }
    for (int i = 0; i < m.slideCount; ++i) {
        const int o = m.slides[i];
        for (int to = from + o;; to += o) {
            const PieceCode x = b[to];
            if (!mayMoveOnto<S>(x)) break;
            if (PROMOTES && (fromZone || inZone<S>(to)) && move(to, promoted, x)) return true;
            if (mayStay(to) && move(to, a, x)) return true;
            if (x != EMPTY) break;
        }
    }
    return false;
}

// forEachMoveOfKind for the piece on `from`, chosen by its code.
template <int S, class Move, class KingMove>
[[gnu::always_inline]] inline bool forEachBoardMove(const Board& b, int from, PieceCode a,
                                                    Move&& move, KingMove&& kingMove) {
    switch (a & 15) {
        case HU:
            return forEachMoveOfKind<S, HU>(b, from, a, move, kingMove);
        case KYO:
            return forEachMoveOfKind<S, KYO>(b, from, a, move, kingMove);
        case KEI:
            return forEachMoveOfKind<S, KEI>(b, from, a, move, kingMove);
        case GIN:
            return forEachMoveOfKind<S, GIN>(b, from, a, move, kingMove);
        case KIN:
        case TOKIN:
        case NKYO:
        case NKEI:
        case NGIN:
            return forEachMoveOfKind<S, KIN>(b, from, a, move, kingMove);
        case KAKU:
            return forEachMoveOfKind<S, KAKU>(b, from, a, move, kingMove);
        case HI:
            return forEachMoveOfKind<S, HI>(b, from, a, move, kingMove);
        case GYOKU:
            return forEachMoveOfKind<S, GYOKU>(b, from, a, move, kingMove);
        case UMA:
            return forEachMoveOfKind<S, UMA>(b, from, a, move, kingMove);
        case RYU:
            return forEachMoveOfKind<S, RYU>(b, from, a, move, kingMove);
        default:  // codes 12 and 15 never stand on a board
            return false;
    }
}

}  // namespace kaz
