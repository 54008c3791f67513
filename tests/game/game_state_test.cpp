#include "game/game_state.h"

#include <gtest/gtest.h>

#include "engine/position/sfen.h"
#include "tests/support/game_driver.h"
#include "tests/support/sfen_of.h"

namespace kaz::test {
namespace {

using Msg = ScriptedWindow::Message;

TEST(GameState, StartAndResetClearTheRecord) {
    TestGame game;
    GameState& g = *game;
    game.start(/*humanSecond=*/true);
    EXPECT_TRUE(g.started && !g.humanToMove);
    game.computer(33, 34);
    g.paused = true;
    g.thinking = true;
    resetGame(g);  // refused during a think of a running game
    EXPECT_TRUE(g.started);
    EXPECT_EQ(g.statusText.get(), "コンピュータの思考中は戻せません。");
    EXPECT_EQ(g.recordLength, 1);

    g.gameOver = true;  // ...but accepted once the game is over
    g.showLastMove = true;
    resetGame(g);
    EXPECT_FALSE(g.started || g.thinking || g.paused || g.gameOver || g.showLastMove);
    EXPECT_TRUE(g.humanToMove && g.engineResetPending);
    EXPECT_EQ(g.humanIsSecond, 0);
    EXPECT_EQ(g.recordLength, 0);
    EXPECT_EQ(g.board, g.initialBoard);
    EXPECT_EQ(g.moveRecord.boards[1], g.initialBoard);
}

// Moves, captures and navigation are checked through the window's clicks and commands and the
// saved records; here what those leave out.
TEST(GameState, EmptyHandDropAndAMoveAfterSteppingBackEndTheRecord) {
    TestGame game;
    GameState& g = *game;
    game.start();
    playShortGame(game);
    // A drop from an empty hand places the piece but never makes the count negative.
    ASSERT_TRUE(game.humanDrop(KIN, 55));
    EXPECT_EQ(g.hands[0][KIN], 0);
    EXPECT_EQ(g.board[cellAt(55)], KIN);

    for (int i = 0; i < 3; ++i) goBackOne(g);
    ASSERT_TRUE(g.humanToMove);
    ASSERT_TRUE(game.human(37, 36));
    EXPECT_EQ(g.cursor, 7);
    EXPECT_EQ(g.recordLength, 7);
    EXPECT_EQ(g.moveRecord.boards[7][cellAt(36)], HU);
    EXPECT_EQ(g.moveRecord.boards[7][cellAt(34)], HU | OWNER_BIT);  // from slot 6, not slot 9
}

TEST(GameState, SwapSidesTwiceIsTheIdentity) {
    TestGame game;
    GameState& g = *game;
    game.start();
    play(game, "77-76 33-34");
    swapSides(g);  // two moves are not enough
    EXPECT_EQ(game.window.takeMessages(),
              (std::vector<Msg>{{"反転させるには棋譜の手数が足りません。", "失敗"}}));
    EXPECT_EQ(g.humanIsSecond, 0);
    play(game, "88-22+ 31-22 B*45 51-42");

    auto before = std::make_unique<MoveRecord>(g.moveRecord);
    const int length = g.recordLength;
    swapSides(g);
    EXPECT_EQ(g.humanIsSecond, 1);
    EXPECT_TRUE(!g.humanToMove && g.paused);
    EXPECT_EQ(g.cursor, 0);
    // The human now owns what was the computer's: its bishop in hand from the capture on 22.
    EXPECT_EQ(g.moveRecord.hands[0][4][KAKU], 1);
    // The first move, turned round: now the computer's pawn.
    EXPECT_EQ(g.moveRecord.boards[1][cellAt(34)], HU | OWNER_BIT);

    // Ignored while the computer is to move; swapped back once the human is.
    swapSides(g);
    EXPECT_EQ(g.humanIsSecond, 1);
    g.humanToMove = true;
    swapSides(g);
    EXPECT_EQ(g.humanIsSecond, 0);
    EXPECT_TRUE(g.humanToMove);
    EXPECT_EQ(g.recordLength, length);
    expectSameSlots(g.moveRecord, *before, length);
    EXPECT_TRUE(game.window.takeMessages().empty());
}

// A record from a set-up position with gote to move: the human takes sente and so moves second;
// navigation returns to the record's own start, and a reset to the standard one.
TEST(GameState, RecordFromASetUpPosition) {
    TestGame game;
    GameState& g = *game;
    auto record = std::make_unique<MoveRecord>();
    const SfenPosition start = testing::sfenOf("4k4/9/9/9/9/9/9/9/4K4 w G2Pr 1");
    fromEnginePosition(start.pos, record->boards[0], record->hands[0][0], record->hands[1][0]);
    record->header.goteFirst = true;
    ASSERT_TRUE(takeRecord(g, *record, 0));
    EXPECT_TRUE(humanIsSente(g));
    EXPECT_EQ(g.humanIsSecond, 1);
    EXPECT_FALSE(g.humanToMove);
    g.humanToMove = true;  // the human's moves stand in for both sides' here
    ASSERT_TRUE(game.human(59, 58));
    g.humanToMove = true;
    ASSERT_TRUE(game.humanDrop(KIN, 52));
    goToStart(g);
    EXPECT_EQ(g.board, record->boards[0]);
    EXPECT_EQ(g.hands[0][HU], 2);
    EXPECT_FALSE(g.humanToMove);  // gote, the computer, moves at even numbers
    goForwardOne(g);
    EXPECT_TRUE(g.humanToMove);
    resetGame(g);
    EXPECT_EQ(g.board, g.initialBoard);
    EXPECT_FALSE(g.moveRecord.header.goteFirst);
    g.thinking = true;
    EXPECT_FALSE(takeRecord(g, *record, 0));
    EXPECT_EQ(g.board, g.initialBoard);
}

// The human's move limit is checked through the window's clicks; here, recording never writes
// past the last slot.
TEST(GameState, RecordingStopsAtTheLastSlot) {
    TestGame game;
    GameState& g = *game;
    g.cursor = RECORD_SLOTS - 1;
    const GameBoard last = g.moveRecord.boards[RECORD_SLOTS - 1];
    g.board[cellAt(77)] = EMPTY;
    EXPECT_FALSE(recordPosition(g));
    EXPECT_EQ(g.cursor, RECORD_SLOTS - 1);
    EXPECT_EQ(g.moveRecord.boards[RECORD_SLOTS - 1], last);
}

}  // namespace
}  // namespace kaz::test
