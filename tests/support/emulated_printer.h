#pragma once

// The built-in emulated printers for the tests: a factory-fresh printer of each model, made
// present on the tool's link as the identification would leave it, and the frames it received.
#include "core/clock.h"
#include "core/global.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "printer.h"

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

} // namespace fixture
