#pragma once

// What the window tests share: the built-in emulated printers, a printer made present on
// the link as the identification would leave it, and finding a window's controls by name.
#include "core/clock.h"
#include "core/global.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "printer.h"

#include <QPushButton>
#include <QTest>
#include <QWidget>

namespace fixture {

constexpr uint ModelB = 1; // MV4700
constexpr uint ModelA = 2; // MV210

inline QString portOf(uint model) {
    return QString::fromLatin1(model == ModelA ? EmulatedPorts::ModelAPort
                                               : EmulatedPorts::ModelBPort);
}

inline std::shared_ptr<emu::Printer> printer(uint model) {
    return EmulatedPorts::printerFor(portOf(model));
}

// Both emulated printers as from the factory, protocol durations shortened, state reset.
inline void freshPrinters(double clockScale = 0.01) {
    printerLink().ClosePort();
    EmulatedPorts::replacePrinters();
    resetToolState();
    Clock::setScale(clockScale);
}

// The printer of `model` identified and present on an open link, its received frames cleared.
inline bool connectPrinter(uint model) {
    toolState().ModelCode = model;
    toolState().PrinterPresent = true;
    if (printerLink().OpenPort(portOf(model), 9600, false) != 0)
        return false;
    printer(model)->clearReceivedFrames();
    return true;
}

// connectPrinter() with the printer identified as `serial` with `firmware`, ECF number 0001.
inline bool identifyPrinter(uint model, const QByteArray &serial, const QByteArray &firmware) {
    printer(model)->setIdentity({serial, firmware, "0001"});
    ToolState &state = toolState();
    state.FirmwareVersionNumber = firmware.toDouble();
    state.FirmwareVersion.set(QString::fromLatin1(firmware));
    state.PrinterSerial.set(QString::fromLatin1(serial));
    state.EcfNumber.set(QStringLiteral("0001"));
    return connectPrinter(model);
}

// The frames the printer of `model` received that begin with `start`, oldest first.
inline QList<QByteArray> framesStartingWith(uint model, const QByteArray &start) {
    QList<QByteArray> found;
    for (const QByteArray &frame : printer(model)->receivedFrames())
        if (frame.startsWith(start))
            found << frame;
    return found;
}

inline void disconnectPrinter() {
    printerLink().ClosePort();
    Clock::setScale(1.0);
}

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
