#include "ui/move_entry.h"

#include "ui/layout.h"

namespace kaz::ui {

namespace {

// Cell steps on the game board; "up" is toward row 0, the human's forward direction.
constexpr int UP = -20, DOWN = 20, LEFT = -1, RIGHT = 1;
constexpr int UP_LEFT = UP + LEFT, UP_RIGHT = UP + RIGHT;
constexpr int DOWN_LEFT = DOWN + LEFT, DOWN_RIGHT = DOWN + RIGHT;

constexpr int GOLD_STEPS[] = {UP_LEFT, UP, UP_RIGHT, LEFT, RIGHT, DOWN};
constexpr int SILVER_STEPS[] = {UP_LEFT, UP, UP_RIGHT, DOWN_LEFT, DOWN_RIGHT};
constexpr int KNIGHT_STEPS[] = {2 * UP + LEFT, 2 * UP + RIGHT};
constexpr int ORTHOGONAL[] = {UP, LEFT, RIGHT, DOWN};
constexpr int DIAGONAL[] = {UP_LEFT, UP_RIGHT, DOWN_LEFT, DOWN_RIGHT};
constexpr int ALL_AROUND[] = {UP_LEFT, UP, UP_RIGHT, LEFT, RIGHT, DOWN_LEFT, DOWN, DOWN_RIGHT};

// The board's frame (OFF_BOARD cells around the playable block) ends every slide, so neither
// steps nor slides leave the 400 cells.
struct Marker {
    const GameBoard& board;
    GameBoard& marks;
    int from;

    template <std::size_t N>
    void steps(const int (&deltas)[N]) {
        for (int d : deltas) marks[from + d] = 1;
    }
    // Marks cells along `delta` up to and including the first one that is not empty.
    void slide(int delta) {
        for (int c = from + delta;; c += delta) {
            marks[c] = 1;
            if (board[c] != EMPTY) break;
        }
    }
    template <std::size_t N>
    void slides(const int (&deltas)[N]) {
        for (int d : deltas) slide(d);
    }
};

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

bool mayPromote(const MoveEntry& entry, int toRow) {
    const int kind = entry.selPiece & 7;
    const bool inCamp = entry.selRow <= 2 || toRow <= 2;
    return inCamp && (entry.selPiece & PROMOTED_BIT) == 0 && kind != KIN && kind != GYOKU;
}

void completeMove(GameState& g, MoveEntry& entry, int col, int row) {
    fillPawnColumns(g, entry);
    const bool drop = entry.selectionState == 2;
    if (drop) {
        if (entry.selPiece == HU && entry.pawnColumns[col] != 0) return;
        if (g.board[cellOf(row, col)] != EMPTY) return;
    } else if (entry.reachable[cellOf(row, col)] == 0) {
        return;
    }
    EngineMove move{entry.selCol, entry.selRow, entry.selPiece, col, row, entry.selPiece, EMPTY};
    // The choice is always the player's, even where an unpromoted piece could never move again.
    if (!drop && mayPromote(entry, row) && g.window->askYesNo("成りますか？", "成り・不成の選択"))
        move.newPiece |= PROMOTED_BIT;
    // Refused with a status text at the record limit: the selection stays.
    if (applyHumanMove(g, move)) entry.selectionState = 0;
}

}  // namespace

void computeTargets(const GameState& game, MoveEntry& entry) {
    for (int row = 0; row < 9; ++row)
        for (int col = 0; col < 9; ++col) entry.reachRaw[cellOf(row, col)] = 0;
    Marker m{game.board, entry.reachRaw, cellOf(entry.selRow, entry.selCol)};
    switch (entry.selPiece) {
        case HU:
            m.steps({UP});
            break;
        case KYO:
            m.slide(UP);
            break;
        case KEI:
            m.steps(KNIGHT_STEPS);
            break;
        case GIN:
            m.steps(SILVER_STEPS);
            break;
        case KIN:
        case TOKIN:
        case NKYO:
        case NKEI:
        case NGIN:
            m.steps(GOLD_STEPS);
            break;
        case KAKU:
            m.slides(DIAGONAL);
            break;
        case HI:
            m.slides(ORTHOGONAL);
            break;
        case GYOKU:
            m.steps(ALL_AROUND);
            break;
        case UMA:
            m.steps(ORTHOGONAL);
            m.slides(DIAGONAL);
            break;
        case RYU:
            m.steps(DIAGONAL);
            m.slides(ORTHOGONAL);
            break;
        default:
            break;
    }
    for (int row = 0; row < 9; ++row)
        for (int col = 0; col < 9; ++col) {
            const int c = cellOf(row, col);
            const int v = game.board[c];
            entry.reachable[c] =
                entry.reachRaw[c] != 0 && v != OFF_BOARD && (v == EMPTY || (v & OWNER_BIT) != 0);
        }
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
