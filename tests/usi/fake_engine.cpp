// The USI loop with a scripted player instead of the search: thinks of any length and outcome.
// Each think and new game is reported on standard error ("think <sfen> plies=<n> seed=<s>").
//   --think-ms N    each think lasts N ms, or until it is stopped
//   --reply KIND    first (the first legal move), mate, resign, illegal (R*5e), or nomove
//                   (stopped before any move was searched; the move field holds junk)

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "app/usi.h"
#include "engine/position/rules.h"
#include "engine/position/sfen.h"

namespace {

class ScriptedPlayer : public kaz::Player {
  public:
    ScriptedPlayer(int thinkMs, std::string reply) : thinkMs_(thinkMs), reply_(std::move(reply)) {}

    void newGame() override { std::fprintf(stderr, "newgame\n"); }

    kaz::ThinkReply think(const kaz::ThinkRequest& req) override {
        std::fprintf(stderr, "think %s plies=%d seed=%u\n",
                     kaz::toSfen({req.pos, req.sideToMove, 1}).c_str(), req.gameMoveCount,
                     req.limits.seed);
        const auto start = std::chrono::steady_clock::now();
        while (!stop_ &&
               std::chrono::steady_clock::now() < start + std::chrono::milliseconds(thinkMs_))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        kaz::ThinkReply r;
        r.depth = 10;
        r.value = 42;
        r.nodes = 123456;
        r.timeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - start)
                       .count();
        r.move = kaz::legalMoves(req.pos, req.sideToMove).at(0);
        if (reply_ == "mate") {
            r.mate = true;
            r.mateLength = 3;
        } else if (reply_ == "resign") {
            r.resign = true;
            r.value = -9000;
        } else if (reply_ == "nomove") {
            r.noMove = true;
            r.value = 0;
            r.move = kaz::EngineMove{-1, -1, kaz::EMPTY, 9, 9, kaz::EMPTY, kaz::EMPTY};
        } else if (reply_ == "illegal") {  // a rook drop on 5e, with no rook in hand at the start
            const kaz::PieceCode rook = kaz::pieceOf(req.sideToMove, kaz::HI);
            r.move = kaz::EngineMove{-1, -1, rook, 4, 4, rook, kaz::EMPTY};
        }
        std::fflush(stderr);
        return r;
    }

    void requestStop() override { stop_ = true; }
    void startClock() override {}
    void clearStop() override { stop_ = false; }

  private:
    int thinkMs_;
    std::string reply_;
    std::atomic<bool> stop_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    int thinkMs = 0;
    std::string reply = "first";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--think-ms") == 0) thinkMs = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--reply") == 0) reply = argv[i + 1];
    }
    ScriptedPlayer player(thinkMs, reply);
    return kaz::runUsi(player, 0, 1);
}
