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
          pass(s.pass),
          progressColumn(s.progressColumn),
          plyValue(s.plyValue),
          attackMap(s.attackMap),
          mateSolver(s.mateSolver),
          chosenMove(s.chosenMove),
          bookCandidates(s.bookCandidates),
          bookCandidateCount(s.bookCandidateCount),
          gameMoveCount(s.gameMoveCount) {}

    Searcher& searcher;
    Position& position;
    std::int32_t (&kingSquare)[2][SEARCH_PLIES];
    std::atomic<int>& pass;
    std::atomic<int>& progressColumn;
    std::int32_t (&plyValue)[SEARCH_PLIES];
    AttackMap& attackMap;
    MateSolver& mateSolver;
    EngineMove& chosenMove;
    BookCandidate (&bookCandidates)[MAX_BOOK_CANDIDATES];
    std::int32_t& bookCandidateCount;
    std::int32_t& gameMoveCount;

    void loadPosition(const Board& board, const Hand& hand0, const Hand& hand1) {
        searcher.loadPosition(board, hand0, hand1);
    }
    bool lookupBook() { return searcher.lookupBook(); }
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
