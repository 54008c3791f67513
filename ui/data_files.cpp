#include "ui/data_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace kaz::ui {

QStringList dataFolders() {
    QStringList folders{QDir::currentPath()};
    if (QCoreApplication::instance() != nullptr) {
        const QString exeDir = QCoreApplication::applicationDirPath();
        folders << exeDir << QDir::cleanPath(exeDir + QStringLiteral("/../share/kazaguruma"));
    }
#ifdef KAZ_DATA_DIR
    folders << QStringLiteral(KAZ_DATA_DIR);
#endif
#ifdef KAZ_SOURCE_IMAGES
    folders << QStringLiteral(KAZ_SOURCE_IMAGES);
#endif
    folders.removeDuplicates();
    return folders;
}

QString findDataFile(const QString& relative) {
    for (const QString& folder : dataFolders()) {
        const QString path = QDir(folder).filePath(relative);
        if (QFileInfo(path).isFile()) return path;
    }
    return relative;
}

}  // namespace kaz::ui
