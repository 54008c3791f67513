#include "game/game_state.h"

#include <gtest/gtest.h>

#include "engine/position/sfen.h"
#include "tests/support/game_driver.h"

namespace kaz::test {
namespace {

using Msg = ScriptedWindow::Message;

bool slotEquals(const GameState& g, int k, const GameBoard& board, const GameHand& h0,
                const GameHand& h1) {
    return g.moveRecord.boards[k] == board && g.moveRecord.hands[0][k] == h0 &&
           g.moveRecord.hands[1][k] == h1;
}

bool showsSlot(const GameState& g, int k) {
    return slotEquals(g, k, g.board, g.hands[0], g.hands[1]);
}

TEST(GameState, InitGameClearsEverySlotAndMatchesTheStandardStart) {
    TestGame game;
    GameState& g = *game;
    EXPECT_EQ(g.cursor, 0);
    EXPECT_EQ(g.recordLength, 0);
    const GameHand none{};
    for (int k = 0; k < RECORD_SLOTS; ++k)
        ASSERT_TRUE(slotEquals(g, k, g.initialBoard, none, none)) << "slot " << k;
    // The board table is the standard position, side 0 at the bottom.
    fillEnginePosition(g);
    EXPECT_EQ(g.enginePosition, initialPosition());
    // Symmetric under a half turn with the owners exchanged, which swapSides relies on.
    EXPECT_EQ(rotateBoard(g.initialBoard, true), g.initialBoard);
}

TEST(GameState, StartAsksWhoMovesFirstAndResetReturnsToIdle) {
    TestGame game;
    GameState& g = *game;
    game.start(/*humanSecond=*/true);
    EXPECT_EQ(game.window.questions(),
              (std::vector<Msg>{{"先手にしますか？", "先手・後手の選択"}}));
    EXPECT_TRUE(g.started);
    EXPECT_EQ(g.humanIsSecond, 1);
    EXPECT_FALSE(g.humanToMove);
    EXPECT_EQ(game.window.startCaption(), "初期化");

    game.computer(33, 34);
    g.paused = true;
    g.thinking = true;
    resetGame(g);  // refused during a think of a running game
    EXPECT_TRUE(g.started);
    EXPECT_EQ(g.statusText.get(), "コンピュータの思考中は戻せません。");
    EXPECT_EQ(g.recordLength, 1);

    g.gameOver = true;  // ...but accepted once the game is over
    resetGame(g);
    EXPECT_FALSE(g.started);
    EXPECT_FALSE(g.thinking);
    EXPECT_FALSE(g.paused);
    EXPECT_FALSE(g.gameOver);
    EXPECT_TRUE(g.humanToMove);
    EXPECT_TRUE(g.engineResetPending);
    EXPECT_EQ(g.humanIsSecond, 0);
    EXPECT_EQ(g.recordLength, 0);
    EXPECT_EQ(g.board, g.initialBoard);
    EXPECT_EQ(g.moveRecord.boards[1], g.initialBoard);
    EXPECT_EQ(g.statusText.get(), STATUS_PRESS_START);
    EXPECT_EQ(game.window.startCaption(), "開始");
    EXPECT_EQ(game.window.pauseCaption(), "||");
}

TEST(GameState, HumanMovesCaptureDropAndTruncateTheRecord) {
    TestGame game;
    GameState& g = *game;
    game.start();
    ASSERT_TRUE(game.human(77, 76));
    EXPECT_FALSE(g.humanToMove);
    EXPECT_EQ(g.cursor, 1);
    EXPECT_TRUE(showsSlot(g, 1));
    game.computer(33, 34);
    // The bishop takes the bishop, promoting; the computer retakes the horse.
    ASSERT_TRUE(game.human(88, 22, true));
    EXPECT_EQ(g.board[cellAt(22)], UMA);
    EXPECT_EQ(g.hands[0][KAKU], 1);
    game.computer(31, 22);
    EXPECT_EQ(g.hands[1][KAKU], 1);  // a taken horse returns as a bishop
    ASSERT_TRUE(game.humanDrop(KAKU, 45));
    EXPECT_EQ(g.hands[0][KAKU], 0);
    EXPECT_EQ(g.board[cellAt(45)], KAKU);
    EXPECT_EQ(g.recordLength, 5);

    // A drop from an empty hand places the piece but leaves the count at zero.
    game.computer(51, 42);
    ASSERT_TRUE(game.humanDrop(KIN, 55));
    EXPECT_EQ(g.hands[0][KIN], 0);

    // Two back, then a move: the record ends at the new move.
    goBackOne(g);
    goBackOne(g);
    EXPECT_EQ(g.cursor, 5);
    ASSERT_TRUE(g.humanToMove == false);  // move 5 done: the computer is to move
    goBackOne(g);
    ASSERT_TRUE(g.humanToMove);
    ASSERT_TRUE(game.human(37, 36));
    EXPECT_EQ(g.cursor, 5);
    EXPECT_EQ(g.recordLength, 5);
    EXPECT_EQ(g.moveRecord.boards[5][cellAt(36)], HU);
    EXPECT_EQ(g.moveRecord.boards[5][cellAt(45)], EMPTY);
}

TEST(GameState, NavigationRefusalsAndParity) {
    TestGame game;
    GameState& g = *game;
    game.start();
    game.human(77, 76);
    goToEnd(g);
    EXPECT_EQ(g.statusText.get(), "今は最後まで進められません。");
    goForwardOne(g);
    EXPECT_EQ(g.statusText.get(), "今は１手進められません。");
    game.computer(33, 34);
    game.human(27, 26);
    game.computer(83, 84);
    g.showLastMove = true;
    g.lastMoveRow = 3;

    goToStart(g);
    EXPECT_EQ(g.cursor, 0);
    EXPECT_EQ(g.board, g.initialBoard);
    EXPECT_TRUE(g.humanToMove);
    EXPECT_TRUE(g.paused);
    EXPECT_FALSE(g.showLastMove);
    EXPECT_EQ(g.lastMoveRow, -1);
    EXPECT_EQ(game.window.pauseCaption(), "■");
    goBackOne(g);
    EXPECT_EQ(g.statusText.get(), "今は１手戻せません。");

    g.gameOver = true;
    goForwardOne(g);
    goForwardOne(g);
    goForwardOne(g);
    EXPECT_EQ(g.cursor, 3);
    EXPECT_TRUE(showsSlot(g, 3));
    EXPECT_FALSE(g.humanToMove);  // move 3 made by the human (first): the computer is to move
    EXPECT_FALSE(g.gameOver);
    goToEnd(g);
    EXPECT_EQ(g.cursor, 4);
    EXPECT_TRUE(g.humanToMove);

    g.thinking = true;
    const int repaints = game.window.repaints();
    const struct {
        void (*step)(GameState&);
        const char* text;
    } steps[] = {
        {goToStart, "コンピュータの思考中は最初に戻せません。"},
        {goBackOne, "コンピュータの思考中は１手戻せません。"},
        {goForwardOne, "コンピュータの思考中は１手進められません。"},
        {goToEnd, "コンピュータの思考中は最後まで進められません。"},
    };
    for (const auto& s : steps) {
        s.step(g);
        EXPECT_EQ(g.statusText.get(), s.text);
        EXPECT_EQ(g.cursor, 4);
    }
    EXPECT_EQ(game.window.repaints(), repaints + 4);
}

TEST(GameState, SwapSidesTwiceIsTheIdentity) {
    TestGame game;
    GameState& g = *game;
    game.start();
    game.human(77, 76);
    game.computer(33, 34);
    swapSides(g);  // two moves are not enough
    EXPECT_EQ(game.window.messages(),
              (std::vector<Msg>{{"反転させるには棋譜の手数が足りません。", "失敗"}}));
    EXPECT_EQ(g.humanIsSecond, 0);
    game.human(88, 22, true);
    game.computer(31, 22);
    game.humanDrop(KAKU, 45);
    game.computer(51, 42);

    auto before = std::make_unique<MoveRecord>(g.moveRecord);
    const int length = g.recordLength;
    swapSides(g);
    EXPECT_EQ(g.humanIsSecond, 1);
    EXPECT_FALSE(g.humanToMove);
    EXPECT_TRUE(g.paused);
    EXPECT_EQ(g.cursor, 0);
    // The human now owns what was the computer's: its bishop in hand from the capture on 22.
    EXPECT_EQ(g.moveRecord.hands[0][4][KAKU], 1);
    // The first move, turned round: now the computer's pawn.
    EXPECT_EQ(g.moveRecord.boards[1][cellAt(34)], HU | OWNER_BIT);
    game.window.clearMessages();
    g.humanToMove = true;  // swapping again needs the human to move
    swapSides(g);
    EXPECT_EQ(g.humanIsSecond, 0);
    EXPECT_TRUE(g.humanToMove);
    EXPECT_EQ(g.cursor, 0);
    EXPECT_EQ(g.recordLength, length);
    for (int k = 0; k <= length; ++k) {
        EXPECT_EQ(g.moveRecord.boards[k], before->boards[k]) << k;
        EXPECT_EQ(g.moveRecord.hands[0][k], before->hands[0][k]) << k;
        EXPECT_EQ(g.moveRecord.hands[1][k], before->hands[1][k]) << k;
    }
    // Ignored, without a message, while the computer is to move.
    g.humanToMove = false;
    swapSides(g);
    EXPECT_EQ(g.humanIsSecond, 0);
    EXPECT_TRUE(game.window.messages().empty());
}

TEST(GameState, RecordLimit) {
    TestGame game;
    GameState& g = *game;
    game.start();
    {
        std::lock_guard lock(g.gameLock);
        g.cursor = g.recordLength = HUMAN_MOVE_LIMIT - 1;
    }
    ASSERT_TRUE(game.human(77, 76));  // at 497 a move is still accepted
    EXPECT_EQ(g.recordLength, HUMAN_MOVE_LIMIT);
    g.humanToMove = true;
    g.selectionState = 1;
    EXPECT_FALSE(game.human(27, 26));  // at 498 it is refused and the selection stays
    EXPECT_EQ(g.selectionState, 1);
    EXPECT_EQ(g.statusText.get(), STATUS_MOVE_LIMIT);
    EXPECT_EQ(g.recordLength, HUMAN_MOVE_LIMIT);
    EXPECT_EQ(g.board[cellAt(27)], HU);

    // Forward navigation stops at the last slot, and recording never writes past it.
    std::lock_guard lock(g.gameLock);
    g.cursor = RECORD_SLOTS - 1;
    const GameBoard last = g.moveRecord.boards[RECORD_SLOTS - 1];
    EXPECT_FALSE(recordPosition(g));
    EXPECT_EQ(g.cursor, RECORD_SLOTS - 1);
    EXPECT_EQ(g.moveRecord.boards[RECORD_SLOTS - 1], last);
}

TEST(GameState, PauseToggleAndPaintView) {
    TestGame game;
    GameState& g = *game;
    togglePause(g);
    EXPECT_TRUE(g.paused);
    EXPECT_EQ(game.window.pauseCaption(), "■");
    togglePause(g);
    EXPECT_FALSE(g.paused);
    EXPECT_EQ(game.window.pauseCaption(), "||");

    game.start();
    game.human(77, 76);
    g.statusText.set("x");
    const GameView view = viewForPainting(g);
    EXPECT_EQ(view.board, g.board);
    EXPECT_FALSE(view.humanToMove);
    EXPECT_EQ(view.status, "x");
}

}  // namespace
}  // namespace kaz::test
