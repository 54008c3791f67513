// Drives long random sequences of moves, captures, promotions and drops through the make and
// unmake protocols and checks the attack map against a from-scratch computation at every step.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "engine/position/attack_map.h"
#include "engine/position/make_move.h"
#include "engine/position/sfen.h"
#include "tests/support/pseudo_moves.h"
#include "tests/support/reference_map.h"

namespace kaz {
namespace {

using testing::PseudoMove;
using testing::pseudoMoves;
using testing::referenceMap;

// Expected threat sum of the piece on q, from the finished map (enemy counts are complete then).
std::int32_t expectedThreat(const Board& b, const AttackMap& am, int q, int mark) {
    const PieceCode a = b[q];
    const int s = (a >> 4) & 1, e = 1 - s, sign = s == 0 ? 1 : -1;
    auto score = [&](int t) -> std::int32_t {
        const PieceCode v = b[t];
        if (v == OFF_BOARD) return 0;
        if (v == (e == 1 ? 23 : 7)) return 0x1000;
        const std::int32_t d = am.count[e][t] > 0 ? 0x10 : 0;
        if (v == EMPTY || ((v >> 4) & 1) == s) return d;
        return d + (t == mark ? 0x80 : 0) + ((a & 7) < (v & 7) ? 0x100 : 0xC0);
    };
    std::int32_t sum = 0;
    const auto& r = testing::ruleFor(a);
    for (int o : r.steps) sum += score(q + sign * o);
    for (int o : r.slides) {
        int t = q + sign * o;
        while (b[t] == EMPTY) t += sign * o;
        sum += score(t);
    }
    return sum;
}

void expectMatchesReference(const Position& pos, const AttackMap& am, const char* when) {
    const auto ref = referenceMap(pos.board);
    for (int s = 0; s < 2; ++s)
        for (int q = 0; q < 256; ++q) {
            ASSERT_EQ(am.count[s][q], ref.count[s][q])
                << when << " count side " << s << " sq " << q;
            ASSERT_EQ(am.rays[s][q], ref.rays[s][q]) << when << " rays side " << s << " sq " << q;
        }
}

struct Frame {
    PseudoMove move;
    int mark;
    std::unique_ptr<AttackMap> before;
    Position posBefore;
};

Position randomPosition(std::mt19937& rng) {
    // Start from the initial position and scatter some pieces into hands and across the board so
    // that long lines, promoted pieces and drops all occur early.
    Position pos = initialPosition();
    std::uniform_int_distribution<int> coin(0, 3);
    for (int q = 0; q < 256; ++q) {
        const PieceCode c = pos.board[q];
        if (c >= 0x80 || (c & 7) == GYOKU) continue;
        const int roll = coin(rng);
        if (roll == 0) {
            pos.hand[rng() & 1][c & 7] += 1;
            pos.board[q] = EMPTY;
        } else if (roll == 1 && (c & 7) != KIN && (rng() % 3) == 0) {
            pos.board[q] = static_cast<PieceCode>(c | PROMOTED_BIT);
        }
    }
    return pos;
}

void runSequence(unsigned seed, int steps) {
    std::mt19937 rng(seed);
    Position pos = seed % 4 == 0 ? initialPosition() : randomPosition(rng);
    auto am = std::make_unique<AttackMap>();
    am->buildAttackMap(pos.board);
    expectMatchesReference(pos, *am, "build");
    auto built = std::make_unique<AttackMap>(*am);
    std::vector<Frame> stack;
    int side = seed & 1;
    for (int step = 0; step < steps; ++step) {
        const int depth = static_cast<int>(stack.size());
        const bool unmake = depth == MAX_PLY || (depth > 0 && rng() % 5 < 2);
        if (!unmake) {
            std::vector<PseudoMove> moves = pseudoMoves(pos, side);
            if (moves.empty()) {
                if (depth == 0) return;
                continue;
            }
            // Prefer captures and drops now and then so that hands churn.
            const PseudoMove m = moves[rng() % moves.size()];
            const int mark = (rng() & 1) ? 189 : m.to + (rng() % 3) * 16 - 16;
            Frame f{m, mark, std::make_unique<AttackMap>(*am), pos};
            const int p = depth;
            std::int32_t threat;
            if (m.from < 0) {
                threat = makeDrop(pos, *am, p, mark, m.to, m.piece);
            } else {
                threat = makeMove(pos, *am, p, mark, m.from, m.to, m.newPiece, m.captured);
            }
            ASSERT_NO_FATAL_FAILURE(expectMatchesReference(pos, *am, "make"));
            ASSERT_EQ(threat, expectedThreat(pos.board, *am, m.to, mark)) << "threat sum";
            ASSERT_EQ(am->ply, p);
            ASSERT_EQ(am->markSquare, mark);
            // Every direction bit this make set or cleared is mirrored in its plane.
            for (int s = 0; s < 2; ++s)
                for (int q = 0; q < 256; ++q) {
                    const std::int32_t was = f.before->rays[s][q], now = am->rays[s][q];
                    ASSERT_EQ(am->plyRays[s][p][q] & (now & ~was), now & ~was) << "set bits";
                    ASSERT_EQ(am->plyRays[s][p][q] & (was & ~now), 0) << "cleared bits";
                }
            stack.push_back(std::move(f));
            side ^= 1;
        } else {
            Frame f = std::move(stack.back());
            stack.pop_back();
            const int p = static_cast<int>(stack.size());
            const PseudoMove& m = f.move;
            if (m.from < 0) {
                unmakeDrop(pos, *am, p, m.to, m.piece);
            } else {
                unmakeMove(pos, *am, p, m.from, m.piece, m.to, m.captured);
            }
            ASSERT_TRUE(pos == f.posBefore) << "position not restored";
            ASSERT_EQ(std::memcmp(am->count, f.before->count, sizeof am->count), 0);
            ASSERT_EQ(std::memcmp(am->rays, f.before->rays, sizeof am->rays), 0);
            ASSERT_EQ(std::memcmp(am->plyCount, f.before->plyCount, sizeof am->plyCount), 0);
            side ^= 1;
        }
        // The planes hold the net change since the build, spread over the ply indexes.
        for (int s = 0; s < 2; ++s)
            for (int q = 0; q < 256; ++q) {
                std::int32_t net = 0;
                for (int p = 0; p < MAX_PLY; ++p) net += am->plyCount[s][p][q];
                ASSERT_EQ(net, am->count[s][q] - built->count[s][q]) << "plyCount net";
            }
    }
}

TEST(MakeUnmakeProperty, AttackMapStaysExactOverRandomSequences) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        ASSERT_NO_FATAL_FAILURE(runSequence(seed, 600));
    }
}

