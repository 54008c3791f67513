#pragma once

#include <array>
#include <cstdint>

#include "engine/position/piece_moves.h"
#include "engine/position/types.h"

namespace kaz {

// Direction bits of sliding lines, named for the direction the line travels.
enum RayBit : std::int32_t {
    RAY_N = 0x01,
    RAY_W = 0x02,
    RAY_S = 0x04,
    RAY_E = 0x08,
    RAY_NW = 0x10,
    RAY_SW = 0x20,
    RAY_SE = 0x40,
    RAY_NE = 0x80,
};

constexpr std::int32_t rayBitOf(int offset) {
    switch (offset) {
        case -16:
            return RAY_N;
        case -1:
            return RAY_W;
        case 16:
            return RAY_S;
        case 1:
            return RAY_E;
        case -17:
            return RAY_NW;
        case 15:
            return RAY_SW;
        case 17:
            return RAY_SE;
        case -15:
            return RAY_NE;
        default:
            return 0;
    }
}

// Offsets by bit index 0..7 (RAY_N .. RAY_NE).
constexpr int RAY_OFFSETS[8] = {-16, -1, 16, 1, -17, 15, 17, -15};

constexpr int MAX_PLY = 32;

// Which per-ply planes an update writes, one bit per plane and side. A search reads plane p only
// at ply p + 1, and only the mover's side of it, so it can leave out the planes nobody reads; the
// count and rays planes are always kept exact.
enum PlyPlanes : int {
    PLY_COUNT0 = 1,
    PLY_COUNT1 = 2,
    PLY_RAYS0 = 4,
    PLY_RAYS1 = 8,
    ALL_PLY_PLANES = 15,
};

constexpr int plyCountOf(int side) { return PLY_COUNT0 << side; }
constexpr int plyRaysOf(int side) { return PLY_RAYS0 << side; }

// Terms of the threat sum that addAttacks returns for the piece just placed, one per target.
// THREAT_KING exceeds any sum of the others (at most eight targets of 0x110 plus one mark
// bonus), so a sum of at least THREAT_KING means check.
constexpr std::int32_t THREAT_KING = 0x1000;      // the enemy king is attacked
constexpr std::int32_t THREAT_BY_WEAKER = 0x100;  // an enemy piece of a higher kind is attacked
constexpr std::int32_t THREAT_PIECE = 0xC0;       // an enemy piece of the same or a lower kind
constexpr std::int32_t THREAT_MARKED = 0x80;      // the attacked piece stands on the mark square
constexpr std::int32_t THREAT_CONTESTED = 0x10;   // the enemy attacks the target too

// Per square and side: how many pieces attack it and which sliding lines reach it, with per-ply
// mirrors of every incremental change. Each search owns one and keeps it exact through every
// make and unmake.
struct AttackMap {
    std::int32_t count[2][256];
    std::int32_t rays[2][256];
    std::int32_t plyCount[2][MAX_PLY][256];
    std::int32_t plyRays[2][MAX_PLY][256];
    std::int32_t ply;
    std::int32_t markSquare;

    // Clears everything and recomputes count and rays for the board.
    void buildAttackMap(const Board& board);

