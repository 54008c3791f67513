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

TEST(RealGame, TheComputerMovesFirstAndAnswersAMoveEnteredByClicks) {
    WindowFixture f(/*workers=*/true, /*seed=*/20240601);
    GameState& g = f.g();
    // As second player the computer thinks at once; the status line shows the value.
    f.start(/*humanFirst=*/false);
    ASSERT_TRUE(computerAnswered(f, 1));
    EXPECT_EQ(g.moveRecord.boards[1], g.board);
    EXPECT_TRUE(f.waitUntil(
        [&] { return g.statusText.get().starts_with("プレイヤーの手番です。評価値＝"); }, 5000));
    // One move in, nothing of the computer's can stand in front of the human's pawns yet.
    f.clickMove(2, 6, 2, 5);
    ASSERT_TRUE(computerAnswered(f, 3));
    EXPECT_FALSE(g.gameOver);
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
