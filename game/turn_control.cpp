#include "game/turn_control.h"

#include <cstdio>

#include "engine/search/searcher.h"

namespace kaz {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds STATUS_INTERVAL{100};
constexpr milliseconds PAUSED_INTERVAL{100};
constexpr milliseconds GAME_END_PAUSE{1000};
// How often the repaint thread looks at the search's progress during a think.
constexpr milliseconds PROGRESS_INTERVAL{20};
constexpr int IDLE_REPAINT_LIMIT = 10;

bool onBoard(int v) { return v >= 0 && v < 9; }

// A move the game can apply without writing outside the board or placing a non-piece.
bool applicable(const EngineMove& m) {
    const bool drop = m.fromFile == -1 && m.fromRank == -1;
    return onBoard(m.toFile) && onBoard(m.toRank) &&
           (drop || (onBoard(m.fromFile) && onBoard(m.fromRank))) && m.newPiece >= 0 &&
           m.newPiece < 32 && isPiece(static_cast<PieceCode>(m.newPiece)) &&
           (m.captured == EMPTY ||
            (m.captured >= 0 && m.captured < 32 && isPiece(static_cast<PieceCode>(m.captured))));
}

}  // namespace

void TurnControl::start() {
    if (turn_.joinable()) return;
    stopping_ = false;
    turn_ = std::thread([this] { turnThread(); });
    repaint_ = std::thread([this] { repaintThread(); });
}

void TurnControl::stop() {
    {
        std::lock_guard lock(game_.gameLock);
        stopping_ = true;
    }
    searcher_.requestStop();
    game_.stateChanged.notify_all();
    if (turn_.joinable()) turn_.join();
    if (repaint_.joinable()) repaint_.join();
}

template <typename Done>
void TurnControl::waitFor(std::unique_lock<std::mutex>& lock, milliseconds time, Done done) {
    game_.stateChanged.wait_for(lock, time, [&] { return stopping_ || done(); });
}

std::string humanTurnStatus(int value, ThinkValueKind kind, int mateLength) {
    char text[128];
    if (kind == ThinkValueKind::Book)
        std::snprintf(text, sizeof text, "プレイヤーの手番です。定跡");
    else if (kind == ThinkValueKind::Mate)
        std::snprintf(text, sizeof text, "プレイヤーの手番です。%d手詰め（コンピュータの勝ち）",
                      mateLength);
    else
        std::snprintf(text, sizeof text, "プレイヤーの手番です。評価値＝%d", value);
    return text;
}

void TurnControl::turnThread() {
    GameState& g = game_;
    std::unique_lock lock(g.gameLock);
    while (!stopping_) {
        if (g.gameOver) {
            g.stateChanged.wait(lock, [&] { return stopping_ || !g.gameOver; });
            continue;
        }
        if (g.humanToMove) {
            if (g.started) {
                g.statusText.set(
                    humanTurnStatus(g.thinkValue, g.thinkValueKind, g.thinkMateLength));
            } else {
                g.statusText.set(STATUS_PRESS_START);
            }
            if (g.idleRepaints >= IDLE_REPAINT_LIMIT) {
                // Nothing to show until the turn changes or an operation asks for repaints again.
                g.stateChanged.wait(lock, [&] {
                    return stopping_ || !g.humanToMove || g.gameOver ||
                           g.idleRepaints < IDLE_REPAINT_LIMIT;
                });
                continue;
            }
            g.idleRepaints += 1;
            lock.unlock();
            g.window->repaint();
            lock.lock();
            waitFor(lock, STATUS_INTERVAL, [&] { return !g.humanToMove; });
            continue;
        }
        g.idleRepaints = 0;
        if (g.paused) {
            g.statusText.set(STATUS_PAUSED);
            lock.unlock();
            g.window->repaint();
            lock.lock();
            waitFor(lock, PAUSED_INTERVAL, [&] { return !g.paused || g.humanToMove; });
            continue;
        }
        if (g.cursor >= RECORD_SLOTS - 1) {
            // Its move would need a slot past the record: the game ends here.
            g.gameOver = true;
            g.statusText.set(STATUS_COMPUTER_AT_LIMIT);
            lock.unlock();
            g.window->repaint();
            lock.lock();
            continue;
        }
        computerMove(lock);
        lock.lock();
    }
}

