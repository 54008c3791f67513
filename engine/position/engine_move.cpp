#include "engine/position/engine_move.h"

namespace kaz {

EngineMove boardMove(int from, PieceCode piece, int to, PieceCode newPiece, PieceCode captured) {
    return {fileOf(from), rankOf(from), piece, fileOf(to), rankOf(to), newPiece, captured};
}

EngineMove dropMove(PieceCode piece, int to) {
    return {-1, -1, piece, fileOf(to), rankOf(to), piece, EMPTY};
}

void applyMove(Position& pos, int side, const EngineMove& m) {
    const int to = squareOf(m.toRank, m.toFile);
    if (m.fromFile < 0) {
        pos.hand[side][m.piece & 7] -= 1;
    } else {
        pos.board[squareOf(m.fromRank, m.fromFile)] = EMPTY;
        if (m.captured != EMPTY) pos.hand[side][m.captured & 7] += 1;
    }
    pos.board[to] = static_cast<PieceCode>(m.newPiece);
}

}  // namespace kaz
