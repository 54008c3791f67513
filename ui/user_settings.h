#pragma once

#include <QSettings>

namespace kaz::ui {

// The user's settings file (~/.config/kazaguruma/kazaguruma.conf): the zoom and the think time.
inline QSettings userSettings() {
    return QSettings(QStringLiteral("kazaguruma"), QStringLiteral("kazaguruma"));
}

}  // namespace kaz::ui
