// The link's own cost per exchange.
//
// Over a pseudo-terminal or a TCP port, with the emulated printer running its line at 9600
// baud, one exchange can never be faster than the line allows: the frame's and the answer's
// wire time plus the 150 ms of silence that tells the end of an answer. The figure of merit is
// the median exchange against that limit, and what the link adds on top of it.
// Over TCP without pacing, and in process, exchanges per second show what the rest costs: on
// a line, the 150 ms of silence; in process, where the emulator answers at once, the link.
#include "core/global.h"
#include "line_host.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "printer.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
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

// Exchanges on the line the host serves, paced at 9600 baud: their median against the line's
// limit. Unpaced: how many exchanges a second the line carries.
bool measureLine(Link &link, const char *name, bool tcp, bool pacing) {
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
    std::vector<double> times;
    for (int i = 0; i < 25; ++i)
        times.push_back(exchangeMs(link));
    link.ClosePort();
    host.stop();
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    if (!pacing) {
        std::printf("%s, unpaced: %.2f exchanges per second (median %.2f ms)\n", name,
                    1000.0 / median, median);
        return true;
    }
    const double limit = emu::wireTimeMs(2) + emu::wireTimeMs(StatusAnswerBytes) + 150.0;
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
    if (!measureLine(link, "pty", false, true) || !measureLine(link, "tcp", true, true) ||
        !measureLine(link, "tcp", true, false))
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
