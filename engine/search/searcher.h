#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "engine/mate/mate_solver.h"
#include "engine/mate/mate_tester.h"
#include "engine/position/attack_map.h"
#include "engine/position/types.h"
#include "engine/search/book.h"
#include "engine/search/deadline.h"
#include "engine/search/evaluate.h"
#include "engine/search/think.h"

namespace kaz {

// Values of plyValue[0] with a meaning of their own (side 0's point of view throughout).
constexpr std::int32_t NO_MOVE_SIDE1 = 600000;    // a side 1 node before any move was searched
constexpr std::int32_t NO_MOVE_SIDE0 = -600000;   // a side 0 node before any move was searched
constexpr std::int32_t RESIGN_THRESHOLD = 8000;   // root value at which the computer gives up
constexpr std::int32_t MATE_VALUE_BASE = 100000;  // a solver mate is worth mateLength - this

constexpr int SETTING_PLIES = 24;
constexpr int MEMORY_SLOTS = 40;

// A move remembered at one ply because it improved a node there; replayed first by later nodes
// at the same ply. Drops have from = -1 and raysAtTarget = 0; raysAtTarget is the mover's line
// bits on the target before the move, so a replay needs the same lines as the original.
struct RememberedMove {
    std::int32_t from;
    std::int32_t to;
    std::int32_t piece;
    std::int32_t newPiece;
    std::int32_t captured;
    std::int32_t raysAtTarget;

    friend bool operator==(const RememberedMove&, const RememberedMove&) = default;
};

// A book move of a position that resembles the root, with the bonus a root move equal to it gets.
struct BookCandidate {
    EngineMove move;
    std::int32_t weight;
};

// The computer's player: settings, the position under search with its attack map, the opening
// book, the mate solver and mate tester. The computer is always side 1 inside; values are from
// side 0's point of view (side 1 minimises). Large (~1 MB): allocate it statically or on the heap,
// never on a stack. The window, the USI engine and the command line use only the public part;
// tests reach the search state through SearcherTestAccess (tests/support/searcher_access.h).
class Searcher {
  public:
    Searcher();
    Searcher(const Searcher&) = delete;
    Searcher& operator=(const Searcher&) = delete;

    // Forgets the game played so far: move count, chosen move, think value and every remembered
    // move. Only while no think runs.
    void newGame();
    // One think for `sideToMove` in pos, movesPlayed moves into the game. The position is turned
    // through 180 degrees when side 0 is to move and the move turned back.
    ThinkResult thinkFor(const Position& pos, int sideToMove, int movesPlayed,
                         const ThinkLimits& limits = {});
    // The counts of the last think.
    ThinkStats stats() const;
    // From any thread: ends a running think early. Every node, and the in-search mate test,
    // returns at once; the think answers with the best root move it finished, or noMove. It stays
    // requested until clearStop, which the caller calls before the next think.
    void requestStop() { stopRequest.store(true); }
    void clearStop() { stopRequest.store(false); }
    // From any thread: starts the held clock of a running think (ThinkLimits::clockHeld); its
    // budget counts from now.
    void startClock() { deadline_.startClock(); }
    // From any thread while a think runs: how far it has got.
    SearchProgress progress() const {
        return {pass.load(std::memory_order_relaxed),
                progressColumn.load(std::memory_order_relaxed)};
    }
    // The search depth in plies.
    int depth() const { return configuredDepth; }

  private:
    friend struct SearcherTestAccess;

    // Finds side 1's move in the given position (side 1 to move). Reads gameMoveCount (and adds 1);
    // leaves resignFlag, chosenMove and plyValue[0], and the statistics below.
    void think(const Board& board, const Hand& hand0, const Hand& hand1, const ThinkLimits& limits);

    // Copies board and hands into `position` and the king squares into plies 0 and 1.
    void loadPosition(const Board& board, const Hand& hand0, const Hand& hand1);
    // Forgets every remembered move.
    void clearMoveMemory();

    // The search nodes at the current `ply` (the root when it is 0); each leaves its value in
    // plyValue[ply] and restores position and attack map.
    void side1Node() { node<1>(); }
    void side0Node() { node<0>(); }
    void recaptureSearch();
    // Evaluation terms that need the search state.
    std::int32_t kingSafety() const;
    void captureReply();
    // Opening book at the root of pass 0: true on an exact hit (chosenMove and plyValue[0] set);
    // otherwise collects bookCandidates from similar positions.
    bool lookupBook();
    // Puts m at the front of ply p's remembered moves (most recent first, no duplicates, at most
    // memorySize[p] entries).
    void rememberMove(int p, const RememberedMove& m);

