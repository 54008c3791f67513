#pragma once

// The rules of shogi written out plainly for tests: which moves are legal for a side, and why a
// given move is not. Independent of the engine's move generators and attack map on purpose.

#include <string>
#include <vector>

#include "engine/position/transform.h"
#include "engine/position/types.h"
#include "tests/support/pseudo_moves.h"

namespace kaz::testing {

// Whether any piece of `by` attacks square sq.
inline bool attacked(const Board& b, int sq, int by) {
    bool hit = false;
    for (int q = 0; q < 256 && !hit; ++q)
        if (onBoard(q) && isSidePiece(b[q], by))
            forTargets(b, q, [&](int t, int) { hit |= t == sq; });
    return hit;
}

inline bool inCheck(const Board& b, int side) {
    for (int q = 0; q < 256; ++q)
        if (onBoard(q) && b[q] == pieceOf(side, GYOKU)) return attacked(b, q, 1 - side);
    return false;
}

inline Position afterMove(const Position& pos, int side, const EngineMove& m) {
    Position n = pos;
    applyMove(n, side, m);
    return n;
}

inline std::vector<EngineMove> legalMoves(const Position& pos, int side);

// Empty when m is a legal move for `side` in pos, else the rule it breaks.
inline std::string whyIllegal(const Position& pos, int side, const EngineMove& m) {
    const Board& b = pos.board;
    const PieceCode own = side ? OWNER_BIT : 0;
    if (m.toFile < 0 || m.toFile > 8 || m.toRank < 0 || m.toRank > 8) return "target off the board";
    const int to = squareOf(m.toRank, m.toFile);
    const int ahead = side == 0 ? m.toRank : 8 - m.toRank;  // ranks left in front of the piece
    const int kind = m.newPiece & 15;
    if (m.fromFile < 0) {
        if (m.fromRank != -1 || m.piece != m.newPiece || m.captured != EMPTY)
            return "malformed drop";
        if ((m.piece & ~7) != own || (m.piece & 7) == GYOKU) return "dropped piece not droppable";
        if (pos.hand[side][m.piece & 7] == 0) return "dropped piece not in hand";
        if (b[to] != EMPTY) return "drop onto an occupied square";
        if (kind == HU)
            for (int r = 0; r < 9; ++r)
                if (b[squareOf(r, m.toFile)] == (HU | own)) return "second pawn on a file";
    } else {
        if (m.fromFile > 8 || m.fromRank < 0 || m.fromRank > 8) return "origin off the board";
        const int from = squareOf(m.fromRank, m.fromFile);
        if (b[from] != m.piece || !isSidePiece(b[from], side)) return "piece not on its origin";
        if (b[to] != m.captured) return "captured code differs from the board";
        if (isSidePiece(b[to], side)) return "captures an own piece";
        if (b[to] != EMPTY && (b[to] & 7) == GYOKU) return "captures a king";
        bool reaches = false;
        forTargets(b, from, [&](int t, int) { reaches |= t == to; });
        if (!reaches) return "the piece does not move that way";
        if (m.newPiece != m.piece) {
            const bool zone = (side == 0 ? m.fromRank : 8 - m.fromRank) <= 2 || ahead <= 2;
            if (m.newPiece != m.piece + 8 || (m.piece & 8) || (m.piece & 7) == KIN ||
                (m.piece & 7) == GYOKU || !zone)
                return "promotion not allowed";
        }
    }
    if (((kind == HU || kind == KYO) && ahead == 0) || (kind == KEI && ahead < 2))
        return "piece left with no further move";
    const Position n = afterMove(pos, side, m);
    if (inCheck(n.board, side)) return "own king left attacked";
    if (m.fromFile < 0 && kind == HU && inCheck(n.board, 1 - side) &&
        legalMoves(n, 1 - side).empty())
        return "mate by pawn drop";
    return {};
}

// Every legal move of `side`, board moves and drops.
inline std::vector<EngineMove> legalMoves(const Position& pos, int side) {
    std::vector<EngineMove> out;
    for (const PseudoMove& p : pseudoMoves(pos, side)) {
        const EngineMove m =
            p.from < 0 ? EngineMove{-1, -1, p.piece, fileOf(p.to), rankOf(p.to), p.piece, EMPTY}
                       : EngineMove{fileOf(p.from), rankOf(p.from), p.piece,   fileOf(p.to),
                                    rankOf(p.to),   p.newPiece,     p.captured};
        if (whyIllegal(pos, side, m).empty()) out.push_back(m);
    }
    return out;
}

}  // namespace kaz::testing
