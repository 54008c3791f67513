#include "game/game_state.h"

namespace kaz {

namespace {

constexpr std::string_view PAUSED_CAPTION = "■";
constexpr std::string_view RUNNING_CAPTION = "||";

void clearHands(std::array<GameHand, 2>& hands) {
    hands[0].fill(0);
    hands[1].fill(0);
}

// Every slot back to the initial position with empty hands. Caller holds gameLock.
void clearRecord(GameState& game) {
    for (int k = 0; k < RECORD_SLOTS; ++k) {
        game.moveRecord.boards[k] = game.initialBoard;
        game.moveRecord.hands[0][k].fill(0);
        game.moveRecord.hands[1][k].fill(0);
    }
}

// The first player moves at even move numbers.
bool humanMovesAt(const GameState& game, int moveNumber) {
    return (moveNumber % 2 == 0) == (game.humanIsSecond == 0);
}

void refuse(GameState& game, std::string_view status) {
    game.statusText.set(status);
    game.window->repaint();
}

enum class Step { ToStart, BackOne, ForwardOne, ToEnd };

struct StepTexts {
    std::string_view whileThinking;
    std::string_view outOfRange;
};

constexpr StepTexts STEP_TEXTS[] = {
    {"コンピュータの思考中は最初に戻せません。", ""},
    {"コンピュータの思考中は１手戻せません。", "今は１手戻せません。"},
    {"コンピュータの思考中は１手進められません。", "今は１手進められません。"},
    {"コンピュータの思考中は最後まで進められません。", "今は最後まで進められません。"},
};

void navigate(GameState& game, Step step) {
    const StepTexts& texts = STEP_TEXTS[static_cast<int>(step)];
    std::unique_lock lock(game.gameLock);
    if (game.thinking) {
        lock.unlock();
        refuse(game, texts.whileThinking);
        return;
    }
    int target = 0;
    bool allowed = true;
    switch (step) {
        case Step::ToStart:
            break;
        case Step::BackOne:
            allowed = game.cursor >= 1;
            target = game.cursor - 1;
            break;
        case Step::ForwardOne:
            allowed = game.cursor < RECORD_SLOTS - 1 && game.cursor < game.recordLength;
            target = game.cursor + 1;
            break;
        case Step::ToEnd:
            allowed = game.recordLength >= 2 && game.recordLength <= RECORD_SLOTS - 1;
            target = game.recordLength;
            break;
    }
    if (!allowed) {
        lock.unlock();
        refuse(game, texts.outOfRange);
        return;
    }
    game.cursor = target;
    if (step == Step::ToStart) {
        game.board = game.initialBoard;
        clearHands(game.hands);
    } else {
        showPosition(game, target);
    }
    clearLastMove(game);
    game.paused = true;
    game.humanToMove = humanMovesAt(game, target);
    game.gameOver = false;
    lock.unlock();
    game.window->setButtonCaption(GameButton::Pause, PAUSED_CAPTION);
    game.window->repaint();
    game.stateChanged.notify_all();
}

}  // namespace

void initGame(GameState& game) {
    {
        std::lock_guard lock(game.gameLock);
        game.cursor = game.recordLength = 0;
        game.board = game.initialBoard;
        clearHands(game.hands);
        clearLastMove(game);
        game.engineResetPending = true;
        game.started = game.gameOver = game.thinking = game.inputBusy = false;
        game.humanToMove = true;
        clearRecord(game);
    }
    game.stateChanged.notify_all();
}

void startGame(GameState& game) {
    game.started = true;
    const bool humanFirst = game.window->askYesNo("先手にしますか？", "先手・後手の選択");
    {
        std::lock_guard lock(game.gameLock);
        game.humanIsSecond = humanFirst ? 0 : 1;
        game.humanToMove = humanFirst;
        game.gameOver = false;
        game.idleRepaints = 0;
    }
    game.window->setButtonCaption(GameButton::Start, "初期化");
    game.stateChanged.notify_all();
}

void resetGame(GameState& game) {
    std::unique_lock lock(game.gameLock);
    if (game.thinking && !game.gameOver) {
        lock.unlock();
        refuse(game, "コンピュータの思考中は戻せません。");
        return;
    }
    game.started = false;
    game.board = game.initialBoard;
    clearHands(game.hands);
    clearLastMove(game);
    game.engineResetPending = true;
    game.thinkValue = 0;
    game.cursor = game.recordLength = 0;
    clearRecord(game);
    game.humanIsSecond = 0;
    game.paused = false;
    game.thinking = false;
    game.humanToMove = true;
    game.gameOver = false;
    game.idleRepaints = 0;
    lock.unlock();
    game.window->setButtonCaption(GameButton::Start, "開始");
    game.statusText.set(STATUS_PRESS_START);
    game.window->setButtonCaption(GameButton::Pause, RUNNING_CAPTION);
    game.window->repaint();
    game.stateChanged.notify_all();
}

bool recordPosition(GameState& game) {
    if (game.cursor + 1 >= RECORD_SLOTS) return false;
    game.cursor += 1;
    game.recordLength = game.cursor;
    game.moveRecord.boards[game.cursor] = game.board;
    game.moveRecord.hands[0][game.cursor] = game.hands[0];
    game.moveRecord.hands[1][game.cursor] = game.hands[1];
    return true;
}

void showPosition(GameState& game, int k) {
    if (k < 0 || k >= RECORD_SLOTS) return;
    game.board = game.moveRecord.boards[k];
    game.hands[0] = game.moveRecord.hands[0][k];
    game.hands[1] = game.moveRecord.hands[1][k];
}

void goToStart(GameState& game) { navigate(game, Step::ToStart); }
void goBackOne(GameState& game) { navigate(game, Step::BackOne); }
void goForwardOne(GameState& game) { navigate(game, Step::ForwardOne); }
void goToEnd(GameState& game) { navigate(game, Step::ToEnd); }

bool swapSides(GameState& game) {
    std::unique_lock lock(game.gameLock);
    if (!game.humanToMove || game.thinking) return false;
    if (game.recordLength < 3) {
        lock.unlock();
        game.window->showMessage("反転させるには棋譜の手数が足りません。", "失敗");
        return false;
    }
    game.paused = true;
    for (int k = 0; k <= game.recordLength; ++k) {
        game.moveRecord.boards[k] = rotateBoard(game.moveRecord.boards[k], true);
        std::swap(game.moveRecord.hands[0][k], game.moveRecord.hands[1][k]);
    }
    game.cursor = 0;
    game.humanIsSecond = game.humanIsSecond == 0 ? 1 : 0;
    game.humanToMove = game.humanIsSecond == 0;
    showPosition(game, 0);
    clearLastMove(game);
    game.idleRepaints = 0;
    lock.unlock();
    game.window->setButtonCaption(GameButton::Pause, PAUSED_CAPTION);
    game.window->repaint();
    game.stateChanged.notify_all();
    return true;
}

bool applyHumanMove(GameState& game, EngineMove move) {
    std::unique_lock lock(game.gameLock);
    if (game.thinking || !game.humanToMove) return false;
    if (game.cursor >= HUMAN_MOVE_LIMIT) {
        lock.unlock();
        refuse(game, STATUS_MOVE_LIMIT);
        return false;
    }
    const bool drop = move.fromFile == -1;
    const bool onBoard = move.toRank >= 0 && move.toRank < 9 && move.toFile >= 0 && move.toFile < 9;
    const bool originOnBoard =
        move.fromRank >= 0 && move.fromRank < 9 && move.fromFile >= 0 && move.fromFile < 9;
    if (!onBoard || (!drop && !originOnBoard)) return false;

    move.captured = game.board[cellOf(move.toRank, move.toFile)];
    applyMove(game.board, game.hands, 0, move);
    recordPosition(game);
    lock.unlock();
    game.window->repaint();
    game.inputBusy = false;
    {
        std::lock_guard relock(game.gameLock);
        game.humanToMove = false;
    }
    game.stateChanged.notify_all();
    return true;
}

void togglePause(GameState& game) {
    bool nowPaused;
    {
        std::lock_guard lock(game.gameLock);
        nowPaused = !game.paused;
        game.paused = nowPaused;
    }
    game.window->setButtonCaption(GameButton::Pause, nowPaused ? PAUSED_CAPTION : RUNNING_CAPTION);
    game.stateChanged.notify_all();
}

void clearLastMove(GameState& game) {
    game.showLastMove = false;
    game.lastMoveRow = -1;
    game.lastMoveCol = -1;
}

void fillEnginePosition(GameState& game) {
    game.enginePosition = toEnginePosition(game.board, game.hands[0], game.hands[1]);
}

GameView viewForPainting(const GameState& game) {
    std::lock_guard lock(game.gameLock);
    return GameView{game.board,        game.hands,       game.humanToMove, game.thinking,
                    game.showLastMove, game.lastMoveRow, game.lastMoveCol, game.statusText.get()};
}

}  // namespace kaz
