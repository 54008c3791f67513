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
constexpr PieceCode OWN = S == 1 ? OWNER_BIT : 0;
template <int S>
constexpr std::int32_t FIRST_VALUE = S == 1 ? NO_MOVE_SIDE1 : NO_MOVE_SIDE0;

// Threat flags: a move is searched below the root only with flags, and the deeper stages ask for
// more. The threat sum of the piece moved (THREAT_* in the attack map) is ORed in.
constexpr std::int32_t FLAG_NOTABLE = 0x100;  // king move, promotion, escape, interposition, book
constexpr std::int32_t FLAG_URGENT = 0x180;   // notable even near the horizon (stages 6 and 7)
constexpr std::int32_t FLAG_CAPTURE = 0x200;  // any capture; replaces the flags built before it

// Side 1 minimises, side 0 maximises.
template <int S>
inline bool better(std::int32_t a, std::int32_t b) {
    return S == 1 ? a < b : a > b;
}

template <int S>
inline bool isOwn(PieceCode c) {
    return S == 1 ? (c & OWNER_BIT) && c < EMPTY : (c & (EMPTY | OWNER_BIT)) == 0;
}

// A pawn dropped on the far side of the board's middle: side 1's ranks 5..8 start at 0x80, side
// 0's ranks 0..3 end by 0x70 (both thresholds lie in frame columns).
template <int S>
inline bool deepPawnDrop(int q) {
    return S == 1 ? q >= 0x80 : q <= 0x70;
}

// A root pawn drop worth this little or less lets side 1 take side 0's king at ply 2 (-290000
// and the move scores), not at ply 4 (-280000): a mate by pawn drop, which is not a legal move.
constexpr std::int32_t PAWN_DROP_MATE_BOUND = (kingTakenBySide1(2) + kingTakenBySide1(4)) / 2;

// Side 1's codes (bit code & 15) that move by `offset`: as a step or a slide, or a slide only.
constexpr unsigned side1Movers(int offset, bool slidesOnly) {
    unsigned codes = 0;
    for (int c = 0; c < 16; ++c) {
        const Movement& m = movementOf<1>(c);
        for (int i = 0; i < m.slideCount; ++i)
            if (m.slides[i] == offset) codes |= 1u << c;
        for (int i = 0; i < m.stepCount && !slidesOnly; ++i)
            if (m.steps[i] == offset) codes |= 1u << c;
    }
    return codes;
}

// Side 1's pieces that capture on t, in the order the recapture stage tries them: each neighbour
// that steps or slides onto t, or the slider behind it along a line side 1 sends onto t
// (raysAtT), then the knights. `at` reads the board; `capture(from)` returns true to stop.
template <typename At, typename Capture>
[[gnu::always_inline]] inline bool forEachRecapture(int t, std::int32_t raysAtT, At at,
                                                    Capture capture) {
    struct Direction {
        int offset;     // from t to the neighbour
        unsigned near;  // side 1's codes (bit code - 16) that capture from the neighbour
        std::int32_t ray;
        unsigned far;  // sliders that capture along the line
    };
    auto toward = [](int offset, std::int32_t ray) {
        return Direction{offset, side1Movers(-offset, false), ray, side1Movers(-offset, true)};
    };
    static constexpr Direction DIRECTIONS[8] = {
        toward(-16, RAY_S), toward(-17, RAY_SE), toward(-15, RAY_SW), toward(-1, RAY_E),
        toward(1, RAY_W),   toward(16, RAY_N),   toward(15, RAY_NE),  toward(17, RAY_NW),
    };
    auto side1Kind = [&](int sq, unsigned kinds) {
        const PieceCode c = at(sq);
        return c >= 16 && c < 32 && (kinds >> (c - 16) & 1) != 0;
    };
    for (const Direction& d : DIRECTIONS) {
        const int n = t + d.offset;
        if (side1Kind(n, d.near)) {
            if (capture(n)) return true;
        } else if (at(n) == EMPTY && (raysAtT & d.ray)) {
            int s = n;
            while (at(s) == EMPTY) s += d.offset;
            if (side1Kind(s, d.far) && capture(s)) return true;
        }
    }
    if (at(t - 33) == pieceOf(1, KEI) && capture(t - 33)) return true;
    return at(t - 31) == pieceOf(1, KEI) && capture(t - 31);
}

// The per-ply planes the moves at stage N keep: the next ply reads the mover's ray plane to find
// interpositions (stages 1 to 7), its count plane only at stages 6 and 7; the recapture and
// capture-reply stages read the counts alone, so stages 7 and 8 keep no plane.
constexpr int keptPlanes(int stage) {
    const int side = stage % 2 == 0 ? 1 : 0;
    if (stage + 1 >= 8) return 0;
    return plyRaysOf(side) | (stage + 1 >= 6 ? plyCountOf(side) : 0);
}

}  // namespace

