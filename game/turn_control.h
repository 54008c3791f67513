#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/search/think.h"
#include "game/game_state.h"

namespace kaz {

class Searcher;

// Drives the game apart from the window thread: the turn thread keeps the status line current on
// the human's turn and plays the computer's turns with the searcher; the repaint thread repaints
// while a think runs, whenever the search reports progress. Both wait on the game's condition
// variable or sleep between tests, so an idle game uses no CPU. The flags they wait on must be
// changed through the game operations (which notify `stateChanged`).
class TurnControl {
  public:
    // Every think of the computer runs with `limits` (a fixed seed makes a game repeatable).
    TurnControl(GameState& game, Searcher& searcher, ThinkLimits limits = {})
        : game_(game), searcher_(searcher), limits_(limits) {}
    TurnControl(const TurnControl&) = delete;
    TurnControl& operator=(const TurnControl&) = delete;
    ~TurnControl() { stop(); }

    // Starts both threads (once).
    void start();
    // Ends both threads: a running think is asked to stop early and its move is not applied (the
    // computer is still to move afterwards). Returns once both have ended.
    void stop();

  private:
    void turnThread();
    void repaintThread();
    // The computer's turn; called by the turn thread with gameLock held, returns with it released.
    void computerMove(std::unique_lock<std::mutex>& lock);
    // Ends a think that finished the game: a pause, then the turn goes back to the human unless a
    // reset took over meanwhile.
    void endGameAfterPause();
    // Waits up to `time` or until `done` holds or the threads are asked to stop; lock is held.
    template <typename Done>
    void waitFor(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds time, Done done);

    GameState& game_;
    Searcher& searcher_;
    const ThinkLimits limits_;
    std::atomic<bool> stopping_{false};
    std::thread turn_, repaint_;
};

// Texts of the computer's turn.
inline constexpr std::string_view STATUS_THINKING = "コンピュータの思考中です";
inline constexpr std::string_view STATUS_PAUSED = "コンピュータの手番ですが一時停止中です。";
inline constexpr std::string_view STATUS_KING_TAKEN =
    "プレイヤーの玉が取られました。試合終了です。";
inline constexpr std::string_view STATUS_BAD_ENGINE_MOVE =
    "コンピュータの指し手が盤に合いません。試合終了です。";
inline constexpr std::string_view STATUS_COMPUTER_AT_LIMIT =
    "手数がオーバーです。コンピュータはこれ以上指せません。";

}  // namespace kaz
