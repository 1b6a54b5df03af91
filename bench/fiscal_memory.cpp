// Throughput of a fiscal memory reading sent to the PC, over a pseudo-terminal with the
// emulated printer running its line at 9600 baud (960 bytes per second at most).
#include "core/global.h"
#include "line_host.h"
#include "link/serial_new.h"
#include "printer.h"
#include "protocol/cmd210.h"
#include "protocol/cmd4700.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

int measure(emu::Model model, int reductions) {
    auto printer = emu::Printer::create(model);
    printer->addPastReductions(reductions);
    printer->setPacing(true);
    emu::LineHost host(*printer);
    if (!host.start()) {
        std::fprintf(stderr, "pseudo-terminal: %s\n", qPrintable(host.errorString()));
        return 1;
    }
    Link &link = printerLink();
    if (link.OpenPort(host.slavePath(), 9600, false) != 0)
        return 1;
    const bool modelA = model == emu::Model::A;
    toolState().ModelCode = modelA ? ModelA : ModelB;
    toolState().FirmwareVersionNumber = 1.22;
    Cmd210 a(link);
    Cmd4700 b(link);
    CommandSet &commands = modelA ? static_cast<CommandSet &>(a) : b;

    qint64 bytes = 0, text = 0;
    CommandSet::ReadingEnd how = CommandSet::ReadingEnd::Failed;
    QElapsedTimer t;
    t.start();
    const bool ok = commands.ReadFiscalMemory(
        "000001", "009999", modelA ? 'S' : 's',
        [&](const QByteArray &chunk, qint64 received) {
            text += chunk.size();
            bytes = received;
        },
        &how);
    const double seconds = t.nsecsElapsed() / 1e9;
    link.ClosePort();
    host.stop();
    if (!ok || how != CommandSet::ReadingEnd::Complete) {
        std::fprintf(stderr, "the reading did not complete\n");
        return 1;
    }
    const double rate = bytes / seconds;
    std::printf("%s: %lld bytes (%lld of report text) in %.2f s: %.1f bytes/s, %.3f of the line's "
                "960 bytes/s\n",
                modelA ? "MV210" : "MV4700", static_cast<long long>(bytes),
                static_cast<long long>(text), seconds, rate, rate / 960.0);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    toolState().ViewerFeed = false;
    const int reductions = argc > 1 ? std::atoi(argv[1]) : 30;
    return measure(emu::Model::B, reductions) | measure(emu::Model::A, reductions);
}
