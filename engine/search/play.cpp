#include "engine/search/play.h"

#include "engine/position/transform.h"

namespace kaz {

ThinkResult thinkFor(Searcher& searcher, const Position& pos, int sideToMove, int gameMoveCount,
                     unsigned seed, const ThinkLimits& limits) {
    const Position searched = sideToMove == 0 ? rotatePosition(pos) : pos;
    searcher.gameMoveCount = gameMoveCount;
    searcher.seed = seed;
    searcher.think(searched.board, searched.hand[0], searched.hand[1], limits);

    ThinkResult r{};
    r.resign = searcher.resignFlag != 0;
    r.move = sideToMove == 0 ? rotateMove(searcher.chosenMove) : searcher.chosenMove;
    r.value = -searcher.plyValue[0];
    r.book = searcher.bookHit;
    r.mate = searcher.mateFound;
    r.noMove = searcher.noMove;
    r.mateLength = r.mate ? searcher.mateSolver.mateLength[0] : 0;
    r.depth = searcher.completedDepth;
    r.nodes = searcher.nodes;
    r.mateNodes = searcher.mateNodes;
    r.testerNodes = searcher.testerNodes;
    r.timeMs = searcher.thinkTimeMs;
    return r;
}

}  // namespace kaz
