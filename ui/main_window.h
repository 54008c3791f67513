#pragma once

#include <QMainWindow>
#include <QWidget>
#include <atomic>
#include <memory>

#include "game/game_state.h"
#include "game/window_port.h"
#include "ui/board_painter.h"
#include "ui/move_entry.h"

class QPushButton;
class QSocketNotifier;

namespace kaz {
class Searcher;
class TurnControl;
}  // namespace kaz

namespace kaz::ui {

class MainWindow;

// The client area: shows the painter's canvas and passes left-button releases to the window.
class BoardView : public QWidget {
    Q_OBJECT
  public:
    BoardView(MainWindow& window, BoardPainter& painter);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    MainWindow& window_;
    BoardPainter& painter_;
};

// The game's view of the window. repaint() may come from any thread and only asks the window
// thread for a paint (several requests before it runs make one paint); the other calls come from
// the window thread. Message boxes, questions and file dialogs go to `dialogs` when one is given
// (a scripted stand-in), otherwise to Qt's dialogs.
//
// A paint is requested through an eventfd that the window thread's event loop watches, so that
// the worker threads never call into Qt: only the window thread touches Qt objects.
class WindowBridge final : public WindowPort {
  public:
    WindowBridge(MainWindow& window, WindowPort* dialogs);
    ~WindowBridge() override;

    void repaint() override;
    void showMessage(std::string_view text, std::string_view caption) override;
    bool askYesNo(std::string_view text, std::string_view caption) override;
    std::optional<std::string> chooseOpenFile(const FileFilter& filter) override;
    std::optional<std::string> chooseSaveFile(const FileFilter& filter) override;
    void setButtonCaption(GameButton button, std::string_view caption) override;

    // After this, repaint() requests are dropped (the window is going away).
    void detach() { detached_ = true; }

  private:
    void paintRequested();

    MainWindow& window_;
    WindowPort* dialogs_;
    int wakeFd_ = -1;
    std::unique_ptr<QSocketNotifier> wakeNotifier_;
    std::atomic<bool> paintQueued_{false};
    std::atomic<bool> detached_{false};
};

struct WindowOptions {
    // Start the turn and repaint threads (off for tests that drive the computer's side).
    bool startWorkers = true;
    // Stand-in for message boxes, questions and file dialogs; nullptr for the real ones.
    WindowPort* dialogs = nullptr;
    // How the computer thinks (a fixed seed makes a game repeatable).
    ThinkLimits think{};
};

// The main window: menu, six buttons, the board view, the About box. It attaches itself to the
// game as its window, sets the game up and starts the worker threads; on destruction it stops the
// threads and detaches again.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(GameState& game, Searcher& searcher, WindowOptions options = {});
    ~MainWindow() override;

    // A button or menu command: the game's part first, then the About box (104) or closing (105).
    void handleCommand(int id);
    // A left-button release at client pixel (x, y).
    void handleClick(int x, int y);
    // Draws the game into the canvas and schedules the view's update. Window thread.
    void paintBoard();
    // The modal About box.
    void showAbout();

    QPushButton* button(int id) const;
    BoardView* boardView() const { return view_; }
    BoardPainter& painter() { return painter_; }
    const MoveEntry& moveEntry() const { return entry_; }

  private:
    friend class WindowBridge;
    void createButtons();
    void createMenu();

    GameState& game_;
    Searcher& searcher_;
    BoardPainter painter_;
    MoveEntry entry_;
    WindowBridge bridge_;
    BoardView* view_ = nullptr;
    QPushButton* buttons_[6] = {};
    std::unique_ptr<TurnControl> workers_;
};

// The text of the About box's second line and of the credit line under the hands.
QString aboutText();
QString creditText();

}  // namespace kaz::ui
