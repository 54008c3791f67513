#pragma once

// The rules of shogi written out plainly for tests: which moves are legal for a side, and why a
// given move is not. Independent of the engine's move generators and rules on purpose.

#include <algorithm>
#include <string>
#include <vector>

#include "engine/position/engine_move.h"
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

// Every move the pieces allow `side` (board moves with and without promotion, drops), before the
// rules below.
inline std::vector<EngineMove> pieceMoves(const Position& pos, int side) {
    std::vector<EngineMove> out;
    for (const PseudoMove& p : pseudoMoves(pos, side))
        out.push_back(p.from < 0
                          ? EngineMove{-1, -1, p.piece, fileOf(p.to), rankOf(p.to), p.piece, EMPTY}
                          : EngineMove{fileOf(p.from), rankOf(p.from), p.piece, fileOf(p.to),
                                       rankOf(p.to), p.newPiece, p.captured});
    return out;
}

inline std::vector<EngineMove> legalMoves(const Position& pos, int side);

// The rule a move from pieceMoves breaks, or empty.
inline std::string ruleBroken(const Position& pos, int side, const EngineMove& m) {
    const int kind = m.newPiece & 15;
    const int ahead = side == 0 ? m.toRank : 8 - m.toRank;  // ranks left in front of the piece
    if (((kind == HU || kind == KYO) && ahead == 0) || (kind == KEI && ahead < 2))
        return "piece left with no further move";
    if (m.fromFile < 0 && kind == HU)
        for (int r = 0; r < 9; ++r)
            if (pos.board[squareOf(r, m.toFile)] == pieceOf(side, HU))
                return "second pawn on a file";
    const Position n = afterMove(pos, side, m);
    if (inCheck(n.board, side)) return "own king left attacked";
    if (m.fromFile < 0 && kind == HU && inCheck(n.board, 1 - side) &&
        legalMoves(n, 1 - side).empty())
        return "mate by pawn drop";
    return {};
}

inline std::vector<EngineMove> legalMoves(const Position& pos, int side) {
    std::vector<EngineMove> out;
    for (const EngineMove& m : pieceMoves(pos, side))
        if (ruleBroken(pos, side, m).empty()) out.push_back(m);
    return out;
}

// Empty when m is a legal move for `side` in pos, else why not.
inline std::string whyIllegal(const Position& pos, int side, const EngineMove& m) {
    const std::vector<EngineMove> moves = pieceMoves(pos, side);
    if (std::find(moves.begin(), moves.end(), m) == moves.end()) return "not a move of the pieces";
    return ruleBroken(pos, side, m);
}

}  // namespace kaz::testing