    // Each update writes the ply-p planes named in Planes (PlyPlanes bits).
    // Takes the attacks of the piece on q out of the map (the piece is still on q).
    template <int Planes = ALL_PLY_PLANES>
    inline void removeAttacks(int p, const Board& board, int q);
    // Enters the attacks of the piece on q (already placed) and returns its threat sum.
    template <int Planes = ALL_PLY_PLANES>
    inline std::int32_t addAttacks(int p, int m, const Board& board, int q);
    // The same without the threat sum, for unmaking, where nobody reads it.
    template <int Planes = ALL_PLY_PLANES>
    inline void restoreAttacks(int p, const Board& board, int q);
    // q is, or is about to be, empty: lines reaching q run on beyond it.
    template <int Planes = ALL_PLY_PLANES>
    inline void openSquare(int p, const Board& board, int q);
    // q has just been occupied: lines reaching q stop there.
    template <int Planes = ALL_PLY_PLANES>
    inline void closeSquare(int p, const Board& board, int q);
    // What making and unmaking the drop standing on q would leave in the map, without making it:
    // count, rays and plyCount come back unchanged, but the bitwise ply-p ray planes keep a trace.
    // Taking the drop's own lines out clears their bits; opening q again sets the bits of every
    // line through q on the squares beyond it, last.
    template <int Planes = ALL_PLY_PLANES>
    inline void traceDropUnmade(int p, const Board& board, int q);
};

namespace attacks {

// The 32-entry dispatch on code & 0x1F: builds visitor V<side> and runs the kind's member.
// Codes that never stand on a board (and EMPTY / OFF_BOARD, filtered by callers) do nothing.
template <template <int> class V, class R, class... Args>
inline R dispatch(PieceCode code, Args... args) {
#define KAZ_CASE(c, s, k)       \
    case c: {                   \
        V<s> v{args...};        \
        visitMovement<s, k>(v); \
        return v.result();      \
    }
    if (code >= 0x80) return R{};  // EMPTY and OFF_BOARD hold no piece
    switch (code & 0x1F) {
        KAZ_CASE(0, 0, HU)
        KAZ_CASE(1, 0, KYO)
        KAZ_CASE(2, 0, KEI)
        KAZ_CASE(3, 0, GIN)
        KAZ_CASE(4, 0, KIN)
        KAZ_CASE(5, 0, KAKU)
        KAZ_CASE(6, 0, HI)
        KAZ_CASE(7, 0, GYOKU)
        KAZ_CASE(8, 0, KIN)
        KAZ_CASE(9, 0, KIN)
        KAZ_CASE(10, 0, KIN)
        KAZ_CASE(11, 0, KIN)
        KAZ_CASE(13, 0, UMA)
        KAZ_CASE(14, 0, RYU)
        KAZ_CASE(16, 1, HU)
        KAZ_CASE(17, 1, KYO)
        KAZ_CASE(18, 1, KEI)
        KAZ_CASE(19, 1, GIN)
        KAZ_CASE(20, 1, KIN)
        KAZ_CASE(21, 1, KAKU)
        KAZ_CASE(22, 1, HI)
        KAZ_CASE(23, 1, GYOKU)
        KAZ_CASE(24, 1, KIN)
        KAZ_CASE(25, 1, KIN)
        KAZ_CASE(26, 1, KIN)
        KAZ_CASE(27, 1, KIN)
        KAZ_CASE(29, 1, UMA)
        KAZ_CASE(30, 1, RYU)
        default:
            return R{};
    }
#undef KAZ_CASE
}

// What an update is given: the map, the board, the ply index and the square of the piece.
struct UpdateArgs {
    AttackMap* am;
    const Board* board;
    int p;
    int q;
};

// Removes one piece's attacks from the map and from the kept planes of ply p.
template <int Planes>
struct Removing {
    template <int S>
    struct Visitor : UpdateArgs {
        static constexpr bool kCount = (Planes & plyCountOf(S)) != 0;
        static constexpr bool kRays = (Planes & plyRaysOf(S)) != 0;

        [[gnu::always_inline]] void step(int o) {
            am->count[S][q + o] -= 1;
            if constexpr (kCount) am->plyCount[S][p][q + o] -= 1;
        }
        [[gnu::always_inline]] void line(int o) {
            const std::int32_t b = rayBitOf(o);
            int t = q;
            do {
                t += o;
                am->count[S][t] -= 1;
                am->rays[S][t] &= ~b;
                if constexpr (kCount) am->plyCount[S][p][t] -= 1;
                if constexpr (kRays) am->plyRays[S][p][t] &= ~b;
            } while ((*board)[t] == EMPTY);
        }
        int result() const { return 0; }
    };
};

// Enters one piece's attacks into the map and the kept planes of ply p; with SCORE it also sums
// the threat score of each target (addAttacks), without it only restores the map (unmake).
template <bool SCORE, int Planes>
struct Entering {
    template <int S>
    struct Visitor : UpdateArgs {
        std::int32_t sum = 0;

        static constexpr int E = 1 - S;
        static constexpr bool kCount = (Planes & plyCountOf(S)) != 0;
        static constexpr bool kRays = (Planes & plyRaysOf(S)) != 0;

