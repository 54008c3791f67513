#include "game/turn_control.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/position/sfen.h"
#include "engine/search/searcher.h"
#include "tests/support/eventually.h"
#include "tests/support/game_driver.h"
#include "tests/support/searcher_access.h"
#include "tests/support/sfen_of.h"

namespace kaz::test {
namespace {

using namespace std::chrono_literals;

// A game with a real searcher and both worker threads, running.
struct EngineGame : TestGame {
    std::unique_ptr<Searcher> searcher = std::make_unique<Searcher>();
    TurnControl control;

    explicit EngineGame(ThinkLimits limits = {.seed = 1}) : control{*state, *searcher, limits} {
        control.start();
    }

    bool idleHuman() { return state->humanToMove && !state->thinking; }

    // Puts an SFEN position (lowercase = the computer) on the board as slot `moveNumber` and
    // gives the turn to the computer.
    void computerToMoveIn(std::string_view sfenText, int moveNumber) {
        const SfenPosition sfen = testing::sfenOf(sfenText);
        GameState& g = *state;
        {
            std::lock_guard lock(g.gameLock);
            fromEnginePosition(sfen.pos, g.board, g.hands[0], g.hands[1]);
            g.cursor = moveNumber - 1;
            recordPosition(g);
            g.started = true;
            g.humanToMove = false;
        }
        g.stateChanged.notify_all();
    }
};

// Cells that differ between two boards.
int changedCells(const GameBoard& a, const GameBoard& b) {
    int n = 0;
    for (int i = 0; i < 400; ++i) n += a[i] != b[i];
    return n;
}

TEST(TurnControl, AnswersTheHumanPausesAndStopsRepaintingWhenIdle) {
    EngineGame game;
    GameState& g = *game;
    game.start();
    ASSERT_TRUE(eventually([&] { return g.statusText.get().starts_with("プレイヤーの手番です"); }));
    ASSERT_TRUE(game.human(77, 76));
    ASSERT_TRUE(eventually([&] { return game.idleHuman() && g.recordLength == 2; }));
    EXPECT_EQ(g.cursor, 2);
    EXPECT_EQ(changedCells(g.moveRecord.boards[1], g.moveRecord.boards[2]), 2);

    // On the human's turn the status line is repainted ten times, then no more.
    ASSERT_TRUE(eventually([&] { return g.idleRepaints >= 10; }));
    std::this_thread::sleep_for(50ms);
    const int settled = game.window.repaints();
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(game.window.repaints(), settled);

    // Back one: the computer is to move but paused; it repaints the paused status and waits.
    goBackOne(g);
    ASSERT_FALSE(g.humanToMove);
    ASSERT_TRUE(g.paused);
    ASSERT_TRUE(eventually([&] { return g.statusText.get() == STATUS_PAUSED; }));
    const int before = game.window.repaints();
    std::this_thread::sleep_for(450ms);
    EXPECT_GE(game.window.repaints() - before, 2);
    EXPECT_EQ(g.recordLength, 2);
    EXPECT_FALSE(g.thinking);

    togglePause(g);
    ASSERT_TRUE(eventually([&] { return game.idleHuman() && g.cursor == 2; }));
    EXPECT_EQ(g.recordLength, 2);
}

TEST(TurnControl, TheStatusLineNamesBookMovesAndSolverMatesInsteadOfTheirMarkerValues) {
    {
        EngineGame game;
        GameState& g = *game;
        game.start();
        ASSERT_TRUE(game.human(77, 76));  // answered from the book
        ASSERT_TRUE(eventually([&] { return game.idleHuman() && g.recordLength == 2; }));
        ASSERT_EQ(g.thinkValue, -100000);
        EXPECT_TRUE(eventually([&] { return g.statusText.get() == "プレイヤーの手番です。定跡"; }));
    }
    EngineGame game({.seed = 1, .solverFirst = true});  // the solver's mate, whatever the timing
    GameState& g = *game;
    game.computerToMoveIn("4k4/9/9/9/9/9/4p4/9/4K4 w g 1", 4);  // a gold drop mates
    ASSERT_TRUE(eventually([&] { return game.idleHuman() && g.recordLength == 5; }));
    ASSERT_EQ(g.thinkValue, 1 - 100000);
    EXPECT_TRUE(eventually([&] {
        return g.statusText.get() == "プレイヤーの手番です。1手詰め（コンピュータの勝ち）";
    }));
    EXPECT_EQ(humanTurnStatus(-250, ThinkValueKind::Evaluation, 0),
              "プレイヤーの手番です。評価値＝-250");
}

TEST(TurnControl, TakingTheKingCutsTheRecordBackByOne) {
    EngineGame game;
    GameState& g = *game;
    game.computerToMoveIn("k3r4/9/9/9/9/9/9/9/4K4 w - 1", 6);
    ASSERT_TRUE(eventually([&] { return g.gameOver.load(); }));
    EXPECT_EQ(g.statusText.get(), STATUS_KING_TAKEN);
    EXPECT_EQ(g.cursor, 5);
    EXPECT_EQ(g.recordLength, 5);
    EXPECT_EQ(g.hands[1][GYOKU], 0);
    EXPECT_EQ(g.board[cellOf(8, 4)] & (OWNER_BIT | 7), OWNER_BIT | HI);  // the board shows it
    // Once the turn is back, navigation resumes the game.
    ASSERT_TRUE(eventually([&] { return game.idleHuman(); }));
    goBackOne(g);
    EXPECT_TRUE(!g.gameOver && g.paused);
    EXPECT_EQ(g.cursor, 4);
}

TEST(TurnControl, ResignationThenAResetDuringTheGameEndPauseAndAFirstMove) {
    EngineGame game;
    GameState& g = *game;
    game.computerToMoveIn("k8/9/9/9/9/9/9/9/RRBBK4 w GGGGSSSSNNNNLLLLPPPPPPPPPPPPPPPPPP 1", 4);
    ASSERT_TRUE(eventually([&] { return g.gameOver.load(); }));
    EXPECT_TRUE(g.statusText.get().starts_with("コンピュータが投了しました。試合終了です。"));
    EXPECT_FALSE(g.showLastMove);
    EXPECT_EQ(g.recordLength, 4);
    EXPECT_EQ(g.moveRecord.boards[4], g.board);
    ASSERT_TRUE(g.thinking);  // still in the pause after the message

    // The ended think hands nothing over to the new game, where the computer moves first at once.
    resetGame(g);
    EXPECT_FALSE(g.started);
    game.start(/*humanSecond=*/true);
    ASSERT_TRUE(eventually([&] { return game.idleHuman() && g.recordLength == 1; }));
    EXPECT_EQ(g.cursor, 1);
    EXPECT_EQ(g.moveRecord.boards[1], g.board);
    EXPECT_EQ(changedCells(g.initialBoard, g.board), 2);
    ASSERT_TRUE(g.showLastMove);  // on the computer's piece
    EXPECT_TRUE(g.board[cellOf(g.lastMoveRow, g.lastMoveCol)] & OWNER_BIT);
    ASSERT_TRUE(eventually(
        [&] { return g.statusText.get().starts_with("プレイヤーの手番です。評価値＝"); }));
}

TEST(TurnControl, ComputerAtTheLastSlotDoesNotMove) {
    EngineGame game;
    GameState& g = *game;
    game.computerToMoveIn(STARTPOS_SFEN, RECORD_SLOTS - 1);
    ASSERT_TRUE(eventually([&] { return g.gameOver.load(); }));
    EXPECT_EQ(g.statusText.get(), STATUS_COMPUTER_AT_LIMIT);
    EXPECT_EQ(g.recordLength, RECORD_SLOTS - 1);
    EXPECT_EQ(g.board, g.initialBoard);
    EXPECT_EQ(SearcherTestAccess(*game.searcher).gameMoveCount, 0);  // no think ran
}

TEST(TurnControl, StopEndsALongThinkWithoutPlayingIt) {
    EngineGame game;
    GameState& g = *game;
    // A middle game that takes the search about a minute.
    game.computerToMoveIn(
        "lr5nl/3g1kg2/2n1ppsp1/p1pps3p/1p5P1/P1PPSPP1P/1PS1P1N2/2GK1G3/LN5RL w Bb 1", 2);
    ASSERT_TRUE(eventually([&] { return g.thinking.load(); }));
    std::this_thread::sleep_for(100ms);
    game.control.stop();  // returns once the think has noticed the request
    EXPECT_FALSE(g.thinking || g.humanToMove);
    EXPECT_EQ(g.recordLength, 2);
    EXPECT_EQ(g.board, g.moveRecord.boards[2]);
}

}  // namespace
}  // namespace kaz::test
