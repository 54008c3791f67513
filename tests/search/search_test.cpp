// The opening book's data and lookup, and the Searcher's loading, run directly on a prepared
// Searcher (no think, no threads). The score tables, king safety and the search nodes are pinned
// by the bench and think signature tests: a change there changes the node counts.

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "engine/position/sfen.h"
#include "engine/search/book.h"
#include "engine/search/searcher.h"
#include "tests/support/searcher_access.h"
#include "tests/support/sfen_of.h"

namespace kaz {
namespace {

using testing::sfenOf;

// A Searcher holding pos with its attack map built, as think leaves it before the root.
SearcherUnderTest prepared(const Position& pos) {
    SearcherUnderTest s;
    s->loadPosition(pos.board, pos.hand[0], pos.hand[1]);
    s->attackMap.buildAttackMap(s->position.board);
    return s;
}

TEST(Searcher, LoadPositionForgetsAMissingKing) {
    auto s = prepared(initialPosition());
    ASSERT_EQ(s->kingSquare[1][0], squareOf(0, 4));
    // Without side 1's king its square must not be the one of an earlier position, but a frame
    // square that nothing attacks.
    const Position noKing = sfenOf("9/9/9/9/9/9/9/9/4K4 b r 1").pos;
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

}  // namespace
}  // namespace kaz