        [[gnu::always_inline]] void count(int t) {
            am->count[S][t] += 1;
            if constexpr (kCount) am->plyCount[S][p][t] += 1;
        }
        // Counts the attack on t and scores what stands there for the threat sum.
        [[gnu::always_inline]] std::int32_t scoreTarget(int t) {
            am->count[S][t] += 1;
            if constexpr (kCount) am->plyCount[S][am->ply][t] += 1;
            const PieceCode v = (*board)[t];
            if (v == OFF_BOARD) return 0;
            if (v == KING_CODE[E]) return THREAT_KING;
            const std::int32_t d = am->count[E][t] > 0 ? THREAT_CONTESTED : 0;
            if (v == EMPTY || ownerOf(v) == S) return d;
            const int a = (*board)[q] & 7;
            return d + (t == am->markSquare ? THREAT_MARKED : 0) +
                   (a < (v & 7) ? THREAT_BY_WEAKER : THREAT_PIECE);
        }
        [[gnu::always_inline]] void target(int t) {
            if constexpr (SCORE)
                sum += scoreTarget(t);
            else
                count(t);
        }
        [[gnu::always_inline]] void step(int o) { target(q + o); }
        [[gnu::always_inline]] void line(int o) {
            const std::int32_t b = rayBitOf(o);
            int t = q + o;
            while ((*board)[t] == EMPTY) {
                count(t);
                am->rays[S][t] |= b;
                if constexpr (kRays) am->plyRays[S][p][t] |= b;
                t += o;
            }
            target(t);
            am->rays[S][t] |= b;
            if constexpr (kRays) am->plyRays[S][p][t] |= b;
        }
        std::int32_t result() const { return sum; }
    };
};

// Reads, changing nothing, whether the piece on q attacks an enemy piece (the king included).
// Without one, its threat sum from addAttacks is at most 8 * THREAT_CONTESTED = 0x80.
template <int S>
struct EnemyProbe {
    const Board* board;
    int q;
    bool found = false;

    [[gnu::always_inline]] void target(PieceCode v) { found |= v < EMPTY && ownerOf(v) != S; }
    [[gnu::always_inline]] void step(int o) { target((*board)[q + o]); }
    [[gnu::always_inline]] void line(int o) {
        int t = q + o;
        while ((*board)[t] == EMPTY) t += o;
        target((*board)[t]);
    }
    bool result() const { return found; }
};

inline bool attacksEnemyPiece(const Board& board, int q) {
    return dispatch<EnemyProbe, bool>(board[q], &board, q);
}

// Whether the threat sum addAttacks would return for code n placed on q reaches `limit`, worked
// out without changing anything: for a drop already standing on q, or for a board move onto the
// empty square q from `vacated`, provided that no enemy line reaches `vacated` (its lines would
// lengthen). Placing the piece only cuts the enemy lines through q, so a target on such a line
// loses that attack. Every term is positive, so the walk stops once the limit is reached.
template <int S>
struct ThreatProbe {
    const AttackMap* am;
    const Board* board;
    int q;
    int vacated;
    PieceCode n;
    int m;
    std::int32_t limit;
    std::int32_t sum = 0;

    static constexpr int E = 1 - S;

