#pragma once

// The search nodes shared by MateSolver and MateTester: side 1's checks (OR nodes, even plies) and
// side 0's evasions (AND nodes, odd plies). Both objects run the same code; what differs is a
// compile-time policy. Include only from the two objects' source files.
//
// Every candidate is made with full attack-map updates and unmade again, even when it turns out
// not to check or not to evade: the per-ply direction planes keep bits from those makes and
// unmakes, and the defender reads them to find interposition squares, so skipping a make would
// change which interpositions later nodes consider. That side 1 ray plane of the checks is the
// only per-ply plane anyone reads, so it is the only one the updates keep.

#include <atomic>
#include <cstdint>
#include <cstring>

#include "engine/mate/mate_solver.h"
#include "engine/mate/mate_tester.h"
#include "engine/position/engine_move.h"
#include "engine/position/make_move.h"
#include "engine/position/piece_moves.h"

namespace kaz::mate {

// The thread-run solver: looks for the shortest mate, cuts repetitions of the root position, keeps
// mate lengths and can be stopped from another thread.
struct SolverPolicy {
    using Object = MateSolver;
    static constexpr bool kShortest = true;
    static constexpr bool kRepetitionCut = true;
    static constexpr bool kLengths = true;
    static int depthLimit(const Object& o) { return o.depthLimit.load(std::memory_order_relaxed); }
    static bool stopped(const Object&) { return false; }  // stopped through depthLimit
};

// The in-search test: the first proven mate answers, nothing else is kept.
struct TesterPolicy {
    using Object = MateTester;
    static constexpr bool kShortest = false;
    static constexpr bool kRepetitionCut = false;
    static constexpr bool kLengths = false;
    static int depthLimit(const Object& o) { return o.depthLimit; }
    // The owner's stop: every node returns at once, and the owner discards the answer.
    static bool stopped(const Object& o) {
        return o.stopRequest && o.stopRequest->load(std::memory_order_relaxed);
    }
};

template <class Policy>
class MateNodes {
    using Object = typename Policy::Object;

  public:
    explicit MateNodes(Object& object) : o(object) {}

    // OR node at ply o.ply (even): side 1 looks for a check of class cls after which every
    // evasion fails. Leaves mateFlag[p] (and at the solver's root the best result).
    void attackerNode(int cls) {
        const int p = o.ply;
        o.mateFlag[p] = 0;
        if (p >= limit() || Policy::stopped(o)) return;
        if constexpr (Policy::kRepetitionCut) {
            if (p >= 4 && backAtRoot(p)) return;
        }
        o.moveClass[p] = cls;
        if constexpr (Policy::kLengths) {
            if (p >= 1) o.mateLength[p] = p;
        }
        if (p >= 2) {
            o.kingSquare[0][p] = o.kingSquare[0][p - 1];
            o.kingSquare[1][p] = o.kingSquare[1][p - 1];
        }
        const Board& b = o.position.board;
        for (int file = 0; file < 9; ++file) {
            for (int rank = 0; rank < 9; ++rank) {
                const int q = squareOf(rank, file);
                const PieceCode v = b[q];
                if (v >= 0x80 || !(v & OWNER_BIT)) continue;
                if (checksFrom(p, q, v)) return;
            }
        }
        checkDrops(p);
    }

    // AND node at ply o.ply (odd): side 0 is in check and tries every evasion of class cls;
    // mateFlag[p] = 1 when all of them fail.
    void defenderNode(int cls) {
        const int p = o.ply;
        o.mateFlag[p] = 0;
        if (p >= limit() || Policy::stopped(o)) return;
        // Side 1's check left its own king attacked: not a legal check.
        if (o.attackMap.count[0][o.kingSquare[1][p - 1]] > 0) return;
        if constexpr (Policy::kLengths) o.mateLength[p] = p;
        o.moveClass[p] = cls;
        o.mateFlag[p] = 1;
        o.kingSquare[0][p] = o.kingSquare[0][p - 1];
        o.kingSquare[1][p] = o.kingSquare[1][p - 1];
        const Board& b = o.position.board;
        const std::int32_t* lastRays = o.attackMap.plyRays[1][p - 1];
        const std::int32_t kingRays = lastRays[o.kingSquare[0][p]];
        FileFlags pawns;
        for (int file = 0; file < 9; ++file) {
            for (int rank = 0; rank < 9; ++rank) {
                const int q = squareOf(rank, file);
                const PieceCode v = b[q];
                if (v == EMPTY) {
                    // Interposing drops: only on squares side 0 already covers, on a line of the
                    // last move that also reaches the king.
                    if (o.attackMap.count[0][q] > 0 && (lastRays[q] & kingRays) != 0) {
                        if (evasionDrops(p, q, rank, file, pawns)) return;
                    }
                } else if (v < OWNER_BIT) {
                    if (evasionsFrom(p, q, v)) return;
                }
            }
        }
    }

