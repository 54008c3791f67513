#pragma once

#include <QString>
#include <QStringList>

namespace kaz::ui {

// Folders searched for the pictures, in order: the working directory, the executable's folder,
// the installed data folder beside it (../share/kazaguruma), the data folder of the configured
// install prefix, and the pictures in the source tree (for a program run from its build tree).
QStringList dataFolders();

// The path of the first existing `relative` (e.g. "koma/hu1.gif") in dataFolders(); `relative`
// itself when none has it, so that reading it simply fails.
QString findDataFile(const QString& relative);

}  // namespace kaz::ui
