#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "game/game_state.h"
#include "tests/support/scripted_window.h"

namespace kaz::test {

// Squares as KIF writes them: 76 is file 7, rank 6 (row 5, col 2 of the game board).
constexpr int rowOf(int fileRank) { return fileRank % 10 - 1; }
constexpr int colOf(int fileRank) { return 9 - fileRank / 10; }
constexpr int cellAt(int fileRank) { return cellOf(rowOf(fileRank), colOf(fileRank)); }

// A game with a scripted window, set up as at window creation.
struct TestGame {
    std::unique_ptr<GameState> state = std::make_unique<GameState>();
    ScriptedWindow window;

    TestGame() {
        state->window = &window;
        initGame(*state);
    }
    GameState& operator*() { return *state; }
    GameState* operator->() { return state.get(); }

    // Starts a game; the human moves first unless humanSecond.
    void start(bool humanSecond = false) {
        window.queueYesNo(!humanSecond);
        startGame(*state);
    }

    // The human's board move or drop as the click handler enters it.
    bool human(int from, int to, bool promote = false) {
        const int piece = state->board[cellAt(from)];
        return enter(colOf(from), rowOf(from), piece, to, piece | (promote ? PROMOTED_BIT : 0));
    }
    bool humanDrop(int kind, int to) { return enter(-1, -1, kind, to, kind); }
    bool enter(int col, int row, int piece, int to, int placed) {
        return applyHumanMove(*state,
                              EngineMove{col, row, piece, colOf(to), rowOf(to), placed, EMPTY});
    }

    // Stands in for the turn thread: a move of the computer (side 1), applied and recorded.
    void computer(int from, int to, bool promote = false) {
        GameState& g = *state;
        std::lock_guard lock(g.gameLock);
        std::int32_t& target = g.board[cellAt(to)];
        if (target != EMPTY) g.hands[1][target & 7] += 1;
        target = g.board[cellAt(from)] | (promote ? PROMOTED_BIT : 0);
        g.board[cellAt(from)] = EMPTY;
        recordPosition(g);
        g.humanToMove = true;
    }
    void computerDrop(int kind, int to) {
        GameState& g = *state;
        std::lock_guard lock(g.gameLock);
        g.hands[1][kind] -= 1;
        g.board[cellAt(to)] = kind | OWNER_BIT;
        recordPosition(g);
        g.humanToMove = true;
    }
};

// Slots 0..length of two records hold the same positions.
inline void expectSameSlots(const MoveRecord& a, const MoveRecord& b, int length) {
    for (int k = 0; k <= length; ++k) {
        EXPECT_EQ(a.boards[k], b.boards[k]) << k;
        EXPECT_EQ(a.hands[0][k], b.hands[0][k]) << k;
        EXPECT_EQ(a.hands[1][k], b.hands[1][k]) << k;
    }
}

// Eight moves with captures, a promotion and drops by both sides; the human moves first. The
// fixture tests/kif/data/short_game.kif is this game.
inline void playShortGame(TestGame& game) {
    game.human(77, 76);
    game.computer(33, 34);
    game.human(88, 22, true);
    game.computer(31, 22);
    game.humanDrop(KAKU, 45);
    game.computerDrop(KAKU, 33);
    game.human(45, 34);
    game.computer(33, 34);
}

}  // namespace kaz::test