// --- Nodes ---------------------------------------------------------------------------------

// What a node settles before it generates anything: the horizon, a stop, the stages handed to
// the horizon routines, a book hit, a king left attacked, a mate found by the tester. Returns
// true when the node's value is set; otherwise leaves the king squares and the first value.
template <int S>
[[gnu::always_inline]] inline bool Searcher::settledOnEntry() {
    const int p = ply;
    const AttackMap& am = attackMap;
    if (stopping()) {  // the root discards a stopped line, so its value does not matter
        if (p != 0) plyValue[p] = 0;
        return true;
    }
    if (p >= depthLimit) {
        plyValue[p] = 0;
        return true;
    }
    if constexpr (S == 1) {
        if (plyStage[p] >= 8) {
            recaptureSearch();
            return true;
        }
        if (p == 0 && pass.load(std::memory_order_relaxed) == 0 && lookupBook()) {
            bookHit = true;
            return true;
        }
        if (p >= 2) {
            if (am.count[1][kingSquare[0][p - 1]] >= 1) {  // side 0 left its king attacked
                plyValue[p] = kingTakenBySide1(p);
                return true;
            }
            kingSquare[0][p] = kingSquare[0][p - 1];
            kingSquare[1][p] = kingSquare[1][p - 1];
        }
        if (p != 0) plyValue[p] = NO_MOVE_SIDE1;  // the root value carries over between passes
    } else {
        if (plyStage[p] >= 9) {
            captureReply();
            return true;
        }
        kingSquare[0][p] = kingSquare[0][p - 1];
        kingSquare[1][p] = kingSquare[1][p - 1];
        if (am.count[0][kingSquare[1][p - 1]] > 0) {  // side 1 left its king attacked
            plyValue[p] = kingTakenBySide0(p);
            return true;
        }
        if (p == 1) {
            const std::uint64_t before = mateTester.nodes;
            const bool mated = mateTester.testMate(position) != 0;
            testerNodes += mateTester.nodes - before;
            if (mated) {
                plyValue[1] = 25000;
                return true;
            }
        }
        plyValue[p] = NO_MOVE_SIDE0;
    }
    return false;
}

template <int S>
[[gnu::always_inline]] inline bool Searcher::pawnOnFile(int file) const {
    bool found = false;
    for (int r = 0; r < 9; ++r) found |= position.board[squareOf(r, file)] == (HU | OWN<S>);
    return found;
}

// Drops kind k on the empty square q through the memory filter (or, replaying, straight into the
// executor) and takes it back; true when the node must return.
template <int S, bool Replay>
[[gnu::always_inline]] inline bool Searcher::dropAndTakeBack(int q, int k) {
    Board& b = position.board;
    moveScore[ply] = dropScore<S>(k);
    lastTarget[ply] = q;
    position.hand[S][k] -= 1;
    b[q] = static_cast<PieceCode>(k | OWN<S>);
    if constexpr (Replay)
        dropExecutor<S>(q);
    else
        tryDrop<S>(q);
    b[q] = EMPTY;
    position.hand[S][k] += 1;
    return dropCutoff<S>() || stopping();
}

// The moves remembered at this ply, tried first while they still fit the board; true when the
// node must return.
template <int S>
[[gnu::always_inline]] inline bool Searcher::replayMemory() {
    const int p = ply;
    const Board& b = position.board;
    if (plyStage[p] > (S == 1 ? 6 : 7)) return false;
    for (int i = 0, n = memoryInUse(p); i < n; ++i) {
        const RememberedMove e = moveMemory[p][i];
        if (e.from >= 0) {
            if (b[e.from] != e.piece || b[e.to] != e.captured ||
                attackMap.rays[S][e.to] != e.raysAtTarget)
                continue;
            moveScore[p] = 0;
            const bool king = e.piece == KING_CODE[S];
            if (king) kingSquare[S][p] = e.to;
            const bool cut = stageDispatch<S>(e.from, static_cast<PieceCode>(e.piece), e.to,
                                              static_cast<PieceCode>(e.newPiece),
                                              static_cast<PieceCode>(e.captured));
            if (king) kingSquare[S][p] = e.from;
            if (cut) return true;
        } else {
            const int k = e.newPiece & 7;
            if (k == HU && pawnOnFile<S>(fileOf(e.to))) continue;
            if (b[e.to] != EMPTY || position.hand[S][k] == 0) continue;
            if (dropAndTakeBack<S, true>(e.to, k)) return true;
        }
    }
    return false;
}

