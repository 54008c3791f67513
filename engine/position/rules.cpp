#include "engine/position/rules.h"

#include "engine/position/engine_move.h"

namespace kaz {
namespace {

// How each piece moves: side 0's view (forward = -16); side 1 negates every offset. The rules are
// checked against an independent library's move counts, which also covers this shared table.
using Movement = MoveOffsets;
constexpr const Movement* MOVEMENT = MOVE_OFFSETS;

// Squares from which a stepping piece could reach a given square: the eight neighbours and the
// four knight origins.
constexpr int NEAR[12] = {-17, -16, -15, -1, 1, 15, 16, 17, -33, -31, 31, 33};
constexpr int RAYS[8] = {-17, -16, -15, -1, 1, 15, 16, 17};

int sign(int side) { return side == 0 ? 1 : -1; }

bool ownedBy(PieceCode c, int side) { return c != EMPTY && c != OFF_BOARD && ownerOf(c) == side; }

bool hasStep(PieceCode c, int offset) {
    const Movement& m = MOVEMENT[c & 15];
    for (int i = 0; i < m.stepCount; ++i)
        if (m.steps[i] == offset) return true;
    return false;
}

bool hasSlide(PieceCode c, int offset) {
    const Movement& m = MOVEMENT[c & 15];
    for (int i = 0; i < m.slideCount; ++i)
        if (m.slides[i] == offset) return true;
    return false;
}

// An unpromoted pawn or lance on the last rank, or knight on the last two, could never move again.
bool isDeadThere(PieceCode c, int side, int square) {
    if (c & PROMOTED_BIT) return false;
    const int ahead = side == 0 ? rankOf(square) : 8 - rankOf(square);
    const int kind = kindOf(c);
    return ((kind == HU || kind == KYO) && ahead == 0) || (kind == KEI && ahead < 2);
}

bool pawnOnFile(const Position& pos, int side, int file) {
    const PieceCode pawn = pieceOf(side, HU);
    for (int rank = 0; rank < 9; ++rank)
        if (pos.board[squareOf(rank, file)] == pawn) return true;
    return false;
}

int kingSquare(const Position& pos, int side) {
    const PieceCode king = pieceOf(side, GYOKU);
    for (int rank = 0; rank < 9; ++rank)
        for (int file = 0; file < 9; ++file)
            if (pos.board[squareOf(rank, file)] == king) return squareOf(rank, file);
    return -1;
}

// Whether the piece on `from` can move to `to` by its own movement (ignoring what stands on `to`).
bool reaches(const Position& pos, int from, int to) {
    const PieceCode c = pos.board[from];
    const int s = sign(ownerOf(c));
    const int delta = to - from;
    if (hasStep(c, delta * s)) return true;
    for (int d : RAYS) {
        if (!hasSlide(c, d * s)) continue;
        for (int q = from + d; isPlayable(q); q += d) {
            if (q == to) return true;
            if (pos.board[q] != EMPTY) break;
        }
    }
    return false;
}

// All moves of `side` by piece movement, promotion and dead-piece rules, nifu included; no check
// rules.
void pseudoMoves(const Position& pos, int side, std::vector<EngineMove>& out) {
    const int s = sign(side);
    auto add = [&](int from, PieceCode a, int to) {
        const PieceCode x = pos.board[to];
        if (!isDeadThere(a, side, to)) out.push_back(boardMove(from, a, to, a, x));
        if (canPromote(a) && (inZone(side, from) || inZone(side, to)))
            out.push_back(boardMove(from, a, to, static_cast<PieceCode>(a + PROMOTED_BIT), x));
    };
    for (int rank = 0; rank < 9; ++rank)
        for (int file = 0; file < 9; ++file) {
            const int from = squareOf(rank, file);
            const PieceCode a = pos.board[from];
            if (!ownedBy(a, side)) continue;
            const Movement& m = MOVEMENT[a & 15];
            for (int i = 0; i < m.stepCount; ++i) {
                const int to = from + m.steps[i] * s;
                if (isPlayable(to) && !ownedBy(pos.board[to], side)) add(from, a, to);
            }
            for (int i = 0; i < m.slideCount; ++i) {
                const int d = m.slides[i] * s;
                for (int to = from + d; isPlayable(to); to += d) {
                    if (ownedBy(pos.board[to], side)) break;
                    add(from, a, to);
                    if (pos.board[to] != EMPTY) break;
                }
            }
        }
    for (int kind = HU; kind <= HI; ++kind) {
        if (pos.hand[side][kind] == 0) continue;
        const PieceCode d = pieceOf(side, kind);
        for (int rank = 0; rank < 9; ++rank)
            for (int file = 0; file < 9; ++file) {
                const int to = squareOf(rank, file);
                if (pos.board[to] != EMPTY || isDeadThere(d, side, to)) continue;
                if (kind == HU && pawnOnFile(pos, side, file)) continue;
                out.push_back(dropMove(d, to));
            }
    }
}

bool leavesKingSafe(const Position& pos, int side, const EngineMove& m) {
    Position after = pos;
    applyMove(after, side, m);
    return !inCheck(after, side);
}

// A legal move exists for `side`, counting pawn drops without the pawn-drop-mate test. That is
// exact whenever the check to answer was given by a pawn: such a check is adjacent, so no drop can
// block it and the shortcut changes nothing.
bool hasMoveIgnoringDropMate(const Position& pos, int side) {
    std::vector<EngineMove> moves;
    pseudoMoves(pos, side, moves);
    for (const EngineMove& m : moves)
        if (leavesKingSafe(pos, side, m)) return true;
    return false;
}

bool isPawnDropMate(const Position& pos, int side, const EngineMove& m) {
    if (m.fromFile >= 0 || (m.piece & 7) != HU) return false;
    Position after = pos;
    applyMove(after, side, m);
    return inCheck(after, 1 - side) && !hasMoveIgnoringDropMate(after, 1 - side);
}

// The rules a move must pass beyond movement: own king safe, no pawn-drop mate.
bool passesCheckRules(const Position& pos, int side, const EngineMove& m) {
    return leavesKingSafe(pos, side, m) && !isPawnDropMate(pos, side, m);
}

bool inRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

// Movement, capture, promotion, dead-piece and nifu rules for one move, without check rules.
bool isPseudoLegal(const Position& pos, int side, const EngineMove& m) {
    if (!inRange(m.toFile, 0, 8) || !inRange(m.toRank, 0, 8)) return false;
    const int to = squareOf(m.toRank, m.toFile);
    if (m.fromFile == -1 && m.fromRank == -1) {
        if (!inRange(m.piece, 0, 0x1F)) return false;
        const int kind = m.piece & 7;
        const PieceCode d = pieceOf(side, kind);
        if (m.piece != d || m.newPiece != d || m.captured != EMPTY) return false;
        if (kind > HI || pos.hand[side][kind] == 0 || pos.board[to] != EMPTY) return false;
        if (isDeadThere(d, side, to)) return false;
        return kind != HU || !pawnOnFile(pos, side, m.toFile);
    }
    if (!inRange(m.fromFile, 0, 8) || !inRange(m.fromRank, 0, 8)) return false;
    const int from = squareOf(m.fromRank, m.fromFile);
    const PieceCode a = pos.board[from];
    const PieceCode x = pos.board[to];
    if (!ownedBy(a, side) || m.piece != a || m.captured != x || ownedBy(x, side)) return false;
    if (!reaches(pos, from, to)) return false;
    if (m.newPiece == a) return !isDeadThere(a, side, to);
    return m.newPiece == a + PROMOTED_BIT && canPromote(a) &&
           (inZone(side, from) || inZone(side, to));
}

}  // namespace

bool isAttacked(const Position& pos, int square, int bySide) {
    const int s = sign(bySide);
    for (int d : NEAR) {
        const int from = square + d;
        if (isPlayable(from) && ownedBy(pos.board[from], bySide) &&
            hasStep(pos.board[from], -d * s))
            return true;
    }
    for (int d : RAYS) {
        int from = square + d;
        while (isPlayable(from) && pos.board[from] == EMPTY) from += d;
        if (isPlayable(from) && ownedBy(pos.board[from], bySide) &&
            hasSlide(pos.board[from], -d * s))
            return true;
    }
    return false;
}

bool inCheck(const Position& pos, int side) {
    const int king = kingSquare(pos, side);
    return king >= 0 && isAttacked(pos, king, 1 - side);
}

std::vector<EngineMove> legalMoves(const Position& pos, int side) {
    std::vector<EngineMove> moves;
    pseudoMoves(pos, side, moves);
    std::vector<EngineMove> legal;
    for (const EngineMove& m : moves)
        if (passesCheckRules(pos, side, m)) legal.push_back(m);
    return legal;
}

bool isLegal(const Position& pos, int side, const EngineMove& move) {
    return (side == 0 || side == 1) && isPseudoLegal(pos, side, move) &&
           passesCheckRules(pos, side, move);
}

bool isCheckmated(const Position& pos, int side) {
    return inCheck(pos, side) && legalMoves(pos, side).empty();
}

}  // namespace kaz
