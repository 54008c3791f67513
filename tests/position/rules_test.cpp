// Rules: move counts checked against tsshogi (tools/rules_reference produced the expected numbers;
// data/random_games.txt is "node reference.mjs games 7 4 150"), and bad input.

#include "engine/position/rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "engine/position/engine_move.h"
#include "engine/position/rotate.h"
#include "engine/position/sfen.h"
#include "engine/position/usi_notation.h"
#include "tests/support/data_lines.h"
#include "tests/support/sfen_of.h"

namespace kaz {
namespace {

using testing::sfenOf;

std::vector<std::string> usiMoves(const SfenPosition& s) {
    std::vector<std::string> out;
    for (const EngineMove& m : legalMoves(s.pos, s.sideToMove)) out.push_back(toUsi(m));
    std::sort(out.begin(), out.end());
    return out;
}

std::uint64_t perft(const Position& pos, int side, int depth) {
    const std::vector<EngineMove> moves = legalMoves(pos, side);
    if (depth == 1) return moves.size();
    std::uint64_t n = 0;
    for (const EngineMove& m : moves) {
        Position next = pos;
        applyMove(next, side, m);
        n += perft(next, 1 - side, depth - 1);
    }
    return n;
}

// Every move anyone could write: all origin/target pairs, promoted or not whatever the piece,
// with the true and a false captured code, and every drop on every square.
std::vector<EngineMove> everyCandidate(const Position& pos, int side) {
    std::vector<EngineMove> out;
    for (int from = 0; from < 256; ++from) {
        const PieceCode a = pos.board[from];
        if (!isPlayable(from) || a == EMPTY || ownerOf(a) != side) continue;
        for (int to = 0; to < 256; ++to) {
            if (!isPlayable(to) || to == from) continue;
            const PieceCode x = pos.board[to];
            out.push_back(boardMove(from, a, to, a, x));
            out.push_back(boardMove(from, a, to, a, x == EMPTY ? pieceOf(1 - side, HU) : EMPTY));
            if (!(a & PROMOTED_BIT))
                out.push_back(boardMove(from, a, to, static_cast<PieceCode>(a + PROMOTED_BIT), x));
        }
    }
    for (int kind = HU; kind <= HI; ++kind)
        for (int to = 0; to < 256; ++to)
            if (isPlayable(to) && pos.hand[side][kind] > 0)
                out.push_back(dropMove(pieceOf(side, kind), to));
    return out;
}

TEST(Rules, PerftMatchesReferenceLibrary) {
    for (const auto& f : testing::dataLines(KAZ_RULES_DATA "/perft.txt")) {
        const SfenPosition s = sfenOf(f[0]);
        // The rules know no colour: the turned position, other side to move, counts the same.
        const SfenPosition r = rotateSfen(s);
        std::istringstream counts(f[1]);
        std::uint64_t nodes = 0;
        for (int depth = 1; counts >> nodes; ++depth) {
            if (nodes == 0) continue;
            EXPECT_EQ(perft(s.pos, s.sideToMove, depth), nodes) << f[0] << " " << depth;
            EXPECT_TRUE(depth > 2 || perft(r.pos, r.sideToMove, depth) == nodes)
                << f[0] << " turned";
        }
    }
}

// FNV-1a over the sorted USI strings, each followed by a space, as the reference script computes.
std::uint32_t fnv(const std::vector<std::string>& moves) {
    std::uint32_t h = 0x811c9dc5u;
    for (const std::string& m : moves)
        for (char c : m + " ") {
            h ^= static_cast<unsigned char>(c);
            h *= 0x01000193u;
        }
    return h;
}

// Positions along random games, each with the reference library's move count and a hash of its
// sorted move list; every tenth position is also searched for any notation isLegal disagrees on.
TEST(Rules, RandomGamesMatchReferenceLibrary) {
    int positions = 0, checks = 0, drops = 0;
    for (const auto& f : testing::dataLines(KAZ_RULES_DATA "/random_games.txt")) {
        const SfenPosition s = sfenOf(f[0]);
        const std::vector<std::string> moves = usiMoves(s);
        ASSERT_EQ(moves.size(), std::stoul(f[1])) << f[0];
        ASSERT_EQ(fnv(moves), std::stoul(f[2])) << f[0];
        checks += inCheck(s.pos, s.sideToMove);
        drops += std::count_if(moves.begin(), moves.end(),
                               [](const std::string& m) { return m[1] == '*'; }) > 0;
        if (positions++ % 10 == 0) {
            const std::vector<EngineMove> legal = legalMoves(s.pos, s.sideToMove);
            for (const EngineMove& m : everyCandidate(s.pos, s.sideToMove)) {
                const bool listed = std::find(legal.begin(), legal.end(), m) != legal.end();
                ASSERT_EQ(isLegal(s.pos, s.sideToMove, m), listed) << f[0] << " " << toUsi(m);
            }
        }
    }
    EXPECT_EQ(positions, 600);
    // The data must exercise checks and drops, or it proves little.
    EXPECT_GT(checks, 10);
    EXPECT_GT(drops, 100);
}

TEST(Rules, PawnDropMatePinsAndMate) {
    for (const auto& f : testing::dataLines(KAZ_RULES_DATA "/traps.txt")) {
        const SfenPosition s = sfenOf(f[0]);
        EngineMove m{};
        ASSERT_TRUE(f[1] == "-" || parseUsiMove(f[1], s.pos, s.sideToMove, m).empty()) << f[1];
        const bool holds =
            f[1] == "-" ? isCheckmated(s.pos, s.sideToMove) : isLegal(s.pos, s.sideToMove, m);
        EXPECT_EQ(holds, f[2] == "1") << f[0] << " " << f[1];
    }
    EXPECT_TRUE(legalMoves(sfenOf("8k/9/8P/9/9/9/9/9/K6L1 w - 1").pos, 1).empty());  // stalemate
}

TEST(Rules, BadInputIsNeverLegal) {
    const Position pos = initialPosition();
    EngineMove good{};
    ASSERT_EQ(parseUsiMove("7g7f", pos, 0, good), "");
    ASSERT_TRUE(isLegal(pos, 0, good));
    for (const int side : {1, 2, -1}) EXPECT_FALSE(isLegal(pos, side, good)) << side;
    EXPECT_FALSE(isLegal(pos, 2, dropMove(pieceOf(1, HU), squareOf(4, 4))));  // no hand to read
    auto with = [&](auto change) {
        EngineMove m = good;
        change(m);
        return isLegal(pos, 0, m);
    };
    EXPECT_FALSE(with([](EngineMove& m) { m.toFile = 9; }));
    EXPECT_FALSE(with([](EngineMove& m) { m.fromRank = -7; }));
    EXPECT_FALSE(with([](EngineMove& m) { m.newPiece = 12; }));
    EXPECT_FALSE(with([](EngineMove& m) { m.piece = 1000; }));
    EXPECT_FALSE(with([](EngineMove& m) { m.fromFile = m.fromRank = -1; }));  // nothing in hand
    EXPECT_FALSE(with([](EngineMove& m) { m = dropMove(pieceOf(0, GYOKU), squareOf(4, 4)); }));
    // A side without a king is never in check.
    const SfenPosition noKing = sfenOf("9/9/9/9/4r4/9/9/9/4K4 w - 1");
    EXPECT_FALSE(inCheck(noKing.pos, 1));
    EXPECT_FALSE(isCheckmated(noKing.pos, 1));
    EXPECT_TRUE(inCheck(noKing.pos, 0));
}

}  // namespace
}  // namespace kaz
