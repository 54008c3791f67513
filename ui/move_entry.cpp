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
        g.selCol = col;
        g.selRow = row;
        g.selPiece = g.board[cellOf(row, col)];
        if (g.selPiece == EMPTY || (g.selPiece & OWNER_BIT) != 0) return;
        computeTargets(g, entry);
        g.selectionState = 1;
        g.window->repaint();
        return;
    }
    const int handCol = col - HAND_GRID_COL, handRow = row - HAND_GRID_ROW;
    if (handCol < 0 || handCol >= 4 || handRow < 0 || handRow >= 4) return;
    const int kind = HAND_CELL_KIND[handRow][handCol / 2];
    g.selCol = g.selRow = -1;
    g.handCellCol = col;
    g.handCellRow = row;
    g.selPiece = kind;
    g.selectionState = g.hands[0][kind] > 0 ? 2 : 0;
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
    const bool drop = g.selectionState == 2;
    if (drop) {
        if (g.selPiece == HU && entry.pawnColumns[col] != 0) return;
        if (g.board[cellOf(row, col)] != EMPTY) return;
    } else if (entry.reachable[cellOf(row, col)] == 0) {
        return;
    }
    g.toCol = col;
    g.toRow = row;
    g.placedPiece = g.selPiece;
    // The choice is always the player's, even where an unpromoted piece could never move again.
    if (!drop &&
        mayPromote(0, static_cast<PieceCode>(g.selPiece), squareOf(g.selRow, g.selCol),
                   squareOf(row, col)) &&
        g.window->askYesNo("成りますか？", "成り・不成の選択"))
        g.placedPiece |= PROMOTED_BIT;
    applyHumanMove(g);  // refuses with a status text at the record limit; the selection stays
}

}  // namespace

void computeTargets(const GameState& game, MoveEntry& entry) {
    const Position pos = toEnginePosition(game.board, game.hands[0], game.hands[1]);
    const int from = squareOf(game.selRow, game.selCol);
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
    if (game.selectionState == 0) {
        selectFirst(game, entry, col, row);
        return;
    }
    if (!onBoard(col, row) || (col == game.selCol && row == game.selRow)) {
        game.selectionState = 0;
        game.window->repaint();
        return;
    }
    completeMove(game, entry, col, row);
}

}  // namespace kaz::ui
