#pragma once

#include <QFont>
#include <QList>
#include <QMainWindow>
#include <QWidget>
#include <atomic>
#include <memory>

#include "game/game_state.h"
#include "game/window_port.h"
#include "ui/board_painter.h"
#include "ui/move_entry.h"

class QMenu;
class QPushButton;
class QSocketNotifier;

namespace kaz {
class Searcher;
class TurnControl;
}  // namespace kaz

namespace kaz::ui {

class MainWindow;

// The client area: shows the painter's canvas and passes left-button releases to the window,
// in the layout's pixels (window pixels divided by the zoom).
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
    std::string clipboardText() override;
    void setClipboardText(std::string_view text) override;

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

    // Enlarges the whole client area (board, hands, texts, buttons) to `percent` of its size:
    // one of ZOOM_LEVELS, anything else counts as 100. Remembered in the settings for the next
    // run when `remember` is set.
    void setZoom(int percent, bool remember = true);
    int zoomPercent() const { return zoomPercent_; }
    // Draws the canvas again for the view's current device pixel ratio, when it has changed.
    void followDeviceRatio();

    QPushButton* button(int id) const;
    BoardView* boardView() const { return view_; }
    BoardPainter& painter() { return painter_; }
    const MoveEntry& moveEntry() const { return entry_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    friend class WindowBridge;
    void createButtons();
    void createMenu();
    void placeButtons();
    void createHandicapMenu(QMenu* file);

    GameState& game_;
    Searcher& searcher_;
    BoardPainter painter_;
    MoveEntry entry_;
    WindowBridge bridge_;
    BoardView* view_ = nullptr;
    QPushButton* buttons_[6] = {};
    QFont buttonFont_;
    int zoomPercent_ = 100;
    bool followingScreens_ = false;
    QList<QAction*> zoomActions_;
    std::unique_ptr<TurnControl> workers_;
};

// The zoom levels of the 表示 menu, in percent.
inline constexpr int ZOOM_LEVELS[] = {100, 150, 200};
// The zoom stored in the settings (QSettings, organisation and application "kazaguruma", key
// ZOOM_SETTING); 100 when none or an unknown one is stored.
inline constexpr const char* ZOOM_SETTING = "view/zoom";
int storedZoom();

// The text of the About box's second line and of the credit line under the hands.
QString aboutText();
QString creditText();

}  // namespace kaz::ui