    [[gnu::always_inline]] PieceCode at(int t) const { return t == vacated ? EMPTY : (*board)[t]; }
    [[gnu::always_inline]] void target(int t, int o) {
        const PieceCode v = at(t);
        if (v == OFF_BOARD) return;
        if (v == KING_CODE[E]) {
            sum += THREAT_KING;
            return;
        }
        const int enemy = am->count[E][t] - ((am->rays[E][q] & rayBitOf(o)) != 0 ? 1 : 0);
        const std::int32_t d = enemy > 0 ? THREAT_CONTESTED : 0;
        if (v == EMPTY || ownerOf(v) == S) {
            sum += d;
            return;
        }
        sum += d + (t == m ? THREAT_MARKED : 0) +
               ((n & 7) < (v & 7) ? THREAT_BY_WEAKER : THREAT_PIECE);
    }
    [[gnu::always_inline]] void step(int o) {
        if (sum < limit) target(q + o, o);
    }
    [[gnu::always_inline]] void line(int o) {
        if (sum >= limit) return;
        int t = q + o;
        while (at(t) == EMPTY) t += o;
        target(t, o);
    }
    bool result() const { return sum >= limit; }
};

inline bool threatReaches(const AttackMap& am, const Board& board, int q, int vacated, PieceCode n,
                          int m, std::int32_t limit) {
    return dispatch<ThreatProbe, bool>(n, &am, &board, q, vacated, n, m, limit);
}

// The direction bit of the line from one square to another `delta` away, 0 when none joins them.
constexpr std::int32_t lineBitOf(int delta) {
    for (int i = 0; i < 8; ++i)
        for (int k = 1; k <= 8; ++k)
            if (delta == k * RAY_OFFSETS[i]) return 1 << i;
    return 0;
}

inline constexpr auto LINE_BITS = [] {
    std::array<std::uint8_t, 2 * 136 + 1> bits{};
    for (int d = -136; d <= 136; ++d) bits[d + 136] = static_cast<std::uint8_t>(lineBitOf(d));
    return bits;
}();

// Clears the piece's own line bits on ply plane p, as removeAttacks does; steps leave no trace.
template <int Planes>
struct LineTraceClearing {
    template <int S>
    struct Visitor : UpdateArgs {
        [[gnu::always_inline]] void step(int) {}
        [[gnu::always_inline]] void line(int o) {
            if constexpr ((Planes & plyRaysOf(S)) != 0) {
                const std::int32_t b = rayBitOf(o);
                int t = q;
                do {
                    t += o;
                    am->plyRays[S][p][t] &= ~b;
                } while ((*board)[t] == EMPTY);
            }
        }
        int result() const { return 0; }
    };
};

}  // namespace attacks

template <int Planes>
inline void AttackMap::removeAttacks(int p, const Board& board, int q) {
    if (p < 0) return;
    attacks::dispatch<attacks::Removing<Planes>::template Visitor, int>(board[q], this, &board, p,
                                                                        q);
}

template <int Planes>
inline std::int32_t AttackMap::addAttacks(int p, int m, const Board& board, int q) {
    if (p < 0) return 0;
    ply = p;
    markSquare = m;
    return attacks::dispatch<attacks::Entering<true, Planes>::template Visitor, std::int32_t>(
        board[q], this, &board, p, q);
}

template <int Planes>
inline void AttackMap::restoreAttacks(int p, const Board& board, int q) {
    if (p < 0) return;
    attacks::dispatch<attacks::Entering<false, Planes>::template Visitor, int>(board[q], this,
                                                                               &board, p, q);
}

namespace attacks {

// Calls f(t, bit) for each square t of the stretch beyond q, up to and including the next
// non-empty square, of every line of side S that reaches q; only the direction bits at q are read.
template <int S, class F>
[[gnu::always_inline]] inline void forLinesBeyond(const AttackMap& am, const Board& board, int q,
                                                  F&& f) {
    std::int32_t r = am.rays[S][q];
    while (r != 0) {
        const int i = __builtin_ctz(static_cast<unsigned>(r));
        const std::int32_t b = 1 << i;
        r &= r - 1;
        const int o = RAY_OFFSETS[i];
        int t = q;
        do {
            t += o;
            f(t, b);
        } while (board[t] == EMPTY);
    }
}

// Lengthens (Delta = +1) or shortens (Delta = -1) every line of side S that reaches q by the
// stretch beyond q up to and including the next non-empty square.
template <int Delta, int Planes, int S>
[[gnu::always_inline]] inline void moveSideLineEnds(AttackMap& am, int p, const Board& board,
                                                    int q) {
    constexpr bool kCount = (Planes & plyCountOf(S)) != 0;
    constexpr bool kRays = (Planes & plyRaysOf(S)) != 0;
    forLinesBeyond<S>(am, board, q, [&](int t, std::int32_t b) {
        am.count[S][t] += Delta;
        if constexpr (kCount) am.plyCount[S][p][t] += Delta;
        if constexpr (Delta > 0) {
            am.rays[S][t] |= b;
            if constexpr (kRays) am.plyRays[S][p][t] |= b;
        } else {
            am.rays[S][t] &= ~b;
            if constexpr (kRays) am.plyRays[S][p][t] &= ~b;
        }
    });
}

template <int Delta, int Planes>
inline void moveLineEnds(AttackMap& am, int p, const Board& board, int q) {
    moveSideLineEnds<Delta, Planes, 0>(am, p, board, q);
    moveSideLineEnds<Delta, Planes, 1>(am, p, board, q);
}

}  // namespace attacks

template <int Planes>
inline void AttackMap::openSquare(int p, const Board& board, int q) {
    attacks::moveLineEnds<1, Planes>(*this, p, board, q);
}

template <int Planes>
inline void AttackMap::closeSquare(int p, const Board& board, int q) {
    attacks::moveLineEnds<-1, Planes>(*this, p, board, q);
}

template <int Planes>
inline void AttackMap::traceDropUnmade(int p, const Board& board, int q) {
    if constexpr (Planes & (PLY_RAYS0 | PLY_RAYS1)) {
        attacks::dispatch<attacks::LineTraceClearing<Planes>::template Visitor, int>(board[q], this,
                                                                                     &board, p, q);
        auto trace = [&]<int S>() {
            if constexpr ((Planes & plyRaysOf(S)) != 0)
                attacks::forLinesBeyond<S>(*this, board, q,
                                           [&](int t, std::int32_t b) { plyRays[S][p][t] |= b; });
        };
        trace.template operator()<0>();
        trace.template operator()<1>();
    }
}

}  // namespace kaz
