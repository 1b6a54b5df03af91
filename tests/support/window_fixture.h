#pragma once

// What the window tests share: the emulated printers (emulated_printer.h) and finding a
// window's controls by name.
#include "support/emulated_printer.h"

#include <QPushButton>
#include <QTest>
#include <QWidget>

namespace fixture {

template <class T> T *control(QWidget *window, const char *name) {
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

inline void click(QWidget *window, const char *name) {
    QTest::mouseClick(control<QPushButton>(window, name), Qt::LeftButton);
}

// Types `keys` into a control, one key at a time ('\x1b' for Esc).
inline void type(QWidget *window, const char *name, const QString &keys) {
    QWidget *target = control<QWidget>(window, name);
    for (QChar c : keys) {
        if (c == QChar(0x1b))
            QTest::keyClick(target, Qt::Key_Escape);
        else
            QTest::keyClicks(target, QString(c));
    }
}

inline bool showWindow(QWidget *window) {
    window->show();
    return QTest::qWaitForWindowExposed(window);
}

} // namespace fixture