  private:
    Object& o;

    int limit() const { return Policy::depthLimit(o); }

    // The per-ply planes kept by side 1's checks and by side 0's evasions (see the top).
    static constexpr int CHECK_PLANES = PLY_RAYS1;
    static constexpr int EVASION_PLANES = 0;

    // Make and unmake, with the whole attack-map update inlined into straight-line code: this is
    // where the search spends most of its time. The nodes read the map itself, never the threat
    // sum, so the makes do not work it out.
    template <int Planes>
    [[gnu::flatten]] void make(int p, int m, int f, int t, PieceCode n, PieceCode x) {
        makeMove<Planes, false>(o.position, o.attackMap, p, m, f, t, n, x);
        ++o.nodes;
    }
    template <int Planes>
    [[gnu::flatten]] void unmake(int p, int f, PieceCode a, int t, PieceCode x) {
        unmakeMove<Planes>(o.position, o.attackMap, p, f, a, t, x);
    }
    template <int Planes>
    [[gnu::flatten]] void drop(int p, int t, PieceCode d) {
        makeDrop<Planes, false>(o.position, o.attackMap, p, t, t, d);
        ++o.nodes;
    }
    template <int Planes>
    [[gnu::flatten]] void undrop(int p, int t, PieceCode d) {
        unmakeDrop<Planes>(o.position, o.attackMap, p, t, d);
    }

    // Which files hold an unpromoted pawn of a side, worked out for a file when first asked.
    struct FileFlags {
        std::uint32_t known = 0;
        std::uint32_t pawn = 0;
        bool has(const Board& b, int file, PieceCode pawnCode) {
            const std::uint32_t bit = 1u << file;
            if (!(known & bit)) {
                known |= bit;
                for (int rank = 0; rank < 9; ++rank)
                    if (b[squareOf(rank, file)] == pawnCode) pawn |= bit;
            }
            return (pawn & bit) != 0;
        }
    };

    // The line has come back to the root position with side 1 to move.
    bool backAtRoot(int p) const {
        if (o.kingSquare[0][p - 1] != o.rootKingSquare[0]) return false;
        if (std::memcmp(o.position.hand, o.rootHand, sizeof o.rootHand) != 0) return false;
        return std::memcmp(o.position.board.data() + 51, o.rootBoard.data() + 51, 187 - 51 + 1) ==
               0;
    }

    // Searches the node below ply p in both classes, class 1 first. Below a check (side 0 to
    // move) class 0 is searched only when class 1 found no escape; below an evasion only when
    // class 1 found no mate. mateFlag[p] takes the verdict and, on mate, the length.
    // The length is that of the last evasion refuted; when class 0 has no evasion to search, the
    // captures refuted in class 1 keep their length (otherwise a check answered only by captures
    // would pass for a mate in one).
    template <bool BelowCheck>
    void searchBelow(int p) {
        int captureLength = 0;
        for (int cls = 1; cls >= 0; --cls) {
            o.ply = p + 1;
            if constexpr (BelowCheck)
                defenderNode(cls);
            else
                attackerNode(cls);
            o.ply = p;
            o.mateFlag[p] = o.mateFlag[p + 1];
            if ((o.mateFlag[p] == 1) != BelowCheck) break;
            if constexpr (BelowCheck && Policy::kLengths) {
                if (cls == 1) captureLength = o.mateLength[p + 1];
            }
        }
        if constexpr (Policy::kLengths) {
            if (o.mateFlag[p] == 1) {
                int length = o.mateLength[p + 1];
                if (BelowCheck && length == p + 1 && captureLength > length) length = captureLength;
                o.mateLength[p] = length;
            }
        }
    }

