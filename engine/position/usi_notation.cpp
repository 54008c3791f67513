#include "engine/position/usi_notation.h"

#include "engine/position/engine_move.h"
#include "engine/position/sfen.h"

namespace kaz {
namespace {

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
    if (promote && (!canPromote(a) || (!inZone(side, from) && !inZone(side, to))))
        return "promotion not allowed: " + std::string(t);
    out = boardMove(from, a, to, promote ? static_cast<PieceCode>(a + PROMOTED_BIT) : a, x);
    return {};
}

}  // namespace kaz
