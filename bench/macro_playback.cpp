// Command macro playback speed.
//
// A coupon of item sales is recorded through the link's recording hook (one line per frame
// the printer accepted) and played back with the macro player: in process, where the emulator
// answers at once, many passes show what the player and the link cost per frame; over a
// pseudo-terminal with the emulated line at 9600 baud, one pass is set against the line's
// limit: the wire time of every frame and answer plus the 150 ms of silence that ends each
// answer.
#include "core/global.h"
#include "fiscal/macro_file.h"
#include "fiscal/macro_player.h"
#include "line_host.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "printer.h"
#include "protocol/command_set.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>

namespace {

constexpr int ItemsPerCoupon = 96; // with the opening, totalization, payment and closing: 100
constexpr int InProcessPasses = 5;

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

template <size_t N> void put(uint8_t (&field)[N], const char *text) {
    std::memset(field, 0, N);
    std::memcpy(field, text, std::min(N, std::strlen(text)));
}

// A tax rate and the day's Leitura X: the printer takes coupons.
void prepareDay(CommandSet &commands) {
    if (!commands.ProgramTaxRate({0, {'1', '8', '0', '0'}}) || !commands.ReadingX() ||
        !commands.WaitPrinterIdle())
        fail("the printer does not take the day's first steps");
}

// One coupon of ItemsPerCoupon sales of R$ 1,00, paid in cash, recorded as macro data.
QByteArray recordCoupon(CommandSet &commands) {
    QByteArray data = MacroFile::header(ModelB);
    printerLink().setMacroSink([&](const QByteArray &line) { data += line; });
    toolState().RecordingState = RecordingOn;
    char coo[6];
    bool ok = commands.OpenCoupon(coo);
    ItemRecord item;
    std::memset(&item, 0, sizeof item);
    put(item.code, "7891000100103");
    put(item.description, "Produto de teste");
    std::memcpy(item.price, "0000001000", 10);
    std::memcpy(item.taxCode, "TA", 2);
    std::memcpy(item.quantity, "00001000", 8);
    std::memcpy(item.unit, "un", 2);
    item.quantityFormat = 'D';
    std::memset(item.adjustment, '0', 9);
    item.adjustmentType = 'N';
    item.adjustmentMode = 'V';
    for (int i = 0; ok && i < ItemsPerCoupon; ++i)
        ok = commands.SellItem(item);
    TotalRecord total;
    std::memset(&total, '0', sizeof total);
    total.adjustmentType = 'N';
    total.adjustmentMode = 'V';
    ok = ok && commands.Totalize(total);
    PaymentRecord cash;
    std::memset(&cash, 0, sizeof cash);
    std::memcpy(cash.method, "01", 2);
    std::memcpy(cash.amount, QByteArray::number(ItemsPerCoupon * 100).rightJustified(12, '0'), 12);
    ok = ok && commands.RegisterPayment(cash) && commands.CloseCoupon("Volte sempre");
    toolState().RecordingState = RecordingOff;
    printerLink().setMacroSink({});
    if (!ok)
        fail("the coupon could not be recorded");
    return data + MacroFile::Terminator;
}

struct Run {
    int frames = 0;
    double seconds = 0;
};

Run play(const QByteArray &data, int passes) {
    MacroPlayer player(printerLink(), commandSetFor(ModelB), ModelB, {});
    QElapsedTimer t;
    t.start();
    const MacroPlayer::End end = player.play(data, passes);
    Run run{player.framesSent(), t.nsecsElapsed() / 1e9};
    if (end != MacroPlayer::End::Done)
        fail("the playback did not end normally");
    return run;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ToolState &state = toolState();
    state.ModelCode = ModelB;
    state.ViewerFeed = false;
    Link &link = printerLink();
    CommandSet &commands = *commandSetFor(ModelB);

    // ---- In process ----
    std::shared_ptr<emu::Printer> fast = emu::Printer::create(emu::Model::B);
    fast->setPrintTimeMs(10);
    link.setTransportFactory(
        [&](const QString &) { return std::make_unique<EmulatorTransport>(fast); });
    if (link.OpenPort(QStringLiteral("bench"), 9600, false) != 0)
        fail("cannot open the emulated port");
    prepareDay(commands);
    const QByteArray macro = recordCoupon(commands);
    const Run inProcess = play(macro, InProcessPasses);
    link.ClosePort();
    link.setTransportFactory({});
    std::printf("in process: %d frames in %.3f s, %.0f frames per second (%.1f us each)\n",
                inProcess.frames, inProcess.seconds, inProcess.frames / inProcess.seconds,
                inProcess.seconds * 1e6 / inProcess.frames);

    // ---- Pseudo-terminal, 9600 baud ----
    auto paced = emu::Printer::create(emu::Model::B);
    paced->setPrintTimeMs(10);
    emu::LineHost host(*paced);
    if (!host.start())
        fail("cannot open a pseudo-terminal");
    if (link.OpenPort(host.slavePath(), 9600, false) != 0)
        fail("cannot open the pseudo-terminal's slave");
    prepareDay(commands);
    paced->setPacing(true);
    qint64 sent = 0, received = 0;
    int answers = 0;
    link.setTrafficObserver([&](TrafficDirection direction, const QByteArray &bytes) {
        if (direction == TrafficDirection::Sent) {
            sent += bytes.size();
        } else {
            received += bytes.size();
            ++answers;
        }
    });
    state.ViewerFeed = true;
    const Run wire = play(macro, 1);
    link.setTrafficObserver({});
    link.ClosePort();
    host.stop();
    const double limitMs =
        emu::wireTimeMs(int(sent)) + emu::wireTimeMs(int(received)) + 150.0 * answers;
    const double measuredMs = wire.seconds * 1000.0;
    std::printf("pty, 9600 baud: %d frames in %.2f s, %.2f frames per second\n", wire.frames,
                wire.seconds, wire.frames / wire.seconds);
    std::printf("pty, 9600 baud: line limit %.2f s (%lld bytes out, %lld in, %d answers), "
                "ratio %.4f\n",
                limitMs / 1000.0, static_cast<long long>(sent), static_cast<long long>(received),
                answers, measuredMs / limitMs);
    std::printf("pty, 9600 baud: added latency %.2f ms per frame\n",
                (measuredMs - limitMs) / wire.frames);
    return 0;
}
