#include <unistd.h>

#include <memory>

#include "app/commands.h"
#include "app/usi.h"
#include "engine/search/searcher.h"

namespace {

// The computer player of the desktop program behind the USI protocol: one Searcher for the whole
// run (on the heap: it is far too large for a stack).
class SearchPlayer : public kaz::Player {
  public:
    void newGame() override { searcher_->newGame(); }

    kaz::ThinkReply think(const kaz::ThinkRequest& req) override {
        const kaz::ThinkResult t =
            searcher_->thinkFor(req.pos, req.sideToMove, req.gameMoveCount, req.limits);
        const kaz::ThinkStats stats = searcher_->stats();
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
        r.nodes = stats.nodes + stats.testerNodes + stats.mateNodes;
        r.timeMs = stats.timeMs;
        return r;
    }

    void requestStop() override { searcher_->requestStop(); }
    void startClock() override { searcher_->startClock(); }
    void clearStop() override { searcher_->clearStop(); }

  private:
    std::unique_ptr<kaz::Searcher> searcher_ = std::make_unique<kaz::Searcher>();
};

}  // namespace

int runUsiCommand(int, char**) {
    SearchPlayer player;
    return kaz::runUsi(player, STDIN_FILENO, STDOUT_FILENO);
}
