// Rules: move counts checked against tsshogi (tools/rules_reference produced the expected numbers;
// data/random_games.txt is "node reference.mjs games 7 4 150"), and bad input.

#include "engine/position/rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "engine/position/engine_move.h"
#include "engine/position/rotate.h"
#include "engine/position/sfen.h"
#include "engine/position/usi_notation.h"

namespace kaz {
namespace {

SfenPosition load(const std::string& sfen) {
    SfenPosition s{};
    const std::string err = parseSfen(sfen, s);
    EXPECT_EQ(err, "") << sfen;
    return s;
}

bool legal(const std::string& sfen, const std::string& usi) {
    const SfenPosition s = load(sfen);
    EngineMove m{};
    EXPECT_EQ(parseUsiMove(usi, s.pos, s.sideToMove, m), "") << usi;
    return isLegal(s.pos, s.sideToMove, m);
}

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
    const struct {
        const char* sfen;
        std::vector<std::uint64_t> nodes;  // by depth from 1; 0 = not counted
    } cases[] = {
        {"lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1", {30, 900, 25470}},
        // A crowded middle game with both hands full: drops, promotions and checks everywhere.
        {"l6nl/5+P1gk/2np1S3/p1p4Pp/3P2Sp1/1PPb2P1P/P5GS1/R8/LN4bKL w RGgsn5p 1", {207, 28684}},
        // The position with the most legal moves known.
        {"R8/2K1S1SSk/4B4/9/9/9/9/9/1L1L1L3 b RBGSNLP3g3n17p 1", {593, 105677}},
        // P*1b would be mate by a pawn drop; with a silver on 2a the king is not mated.
        {"8k/9/6NG1/9/9/9/9/9/K8 b P 1", {78, 0, 543}},
        {"7sk/9/6NG1/9/9/9/9/9/K8 b P 1", {79, 0, 4615}},
    };
    for (const auto& c : cases) {
        const SfenPosition s = load(c.sfen);
        // The rules know no colour: the turned position, other side to move, counts the same.
        const SfenPosition r = rotateSfen(s);
        for (int depth = 1; depth <= static_cast<int>(c.nodes.size()); ++depth) {
            if (c.nodes[depth - 1] == 0) continue;
            EXPECT_EQ(perft(s.pos, s.sideToMove, depth), c.nodes[depth - 1]) << c.sfen << depth;
            if (depth <= 2) {
                EXPECT_EQ(perft(r.pos, r.sideToMove, depth), c.nodes[depth - 1]) << c.sfen;
            }
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
    std::ifstream in(KAZ_RULES_DATA "/random_games.txt");
    ASSERT_TRUE(in) << KAZ_RULES_DATA;
    std::string line;
    int positions = 0, checks = 0, drops = 0;
    while (std::getline(in, line)) {
        const auto a = line.find('|'), b = line.rfind('|');
        const SfenPosition s = load(line.substr(0, a));
        const std::vector<std::string> moves = usiMoves(s);
        ASSERT_EQ(moves.size(), std::stoul(line.substr(a + 1, b - a - 1))) << line;
        ASSERT_EQ(fnv(moves), std::stoul(line.substr(b + 1))) << line;
        checks += inCheck(s.pos, s.sideToMove);
        drops += std::count_if(moves.begin(), moves.end(),
                               [](const std::string& m) { return m[1] == '*'; }) > 0;
        if (positions++ % 10 == 0) {
            const std::vector<EngineMove> legal = legalMoves(s.pos, s.sideToMove);
            for (const EngineMove& m : everyCandidate(s.pos, s.sideToMove)) {
                const bool listed = std::find(legal.begin(), legal.end(), m) != legal.end();
                ASSERT_EQ(isLegal(s.pos, s.sideToMove, m), listed) << line << " " << toUsi(m);
            }
        }
    }
    EXPECT_EQ(positions, 600);
    // The data must exercise checks and drops, or it proves little.
    EXPECT_GT(checks, 10);
    EXPECT_GT(drops, 100);
}

// The classic traps, beyond what the random games above happen to contain.
TEST(Rules, PawnDropMatePinsAndMate) {
    const struct {
        const char* sfen;
        const char* usi;
        bool legal;
    } cases[] = {
        // King 1a, gold 2c guards 1b and 2b, knight 3c guards 2a: P*1b leaves no escape.
        {"8k/9/6NG1/9/9/9/9/9/K8 b P 1", "P*1b", false},
        {"8k/9/9/9/9/9/1gn6/9/K8 w p 1", "P*9h", false},
        {"7sk/9/6NG1/9/9/9/9/9/K8 b P 1", "P*1b", true},    // the silver can take the pawn
        {"8k/9/6N2/9/9/9/9/9/K8 b P 1", "P*1b", true},      // the king can
        {"8k/9/6NGP/9/9/9/9/9/K8 b - 1", "1c1b", true},     // mate by a pushed pawn
        {"8k/9/6NG1/9/9/9/9/9/K8 b G 1", "G*1b", true},     // or by another piece
        {"4r3k/9/9/9/4R4/9/9/9/4K4 b - 1", "5e4e", false},  // pinned rook
        {"4r3k/9/9/9/4R4/9/9/9/4K4 b - 1", "5e5a", true},   // taking the pinner
        {"4r3k/9/9/9/9/9/9/9/4K4 b G 1", "G*5h", true},     // interposing
        {"4r3k/9/9/9/9/9/9/9/4K4 b G 1", "G*4h", false},    // not answering the check
    };
    for (const auto& c : cases) EXPECT_EQ(legal(c.sfen, c.usi), c.legal) << c.sfen << " " << c.usi;

    EXPECT_TRUE(isCheckmated(load("8k/8P/6NG1/9/9/9/9/9/K8 w - 1").pos, 1));
    EXPECT_TRUE(isCheckmated(load("4k4/4G4/4P4/9/9/9/9/9/4K4 w g 1").pos, 1));
    EXPECT_TRUE(isCheckmated(load("8k/9/9/9/9/9/3n5/3BPB3/3GKG3 b - 1").pos, 0));  // knight
    EXPECT_FALSE(isCheckmated(load("4r3k/9/9/9/9/9/9/9/4K4 b G 1").pos, 0));       // in check only
    const SfenPosition stalemate = load("8k/9/8P/9/9/9/9/9/K6L1 w - 1");  // no move, no check
    EXPECT_TRUE(legalMoves(stalemate.pos, 1).empty());
    EXPECT_FALSE(isCheckmated(stalemate.pos, 1));
}

TEST(Rules, BadInputIsNeverLegal) {
    const Position pos = initialPosition();
    EngineMove good{};
    ASSERT_EQ(parseUsiMove("7g7f", pos, 0, good), "");
    ASSERT_TRUE(isLegal(pos, 0, good));
    EXPECT_FALSE(isLegal(pos, 1, good));
    EXPECT_FALSE(isLegal(pos, 2, good));
    EXPECT_FALSE(isLegal(pos, -1, good));
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
    const SfenPosition noKing = load("9/9/9/9/4r4/9/9/9/4K4 w - 1");
    EXPECT_FALSE(inCheck(noKing.pos, 1));
    EXPECT_FALSE(isCheckmated(noKing.pos, 1));
    EXPECT_TRUE(inCheck(noKing.pos, 0));
}

}  // namespace
}  // namespace kaz
