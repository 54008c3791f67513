#pragma once

#include <array>

namespace kaz::ui {

// Window geometry in client pixels (the central widget's, below the menu bar). Everything is laid
// out on a grid of 40-pixel cells: board cell (row, col) starts at (40 * col, 40 * row).
constexpr int CELL = 40;
constexpr int BOARD_SIZE = 9 * CELL;  // 360
constexpr int PIECE_SIZE = 32;        // the part of a piece picture that is used
constexpr int PIECE_INSET = 4;        // a piece sits this far inside its cell

struct Rect {
    int left, top, right, bottom;  // right and bottom exclusive
};
constexpr Rect BOARD_AREA{0, 0, BOARD_SIZE, BOARD_SIZE};
constexpr Rect COMPUTER_HAND_AREA{400, 0, 560, 160};
constexpr Rect HUMAN_HAND_AREA{400, 200, 560, 360};

// Progress strip under the board: x 0..359, y 364..367.
constexpr Rect PROGRESS_STRIP{0, 364, BOARD_SIZE, 368};
// Top-left corners of the two text lines.
constexpr int CREDIT_X = 400, CREDIT_Y = 360;
constexpr int STATUS_X = 0, STATUS_Y = 390;
// Written after the status text so that a shorter text blanks the rest of a longer one.
constexpr int STATUS_BLANKS = 25;

// Where the pieces in hand start, by base kind (7, the king, is never drawn).
constexpr std::array<int, 8> HAND_X{400, 400, 480, 400, 480, 400, 480, 520};
constexpr std::array<int, 8> HUMAN_HAND_Y{200, 240, 240, 280, 280, 320, 320, 320};
constexpr std::array<int, 8> COMPUTER_HAND_Y{120, 80, 80, 40, 40, 0, 0, 0};

// Click grid of the human's hand: columns 10..13, rows 5..8, two grid cells per kind (pawns in
// both halves of the first row).
constexpr int HAND_GRID_COL = 10, HAND_GRID_ROW = 5;
constexpr int HAND_CELL_KIND[4][2] = {{0, 0}, {1, 2}, {3, 4}, {5, 6}};

// The six buttons: command id, caption, position and size.
struct ButtonSpec {
    int id;
    const char* caption;
    int x, y, width, height;
};
constexpr std::array<ButtonSpec, 6> BUTTONS{{
    {0, "開始", 300, 370, 80, 20},
    {1, "<<", 400, 179, 32, 20},
    {2, "<", 432, 179, 32, 20},
    {3, ">", 496, 179, 32, 20},
    {4, ">>", 528, 179, 32, 20},
    {5, "ll", 464, 179, 32, 20},
}};

// The off-screen picture the window shows from its top-left corner.
constexpr int CANVAS_WIDTH = 1920, CANVAS_HEIGHT = 1200;
// The client area the window opens with: board, hands, buttons, credit and status line.
constexpr int INITIAL_CLIENT_WIDTH = 640, INITIAL_CLIENT_HEIGHT = 420;

}  // namespace kaz::ui
