#include "ui/main_window.h"

#include <QActionGroup>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSocketNotifier>
#include <QVBoxLayout>
#include <QWindow>
#include <QtMath>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/eventfd.h>
#include <unistd.h>

#include "engine/position/handicap.h"
#include "engine/search/searcher.h"
#include "game/turn_control.h"
#include "ui/commands.h"
#include "ui/data_files.h"
#include "ui/layout.h"
#include "ui/think_time_menu.h"
#include "ui/user_settings.h"

namespace kaz::ui {

namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString qtFilter(const FileFilter& filter) {
    return QStringLiteral("%1 (%2)").arg(fromUtf8(filter.label), fromUtf8(filter.pattern));
}

std::optional<std::string> runFileDialog(QWidget* parent, const FileFilter& filter, bool save) {
    QFileDialog dialog(parent);
    dialog.setNameFilter(qtFilter(filter));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (save) {
        // The name is used as typed; an existing file is replaced only after asking.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

}  // namespace

QString aboutText() {
    return QStringLiteral("将棋の対局プログラム  バージョン %1").arg(QStringLiteral(KAZ_VERSION));
}

QString creditText() { return QStringLiteral("Kazaguruma %1").arg(QStringLiteral(KAZ_VERSION)); }

// --- BoardView ----------------------------------------------------------------------------

BoardView::BoardView(MainWindow& window, BoardPainter& painter)
    : QWidget(&window), window_(window), painter_(painter) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize BoardView::sizeHint() const {
    const qreal zoom = painter_.zoom();
    return {qRound(INITIAL_CLIENT_WIDTH * zoom), qRound(INITIAL_CLIENT_HEIGHT * zoom)};
}

void BoardView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // The canvas is copied unchanged from its top-left corner.
    painter_.withCanvas([&p](const QImage& canvas) { p.drawImage(0, 0, canvas); });
}

void BoardView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPointF at = event->position() / painter_.zoom();
    window_.handleClick(qFloor(at.x()), qFloor(at.y()));
}

// --- WindowBridge -------------------------------------------------------------------------

WindowBridge::WindowBridge(MainWindow& window, WindowPort* dialogs)
    : window_(window), dialogs_(dialogs), wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (wakeFd_ < 0) qFatal("eventfd: %s", std::strerror(errno));
    wakeNotifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
    QObject::connect(wakeNotifier_.get(), &QSocketNotifier::activated, &window_,
                     [this] { paintRequested(); });
}

WindowBridge::~WindowBridge() {
    wakeNotifier_.reset();
    ::close(wakeFd_);
}

void WindowBridge::repaint() {
    if (detached_ || paintQueued_.exchange(true)) return;
    const std::uint64_t one = 1;
    // Cannot fail short of a full counter, which would still wake the window thread.
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void WindowBridge::paintRequested() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &count, sizeof count);
    // Cleared before painting, so that a change made during this paint asks for another; as a
    // read-modify-write it also sees every request made so far.
    paintQueued_.exchange(false);
    if (!detached_) window_.paintBoard();
}

void WindowBridge::showMessage(std::string_view text, std::string_view caption) {
    if (dialogs_ != nullptr) return dialogs_->showMessage(text, caption);
    QMessageBox box(QMessageBox::NoIcon, fromUtf8(caption), fromUtf8(text), QMessageBox::Ok,
                    &window_);
    box.exec();
}

