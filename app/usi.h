#pragma once

#include <cstdint>

#include "engine/position/types.h"
#include "engine/search/think.h"

namespace kaz {

// One think as the protocol asks for it: the game position, whose turn it is (0 = sente, the
// uppercase side of SFEN), the plies played so far and how the think runs (the random seed, the
// time budget and whether its clock waits for startClock()).
struct ThinkRequest {
    Position pos;
    int sideToMove;
    int gameMoveCount;
    ThinkLimits limits;
};

// What a think found, in the position's own orientation. value is from the mover's point of view
// (positive: good for the engine); mateLength counts plies when mate is set.
struct ThinkReply {
    bool resign = false;
    EngineMove move{};
    std::int32_t value = 0;
    bool book = false;
    bool mate = false;
    bool noMove = false;  // stopped before any move was searched to the end: move is meaningless
    std::int32_t mateLength = 0;
    int depth = 0;  // the depth of the deepest search completed
    std::uint64_t nodes = 0;
    std::int64_t timeMs = 0;
};

// The computer player behind the protocol. think() runs on the protocol's think thread, one at a
// time; requestStop() and startClock() may come from any thread while it runs. clearStop() and
// newGame() are called only while no think runs.
class Player {
  public:
    virtual ~Player() = default;
    virtual void newGame() = 0;
    virtual ThinkReply think(const ThinkRequest& request) = 0;
    virtual void requestStop() = 0;
    // Starts the held clock of the running think (ponderhit): its budget counts from now.
    virtual void startClock() = 0;
    virtual void clearStop() = 0;
};

// Speaks USI on the two descriptors until `quit` or the end of input; returns the exit status.
int runUsi(Player& player, int inFd, int outFd);

}  // namespace kaz
