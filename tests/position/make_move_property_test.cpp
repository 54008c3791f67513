// Long random sequences of moves, captures, promotions and drops through make and unmake, with
// the attack map checked against a from-scratch computation at every step.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "engine/position/attack_map.h"
#include "engine/position/make_move.h"
#include "engine/position/piece_moves.h"
#include "engine/position/sfen.h"

namespace kaz {
namespace {

// Moves generated straight from the piece rules, with no notion of check: enough to drive the
// incremental attack update through every kind of change. Shares only the movement table (checked
// against another library's move counts) with the engine, none of its generators.
struct PseudoMove {
    int from;  // -1 for a drop
    int to;
    PieceCode piece;     // code on the origin, or the dropped code
    PieceCode newPiece;  // code placed on the target
    PieceCode captured;  // EMPTY when nothing is taken
};

int sideOf(PieceCode c) { return (c >> 4) & 1; }
bool isSidePiece(PieceCode c, int side) { return c < 0x80 && sideOf(c) == side; }

// Calls f(t, o) for every slot of the padded board the piece on q attacks, frame included: o is
// the line's offset, 0 for a step. Each line ends on the first square that is not empty.
template <class F>
void forTargets(const Board& b, int q, F&& f) {
    const int sign = sideOf(b[q]) == 0 ? 1 : -1;
    const Movement& m = movementOf<0>(b[q]);  // side 0's offsets; side 1 negates them
    for (int i = 0; i < m.stepCount; ++i) f(q + sign * m.steps[i], 0);
    for (int i = 0; i < m.slideCount; ++i) {
        int t = q;
        do {
            t += sign * m.slides[i];
            f(t, sign * m.slides[i]);
        } while (b[t] == EMPTY);
    }
}

// Every board move (with and without promotion where allowed) and every drop of `side`, kings
// never captured.
std::vector<PseudoMove> pseudoMoves(const Position& pos, int side) {
    std::vector<PseudoMove> out;
    for (int q = 0; q < 256; ++q) {
        const PieceCode a = pos.board[q];
        if (!isPlayable(q) || !isSidePiece(a, side)) continue;
        forTargets(pos.board, q, [&](int to, int) {
            const PieceCode x = pos.board[to];
            if (!isPlayable(to) || isSidePiece(x, side) || (x != EMPTY && (x & 7) == GYOKU)) return;
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
            if (isPlayable(q) && pos.board[q] == EMPTY) out.push_back({-1, q, d, d, EMPTY});
    }
    return out;
}

// The attack map computed from scratch, straight from the piece rules: the yardstick for both
// the full build and the incremental updates.
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
        if (!isPlayable(q) || b[q] >= 0x80) continue;
        const int s = sideOf(b[q]);
        forTargets(b, q, [&](int t, int o) {
            m.count[s][t] += 1;
            m.rays[s][t] |= referenceBit(o);
        });
    }
    return m;
}

// Expected threat sum of the piece on q, from the finished map (enemy counts are complete then).
std::int32_t expectedThreat(const Board& b, const AttackMap& am, int q, int mark) {
    const PieceCode a = b[q];
    const int s = sideOf(a), e = 1 - s;
    std::int32_t sum = 0;
    forTargets(b, q, [&](int t, int line) {
        const PieceCode v = b[t];
        if (v == OFF_BOARD || (line != 0 && v == EMPTY)) return;  // a line scores its end only
        if (v == pieceOf(e, GYOKU)) {
            sum += 0x1000;
            return;
        }
        sum += am.count[e][t] > 0 ? 0x10 : 0;
        if (v != EMPTY && sideOf(v) != s)
            sum += (t == mark ? 0x80 : 0) + ((a & 7) < (v & 7) ? 0x100 : 0xC0);
    });
    return sum;
}

void expectMatchesReference(const Position& pos, const AttackMap& am) {
    const auto ref = referenceMap(pos.board);
    for (int s = 0; s < 2; ++s)
        for (int q = 0; q < 256; ++q) {
            ASSERT_EQ(am.count[s][q], ref.count[s][q]) << "count side " << s << " sq " << q;
            ASSERT_EQ(am.rays[s][q], ref.rays[s][q]) << "rays side " << s << " sq " << q;
        }
}

// The position after m, written out independently of make: captures go to hand as base kind.
Position expectedAfter(Position pos, int side, const PseudoMove& m) {
    if (m.from < 0) pos.hand[side][m.piece & 7] -= 1;
    if (m.from >= 0) pos.board[m.from] = EMPTY;
    if (m.captured != EMPTY) pos.hand[side][m.captured & 7] += 1;
    pos.board[m.to] = m.newPiece;
    return pos;
}

// The initial position with pieces scattered into hands and promoted, so that long lines,
// promoted pieces and drops all occur early.
Position randomPosition(std::mt19937& rng) {
    Position pos = initialPosition();
    for (int q = 0; q < 256; ++q) {
        const PieceCode c = pos.board[q];
        if (c >= 0x80 || (c & 7) == GYOKU) continue;
        const int roll = static_cast<int>(rng() % 4);
        if (roll == 0) {
            pos.hand[rng() & 1][c & 7] += 1;
            pos.board[q] = EMPTY;
        } else if (roll == 1 && (c & 7) != KIN && (rng() % 3) == 0) {
            pos.board[q] = static_cast<PieceCode>(c | PROMOTED_BIT);
        }
    }
    return pos;
}

struct Frame {
    PseudoMove move;
    std::unique_ptr<AttackMap> before;
    Position posBefore;
};

void runSequence(unsigned seed, int steps) {
    std::mt19937 rng(seed);
    Position pos = seed % 4 == 0 ? initialPosition() : randomPosition(rng);
    auto am = std::make_unique<AttackMap>();
    std::memset(am.get(), 0x5A, sizeof *am);  // a build owes nothing to what was there
    am->buildAttackMap(pos.board);
    ASSERT_NO_FATAL_FAILURE(expectMatchesReference(pos, *am)) << "build";
    const auto* planes = reinterpret_cast<const char*>(am->plyCount);
    ASSERT_TRUE(std::all_of(planes, planes + sizeof am->plyCount + sizeof am->plyRays, [](char c) {
        return c == 0;
    })) << "ply planes left by the build";
    const auto built = std::make_unique<AttackMap>(*am);
    std::int32_t wasRays[2][256];
    std::vector<Frame> stack;
    int side = seed & 1;
    for (int step = 0; step < steps; ++step) {
        const int p = static_cast<int>(stack.size());
        std::memcpy(wasRays, am->rays, sizeof wasRays);
        int plane = p;
        if (p == MAX_PLY || (p > 0 && rng() % 5 < 2)) {
            plane = p - 1;
            Frame f = std::move(stack.back());
            stack.pop_back();
            const PseudoMove& m = f.move;
            if (m.from < 0)
                unmakeDrop(pos, *am, p - 1, m.to, m.piece);
            else
                unmakeMove(pos, *am, p - 1, m.from, m.piece, m.to, m.captured);
            ASSERT_TRUE(pos == f.posBefore) << "position not restored";
            // count, rays and the ply counts as before the make.
            ASSERT_EQ(std::memcmp(am.get(), f.before.get(), offsetof(AttackMap, plyRays)), 0);
        } else {
            const std::vector<PseudoMove> moves = pseudoMoves(pos, side);
            if (moves.empty()) {
                if (p == 0) return;
                continue;
            }
            const PseudoMove m = moves[rng() % moves.size()];
            const int mark = (rng() & 1) ? 189 : m.to + static_cast<int>(rng() % 3) * 16 - 16;
            Frame f{m, std::make_unique<AttackMap>(*am), pos};
            const std::int32_t threat =
                m.from < 0 ? makeDrop(pos, *am, p, mark, m.to, m.piece)
                           : makeMove(pos, *am, p, mark, m.from, m.to, m.newPiece, m.captured);
            ASSERT_TRUE(pos == expectedAfter(f.posBefore, side, m)) << "position after make";
            ASSERT_NO_FATAL_FAILURE(expectMatchesReference(pos, *am)) << "make";
            ASSERT_EQ(threat, expectedThreat(pos.board, *am, m.to, mark)) << "threat sum";
            ASSERT_EQ(am->ply, p);
            ASSERT_EQ(am->markSquare, mark);
            stack.push_back(std::move(f));
        }
        side ^= 1;
        // Every direction bit this make or unmake set or cleared is mirrored in its plane, and the
        // planes hold the net change since the build, spread over the ply indexes.
        for (int s = 0; s < 2; ++s)
            for (int q = 0; q < 256; ++q) {
                const std::int32_t was = wasRays[s][q], now = am->rays[s][q];
                const std::int32_t mirror = am->plyRays[s][plane][q];
                ASSERT_EQ(mirror & (now & ~was), now & ~was) << "set bits, plane " << plane;
                ASSERT_EQ(mirror & (was & ~now), 0) << "cleared bits, plane " << plane;
                std::int32_t net = 0;
                for (int i = 0; i < MAX_PLY; ++i) net += am->plyCount[s][i][q];
                ASSERT_EQ(net, am->count[s][q] - built->count[s][q]) << "plyCount net";
            }
    }
}

constexpr unsigned SEQUENCES = KAZ_SANITIZED ? 20 : 60;  // sanitized code runs slower

TEST(MakeUnmakeProperty, AttackMapStaysExactOverRandomSequences) {
    for (unsigned seed = 1; seed <= SEQUENCES; ++seed) {
        SCOPED_TRACE(seed);
        ASSERT_NO_FATAL_FAILURE(runSequence(seed, 600));
    }
}

}  // namespace
}  // namespace kaz