// The board scan, file by file: drops on empty squares, moves of own pieces; true when the node
// must return.
template <int S>
[[gnu::always_inline]] inline bool Searcher::scanBoard() {
    const int p = ply;
    const Board& b = position.board;
    // Every move is taken back before the next, so the hand is the same at every square.
    unsigned inHand = 0;
    for (int k = HU; k <= HI; ++k)
        if (position.hand[S][k] != 0) inHand |= 1u << k;
    for (int f = 0; f < 9; ++f) {
        if constexpr (S == 1) {
            if (mateSolver.found.load(std::memory_order_relaxed) ||
                stopRequest.load(std::memory_order_relaxed))
                break;
            if (p == 0) progressColumn.store(f, std::memory_order_relaxed);
        }
        const bool pawnHere = pawnOnFile<S>(f);
        for (int r = 0; r < 9; ++r) {
            const int q = squareOf(r, f);
            const PieceCode c = b[q];
            if (c == EMPTY) {
                if (inHand == 0) continue;
                if (keptPlanes(p) == 0) {
                    if (dropsAtHorizon<S>(q, r, inHand, pawnHere)) return true;
                    continue;
                }
                for (unsigned kinds = inHand; kinds != 0; kinds &= kinds - 1) {
                    const int k = __builtin_ctz(kinds);
                    if ((k == HU && pawnHere) || !mayStand(static_cast<PieceCode>(k), S, r))
                        continue;
                    if (dropAndTakeBack<S, false>(q, k)) return true;
                }
            } else if (isOwn<S>(c)) {
                if (generateMoves<S>(q, c)) return true;
            }
        }
    }
    return false;
}

// Searches the reply at the next ply and adds its value to the score of this ply's move.
// Valued: the reply's value, worked out without searching it, already stands in plyValue[p + 1].
template <int S, bool Valued>
[[gnu::always_inline]] inline void Searcher::addReply() {
    const int p = ply;
    if constexpr (!Valued) {
        ply = p + 1;
        node<1 - S>();
        ply = p;
    }
    moveScore[p] += plyValue[p + 1];
}

// The pass move gives every node below the root a value.
template <int S>
[[gnu::always_inline]] inline void Searcher::passMove() {
    const int p = ply;
    moveScore[p] = 0;
    lastTarget[p] = kingSquare[S][p];
    if (S == 0 && p == 3) moveScore[3] += kingSafety();
    addReply<S, false>();
    if (better<S>(moveScore[p], plyValue[p])) plyValue[p] = moveScore[p];
}

template <int S>
void Searcher::node() {
    if (settledOnEntry<S>()) return;
    if (replayMemory<S>()) return;
    if (scanBoard<S>()) return;
    if (S == 0 || ply >= 1) passMove<S>();
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
    forEachRecapture(
        t, am.rays[1][t], [&](int q) { return b[q]; },
        [&](int from) { return stageDispatch<1>(from, b[from], t, b[from], b[t]); });
}

// --- Board moves ---------------------------------------------------------------------------

