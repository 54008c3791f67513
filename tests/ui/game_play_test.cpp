#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "tests/ui/window_fixture.h"

namespace kaz::test {
namespace {

constexpr int THINK_LIMIT_MS = 180000;

// The computer has moved and handed the turn back; the turn thread repaints shortly after, and
// its target then shows in red.
::testing::AssertionResult computerAnswered(WindowFixture& f, int recordLength) {
    GameState& g = f.g();
    if (!f.waitUntil([&] { return g.humanToMove && !g.thinking && g.recordLength == recordLength; },
                     THINK_LIMIT_MS))
        return ::testing::AssertionFailure() << "no answer: " << g.statusText.get();
    if (!f.waitUntil([&] { return f.cellColour(g.lastMoveCol, g.lastMoveRow) == RED; }, 2000))
        return ::testing::AssertionFailure() << "its move is not highlighted";
    return ::testing::AssertionSuccess();
}

// Pawn pushes on the edges and the rook's file, tried in order: the first whose pawn is still
// there and whose target is empty is played.
struct Push {
    int col, row;
};
constexpr Push PUSHES[] = {{2, 6}, {7, 6}, {7, 5}, {0, 6}, {8, 6}, {7, 4}, {0, 5}, {8, 5}};

TEST(RealGame, TheComputerMovesFirstAndAnswersMovesEnteredByClicks) {
    WindowFixture f(/*workers=*/true, /*seed=*/20240601);
    GameState& g = f.g();
    QElapsedTimer timer;
    timer.start();
    // As second player the computer thinks at once; the status line shows the value.
    f.start(/*humanFirst=*/false);
    ASSERT_TRUE(computerAnswered(f, 1));
    EXPECT_EQ(g.moveRecord.boards[1], g.board);
    EXPECT_TRUE(f.waitUntil(
        [&] { return g.statusText.get().starts_with("プレイヤーの手番です。評価値＝"); }, 5000));

    for (int answers = 0; answers < 3; ++answers) {
        ASSERT_FALSE(g.gameOver) << g.statusText.get();
        const int before = g.recordLength;
        const Push* push = nullptr;
        for (const Push& p : PUSHES)
            if (g.board[cellOf(p.row, p.col)] == HU && g.board[cellOf(p.row - 1, p.col)] == EMPTY) {
                push = &p;
                break;
            }
        ASSERT_NE(push, nullptr);
        f.clickCell(push->col, push->row);
        f.clickCell(push->col, push->row - 1);
        {
            // The computer may already be thinking, or even have answered from its book.
            std::lock_guard lock(g.gameLock);
            ASSERT_GE(g.recordLength, before + 1);
        }
        ASSERT_TRUE(computerAnswered(f, before + 2));
    }
    EXPECT_FALSE(g.gameOver);
    std::printf("four computer moves in %lld ms\n", static_cast<long long>(timer.elapsed()));
}

TEST(RealGame, ClosingDuringAThinkEndsItPromptly) {
    WindowFixture f(/*workers=*/true, /*seed=*/3);
    GameState& g = f.g();
    // A middle game with pieces in both hands, where a think takes many seconds.
    f.dialogs.queueFile(KAZ_UI_TEST_DATA "/middle_game.kif");
    f.command(ui::CMD_LOAD_RECORD);
    f.command(ui::CMD_TO_END);
    ASSERT_FALSE(g.humanToMove);
    ASSERT_TRUE(g.paused);
    f.command(ui::CMD_PAUSE);
    ASSERT_TRUE(f.waitUntil([&] { return g.thinking.load(); }, 5000));
    f.waitUntil([] { return false; }, 300);
    ASSERT_TRUE(g.thinking) << "a think of this position takes many seconds";

    QElapsedTimer timer;
    timer.start();
    f.command(ui::CMD_EXIT);
    EXPECT_FALSE(f.window->isVisible());
    f.window.reset();  // stops and joins the worker threads
    // About 0.1 s in a release build against more than a minute for the whole think; the bound
    // leaves room for sanitizer builds.
    EXPECT_LT(timer.elapsed(), 20000);
    EXPECT_FALSE(g.thinking);
}

}  // namespace
}  // namespace kaz::test
