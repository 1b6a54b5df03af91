#pragma once

#include "link/transport.h"

#include <QString>

#include <chrono>
#include <deque>
#include <memory>

namespace emu {
class Printer;
}

// Connects the link to an emulated printer in this process. The printer's answer to a frame
// comes back as one chunk once the printer's delay (and, with pacing, the wire time at
// 9600 baud) has passed, so no test waits out a gap. A pause of the printer of 150 ms or more
// inside an answer starts a new chunk, as it does on a line.
class EmulatorTransport : public Transport {
public:
    explicit EmulatorTransport(std::shared_ptr<emu::Printer> printer);
    ~EmulatorTransport() override;

    bool open() override;
    void close() override;
    bool write(const QByteArray &frame) override;
    QByteArray readChunk(int totalMs, const std::atomic<bool> &cancel) override;
    bool purge() override;
    CtsLine cts() override;

private:
    using TimePoint = std::chrono::steady_clock::time_point;
    struct Pending {
        TimePoint readyAt;
        QByteArray bytes;
        bool thenOff = false; // the printer switches itself off once these bytes have left
    };

    std::shared_ptr<emu::Printer> printer;
    std::deque<Pending> pending;
    TimePoint lineFreeAt{}; // when the printer has finished sending what is queued
};

// The built-in emulated printers offered in the port list, one per model. Each keeps its
// state for the whole run, across port changes.
namespace EmulatedPorts {
extern const char *const ModelAPort; // "EMUL-MV210"
extern const char *const ModelBPort; // "EMUL-MV4700"
QStringList names();
// The printer behind an emulated port name, or nullptr for any other name.
std::shared_ptr<emu::Printer> printerFor(const QString &portName);
// Forgets both printers: the next printerFor() makes a new one, as from the factory (or as its
// state file keeps it). A port already open keeps talking to the printer it opened.
void replacePrinters();
// From now on both printers keep their state in `folder` ("emulador-MV210.json",
// "emulador-MV4700.json"): loaded now (into a printer already made, too), written whole after
// each change.
// Returns a message for each state file refused (damaged or unreadable): that printer starts
// as from the factory and its file is left as it is, not written over.
QStringList keepStateIn(const QString &folder);
QString stateFileName(const QString &portName);
} // namespace EmulatedPorts
