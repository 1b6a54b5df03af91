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

QString choose(const QString &given, const QString &current, const QString &documents) {
    QString folder = given;
    if (folder.isEmpty())
        folder = QFileInfo::exists(QDir(current).filePath(QStringLiteral("Tool.cfg")))
                     ? current
                     : QDir(documents).filePath(QLatin1String(ToolName));
    folder = QDir(folder).absolutePath();
    QDir().mkpath(folder);
    return folder;
}

QString subfolder(const QString &name) {
    return QDir(path()).filePath(name);
}

QString bundledFile(const QString &fileName) {
    const QDir program(toolState().ProgramDirectory);
    const QString candidates[] = {
        QDir(path()).filePath(fileName), program.filePath(fileName),
        program.filePath(QStringLiteral("../share/%1/%2").arg(QLatin1String(ToolName), fileName))};
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return QDir::cleanPath(candidate);
    }
    return candidates[1];
}

} // namespace WorkingFolder
