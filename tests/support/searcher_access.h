#pragma once

// The test seam onto a Searcher: the one way tests reach its private search state and internal
// steps (it is the Searcher's only friend). Programs use the public interface only.

#include <cstdint>
#include <memory>

#include "engine/search/searcher.h"

namespace kaz {

// Names the Searcher's fields and steps that tests read, set up or run directly.
struct SearcherTestAccess {
    explicit SearcherTestAccess(Searcher& s)
        : searcher(s),
          position(s.position),
          kingSquare(s.kingSquare),
          ply(s.ply),
          pass(s.pass),
          progressColumn(s.progressColumn),
          depthLimit(s.depthLimit),
          moveScore(s.moveScore),
          plyValue(s.plyValue),
          memorySize(s.memorySize),
          attackMap(s.attackMap),
          mateSolver(s.mateSolver),
          resignFlag(s.resignFlag),
          lastTarget(s.lastTarget),
          chosenMove(s.chosenMove),
          moveMemory(s.moveMemory),
          bookCandidates(s.bookCandidates),
          bookCandidateCount(s.bookCandidateCount),
          gameMoveCount(s.gameMoveCount),
          nodes(s.nodes),
          nodesAtPly(s.nodesAtPly),
          bookHit(s.bookHit),
          mateFound(s.mateFound) {}

    Searcher& searcher;
    Position& position;
    std::int32_t (&kingSquare)[2][SEARCH_PLIES];
    std::int32_t& ply;
    std::atomic<int>& pass;
    std::atomic<int>& progressColumn;
    std::int32_t& depthLimit;
    std::int32_t (&moveScore)[SEARCH_PLIES];
    std::int32_t (&plyValue)[SEARCH_PLIES];
    std::int32_t (&memorySize)[SETTING_PLIES];
    AttackMap& attackMap;
    MateSolver& mateSolver;
    std::uint8_t& resignFlag;
    std::int32_t (&lastTarget)[100];
    EngineMove& chosenMove;
    RememberedMove (&moveMemory)[SEARCH_PLIES][MEMORY_SLOTS];
    BookCandidate (&bookCandidates)[MAX_BOOK_CANDIDATES];
    std::int32_t& bookCandidateCount;
    std::int32_t& gameMoveCount;
    std::uint64_t& nodes;
    std::uint64_t (&nodesAtPly)[SEARCH_PLIES];
    bool& bookHit;
    bool& mateFound;

    // The think in the engine's own orientation: side 1 to move in board and hands.
    void think(const Board& board, const Hand& hand0, const Hand& hand1,
               const ThinkLimits& limits) {
        searcher.think(board, hand0, hand1, limits);
    }
    void loadPosition(const Board& board, const Hand& hand0, const Hand& hand1) {
        searcher.loadPosition(board, hand0, hand1);
    }
    void side1Node() { searcher.side1Node(); }
    void side0Node() { searcher.side0Node(); }
    void recaptureSearch() { searcher.recaptureSearch(); }
    std::int32_t kingSafety() const { return searcher.kingSafety(); }
    void captureReply() { searcher.captureReply(); }
    bool lookupBook() { return searcher.lookupBook(); }
    void rememberMove(int p, const RememberedMove& m) { searcher.rememberMove(p, m); }
};

// A Searcher of its own on the heap (it is far too large for a stack), used through the seam like
// a pointer: s->plyValue[0].
struct SearcherUnderTest {
    std::unique_ptr<Searcher> owned = std::make_unique<Searcher>();
    SearcherTestAccess access{*owned};

    SearcherTestAccess* operator->() { return &access; }
    SearcherTestAccess& operator*() { return access; }
};

}  // namespace kaz
