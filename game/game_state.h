#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/position/types.h"
#include "game/game_board.h"
#include "game/status_line.h"
#include "game/window_port.h"

namespace kaz {

// Where the computer's last move came from, which says what its value means.
enum class ThinkValueKind { Evaluation, Book, Mate };

// The game as the window holds it: the position shown, the record of every position, navigation,
// who plays which side and the flags through which the window thread and the worker threads take
// turns. Side 0 (codes without OWNER_BIT, bottom) is always the human; side 1 the computer.
//
// Threads: the window thread runs every operation below; the turn thread (turn_control.h) changes
// the position only while `thinking` is set. `gameLock` makes "check the flags, then change the
// position" one step for both, so a command can never interleave with the start or the end of a
// computer move. Flags read across threads are atomics. The object is large (the record alone is
// about 800 KB): allocate it statically or on the heap, never on a thread's stack.
struct GameState {
    std::atomic<bool> started{false};
    std::atomic<bool> gameOver{false};
    std::atomic<bool> thinking{false};
    std::atomic<bool> humanToMove{true};
    std::atomic<bool> inputBusy{false};
    std::atomic<bool> paused{false};

    StatusLine statusText;

    int cursor = 0;             // move number of the position on the board, 0..499
    int recordLength = 0;       // move number of the last stored position
    int humanIsSecond = 0;      // 1 when the computer moves first
    bool unsavedMoves = false;  // moves were recorded since the game began, was loaded or saved
    int startHandicap = 0;      // the next game's start: an index into HANDICAPS (0: 平手)

    GameBoard board = makeInitialBoard();
    std::array<GameHand, 2> hands{};  // [0] the human's, [1] the computer's
    const GameBoard initialBoard = makeInitialBoard();
    Position enginePosition{};  // built by the turn thread before each think
    MoveRecord moveRecord{};

    // The target of the computer's last move is highlighted while set.
    std::atomic<bool> showLastMove{false};
    // Status repaints made by the turn thread since the human's turn began (limit 10).
    std::atomic<int> idleRepaints{0};

    // The target of the computer's last move (-1 when none), kept here so that the painter never
    // reads the searcher's move while a think writes it.
    std::atomic<int> lastMoveRow{-1}, lastMoveCol{-1};
    // The value of the last think (positive favours the human), shown in the status line, and
    // what it stands for: a marker value (book move, solver mate) is shown as its meaning.
    std::atomic<int> thinkValue{0};
    std::atomic<ThinkValueKind> thinkValueKind{ThinkValueKind::Evaluation};
    std::atomic<int> thinkMateLength{0};  // plies of the solver's mate, counted from its move
    // Set when a game starts afresh: the turn thread clears the engine's game memory (move count,
    // chosen move, value, remembered moves) before its next think.
    std::atomic<bool> engineResetPending{true};
    // Time per computer move in milliseconds, set from the window's menu; -1: no limit (the
    // fixed-depth think).
    std::atomic<int> thinkTimeMs{-1};
    // The root column the painter drew last in the progress strip.
    std::atomic<int> lastDrawnProgress{0};

    WindowPort* window = &nullWindow;

    mutable std::mutex gameLock;
    // Signalled whenever a flag the worker threads wait on changes.
    std::condition_variable stateChanged;

  private:
    static inline NullWindowPort nullWindow;
};

// What the painter needs, copied under the lock so that a computer move being applied on the
// turn thread is seen either wholly or not at all. Call on the window thread.
struct GameView {
    GameBoard board;
    std::array<GameHand, 2> hands;
    bool humanToMove, thinking, showLastMove;
    int lastMoveRow, lastMoveCol;
    std::string status;
};
GameView viewForPainting(const GameState& game);

// Status texts of game operations.
inline constexpr std::string_view STATUS_PRESS_START = "開始するには開始ボタンを押してください。";
inline constexpr std::string_view STATUS_MOVE_LIMIT = "手数がオーバーです。これ以上は指せません。";

// At window creation: empty record, initial position, no game running.
void initGame(GameState& game);
// Start button with no game running: starts from startHandicap and asks who moves first (in a
// handicap game: whether the human gives the pieces as 上手, who moves first).
void startGame(GameState& game);
// Start button with a game running: back to no game (refused during a think of a running game).
void resetGame(GameState& game);
// Whether the human plays sente (先手/下手), whose pieces a record file shows at the bottom.
bool humanIsSente(const GameState& game);
// Stores board and hands as slot cursor + 1 and makes it the last; later slots are dropped.
// Refuses (false, nothing written) when that slot would lie past the record. Caller holds gameLock.
bool recordPosition(GameState& game);
// Shows slot k on the board. Caller holds gameLock.
void showPosition(GameState& game, int k);

// Navigation through the record; each pauses the computer and sets the side to move by parity.
void goToStart(GameState& game);
void goBackOne(GameState& game);
void goForwardOne(GameState& game);
void goToEnd(GameState& game);

// The human takes over the other side of the same game (the board flips). False when refused.
bool swapSides(GameState& game);

// Applies the human's move (side 0; columns and rows as in applyMove, fromFile -1 for a drop of
// kind `piece`; the captured piece is read from the board), records it and hands the turn to the
// computer. At the record limit the move is refused with STATUS_MOVE_LIMIT and false is returned.
bool applyHumanMove(GameState& game, EngineMove move);

// Replaces the game by slots 0..moves and the header of `record`, started and paused at move 0
// with the human playing sente. Refused (false, nothing changed) while the computer thinks.
bool takeRecord(GameState& game, const MoveRecord& record, int moves);

// Turns the highlight of the computer's last move off. Caller holds gameLock.
void clearLastMove(GameState& game);

// The pause button: lifts or sets the pause.
void togglePause(GameState& game);

// enginePosition from board and hands.
void fillEnginePosition(GameState& game);

}  // namespace kaz
