#include "game/game_board.h"

namespace kaz {

GameBoard makeEmptyBoard() {
    GameBoard board;
    board.fill(OFF_BOARD);
    for (int row = 0; row < 9; ++row)
        for (int col = 0; col < 9; ++col) board[cellOf(row, col)] = EMPTY;
    return board;
}

GameBoard makeInitialBoard() {
    // Side 1's back rank from col 0, then its rook and bishop row; side 0 mirrors it.
    constexpr int BACK_RANK[9] = {KYO, KEI, GIN, KIN, GYOKU, KIN, GIN, KEI, KYO};
    GameBoard board = makeEmptyBoard();
    for (int col = 0; col < 9; ++col) {
        board[cellOf(0, col)] = pieceOf(1, BACK_RANK[col]);
        board[cellOf(2, col)] = pieceOf(1, HU);
        board[cellOf(6, col)] = pieceOf(0, HU);
        board[cellOf(8, col)] = pieceOf(0, BACK_RANK[col]);
    }
    board[cellOf(1, 1)] = pieceOf(1, HI);
    board[cellOf(1, 7)] = pieceOf(1, KAKU);
    board[cellOf(7, 1)] = pieceOf(0, KAKU);
    board[cellOf(7, 7)] = pieceOf(0, HI);
    return board;
}

GameBoard rotateBoard(const GameBoard& board, bool swapOwners) {
    GameBoard turned = makeEmptyBoard();
    for (int row = 0; row < 9; ++row)
        for (int col = 0; col < 9; ++col) {
            std::int32_t v = board[cellOf(8 - row, 8 - col)];
            if (swapOwners && v != EMPTY) v ^= OWNER_BIT;
            turned[cellOf(row, col)] = v;
        }
    return turned;
}

void applyMove(GameBoard& board, std::array<GameHand, 2>& hands, int side, const EngineMove& m) {
    GameHand& hand = hands[side];
    if (m.captured != EMPTY) hand[m.captured & 7] += 1;
    if (m.fromFile == -1) {
        std::int32_t& count = hand[m.piece & 7];
        if (count > 0) count -= 1;
    } else {
        board[cellOf(m.fromRank, m.fromFile)] = EMPTY;
    }
    board[cellOf(m.toRank, m.toFile)] = m.newPiece;
}

Position toEnginePosition(const GameBoard& board, const GameHand& hand0, const GameHand& hand1) {
    Position pos;
    pos.board.fill(OFF_BOARD);
    for (int row = 0; row < 9; ++row)
        for (int col = 0; col < 9; ++col)
            pos.board[squareOf(row, col)] = static_cast<PieceCode>(board[cellOf(row, col)] & 0xFF);
    for (int kind = 0; kind < 8; ++kind) {
        pos.hand[0][kind] = static_cast<std::uint8_t>(hand0[kind] & 0xFF);
        pos.hand[1][kind] = static_cast<std::uint8_t>(hand1[kind] & 0xFF);
    }
    return pos;
}

}  // namespace kaz
