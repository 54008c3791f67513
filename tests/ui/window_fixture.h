#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

#include "engine/search/searcher.h"
#include "game/game_state.h"
#include "tests/support/scripted_window.h"
#include "tests/support/searcher_access.h"
#include "ui/commands.h"
#include "ui/data_files.h"
#include "ui/layout.h"
#include "ui/main_window.h"

namespace kaz::test {

// The real main window on the offscreen platform, with scripted message boxes, questions and
// file dialogs. Without workers the test plays the computer's side itself.
struct WindowFixture {
    std::unique_ptr<GameState> game = std::make_unique<GameState>();
    std::unique_ptr<Searcher> searcher = std::make_unique<Searcher>();
    ScriptedWindow dialogs;
    std::unique_ptr<ui::MainWindow> window;

    // seed: of every think of the computer (0: from the time).
    explicit WindowFixture(bool workers = false, unsigned seed = 0) {
        window = std::make_unique<ui::MainWindow>(
            *game, *searcher, ui::WindowOptions{workers, &dialogs, ThinkLimits{.seed = seed}});
        window->show();
        settle();
    }
    GameState& g() { return *game; }

    // Runs the queued paints and other pending events.
    void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    // Processes events until `done` holds or `ms` have passed; returns whether it holds.
    bool waitUntil(const std::function<bool()>& done, int ms) {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > ms) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QTest::qWait(5);
        }
        settle();
        return true;
    }

    const QImage& canvas() {
        settle();
        return window->painter().offscreenImage();
    }
    QColor pixel(int x, int y) { return canvas().pixelColor(x, y); }
    // A cell's colour, read inside its outline next to the top-left corner, outside the piece.
    QColor cellColour(int col, int row) { return pixel(40 * col + 2, 40 * row + 2); }

    // A real left click (press and release) on the board view, or in the middle of a cell.
    void clickAt(QPoint at) {
        QTest::mouseClick(window->boardView(), Qt::LeftButton, Qt::NoModifier, at);
        settle();
    }
    void clickCell(int col, int row) { clickAt(QPoint(40 * col + 20, 40 * row + 20)); }
    // A move entered as a player does: a click on the piece, then one on its target.
    void clickMove(int fromCol, int fromRow, int toCol, int toRow) {
        clickCell(fromCol, fromRow);
        clickCell(toCol, toRow);
    }
    void command(int id) {
        window->handleCommand(id);
        settle();
    }
    QString caption(int id) const { return window->button(id)->text(); }

    // Starts a game through the start button, answering who moves first.
    void start(bool humanFirst = true) {
        dialogs.queueYesNo(humanFirst);
        command(ui::CMD_START_RESET);
    }
};

inline const QColor YELLOW(255, 255, 0), RED(255, 0, 0), BLUE(0, 0, 255), GREEN(0, 255, 0),
    WHITE(255, 255, 255);

// A picture as the program reads it (white is transparent).
inline QImage picture(const QString& name) {
    return QImage(ui::findDataFile(name)).convertToFormat(QImage::Format_RGB32);
}

// Pixels of the canvas's `area` (a yellow cell or hand row, inside its outline) that differ from
// `piece` drawn at (left, top) of it for each of `lefts` (later ones on top), white left out.
inline int differingPixels(const QImage& canvas, const QImage& piece,
                           std::initializer_list<int> lefts, int top, const QRect& area) {
    QImage expected(area.size(), QImage::Format_RGB32);
    expected.fill(YELLOW);
    for (int left : lefts)
        for (int y = 0; y < piece.height(); ++y)
            for (int x = 0; x < piece.width() && left + x < area.width(); ++x)
                if ((piece.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                    expected.setPixel(left + x, top + y, piece.pixel(x, y));
    int differing = 0;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            differing += (canvas.pixel(area.x() + x, area.y() + y) & 0xFFFFFF) !=
                         (expected.pixel(x, y) & 0xFFFFFF);
    return differing;
}

}  // namespace kaz::test
