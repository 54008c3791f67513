#include <gtest/gtest.h>

#include <set>

#include "tests/ui/window_fixture.h"
#include "ui/move_entry.h"

namespace kaz::test {
namespace {

using Msg = ScriptedWindow::Message;
using Cell = std::pair<int, int>;  // (col, row)

const Msg PROMOTION_QUESTION{"成りますか？", "成り・不成の選択"};

struct Placed {
    int row, col, code;
};

// A started game (human first) on a board holding only the given pieces.
void setUp(WindowFixture& f, std::initializer_list<Placed> pieces, GameHand humanHand = {}) {
    f.start();
    GameState& g = f.g();
    g.board = makeEmptyBoard();
    for (const Placed& p : pieces) g.board[cellOf(p.row, p.col)] = p.code;
    g.hands[0] = humanHand;
    f.window->paintBoard();
    f.settle();
}

// Every board cell's colour: blue, green or yellow.
void expectCellColours(WindowFixture& f, Cell blue, const std::set<Cell>& green) {
    for (int row = 0; row < 9; ++row)
        for (int col = 0; col < 9; ++col) {
            const QColor want = Cell{col, row} == blue    ? BLUE
                                : green.count({col, row}) ? GREEN
                                                          : YELLOW;
            ASSERT_EQ(f.cellColour(col, row), want) << "col " << col << " row " << row;
        }
}

std::set<Cell> reachableCells(const ui::MoveEntry& entry) {
    std::set<Cell> cells;
    for (int row = 0; row < 9; ++row)
        for (int col = 0; col < 9; ++col)
            if (entry.reachable[cellOf(row, col)] != 0) cells.insert({col, row});
    return cells;
}

TEST(Clicks, SelectingAPieceShowsItAndWhereItCanGo) {
    WindowFixture f;
    f.start();
    // The rook at row 7, col 7 of the starting position: left up to the bishop, right to the
    // edge; its own pawn and knight block the other two lines.
    f.clickCell(7, 7);
    EXPECT_EQ(f.g().selectionState, 1);
    expectCellColours(f, {7, 7}, {{2, 7}, {3, 7}, {4, 7}, {5, 7}, {6, 7}, {8, 7}});

    // A click on the selected cell clears the selection, and the colours go.
    f.clickCell(7, 7);
    EXPECT_EQ(f.g().selectionState, 0);
    expectCellColours(f, {-1, -1}, {});
}

TEST(Clicks, ReachableCellsOfEachKindOfMove) {
    WindowFixture f;
    // A rook on row 4 with an own pawn two to its left and a computer pawn two above.
    setUp(f, {{4, 4, HI}, {4, 2, HU}, {2, 4, HU | OWNER_BIT}, {8, 8, GYOKU}});
    f.clickCell(4, 4);
    // It may take the first computer piece on a line, never go past it, and stops before its own.
    expectCellColours(
        f, {4, 4},
        {{3, 4}, {4, 3}, {4, 2}, {5, 4}, {6, 4}, {7, 4}, {8, 4}, {4, 5}, {4, 6}, {4, 7}, {4, 8}});

    const auto targetsOf = [&](int code, int row, int col) {
        GameState& g = f.g();
        g.board = makeEmptyBoard();
        g.board[cellOf(row, col)] = code;
        g.selRow = row;
        g.selCol = col;
        g.selPiece = code;
        ui::MoveEntry entry;
        ui::computeTargets(g, entry);
        return reachableCells(entry);
    };
    EXPECT_EQ(targetsOf(KEI, 4, 4), (std::set<Cell>{{3, 2}, {5, 2}}));
    EXPECT_EQ(targetsOf(GIN, 4, 4), (std::set<Cell>{{3, 3}, {4, 3}, {5, 3}, {3, 5}, {5, 5}}));
    EXPECT_EQ(targetsOf(TOKIN, 4, 4),
              (std::set<Cell>{{3, 3}, {4, 3}, {5, 3}, {3, 4}, {5, 4}, {4, 5}}));
    // Pieces at the edge stay on the board.
    EXPECT_EQ(targetsOf(KEI, 1, 0), (std::set<Cell>{}));
    EXPECT_EQ(targetsOf(KYO, 3, 0), (std::set<Cell>{{0, 2}, {0, 1}, {0, 0}}));
    EXPECT_EQ(targetsOf(GYOKU, 0, 8), (std::set<Cell>{{7, 0}, {7, 1}, {8, 1}}));
    const std::set<Cell> horse = targetsOf(UMA, 0, 0);
    EXPECT_EQ(horse.size(), 10u);  // two steps and the long diagonal
    EXPECT_TRUE(horse.count({1, 0}) && horse.count({0, 1}) && horse.count({8, 8}));
    const std::set<Cell> dragon = targetsOf(RYU, 8, 8);
    EXPECT_EQ(dragon.size(), 17u);  // one diagonal step and two full lines
    EXPECT_TRUE(dragon.count({7, 7}) && dragon.count({0, 8}) && dragon.count({8, 0}));
}

TEST(Clicks, TwoClicksMoveAPieceAndRecordIt) {
    WindowFixture f;
    f.start();
    GameState& g = f.g();
    f.clickCell(2, 6);
    f.clickCell(2, 5);
    EXPECT_EQ(g.board[cellOf(5, 2)], HU);
    EXPECT_EQ(g.board[cellOf(6, 2)], EMPTY);
    EXPECT_EQ(g.recordLength, 1);
    EXPECT_EQ(g.cursor, 1);
    EXPECT_EQ(g.moveRecord.boards[1], g.board);
    EXPECT_FALSE(g.humanToMove);
    EXPECT_EQ(g.selectionState, 0);
    EXPECT_TRUE(f.dialogs.questions().size() == 1);  // only who moves first
    EXPECT_FALSE(g.inputBusy);
    // The computer's turn: further clicks are ignored.
    f.clickCell(3, 6);
    EXPECT_EQ(g.selectionState, 0);
}

TEST(Clicks, UnreachableTargetsAndTheComputersPiecesAreIgnored) {
    WindowFixture f;
    f.start();
    GameState& g = f.g();
    f.clickCell(4, 0);  // the computer's king: nothing selected
    EXPECT_EQ(g.selectionState, 0);
    f.clickCell(4, 4);  // an empty cell: nothing selected
    EXPECT_EQ(g.selectionState, 0);
    f.clickCell(2, 6);
    f.clickCell(2, 4);  // two cells ahead: the pawn cannot go there
    EXPECT_EQ(g.selectionState, 1);
    EXPECT_EQ(g.recordLength, 0);
    EXPECT_EQ(g.board[cellOf(6, 2)], HU);
    // Outside the board (right of it, then the hand area) clears the selection.
    f.clickAt(380, 100);
    EXPECT_EQ(g.selectionState, 0);
    expectCellColours(f, {-1, -1}, {});
    f.clickCell(2, 6);
    f.clickAt(420, 220);
    EXPECT_EQ(g.selectionState, 0);
}

TEST(Clicks, HandCellsSelectByKindWhenTheHumanHasOne) {
    WindowFixture f;
    GameHand hand{};
    hand[HU] = 2;
    hand[GIN] = 1;
    setUp(f, {{8, 4, GYOKU}, {0, 4, GYOKU | OWNER_BIT}}, hand);
    GameState& g = f.g();
    // Pawns in both halves of the first hand row.
    for (const Cell& c : {Cell{10, 5}, Cell{13, 5}}) {
        f.clickCell(c.first, c.second);
        EXPECT_EQ(g.selectionState, 2);
        EXPECT_EQ(g.selPiece, HU);
        EXPECT_EQ(g.selCol, -1);
        EXPECT_EQ(f.cellColour(c.first, c.second), BLUE);
        f.clickCell(c.first, c.second);  // a click outside the board clears
        EXPECT_EQ(g.selectionState, 0);
    }
    f.clickCell(11, 7);  // silver
    EXPECT_EQ(g.selPiece, GIN);
    EXPECT_EQ(g.selectionState, 2);
    f.clickCell(11, 7);
    // A kind the human does not hold selects nothing; the computer's hand selects nothing.
    f.clickCell(12, 7);
    EXPECT_EQ(g.selectionState, 0);
    f.clickCell(10, 1);
    EXPECT_EQ(g.selectionState, 0);
    EXPECT_EQ(f.cellColour(10, 1), YELLOW);
}

TEST(Clicks, DropsFollowThePawnColumnRuleAndNeverAskAboutPromotion) {
    WindowFixture f;
    GameHand hand{};
    hand[HU] = 1;
    hand[GIN] = 1;
    setUp(f, {{8, 4, GYOKU}, {0, 4, GYOKU | OWNER_BIT}, {6, 4, HU}, {5, 3, TOKIN}}, hand);
    GameState& g = f.g();
    f.clickCell(10, 5);
    f.clickCell(4, 3);  // column 4 holds the human's pawn
    f.clickCell(4, 0);  // occupied by the computer's king
    EXPECT_EQ(g.selectionState, 2);
    EXPECT_EQ(g.recordLength, 0);
    f.clickCell(3, 0);  // column 3 has only a promoted pawn: allowed, even on row 0
    EXPECT_EQ(g.board[cellOf(0, 3)], HU);
    EXPECT_EQ(g.hands[0][HU], 0);
    EXPECT_EQ(g.recordLength, 1);

    // The computer's turn passes (played by the test); then a silver dropped into its camp.
    g.humanToMove = true;
    f.clickCell(11, 7);
    f.clickCell(6, 1);
    EXPECT_EQ(g.board[cellOf(1, 6)], GIN);
    EXPECT_EQ(f.dialogs.questions().size(), 1u);  // only who moves first
}

TEST(Clicks, PromotionIsAskedIntoAndOutOfTheFarCamp) {
    WindowFixture f;
    setUp(f, {{8, 4, GYOKU},
              {0, 4, GYOKU | OWNER_BIT},
              {3, 2, GIN},
              {2, 6, GIN},
              {1, 0, KIN},
              {7, 7, HU}});
    GameState& g = f.g();
    // Row 3 to row 2, answered Yes.
    f.dialogs.queueYesNo(true);
    f.clickCell(2, 3);
    f.clickCell(2, 2);
    EXPECT_EQ(g.board[cellOf(2, 2)], NGIN);
    ASSERT_EQ(f.dialogs.questions().size(), 2u);
    EXPECT_EQ(f.dialogs.questions()[1], PROMOTION_QUESTION);

    // Row 2 back to row 3, answered No.
    g.humanToMove = true;
    f.dialogs.queueYesNo(false);
    f.clickCell(6, 2);
    f.clickCell(7, 3);
    EXPECT_EQ(g.board[cellOf(3, 7)], GIN);
    EXPECT_EQ(f.dialogs.questions().size(), 3u);

    // A gold, a promoted piece and a move outside the camp are not asked about.
    const std::pair<Cell, Cell> unasked[] = {{{0, 1}, {0, 0}}, {{2, 2}, {2, 1}}, {{7, 7}, {7, 6}}};
    for (const auto& [from, to] : unasked) {
        g.humanToMove = true;
        f.clickCell(from.first, from.second);
        f.clickCell(to.first, to.second);
        EXPECT_EQ(g.selectionState, 0);
    }
    EXPECT_EQ(f.dialogs.questions().size(), 3u);
    EXPECT_EQ(g.recordLength, 5);
}

// Answers the promotion question after clicking into the window from inside the question, as a
// click arriving in the question's event loop would.
class ReenteringDialogs : public ScriptedWindow {
  public:
    std::function<void()> duringQuestion;
    bool askYesNo(std::string_view text, std::string_view caption) override {
        if (duringQuestion) duringQuestion();
        return ScriptedWindow::askYesNo(text, caption);
    }
};

TEST(Clicks, AClickDuringThePromotionQuestionIsDropped) {
    auto game = std::make_unique<GameState>();
    auto searcher = std::make_unique<Searcher>();
    ReenteringDialogs dialogs;
    ui::MainWindow window(*game, *searcher, {false, &dialogs});
    GameState& g = *game;
    dialogs.queueYesNo(true);
    window.handleCommand(ui::CMD_START_RESET);
    g.board = makeEmptyBoard();
    g.board[cellOf(3, 2)] = HU;
    g.board[cellOf(8, 4)] = GYOKU;
    bool busyDuringQuestion = false;
    dialogs.duringQuestion = [&] {
        busyDuringQuestion = g.inputBusy;
        window.handleClick(600, 20);  // would clear the selection if it were handled
    };
    dialogs.queueYesNo(true);
    window.handleClick(2 * 40 + 5, 3 * 40 + 5);
    window.handleClick(2 * 40 + 5, 2 * 40 + 5);
    EXPECT_TRUE(busyDuringQuestion);
    EXPECT_EQ(g.board[cellOf(2, 2)], TOKIN);
    EXPECT_FALSE(g.inputBusy);
}

TEST(Clicks, TheRecordLimitRefusesAMoveAndKeepsTheSelection) {
    WindowFixture f;
    f.start();
    GameState& g = f.g();
    g.cursor = g.recordLength = 497;  // the human to move there (as if by navigation)
    f.clickCell(2, 6);
    f.clickCell(2, 5);
    EXPECT_EQ(g.recordLength, 498);

    g.humanToMove = true;
    f.clickCell(3, 6);
    f.clickCell(3, 5);
    EXPECT_EQ(g.statusText.get(), "手数がオーバーです。これ以上は指せません。");
    EXPECT_EQ(g.selectionState, 1);
    EXPECT_EQ(g.board[cellOf(6, 3)], HU);
    EXPECT_EQ(g.recordLength, 498);
    EXPECT_FALSE(g.inputBusy);
    // Later clicks are handled again: the selection can be cleared.
    f.clickCell(3, 6);
    EXPECT_EQ(g.selectionState, 0);
}

TEST(Clicks, NothingHappensBeforeAGameStartsOrAfterItEnds) {
    WindowFixture f;
    GameState& g = f.g();
    f.clickCell(2, 6);
    EXPECT_EQ(g.selectionState, 0);
    f.start();
    g.gameOver = true;
    f.clickCell(2, 6);
    EXPECT_EQ(g.selectionState, 0);
    g.gameOver = false;
    g.thinking = true;
    f.clickCell(2, 6);
    EXPECT_EQ(g.selectionState, 0);
    g.thinking = false;
    // A release dragged out to the left of the window counts as outside the board.
    f.clickCell(2, 6);
    ASSERT_EQ(g.selectionState, 1);
    f.window->handleClick(-5, 250);
    EXPECT_EQ(g.selectionState, 0);
}

}  // namespace
}  // namespace kaz::test
