#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "engine/position/sfen.h"
#include "game/game_state.h"
#include "tests/support/scripted_window.h"

namespace kaz::test {

// Squares as KIF writes them: 76 is file 7, rank 6 (row 5, col 2 of the game board).
constexpr int rowOf(int fileRank) { return fileRank % 10 - 1; }
constexpr int colOf(int fileRank) { return 9 - fileRank / 10; }
constexpr int cellAt(int fileRank) { return cellOf(rowOf(fileRank), colOf(fileRank)); }

// Stands in for the turn thread: a move of the computer (side 1), applied, recorded and shown.
inline void computerMove(GameState& g, int from, int to, bool promote = false) {
    std::lock_guard lock(g.gameLock);
    std::int32_t& target = g.board[cellAt(to)];
    if (target != EMPTY) g.hands[1][target & 7] += 1;
    target = g.board[cellAt(from)] | (promote ? PROMOTED_BIT : 0);
    g.board[cellAt(from)] = EMPTY;
    recordPosition(g);
    g.showLastMove = true;
    g.lastMoveRow = rowOf(to);
    g.lastMoveCol = colOf(to);
    g.humanToMove = true;
    g.window->repaint();
}

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

    void computer(int from, int to, bool promote = false) {
        computerMove(*state, from, to, promote);
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

// Plays moves written as "77-76", "88-22+" (promoting) or "B*45" (a drop, by its SFEN letter),
// the human and the computer taking turns; the human first unless computerFirst.
inline void play(TestGame& game, std::string_view moves, bool computerFirst = false) {
    std::istringstream in{std::string(moves)};
    bool human = !computerFirst;
    for (std::string m; in >> m; human = !human) {
        const int to = std::stoi(m.substr(m[1] == '*' ? 2 : 3, 2));
        if (m[1] == '*') {
            int kind = 0;
            while (kindLetter(kind) != m[0]) ++kind;
            human ? void(game.humanDrop(kind, to)) : game.computerDrop(kind, to);
        } else {
            const int from = std::stoi(m.substr(0, 2));
            human ? void(game.human(from, to, m.ends_with('+')))
                  : game.computer(from, to, m.ends_with('+'));
        }
    }
}

// Eight moves with captures, a promotion and drops by both sides; the human moves first. The
// fixture tests/kif/data/short_game.kif is this game.
inline constexpr std::string_view SHORT_GAME = "77-76 33-34 88-22+ 31-22 B*45 B*33 45-34 33-34";
inline void playShortGame(TestGame& game) { play(game, SHORT_GAME); }

}  // namespace kaz::test
