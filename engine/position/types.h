#pragma once

#include <array>
#include <cstdint>

namespace kaz {

// One byte per square: base kind in bits 0..2, promotion in bit 3, side 1 in bit 4.
using PieceCode = std::uint8_t;

constexpr PieceCode PROMOTED_BIT = 0x08;
constexpr PieceCode OWNER_BIT = 0x10;
constexpr PieceCode EMPTY = 0x80;
constexpr PieceCode OFF_BOARD = 0xFF;

// Base kinds and promoted codes of side 0; side 1 adds OWNER_BIT.
enum Kind : int {
    HU = 0,
    KYO = 1,
    KEI = 2,
    GIN = 3,
    KIN = 4,
    KAKU = 5,
    HI = 6,
    GYOKU = 7,
    TOKIN = 8,
    NKYO = 9,
    NKEI = 10,
    NGIN = 11,
    UMA = 13,
    RYU = 14,
};

// Padded 16 x 16 board; everything outside the 9 x 9 block is OFF_BOARD, so walks need no bounds
// checks.
using Board = std::array<PieceCode, 256>;

// Pieces in hand by base kind; index 7 (king) exists and stays 0.
using Hand = std::array<std::uint8_t, 8>;

// The engine's whole position: board, then side 0's hand, then side 1's.
struct Position {
    Board board;
    Hand hand[2];

    friend bool operator==(const Position&, const Position&) = default;
};

// A move as the engine reports it to the game; a drop has fromFile = fromRank = -1.
struct EngineMove {
    std::int32_t fromFile;
    std::int32_t fromRank;
    std::int32_t piece;
    std::int32_t toFile;
    std::int32_t toRank;
    std::int32_t newPiece;
    std::int32_t captured;

    friend bool operator==(const EngineMove&, const EngineMove&) = default;
};

constexpr int squareOf(int rank, int file) { return 51 + 16 * rank + file; }
constexpr int fileOf(int square) { return (square - 51) & 15; }
constexpr int rankOf(int square) { return (square - 51) >> 4; }

// The playable block is rows 3..11, columns 3..11 of the grid.
constexpr bool isPlayable(int square) {
    return square >= 0 && square < 256 && (square >> 4) >= 3 && (square >> 4) <= 11 &&
           (square & 15) >= 3 && (square & 15) <= 11;
}

// Turning the board through 180 degrees maps squareOf(r, f) to squareOf(8 - r, 8 - f).
constexpr int rotateSquare(int square) { return 238 - square; }

// Square steps named after the picture with rank 0 at the top.
namespace dir {
constexpr int N = -16;
constexpr int S = 16;
constexpr int W = -1;
constexpr int E = 1;
constexpr int NW = -17;
constexpr int NE = -15;
constexpr int SW = 15;
constexpr int SE = 17;
}  // namespace dir

constexpr bool isPiece(PieceCode c) { return c < 0x80 && (c & 0x1F) != 12 && (c & 0x1F) != 15; }
constexpr int ownerOf(PieceCode c) { return (c & OWNER_BIT) ? 1 : 0; }
constexpr int kindOf(PieceCode c) { return c & 7; }
constexpr PieceCode pieceOf(int side, int kind) {
    return static_cast<PieceCode>(kind | (side ? OWNER_BIT : 0));
}

// The king of each side; taking it ends the game.
constexpr PieceCode KING_CODE[2] = {GYOKU, OWNER_BIT | GYOKU};

// Square of side's king on the board, or -1 without one (the first in rank order if several).
constexpr int findKing(const Board& board, int side) {
    for (int rank = 0; rank < 9; ++rank)
        for (int file = 0; file < 9; ++file)
            if (board[squareOf(rank, file)] == KING_CODE[side]) return squareOf(rank, file);
    return -1;
}

// Square 0, three rows above the board, is attacked by nothing: the king square of a side without
// a king, so that "is that king attacked" reads no.
constexpr int NO_KING_SQUARE = 0;

constexpr int kingSquareOrNone(const Board& board, int side) {
    const int q = findKing(board, side);
    return q >= 0 ? q : NO_KING_SQUARE;
}

// Kinds that may promote: hu, kyo, kei, gin, kaku, hi, unpromoted.
constexpr bool canPromote(PieceCode c) {
    return (c & PROMOTED_BIT) == 0 && (c & 7) != KIN && (c & 7) != GYOKU;
}

}  // namespace kaz
