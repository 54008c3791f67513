#pragma once

// The rules of shogi written out plainly for tests: which moves are legal for a side, and why a
// given move is not. Independent of the engine's move generators and attack map on purpose; it
// shares only the piece encoding and the movement table of pseudo_moves.h.

#include <string>
#include <vector>

#include "engine/position/transform.h"
#include "engine/position/types.h"
#include "tests/support/pseudo_moves.h"

namespace kaz::testing {

inline int sideOf(PieceCode c) { return (c >> 4) & 1; }
inline bool isSidePiece(PieceCode c, int side) { return c < 0x80 && sideOf(c) == side; }

// Whether any piece of `by` attacks square sq.
inline bool attacked(const Board& b, int sq, int by) {
    const int sign = by == 0 ? 1 : -1;
    for (int q = 0; q < 256; ++q) {
        if (!onBoard(q) || !isSidePiece(b[q], by)) continue;
        const Rule& r = ruleFor(b[q]);
        for (int o : r.steps)
            if (q + sign * o == sq) return true;
        for (int o : r.slides) {
            for (int t = q + sign * o; onBoard(t); t += sign * o) {
                if (t == sq) return true;
                if (b[t] != EMPTY) break;
            }
        }
    }
    return false;
}

inline int kingOf(const Board& b, int side) {
    for (int q = 0; q < 256; ++q)
        if (onBoard(q) && b[q] == (GYOKU | (side ? OWNER_BIT : 0))) return q;
    return -1;
}

inline bool inCheck(const Board& b, int side) {
    const int k = kingOf(b, side);
    return k >= 0 && attacked(b, k, 1 - side);
}

// Ranks left in front of a piece of `side` on rank r.
inline int ranksAhead(int side, int rank) { return side == 0 ? rank : 8 - rank; }

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
    const int ahead = ranksAhead(side, m.toRank);
    const int kind = m.newPiece & 15;
    if (m.fromFile < 0) {
        if (m.fromRank != -1 || m.piece != m.newPiece || m.captured != EMPTY)
            return "malformed drop";
        if ((m.piece & ~7) != own || (m.piece & 7) == GYOKU) return "dropped piece not droppable";
        if (pos.hand[side][m.piece & 7] == 0) return "dropped piece not in hand";
        if (b[to] != EMPTY) return "drop onto an occupied square";
        if ((kind == HU || kind == KYO) && ahead == 0) return "drop with no further move";
        if (kind == KEI && ahead < 2) return "drop with no further move";
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
        const int sign = side == 0 ? 1 : -1;
        const Rule& r = ruleFor(b[from]);
        for (int o : r.steps) reaches |= from + sign * o == to;
        for (int o : r.slides)
            for (int t = from + sign * o; onBoard(t) && !reaches; t += sign * o) {
                reaches = t == to;
                if (b[t] != EMPTY) break;
            }
        if (!reaches) return "the piece does not move that way";
        if (m.newPiece != m.piece) {
            const bool zone = ranksAhead(side, m.fromRank) <= 2 || ahead <= 2;
            if (m.newPiece != m.piece + 8 || (m.piece & 8) || (m.piece & 7) == KIN ||
                (m.piece & 7) == GYOKU || !zone)
                return "promotion not allowed";
        }
        if ((kind == HU || kind == KYO) && ahead == 0) return "piece left with no further move";
        if (kind == KEI && ahead < 2) return "piece left with no further move";
    }
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
    const Board& b = pos.board;
    auto consider = [&](const EngineMove& m) {
        if (whyIllegal(pos, side, m).empty()) out.push_back(m);
    };
    for (const PseudoMove& p : pseudoMoves(pos, side)) {
        if (p.from < 0) continue;
        consider({fileOf(p.from), rankOf(p.from), p.piece, fileOf(p.to), rankOf(p.to), p.newPiece,
                  p.captured});
    }
    for (int k = HU; k <= HI; ++k) {
        if (pos.hand[side][k] == 0) continue;
        const PieceCode c = static_cast<PieceCode>(k | (side ? OWNER_BIT : 0));
        for (int q = 0; q < 256; ++q)
            if (onBoard(q) && b[q] == EMPTY) consider({-1, -1, c, fileOf(q), rankOf(q), c, EMPTY});
    }
    return out;
}

}  // namespace kaz::testing
