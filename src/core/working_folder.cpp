#include "core/working_folder.h"

#include "core/global.h"

#include <QDir>
#include <QFileInfo>

namespace WorkingFolder {

QString path() {
    const QString folder = toolState().WorkingFolder.get();
    return folder.isEmpty() ? QDir::currentPath() : folder;
}

void set(const QString &folder) {
    toolState().WorkingFolder.set(folder.isEmpty() ? QString() : QDir(folder).absolutePath());
}

QString subfolder(const QString &name) {
    return QDir(path()).filePath(name);
}

QString bundledFile(const QString &fileName) {
    const QString own = QDir(path()).filePath(fileName);
    if (QFileInfo::exists(own))
        return own;
    return QDir(toolState().ProgramDirectory).filePath(fileName);
}

} // namespace WorkingFolder
