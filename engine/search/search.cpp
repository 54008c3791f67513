// The main search: side 1 and side 0 nodes written once as templates over the side, the move
// generation per piece kind, the stage dispatch and the executors that make, score, search and
// unmake one move. Stage N of the build-time table equals the ply; even stages are side 1's.

#include <cstdlib>

#include "engine/position/engine_move.h"
#include "engine/position/make_move.h"
#include "engine/search/searcher.h"

namespace kaz {
namespace {

template <int S>
constexpr PieceCode KING = S == 1 ? 23 : 7;
template <int S>
constexpr PieceCode OWN = S == 1 ? OWNER_BIT : 0;
template <int S>
constexpr std::int32_t FIRST_VALUE = S == 1 ? NO_MOVE_SIDE1 : NO_MOVE_SIDE0;

// Side 1 minimises, side 0 maximises.
template <int S>
inline bool better(std::int32_t a, std::int32_t b) {
    return S == 1 ? a < b : a > b;
}

template <int S>
inline bool isOwn(PieceCode c) {
    return S == 1 ? (c & OWNER_BIT) && c < 0x80 : (c & 0x90) == 0;
}

// A square side S may move to: empty or holding an enemy piece (not the frame).
template <int S>
inline bool isTarget(PieceCode c) {
    return S == 1 ? (c & OWNER_BIT) == 0 : c != OFF_BOARD && (c & 0x90) != 0;
}

// Ranks counted from side S's own back rank: 8 is the last rank in front of it.
template <int S>
inline int forwardRank(int sq) {
    return S == 1 ? rankOf(sq) : 8 - rankOf(sq);
}

template <int S>
inline bool promotionZone(int sq) {
    return S == 1 ? sq >= 0x90 : sq < 0x60;
}

// Generation orders. Each side's list runs forward before backward; uma and ryu share one
// absolute order.
template <int S>
struct Offsets;
template <>
struct Offsets<1> {
    static constexpr int KEI[2] = {31, 33};
    static constexpr int GIN[5] = {15, 16, 17, -17, -15};
    static constexpr int KIN[6] = {15, 16, 17, -1, 1, -16};
    static constexpr int KAKU[4] = {15, 17, -17, -15};
    static constexpr int HI[4] = {16, -1, 1, -16};
    static constexpr int GYOKU[8] = {15, 16, 17, -1, 1, -17, -16, -15};
};
template <>
struct Offsets<0> {
    static constexpr int KEI[2] = {-33, -31};
    static constexpr int GIN[5] = {-17, -16, -15, 15, 17};
    static constexpr int KIN[6] = {-17, -16, -15, -1, 1, 16};
    static constexpr int KAKU[4] = {-17, -15, 15, 17};
    static constexpr int HI[4] = {-16, -1, 1, 16};
    static constexpr int GYOKU[8] = {-17, -16, -15, -1, 1, 15, 16, 17};
};
constexpr int UMA_STEPS[4] = {16, -1, 1, -16};
constexpr int UMA_SLIDES[4] = {15, 17, -17, -15};
constexpr int RYU_STEPS[4] = {15, 17, -17, -15};
constexpr int RYU_SLIDES[4] = {16, -1, 1, -16};

}  // namespace

// --- Nodes ---------------------------------------------------------------------------------

template <int S>
void Searcher::node() {
    constexpr int E = 1 - S;
    const int p = ply;
    Board& b = position.board;
    AttackMap& am = attackMap;

    if (stopping()) {  // the root discards a stopped line, so its value does not matter
        if (p != 0) plyValue[p] = 0;
        return;
    }
    if (p >= depthLimit) {
        plyValue[p] = 0;
        return;
    }
    if constexpr (S == 1) {
        if (plyStage[p] >= 8) {
            recaptureSearch();
            return;
        }
        if (p == 0 && pass.load(std::memory_order_relaxed) == 0 && lookupBook()) {
            bookHit = true;
            return;
        }
        if (p >= 2) {
            if (am.count[1][kingSquare[0][p - 1]] >= 1) {  // side 0 left its king attacked
                plyValue[p] = kingTakenBySide1(p);
                return;
            }
            kingSquare[0][p] = kingSquare[0][p - 1];
            kingSquare[1][p] = kingSquare[1][p - 1];
        }
        if (p != 0) plyValue[p] = NO_MOVE_SIDE1;  // the root value carries over between passes
    } else {
        if (plyStage[p] >= 9) {
            captureReply();
            return;
        }
        kingSquare[0][p] = kingSquare[0][p - 1];
        kingSquare[1][p] = kingSquare[1][p - 1];
        if (am.count[0][kingSquare[1][p - 1]] > 0) {  // side 1 left its king attacked
            plyValue[p] = kingTakenBySide0(p);
            return;
        }
        if (p == 1) {
            const std::uint64_t before = mateTester.nodes;
            const bool mated = mateTester.testMate(position) != 0;
            testerNodes += mateTester.nodes - before;
            if (mated) {
                plyValue[1] = 25000;
                return;
            }
        }
        plyValue[p] = NO_MOVE_SIDE0;
    }

    // Remembered moves first.
    if (plyStage[p] <= (S == 1 ? 6 : 7)) {
        for (int i = 0, n = memoryInUse(p); i < n; ++i) {
            const RememberedMove e = moveMemory[p][i];
            if (e.from >= 0) {
                if (b[e.from] != e.piece || b[e.to] != e.captured ||
                    am.rays[S][e.to] != e.raysAtTarget)
                    continue;
                moveScore[p] = 0;
                const bool king = e.piece == KING<S>;
                if (king) kingSquare[S][p] = e.to;
                const bool cut = stageDispatch<S>(e.from, static_cast<PieceCode>(e.piece), e.to,
                                                  static_cast<PieceCode>(e.newPiece),
                                                  static_cast<PieceCode>(e.captured));
                if (king) kingSquare[S][p] = e.from;
                if (cut) return;
            } else {
                const int k = e.newPiece & 7;
                if (k == HU) {
                    bool pawnOnFile = false;
                    for (int r = 0; r < 9; ++r)
                        pawnOnFile |= b[squareOf(r, fileOf(e.to))] == (HU | OWN<S>);
                    if (pawnOnFile) continue;
                }
                if (b[e.to] != EMPTY || position.hand[S][k] == 0) continue;
                moveScore[p] = dropScore<S>(k);
                lastTarget[p] = e.to;
                position.hand[S][k] -= 1;
                b[e.to] = static_cast<PieceCode>(k | OWN<S>);
                dropExecutor<S>(e.to);
                b[e.to] = EMPTY;
                position.hand[S][k] += 1;
                if (dropCutoff<S>() || stopping()) return;
            }
        }
    }

    // The board scan, file by file: drops on empty squares, moves of own pieces.
    for (int f = 0; f < 9; ++f) {
        if constexpr (S == 1) {
            if (mateSolver.found.load(std::memory_order_relaxed) ||
                stopRequest.load(std::memory_order_relaxed))
                break;
            if (p == 0) progressColumn.store(f, std::memory_order_relaxed);
        }
        bool pawnOnFile = false;
        for (int r = 0; r < 9; ++r) pawnOnFile |= b[squareOf(r, f)] == (HU | OWN<S>);
        for (int r = 0; r < 9; ++r) {
            const int q = squareOf(r, f);
            const PieceCode c = b[q];
            if (c == EMPTY) {
                const int ahead = S == 1 ? r : 8 - r;
                for (int k = HU; k <= HI; ++k) {
                    if (position.hand[S][k] == 0) continue;
                    if (k == HU && (pawnOnFile || ahead == 8)) continue;
                    if (k == KYO && ahead == 8) continue;
                    if (k == KEI && ahead >= 7) continue;
                    moveScore[p] = dropScore<S>(k);
                    lastTarget[p] = q;
                    position.hand[S][k] -= 1;
                    b[q] = static_cast<PieceCode>(k | OWN<S>);
                    tryDrop<S>(q);
                    b[q] = EMPTY;
                    position.hand[S][k] += 1;
                    if (dropCutoff<S>() || stopping()) return;
                }
            } else if (isOwn<S>(c)) {
                if (generateMoves<S>(q, c)) return;
            }
        }
    }

    // The pass move gives every node below the root a value.
    if (S == 0 || p >= 1) {
        moveScore[p] = 0;
        lastTarget[p] = kingSquare[S][p];
        if (S == 0 && p == 3) moveScore[3] += kingSafety();
        ply = p + 1;
        node<E>();
        ply = p;
        moveScore[p] += plyValue[p + 1];
        if (better<S>(moveScore[p], plyValue[p])) plyValue[p] = moveScore[p];
    }
}

// After a drop: stop when the parent already has something at least as good.
template <int S>
bool Searcher::dropCutoff() const {
    const int p = ply;
    if constexpr (S == 1) {
        return p >= 2 && plyValue[p - 1] >= moveScore[p - 1] + plyValue[p];
    } else {
        return plyValue[p - 1] <= moveScore[p - 1] + plyValue[p];
    }
}

// Side 1 near the horizon: only recaptures on the square side 0 just moved to, standing pat at 0.
void Searcher::recaptureSearch() {
    const int p = ply;
    const Board& b = position.board;
    const AttackMap& am = attackMap;
    moveScore[p] = 0;
    plyValue[p] = 0;
    if (p >= depthLimit) return;
    if (am.count[1][kingSquare[0][p - 1]] > 0) {
        plyValue[p] = kingTakenBySide1(p);
        return;
    }
    const int t = lastTarget[p - 1];
    lastTarget[p] = t;
    if (!isPlayable(t) || am.count[1][t] == 0 || b[t] > 14) return;

    // Kinds (code - 16) that capture on t from each neighbour, and the sliders behind it.
    constexpr unsigned bit = 1;
    constexpr unsigned GOLDS = bit << KIN | bit << TOKIN | bit << NKYO | bit << NKEI | bit << NGIN;
    constexpr unsigned FROM_N = bit << HU | bit << KYO | bit << GIN | GOLDS | bit << HI |
                                bit << GYOKU | bit << UMA | bit << RYU;
    constexpr unsigned FROM_NW_NE =
        bit << GIN | GOLDS | bit << KAKU | bit << GYOKU | bit << UMA | bit << RYU;
    constexpr unsigned FROM_SIDE_S = GOLDS | bit << HI | bit << GYOKU | bit << UMA | bit << RYU;
    constexpr unsigned FROM_SW_SE =
        bit << GIN | bit << KAKU | bit << GYOKU | bit << UMA | bit << RYU;
    constexpr unsigned ROOK_LINE = bit << HI | bit << RYU;
    constexpr unsigned BISHOP_LINE = bit << KAKU | bit << UMA;
    struct Direction {
        int offset;     // from t to the neighbour
        unsigned near;  // kinds that capture from the neighbour
        std::int32_t ray;
        unsigned far;  // sliders that capture along the line
    };
    constexpr Direction DIRECTIONS[8] = {
        {-16, FROM_N, RAY_S, ROOK_LINE | bit << KYO}, {-17, FROM_NW_NE, RAY_SE, BISHOP_LINE},
        {-15, FROM_NW_NE, RAY_SW, BISHOP_LINE},       {-1, FROM_SIDE_S, RAY_E, ROOK_LINE},
        {1, FROM_SIDE_S, RAY_W, ROOK_LINE},           {16, FROM_SIDE_S, RAY_N, ROOK_LINE},
        {15, FROM_SW_SE, RAY_NE, BISHOP_LINE},        {17, FROM_SW_SE, RAY_NW, BISHOP_LINE},
    };
    auto side1Kind = [&](int sq, unsigned kinds) {
        const PieceCode c = b[sq];
        return c >= 16 && c < 32 && (kinds >> (c - 16) & 1) != 0;
    };
    auto capture = [&](int from) { return stageDispatch<1>(from, b[from], t, b[from], b[t]); };

    for (const Direction& d : DIRECTIONS) {
        const int n = t + d.offset;
        if (side1Kind(n, d.near)) {
            if (capture(n)) return;
        } else if (b[n] == EMPTY && (am.rays[1][t] & d.ray)) {
            int s = n;
            while (b[s] == EMPTY) s += d.offset;
            if (side1Kind(s, d.far) && capture(s)) return;
        }
    }
    if (b[t - 33] == 16 + KEI && capture(t - 33)) return;
    if (b[t - 31] == 16 + KEI && capture(t - 31)) return;
}

// --- Board moves ---------------------------------------------------------------------------

template <int S>
bool Searcher::generateMoves(int from, PieceCode a) {
    using O = Offsets<S>;
    constexpr int FORWARD = S == 1 ? 16 : -16;
    const Board& b = position.board;
    const PieceCode promoted = static_cast<PieceCode>(a + PROMOTED_BIT);

    // Own pieces and the frame are not moves: offering them would be refused without effect.
    auto offer = [&](int to, PieceCode n) -> bool {
        const PieceCode x = b[to];
        return isTarget<S>(x) && tryBoardMove<S>(from, a, to, n, x);
    };
    auto offerBoth = [&](int to) { return offer(to, promoted) || offer(to, a); };
    // A slide offers every square up to and including the first that is not empty.
    auto slide = [&](int o, auto&& offerAt) -> bool {
        for (int to = from + o;; to += o) {
            const PieceCode x = b[to];
            if (x != EMPTY) return isTarget<S>(x) && offerAt(to);
            if (offerAt(to)) return true;
        }
    };
    auto plain = [&](int to) { return offer(to, a); };
    auto maybePromote = [&](int to) {
        return promotionZone<S>(from) || promotionZone<S>(to) ? offerBoth(to) : offer(to, a);
    };

    switch (a & 15) {
        case HU: {
            const int rank = forwardRank<S>(from);
            if (rank == 7) return offer(from + FORWARD, promoted);
            if (rank == 5 || rank == 6) return offerBoth(from + FORWARD);
            return offer(from + FORWARD, a);
        }
        case KYO:
            return slide(FORWARD, [&](int to) {
                if (forwardRank<S>(to) == 8) return offer(to, promoted);
                if (forwardRank<S>(from) >= 6 || forwardRank<S>(to) >= 6) return offerBoth(to);
                return offer(to, a);
            });
        case KEI: {
            const int rank = forwardRank<S>(from);
            const int t0 = from + O::KEI[0], t1 = from + O::KEI[1];
            if (rank == 5 || rank == 6) return offer(t0, promoted) || offer(t1, promoted);
            if (rank == 4)
                return offer(t0, promoted) || offer(t1, promoted) || offer(t0, a) || offer(t1, a);
            return offer(t0, a) || offer(t1, a);
        }
        case GIN: {
            const int rank = forwardRank<S>(from);
            const int promotable = rank >= 6 ? 5 : rank == 5 ? 3 : 0;
            for (int i = 0; i < promotable; ++i)
                if (offer(from + O::GIN[i], promoted)) return true;
            for (int o : O::GIN)
                if (offer(from + o, a)) return true;
            return false;
        }
        case KAKU:
            for (int o : O::KAKU)
                if (slide(o, maybePromote)) return true;
            return false;
        case HI:
            for (int o : O::HI)
                if (slide(o, maybePromote)) return true;
            return false;
        case GYOKU:
        case 15: {
            const int p = ply;
            bool cut = false;
            for (int o : O::GYOKU) {
                kingSquare[S][p] = from + o;
                if ((cut = offer(from + o, a))) break;
            }
            kingSquare[S][p] = from;
            return cut;
        }
        case UMA:
            for (int o : UMA_STEPS)
                if (plain(from + o)) return true;
            for (int o : UMA_SLIDES)
                if (slide(o, plain)) return true;
            return false;
        case RYU:
            for (int o : RYU_STEPS)
                if (plain(from + o)) return true;
            for (int o : RYU_SLIDES)
                if (slide(o, plain)) return true;
            return false;
        default:  // kin and the pieces that move like it
            for (int o : O::KIN)
                if (plain(from + o)) return true;
            return false;
    }
}

// Skips a move replayed from moveMemory at this ply (same squares, codes and lines on the target).
template <int S>
bool Searcher::tryBoardMove(int from, PieceCode a, int to, PieceCode n, PieceCode x) {
    const int p = ply;
    if (memoryTargets[p][to] != 0) {
        const std::int32_t rays = attackMap.rays[S][to];
        const RememberedMove* slots = moveMemory[p];
        for (int i = 0, used = memoryInUse(p); i < used; ++i) {
            const RememberedMove& e = slots[i];
            if (e.from == from && e.to == to && e.piece == a && e.newPiece == n &&
                e.captured == x && e.raysAtTarget == rays)
                return false;
        }
    }
    return stageDispatch<S>(from, a, to, n, x);
}

template <int S>
bool Searcher::stageDispatch(int from, PieceCode a, int to, PieceCode n, PieceCode x) {
    const int p = ply;
    if (x == KING<1 - S>) {  // the opposing king is taken: nothing else matters
        plyValue[p] = S == 1 ? kingTakenBySide1(p) : kingTakenBySide0(p);
        if (S == 1 && p == 0) {
            chosenMove = boardMove(from, a, to, n, x);
            rootMoveChosen = true;
        }
        return true;
    }
    if (!isTarget<S>(x)) return false;
    moveScore[p] = moveBaseScore<S>(a, n);
    lastTarget[p] = to;
    return runStage < S == 1 ? 0 : 1 > (plyStage[p], from, a, to, n, x);
}

// Finds the executor of the stage among the side's stages N, N + 2, ...; stage 8 and beyond are
// side 1's recapture stage. A stage of the other side runs nothing.
template <int N>
bool Searcher::runStage(int stage, int from, PieceCode a, int to, PieceCode n, PieceCode x) {
    if constexpr (N > 8) {
        return false;
    } else {
        if (stage == N || (N == 8 && stage > 8)) return boardExecutor<N>(from, a, to, n, x);
        return runStage<N + 2>(stage, from, a, to, n, x);
    }
}

// Makes, scores, selects, searches and unmakes one board move at stage N; returns the cutoff.
template <int N>
bool Searcher::boardExecutor(int from, PieceCode a, int to, PieceCode n, PieceCode x) {
    constexpr int S = N % 2 == 0 ? 1 : 0;
    constexpr int E = 1 - S;
    const int p = ply;
    AttackMap& am = attackMap;
    const std::int32_t raysBefore = am.rays[S][to];
    if constexpr (N == 0) moveScore[0] += std::rand() % 10;

    // Flags that are read before the move: king moves, promotions, escapes, interpositions.
    std::int32_t flags = 0;
    // The opponent's last move sent a line onto `to`, which the mover defends: moving there blocks.
    auto interposes = [&] { return am.plyRays[E][p - 1][to] > 0 && am.count[S][to] > 0; };
    if constexpr (N == 0) {
        if (a == KING<S> || n != a || am.count[E][from] > 0) flags = 0x100;
    } else if constexpr (N == 2 || N == 3) {
        if (a == KING<S> || n != a || from == lastTarget[p - 2] || am.count[E][from] > 0 ||
            interposes())
            flags = 0x100;
    } else if constexpr (N == 4 || N == 5) {
        if (am.count[E][from] > 0 || interposes()) flags = 0x100;
    } else if constexpr (N == 6 || N == 7) {
        if (am.plyCount[E][p - 1][from] > 0 || interposes()) flags = 0x180;
    }

    ++nodesAtPly[p];
    const int mark = N == 0 ? kingSquare[0][0] : lastTarget[p - 1];
    const std::int32_t threat = makeMove(position, am, p, mark, from, to, n, x);
    const bool capture = x != EMPTY;
    if (capture) {
        flags = N == 8 ? 0x100 : 0x200;
        moveScore[p] += pieceValue[x];
    }
    flags |= threat;

    bool selectable = true;  // false: an exposed non-capture that this stage does not search
    if (!capture && am.count[E][to] > 0 && am.count[S][to] == 0) {
        if constexpr (N == 0) {
            if (am.rays[1][to] == 0) moveScore[0] += 100;
        } else if constexpr (N == 2) {
            moveScore[p] += 100;
        } else if constexpr (N == 1 || N == 3) {
            moveScore[p] -= 100;
        } else {
            selectable = false;
        }
    }
    if constexpr (N == 0) {
        const EngineMove m = boardMove(from, a, to, n, x);
        for (int i = 0; i < bookCandidateCount; ++i) {
            if (bookCandidates[i].move == m) {
                moveScore[0] += bookCandidates[i].weight;
                flags |= 0x100;
                break;
            }
        }
    }

    bool searched;
    if constexpr (N == 0) {
        switch (pass.load(std::memory_order_relaxed)) {
            case 0:
                searched = flags > 0x100;
                break;
            case 1:
                searched = flags >= 1 && flags <= 0x100;
                break;
            default:
                searched = flags == 0;
                break;
        }
    } else if constexpr (N == 1) {
        searched = p < depthLimit;
    } else if constexpr (N == 8) {
        searched = capture && p < depthLimit;
    } else {
        searched = selectable && flags > 0 && p < depthLimit;
    }

    if (searched) {
        // The king-safety term is part of the score the replies' cutoffs compare against.
        if constexpr (N == 3) moveScore[3] += kingSafety();
        ply = p + 1;
        node<E>();
        ply = p;
        moveScore[p] += plyValue[p + 1];
        // A reply cut short by a stop has no value: the root keeps its best complete move.
        if (better<S>(moveScore[p], plyValue[p]) && !(N == 0 && stopping())) {
            if constexpr (N == 0) {
                chosenMove = boardMove(from, a, to, n, x);
                rootMoveChosen = true;
            } else if constexpr (N != 8) {
                if (plyValue[p] != FIRST_VALUE<S>) rememberMove(p, {from, to, a, n, x, raysBefore});
            }
            plyValue[p] = moveScore[p];
        }
    }

    unmakeMove(position, am, p, from, a, to, x);
    if constexpr (N == 0) {
        return false;
    } else if (stopping()) {
        return true;
    } else if constexpr (S == 1) {
        return plyValue[p - 1] >= plyValue[p] + moveScore[p - 1];
    } else {
        return plyValue[p - 1] <= plyValue[p] + moveScore[p - 1];
    }
}

// --- Drops ---------------------------------------------------------------------------------

// The dropped code already stands on q; skips a drop replayed from moveMemory at this ply.
template <int S>
void Searcher::tryDrop(int q) {
    const int p = ply;
    const PieceCode v = position.board[q];
    if (memoryTargets[p][q] != 0) {
        for (int i = 0, used = memoryInUse(p); i < used; ++i) {
            const RememberedMove& e = moveMemory[p][i];
            if (e.from == -1 && e.to == q && e.newPiece == v) return;
        }
    }
    dropExecutor<S>(q);
}

template <int S>
void Searcher::dropExecutor(int q) {
    constexpr int E = 1 - S;
    const int p = ply;
    Board& b = position.board;
    AttackMap& am = attackMap;
    const PieceCode v = b[q];

    ++nodesAtPly[p];
    // A pawn dropped in front of a knight or silver, or deep in the enemy half.
    std::int32_t flags = 0;
    if constexpr (S == 1) {
        if (v == 16 && (b[q + 16] == KEI || b[q + 16] == GIN || q >= 0x80)) flags = 0x180;
    } else {
        if (v == 0 && (b[q - 16] == 16 + KEI || b[q - 16] == 16 + GIN || q <= 0x70)) flags = 0x180;
    }
    // Neither the drop's own attacks nor the closing of q change these counts on q.
    auto exposed = [&] { return am.count[E][q] > 0 && am.count[S][q] == 0; };
    auto interposes = [&] { return am.plyRays[E][p - 1][q] > 0 && am.count[S][q] > 0; };

    // From ply 2 on a drop is searched only with flags of 0x180 or more. Unless it interposes, an
    // exposed drop never gets them, and neither does a drop without the pawn bonus that attacks no
    // enemy piece (its threat sum stays at or below 0x80). Most drops near the horizon are of
    // these kinds: they are settled without making them, leaving the trace that making and
    // unmaking leaves in the ply planes, and still count as the node they are.
    if (p >= 2 && !interposes() &&
        (exposed() || (flags == 0 && !attacks::attacksEnemyPiece(b, q)))) {
        am.traceDropUnmade(p, b, q);
        return;
    }

    am.closeSquare(p, b, q);

    if (S == 1 && p == 0) {
        std::int32_t t = am.addAttacks(0, q, b, q) | flags;
        if (am.rays[0][q] != 0) t |= 0x100;
        switch (pass.load(std::memory_order_relaxed)) {
            case 0:
                flags = t > 0x100 ? t : 0;
                break;
            case 1:
                flags = t >= 1 && t <= 0x100 ? (t | 0x100) : 0;
                break;
            default:
                flags = 0;
                break;
        }
        moveScore[0] += std::rand() % 10;
        if (exposed()) moveScore[0] += 100;
    } else if (S == 0 && p == 1) {
        std::int32_t t = am.addAttacks(1, lastTarget[0], b, q) | flags;
        if (am.plyRays[1][0][q] > 0) t |= 0x100;
        if (exposed()) {
            // A knight that checks from a square side 0 covers the approach to is worth the risk.
            if (t >= 0x1000 && v == KEI && am.rays[0][q - 16] != 0)
                moveScore[1] += 500;
            else
                moveScore[1] -= 100;
        }
        flags = t > 0 ? 0x100 : 0;
    } else {
        flags |= am.addAttacks(p, lastTarget[p - 1], b, q);
        if (exposed()) flags = 0;
    }
    if (p >= 1 && interposes()) flags |= 0x180;
    if (S == 0 && p >= 3 && flags < 0x180) flags = 0;

    const bool searched = (S == 1 && p == 0 ? flags >= 0x100
                           : S == 1         ? flags >= 0x180
                                            : flags >= 0x100) &&
                          p < depthLimit;
    if (searched) {
        if (S == 0 && p == 3) moveScore[3] += kingSafety();
        ply = p + 1;
        node<E>();
        ply = p;
        moveScore[p] += plyValue[p + 1];
        if (better<S>(moveScore[p], plyValue[p])) {
            if (S == 1 && p == 0) {
                // A pawn drop after which side 0's king falls at once is a mate by pawn drop:
                // not a legal move. A reply cut short by a stop has no value.
                if (!(v == 16 && moveScore[0] <= -285000) && !stopping()) {
                    chosenMove = dropMove(v, q);
                    plyValue[0] = moveScore[0];
                    rootMoveChosen = true;
                }
            } else {
                if (plyValue[p] != FIRST_VALUE<S>) rememberMove(p, {-1, q, v, v, EMPTY, 0});
                plyValue[p] = moveScore[p];
            }
        }
    }
    am.removeAttacks(p, b, q);
    am.openSquare(p, b, q);
}

// Most recent first, no duplicates, at most memorySize[p] entries.
void Searcher::rememberMove(int p, const RememberedMove& m) {
    const int size = memorySize[p];
    if (size <= 0) return;
    RememberedMove* slots = moveMemory[p];
    int j = 0;
    while (j < size && !(slots[j] == m)) ++j;
    if (j == size) {  // not found: the last entry falls out
        j = size - 1;
        if (memoryUsed[p] < size)
            memoryUsed[p] += 1;
        else
            memoryTargets[p][slots[j].to] -= 1;
        memoryTargets[p][m.to] += 1;
    }
    for (int i = j - 1; i >= 0; --i) slots[i + 1] = slots[i];
    slots[0] = m;
}

template void Searcher::node<1>();
template void Searcher::node<0>();

}  // namespace kaz
