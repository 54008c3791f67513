#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QTimer>
#include <filesystem>

#include "tests/support/game_driver.h"
#include "tests/ui/window_fixture.h"

namespace kaz::test {
namespace {

using Msg = ScriptedWindow::Message;
using namespace ui;

// Four moves: the human's 7g7f and 2g2f, the computer's 3c3d and 8c8d.
void playFourMoves(WindowFixture& f) {
    f.clickMove(2, 6, 2, 5);
    computerMove(f.g(), 33, 34);
    f.clickMove(7, 6, 7, 5);
    computerMove(f.g(), 83, 84);
    f.settle();
}

// One game through the buttons and menu commands, as a player would click them.
TEST(Commands, StartNavigatePauseSaveResetAndLoad) {
    WindowFixture f;
    GameState& g = f.g();
    EXPECT_EQ(f.caption(CMD_START_RESET), "開始");
    f.start(/*humanFirst=*/true);
    EXPECT_EQ(f.dialogs.questions(), (std::vector<Msg>{{"先手にしますか？", "先手・後手の選択"}}));
    EXPECT_TRUE(g.started && g.humanToMove);
    EXPECT_EQ(f.caption(CMD_START_RESET), "初期化");
    // Nothing to step through yet: each step is refused with a message.
    for (const int id : {CMD_BACK_ONE, CMD_FORWARD_ONE, CMD_TO_END}) {
        g.statusText.set("");
        f.command(id);
        EXPECT_NE(g.statusText.get(), "") << id;
    }

    playFourMoves(f);
    EXPECT_EQ(f.cellColour(1, 3), RED);  // the computer's last move, on the human's turn only
    g.humanToMove = false;
    f.window->paintBoard();
    EXPECT_EQ(f.cellColour(1, 3), YELLOW);
    g.humanToMove = true;
    // Navigation pauses the game and turns the highlight off; the computer moves at odd numbers
    // when the human is first.
    for (const auto& [id, cursor] :
         {std::pair{CMD_BACK_ONE, 3}, {CMD_TO_START, 0}, {CMD_FORWARD_ONE, 1}, {CMD_TO_END, 4}}) {
        f.command(id);
        EXPECT_EQ(g.cursor, cursor);
        EXPECT_EQ(g.board, g.moveRecord.boards[cursor]);
        EXPECT_EQ(g.humanToMove, cursor % 2 == 0);
        EXPECT_EQ(f.caption(CMD_PAUSE), "■");
        EXPECT_EQ(f.cellColour(1, 3), YELLOW) << cursor;
    }

    // During a think every step is refused; pause still works.
    g.thinking = true;
    for (const int id : {CMD_TO_START, CMD_BACK_ONE, CMD_FORWARD_ONE, CMD_TO_END}) {
        f.command(id);
        EXPECT_EQ(g.cursor, 4) << id;
    }
    QTest::mouseClick(f.window->button(CMD_PAUSE), Qt::LeftButton);
    EXPECT_FALSE(g.paused);
    EXPECT_EQ(f.caption(CMD_PAUSE), "||");
    f.command(CMD_PAUSE);
    EXPECT_TRUE(g.paused);
    EXPECT_EQ(f.caption(CMD_PAUSE), "■");
    g.thinking = false;

    // Saved, reset, loaded back.
    const auto before = std::make_unique<MoveRecord>(g.moveRecord);
    const std::string file = std::filesystem::temp_directory_path() /
                             ("kaz_ui_test_" + std::to_string(::getpid()) + ".kif");
    f.dialogs.queueFile(file);
    f.command(CMD_SAVE_RECORD);
    EXPECT_EQ(f.dialogs.lastFilter(), "KIF/CSA files {*.kif *.csa}|*.kif *.csa");
    f.command(CMD_START_RESET);
    EXPECT_FALSE(g.started);
    EXPECT_EQ(f.caption(CMD_START_RESET), "開始");
    EXPECT_EQ(f.caption(CMD_PAUSE), "||");
    EXPECT_EQ(g.statusText.get(), "開始するには開始ボタンを押してください。");
    f.dialogs.queueFile(file);
    f.command(CMD_LOAD_RECORD);
    std::filesystem::remove(file);
    EXPECT_EQ(g.recordLength, 4);
    for (int k = 0; k <= 4; ++k) EXPECT_EQ(g.moveRecord.boards[k], before->boards[k]) << k;
    EXPECT_EQ(f.caption(CMD_START_RESET), "初期化");
    // A cancelled dialog changes nothing; the loaded game can be turned round.
    f.command(CMD_LOAD_RECORD);
    EXPECT_EQ(g.recordLength, 4);
    f.command(CMD_SWAP_SIDES);
    EXPECT_EQ(g.humanIsSecond, 1);
}

// Runs `open`, closes the first modal dialog it shows and returns that dialog's texts.
QString textOfModalOpenedBy(const std::function<void()>& open) {
    QString seen;
    QTimer::singleShot(0, [&seen] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        for (const QLabel* label : dialog->findChildren<QLabel*>()) seen += label->text();
        dialog->accept();
    });
    open();
    return seen;
}

QAction* menuItem(WindowFixture& f, const QString& text) {
    for (QAction* action : f.window->findChildren<QAction*>())
        if (action->text() == text) return action;
    ADD_FAILURE() << "no menu item " << text.toStdString();
    return nullptr;
}

void triggerMenuItem(WindowFixture& f, const QString& text) {
    if (QAction* action = menuItem(f, text)) action->trigger();
    f.settle();
}

// Copy and paste through the ファイル menu and the offscreen platform's clipboard.
TEST(Commands, PositionCopyAndPasteThroughTheClipboard) {
    WindowFixture f;
    GameState& g = f.g();
    QClipboard* clipboard = QGuiApplication::clipboard();
    f.start(/*humanFirst=*/true);
    playFourMoves(f);
    triggerMenuItem(f, "局面をコピー");
    EXPECT_EQ(clipboard->text().toStdString(),
              "lnsgkgsnl/1r5b1/p1pppp1pp/1p4p2/9/2P4P1/PP1PPPP1P/1B5R1/LNSGKGSNL b - 5");

    const GameBoard board = g.board;
    clipboard->setText(QStringLiteral("not a position"));
    triggerMenuItem(f, "局面を貼り付け");
    EXPECT_EQ(f.dialogs.takeMessages(),
              (std::vector<Msg>{
                  {"クリップボードの局面・棋譜を読み込めませんでした。", "貼り付けエラー"}}));
    EXPECT_EQ(g.board, board);
    EXPECT_EQ(g.recordLength, 4);

    // A handicap game from a USI line: the unsaved game goes only when the player agrees.
    const QString line = QStringLiteral(
        "position sfen lnsgkgsn1/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1 moves "
        "3c3d 7g7f");
    clipboard->setText(line);
    f.dialogs.queueYesNo(false);
    triggerMenuItem(f, "局面を貼り付け");
    EXPECT_EQ(f.dialogs.questions().back(),
              (Msg{"保存していない対局を破棄して貼り付けますか？", "局面を貼り付け"}));
    EXPECT_EQ(g.recordLength, 4);
    f.dialogs.queueYesNo(true);
    triggerMenuItem(f, "局面を貼り付け");
    EXPECT_EQ(g.recordLength, 2);
    EXPECT_EQ(g.cursor, 0);
    EXPECT_TRUE(g.moveRecord.header.goteFirst);
    EXPECT_FALSE(g.humanToMove);  // 上手, the computer, moves first; the human keeps sente
    EXPECT_EQ(g.board[cellOf(0, 8)], EMPTY);
    triggerMenuItem(f, "局面をコピー");
    EXPECT_EQ(clipboard->text(), line.mid(14, 63));
}

TEST(Commands, HandicapChosenInTheMenuStartsTheNextGame) {
    WindowFixture f;
    triggerMenuItem(f, "二枚落ち");
    f.start(/*humanFirst=*/false);  // the human takes 下手: the computer gives and moves first
    EXPECT_EQ(f.dialogs.questions().back().caption, "二枚落ち：上手・下手の選択");
    EXPECT_FALSE(f.g().humanToMove);
    EXPECT_EQ(f.g().board[cellOf(1, 1)], EMPTY);  // 上手's rook and bishop are off the board
    EXPECT_EQ(f.g().board[cellOf(1, 7)], EMPTY);
}

TEST(Commands, AboutBoxFromTheMenuAndBothShortcutsAndExit) {
    WindowFixture f;
    // The client area shows board, hands, buttons and status line whole.
    EXPECT_GE(f.window->boardView()->width(), INITIAL_CLIENT_WIDTH);
    EXPECT_GE(f.window->boardView()->height(), INITIAL_CLIENT_HEIGHT);

    EXPECT_TRUE(textOfModalOpenedBy([&] { f.command(CMD_ABOUT); }).contains(KAZ_VERSION));
    for (const Qt::Key key : {Qt::Key_Question, Qt::Key_Slash}) {
        // Shortcuts reach the active window only.
        f.window->windowHandle()->requestActivate();
        ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
        const QString viaKeys =
            textOfModalOpenedBy([&] { QTest::keyClick(f.window.get(), key, Qt::AltModifier); });
        EXPECT_TRUE(viaKeys.contains("Kazaguruma")) << "key " << key;
    }
    f.command(CMD_EXIT);
    EXPECT_FALSE(f.window->isVisible());
}

// The think-time choice goes to the game at once and is remembered for the next run.
TEST(Commands, ThinkTimeChoiceIsStoredAndReadBack) {
    QSettings(QStringLiteral("kazaguruma"), QStringLiteral("kazaguruma")).clear();
    {
        WindowFixture f;
        EXPECT_EQ(f.g().thinkTimeMs.load(), -1);
        EXPECT_TRUE(menuItem(f, "制限なし")->isChecked());
        menuItem(f, "10秒")->trigger();
        EXPECT_EQ(f.g().thinkTimeMs.load(), 10000);
        EXPECT_FALSE(menuItem(f, "制限なし")->isChecked());
    }
    WindowFixture next;
    EXPECT_EQ(next.g().thinkTimeMs.load(), 10000);
    EXPECT_TRUE(menuItem(next, "10秒")->isChecked());
    menuItem(next, "制限なし")->trigger();
    EXPECT_EQ(next.g().thinkTimeMs.load(), -1);
    EXPECT_EQ(QSettings(QStringLiteral("kazaguruma"), QStringLiteral("kazaguruma"))
                  .value(QStringLiteral("think/timeMs"))
                  .toInt(),
              -1);
}

}  // namespace
}  // namespace kaz::test
