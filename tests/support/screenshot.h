#pragma once

#include <QPixmap>
#include <QString>

// Window tests leave pictures of the windows they drove for the documentation when
// TOOL_SCREENSHOT_DIR names a folder (`make screenshots` sets it to docs/); otherwise they
// only check that the window rendered.
inline bool saveScreenshot(const QPixmap &picture, const QString &name) {
    if (picture.isNull())
        return false;
    const QString folder = qEnvironmentVariable("TOOL_SCREENSHOT_DIR");
    return folder.isEmpty() || picture.save(folder + QLatin1Char('/') + name);
}
