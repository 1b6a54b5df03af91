#include "link/emulator_transport.h"

#include "printer.h"

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
} // namespace

std::shared_ptr<emu::Printer> printerFor(const QString &portName) {
    std::lock_guard lock(printersMutex);
    if (portName == QLatin1String(ModelAPort)) {
        if (!modelA)
            modelA = emu::Printer::create(emu::Model::A, {"21000123", "1.20", "0001"});
        return modelA;
    }
    if (portName == QLatin1String(ModelBPort)) {
        if (!modelB)
            modelB = emu::Printer::create(emu::Model::B, {"47000456", "1.05", "0001"});
        return modelB;
    }
    return nullptr;
}

void replacePrinters() {
    std::lock_guard lock(printersMutex);
    modelA.reset();
    modelB.reset();
}

} // namespace EmulatedPorts
