#include "ui/think_time_menu.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "ui/user_settings.h"

namespace kaz::ui {
namespace {

const QString KEY = QStringLiteral("think/timeMs");

}  // namespace

void addThinkTimeMenu(QMenuBar* bar, GameState& game) {
    // A stored value that is not one of the choices (an edited file) means no limit.
    const int stored = userSettings().value(KEY, -1).toInt();
    int chosen = -1;
    for (const ThinkTimeChoice& c : THINK_TIMES)
        if (c.ms == stored) chosen = c.ms;
    game.thinkTimeMs = chosen;

    QMenu* settings = bar->addMenu(QStringLiteral("設定(&S)"));
    QMenu* time = settings->addMenu(QStringLiteral("思考時間"));
    auto* group = new QActionGroup(time);
    for (const ThinkTimeChoice& c : THINK_TIMES) {
        QAction* item = time->addAction(QString::fromUtf8(c.label));
        item->setCheckable(true);
        item->setChecked(c.ms == chosen);
        group->addAction(item);
        const int ms = c.ms;
        QObject::connect(item, &QAction::triggered, time, [&game, ms] {
            game.thinkTimeMs = ms;
            userSettings().setValue(KEY, ms);
        });
    }
}

}  // namespace kaz::ui