    // At the solver's root a proven check is compared with the best so far and the search goes
    // on (the tester's root keeps mateFlag[0] = 1 and stops).
    void recordRootMate(const EngineMove& move) {
        o.mateFlag[0] = 0;
        if (o.mateLength[0] < o.bestLength) {
            o.bestLength = o.mateLength[0];
            o.bestMove = move;
        } else {
            o.mateLength[0] = o.bestLength;
        }
    }

    // One board move of side 1 at ply p; true when the node is decided.
    bool tryCheck(int p, int f, PieceCode a, int t, PieceCode n, PieceCode x) {
        if (x == KING_CODE[0]) {
            // Side 0's king stands attacked: only possible in the position handed over.
            if constexpr (Policy::kShortest) o.bestMove = boardMove(f, a, t, n, x);
            o.mateFlag[0] = 1;
            return true;
        }
        if (x & OWNER_BIT) return false;  // own piece or the frame
        o.lastTarget[p] = t;
        const int m = p >= 2 ? o.lastTarget[p - 1] : o.kingSquare[0][p];
        AttackMap& am = o.attackMap;
        make<CHECK_PLANES>(p, m, f, t, n, x);
        if (am.count[1][o.kingSquare[0][p]] > 0 && p < limit()) {
            const bool offered = x == EMPTY && am.count[0][t] > 0 && am.count[1][t] == 0;
            if ((offered ? 0 : 1) == o.moveClass[p]) {
                searchBelow<true>(p);
                if constexpr (Policy::kShortest) {
                    if (p == 0 && o.mateFlag[0] == 1) recordRootMate(boardMove(f, a, t, n, x));
                }
            }
        }
        unmake<CHECK_PLANES>(p, f, a, t, x);
        return o.mateFlag[p] == 1;
    }

    // One drop of side 1 onto the empty square t at ply p; true when the node is decided.
    bool tryCheckDrop(int p, int t, int kind) {
        const PieceCode d = static_cast<PieceCode>(OWNER_BIT | kind);
        AttackMap& am = o.attackMap;
        o.lastTarget[p] = t;
        drop<CHECK_PLANES>(p, t, d);
        if (am.count[1][o.kingSquare[0][p]] > 0 && p < limit()) {
            const bool offered = am.count[0][t] > 0 && am.count[1][t] == 0;
            if ((offered ? 0 : 1) == o.moveClass[p]) {
                searchBelow<true>(p);
                if constexpr (Policy::kShortest) {
                    if (p == 0 && o.mateFlag[0] == 1) recordRootMate(dropMove(d, t));
                }
            }
        }
        undrop<CHECK_PLANES>(p, t, d);
        return o.mateFlag[p] == 1;
    }

    // Every attempt of side 1's piece v on q, in generation order; true when decided. A king
    // move holds its target in kingSquare[1][p] while it is tried.
    bool checksFrom(int p, int q, PieceCode v) {
        return forEachBoardMove<1>(
            o.position.board, q, v,
            [&](int t, PieceCode n, PieceCode x)
                __attribute__((always_inline)) { return tryCheck(p, q, v, t, n, x); },
            [&](int t, PieceCode x) __attribute__((always_inline)) {
                o.kingSquare[1][p] = t;
                const bool decided = tryCheck(p, q, v, t, v, x);
                o.kingSquare[1][p] = q;
                return decided;
            });
    }

    // Drops side 1 kind k on t when t is empty and the hand holds one; true when decided.
    bool dropIf(int p, int t, int kind) {
        if (o.position.board[t] != EMPTY || o.position.hand[1][kind] == 0) return false;
        return tryCheckDrop(p, t, kind);
    }

    // From the first square K + d outward while empty, dropping each of the given kinds.
    template <int N>
    bool dropLine(int p, int k, int d, const int (&kinds)[N]) {
        const Board& b = o.position.board;
        for (int t = k + 2 * d; b[t] == EMPTY; t += d)
            for (int kind : kinds)
                if (dropIf(p, t, kind)) return true;
        return false;
    }

