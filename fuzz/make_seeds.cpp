// Writes the seed corpora of the fuzz targets: files as the tool writes them and the answers
// the emulated printers give to every operation. Usage: make_seeds <corpus folder>.

#include "answer_ops.h"

#include "core/clock.h"
#include "core/global.h"
#include "core/messages.h"
#include "fiscal/macro_file.h"
#include "link/emulator_transport.h"
#include "link/macro_line.h"
#include "link/serial_new.h"
#include "maintenance/usr_file.h"
#include "printer.h"
#include "programming/c2k_file.h"
#include "programming/tables.h"
#include "protocol/cmd210.h"
#include "protocol/cmd4700.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

QString root;

// A literal with the zero bytes it holds, without its terminator.
template <size_t N> QByteArray lit(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

void put(const char *target, const QString &name, const QByteArray &data) {
    QDir().mkpath(root + "/" + target);
    QFile file(root + "/" + target + "/" + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
}

const QByteArray SampleRtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Korvel Exp;}"
                             "{\\f1\\fnil\\fcharset0 Courier New;}}\r\n"
                             "{\\info{\\title Cabe\\'e7alho}}\\f0 A\\f1 B\\par\r\n"
                             "{\\*\\generator Riched20;}\\b Total\\b0 \\ul X\\ulnone\\tab Y\\par}";
const QByteArray SampleTagged = "<N>LOJA MODELO</N>\r\nRua das Flores, 100\r\n<C>CNPJ</C><W>Exp</W>"
                                "<S>sub</S><W1>uma linha\r\n<N <x>";

ProgrammingTables sample(uint32_t model) {
    ProgrammingTables t;
    clearAll(t, model, model == 1 ? 1.05 : 1.22);
    t.taxRates[0].rate = QStringLiteral("18,00%");
    t.taxRates[1].rate = QStringLiteral("05,00%");
    t.taxRates[1].iss = QStringLiteral("    S");
    if (model == 1) {
        t.payments[1] = {QStringLiteral(" FP52"), QStringLiteral("Cartão Crédito"), {}};
        t.reports[0].name = QStringLiteral("Sangria");
    } else {
        t.payments[1] = {QStringLiteral(" FP02"), QStringLiteral("Cheque"),
                         QStringLiteral("    V")};
    }
    t.totalizers[0].name = QStringLiteral("Suprimento");
    t.totalizers[1].direction = QStringLiteral("   S");
    t.header = SampleTagged.left(60);
    return t;
}

void fileSeeds() {
    for (uint32_t model : {1u, 2u}) {
        const QString m = model == 1 ? "B" : "A";
        ProgrammingTables cleared;
        clearAll(cleared, model, 1.0);
        const QByteArray current = writeC2k(model, sample(model));
        put("c2k", "current_" + m, current);
        put("c2k", "cleared_" + m, writeC2k(model, cleared));
        QByteArray old = current.left(1667);
        old.replace(0, 5, "00.50");
        old += lit("\x3a\x07\x00\x00\x00\x01\x02\x03") + SampleRtf + QByteArray(1, '\0');
        put("c2k", "old_" + m, old);

        put("usr", "user_" + m,
            UserFile::build(model, "47000456",
                            {"11.222.333/0001-81", "ISENTO", "123456", "ABCD1234"}));
        put("usr", "request_" + m,
            UserFile::build(model, "21000123", {"11.222.333/0001-81", "", "", UserFile::NoCode}));

        put("tags", "tagged_" + m, QByteArray(1, char(model == 1 ? 1 : 0)) + SampleTagged);
    }
    QByteArray both = UserFile::build(1, "47000456", {"11.222.333/0001-81", "IE", "IM", "X"});
    both.replace(0, 10, "MV210_4700");
    put("usr", "either_model", both);
    put("tags", "codes_B",
        lit("\x01\x1b"
            "W\x01"
            "A\x1b"
            "W\x00"
            "\x0e"
            "B\x0f\n\x12\x14\x1b"
            "E\x01\xff"));
    put("tags", "codes_A",
        lit("\x00\x1b"
            "E"
            "A\x1b"
            "F\x1b-\x01"
            "B\n\xff"));

    put("rtf", "sample", SampleRtf);
    put("rtf", "nested",
        "{\\rtf1{\\fonttbl{\\f2\\fswiss\\fcharset0 Courier New;}}{\\*\\unknown x}"
        "\\f2\\b1 a\\'41\\'00\\{\\}\\\\\\ldblquote q\\rdblquote\\ul0 b\\bin5 c}");

    for (uint32_t model : {1u, 2u}) {
        QByteArray macro = MacroFile::header(model);
        const QList<QByteArray> frames =
            model == 1 ? QList<QByteArray>{lit("\x1b\x00"), QByteArray("\x1b\xfa"),
                                           lit("\x1b\x10"
                                               "000123Teste\r\n\xff")}
                       : QList<QByteArray>{QByteArray("\x1b"
                                                      "00"),
                                           QByteArray("\x1b"
                                                      "13[255]\r")};
        for (const QByteArray &frame : frames)
            macro += macroLineFor(frame);
        put("b2k", model == 1 ? "macro_B" : "macro_A", macro + MacroFile::Terminator);
        put("b2k", model == 1 ? "unterminated_B" : "unterminated_A", macro + "[027]X[2");
    }
}

// The emulator behind a transport that keeps every answer it hands over.
struct Recorder : Transport {
    EmulatorTransport inner;
    QByteArray answers;
    CommandSet *commands = nullptr;
    int silent = 0;
    explicit Recorder(std::shared_ptr<emu::Printer> printer) : inner(std::move(printer)) {}
    bool open() override { return inner.open(); }
    void close() override { inner.close(); }
    bool write(const QByteArray &frame) override { return inner.write(frame); }
    QByteArray readChunk(int totalMs, const std::atomic<bool> &cancel) override {
        const QByteArray chunk = inner.readChunk(totalMs, cancel);
        // An authentication with no document in the printer waits for good: give up.
        if (chunk.isEmpty() && ++silent > 5 && commands)
            commands->AbortAuthentication();
        const int n = int(chunk.size());
        answers += char(n & 0xFF);
        answers += char((n >> 8) & 0xFF);
        answers += chunk;
        return chunk;
    }
    bool purge() override { return inner.purge(); }
    CtsLine cts() override { return inner.cts(); }
};

void answerSeeds() {
    const auto &ops = fuzzops::operations();
    for (uint32_t model : {1u, 2u}) {
        for (size_t i = 0; i < ops.size(); ++i) {
            std::shared_ptr<emu::Printer> printer =
                emu::Printer::create(model == 1 ? emu::Model::B : emu::Model::A);
            printer->setMaintenanceJumper(true);
            Recorder *recorder = nullptr;
            Link link;
            link.setTransportFactory([&](const QString &) {
                auto r = std::make_unique<Recorder>(printer);
                recorder = r.get();
                return r;
            });
            link.OpenPort(QStringLiteral("SEED"), 9600, false);
            resetToolState();
            toolState().ModelCode = model;
            invalidateConfigurationCache();
            configurationBlock().bytes.clear();
            Cmd210 a(link);
            Cmd4700 b(link);
            CommandSet &commands = model == 1 ? static_cast<CommandSet &>(b) : a;
            recorder->commands = &commands;
            ops[i].call(commands);
            const QByteArray input =
                QByteArray(1, char(model == 1 ? 1 : 0)) + char(i) + recorder->answers;
            link.ClosePort();
            put("answers", QStringLiteral("%1_%2").arg(model == 1 ? "B" : "A", ops[i].name),
                input.left(20000));
        }
    }
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: make_seeds <corpus folder>\n");
        return 2;
    }
    root = QString::fromLocal8Bit(argv[1]);
    Clock::setScale(0.01);
    installMessages(nullptr);
    fileSeeds();
    answerSeeds();
    return 0;
}
