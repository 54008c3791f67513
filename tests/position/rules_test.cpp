// Rules: move counts checked against tsshogi (tools/rules_reference produced the expected numbers;
// data/random_games.txt is "node reference.mjs games 7 4 150")
// and the classic cases that move generators get wrong.

#include "engine/position/rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "engine/position/sfen.h"
#include "engine/position/transform.h"

namespace kaz {
namespace {

SfenPosition load(const std::string& sfen) {
    SfenPosition s{};
    const std::string err = parseSfen(sfen, s);
    EXPECT_EQ(err, "") << sfen;
    return s;
}

// Whether the USI move is legal for the side to move; false also when it does not even parse.
// A trailing '+' is applied to the record directly, so that isLegal alone judges the promotion.
bool legal(const std::string& sfen, const std::string& usi) {
    const SfenPosition s = load(sfen);
    const bool promote = usi.size() == 5 && usi[4] == '+';
    EngineMove m{};
    if (!parseUsiMove(usi.substr(0, 4), s.pos, s.sideToMove, m).empty()) return false;
    if (promote) m.newPiece += PROMOTED_BIT;
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

// Every move anyone could write in notation: all origin/target pairs with and without '+', and
// every drop.
std::vector<EngineMove> everyCandidate(const Position& pos, int side) {
    std::vector<EngineMove> out;
    for (int from = 0; from < 256; ++from) {
        if (!isPlayable(from) || pos.board[from] == EMPTY || ownerOf(pos.board[from]) != side)
            continue;
        const PieceCode a = pos.board[from];
        for (int to = 0; to < 256; ++to) {
            if (!isPlayable(to) || to == from) continue;
            out.push_back(boardMove(from, a, to, a, pos.board[to]));
            if (canPromote(a))
                out.push_back(boardMove(from, a, to, static_cast<PieceCode>(a + PROMOTED_BIT),
                                        pos.board[to]));
        }
    }
    for (int kind = HU; kind <= HI; ++kind)
        for (int to = 0; to < 256; ++to)
            if (isPlayable(to) && pos.hand[side][kind] > 0 && pos.board[to] == EMPTY)
                out.push_back(dropMove(pieceOf(side, kind), to));
    return out;
}

struct PerftCase {
    const char* sfen;
    int depth;
    std::uint64_t nodes;
};

TEST(Rules, PerftMatchesReferenceLibrary) {
    const PerftCase cases[] = {
        {"lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1", 1, 30},
        {"lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1", 2, 900},
        {"lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1", 3, 25470},
        // A crowded middle game with both hands full: drops, promotions and checks everywhere.
        {"l6nl/5+P1gk/2np1S3/p1p4Pp/3P2Sp1/1PPb2P1P/P5GS1/R8/LN4bKL w RGgsn5p 1", 1, 207},
        {"l6nl/5+P1gk/2np1S3/p1p4Pp/3P2Sp1/1PPb2P1P/P5GS1/R8/LN4bKL w RGgsn5p 1", 2, 28684},
        // The position with the most legal moves known.
        {"R8/2K1S1SSk/4B4/9/9/9/9/9/1L1L1L3 b RBGSNLP3g3n17p 1", 1, 593},
        {"R8/2K1S1SSk/4B4/9/9/9/9/9/1L1L1L3 b RBGSNLP3g3n17p 1", 2, 105677},
        // P*1b would be mate by a pawn drop; with a silver on 2a the king is not mated.
        {"8k/9/6NG1/9/9/9/9/9/K8 b P 1", 1, 78},
        {"8k/9/6NG1/9/9/9/9/9/K8 b P 1", 3, 543},
        {"7sk/9/6NG1/9/9/9/9/9/K8 b P 1", 1, 79},
        {"7sk/9/6NG1/9/9/9/9/9/K8 b P 1", 3, 4615},
    };
    for (const PerftCase& c : cases) {
        const SfenPosition s = load(c.sfen);
        EXPECT_EQ(perft(s.pos, s.sideToMove, c.depth), c.nodes) << c.sfen << " depth " << c.depth;
        // The rules know no colour: the turned position, other side to move, counts the same.
        if (c.depth <= 2) {
            const SfenPosition r = rotateSfen(s);
            EXPECT_EQ(perft(r.pos, r.sideToMove, c.depth), c.nodes) << "turned " << c.sfen;
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

TEST(Rules, PawnDropMateIsIllegalButPawnDropCheckIsNot) {
    // King 1a, gold 2c guards 1b and 2b, knight 3c guards 2a: P*1b leaves no escape.
    EXPECT_FALSE(legal("8k/9/6NG1/9/9/9/9/9/K8 b P 1", "P*1b"));
    // The same with a silver on 2a that can take the pawn: only check.
    EXPECT_TRUE(legal("7sk/9/6NG1/9/9/9/9/9/K8 b P 1", "P*1b"));
    // Without the gold the king takes the pawn.
    EXPECT_TRUE(legal("8k/9/6N2/9/9/9/9/9/K8 b P 1", "P*1b"));
    // Mate by a pawn pushed from the board is legal: only drops are forbidden.
    EXPECT_TRUE(legal("8k/9/6NGP/9/9/9/9/9/K8 b - 1", "1c1b"));
    EXPECT_TRUE(isCheckmated(load("8k/8P/6NG1/9/9/9/9/9/K8 w - 1").pos, 1));
    // Mate given by dropping another piece is fine.
    EXPECT_TRUE(legal("8k/9/6NG1/9/9/9/9/9/K8 b G 1", "G*1b"));
    // The same pawn-drop mate for white.
    EXPECT_FALSE(legal("8k/9/9/9/9/9/1gn6/9/K8 w p 1", "P*9h"));
}

TEST(Rules, PromotionIsForcedWhereAPieceCouldNeverMoveAgain) {
    const std::string sfen = "4k4/P2L5/9/1N1P5/9/9/9/9/4K4 b - 1";
    EXPECT_FALSE(legal(sfen, "9b9a"));  // pawn to the last rank
    EXPECT_TRUE(legal(sfen, "9b9a+"));
    EXPECT_FALSE(legal(sfen, "6b6a"));  // lance to the last rank
    EXPECT_TRUE(legal(sfen, "6b6a+"));
    EXPECT_FALSE(legal(sfen, "8d7b"));  // knight to the second rank
    EXPECT_TRUE(legal(sfen, "8d7b+"));
    EXPECT_FALSE(legal(sfen, "8d9b"));  // onto the own pawn
    EXPECT_TRUE(legal(sfen, "6d6c"));   // pawn into the zone: both
    EXPECT_TRUE(legal(sfen, "6d6c+"));
    EXPECT_FALSE(legal(sfen, "8d8f"));  // knights never move backward
    // The same for white, whose last ranks are i and h.
    const std::string white = "4k4/9/9/9/9/1n1p5/9/p2l5/4K4 w - 1";
    EXPECT_FALSE(legal(white, "9h9i"));
    EXPECT_TRUE(legal(white, "9h9i+"));
    EXPECT_FALSE(legal(white, "6h6i"));
    EXPECT_TRUE(legal(white, "6h6i+"));
    EXPECT_FALSE(legal(white, "8f7h"));
    EXPECT_TRUE(legal(white, "8f7h+"));
    EXPECT_TRUE(legal(white, "6f6g"));
    EXPECT_TRUE(legal(white, "6f6g+"));
    // Promotion needs the zone at one end of the move, and a kind that promotes.
    EXPECT_FALSE(legal("4k4/9/9/9/4G4/9/9/9/4K4 b - 1", "5e5d+"));
    EXPECT_FALSE(legal("4k4/9/9/9/4S4/9/9/9/4K4 b - 1", "5e5d+"));
    EXPECT_TRUE(legal("4k4/9/9/4S4/9/9/9/9/4K4 b - 1", "5d5c+"));
    EXPECT_TRUE(legal("4k4/9/4S4/9/9/9/9/9/4K4 b - 1", "5c4d+"));  // leaving the zone
}

TEST(Rules, DropsObeyNifuAndDeadPieceRules) {
    const std::string sfen = "4k4/9/9/9/9/9/P8/9/4K1+P2 b PLN 1";
    EXPECT_FALSE(legal(sfen, "P*9e"));  // a second pawn on file 9
    EXPECT_TRUE(legal(sfen, "P*3e"));   // a promoted pawn on file 3 does not count
    EXPECT_FALSE(legal(sfen, "P*1a"));  // dead on the last rank
    EXPECT_FALSE(legal(sfen, "L*1a"));
    EXPECT_TRUE(legal(sfen, "L*1b"));
    EXPECT_FALSE(legal(sfen, "N*1b"));
    EXPECT_TRUE(legal(sfen, "N*1c"));
    EXPECT_FALSE(legal(sfen, "S*1c"));  // not in hand
    EXPECT_FALSE(legal(sfen, "P*5i"));  // occupied
}

TEST(Rules, PinsAndDiscoveredChecks) {
    // Black's rook on 5e is pinned by white's rook on 5a against the king on 5i.
    const std::string pinned = "4r3k/9/9/9/4R4/9/9/9/4K4 b - 1";
    EXPECT_FALSE(legal(pinned, "5e4e"));
    EXPECT_TRUE(legal(pinned, "5e5b"));  // along the pin
    EXPECT_TRUE(legal(pinned, "5e5a"));  // taking the pinner
    // A bishop pin on the diagonal: the silver may not step off it.
    const std::string diagonal = "8k/9/9/9/b8/9/2S6/9/4K4 b - 1";
    EXPECT_FALSE(legal(diagonal, "7g7f"));
    EXPECT_TRUE(legal(diagonal, "7g8f"));  // onto the diagonal, still blocking
    // Moving the silver off the lance's file gives check by discovery.
    const SfenPosition s = load("4k4/9/9/4S4/9/9/9/9/4LK3 b - 1");
    EngineMove m{};
    ASSERT_EQ(parseUsiMove("5d6c", s.pos, 0, m), "");
    ASSERT_TRUE(isLegal(s.pos, 0, m));
    Position after = s.pos;
    applyMove(after, 0, m);
    EXPECT_TRUE(inCheck(after, 1));
    EXPECT_FALSE(isCheckmated(after, 1));
}

TEST(Rules, KingMustNotStayOrStepIntoCheck) {
    // White rook gives check on file 5: the king may not retreat along the file.
    const std::string sfen = "4r3k/9/9/9/9/9/9/9/4K4 b G 1";
    const SfenPosition s = load(sfen);
    EXPECT_TRUE(inCheck(s.pos, 0));
    EXPECT_FALSE(legal(sfen, "5i5h"));
    EXPECT_TRUE(legal(sfen, "5i4h"));
    EXPECT_TRUE(legal(sfen, "G*5h"));   // interposing drop
    EXPECT_FALSE(legal(sfen, "G*4h"));  // a drop that does not answer the check
    // A king may not take a defended piece.
    EXPECT_FALSE(legal("8k/9/9/9/9/9/4g4/4p4/4K4 b - 1", "5i5h"));
    EXPECT_TRUE(legal("8k/9/9/9/9/9/9/4p4/4K4 b - 1", "5i5h"));
    // Knights jump over blockers, so their checks cannot be blocked.
    const SfenPosition knight = load("8k/9/9/9/9/9/3n5/3BPB3/3GKG3 b - 1");
    EXPECT_TRUE(inCheck(knight.pos, 0));
    EXPECT_TRUE(isCheckmated(knight.pos, 0));
}

TEST(Rules, CheckmateAndItsAbsence) {
    // Head mate with a gold backed by a pawn.
    const SfenPosition mate = load("4k4/4G4/4P4/9/9/9/9/9/4K4 w - 1");
    EXPECT_TRUE(isCheckmated(mate.pos, 1));
    // With a gold in hand white can take nothing and drop nothing useful: still mate.
    EXPECT_TRUE(isCheckmated(load("4k4/4G4/4P4/9/9/9/9/9/4K4 w g 1").pos, 1));
    // Not in check, not checkmated.
    EXPECT_FALSE(isCheckmated(load("k8/9/9/9/9/9/9/9/8K w - 1").pos, 1));
    // A side without a king is never in check.
    const SfenPosition noKing = load("9/9/9/9/4r4/9/9/9/4K4 w - 1");
    EXPECT_FALSE(inCheck(noKing.pos, 1));
    EXPECT_TRUE(inCheck(noKing.pos, 0));
}

TEST(Rules, MalformedMoveRecordsAreNotLegal) {
    const Position pos = initialPosition();
    EngineMove good{};
    ASSERT_EQ(parseUsiMove("7g7f", pos, 0, good), "");
    ASSERT_TRUE(isLegal(pos, 0, good));
    EXPECT_FALSE(isLegal(pos, 1, good));  // not white's pawn
    EXPECT_FALSE(isLegal(pos, 2, good));
    EngineMove m = good;
    m.toFile = 9;
    EXPECT_FALSE(isLegal(pos, 0, m));
    m = good;
    m.fromRank = -7;
    EXPECT_FALSE(isLegal(pos, 0, m));
    m = good;
    m.captured = pieceOf(1, HU);  // says it takes a piece that is not there
    EXPECT_FALSE(isLegal(pos, 0, m));
    m = good;
    m.newPiece = 12;  // neither the piece nor its promotion
    EXPECT_FALSE(isLegal(pos, 0, m));
    m = good;
    m.fromFile = -1;
    m.fromRank = -1;  // a drop with nothing in hand
    EXPECT_FALSE(isLegal(pos, 0, m));
    m = good;
    m.piece = 1000;
    EXPECT_FALSE(isLegal(pos, 0, m));
}

}  // namespace
}  // namespace kaz
