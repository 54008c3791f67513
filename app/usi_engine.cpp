#include <unistd.h>

#include <memory>

#include "app/commands.h"
#include "app/usi.h"
#include "engine/search/play.h"
#include "engine/search/searcher.h"

namespace {

// The computer player of the desktop program behind the USI protocol: one Searcher for the whole
// run (on the heap: it is far too large for a stack), reset as a new game resets it.
class SearchPlayer : public kaz::Player {
  public:
    void newGame() override {
        kaz::Searcher& s = *searcher_;
        s.gameMoveCount = 0;
        s.chosenMove = kaz::EngineMove{};
        s.chosenMove.toFile = s.chosenMove.toRank = -1;
        s.chosenMove.newPiece = kaz::EMPTY;
        s.plyValue[0] = 0;
        s.clearMoveMemory();
    }

    kaz::ThinkReply think(const kaz::ThinkRequest& req) override {
        const kaz::ThinkResult t =
            kaz::thinkFor(*searcher_, req.pos, req.sideToMove, req.gameMoveCount, req.seed,
                          kaz::ThinkLimits{req.budgetMs, req.clockHeld});
        kaz::ThinkReply r;
        r.resign = t.resign;
        r.move = t.move;
        // A book move carries a marker value, not an evaluation.
        r.value = t.book ? 0 : t.value;
        r.book = t.book;
        r.mate = t.mate;
        r.noMove = t.noMove;
        r.mateLength = t.mateLength;
        r.depth = t.book ? 0 : t.depth;
        r.nodes = t.nodes + t.testerNodes + t.mateNodes;
        r.timeMs = t.timeMs;
        return r;
    }

    void requestStop() override { searcher_->stopRequest.store(true); }
    void startClock() override { searcher_->startClock(); }
    void clearStop() override { searcher_->stopRequest.store(false); }

  private:
    std::unique_ptr<kaz::Searcher> searcher_ = std::make_unique<kaz::Searcher>();
};

}  // namespace

int runUsiCommand(int, char**) {
    SearchPlayer player;
    return kaz::runUsi(player, STDIN_FILENO, STDOUT_FILENO);
}
