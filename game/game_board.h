#pragma once

#include <array>
#include <cstdint>

#include "engine/position/types.h"

namespace kaz {

// The game side's board: 20 x 20 cells with the 81 playable ones at cellOf(row, col) and OFF_BOARD
// everywhere else, so that piece walks stay inside the array without bounds checks. Row 0 is the
// top of the screen; row and col equal the engine's rank and file.
using GameBoard = std::array<std::int32_t, 400>;

// Pieces in hand by base kind (index 7 counts a taken king).
using GameHand = std::array<std::int32_t, 8>;

constexpr int cellOf(int row, int col) { return 105 + 20 * row + col; }

// Stored positions, move numbers 0..499.
constexpr int RECORD_SLOTS = 500;
// The human may not move at or beyond this move number.
constexpr int HUMAN_MOVE_LIMIT = 498;

// Every position of the game: slot k holds the board and both hands after k moves; slot 0 is the
// initial position. Moves are recovered as differences between neighbouring slots.
struct MoveRecord {
    std::array<GameBoard, RECORD_SLOTS> boards;
    // hands[side][slot]; side 0 is the one at the bottom of the slot's board.
    std::array<std::array<GameHand, RECORD_SLOTS>, 2> hands;
};

// The standard starting position, side 0 at the bottom, frame cells OFF_BOARD.
GameBoard makeInitialBoard();

// A board with OFF_BOARD in the frame and EMPTY on all 81 playable cells.
GameBoard makeEmptyBoard();

// Turns a board through 180 degrees; with swapOwners the owner bit of every piece flips too.
GameBoard rotateBoard(const GameBoard& board, bool swapOwners);

// Plays `move` for `side` on a board and its hands, with fromFile/toFile as columns and
// fromRank/toRank as rows: the move's captured piece goes to the mover's hand as its base kind,
// the origin empties, a drop takes one of its kind from the hand (a count of 0 stays 0).
void applyMove(GameBoard& board, std::array<GameHand, 2>& hands, int side, const EngineMove& move);

// The engine encoding of a board and both hands (low bytes of each cell and count).
Position toEnginePosition(const GameBoard& board, const GameHand& hand0, const GameHand& hand1);

}  // namespace kaz