    // --- Settings and search state --------------------------------------------------------
    Position position;
    std::int32_t kingSquare[2][SEARCH_PLIES];
    std::int32_t ply = 0;
    std::atomic<int> pass{0};  // read by the display while a think runs
    std::int32_t memoryDepth = 10;
    std::int32_t configuredDepth = 10;
    std::int32_t depthLimit = 10;
    std::int32_t moveScore[SEARCH_PLIES];
    std::int32_t plyValue[SEARCH_PLIES];
    std::int32_t memorySize[SETTING_PLIES];
    std::int32_t stageTemplate[SETTING_PLIES];
    std::int32_t plyStage[SETTING_PLIES];
    static constexpr const std::int32_t (&pieceValue)[32] = PIECE_VALUE;
    AttackMap attackMap;
    const std::array<BookRecord, BOOK_SIZE>& book;
    std::int32_t bookCount = BOOK_SIZE;
    MateSolver mateSolver;
    MateTester mateTester;
    std::uint8_t resignFlag = 0;
    std::int32_t lastTarget[100];
    EngineMove chosenMove{};
    RememberedMove moveMemory[SEARCH_PLIES][MEMORY_SLOTS];  // [ply][slot], slot 0 most recent
    // Per ply, how many slots were written since they were cleared: the rest hold zeros, which
    // match no move, so the searches look at this many only. And how many of those slots target
    // each square: a move to a square no entry targets needs no look at the list.
    std::int32_t memoryUsed[SEARCH_PLIES];
    std::uint8_t memoryTargets[SEARCH_PLIES][256];
    BookCandidate bookCandidates[MAX_BOOK_CANDIDATES];
    std::int32_t bookCandidateCount = 0;
    std::int32_t gameMoveCount = 0;
    std::atomic<int> progressColumn{0};  // read by the display while a think runs

    // Set by requestStop; read by every node and by the in-search mate test.
    std::atomic<bool> stopRequest{false};

    // --- Statistics of the last think (change no result) ----------------------------------
    std::uint64_t nodes = 0;
    std::uint64_t nodesAtPly[SEARCH_PLIES] = {};
    std::uint64_t testerNodes = 0;
    std::uint64_t mateNodes = 0;
    std::int64_t thinkTimeMs = 0;
    bool bookHit = false;    // the move came from the opening book
    bool mateFound = false;  // the move came from the mate solver
    int completedDepth = 0;  // depth of the deepest search that ran to its end (0: none)
    bool stopped = false;    // stopRequest was set when the passes ended: the think is incomplete
    // Stopped before any root move was finished and without a solver mate: chosenMove is not a
    // move of this think, and neither resignFlag nor plyValue[0] (left 0) is a verdict.
    bool noMove = false;

    int memoryInUse(int p) const {
        return memoryUsed[p] < memorySize[p] ? memoryUsed[p] : memorySize[p];
    }
    bool stopping() const { return stopRequest.load(std::memory_order_relaxed); }
    bool rootMoveChosen = false;  // chosenMove was set by this think (root move or book hit)
    Deadline deadline_;

    // One complete think to depth `depth` on `given`: the three root passes.
    void searchToDepth(const Position& given, int depth, unsigned seed);
    // Deeper and deeper searches until the deadline; leaves the deepest finished one's answer.
    void deepen(const Position& given, unsigned seed);

    template <int S>
    void node();
    // The phases of a node, in order.
    template <int S>
    bool settledOnEntry();
    template <int S>
    bool replayMemory();
    template <int S>
    bool scanBoard();
    template <int S, bool Valued>
    void addReply();
    template <int S>
    void passMove();
    template <int S>
    bool pawnOnFile(int file) const;
    template <int S, bool Replay>
    bool dropAndTakeBack(int q, int kind);
    template <int S>
    bool generateMoves(int from, PieceCode piece);
    template <int S>
    bool tryBoardMove(int from, PieceCode piece, int to, PieceCode newPiece, PieceCode captured);
    template <int S>
    bool stageDispatch(int from, PieceCode piece, int to, PieceCode newPiece, PieceCode captured);
    template <int N>
    bool runStage(int stage, int from, PieceCode piece, int to, PieceCode newPiece,
                  PieceCode captured);
    template <int N>
    bool boardExecutor(int from, PieceCode piece, int to, PieceCode newPiece, PieceCode captured);
    // The phases of a board move's executor.
    template <int N>
    std::int32_t flagsBeforeMove(int from, PieceCode piece, int to, PieceCode newPiece) const;
    template <int N>
    bool weighExposedMove(int to);
    std::int32_t bookBonus(const EngineMove& move);
    template <int N>
    bool searchedAtStage(std::int32_t flags, bool capture, bool selectable) const;
    template <int N>
    bool boardCutoff() const;
    bool clearPath(int f, int t) const;
    bool uncoversKing(int f, int t, int k) const;
    template <bool Drop>
    bool recapturesUnmade(int f, PieceCode a, int t, PieceCode n, std::int32_t score);
    void recaptureUnmade(int f, int t, PieceCode n, PieceCode x);
    bool settledAtHorizon(int f, PieceCode a, int t, PieceCode n, std::int32_t flags, int mark,
                          std::int32_t raysBefore);
    template <int N, bool Valued>
    void searchBoardReply(int from, PieceCode piece, int to, PieceCode newPiece, PieceCode captured,
                          std::int32_t raysBefore);
    template <int S>
    bool exposed(int q) const;
    template <int S>
    bool interposes(int q) const;
    bool rememberedDrop(int p, int q, PieceCode v) const;
    template <int S>
    void tryDrop(int q);
    template <int S>
    bool dropsAtHorizon(int q, int r, unsigned inHand, bool pawnHere);
    template <int S>
    void dropExecutor(int q);
    template <int S, int Planes>
    void dropExecutor(int q);
    // The phases of a drop's executor.
    template <int S>
    std::int32_t pawnDropFlags(int q, PieceCode dropped) const;
    std::int32_t rootDropFlags(int q, std::int32_t flags);
    std::int32_t firstReplyDropFlags(int q, PieceCode dropped, std::int32_t flags);
    template <int S, bool Valued>
    void searchDropReply(int q, PieceCode dropped);
    template <int S>
    bool dropCutoff() const;
};

}  // namespace kaz
