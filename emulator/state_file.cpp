#include "state_file.h"

#include "printer.h"

#include <QFile>
#include <QSaveFile>
#include <QtDebug>

namespace emu::StateFile {

bool load(Printer &printer, const QString &path, QString *error) {
    QFile file(path);
    if (!file.exists())
        return true;
    QString reason;
    if (!file.open(QIODevice::ReadOnly))
        reason = file.errorString();
    else if (printer.restoreState(file.readAll(), &reason))
        return true;
    if (error)
        *error = QStringLiteral("arquivo de estado %1 recusado: %2").arg(path, reason);
    return false;
}

bool write(const QString &path, const QByteArray &json, QString *error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(json) == json.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

void keep(Printer &printer, const QString &path) {
    printer.setStateObserver([path](const QByteArray &json) {
        QString error;
        if (!write(path, json, &error))
            qWarning().noquote() << "não foi possível gravar o estado em" << path << ":" << error;
    });
}

} // namespace emu::StateFile