bool WindowBridge::askYesNo(std::string_view text, std::string_view caption) {
    if (dialogs_ != nullptr) return dialogs_->askYesNo(text, caption);
    return QMessageBox::question(&window_, fromUtf8(caption), fromUtf8(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::string> WindowBridge::chooseOpenFile(const FileFilter& filter) {
    if (dialogs_ != nullptr) return dialogs_->chooseOpenFile(filter);
    return runFileDialog(&window_, filter, false);
}

std::optional<std::string> WindowBridge::chooseSaveFile(const FileFilter& filter) {
    if (dialogs_ != nullptr) return dialogs_->chooseSaveFile(filter);
    return runFileDialog(&window_, filter, true);
}

// The real clipboard even with scripted dialogs: it needs no answer from a person.
std::string WindowBridge::clipboardText() {
    return QGuiApplication::clipboard()->text().toStdString();
}

void WindowBridge::setClipboardText(std::string_view text) {
    QGuiApplication::clipboard()->setText(fromUtf8(text));
}

void WindowBridge::setButtonCaption(GameButton button, std::string_view caption) {
    QPushButton* b = window_.button(button == GameButton::Start ? CMD_START_RESET : CMD_PAUSE);
    if (b != nullptr) b->setText(fromUtf8(caption));
}

// --- MainWindow ---------------------------------------------------------------------------

MainWindow::MainWindow(GameState& game, Searcher& searcher, WindowOptions options)
    : game_(game), searcher_(searcher), bridge_(*this, options.dialogs) {
    setWindowTitle(QStringLiteral("Kazaguruma"));
    setWindowIcon(QIcon(QStringLiteral(":/kazaguruma.png")));
    painter_.loadWallpaper(findDataFile(QStringLiteral("wallpaper.jpg")));
    painter_.setCredit(creditText());

    view_ = new BoardView(*this, painter_);
    setCentralWidget(view_);

    // As the window comes up: a fresh game, its pictures, a first paint, then the workers, which
    // may already queue paints before the buttons exist.
    game_.window = &bridge_;
    initGame(game_);
    painter_.loadPieceImages(findDataFile);
    paintBoard();
    if (options.startWorkers) {
        workers_ = std::make_unique<TurnControl>(game_, searcher_, options.think);
        workers_->start();
    }

    createButtons();
    createMenu();
    setZoom(storedZoom(), false);
}

MainWindow::~MainWindow() {
    bridge_.detach();
    workers_.reset();  // stops and joins the worker threads
    static NullWindowPort detachedWindow;
    game_.window = &detachedWindow;
}

void MainWindow::createButtons() {
    for (const ButtonSpec& spec : BUTTONS) {
        auto* b = new QPushButton(QString::fromUtf8(spec.caption), view_);
        b->setFocusPolicy(Qt::NoFocus);
        const int id = spec.id;
        connect(b, &QPushButton::clicked, this, [this, id] { handleCommand(id); });
        buttons_[id] = b;
    }
    buttonFont_ = buttons_[0]->font();
    placeButtons();
}

void MainWindow::placeButtons() {
    const qreal zoom = painter_.zoom();
    QFont font = buttonFont_;
    if (font.pixelSize() > 0)
        font.setPixelSize(qRound(font.pixelSize() * zoom));
    else
        font.setPointSizeF(font.pointSizeF() * zoom);
    for (const ButtonSpec& spec : BUTTONS) {
        QPushButton* b = buttons_[spec.id];
        b->setGeometry(qRound(spec.x * zoom), qRound(spec.y * zoom), qRound(spec.width * zoom),
                       qRound(spec.height * zoom));
        b->setFont(font);
    }
}

int storedZoom() {
    const int percent = userSettings().value(QLatin1String(ZOOM_SETTING), 100).toInt();
    return std::ranges::find(ZOOM_LEVELS, percent) != std::end(ZOOM_LEVELS) ? percent : 100;
}

void MainWindow::setZoom(int percent, bool remember) {
    if (std::ranges::find(ZOOM_LEVELS, percent) == std::end(ZOOM_LEVELS)) percent = 100;
    zoomPercent_ = percent;
    for (QAction* action : zoomActions_) action->setChecked(action->data().toInt() == percent);
    if (remember) userSettings().setValue(QLatin1String(ZOOM_SETTING), percent);
    painter_.setScale(view_->devicePixelRatioF(), percent / 100.0);
    placeButtons();
    view_->updateGeometry();
    paintBoard();
    resize(sizeHint());
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!followingScreens_ && windowHandle() != nullptr) {
        // Moved to a screen of another pixel density: draw the canvas again for it.
        connect(windowHandle(), &QWindow::screenChanged, this, [this] { followDeviceRatio(); });
        followingScreens_ = true;
        followDeviceRatio();
    }
}

void MainWindow::followDeviceRatio() {
    if (view_->devicePixelRatioF() == painter_.deviceRatio()) return;
    painter_.setScale(view_->devicePixelRatioF(), painter_.zoom());
    paintBoard();
}

void MainWindow::createMenu() {
    const auto addItem = [this](QMenu* menu, const QString& text, int id) {
        connect(menu->addAction(text), &QAction::triggered, this,
                [this, id] { handleCommand(id); });
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    addItem(file, QStringLiteral("棋譜を読み込む"), CMD_LOAD_RECORD);
    addItem(file, QStringLiteral("棋譜を保存する"), CMD_SAVE_RECORD);
    addItem(file, QStringLiteral("盤を反転させる"), CMD_SWAP_SIDES);
    addItem(file, QStringLiteral("局面をコピー"), CMD_COPY_POSITION);
    addItem(file, QStringLiteral("局面を貼り付け"), CMD_PASTE_POSITION);
    createHandicapMenu(file);
    addItem(file, QStringLiteral("終了する(&X)"), CMD_EXIT);
    QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    auto* zooms = new QActionGroup(this);
    for (const int percent : ZOOM_LEVELS) {
        QAction* action = view->addAction(QStringLiteral("%1 %").arg(percent));
        action->setCheckable(true);
        action->setData(percent);
        action->setActionGroup(zooms);
        connect(action, &QAction::triggered, this, [this, percent] { setZoom(percent); });
        zoomActions_ << action;
    }
    addThinkTimeMenu(menuBar(), game_);
    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    addItem(help, QStringLiteral("バージョン情報(&A)..."), CMD_ABOUT);

    // Alt with "?" or "/" opens the About box.
    for (const QKeyCombination keys : {QKeyCombination(Qt::AltModifier, Qt::Key_Question),
                                       QKeyCombination(Qt::AltModifier, Qt::Key_Slash)}) {
        auto* shortcut = new QShortcut(QKeySequence(keys), this);
        connect(shortcut, &QShortcut::activated, this, [this] { handleCommand(CMD_ABOUT); });
    }
}

// ファイル → 手合割: the start of the next game, one of the standard handicaps (平手 at first).
void MainWindow::createHandicapMenu(QMenu* file) {
    QMenu* menu = file->addMenu(QStringLiteral("手合割"));
    auto* group = new QActionGroup(menu);
    for (int i = 0; i < static_cast<int>(HANDICAPS.size()); ++i) {
        QAction* action = menu->addAction(fromUtf8(HANDICAPS[i].name));
        action->setCheckable(true);
        action->setChecked(i == game_.startHandicap);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, i] { handleCommand(CMD_HANDICAP + i); });
    }
}

QPushButton* MainWindow::button(int id) const { return id >= 0 && id < 6 ? buttons_[id] : nullptr; }

void MainWindow::handleCommand(int id) {
    ui::handleCommand(game_, entry_, id);
    if (id == CMD_ABOUT) showAbout();
    if (id == CMD_EXIT) close();
}

void MainWindow::handleClick(int x, int y) { ui::handleClick(game_, entry_, x, y); }

void MainWindow::paintBoard() {
    const GameView view = viewForPainting(game_);
    painter_.paint(view, entry_, searcher_.progress());
    if (view_ != nullptr) view_->update();
}

void MainWindow::showAbout() {
    QDialog box(this);
    box.setWindowTitle(QStringLiteral("バージョン情報"));
    auto* icon = new QLabel(&box);
    icon->setPixmap(windowIcon().pixmap(48, 48));
    auto* text = new QLabel(QStringLiteral("Kazaguruma\n") + aboutText(), &box);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(row);
    layout->addWidget(buttons);
    box.exec();
}

}  // namespace kaz::ui
