#include "engine/position/rotate.h"

namespace kaz {
namespace {

PieceCode flipOwner(PieceCode c) { return c < 0x80 ? static_cast<PieceCode>(c ^ OWNER_BIT) : c; }

}  // namespace

Position rotatePosition(const Position& pos) {
    Position r;
    for (int q = 0; q < 256; ++q) r.board[q] = OFF_BOARD;
    for (int rank = 0; rank < 9; ++rank)
        for (int file = 0; file < 9; ++file) {
            const int q = squareOf(rank, file);
            r.board[rotateSquare(q)] = flipOwner(pos.board[q]);
        }
    r.hand[0] = pos.hand[1];
    r.hand[1] = pos.hand[0];
    return r;
}

SfenPosition rotateSfen(const SfenPosition& sfen) {
    return {rotatePosition(sfen.pos), 1 - sfen.sideToMove, sfen.moveNumber};
}

EngineMove rotateMove(const EngineMove& m) {
    EngineMove r = m;
    if (m.fromFile >= 0) {
        r.fromFile = 8 - m.fromFile;
        r.fromRank = 8 - m.fromRank;
    }
    if (m.toFile >= 0) {
        r.toFile = 8 - m.toFile;
        r.toRank = 8 - m.toRank;
    }
    r.piece = flipOwner(static_cast<PieceCode>(m.piece));
    r.newPiece = flipOwner(static_cast<PieceCode>(m.newPiece));
    r.captured = flipOwner(static_cast<PieceCode>(m.captured));
    return r;
}

}  // namespace kaz
