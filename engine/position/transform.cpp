#include "engine/position/transform.h"

#include <cctype>

#include "engine/position/piece_moves.h"

namespace kaz {
namespace {

PieceCode flipOwner(PieceCode c) { return c < 0x80 ? static_cast<PieceCode>(c ^ OWNER_BIT) : c; }

std::string squareName(int file, int rank) {
    std::string s;
    s += static_cast<char>('9' - file);
    s += static_cast<char>('a' + rank);
    return s;
}

// Reads "7g" into a square; -1 if malformed.
int readSquare(char fileDigit, char rankLetter) {
    if (fileDigit < '1' || fileDigit > '9' || rankLetter < 'a' || rankLetter > 'i') return -1;
    return squareOf(rankLetter - 'a', '9' - fileDigit);
}

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

EngineMove boardMove(int from, PieceCode piece, int to, PieceCode newPiece, PieceCode captured) {
    return {fileOf(from), rankOf(from), piece, fileOf(to), rankOf(to), newPiece, captured};
}

EngineMove dropMove(PieceCode piece, int to) {
    return {-1, -1, piece, fileOf(to), rankOf(to), piece, EMPTY};
}

std::string toUsi(const EngineMove& m) {
    std::string s;
    if (m.fromFile < 0) {
        s += kindLetter(m.piece & 7);
        s += '*';
    } else {
        s += squareName(m.fromFile, m.fromRank);
    }
    s += squareName(m.toFile, m.toRank);
    if (m.fromFile >= 0 && m.newPiece != m.piece) s += '+';
    return s;
}

std::string parseUsiMove(std::string_view t, const Position& pos, int side, EngineMove& out) {
    if (t.size() < 4 || t.size() > 5)
        return "malformed move '" + std::string(t.substr(0, 16)) + "'";
    if (t[1] == '*') {
        if (t.size() != 4) return "malformed drop '" + std::string(t) + "'";
        const char letter = t[0];
        int kind = -1;
        for (int k = 0; k < 7; ++k)
            if (kindLetter(k) == letter) kind = k;
        if (kind < 0) return "bad piece in drop '" + std::string(t) + "'";
        const int to = readSquare(t[2], t[3]);
        if (to < 0) return "bad square in drop '" + std::string(t) + "'";
        if (pos.hand[side][kind] == 0) return "drop of a piece not in hand: " + std::string(t);
        if (pos.board[to] != EMPTY) return "drop onto an occupied square: " + std::string(t);
        out = dropMove(pieceOf(side, kind), to);
        return {};
    }
    const int from = readSquare(t[0], t[1]);
    const int to = readSquare(t[2], t[3]);
    if (from < 0 || to < 0) return "bad square in move '" + std::string(t) + "'";
    const bool promote = t.size() == 5;
    if (promote && t[4] != '+') return "malformed move '" + std::string(t) + "'";
    const PieceCode a = pos.board[from];
    if (a == EMPTY || ownerOf(a) != side)
        return "no piece of the mover on " + std::string(t.substr(0, 2));
    const PieceCode x = pos.board[to];
    if (x != EMPTY && ownerOf(x) == side) return "move onto own piece: " + std::string(t);
    if (promote && !mayPromote(side, a, from, to))
        return "promotion not allowed: " + std::string(t);
    out = boardMove(from, a, to, promote ? static_cast<PieceCode>(a + PROMOTED_BIT) : a, x);
    return {};
}

}  // namespace kaz
