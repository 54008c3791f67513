// Evaluation terms, the opening book's data and lookup, and single search nodes run directly on a
// prepared Searcher (no think, no threads).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "engine/position/sfen.h"
#include "engine/search/book.h"
#include "engine/search/evaluate.h"
#include "engine/search/searcher.h"

namespace kaz {
namespace {

Position fromSfen(const std::string& text) {
    SfenPosition s{};
    const std::string err = parseSfen(text, s);
    EXPECT_EQ(err, "") << text;
    return s.pos;
}

// A Searcher holding pos with its attack map built, as think leaves it before the root.
std::unique_ptr<Searcher> prepared(const Position& pos) {
    auto s = std::make_unique<Searcher>();
    s->loadPosition(pos.board, pos.hand[0], pos.hand[1]);
    s->attackMap.buildAttackMap(s->position.board);
    return s;
}

// Moves the main search has made since the Searcher was created.
std::uint64_t movesMade(const Searcher& s) {
    std::uint64_t n = 0;
    for (std::uint64_t m : s.nodesAtPly) n += m;
    return n;
}

// --- Evaluation -----------------------------------------------------------------------------

TEST(Evaluation, DropAndPromotionScoresAreSymmetric) {
    const std::int32_t drop[7] = {36, 136, 203, 270, 336, 470, 536};
    for (int k = HU; k <= HI; ++k) {
        EXPECT_EQ(dropScore<1>(k), drop[k]) << k;
        EXPECT_EQ(dropScore<0>(k), -drop[k]) << k;
    }
    const std::int32_t promote[7] = {-300, -68, -101, -135, 0, -235, -268};
    for (int k : {HU, KYO, KEI, GIN, KAKU, HI}) {
        const PieceCode one = static_cast<PieceCode>(16 + k), zero = static_cast<PieceCode>(k);
        EXPECT_EQ(moveBaseScore<1>(one, one + 8), promote[k]) << k;
        EXPECT_EQ(moveBaseScore<0>(zero, zero + 8), -promote[k]) << k;
    }
    EXPECT_EQ(moveBaseScore<1>(16 + KEI, 16 + KEI), 15);
    EXPECT_EQ(moveBaseScore<0>(KEI, KEI), -15);
    EXPECT_EQ(moveBaseScore<1>(16 + HI, 16 + HI), 0);
    // Captures of a ryu: the human's pieces count 10 dearer.
    EXPECT_EQ(PIECE_VALUE[RYU], -1911);
    EXPECT_EQ(PIECE_VALUE[16 + RYU], 1901);
}

// The term as the rule states it, without tables: every division and root done per square.
std::int32_t kingSafetyByRule(const AttackMap& m, int k0, int k1, int moves) {
    const int r0 = rankOf(k0), f0 = fileOf(k0), r1 = rankOf(k1), f1 = fileOf(k1);
    float sum = 0;
    for (int r = 0; r < 9; ++r)
        for (int f = 0; f < 9; ++f) {
            const int q = squareOf(r, f);
            const int d0 = std::abs(r0 - r) + std::abs(f0 - f);
            const int d1 = std::abs(r1 - r) + std::abs(f1 - f);
            const int a0 = d0 == 0 ? 3 : d0 == 1 ? 2 : d0, b0 = d0 == 0 ? 1 : d0 == 1 ? 2 : d0;
            const int a1 = d1 == 0 ? 1 : d1 == 1 ? 2 : d1, b1 = d1 == 0 ? 3 : d1 == 1 ? 2 : d1;
            const float s0 = static_cast<float>(std::sqrt(static_cast<double>(m.count[0][q])));
            const float s1 = static_cast<float>(std::sqrt(static_cast<double>(m.count[1][q])));
            volatile float t = (10.0f / a0) * s0;  // volatile: no contraction, stated order
            t = t + sum;
            t = t - (10.0f / b0) * s1;
            t = t + (10.0f / a1) * s0;
            sum = t - (10.0f / b1) * s1;
        }
    const float factor = moves < 15 ? 0.0f : (moves < 10 ? moves : 10.0f);
    return static_cast<std::int32_t>(factor * sum);
}

TEST(Evaluation, KingSafetyFollowsTheRuleBitForBit) {
    const char* positions[] = {
        "lnsgkgsnl/1r5b1/ppppppppp/9/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w - 2",
        "lr5nl/3g1kg2/2n1ppsp1/p1pps3p/1p5P1/P1PPSPP1P/1PS1P1N2/2GK1G3/LN5RL b Bb 1",
        "ln1g3nl/1r1s1kg2/p1ppppspp/1p4p2/9/2P1P1P2/PPSP1P1PP/2GK3R1/LN3GSNL b Bb 1",
        "4k4/9/4G4/9/9/9/9/9/4K4 b 2r2b3g4s4n4l18p 1",
    };
    for (const char* text : positions) {
        auto s = prepared(fromSfen(text));
        const int k0 = s->kingSquare[0][0], k1 = s->kingSquare[1][0];
        EXPECT_EQ(kingSafety(s->attackMap, k0, k1, 14), 0) << text;
        const std::int32_t v15 = kingSafety(s->attackMap, k0, k1, 15);
        EXPECT_NE(v15, 0) << text;
        EXPECT_EQ(kingSafety(s->attackMap, k0, k1, 200), v15) << text;
        EXPECT_EQ(v15, kingSafetyByRule(s->attackMap, k0, k1, 15)) << text;
        s->gameMoveCount = 15;
        EXPECT_EQ(s->kingSafety(), v15) << text;
    }
}

TEST(Evaluation, KingSafetyOfOneSquare) {
    auto m = std::make_unique<AttackMap>();
    std::memset(m.get(), 0, sizeof *m);
    const int king0 = squareOf(8, 0), king1 = squareOf(0, 4);
    // Attacked twice by side 0, next to side 1's king and 11 steps from side 0's:
    // (10/11) * sqrt 2 + (10/2) * sqrt 2 = 8.3567, side 1's terms all 0; times 10, truncated.
    m->count[0][squareOf(1, 4)] = 2;
    EXPECT_EQ(kingSafety(*m, king0, king1, 15), 83);
    // Side 1 attacking side 0's king square counts 10 per root unit against side 0.
    m->count[0][squareOf(1, 4)] = 0;
    m->count[1][king0] = 1;
    EXPECT_EQ(kingSafety(*m, king0, king1, 30), -108);  // (-(10/1) - (10/12)) * 10 = -108.3
}

TEST(Evaluation, CaptureReplyCountsOnlyAttackedSide1Pieces) {
    auto s = prepared(fromSfen("4k4/9/9/4g4/4P4/9/9/9/4K4 b - 1"));
    s->ply = 9;
    s->lastTarget[8] = squareOf(3, 4);  // the side 1 kin, attacked by the pawn below it
    s->captureReply();
    EXPECT_EQ(s->plyValue[9], 1000);
    s->lastTarget[8] = squareOf(4, 4);  // side 0's own pawn
    s->captureReply();
    EXPECT_EQ(s->plyValue[9], 0);
    s->lastTarget[8] = squareOf(0, 4);  // side 1's king, not attacked
    s->captureReply();
    EXPECT_EQ(s->plyValue[9], 0);

    auto k = prepared(fromSfen("9/9/9/4k4/4P4/9/9/9/4K4 b - 1"));
    k->ply = 9;
    k->lastTarget[8] = squareOf(3, 4);
    k->captureReply();
    EXPECT_EQ(k->plyValue[9], 300000);
}

TEST(Searcher, LoadPositionFindsKingsAndForgetsAMissingOne) {
    auto s = prepared(initialPosition());
    EXPECT_EQ(s->kingSquare[0][0], squareOf(8, 4));
    EXPECT_EQ(s->kingSquare[0][1], squareOf(8, 4));
    EXPECT_EQ(s->kingSquare[1][0], squareOf(0, 4));
    EXPECT_EQ(s->kingSquare[1][1], squareOf(0, 4));
    EXPECT_EQ(s->memorySize[0], 0);  // the root keeps no remembered moves

    // A board without side 1's king: its square must not be the one of an earlier position,
    // but a frame square that nothing attacks.
    const Position noKing = fromSfen("9/9/9/9/9/9/9/9/4K4 b r 1");
    s->loadPosition(noKing.board, noKing.hand[0], noKing.hand[1]);
    EXPECT_EQ(s->kingSquare[0][0], squareOf(8, 4));
    EXPECT_FALSE(isPlayable(s->kingSquare[1][0]));
    EXPECT_FALSE(isPlayable(s->kingSquare[1][1]));
}

// --- Opening book ---------------------------------------------------------------------------

TEST(Book, RecordsReplayTheSixLines) {
    const auto& book = openingBook();
    ASSERT_EQ(book.size(), 186u);
    const Position initial = initialPosition();
    for (int line = 0; line < BOOK_LINES; ++line) {
        for (int j = 0; j < BOOK_LINE_LENGTH; ++j) {
            const BookRecord& rec = book[line * BOOK_LINE_LENGTH + j];
            SCOPED_TRACE("line " + std::to_string(line + 1) + " record " + std::to_string(j));
            if (j == 0) {
                for (int q = 0; q < 81; ++q)
                    ASSERT_EQ(rec.board[q], initial.board[squareOf(q / 9, q % 9)]) << q;
            } else {
                const BookRecord& prev = book[line * BOOK_LINE_LENGTH + j - 1];
                std::int32_t next[81];
                std::memcpy(next, prev.board, sizeof next);
                const EngineMove& m = prev.move;
                if (m.fromFile >= 0) next[9 * m.fromRank + m.fromFile] = EMPTY;
                next[9 * m.toRank + m.toFile] = m.newPiece;
                for (int q = 0; q < 81; ++q) ASSERT_EQ(rec.board[q], next[q]) << q;
            }
            // Moves alternate, side 0 first, and agree with the board they are played on.
            const EngineMove& m = rec.move;
            const int side = j % 2;
            EXPECT_EQ(ownerOf(static_cast<PieceCode>(m.piece)), side);
            EXPECT_TRUE(m.newPiece == m.piece || m.newPiece == m.piece + 8);
            if (m.fromFile >= 0) {
                EXPECT_EQ(rec.board[9 * m.fromRank + m.fromFile], m.piece);
                EXPECT_EQ(rec.board[9 * m.toRank + m.toFile], m.captured);
            } else {
                EXPECT_EQ(rec.board[9 * m.toRank + m.toFile], EMPTY);
                EXPECT_EQ(m.captured, EMPTY);
            }
            const std::int32_t weight = side == 0 ? 80 : (line == 0 && j == 1 ? -200 : -80);
            EXPECT_EQ(rec.weight, weight);
        }
    }
    for (int i = 180; i < 186; ++i) {
        const BookRecord& rec = book[i];
        EXPECT_EQ(rec.weight, 0);
        for (int q = 0; q < 81; ++q) EXPECT_EQ(rec.board[q], 0);
        EXPECT_EQ(rec.move, (EngineMove{0, 0, 0, 0, 0, 0, 0}));
    }
    // Spot checks of the notation: a pawn push, a promoting capture, a drop.
    EXPECT_EQ(book[1].move, (EngineMove{1, 2, 16, 1, 3, 16, EMPTY}));
    EXPECT_EQ(book[2 * 30 + 11].move, (EngineMove{7, 1, 21, 2, 6, 29, KAKU}));
    EXPECT_EQ(book[17].move, (EngineMove{-1, -1, 16, 7, 2, 16, EMPTY}));
}

// The board of a book record as an engine position with empty hands.
Position recordPosition(int index) {
    Position pos = emptyPosition();
    for (int q = 0; q < 81; ++q)
        pos.board[squareOf(q / 9, q % 9)] = static_cast<PieceCode>(openingBook()[index].board[q]);
    return pos;
}

TEST(Book, ExactHitsAreSide1MovesOnly) {
    // Record 1: side 1's reply to side 0's first move; hands play no part.
    Position pos = recordPosition(1);
    pos.hand[0][HU] = 3;
    auto s = prepared(pos);
    EXPECT_TRUE(s->lookupBook());
    EXPECT_EQ(s->plyValue[0], BOOK_HIT);
    EXPECT_EQ(s->chosenMove, openingBook()[1].move);

    // Record 0 carries side 0's move: no hit, whatever it matches.
    auto initial = prepared(recordPosition(0));
    initial->plyValue[0] = NO_MOVE_SIDE1;
    EXPECT_FALSE(initial->lookupBook());
    EXPECT_EQ(initial->plyValue[0], NO_MOVE_SIDE1);
}

TEST(Book, DropNeedsThePieceInHand) {
    Position pos = recordPosition(17);  // side 1 drops a pawn
    auto without = prepared(pos);
    without->plyValue[0] = NO_MOVE_SIDE1;
    EXPECT_FALSE(without->lookupBook());
    EXPECT_EQ(without->plyValue[0], NO_MOVE_SIDE1);

    pos.hand[1][HU] = 1;
    auto with = prepared(pos);
    EXPECT_TRUE(with->lookupBook());
    EXPECT_EQ(with->chosenMove, (EngineMove{-1, -1, 16, 7, 2, 16, EMPTY}));
}

TEST(Book, Side0DropIsNeverAnAnswer) {
    // Record 24 of line 1 holds side 0's pawn drop. Even with a pawn in side 1's hand, the
    // computer must not play the human's piece.
    ASSERT_EQ(openingBook()[24].move.fromFile, -1);
    ASSERT_EQ(openingBook()[24].move.piece, HU);
    Position pos = recordPosition(24);
    pos.hand[1][HU] = 1;
    auto s = prepared(pos);
    EXPECT_FALSE(s->lookupBook());
}

TEST(Book, CandidatesComeFromSimilarPositionsInRecordOrder) {
    // Side 0 opened 5g5f, which no line plays: side 1's pieces still stand as in every line's
    // first side 1 record.
    Position pos = initialPosition();
    pos.board[squareOf(6, 4)] = EMPTY;
    pos.board[squareOf(5, 4)] = HU;
    auto s = prepared(pos);
    EXPECT_FALSE(s->lookupBook());
    ASSERT_GT(s->bookCandidateCount, 5);
    ASSERT_LE(s->bookCandidateCount, MAX_BOOK_CANDIDATES);
    const auto& book = openingBook();
    int last = -1;
    for (int i = 0; i < s->bookCandidateCount; ++i) {
        const BookCandidate& c = s->bookCandidates[i];
        EXPECT_LT(c.weight, 0);
        EXPECT_TRUE(c.move.newPiece & OWNER_BIT);
        int index = last + 1;
        while (index < BOOK_SIZE && !(book[index].move == c.move && book[index].weight == c.weight))
            ++index;
        ASSERT_LT(index, BOOK_SIZE) << "candidate " << i << " is not a later record";
        last = index;
    }
    EXPECT_EQ(s->bookCandidates[0].move, book[1].move);
    EXPECT_EQ(s->bookCandidates[0].weight, -200);

    // With side 0's third pawn gone, eleven records qualify: the list stops at 10 and the last
    // one (record 153) is left out.
    Position early = initialPosition();
    early.board[squareOf(6, 2)] = EMPTY;
    auto many = prepared(early);
    many->lookupBook();
    ASSERT_EQ(many->bookCandidateCount, MAX_BOOK_CANDIDATES);
    EXPECT_EQ(many->bookCandidates[9].move, book[151].move);
}

// --- Search nodes ---------------------------------------------------------------------------

TEST(SearchNodes, KingLeftAttackedIsValuedAtOnce) {
    // Side 0 to move at ply 1 with side 1's king attacked: side 1 has just left it en prise.
    auto s = prepared(fromSfen("9/9/9/4k4/4P4/9/9/9/4K4 b - 1"));
    s->ply = 1;
    s->side0Node();
    EXPECT_EQ(s->plyValue[1], 300000 - 5000);
    EXPECT_EQ(movesMade(*s), 0u);

    // Side 1 to move at ply 2 with side 0's king attacked.
    auto t = prepared(fromSfen("4k4/9/9/9/9/9/9/4p4/4K4 b - 1"));
    t->kingSquare[0][1] = t->kingSquare[0][0];
    t->kingSquare[1][1] = t->kingSquare[1][0];
    t->ply = 2;
    t->side1Node();
    EXPECT_EQ(t->plyValue[2], 5000 * 2 - 300000);
    EXPECT_EQ(movesMade(*t), 0u);
}

TEST(SearchNodes, FirstImprovementIsNotRememberedLaterOnesAre) {
    // Side 0's king in the corner has three moves, tried in this order: to the empty square
    // above it (worth 0), taking the gin (800), taking the kin (1000). With the horizon at ply 2
    // each move is worth its own score.
    auto s = prepared(fromSfen("8k/9/9/9/9/9/9/1s7/Kg7 b - 1"));
    s->depthLimit = 2;
    s->plyValue[0] = NO_MOVE_SIDE1;
    s->moveScore[0] = 0;
    s->lastTarget[0] = squareOf(0, 8);
    s->ply = 1;
    s->side0Node();
    EXPECT_EQ(s->plyValue[1], 1000);
    const RememberedMove takesKin{squareOf(8, 0), squareOf(8, 1), GYOKU, GYOKU, 16 + KIN, 0};
    const RememberedMove takesGin{squareOf(8, 0), squareOf(7, 1), GYOKU, GYOKU, 16 + GIN, 0};
    EXPECT_EQ(s->moveMemory[1][0], takesKin);
    EXPECT_EQ(s->moveMemory[1][1], takesGin);
    EXPECT_EQ(s->moveMemory[1][2], RememberedMove{});

    // A second node at the same ply replays the remembered captures first: the kin capture is
    // now its first value, so nothing is remembered again and the list stays as it was.
    s->side0Node();
    EXPECT_EQ(s->plyValue[1], 1000);
    EXPECT_EQ(s->moveMemory[1][0], takesKin);
    EXPECT_EQ(s->moveMemory[1][1], takesGin);
}

TEST(SearchNodes, RecaptureWithoutAttackerStandsPat) {
    auto s = prepared(fromSfen("4k4/9/9/9/4P4/9/9/9/4K4 b - 1"));
    s->kingSquare[0][7] = s->kingSquare[0][0];
    s->lastTarget[7] = squareOf(4, 4);
    s->ply = 8;
    s->recaptureSearch();
    EXPECT_EQ(s->plyValue[8], 0);
    EXPECT_EQ(movesMade(*s), 0u);
}

TEST(SearchNodes, RecaptureTakesTheLastMovedPiece) {
    // Side 0's kin has just moved next to side 1's hi line; side 1 takes it (a capture of -1010)
    // and side 0 does not retake.
    auto s = prepared(fromSfen("4k4/9/9/4r4/9/9/4G4/9/K8 b - 1"));
    s->kingSquare[0][7] = s->kingSquare[0][0];
    s->lastTarget[7] = squareOf(6, 4);
    s->plyValue[7] = NO_MOVE_SIDE0;
    s->moveScore[7] = 0;
    s->ply = 8;
    s->recaptureSearch();
    EXPECT_EQ(s->plyValue[8], -1010);
    EXPECT_EQ(movesMade(*s), 1u);
}

TEST(SearchNodes, MoveMemoryIsMostRecentFirstWithoutDuplicates) {
    auto s = std::make_unique<Searcher>();
    s->memorySize[5] = 3;
    auto move = [](int n) { return RememberedMove{n, n + 1, 0, 0, EMPTY, 0}; };
    const RememberedMove* list = s->moveMemory[5];
    for (int n : {1, 2, 3}) s->rememberMove(5, move(n));
    EXPECT_EQ(list[0], move(3));
    EXPECT_EQ(list[1], move(2));
    EXPECT_EQ(list[2], move(1));
    s->rememberMove(5, move(1));  // already there: moves to the front, nothing falls out
    EXPECT_EQ(list[0], move(1));
    EXPECT_EQ(list[1], move(3));
    EXPECT_EQ(list[2], move(2));
    s->rememberMove(5, move(4));  // new: the oldest falls out
    EXPECT_EQ(list[0], move(4));
    EXPECT_EQ(list[1], move(1));
    EXPECT_EQ(list[2], move(3));
    EXPECT_EQ(list[3], RememberedMove{});  // beyond memorySize nothing is written

    s->memorySize[6] = 1;
    s->rememberMove(6, move(7));
    s->rememberMove(6, move(8));
    EXPECT_EQ(s->moveMemory[6][0], move(8));
    EXPECT_EQ(s->moveMemory[6][1], RememberedMove{});
}

}  // namespace
}  // namespace kaz