// The search settles some drops without making them: the map must end up exactly as after
// making and unmaking the drop, and the enemy-piece probe must bound the threat sum.
TEST(MakeUnmakeProperty, DropTraceAndProbeMatchMakingTheDrop) {
    std::mt19937 rng(777);
    auto am = std::make_unique<AttackMap>();
    auto made = std::make_unique<AttackMap>();
    auto traced = std::make_unique<AttackMap>();
    int probed = 0, attacking = 0;
    for (int i = 0; i < 40; ++i) {
        Position pos = randomPosition(rng);
        am->buildAttackMap(pos.board);
        // A few moves first, so that the ply planes below hold lines of their own.
        int p = 0, side = i & 1;
        for (; p < 4; ++p, side ^= 1) {
            const std::vector<PseudoMove> moves = pseudoMoves(pos, side);
            if (moves.empty()) break;
            const PseudoMove& m = moves[rng() % moves.size()];
            if (m.from < 0)
                makeDrop(pos, *am, p, m.to, m.to, m.piece);
            else
                makeMove(pos, *am, p, m.to, m.from, m.to, m.newPiece, m.captured);
        }
        // Earlier moves at this ply leave bits in its ray planes: any bits will do.
        for (int s = 0; s < 2; ++s)
            for (int t = 0; t < 256; ++t)
                am->plyRays[s][p][t] = static_cast<std::int32_t>(rng() & 0xFF);
        for (int k = 0; k < 60; ++k) {
            const int q = squareOf(static_cast<int>(rng() % 9), static_cast<int>(rng() % 9));
            if (pos.board[q] != EMPTY) continue;
            const PieceCode d = pieceOf(static_cast<int>(rng() & 1), static_cast<int>(rng() % 7));
            Position withDrop = pos;
            withDrop.hand[ownerOf(d)][d & 7] += 1;
            *made = *am;
            const std::int32_t sum = makeDrop(withDrop, *made, p, q, q, d);
            const bool enemy = attacks::attacksEnemyPiece(withDrop.board, q);
            unmakeDrop(withDrop, *made, p, q, d);
            *traced = *am;
            Board board = pos.board;
            board[q] = d;
            traced->traceDropUnmade(p, board, q);
            ASSERT_EQ(std::memcmp(made->count, traced->count, sizeof made->count), 0);
            ASSERT_EQ(std::memcmp(made->rays, traced->rays, sizeof made->rays), 0);
            ASSERT_EQ(std::memcmp(made->plyCount, traced->plyCount, sizeof made->plyCount), 0);
            ASSERT_EQ(std::memcmp(made->plyRays, traced->plyRays, sizeof made->plyRays), 0)
                << "drop " << int(d) << " on " << q << " at ply " << p;
            if (enemy)
                ASSERT_GE(sum, 0xC0);
            else
                ASSERT_LE(sum, 0x80);
            ++probed;
            attacking += enemy;
        }
    }
    EXPECT_GT(attacking, 0);
    EXPECT_GT(probed - attacking, 0);
}

TEST(MakeUnmakeProperty, BuildMatchesReferenceOnRandomPositions) {
    std::mt19937 rng(12345);
    auto am = std::make_unique<AttackMap>();
    for (int i = 0; i < 200; ++i) {
        Position pos = randomPosition(rng);
        am->buildAttackMap(pos.board);
        ASSERT_NO_FATAL_FAILURE(expectMatchesReference(pos, *am, "build"));
    }
}

}  // namespace
}  // namespace kaz
