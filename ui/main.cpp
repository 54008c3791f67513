#include <QApplication>
#include <QIcon>
#include <memory>

#include "engine/search/searcher.h"
#include "game/game_state.h"
#include "ui/main_window.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kazaguruma"));
    QApplication::setDesktopFileName(QStringLiteral("kazaguruma"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kazaguruma.png")));

    // Both live for the whole run; large, so on the heap.
    auto game = std::make_unique<kaz::GameState>();
    auto searcher = std::make_unique<kaz::Searcher>();
    kaz::ui::MainWindow window(*game, *searcher);
    window.show();
    return QApplication::exec();
}
