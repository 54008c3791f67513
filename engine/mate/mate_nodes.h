#pragma once

// The search nodes shared by MateSolver and MateTester: side 1's checks (OR nodes, even plies) and
// side 0's evasions (AND nodes, odd plies). Both objects run the same code; what differs is a
// compile-time policy. Include only from the two objects' source files.
//
// Every candidate is made with full attack-map updates and unmade again, even when it turns out
// not to check or not to evade: the per-ply direction planes keep bits from those makes and
// unmakes, and the defender reads them to find interposition squares, so skipping a make would
// change which interpositions later nodes consider.

#include <atomic>
#include <cstdint>
#include <cstring>

#include "engine/mate/mate_solver.h"
#include "engine/mate/mate_tester.h"
#include "engine/position/engine_move.h"
#include "engine/position/make_move.h"

namespace kaz::mate {

// Never attacked by any piece (three rows above the board): the king square of a side without a
// king, so that "is that king attacked" reads 0.
constexpr int NO_KING_SQUARE = 0;

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
                if (checksFrom(p, q, v, rank)) return;
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
                    if (evasionsFrom(p, q, v, rank)) return;
                }
            }
        }
    }

  private:
    Object& o;

    int limit() const { return Policy::depthLimit(o); }

    // Make and unmake, with the whole attack-map update inlined into straight-line code: this is
    // where the search spends most of its time.
    [[gnu::flatten]] void make(int p, int m, int f, int t, PieceCode n, PieceCode x) {
        makeMove(o.position, o.attackMap, p, m, f, t, n, x);
        ++o.nodes;
    }
    [[gnu::flatten]] void unmake(int p, int f, PieceCode a, int t, PieceCode x) {
        unmakeMove(o.position, o.attackMap, p, f, a, t, x);
    }
    [[gnu::flatten]] void drop(int p, int t, PieceCode d) {
        makeDrop(o.position, o.attackMap, p, t, t, d);
        ++o.nodes;
    }
    [[gnu::flatten]] void undrop(int p, int t, PieceCode d) {
        unmakeDrop(o.position, o.attackMap, p, t, d);
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
        if (x == GYOKU) {
            // Side 0's king stands attacked: only possible in the position handed over.
            if constexpr (Policy::kShortest) o.bestMove = boardMove(f, a, t, n, x);
            o.mateFlag[0] = 1;
            return true;
        }
        if (x & OWNER_BIT) return false;  // own piece or the frame
        o.lastTarget[p] = t;
        const int m = p >= 2 ? o.lastTarget[p - 1] : o.kingSquare[0][p];
        AttackMap& am = o.attackMap;
        make(p, m, f, t, n, x);
        if (am.count[1][o.kingSquare[0][p]] > 0 && p < limit()) {
            const bool offered = x == EMPTY && am.count[0][t] > 0 && am.count[1][t] == 0;
            if ((offered ? 0 : 1) == o.moveClass[p]) {
                searchBelow<true>(p);
                if constexpr (Policy::kShortest) {
                    if (p == 0 && o.mateFlag[0] == 1) recordRootMate(boardMove(f, a, t, n, x));
                }
            }
        }
        unmake(p, f, a, t, x);
        return o.mateFlag[p] == 1;
    }

    // One drop of side 1 onto the empty square t at ply p; true when the node is decided.
    bool tryCheckDrop(int p, int t, int kind) {
        const PieceCode d = static_cast<PieceCode>(OWNER_BIT | kind);
        AttackMap& am = o.attackMap;
        o.lastTarget[p] = t;
        drop(p, t, d);
        if (am.count[1][o.kingSquare[0][p]] > 0 && p < limit()) {
            const bool offered = am.count[0][t] > 0 && am.count[1][t] == 0;
            if ((offered ? 0 : 1) == o.moveClass[p]) {
                searchBelow<true>(p);
                if constexpr (Policy::kShortest) {
                    if (p == 0 && o.mateFlag[0] == 1) recordRootMate(dropMove(d, t));
                }
            }
        }
        undrop(p, t, d);
        return o.mateFlag[p] == 1;
    }

    // Slides of side 1's piece v from q in direction d; promo is the promoted code, or 0 when the
    // piece does not promote. Promoting is tried first wherever origin or target is in the zone.
    bool checkSlide(int p, int q, PieceCode v, int d, PieceCode promo) {
        const Board& b = o.position.board;
        for (int t = q + d;; t += d) {
            const PieceCode x = b[t];
            if (x != EMPTY && (x & OWNER_BIT)) return false;
            if (promo && (q >= 144 || t >= 144) && tryCheck(p, q, v, t, promo, x)) return true;
            if (tryCheck(p, q, v, t, v, x)) return true;
            if (x != EMPTY) return false;
        }
    }

    bool checkStep(int p, int q, PieceCode v, int t, PieceCode n) {
        return tryCheck(p, q, v, t, n, o.position.board[t]);
    }

    // Every attempt of side 1's piece v on q (rank r), in generation order.
    bool checksFrom(int p, int q, PieceCode v, int r) {
        const Board& b = o.position.board;
        const PieceCode pv = static_cast<PieceCode>(v + PROMOTED_BIT);
        switch (v) {
            case OWNER_BIT | HU: {
                const int t = q + 16;
                if (r == 5 || r == 6) return checkStep(p, q, v, t, pv) || checkStep(p, q, v, t, v);
                if (r == 7) return checkStep(p, q, v, t, pv);
                return checkStep(p, q, v, t, v);
            }
            case OWNER_BIT | KYO:
                for (int t = q + 16;; t += 16) {
                    const PieceCode x = b[t];
                    if (x != EMPTY && (x & OWNER_BIT)) return false;
                    const int rt = rankOf(t);
                    if (rt == 8) {
                        if (tryCheck(p, q, v, t, pv, x)) return true;
                    } else {
                        if ((r >= 6 || rt >= 6) && tryCheck(p, q, v, t, pv, x)) return true;
                        if (tryCheck(p, q, v, t, v, x)) return true;
                    }
                    if (x != EMPTY) return false;
                }
            case OWNER_BIT | KEI:
                if (r == 5 || r == 6)
                    return checkStep(p, q, v, q + 31, pv) || checkStep(p, q, v, q + 33, pv);
                if (r == 4)
                    return checkStep(p, q, v, q + 31, pv) || checkStep(p, q, v, q + 33, pv) ||
                           checkStep(p, q, v, q + 31, v) || checkStep(p, q, v, q + 33, v);
                if (r <= 3) return checkStep(p, q, v, q + 31, v) || checkStep(p, q, v, q + 33, v);
                return false;
            case OWNER_BIT | GIN: {
                constexpr int steps[5] = {15, 16, 17, -17, -15};
                if (r == 5) {
                    for (int i = 0; i < 3; ++i)
                        if (checkStep(p, q, v, q + steps[i], pv)) return true;
                } else if (r >= 6) {
                    for (int s : steps)
                        if (checkStep(p, q, v, q + s, pv)) return true;
                }
                for (int s : steps)
                    if (checkStep(p, q, v, q + s, v)) return true;
                return false;
            }
            case OWNER_BIT | KIN:
            case OWNER_BIT | TOKIN:
            case OWNER_BIT | NKYO:
            case OWNER_BIT | NKEI:
            case OWNER_BIT | NGIN:
                for (int s : {15, 16, 17, -1, 1, -16})
                    if (checkStep(p, q, v, q + s, v)) return true;
                return false;
            case OWNER_BIT | KAKU:
                for (int d : {15, 17, -17, -15})
                    if (checkSlide(p, q, v, d, pv)) return true;
                return false;
            case OWNER_BIT | HI:
                for (int d : {16, -1, 1, -16})
                    if (checkSlide(p, q, v, d, pv)) return true;
                return false;
            case OWNER_BIT | GYOKU:
                for (int s : {15, 16, 17, -1, 1, -17, -16, -15}) {
                    o.kingSquare[1][p] = q + s;
                    const bool decided = checkStep(p, q, v, q + s, v);
                    o.kingSquare[1][p] = q;
                    if (decided) return true;
                }
                return false;
            case OWNER_BIT | UMA:
                for (int s : {16, -1, 1, -16})
                    if (checkStep(p, q, v, q + s, v)) return true;
                for (int d : {15, 17, -17, -15})
                    if (checkSlide(p, q, v, d, 0)) return true;
                return false;
            case OWNER_BIT | RYU:
                for (int s : {15, 17, -17, -15})
                    if (checkStep(p, q, v, q + s, v)) return true;
                for (int d : {16, -1, 1, -16})
                    if (checkSlide(p, q, v, d, 0)) return true;
                return false;
            default:
                return false;
        }
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
        make(p, m, f, t, n, x);
        if (am.count[1][o.kingSquare[0][p]] == 0 && p < limit() &&
            (x == EMPTY ? 0 : 1) == o.moveClass[p])
            searchBelow<false>(p);
        unmake(p, f, a, t, x);
        return o.mateFlag[p] == 0;
    }

    // One attempt of side 0's piece v (not the king) from q to t with code n: captures anywhere,
    // moves to empty squares only onto the last move's lines. Returns 1 when the evasion holds
    // (node decided), 0 to go on, -1 when a slide ends here.
    int evadeTo(int p, int q, PieceCode v, int t, PieceCode n) {
        const PieceCode x = o.position.board[t];
        if (x == (OWNER_BIT | GYOKU)) {
            o.mateFlag[p] = 0;
            return 1;
        }
        if (x == OFF_BOARD || x < OWNER_BIT) return -1;
        if (x == EMPTY && o.attackMap.plyRays[1][p - 1][t] == 0) return 0;
        o.lastTarget[p] = t;
        return tryEvasion(p, q, v, t, n, x) ? 1 : 0;
    }

    bool evadeStep(int p, int q, PieceCode v, int t, PieceCode n) {
        return evadeTo(p, q, v, t, n) == 1;
    }

    bool evadeSlide(int p, int q, PieceCode v, int d, PieceCode promo) {
        for (int t = q + d;; t += d) {
            if (promo && (q <= 96 || t <= 96)) {
                const int r = evadeTo(p, q, v, t, promo);
                if (r != 0) return r == 1;
            }
            const int r = evadeTo(p, q, v, t, v);
            if (r != 0) return r == 1;
            if (o.position.board[t] != EMPTY) return false;
        }
    }

    // Every attempt of side 0's piece v on q (rank r), in generation order; true when an evasion
    // holds.
    bool evasionsFrom(int p, int q, PieceCode v, int r) {
        const Board& b = o.position.board;
        const PieceCode pv = static_cast<PieceCode>(v + PROMOTED_BIT);
        switch (v) {
            case HU: {
                const int t = q - 16;
                if (r == 1) return evadeStep(p, q, v, t, pv);
                if (r == 2 || r == 3) return evadeStep(p, q, v, t, pv) || evadeStep(p, q, v, t, v);
                return evadeStep(p, q, v, t, v);
            }
            case KYO:
                for (int t = q - 16;; t -= 16) {
                    const int rt = rankOf(t);
                    int res;
                    if (rt == 0) {
                        res = evadeTo(p, q, v, t, pv);
                    } else {
                        res = 0;
                        if (r <= 2 || rt <= 2) res = evadeTo(p, q, v, t, pv);
                        if (res == 0) res = evadeTo(p, q, v, t, v);
                    }
                    if (res != 0) return res == 1;
                    if (b[t] != EMPTY) return false;
                }
            case KEI:
                if (r == 2 || r == 3)
                    return evadeStep(p, q, v, q - 33, pv) || evadeStep(p, q, v, q - 31, pv);
                if (r == 4)
                    return evadeStep(p, q, v, q - 33, pv) || evadeStep(p, q, v, q - 31, pv) ||
                           evadeStep(p, q, v, q - 33, v) || evadeStep(p, q, v, q - 31, v);
                if (r >= 5) return evadeStep(p, q, v, q - 33, v) || evadeStep(p, q, v, q - 31, v);
                return false;
            case GIN: {
                constexpr int steps[5] = {-17, -16, -15, 15, 17};
                if (r == 3) {
                    for (int i = 0; i < 3; ++i)
                        if (evadeStep(p, q, v, q + steps[i], pv)) return true;
                } else if (r <= 2) {
                    for (int s : steps)
                        if (evadeStep(p, q, v, q + s, pv)) return true;
                }
                for (int s : steps)
                    if (evadeStep(p, q, v, q + s, v)) return true;
                return false;
            }
            case KIN:
            case TOKIN:
            case NKYO:
            case NKEI:
            case NGIN:
                for (int s : {-17, -16, -15, -1, 1, 16})
                    if (evadeStep(p, q, v, q + s, v)) return true;
                return false;
            case KAKU:
                for (int d : {-17, -15, 15, 17})
                    if (evadeSlide(p, q, v, d, pv)) return true;
                return false;
            case HI:
                for (int d : {-16, -1, 1, 16})
                    if (evadeSlide(p, q, v, d, pv)) return true;
                return false;
            case GYOKU:
                for (int s : {-17, -16, -15, -1, 1, 15, 16, 17}) {
                    const int t = q + s;
                    const PieceCode x = b[t];
                    if (x == (OWNER_BIT | GYOKU)) {
                        o.mateFlag[p] = 0;
                        return true;
                    }
                    if (x == OFF_BOARD || x < OWNER_BIT) continue;
                    o.kingSquare[0][p] = t;
                    o.lastTarget[p] = t;
                    const bool holds = tryEvasion(p, q, v, t, v, x);
                    o.kingSquare[0][p] = q;
                    if (holds) return true;
                }
                return false;
            case UMA:
                for (int s : {16, -1, 1, -16})
                    if (evadeStep(p, q, v, q + s, v)) return true;
                for (int d : {15, 17, -17, -15})
                    if (evadeSlide(p, q, v, d, 0)) return true;
                return false;
            case RYU:
                for (int s : {15, 17, -17, -15})
                    if (evadeStep(p, q, v, q + s, v)) return true;
                for (int d : {16, -1, 1, -16})
                    if (evadeSlide(p, q, v, d, 0)) return true;
                return false;
            default:
                return false;
        }
    }

    // Interposing drops of side 0 on the empty square q; true when one holds.
    bool evasionDrops(int p, int q, int rank, int file, FileFlags& pawns) {
        Hand& h = o.position.hand[0];
        const Board& b = o.position.board;
        AttackMap& am = o.attackMap;
        const int k = o.kingSquare[0][p];
        for (int kind = HU; kind <= HI; ++kind) {
            if (h[kind] == 0) continue;
            if (kind == HU && (rank == 0 || pawns.has(b, file, HU))) continue;
            if (kind == KYO && rank == 0) continue;
            if (kind == KEI && rank <= 1) continue;
            const PieceCode d = static_cast<PieceCode>(kind);
            o.lastTarget[p] = q;
            drop(p, q, d);
            if (am.count[1][k] == 0 && p < limit()) {
                const bool offered = am.count[1][q] > 0 && am.count[0][q] == 0;
                if ((offered ? 0 : 1) == o.moveClass[p]) searchBelow<false>(p);
            }
            undrop(p, q, d);
            if (o.mateFlag[p] == 0) return true;
        }
        return false;
    }
};

}  // namespace kaz::mate
