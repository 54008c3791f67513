#include "engine/search/searcher.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "engine/position/rotate.h"
#include "engine/position/rules.h"

namespace kaz {

Searcher::Searcher() : book(openingBook()) {
    mateTester.stopRequest = &stopRequest;
    std::memset(kingSquare, 0, sizeof kingSquare);
    std::memset(moveScore, 0, sizeof moveScore);
    std::memset(plyValue, 0, sizeof plyValue);
    std::memset(lastTarget, 0, sizeof lastTarget);
    std::memset(bookCandidates, 0, sizeof bookCandidates);
    clearMoveMemory();
    for (int p = 0; p < SETTING_PLIES; ++p) {
        memorySize[p] = p == 0 ? 0 : p <= 11 ? 20 : 1;
        stageTemplate[p] = p <= 9 ? p : -1;
        plyStage[p] = stageTemplate[p];
    }
    position = Position{};
    attackMap.buildAttackMap(position.board);
}

void Searcher::newGame() {
    gameMoveCount = 0;
    chosenMove = EngineMove{};
    chosenMove.toFile = chosenMove.toRank = -1;
    chosenMove.newPiece = EMPTY;
    plyValue[0] = 0;
    clearMoveMemory();
}

void Searcher::clearMoveMemory() {
    std::memset(moveMemory, 0, sizeof moveMemory);
    std::memset(memoryUsed, 0, sizeof memoryUsed);
    std::memset(memoryTargets, 0, sizeof memoryTargets);
}

void Searcher::loadPosition(const Board& board, const Hand& hand0, const Hand& hand1) {
    position.board = board;
    // A side without a king gets a square that nothing attacks, not the square of a king from an
    // earlier think.
    for (int s = 0; s < 2; ++s) kingSquare[s][0] = kingSquare[s][1] = kingSquareOrNone(board, s);
    position.hand[0] = hand0;
    position.hand[1] = hand1;
}

ThinkResult Searcher::thinkFor(const Position& pos, int sideToMove, int movesPlayed,
                               const ThinkLimits& limits) {
    const Position searched = sideToMove == 0 ? rotatePosition(pos) : pos;
    gameMoveCount = movesPlayed;
    think(searched.board, searched.hand[0], searched.hand[1], limits);

    ThinkResult r;
    r.resign = resignFlag != 0;
    r.move = sideToMove == 0 ? rotateMove(chosenMove) : chosenMove;
    r.value = -plyValue[0];
    r.book = bookHit;
    r.mate = mateFound;
    r.noMove = noMove;
    r.mateLength = r.mate ? mateSolver.mateLength[0] : 0;
    r.depth = completedDepth;
    return r;
}

ThinkStats Searcher::stats() const {
    ThinkStats t;
    t.nodes = nodes;
    std::memcpy(t.nodesAtPly, nodesAtPly, sizeof t.nodesAtPly);
    t.testerNodes = testerNodes;
    t.mateNodes = mateNodes;
    t.timeMs = thinkTimeMs;
    t.stopped = stopped;
    return t;
}

void Searcher::searchToDepth(const Position& given, int depth, unsigned seed) {
    // Every depth starts from the same state, so the last one is exactly the fixed-depth think.
    std::srand(seed);
    loadPosition(given.board, given.hand[0], given.hand[1]);
    depthLimit = depth;
    std::memcpy(plyStage, stageTemplate, sizeof plyStage);
    attackMap.buildAttackMap(position.board);
    ply = 0;
    progressColumn.store(0, std::memory_order_relaxed);
    plyValue[0] = NO_MOVE_SIDE1;
    for (int p = 0; p < memoryDepth && p < SEARCH_PLIES; ++p) {
        std::memset(moveMemory[p], 0, sizeof moveMemory[p]);
        memoryUsed[p] = 0;
        std::memset(memoryTargets[p], 0, sizeof memoryTargets[p]);
    }
    bookHit = false;
    rootMoveChosen = false;

    for (int rootPass = 0; rootPass < 3; ++rootPass) {
        if (rootPass > 0) {
            if (plyValue[0] == BOOK_HIT) break;
            loadPosition(given.board, given.hand[0], given.hand[1]);
            attackMap.buildAttackMap(position.board);
            ply = 0;
        }
        pass.store(rootPass, std::memory_order_relaxed);
        node<1>();
    }
}

namespace {

// One step of a timed think: a complete search to `depth` (0: the configured depth) whose mate test
// at ply 1 looks `matePlies` deep (0: its own full depth).
struct DeepeningStep {
    int depth;
    int matePlies;
};

// Even depths only, so every search ends on a reply of side 0. Depth 8 is left out: without the
// recapture and capture-reply plies the selective search prunes less, and it costs about as much as
// the full depth. The mate test at ply 1 is what makes depth 2 slow (seconds, with many pieces in
// hand): the first steps shorten it to a mate in one, then in three, which costs milliseconds and
// on the bench suite chose the same move as the full depth 2 wherever that one finished.
constexpr DeepeningStep DEEPENING[] = {{2, 2}, {2, 4}, {2, 0}, {4, 0}, {6, 0}, {0, 0}};

}  // namespace

void Searcher::deepen(const Position& given, unsigned seed) {
    const std::int32_t fullMateTest = mateTester.configuredDepth;
    EngineMove move{};
    std::int32_t value = 0;
    bool book = false;
    for (const DeepeningStep& step : DEEPENING) {
        const int depth = step.depth == 0 ? configuredDepth : std::min(step.depth, configuredDepth);
        mateTester.configuredDepth = step.matePlies == 0 ? fullMateTest : step.matePlies;
        searchToDepth(given, depth, seed);
        mateTester.configuredDepth = fullMateTest;
        if (stopping()) break;
        // A shortened mate test counts as one ply less, so depth 2 means the full depth-2 search.
        completedDepth = step.matePlies == 0 ? depth : depth - 1;
        move = chosenMove;
        value = plyValue[0];
        book = bookHit;
        if (book || (step.matePlies == 0 && depth >= configuredDepth) ||
            mateSolver.found.load(std::memory_order_relaxed) != 0)
            break;
    }
    if (completedDepth > 0 && stopping()) {
        // The unfinished step saw only some root moves: the deepest finished answer stands.
        chosenMove = move;
        plyValue[0] = value;
        bookHit = book;
        rootMoveChosen = true;
    }
}

void Searcher::think(const Board& board, const Hand& hand0, const Hand& hand1,
                     const ThinkLimits& limits) {
    const auto started = std::chrono::steady_clock::now();
    const bool timed = limits.budgetMs >= 0;
    if (timed) deadline_.arm(stopRequest, limits.budgetMs, limits.clockHeld);
    // The arguments may alias `position`, which the passes change and restore: keep a copy.
    Position given;
    given.board = board;
    given.hand[0] = hand0;
    given.hand[1] = hand1;

    // The process priority is left alone: real-time priority would starve the desktop.
    const unsigned seed =
        limits.seed != 0 ? limits.seed : static_cast<unsigned>(std::time(nullptr));
    mateSolver.start(given, MATE_SOLVER_DEPTH);
    if (limits.solverFirst) mateSolver.join();

    gameMoveCount += 1;
    std::memset(nodesAtPly, 0, sizeof nodesAtPly);
    testerNodes = 0;
    completedDepth = 0;
    if (timed) {
        deepen(given, seed);
    } else {
        searchToDepth(given, configuredDepth, seed);
        if (!stopping()) completedDepth = configuredDepth;
    }

    // One reading of `found` decides both the resignation and the take-over.
    const bool mate = mateSolver.found.load(std::memory_order_acquire) != 0;
    // A stopped think has not seen every root move, so its value is no reason to resign.
    stopped = stopping();
    noMove = stopped && !mate && !rootMoveChosen && !bookHit;
    if (noMove) plyValue[0] = 0;
    resignFlag = !mate && completedDepth > 0 && plyValue[0] >= RESIGN_THRESHOLD ? 1 : 0;
    mateSolver.requestStop();
    if (mate) {
        chosenMove = mateSolver.bestMove;
        plyValue[0] = mateSolver.mateLength[0] - MATE_VALUE_BASE;
    } else if (timed && !resignFlag && (noMove || !isLegal(given, 1, chosenMove))) {
        // Out of time before any search finished, or with only a move that loses the king
        // finished: any legal move is better than none.
        const std::vector<EngineMove> moves = legalMoves(given, 1);
        if (!moves.empty()) {
            chosenMove = moves.front();
            noMove = false;
        }
    }
    deadline_.disarm();
    // The flag the deadline raised ends this think only; the next one starts unstopped.
    if (deadline_.expired()) stopRequest.store(false);
    mateSolver.join();
    mateSolver.found.store(0, std::memory_order_relaxed);
    mateFound = mate;
    nodes = 0;
    for (std::uint64_t n : nodesAtPly) nodes += n;
    bookHit = bookHit && !mate;
    mateNodes = mateSolver.nodes;
    thinkTimeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - started)
                      .count();
}

}  // namespace kaz
