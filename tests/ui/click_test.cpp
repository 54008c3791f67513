#include <gtest/gtest.h>

#include <set>

#include "tests/support/sfen_of.h"
#include "tests/ui/window_fixture.h"
#include "ui/move_entry.h"

namespace kaz::test {
namespace {

using Msg = ScriptedWindow::Message;
using Cell = std::pair<int, int>;  // (col, row)

// A started game (human first) on an SFEN position, the human's pieces in uppercase.
void setUp(WindowFixture& f, std::string_view sfen) {
    f.start();
    const SfenPosition s = testing::sfenOf(sfen);
    fromEnginePosition(s.pos, f.g().board, f.g().hands[0], f.g().hands[1]);
    f.window->paintBoard();
    f.settle();
}

// Every board cell's colour, read from the painted image: blue, green or yellow.
void expectCellColours(WindowFixture& f, Cell blue, const std::set<Cell>& green) {
    for (int row = 0; row < 9; ++row)
        for (int col = 0; col < 9; ++col) {
            const QColor want = Cell{col, row} == blue    ? BLUE
                                : green.count({col, row}) ? GREEN
                                                          : YELLOW;
            ASSERT_EQ(f.cellColour(col, row), want) << "col " << col << " row " << row;
        }
}

TEST(Clicks, SelectionShowsTargetsAndIsClearedOutsideTheBoard) {
    WindowFixture f;
    GameState& g = f.g();
    f.clickCell(2, 6);  // no game yet
    EXPECT_EQ(f.window->moveEntry().selectionState, 0);
    f.start();
    f.clickCell(4, 0);  // the computer's king
    f.clickCell(4, 4);  // an empty cell
    EXPECT_EQ(f.window->moveEntry().selectionState, 0);

    // The rook of the starting position: left up to the bishop, right to the edge.
    f.clickCell(7, 7);
    EXPECT_EQ(f.window->moveEntry().selectionState, 1);
    expectCellColours(f, {7, 7}, {{2, 7}, {3, 7}, {4, 7}, {5, 7}, {6, 7}, {8, 7}});
    f.clickCell(7, 7);  // the selected cell again: cleared
    EXPECT_EQ(f.window->moveEntry().selectionState, 0);
    expectCellColours(f, {-1, -1}, {});

    f.clickCell(2, 6);
    f.clickCell(2, 4);  // two cells ahead: the pawn cannot go there
    EXPECT_EQ(f.window->moveEntry().selectionState, 1);
    EXPECT_EQ(g.recordLength, 0);
    expectCellColours(f, {2, 6}, {{2, 5}});
    // Right of the board, the hand area, and a release dragged out to the left all clear it.
    for (const QPoint& outside : {QPoint(380, 100), QPoint(420, 220), QPoint(-5, 250)}) {
        ASSERT_EQ(f.window->moveEntry().selectionState, 1);
        f.window->handleClick(outside.x(), outside.y());
        f.settle();
        EXPECT_EQ(f.window->moveEntry().selectionState, 0) << outside.x();
        expectCellColours(f, {-1, -1}, {});
        f.clickCell(2, 6);
    }
    f.clickCell(2, 6);

    // Nothing is selected after the game ends or during a think.
    g.gameOver = true;
    f.clickCell(2, 6);
    g.gameOver = false;
    g.thinking = true;
    f.clickCell(2, 6);
    EXPECT_EQ(f.window->moveEntry().selectionState, 0);
}

TEST(Clicks, TwoClicksMoveAPieceAndRecordItUpToTheRecordLimit) {
    WindowFixture f;
    f.start();
    GameState& g = f.g();
    f.clickMove(2, 6, 2, 5);
    EXPECT_EQ(g.board[cellOf(5, 2)], HU);
    EXPECT_EQ(g.recordLength, 1);
    EXPECT_EQ(f.window->moveEntry().selectionState, 0);
    EXPECT_EQ(f.dialogs.questions().size(), 1u);  // only who moves first
    f.clickCell(3, 6);                            // the computer's turn: ignored
    EXPECT_EQ(f.window->moveEntry().selectionState, 0);

    // At move 498 a move is refused (by the game) and the selection stays for another try.
    g.humanToMove = true;
    g.cursor = g.recordLength = 498;
    f.clickMove(3, 6, 3, 5);
    EXPECT_EQ(g.recordLength, 498);
    EXPECT_EQ(f.window->moveEntry().selectionState, 1);
    f.clickCell(3, 6);  // later clicks are handled again
    EXPECT_EQ(f.window->moveEntry().selectionState, 0);
}

TEST(Clicks, HandCellsSelectByKindAndDropsFollowThePawnColumnRule) {
    WindowFixture f;
    setUp(f, "4k4/9/9/9/9/3+P5/4P4/9/4K4 b S2P 1");
    GameState& g = f.g();
    // Pawns in both halves of the first hand row, then the silver; a second click clears.
    const std::pair<Cell, int> picks[] = {{{10, 5}, HU}, {{13, 5}, HU}, {{11, 7}, GIN}};
    for (const auto& [cell, kind] : picks) {
        f.clickCell(cell.first, cell.second);
        EXPECT_EQ(f.window->moveEntry().selectionState, 2);
        EXPECT_EQ(f.window->moveEntry().selPiece, kind);
        EXPECT_EQ(f.cellColour(cell.first, cell.second), BLUE);
        f.clickCell(cell.first, cell.second);
        EXPECT_EQ(f.window->moveEntry().selectionState, 0);
    }
    // A kind the human does not hold selects nothing, nor does the computer's hand.
    f.clickCell(12, 7);
    f.clickCell(10, 1);
    EXPECT_EQ(f.window->moveEntry().selectionState, 0);
    EXPECT_EQ(f.cellColour(10, 1), YELLOW);

    f.clickCell(10, 5);
    f.clickCell(4, 3);  // column 4 holds the human's pawn
    f.clickCell(4, 0);  // occupied by the computer's king
    EXPECT_EQ(f.window->moveEntry().selectionState, 2);
    EXPECT_EQ(g.recordLength, 0);
    f.clickCell(3, 0);  // a pawn on the last row could never move
    EXPECT_EQ(g.recordLength, 0);
    f.clickCell(3, 1);  // column 3 has only a promoted pawn: allowed
    EXPECT_EQ(g.board[cellOf(1, 3)], HU);
    EXPECT_EQ(g.hands[0][HU], 1);
    EXPECT_EQ(g.recordLength, 1);
    // A silver dropped into the computer's camp is never asked about promotion.
    g.humanToMove = true;
    f.clickMove(11, 7, 6, 1);
    EXPECT_EQ(g.board[cellOf(1, 6)], GIN);
    EXPECT_EQ(f.dialogs.questions().size(), 1u);  // only who moves first
}

TEST(Clicks, PromotionIsAskedIntoAndOutOfTheFarCamp) {
    WindowFixture f;
    setUp(f, "4k4/G7P/6S2/2S6/9/9/9/7P1/4K4 b - 1");
    GameState& g = f.g();
    // Into the camp answered Yes, out of it answered No (-1: not asked): a gold, a promoted piece,
    // a move outside the camp and a pawn reaching the last row are not asked about.
    const struct {
        Cell from, to;
        int answer, piece;
    } moves[] = {{{2, 3}, {2, 2}, 1, NGIN},  {{6, 2}, {7, 3}, 0, GIN}, {{0, 1}, {0, 0}, -1, KIN},
                 {{2, 2}, {2, 1}, -1, NGIN}, {{7, 7}, {7, 6}, -1, HU}, {{8, 1}, {8, 0}, -1, TOKIN}};
    std::size_t asked = 1;  // who moves first
    for (const auto& m : moves) {
        g.humanToMove = true;
        if (m.answer >= 0) f.dialogs.queueYesNo(m.answer == 1);
        f.clickMove(m.from.first, m.from.second, m.to.first, m.to.second);
        EXPECT_EQ(g.board[cellOf(m.to.second, m.to.first)], m.piece) << m.to.first;
        EXPECT_EQ(f.dialogs.questions().size(), asked += m.answer >= 0) << m.to.first;
    }
    EXPECT_EQ(f.dialogs.questions()[1], (Msg{"成りますか？", "成り・不成の選択"}));
    EXPECT_EQ(g.recordLength, 6);
}

TEST(Clicks, AClickDuringThePromotionQuestionIsDropped) {
    WindowFixture f;
    setUp(f, "9/9/9/2P6/9/9/9/9/4K4 b - 1");
    GameState& g = f.g();
    bool busyDuringQuestion = false;
    f.dialogs.duringQuestion = [&] {
        busyDuringQuestion = g.inputBusy;
        f.window->handleClick(600, 20);  // would clear the selection if it were handled
    };
    f.dialogs.queueYesNo(true);
    f.clickMove(2, 3, 2, 2);
    EXPECT_TRUE(busyDuringQuestion);
    EXPECT_EQ(g.board[cellOf(2, 2)], TOKIN);
    EXPECT_FALSE(g.inputBusy);
}

}  // namespace
}  // namespace kaz::test
