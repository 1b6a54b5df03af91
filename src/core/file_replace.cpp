#include "core/file_replace.h"

#include <QSaveFile>

bool writeFileReplacing(const QString &path, const QByteArray &data, QString *error) {
    QSaveFile file(path);
    // Where no temporary file can be made beside the target (a read-only folder), nothing is
    // written rather than the file overwritten in place.
    file.setDirectWriteFallback(false);
    bool written = file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
    // A write that the system cut short (a full disk, a size limit) is only seen when the
    // buffer goes out, and the commit would still give the short file the name: the bytes
    // are flushed and counted before it.
    written = written && file.flush() && file.size() == data.size();
    if (!written) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
