// Evaluation terms, the opening book's data and lookup, and single search nodes run directly on a
// prepared Searcher (no think, no threads).

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "engine/position/sfen.h"
#include "engine/search/book.h"
#include "engine/search/evaluate.h"
#include "engine/search/searcher.h"
#include "tests/support/searcher_access.h"

namespace kaz {
namespace {

Position fromSfen(const std::string& text) {
    SfenPosition s{};
    const std::string err = parseSfen(text, s);
    EXPECT_EQ(err, "") << text;
    return s.pos;
}

// A Searcher holding pos with its attack map built, as think leaves it before the root.
SearcherUnderTest prepared(const Position& pos) {
    SearcherUnderTest s;
    s->loadPosition(pos.board, pos.hand[0], pos.hand[1]);
    s->attackMap.buildAttackMap(s->position.board);
    return s;
}

// Moves the main search has made since the Searcher was created.
std::uint64_t movesMade(const SearcherTestAccess& s) {
    std::uint64_t n = 0;
    for (std::uint64_t m : s.nodesAtPly) n += m;
    return n;
}

TEST(Evaluation, DropAndPromotionScores) {
    const std::int32_t drop[7] = {36, 136, 203, 270, 336, 470, 536};
    const std::int32_t promote[7] = {-300, -68, -101, -135, 0, -235, -268};
    for (int k = HU; k <= HI; ++k) {
        EXPECT_EQ(dropScore<1>(k), drop[k]) << k;
        EXPECT_EQ(dropScore<0>(k), -drop[k]) << k;
        if (k == KIN) continue;
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

TEST(Evaluation, KingSafety) {
    // One attacked square at a time, kings on 9i and 5a. Weights 10/d by Manhattan distance d to
    // each king, except on a king's square (10/3 for its own side's control, 10/1 for the enemy's)
    // and next to it (10/2); the sum of roots of counts is scaled by 10 and truncated.
    const int king0 = squareOf(8, 0), king1 = squareOf(0, 4);
    const struct {
        int side, square, count;
        std::int32_t value;
    } squares[] = {
        {0, squareOf(1, 4), 2, 83},  // (10/11 + 10/2) * sqrt 2
        {1, king0, 1, -108},         // -(10/1 + 10/12)
        {0, king1, 1, 108},          // 10/12 + 10/1
        {1, king1, 4, -83},          // -(10/12 + 10/3) * 2
        {0, king0, 1, 41},           // 10/3 + 10/12
    };
    for (const auto& c : squares) {
        auto m = std::make_unique<AttackMap>();
        std::memset(m.get(), 0, sizeof *m);
        m->count[c.side][c.square] = c.count;
        EXPECT_EQ(kingSafety(*m, king0, king1, 30), c.value) << c.side << " " << c.square;
    }
    // Nothing before move 15, and no further growth after it; the searcher's own call agrees.
    auto s = prepared(
        fromSfen("lr5nl/3g1kg2/2n1ppsp1/p1pps3p/1p5P1/P1PPSPP1P/1PS1P1N2/2GK1G3/LN5RL b Bb 1"));
    const int k0 = s->kingSquare[0][0], k1 = s->kingSquare[1][0];
    EXPECT_EQ(kingSafety(s->attackMap, k0, k1, 14), 0);
    s->gameMoveCount = 15;
    EXPECT_NE(s->kingSafety(), 0);
    EXPECT_EQ(kingSafety(s->attackMap, k0, k1, 200), s->kingSafety());
}

TEST(Evaluation, CaptureReplyCountsOnlyAttackedSide1Pieces) {
    auto s = prepared(fromSfen("4k4/9/9/4g4/4P4/9/9/9/4K4 b - 1"));
    s->ply = 9;
    // The side 1 kin attacked by the pawn; side 0's own pawn; side 1's king, not attacked.
    for (auto [target, value] :
         {std::pair{squareOf(3, 4), 1000}, {squareOf(4, 4), 0}, {squareOf(0, 4), 0}}) {
        s->lastTarget[8] = target;
        s->captureReply();
        EXPECT_EQ(s->plyValue[9], value) << target;
    }
    auto k = prepared(fromSfen("9/9/9/4k4/4P4/9/9/9/4K4 b - 1"));
    k->ply = 9;
    k->lastTarget[8] = squareOf(3, 4);
    k->captureReply();
    EXPECT_EQ(k->plyValue[9], 300000);
}

TEST(Searcher, LoadPositionForgetsAMissingKing) {
    auto s = prepared(initialPosition());
    ASSERT_EQ(s->kingSquare[1][0], squareOf(0, 4));
    // Without side 1's king its square must not be the one of an earlier position, but a frame
    // square that nothing attacks.
    const Position noKing = fromSfen("9/9/9/9/9/9/9/9/4K4 b r 1");
    s->loadPosition(noKing.board, noKing.hand[0], noKing.hand[1]);
    EXPECT_EQ(s->kingSquare[0][0], squareOf(8, 4));
    EXPECT_FALSE(isPlayable(s->kingSquare[1][0]));
    EXPECT_FALSE(isPlayable(s->kingSquare[1][1]));
}

// --- Opening book ---------------------------------------------------------------------------

// Each line replays from the initial position, its moves alternating from side 0 and agreeing
// with the board they are played on: a transcription slip shows up here.
TEST(Book, RecordsReplayTheSixLines) {
    const auto& book = openingBook();
    ASSERT_EQ(book.size(), 186u);
    std::int32_t board[81];
    for (int line = 0; line < BOOK_LINES; ++line) {
        for (int q = 0; q < 81; ++q) board[q] = initialPosition().board[squareOf(q / 9, q % 9)];
        for (int j = 0; j < BOOK_LINE_LENGTH; ++j) {
            const BookRecord& rec = book[line * BOOK_LINE_LENGTH + j];
            SCOPED_TRACE("line " + std::to_string(line + 1) + " record " + std::to_string(j));
            for (int q = 0; q < 81; ++q) ASSERT_EQ(rec.board[q], board[q]) << q;
            const EngineMove& m = rec.move;
            EXPECT_EQ(ownerOf(static_cast<PieceCode>(m.piece)), j % 2);
            EXPECT_TRUE(m.newPiece == m.piece || m.newPiece == m.piece + 8);
            EXPECT_EQ(rec.weight, j % 2 == 0 ? 80 : (line == 0 && j == 1 ? -200 : -80));
            if (m.fromFile >= 0) {
                EXPECT_EQ(board[9 * m.fromRank + m.fromFile], m.piece);
                board[9 * m.fromRank + m.fromFile] = EMPTY;
            }
            EXPECT_EQ(board[9 * m.toRank + m.toFile], m.captured);
            board[9 * m.toRank + m.toFile] = m.newPiece;
        }
    }
}

// The board of a book record as an engine position with empty hands.
Position recordPosition(int index) {
    Position pos = emptyPosition();
    for (int q = 0; q < 81; ++q)
        pos.board[squareOf(q / 9, q % 9)] = static_cast<PieceCode>(openingBook()[index].board[q]);
    return pos;
}

TEST(Book, ExactHitsAreSide1MovesItCanPlay) {
    // Record 1: side 1's reply to side 0's first move; hands do not matter.
    Position pos = recordPosition(1);
    pos.hand[0][HU] = 3;
    auto s = prepared(pos);
    EXPECT_TRUE(s->lookupBook());
    EXPECT_EQ(s->plyValue[0], BOOK_HIT);
    EXPECT_EQ(s->chosenMove, openingBook()[1].move);

    // Record 0 carries side 0's move, record 24 side 0's pawn drop: no hit even with a pawn in
    // side 1's hand (the computer must not play the human's piece). Record 17, side 1's pawn
    // drop, needs the pawn in hand.
    ASSERT_EQ(openingBook()[24].move.fromFile, -1);
    for (int record : {0, 24, 17}) {
        pos = recordPosition(record);
        pos.hand[1][HU] = record == 24;
        auto no = prepared(pos);
        no->plyValue[0] = NO_MOVE_SIDE1;
        EXPECT_FALSE(no->lookupBook()) << record;
        EXPECT_EQ(no->plyValue[0], NO_MOVE_SIDE1) << record;
    }
    pos.hand[1][HU] = 1;
    auto with = prepared(pos);
    EXPECT_TRUE(with->lookupBook());
    EXPECT_EQ(with->chosenMove, (EngineMove{-1, -1, 16, 7, 2, 16, EMPTY}));
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

TEST(SearchNodes, RecaptureTakesOnlyTheLastMovedPiece) {
    // Nothing of side 1 attacks the pawn: stand pat. Side 0's kin has just moved next to side 1's
    // hi line: side 1 takes it (-1010) and side 0 does not retake.
    for (auto [sfen, target, value, made] :
         {std::tuple{"4k4/9/9/9/4P4/9/9/9/4K4 b - 1", squareOf(4, 4), 0, 0u},
          {"4k4/9/9/4r4/9/9/4G4/9/K8 b - 1", squareOf(6, 4), -1010, 1u}}) {
        auto s = prepared(fromSfen(sfen));
        s->kingSquare[0][7] = s->kingSquare[0][0];
        s->lastTarget[7] = target;
        s->plyValue[7] = NO_MOVE_SIDE0;
        s->moveScore[7] = 0;
        s->ply = 8;
        s->recaptureSearch();
        EXPECT_EQ(s->plyValue[8], value) << sfen;
        EXPECT_EQ(movesMade(*s), made) << sfen;
    }
}

TEST(SearchNodes, MoveMemoryIsMostRecentFirstWithoutDuplicates) {
    SearcherUnderTest s;
    s->memorySize[5] = 3;
    auto move = [](int n) { return RememberedMove{n, n + 1, 0, 0, EMPTY, 0}; };
    auto expectList = [&](std::initializer_list<int> ns) {
        int i = 0;
        for (int n : ns) EXPECT_EQ(s->moveMemory[5][i++], move(n)) << i;
        EXPECT_EQ(s->moveMemory[5][3], RememberedMove{});  // nothing beyond memorySize
    };
    for (int n : {1, 2, 3}) s->rememberMove(5, move(n));
    expectList({3, 2, 1});
    s->rememberMove(5, move(1));  // already there: to the front, nothing falls out
    expectList({1, 3, 2});
    s->rememberMove(5, move(4));  // new: the oldest falls out
    expectList({4, 1, 3});
}

}  // namespace
}  // namespace kaz