    // Side 1's checking drops around side 0's king, in their fixed pattern.
    void checkDrops(int p) {
        const Board& b = o.position.board;
        const Hand& h = o.position.hand[1];
        const int k = o.kingSquare[0][p];
        if (b[k - 16] == EMPTY) {
            FileFlags pawns;
            if (h[HU] && !pawns.has(b, fileOf(k), OWNER_BIT | HU) && dropIf(p, k - 16, HU)) return;
            for (int kind : {KYO, GIN, KIN, HI})
                if (dropIf(p, k - 16, kind)) return;
            if ((h[KYO] || h[HI]) && dropLine(p, k, -16, {KYO, HI})) return;
        }
        for (int d : {-17, -15}) {
            if (b[k + d] != EMPTY) continue;
            for (int kind : {GIN, KIN, KAKU})
                if (dropIf(p, k + d, kind)) return;
            if (h[KAKU] && dropLine(p, k, d, {KAKU})) return;
        }
        for (int d : {15, 17}) {
            if (b[k + d] != EMPTY) continue;
            for (int kind : {GIN, KAKU})
                if (dropIf(p, k + d, kind)) return;
            if (h[KAKU] && dropLine(p, k, d, {KAKU})) return;
        }
        for (int d : {-1, 1, 16}) {
            if (b[k + d] != EMPTY) continue;
            for (int kind : {KIN, HI})
                if (dropIf(p, k + d, kind)) return;
            if (h[HI] && dropLine(p, k, d, {HI})) return;
        }
        if (dropIf(p, k - 33, KEI)) return;
        dropIf(p, k - 31, KEI);
    }

    // One board move of side 0 at ply p; true when the evasion holds.
    bool tryEvasion(int p, int f, PieceCode a, int t, PieceCode n, PieceCode x) {
        AttackMap& am = o.attackMap;
        const int m = o.lastTarget[p - 1];
        make<EVASION_PLANES>(p, m, f, t, n, x);
        if (am.count[1][o.kingSquare[0][p]] == 0 && p < limit() &&
            (x == EMPTY ? 0 : 1) == o.moveClass[p])
            searchBelow<false>(p);
        unmake<EVASION_PLANES>(p, f, a, t, x);
        return o.mateFlag[p] == 0;
    }

    // Every attempt of side 0's piece v on q, in generation order; true when an evasion holds.
    // Taking side 1's king ends the node at once. Other pieces capture anywhere but move to empty
    // squares only onto the last move's lines; the king goes to every square it may.
    bool evasionsFrom(int p, int q, PieceCode v) {
        auto kingTaken = [&](PieceCode x) __attribute__((always_inline)) {
            if (x != KING_CODE[1]) return false;
            o.mateFlag[p] = 0;
            return true;
        };
        return forEachBoardMove<0>(
            o.position.board, q, v,
            [&](int t, PieceCode n, PieceCode x) __attribute__((always_inline)) {
                if (kingTaken(x)) return true;
                if (x == EMPTY && o.attackMap.plyRays[1][p - 1][t] == 0) return false;
                o.lastTarget[p] = t;
                return tryEvasion(p, q, v, t, n, x);
            },
            [&](int t, PieceCode x) __attribute__((always_inline)) {
                if (kingTaken(x)) return true;
                o.kingSquare[0][p] = t;
                o.lastTarget[p] = t;
                const bool holds = tryEvasion(p, q, v, t, v, x);
                o.kingSquare[0][p] = q;
                return holds;
            });
    }

    // Interposing drops of side 0 on the empty square q; true when one holds.
    bool evasionDrops(int p, int q, int rank, int file, FileFlags& pawns) {
        Hand& h = o.position.hand[0];
        const Board& b = o.position.board;
        AttackMap& am = o.attackMap;
        const int k = o.kingSquare[0][p];
        for (int kind = HU; kind <= HI; ++kind) {
            if (h[kind] == 0) continue;
            const PieceCode d = static_cast<PieceCode>(kind);
            if (!mayStand(d, 0, rank) || (kind == HU && pawns.has(b, file, HU))) continue;
            o.lastTarget[p] = q;
            drop<EVASION_PLANES>(p, q, d);
            if (am.count[1][k] == 0 && p < limit()) {
                const bool offered = am.count[1][q] > 0 && am.count[0][q] == 0;
                if ((offered ? 0 : 1) == o.moveClass[p]) searchBelow<false>(p);
            }
            undrop<EVASION_PLANES>(p, q, d);
            if (o.mateFlag[p] == 0) return true;
        }
        return false;
    }
};

}  // namespace kaz::mate
