#pragma once

#include <QByteArray>
#include <QString>

// Writes `data` to `path`, replacing the file that is there. The bytes go to a temporary file
// beside the target, which takes the target's name only once every byte is on disk; a failure
// at any point (no permission, a full disk, a folder that does not exist) leaves the earlier
// file exactly as it was and no temporary file behind. On failure returns false and puts the
// system's reason in `error` when given.
bool writeFileReplacing(const QString &path, const QByteArray &data, QString *error = nullptr);
