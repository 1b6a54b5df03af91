// The link's own cost per exchange.
//
// Over a pseudo-terminal or a TCP port, with the emulated printer running its line at 9600
// baud, one exchange can never be faster than the line allows: the frame's and the answer's
// wire time plus the 150 ms of silence that tells the end of an answer. The figure of merit is
// the median exchange against that limit, and what the link adds on top of it.
// Over TCP without pacing, and in process, exchanges per second show what the rest costs: on
// a line, the 150 ms of silence; in process, where the emulator answers at once, the link.
// The pseudo-terminal run is repeated with the traffic viewer's monitor open: the two raw
// views' text made on the link's thread, the exchanges queued and decoded on another.
#include "app/protocol_log.h"
#include "app/traffic_text.h"
#include "core/global.h"
#include "line_host.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "printer.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <optional>
#include <thread>
#include <vector>

namespace {

constexpr int StatusAnswerBytes = 1 + 12 + 2; // ':', twelve digits, 0xFF CR

double exchangeMs(Link &link) {
    QElapsedTimer t;
    t.start();
    {
        Link::Exchange exchange(link);
        link.TxBuffer[0] = 29;
        link.TxBuffer[1] = 0x05;
        link.SendFrame(link.TxBuffer, 2);
        if (link.WaitResponse(link.RxBuffer, WaitShort) != StatusAnswerBytes) {
            std::fprintf(stderr, "unexpected answer\n");
            std::exit(1);
        }
    }
    return t.nsecsElapsed() / 1e6;
}

// What the open viewer does: the link's thread formats the raw views and queues the bytes; a
// consumer thread decodes them into the protocol log, as the UI thread does.
class Monitor {
public:
    explicit Monitor(Link &link) : link(link) {
        queue.wake = [this] {
            std::lock_guard lock(mutex);
            pending = true;
            wake.notify_one();
        };
        consumer = std::thread([this] {
            for (;;) {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return pending || stopping; });
                if (stopping)
                    return;
                pending = false;
                lock.unlock();
                for (const TrafficEvent &event : queue.take())
                    log.add(event);
            }
        });
        toolState().ViewerFeed = true;
        link.setTrafficObserver([this](TrafficDirection direction, const QByteArray &bytes) {
            const bool sent = direction == TrafficDirection::Sent;
            shown += TrafficText::hex(bytes).size() + TrafficText::text(bytes, sent).size();
            queue.push(direction, bytes);
        });
    }
    ~Monitor() { finish(); }
    // Closes the monitor; the number of exchanges it decoded.
    qsizetype finish() {
        if (stopping)
            return log.rows().size();
        link.setTrafficObserver({});
        toolState().ViewerFeed = false;
        {
            std::lock_guard lock(mutex);
            stopping = true;
            wake.notify_one();
        }
        consumer.join();
        for (const TrafficEvent &event : queue.take())
            log.add(event);
        return log.rows().size();
    }

private:
    Link &link;
    TrafficQueue queue;
    ProtocolLog log;
    std::mutex mutex;
    std::condition_variable wake;
    bool pending = false, stopping = false;
    std::thread consumer;
    qsizetype shown = 0;
};

double medianOver(Link &link, int count) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i)
        times.push_back(exchangeMs(link));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Exchanges on the line the host serves, paced at 9600 baud (with the monitor open, if asked):
// their median against the line's limit. Unpaced: how many exchanges a second the line carries.
bool measureLine(Link &link, const char *name, bool tcp, bool pacing, bool monitored = false) {
    auto printer = emu::Printer::create(emu::Model::B);
    printer->setPacing(pacing);
    emu::LineHost host(*printer);
    if (tcp ? !host.startTcp(QStringLiteral("127.0.0.1"), 0) : !host.start()) {
        std::fprintf(stderr, "%s: %s\n", name, qPrintable(host.errorString()));
        return false;
    }
    const QString port = (tcp ? QStringLiteral("tcp://") : QString()) + host.slavePath();
    if (link.OpenPort(port, 9600, false) != 0) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(port));
        return false;
    }
    exchangeMs(link); // warm up
    std::optional<Monitor> monitor;
    if (monitored)
        monitor.emplace(link);
    const double median = medianOver(link, 25);
    const qsizetype decoded = monitor ? monitor->finish() : 0;
    link.ClosePort();
    host.stop();
    if (!pacing) {
        std::printf("%s, unpaced: %.2f exchanges per second (median %.2f ms)\n", name,
                    1000.0 / median, median);
        return true;
    }
    const double limit = emu::wireTimeMs(2) + emu::wireTimeMs(StatusAnswerBytes) + 150.0;
    if (monitored) {
        std::printf("%s, 9600 baud, monitor open: median exchange %.2f ms, ratio %.4f (%lld "
                    "exchanges decoded)\n",
                    name, median, median / limit, static_cast<long long>(decoded));
        return true;
    }
    std::printf("%s, 9600 baud: median exchange %.2f ms, line limit %.2f ms, ratio %.4f\n", name,
                median, limit, median / limit);
    std::printf("%s, 9600 baud: added latency %.2f ms per exchange\n", name, median - limit);
    return true;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    toolState().ViewerFeed = false;
    Link &link = printerLink();
    if (!measureLine(link, "pty", false, true) || !measureLine(link, "pty", false, true, true) ||
        !measureLine(link, "tcp", true, true) || !measureLine(link, "tcp", true, false))
        return 1;

    auto fast = emu::Printer::create(emu::Model::B);
    link.setTransportFactory([&](const QString &) {
        return std::make_unique<EmulatorTransport>(
            std::shared_ptr<emu::Printer>(fast.get(), [](emu::Printer *) {}));
    });
    link.OpenPort(QStringLiteral("bench"), 9600, false);
    int count = 0;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 2000) {
        exchangeMs(link);
        ++count;
    }
    const double seconds = t.nsecsElapsed() / 1e9;
    link.ClosePort();
    std::printf("in process: %.0f exchanges per second (%.1f us each)\n", count / seconds,
                seconds * 1e6 / count);
    return 0;
}
