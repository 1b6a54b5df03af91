#include "link/emulator_transport.h"

#include "printer.h"
#include "state_file.h"

#include <QDir>

#include <QStringList>

#include <algorithm>
#include <mutex>
#include <thread>

using namespace std::chrono;

namespace {
constexpr auto Slice = milliseconds(50);

steady_clock::duration wireTime(int bytes) {
    return duration_cast<steady_clock::duration>(
        duration<double, std::milli>(emu::wireTimeMs(bytes)));
}

// Queues the printer's answers behind what the line still carries; returns when the line is
// free again. Bytes that follow within the gap arrive in the same chunk, as on a real line.
template <class Queue>
steady_clock::time_point enqueue(Queue &pending, steady_clock::time_point lineFreeAt,
                                 const std::vector<emu::Reply> &replies, bool paced) {
    steady_clock::time_point at = std::max(steady_clock::now(), lineFreeAt);
    for (const emu::Reply &reply : replies) {
        for (const emu::Segment &segment : reply) {
            if (segment.bytes.isEmpty())
                continue;
            at += milliseconds(segment.pauseMs);
            if (paced)
                at += wireTime(int(segment.bytes.size()));
            if (!pending.empty() && segment.pauseMs < Transport::ChunkGapMs) {
                pending.back().bytes += segment.bytes;
                pending.back().readyAt = at;
                pending.back().thenOff = segment.thenOff;
            } else {
                pending.push_back({at, segment.bytes, segment.thenOff});
            }
        }
    }
    return at;
}
} // namespace

EmulatorTransport::EmulatorTransport(std::shared_ptr<emu::Printer> p) : printer(std::move(p)) {
}

EmulatorTransport::~EmulatorTransport() = default;

bool EmulatorTransport::open() {
    return printer != nullptr;
}

void EmulatorTransport::close() {
    pending.clear();
}

bool EmulatorTransport::write(const QByteArray &frame) {
    const bool paced = printer->pacing();
    // What the printer sent on its own before this frame comes first on the line.
    lineFreeAt = enqueue(pending, lineFreeAt, printer->poll(), paced);
    if (paced)
        std::this_thread::sleep_for(wireTime(int(frame.size())));
    lineFreeAt = enqueue(pending, lineFreeAt, printer->receive(frame), paced);
    return true;
}

QByteArray EmulatorTransport::readChunk(int totalMs, const std::atomic<bool> &cancel) {
    const TimePoint deadline = steady_clock::now() + milliseconds(totalMs);
    for (;;) {
        if (cancel)
            return {};
        // An answer the printer gives later (an authentication once its slip is in) joins the
        // queue while the link waits.
        if (std::vector<emu::Reply> late = printer->poll(); !late.empty())
            lineFreeAt = enqueue(pending, lineFreeAt, late, printer->pacing());
        const TimePoint now = steady_clock::now();
        if (!pending.empty() && pending.front().readyAt <= now) {
            Pending &front = pending.front();
            if (!printer->powered()) {
                pending.clear();
                continue;
            }
            QByteArray chunk = front.bytes.left(MaxChunk);
            front.bytes.remove(0, chunk.size());
            if (front.bytes.isEmpty()) {
                if (front.thenOff)
                    printer->segmentSent({0, {}, true});
                pending.pop_front();
            }
            return chunk;
        }
        if (totalMs >= 0 && now >= deadline)
            return {};
        TimePoint wake = now + Slice;
        if (!pending.empty())
            wake = std::min(wake, pending.front().readyAt);
        if (totalMs >= 0)
            wake = std::min(wake, deadline);
        std::this_thread::sleep_until(wake);
    }
}

bool EmulatorTransport::purge() {
    pending.clear();
    return true;
}

CtsLine EmulatorTransport::cts() {
    return printer->ctsOn() ? CtsLine::On : CtsLine::Off;
}

namespace EmulatedPorts {

const char *const ModelAPort = "EMUL-MV210";
const char *const ModelBPort = "EMUL-MV4700";

QStringList names() {
    return {QString::fromLatin1(ModelAPort), QString::fromLatin1(ModelBPort)};
}

namespace {
std::mutex printersMutex;
std::shared_ptr<emu::Printer> modelA, modelB;
QString stateFolder; // empty: the printers keep nothing

// With a state folder, the printer takes the state its file keeps and writes it there after
// each change; a file refused leaves the printer as it is and is not written over.
void keepState(emu::Printer &printer, const QString &port, QString *refused) {
    if (stateFolder.isEmpty())
        return;
    const QString file = QDir(stateFolder).filePath(stateFileName(port));
    QString error;
    if (emu::StateFile::load(printer, file, &error))
        emu::StateFile::keep(printer, file);
    else if (refused)
        *refused = error;
}

// The printer of a port, made when first asked for.
std::shared_ptr<emu::Printer> made(std::shared_ptr<emu::Printer> &printer, const QString &port,
                                   QString *refused) {
    if (printer)
        return printer;
    const bool a = port == QLatin1String(ModelAPort);
    printer = emu::Printer::create(a ? emu::Model::A : emu::Model::B,
                                   {a ? "21000123" : "47000456", a ? "1.20" : "1.05", "0001"});
    keepState(*printer, port, refused);
    return printer;
}
} // namespace

QString stateFileName(const QString &portName) {
    return portName == QLatin1String(ModelAPort) ? QStringLiteral("emulador-MV210.json")
                                                 : QStringLiteral("emulador-MV4700.json");
}

std::shared_ptr<emu::Printer> printerFor(const QString &portName) {
    std::lock_guard lock(printersMutex);
    if (portName == QLatin1String(ModelAPort))
        return made(modelA, portName, nullptr);
    if (portName == QLatin1String(ModelBPort))
        return made(modelB, portName, nullptr);
    return nullptr;
}

QStringList keepStateIn(const QString &folder) {
    std::lock_guard lock(printersMutex);
    stateFolder = folder;
    QStringList refused;
    for (const char *port : {ModelAPort, ModelBPort}) {
        std::shared_ptr<emu::Printer> &printer = port == ModelAPort ? modelA : modelB;
        QString error;
        if (printer) // made before the folder was known: it takes the file's state now
            keepState(*printer, QLatin1String(port), &error);
        else
            made(printer, QLatin1String(port), &error);
        if (!error.isEmpty())
            refused << error;
    }
    return refused;
}

void replacePrinters() {
    std::lock_guard lock(printersMutex);
    modelA.reset();
    modelB.reset();
    stateFolder.clear();
}

} // namespace EmulatedPorts