template <int S>
bool Searcher::generateMoves(int from, PieceCode a) {
    const int p = ply;
    return forEachBoardMove<S>(
        position.board, from, a,
        [&](int to, PieceCode n, PieceCode x)
            __attribute__((always_inline)) { return tryBoardMove<S>(from, a, to, n, x); },
        [&](int to, PieceCode x) __attribute__((always_inline)) {
            kingSquare[S][p] = to;
            const bool cut = tryBoardMove<S>(from, a, to, a, x);
            kingSquare[S][p] = from;
            return cut;
        });
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
    if (x == KING_CODE[1 - S]) {  // the opposing king is taken: nothing else matters
        plyValue[p] = S == 1 ? kingTakenBySide1(p) : kingTakenBySide0(p);
        if (S == 1 && p == 0) {
            chosenMove = boardMove(from, a, to, n, x);
            rootMoveChosen = true;
        }
        return true;
    }
    if (!mayMoveOnto<S>(x)) return false;
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

// The enemy attacks q and side S does not defend it.
template <int S>
[[gnu::always_inline]] inline bool Searcher::exposed(int q) const {
    return attackMap.count[1 - S][q] > 0 && attackMap.count[S][q] == 0;
}

// The opponent's last move sent a line onto q, which side S defends: standing there blocks it.
template <int S>
[[gnu::always_inline]] inline bool Searcher::interposes(int q) const {
    return attackMap.plyRays[1 - S][ply - 1][q] > 0 && attackMap.count[S][q] > 0;
}

// Flags read before a board move at stage N is made: king moves, promotions, escapes,
// interpositions.
template <int N>
[[gnu::always_inline]] inline std::int32_t Searcher::flagsBeforeMove(int from, PieceCode a, int to,
                                                                     PieceCode n) const {
    constexpr int S = N % 2 == 0 ? 1 : 0;
    constexpr int E = 1 - S;
    const int p = ply;
    const AttackMap& am = attackMap;
    if constexpr (N == 0) {
        if (a == KING_CODE[S] || n != a || am.count[E][from] > 0) return FLAG_NOTABLE;
    } else if constexpr (N == 2 || N == 3) {
        if (a == KING_CODE[S] || n != a || from == lastTarget[p - 2] || am.count[E][from] > 0 ||
            interposes<S>(to))
            return FLAG_NOTABLE;
    } else if constexpr (N == 4 || N == 5) {
        if (am.count[E][from] > 0 || interposes<S>(to)) return FLAG_NOTABLE;
    } else if constexpr (N == 6 || N == 7) {
        if (am.plyCount[E][p - 1][from] > 0 || interposes<S>(to)) return FLAG_URGENT;
    }
    return 0;
}

// A non-capture left exposed on its target: scored at the shallow stages; false when this stage
// does not search it.
template <int N>
[[gnu::always_inline]] inline bool Searcher::weighExposedMove(int to) {
    constexpr int S = N % 2 == 0 ? 1 : 0;
    if (!exposed<S>(to)) return true;
    if constexpr (N == 0) {
        if (attackMap.rays[1][to] == 0) moveScore[0] += 100;
    } else if constexpr (N == 2) {
        moveScore[ply] += 100;
    } else if constexpr (N == 1 || N == 3) {
        moveScore[ply] -= 100;
    } else {
        return false;
    }
    return true;
}

// A root move found among the book's candidates gets the candidate's weight; returns the flag.
std::int32_t Searcher::bookBonus(const EngineMove& m) {
    for (int i = 0; i < bookCandidateCount; ++i) {
        if (bookCandidates[i].move == m) {
            moveScore[0] += bookCandidates[i].weight;
            return FLAG_NOTABLE;
        }
    }
    return 0;
}

// Whether stage N searches a board move with these flags. The root splits its moves over the
// three passes by their flags.
template <int N>
[[gnu::always_inline]] inline bool Searcher::searchedAtStage(std::int32_t flags, bool capture,
                                                             bool selectable) const {
    if constexpr (N == 0) {
        switch (pass.load(std::memory_order_relaxed)) {
            case 0:
                return flags > FLAG_NOTABLE;
            case 1:
                return flags >= 1 && flags <= FLAG_NOTABLE;
            default:
                return flags == 0;
        }
    } else if constexpr (N == 1) {
        return ply < depthLimit;
    } else if constexpr (N == 8) {
        return capture && ply < depthLimit;
    } else {
        return selectable && flags > 0 && ply < depthLimit;
    }
}

// Searches the reply to the board move just made at stage N and keeps it when it improves the
// node: the root's choice, or the ply's remembered moves and value. Valued: the reply's value
// already stands in plyValue[ply + 1], and the move was not made.
template <int N, bool Valued>
[[gnu::always_inline]] inline void Searcher::searchBoardReply(int from, PieceCode a, int to,
                                                              PieceCode n, PieceCode x,
                                                              std::int32_t raysBefore) {
    constexpr int S = N % 2 == 0 ? 1 : 0;
    const int p = ply;
    // The king-safety term is part of the score the replies' cutoffs compare against.
    if constexpr (N == 3) moveScore[3] += kingSafety();
    addReply<S, Valued>();
    // A reply cut short by a stop has no value: the root keeps its best complete move.
    if (!better<S>(moveScore[p], plyValue[p]) || (N == 0 && stopping())) return;
    if constexpr (N == 0) {
        chosenMove = boardMove(from, a, to, n, x);
        rootMoveChosen = true;
    } else if constexpr (N != 8) {
        if (plyValue[p] != FIRST_VALUE<S>) rememberMove(p, {from, to, a, n, x, raysBefore});
    }
    plyValue[p] = moveScore[p];
}

// Makes, scores, selects, searches and unmakes one board move at stage N; returns the cutoff.
template <int N>
bool Searcher::boardExecutor(int from, PieceCode a, int to, PieceCode n, PieceCode x) {
    constexpr int S = N % 2 == 0 ? 1 : 0;
    const int p = ply;
    AttackMap& am = attackMap;
    const std::int32_t raysBefore = am.rays[S][to];
    if constexpr (N == 0) moveScore[0] += std::rand() % 10;
    std::int32_t flags = flagsBeforeMove<N>(from, a, to, n);

    ++nodesAtPly[p];
    const int mark = N == 0 ? kingSquare[0][0] : lastTarget[p - 1];
    // At the last stage that keeps no plane a move that will not be searched leaves no trace, so
    // it is not made when that is known beforehand.
    if constexpr (N == 7) {
        if (x == EMPTY) {
            if (settledAtHorizon(from, a, to, n, flags, mark, raysBefore)) return boardCutoff<N>();
        } else if (clearPath(from, to) &&
                   recapturesUnmade<false>(from, a, to, n, moveScore[p] + pieceValue[x])) {
            // A capture is always searched.
            moveScore[p] += pieceValue[x];
            searchBoardReply<N, true>(from, a, to, n, x, raysBefore);
            return boardCutoff<N>();
        }
    } else if constexpr (N == 8) {
        if (x != EMPTY && plyStage[p + 1] >= 9 && clearPath(from, to)) {
            recaptureUnmade(from, to, n, x);
            return boardCutoff<N>();
        }
    }
    // The threat sum decides the root's passes; below the root it matters only to a non-capture
    // without flags, and the recapture stage and stage 1 search without it.
    const bool scored = N == 0 || (N != 1 && N != 8 && x == EMPTY && flags == 0);
    const std::int32_t threat =
        scored ? makeMove<keptPlanes(N)>(position, am, p, mark, from, to, n, x)
               : makeMove<keptPlanes(N), false>(position, am, p, mark, from, to, n, x);
    const bool capture = x != EMPTY;
    if (capture) {
        flags = N == 8 ? FLAG_NOTABLE : FLAG_CAPTURE;
        moveScore[p] += pieceValue[x];
    }
    flags |= threat;
    const bool selectable = capture || weighExposedMove<N>(to);
    if constexpr (N == 0) flags |= bookBonus(boardMove(from, a, to, n, x));

    if (searchedAtStage<N>(flags, capture, selectable))
        searchBoardReply<N, false>(from, a, to, n, x, raysBefore);

    unmakeMove<keptPlanes(N)>(position, am, p, from, a, to, x);
    return boardCutoff<N>();
}

// After a board move at stage N: stop when the parent already has something at least as good.
template <int N>
[[gnu::always_inline]] inline bool Searcher::boardCutoff() const {
    const int p = ply;
    if constexpr (N == 0) {
        return false;
    } else if (stopping()) {
        return true;
    } else if constexpr (N % 2 == 0) {
        return plyValue[p - 1] >= plyValue[p] + moveScore[p - 1];
    } else {
        return plyValue[p - 1] <= plyValue[p] + moveScore[p - 1];
    }
}

// Whether every square between f and t on the line joining them is empty (true for a step).
[[gnu::always_inline]] inline bool Searcher::clearPath(int f, int t) const {
    const std::int32_t line = attacks::LINE_BITS[t - f + 136];
    if (line == 0) return true;
    const int o = RAY_OFFSETS[__builtin_ctz(static_cast<unsigned>(line))];
    for (int s = f + o; s != t; s += o)
        if (position.board[s] != EMPTY) return false;
    return true;
}

// Whether side 1's line through f reaches side 0's king on k once f is empty and t is taken. A
// line coming from t's side of f now stops on t, or its slider is the one taken there.
[[gnu::always_inline]] inline bool Searcher::uncoversKing(int f, int t, int k) const {
    if (k == NO_KING_SQUARE) return false;  // off the board: no line joins it to f
    const std::int32_t line = attacks::LINE_BITS[k - f + 136] & attackMap.rays[1][f];
    if (line == 0 || (attacks::LINE_BITS[f - t + 136] & line) != 0) return false;
    const int o = RAY_OFFSETS[__builtin_ctz(static_cast<unsigned>(line))];
    for (int s = f + o; s != k; s += o)
        if (s == t || position.board[s] != EMPTY) return false;
    return true;
}

// The recapture stage's value after side 0's stage 7 move from f onto t, or drop on t (code n
// there), worked out on the map before the move and counted as the nodes it searches. Vacating f
// lengthens its lines: only one along the move reaches t, and only side 1's can uncover side 0's
// king. A drop vacates nothing, and the dropped piece already stands on t. Each recapture is
// valued as recaptureUnmade values it; the move changes none of side 0's lines onto a
// recapturer's square. `score` is the move's own score, for the cutoff. False, with nothing
// changed, when the move must be made: a stop, or a king already attacked that the move might
// free. Otherwise the value stands in plyValue[ply + 1].
template <bool Drop>
bool Searcher::recapturesUnmade(int f, PieceCode a, int t, PieceCode n, std::int32_t score) {
    const int p = ply + 1;
    const Board& b = position.board;
    const AttackMap& am = attackMap;
    const int king = kingSquare[0][ply];  // t for a king move
    const bool kingMove = !Drop && a == KING_CODE[0];
    if (stopping() || plyStage[p] < 8 || plyStage[p + 1] < 9) return false;
    // A king already attacked stays so when more attackers remain than the move can take away:
    // the one it captures and the one line it stands on.
    bool attacked = false;
    if (!kingMove && am.count[1][king] > 0) {
        const bool takes = !Drop && b[t] != EMPTY;
        const bool blocks = !takes && (am.rays[1][t] & attacks::LINE_BITS[king - t + 136]) != 0 &&
                            clearPath(t, king);
        if (am.count[1][king] - (takes ? 1 : 0) - (blocks ? 1 : 0) <= 0) return false;
        attacked = true;
    }
    std::int32_t& value = plyValue[p];
    value = 0;
    if (p >= depthLimit) return true;
    if (attacked) {
        value = kingTakenBySide1(p);
        return true;
    }
    const std::int32_t line = Drop ? 0 : attacks::LINE_BITS[t - f + 136];
    const int enemy = am.count[1][t] + ((am.rays[1][f] & line) != 0 ? 1 : 0);
    if (kingMove ? enemy > 0 : !Drop && am.rays[1][f] != 0 && uncoversKing(f, t, king)) {
        value = kingTakenBySide1(p);
        return true;
    }
    if (enemy == 0 || n > 14) return true;
    // From here n is not the king, so no recapture takes it.
    const int own = am.count[0][t] - (Drop ? 0 : 1) + ((am.rays[0][f] & line) != 0 ? 1 : 0);
    forEachRecapture(
        t, am.rays[1][t] | (am.rays[1][f] & line),
        [&](int q) { return !Drop && q == f ? EMPTY : b[q]; },
        [&](int s) {
            const PieceCode c = b[s];
            ++nodesAtPly[p];
            std::int32_t v = moveBaseScore<1>(c, c) + pieceValue[n];
            const int defenders =
                own + ((am.rays[0][s] & attacks::LINE_BITS[t - s + 136]) != 0 ? 1 : 0);
            if (p + 1 < depthLimit && defenders != 0 && c >= 16 && c <= 30) v += pieceValue[c];
            if (better<1>(v, value)) value = v;
            return plyValue[ply] >= value + score;
        });
    return true;
}

// A recapture at stage 8, valued without making it: the capture reply below reads only whether
// side 0 still attacks the target, and vacating the origin adds at most side 0's line through it
// along the capture. The same score, reply and improvement as when it is made and searched.
[[gnu::always_inline]] inline void Searcher::recaptureUnmade(int f, int t, PieceCode n,
                                                             PieceCode x) {
    const int p = ply;
    const AttackMap& am = attackMap;
    moveScore[p] += pieceValue[x];
    if (p >= depthLimit) return;
    std::int32_t reply = 0;
    if (!stopping() && p + 1 < depthLimit) {
        const bool line = (am.rays[0][f] & attacks::LINE_BITS[t - f + 136]) != 0;
        if (am.count[0][t] + (line ? 1 : 0) != 0 && n >= 16 && n <= 30) reply = pieceValue[n];
    }
    plyValue[p + 1] = reply;
    moveScore[p] += reply;
    if (better<1>(moveScore[p], plyValue[p])) plyValue[p] = moveScore[p];
}

// At stage 7, which keeps no ply plane, a non-capture whose outcome the map already tells leaves
// no trace and is not made. One that would stand exposed, or has no flags and would score no
// threat, is not searched. One that side 1 cannot answer is worth its own score: the recapture
// stage below finds its target unattacked and side 0's king safe. Vacating f lengthens the lines
// through f along the move onto t, and the mover no longer counts there. An enemy line through f
// may also reach side 0's king once f is empty, and it adds enemy attacks beyond f, so the threat
// probe then only proves a threat, never its absence. When that is unknown, or for a replayed
// slide whose path is no longer clear (the mover does not attack t), the move is made to find
// out. True when the move is settled.
[[gnu::always_inline]] inline bool Searcher::settledAtHorizon(int f, PieceCode a, int t,
                                                              PieceCode n, std::int32_t flags,
                                                              int mark, std::int32_t raysBefore) {
    constexpr int S = 0, E = 1;
    const AttackMap& am = attackMap;
    if (!clearPath(f, t)) return false;
    const std::int32_t line = attacks::LINE_BITS[t - f + 136];
    const int enemy = am.count[E][t] + ((am.rays[E][f] & line) != 0 ? 1 : 0);
    const int own = am.count[S][t] - 1 + ((am.rays[S][f] & line) != 0 ? 1 : 0);
    if (enemy > 0 && own == 0) return true;
    const bool lengthened = am.rays[E][f] != 0;
    // A king move stands on t, which the enemy does not attack; another move uncovers the king
    // only through an enemy line reaching f.
    const int king = kingSquare[S][ply];
    const bool unanswered =
        enemy == 0 && am.count[E][king] == 0 && !(lengthened && uncoversKing(f, t, king));
    // Unanswered and no better than the node's best so far: nothing to keep, searched or not.
    if (unanswered && !better<S>(moveScore[ply], plyValue[ply])) return true;
    if (flags == 0 && !attacks::threatReaches(am, position.board, t, f, n, mark, 1))
        return !lengthened;
    if (unanswered)
        plyValue[ply + 1] = 0;
    else if (!recapturesUnmade<false>(f, a, t, n, moveScore[ply]))
        return false;
    searchBoardReply<7, true>(f, a, t, n, EMPTY, raysBefore);
    return true;
}

// --- Drops ---------------------------------------------------------------------------------

// Whether dropping v on q is among ply p's remembered moves (replayed before the scan).
[[gnu::always_inline]] inline bool Searcher::rememberedDrop(int p, int q, PieceCode v) const {
    if (memoryTargets[p][q] == 0) return false;
    for (int i = 0, used = memoryInUse(p); i < used; ++i) {
        const RememberedMove& e = moveMemory[p][i];
        if (e.from == -1 && e.to == q && e.newPiece == v) return true;
    }
    return false;
}

// The dropped code already stands on q; skips a drop replayed from moveMemory at this ply.
template <int S>
void Searcher::tryDrop(int q) {
    if (!rememberedDrop(ply, q, position.board[q])) dropExecutor<S>(q);
}

// The drops of the kinds in hand onto the empty square q (rank r) at a ply that keeps no plane.
// Where the drop can change nothing it is only counted as the node it is: on a square that is
// exposed and interposes nothing none is searched; at stage 7 one that side 1 cannot answer is
// worth its own score, which matters only when it beats the node's best so far (see
// dropExecutor). The others are tried. True when the node must return.
template <int S>
bool Searcher::dropsAtHorizon(int q, int r, unsigned inHand, bool pawnHere) {
    const int p = ply;
    const AttackMap& am = attackMap;
    const bool inert = exposed<S>(q) && !interposes<S>(q);
    const bool unanswered = S == 0 && am.count[1][q] == 0 && am.count[1][kingSquare[0][p]] == 0;
    for (unsigned kinds = inHand; kinds != 0; kinds &= kinds - 1) {
        const int k = __builtin_ctz(kinds);
        if ((k == HU && pawnHere) || !mayStand(static_cast<PieceCode>(k), S, r)) continue;
        if (inert || (unanswered && !better<S>(dropScore<S>(k), plyValue[p]))) {
            if (!rememberedDrop(p, q, static_cast<PieceCode>(k | OWN<S>))) ++nodesAtPly[p];
            if (dropCutoff<S>() || stopping()) return true;
        } else if (dropAndTakeBack<S, false>(q, k)) {
            return true;
        }
    }
    return false;
}

// A pawn dropped in front of a knight or silver, or deep in the enemy half.
template <int S>
[[gnu::always_inline]] inline std::int32_t Searcher::pawnDropFlags(int q, PieceCode v) const {
    constexpr int FORWARD = S == 1 ? 16 : -16;
    const PieceCode ahead = position.board[q + FORWARD];
    if (v == pieceOf(S, HU) &&
        (ahead == pieceOf(1 - S, KEI) || ahead == pieceOf(1 - S, GIN) || deepPawnDrop<S>(q)))
        return FLAG_URGENT;
    return 0;
}

// Side 1's drop at the root, already made: its flags decide the pass that searches it.
[[gnu::always_inline]] inline std::int32_t Searcher::rootDropFlags(int q, std::int32_t flags) {
    AttackMap& am = attackMap;
    std::int32_t t = am.addAttacks<keptPlanes(0)>(0, q, position.board, q) | flags;
    if (am.rays[0][q] != 0) t |= FLAG_NOTABLE;
    switch (pass.load(std::memory_order_relaxed)) {
        case 0:
            flags = t > FLAG_NOTABLE ? t : 0;
            break;
        case 1:
            flags = t >= 1 && t <= FLAG_NOTABLE ? (t | FLAG_NOTABLE) : 0;
            break;
        default:
            flags = 0;
            break;
    }
    moveScore[0] += std::rand() % 10;
    if (exposed<1>(q)) moveScore[0] += 100;
    return flags;
}

// Side 0's drop at ply 1, already made: anything with a threat is searched.
[[gnu::always_inline]] inline std::int32_t Searcher::firstReplyDropFlags(int q, PieceCode v,
                                                                         std::int32_t flags) {
    AttackMap& am = attackMap;
    std::int32_t t = am.addAttacks<keptPlanes(1)>(1, lastTarget[0], position.board, q) | flags;
    if (am.plyRays[1][0][q] > 0) t |= FLAG_NOTABLE;
    if (exposed<0>(q)) {
        // A knight that checks from a square side 0 covers the approach to is worth the risk.
        if (t >= THREAT_KING && v == KEI && am.rays[0][q - 16] != 0)
            moveScore[1] += 500;
        else
            moveScore[1] -= 100;
    }
    return t > 0 ? FLAG_NOTABLE : 0;
}

// Searches the reply to the drop just made and keeps it when it improves the node. Valued: the
// reply's value already stands in plyValue[ply + 1], and the drop was not made.
template <int S, bool Valued>
[[gnu::always_inline]] inline void Searcher::searchDropReply(int q, PieceCode v) {
    const int p = ply;
    if (S == 0 && p == 3) moveScore[3] += kingSafety();
    addReply<S, Valued>();
    if (!better<S>(moveScore[p], plyValue[p])) return;
    if (S == 1 && p == 0) {
        // A reply cut short by a stop has no value.
        if (!(v == pieceOf(1, HU) && moveScore[0] <= PAWN_DROP_MATE_BOUND) && !stopping()) {
            chosenMove = dropMove(v, q);
            plyValue[0] = moveScore[0];
            rootMoveChosen = true;
        }
    } else {
        if (plyValue[p] != FIRST_VALUE<S>) rememberMove(p, {-1, q, v, v, EMPTY, 0});
        plyValue[p] = moveScore[p];
    }
}

template <int S>
void Searcher::dropExecutor(int q) {
    // The same stages share their planes as board moves do; drops run at every ply of side S.
    if (ply >= 7)
        dropExecutor<S, keptPlanes(7)>(q);
    else if (ply >= 5)
        dropExecutor<S, keptPlanes(S == 1 ? 6 : 5)>(q);
    else
        dropExecutor<S, keptPlanes(S == 1 ? 0 : 1)>(q);
}

template <int S, int Planes>
void Searcher::dropExecutor(int q) {
    const int p = ply;
    Board& b = position.board;
    AttackMap& am = attackMap;
    const PieceCode v = b[q];

    ++nodesAtPly[p];
    std::int32_t flags = pawnDropFlags<S>(q, v);
    // At stage 7 the reply to a searched drop is the recapture stage, which finds nothing when
    // side 1 attacks neither q nor side 0's king (a drop only cuts lines). Such a drop that is no
    // better than the node's best so far changes nothing, searched or not.
    const bool unanswered = S == 0 && Planes == 0 && am.count[1][q] == 0 &&
                            am.count[1][kingSquare[0][p]] == 0 && p < depthLimit;
    if (unanswered && !better<S>(moveScore[p], plyValue[p])) return;

    // From ply 2 on a drop is searched only with FLAG_URGENT or more. Unless it interposes, an
    // exposed drop never gets it, nor does one that attacks no enemy piece (its threat sum stays
    // at or below 0x80), and the threat sum of the others is known without making them.
    // Most drops near the horizon fall short: they are settled without making them, leaving the
    // trace that making and unmaking leaves in the ply planes, and still count as the node they
    // are.
    if (p >= 2 && !interposes<S>(q) &&
        (exposed<S>(q) ||
         (flags < FLAG_URGENT &&
          (!attacks::attacksEnemyPiece(b, q) ||
           !attacks::threatReaches(am, b, q, q, v, lastTarget[p - 1], FLAG_URGENT))))) {
        am.traceDropUnmade<Planes>(p, b, q);
        return;
    }
    // Every other drop from ply 2 on is searched; an unanswered one is worth its own score and
    // leaves no trace at stage 7, so it is not made.
    if (unanswered) {
        plyValue[p + 1] = 0;
        searchDropReply<S, true>(q, v);
        return;
    }
    // At stage 7 every drop that gets here is searched, and side 1's recaptures are valued
    // without making it.
    if constexpr (S == 0 && Planes == 0) {
        if (recapturesUnmade<true>(q, v, q, v, moveScore[p])) {
            searchDropReply<S, true>(q, v);
            return;
        }
    }

    am.closeSquare<Planes>(p, b, q);
    if (S == 1 && p == 0) {
        flags = rootDropFlags(q, flags);
    } else if (S == 0 && p == 1) {
        flags = firstReplyDropFlags(q, v, flags);
    } else {
        flags |= am.addAttacks<Planes>(p, lastTarget[p - 1], b, q);
        if (exposed<S>(q)) flags = 0;
    }
    if (p >= 1 && interposes<S>(q)) flags |= FLAG_URGENT;
    if (S == 0 && p >= 3 && flags < FLAG_URGENT) flags = 0;

    const bool searched = (S == 1 && p == 0 ? flags >= FLAG_NOTABLE
                           : S == 1         ? flags >= FLAG_URGENT
                                            : flags >= FLAG_NOTABLE) &&
                          p < depthLimit;
    if (searched) searchDropReply<S, false>(q, v);
    am.removeAttacks<Planes>(p, b, q);
    am.openSquare<Planes>(p, b, q);
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
