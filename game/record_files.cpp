#include "game/record_files.h"

#include <cstdio>
#include <ctime>
#include <memory>

#include "kif/file_io.h"
#include "kif/kif_reader.h"
#include "kif/kif_writer.h"

namespace kaz {

namespace {

constexpr std::string_view FAILED = "失敗";
constexpr std::string_view CANNOT_OPEN = "棋譜ファイルを開けませんでした。";
constexpr std::string_view FORMAT_MISMATCH = "棋譜ファイルのフォーマットが合いません。";

void refuseWhileThinking(GameState& game, std::string_view status) {
    game.statusText.set(status);
    game.window->repaint();
}

std::tm localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace

void rotateRecord(GameState& game) {
    if (game.humanIsSecond == 0) return;
    for (int k = 0; k <= game.recordLength && k < RECORD_SLOTS; ++k) {
        game.moveRecord.boards[k] = rotateBoard(game.moveRecord.boards[k], false);
        std::swap(game.moveRecord.hands[0][k], game.moveRecord.hands[1][k]);
    }
}

void saveRecord(GameState& game) {
    constexpr std::string_view WHILE_THINKING = "コンピュータの思考中は棋譜を保存できません。";
    {
        std::unique_lock lock(game.gameLock);
        if (game.thinking) {
            lock.unlock();
            refuseWhileThinking(game, WHILE_THINKING);
            return;
        }
        if (game.recordLength < 3) {
            lock.unlock();
            game.window->showMessage("保存する棋譜の手数が足りません。", FAILED);
            game.window->repaint();
            return;
        }
    }
    const std::optional<std::string> path = game.window->chooseSaveFile(KIF_FILE_FILTER);
    if (!path) {
        game.window->showMessage(CANNOT_OPEN, FAILED);
        return;
    }

    // The whole text is made first, so that a record that cannot be written touches no file.
    std::string bytes;
    KifWriteResult result;
    {
        std::lock_guard lock(game.gameLock);
        rotateRecord(game);
        result = formatKif(game.moveRecord, game.recordLength, localNow(), bytes);
        rotateRecord(game);
    }
    constexpr std::string_view WRITE_ERROR = "棋譜書き込みエラー";
    switch (result.error) {
        case KifWriteError::None:
            break;
        case KifWriteError::TooManyChanges: {
            char text[128];
            std::snprintf(text, sizeof text, "%.*sc=%d", static_cast<int>(FORMAT_MISMATCH.size()),
                          FORMAT_MISMATCH.data(), result.changes);
            game.window->showMessage(text, WRITE_ERROR);
            return;
        }
        case KifWriteError::NotADrop:
        case KifWriteError::NotAMove:
            game.window->showMessage(FORMAT_MISMATCH, WRITE_ERROR);
            return;
    }

    switch (replaceFile(*path, bytes)) {
        case SaveFileError::None:
            game.window->showMessage("棋譜ファイルを保存しました。", "成功");
            break;
        case SaveFileError::CannotCreate:
            game.window->showMessage(CANNOT_OPEN, *path);
            break;
        case SaveFileError::WriteFailed:
            game.window->showMessage("棋譜ファイルを書き込めませんでした。", *path);
            break;
    }
}

bool loadRecord(GameState& game) {
    constexpr std::string_view WHILE_THINKING = "コンピュータの思考中は棋譜を読み込めません。";
    if (game.thinking) {
        refuseWhileThinking(game, WHILE_THINKING);
        return false;
    }
    const std::optional<std::string> path = game.window->chooseOpenFile(KIF_FILE_FILTER);
    if (!path) {
        game.window->showMessage("棋譜ファイルを開きませんでした。", FAILED);
        return false;
    }
    std::string bytes;
    const ReadFileError readError = readWholeFile(*path, KIF_MAX_FILE_BYTES, bytes);
    if (readError == ReadFileError::CannotOpen) {
        game.window->showMessage(CANNOT_OPEN, *path);
        return false;
    }
    game.window->showMessage("棋譜ファイルを開けました。", "成功");

    // Read into a scratch record: a file that cannot be read leaves the current game intact.
    auto scratch = std::make_unique<MoveRecord>();
    KifReadResult result;
    if (readError == ReadFileError::TooLarge)
        result.reason = "file too large";
    else
        result = readKif(bytes, *scratch);
    if (!result.ok) {
        game.window->showMessage(FORMAT_MISMATCH, "棋譜読み込みエラー");
        return false;
    }

    {
        std::unique_lock lock(game.gameLock);
        // The computer may have begun a turn while the dialogs were open.
        if (game.thinking) {
            lock.unlock();
            refuseWhileThinking(game, WHILE_THINKING);
            return false;
        }
        for (int k = 0; k <= result.moves; ++k) {
            game.moveRecord.boards[k] = scratch->boards[k];
            game.moveRecord.hands[0][k] = scratch->hands[0][k];
            game.moveRecord.hands[1][k] = scratch->hands[1][k];
        }
        game.recordLength = result.moves;
        game.cursor = 0;
        showPosition(game, 0);
        game.started = true;
        game.humanIsSecond = 0;
        game.gameOver = false;
        game.thinking = false;
        game.humanToMove = true;
        game.inputBusy = false;
        clearLastMove(game);
        game.paused = true;
        game.idleRepaints = 0;
    }
    game.window->setButtonCaption(GameButton::Start, "初期化");
    game.window->setButtonCaption(GameButton::Pause, "■");
    game.stateChanged.notify_all();
    return true;
}

}  // namespace kaz