void TurnControl::computerMove(std::unique_lock<std::mutex>& lock) {
    GameState& g = game_;
    Searcher& s = searcher_;
    g.thinking = true;
    g.statusText.set(STATUS_THINKING);
    if (g.engineResetPending) {
        s.newGame();
        g.engineResetPending = false;
    }
    const int movesPlayed = g.cursor;
    fillEnginePosition(g);
    const Position pos = g.enginePosition;
    s.clearStop();
    lock.unlock();
    g.stateChanged.notify_all();  // the repaint thread follows the think
    g.window->repaint();

    // The computer is side 1 of the game.
    ThinkLimits limits = limits_;
    limits.budgetMs = g.thinkTimeMs.load();
    const ThinkResult r = s.thinkFor(pos, 1, movesPlayed, limits);

    lock.lock();
    if (stopping_) {
        // Shutting down: the think was cut short, so its move is not played.
        g.thinking = false;
        lock.unlock();
        return;
    }
    const int value = -r.value;  // shown from the human's side
    g.thinkValue = value;
    g.thinkMateLength = r.mate ? r.mateLength : 0;
    g.thinkValueKind = r.mate   ? ThinkValueKind::Mate
                       : r.book ? ThinkValueKind::Book
                                : ThinkValueKind::Evaluation;
    const EngineMove m = r.move;
    if (r.resign || !applicable(m)) {
        clearLastMove(g);
        char text[160];
        if (r.resign)
            std::snprintf(text, sizeof text, "コンピュータが投了しました。試合終了です。%d", value);
        else  // never from a sound search; refusing it keeps the board and record whole
            std::snprintf(text, sizeof text, "%s", STATUS_BAD_ENGINE_MOVE.data());
        g.statusText.set(text);
        g.gameOver = true;
        lock.unlock();
        endGameAfterPause();
        return;
    }
    applyMove(g.board, g.hands, 1, m);
    g.showLastMove = true;
    g.lastMoveRow = m.toRank;
    g.lastMoveCol = m.toFile;

    if (m.fromFile != -1 && m.captured == GYOKU) {
        // The human's last move left the king to be taken: neither it nor the capture is kept.
        g.hands[1][GYOKU] = 0;
        if (g.cursor > 0) g.cursor -= 1;
        g.recordLength = g.cursor;
        g.statusText.set(STATUS_KING_TAKEN);
        g.gameOver = true;
        lock.unlock();
        endGameAfterPause();
        return;
    }
    recordPosition(g);
    g.humanToMove = true;
    g.thinking = false;
    lock.unlock();
    g.stateChanged.notify_all();
}

void TurnControl::endGameAfterPause() {
    GameState& g = game_;
    g.window->repaint();
    std::unique_lock lock(g.gameLock);
    waitFor(lock, GAME_END_PAUSE, [] { return false; });
    // A reset during the pause has already cleared `thinking` and set up the next game.
    if (g.thinking) {
        g.humanToMove = true;
        g.thinking = false;
    }
    lock.unlock();
    g.stateChanged.notify_all();
}

void TurnControl::repaintThread() {
    GameState& g = game_;
    while (!stopping_) {
        {
            std::unique_lock lock(g.gameLock);
            g.stateChanged.wait(lock, [&] { return stopping_ || g.thinking; });
        }
        SearchProgress shown = searcher_.progress();
        while (!stopping_ && g.thinking) {
            const SearchProgress now = searcher_.progress();
            if (now.column != shown.column || now.pass != shown.pass) {
                shown = now;
                g.window->repaint();
            }
            std::unique_lock lock(g.gameLock);
            waitFor(lock, PROGRESS_INTERVAL, [&] { return !g.thinking; });
        }
    }
}

}  // namespace kaz
