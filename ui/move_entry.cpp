#include "ui/move_entry.h"

#include "engine/position/piece_moves.h"
#include "engine/position/rules.h"
#include "ui/layout.h"

namespace kaz::ui {

namespace {

bool onBoard(int col, int row) { return col >= 0 && col < 9 && row >= 0 && row < 9; }

// The pixel's cell on the 40-pixel click grid; coordinates left of or above the client area
// (a release after dragging out of the window) fall outside every cell.
int gridIndex(int pixel) { return pixel < 0 ? -1 : pixel / CELL; }

void selectFirst(GameState& g, MoveEntry& entry, int col, int row) {
    if (onBoard(col, row)) {
        entry.selCol = col;
        entry.selRow = row;
        entry.selPiece = g.board[cellOf(row, col)];
        if (entry.selPiece == EMPTY || (entry.selPiece & OWNER_BIT) != 0) return;
        computeTargets(g, entry);
        entry.selectionState = 1;
        g.window->repaint();
        return;
    }
    const int handCol = col - HAND_GRID_COL, handRow = row - HAND_GRID_ROW;
    if (handCol < 0 || handCol >= 4 || handRow < 0 || handRow >= 4) return;
    const int kind = HAND_CELL_KIND[handRow][handCol / 2];
    entry.selCol = entry.selRow = -1;
    entry.handCellCol = col;
    entry.handCellRow = row;
    entry.selPiece = kind;
    entry.selectionState = g.hands[0][kind] > 0 ? 2 : 0;
    g.window->repaint();
}

void fillPawnColumns(const GameState& g, MoveEntry& entry) {
    for (int col = 0; col < 9; ++col) {
        entry.pawnColumns[col] = 0;
        for (int row = 0; row < 9; ++row)
            if (g.board[cellOf(row, col)] == HU) entry.pawnColumns[col] = 1;
    }
}

void completeMove(GameState& g, MoveEntry& entry, int col, int row) {
    fillPawnColumns(g, entry);
    const bool drop = entry.selectionState == 2;
    if (drop) {
        if (entry.selPiece == HU && entry.pawnColumns[col] != 0) return;
        if (g.board[cellOf(row, col)] != EMPTY) return;
        if (!mayStand(static_cast<PieceCode>(entry.selPiece), 0, row)) return;
    } else if (entry.reachable[cellOf(row, col)] == 0) {
        return;
    }
    EngineMove move{entry.selCol, entry.selRow, entry.selPiece, col, row, entry.selPiece, EMPTY};
    // Where the unpromoted piece could never move again, promotion is not a choice: such a move
    // is illegal, and other programs (and our own SFEN reader) would refuse the record.
    const auto piece = static_cast<PieceCode>(entry.selPiece);
    if (!drop && mayPromote(0, piece, squareOf(entry.selRow, entry.selCol), squareOf(row, col)) &&
        (!mayStand(piece, 0, row) || g.window->askYesNo("成りますか？", "成り・不成の選択")))
        move.newPiece |= PROMOTED_BIT;
    // Refused with a status text at the record limit: the selection stays.
    if (applyHumanMove(g, move)) entry.selectionState = 0;
}

}  // namespace

void computeTargets(const GameState& game, MoveEntry& entry) {
    const Position pos = toEnginePosition(game.board, game.hands[0], game.hands[1]);
    const int from = squareOf(entry.selRow, entry.selCol);
    for (int row = 0; row < 9; ++row)
        for (int col = 0; col < 9; ++col)
            entry.reachable[cellOf(row, col)] = canMoveTo(pos, from, squareOf(row, col));
}

void handleClick(GameState& game, MoveEntry& entry, int x, int y) {
    // The promotion question runs a nested event loop; a click arriving there is dropped.
    if (game.inputBusy.exchange(true)) return;
    struct Release {
        std::atomic<bool>& busy;
        ~Release() { busy = false; }
    } release{game.inputBusy};

    if (!game.started || game.gameOver || game.thinking || !game.humanToMove) return;
    const int col = gridIndex(x), row = gridIndex(y);
    if (entry.selectionState == 0) {
        selectFirst(game, entry, col, row);
        return;
    }
    if (!onBoard(col, row) || (col == entry.selCol && row == entry.selRow)) {
        entry.selectionState = 0;
        game.window->repaint();
        return;
    }
    completeMove(game, entry, col, row);
}

}  // namespace kaz::ui
