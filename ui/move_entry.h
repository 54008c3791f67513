#pragma once

#include <array>

#include "game/game_board.h"
#include "game/game_state.h"

namespace kaz::ui {

// The click handler's working data, kept between clicks on the window thread: the piece picked up
// by the first click and where it may go.
struct MoveEntry {
    int selectionState = 0;        // 0 nothing, 1 a board piece, 2 a piece in hand
    int selCol = -1, selRow = -1;  // the selected board cell; -1 for a piece in hand
    int selPiece = 0;  // code of the selected board piece, or kind of the selected piece in hand
    int handCellCol = -1, handCellRow = -1;  // grid cell of the selected piece in hand

    GameBoard reachRaw{};   // cells covered by the selected piece's moves, before filtering
    GameBoard reachable{};  // 1 on the playable cells the selected piece may move to
    std::array<int, 9> pawnColumns{};  // 1 where the human has an unpromoted pawn
};

// Marks in `entry.reachable` the cells the human's board piece `entry.selPiece` at
// (selRow, selCol) can reach: empty cells and the computer's pieces along its moves. Whether the
// human's king is left attacked is not looked at.
void computeTargets(const GameState& game, MoveEntry& entry);

// A release of the left mouse button at client pixel (x, y). The first click selects one of the
// human's pieces on the board or in hand, the second enters the move; the promotion question is
// asked through the game's window. Window thread only.
void handleClick(GameState& game, MoveEntry& entry, int x, int y);

}  // namespace kaz::ui
