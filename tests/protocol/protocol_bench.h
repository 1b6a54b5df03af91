#pragma once

// A link on a scripted printer with both command sets on it, every operation called by name on
// the bytes of its record, and one check of a call against a row of a table. The printer
// initialisation's tests (programming) run on the same bench.
#include "core/clock.h"
#include "core/global.h"
#include "core/messages.h"
#include "link/serial_new.h"
#include "protocol/bank_table.h"
#include "protocol/cmd210.h"
#include "protocol/cmd4700.h"
#include "support/recording_messages.h"
#include "support/scripted_transport.h"

#include <QByteArrayList>
#include <QDateTime>
#include <QTest>
#include <QTimeZone>

#include <array>
#include <cstring>
#include <future>
#include <vector>

namespace bench {

// clang-format off
inline const auto esc = [](int command) { return QByteArray("\x1B") + char(command); };
inline const auto pad = [](const QByteArray &text, int width, char fill = ' ') { return text.left(width).leftJustified(width, fill); };
// Accepted answers: model A anything not beginning with ":E"; model B "00" at bytes 2-3 and its
// data from byte 6. A refusal carries code 16, a syntax error in both tables.
inline const auto ok = [](uint model, const QByteArray &data = {}) { return QByteArray(model == ModelA ? ":" : "\x02" "10000") + data; };
inline const auto refusal = [](uint model) { return QByteArray(model == ModelA ? ":E16" : "\x02" "11600"); };
inline const auto refusalText = [](uint model) {
    return QStringLiteral("ERRO: 16\r\n\n") + (model == ModelA ? "Erro de sintaxe no comando" : "Erro na sintaxe do comando");
};
inline const auto status = [](const QByteArray &digits) { return "\x02" + digits; }; // a GS answer
inline const auto inMaintenance = [] { return status("000000000000"); };
inline const auto notInMaintenance = [] { return status("008000000000"); }; // digit 3: bit 3 set
inline const auto error = [](const QString &text) { return QStringList{"Erro: " + text}; };
inline const auto bytes = [](std::initializer_list<int> values) { QByteArray out; for (int v : values) out += char(v); return out; };
// clang-format on
const QString NoAnswer = QStringLiteral("ERRO DE COMUNICAÇÃO!");
const QString Incomplete = QStringLiteral("Resposta incompleta da impressora!");
const QString NotInMaintenance = QStringLiteral("Coloque a impressora em Modo Manutenção!");

template <typename Record> Record recordFrom(const QByteArray &bytes) {
    Record record{};
    std::memcpy(static_cast<void *>(&record), bytes.constData(),
                std::min<size_t>(sizeof record, size_t(bytes.size())));
    return record;
}
template <typename Record> QByteArray bytesOf(const Record &record) {
    return QByteArray(reinterpret_cast<const char *>(&record), sizeof record);
}
using TaxRates = std::array<TaxRateRecord, 16>;
// clang-format off
template <typename Record> struct Guarded { Record r; char guard[32]; }; // a record with room after it
// clang-format on

// Runs the operation `op` on `io`: its input record or text (TechnicalIntervention: two flag
// characters, then the header record; StartFirmwareUpdate: the printer's serial;
// ReadFiscalMemory: the destination, start and end; Authenticate: the mode, then the text;
// LoadBankTable: the file), replaced by the output record where the operation fills one. A COO
// read back goes to `coo`; a fiscal memory reading leaves in `io` each text the sink received
// with its count, then how the reading ended; a bank table its outcome and code.
inline bool run(CommandSet &c, Link &link, const QString &op, QByteArray &io, char coo[6]) {
    const char *text = io.constData();
    // clang-format off
// An operation that fills the record in `io`; it must write nothing past the record.
#define IO(Record, call) [&] { Guarded<Record> g; std::memset(static_cast<void *>(&g), 0, sizeof g); std::memset(g.guard, '#', 32); \
    std::memcpy(static_cast<void *>(&g.r), io.constData(), std::min(sizeof g.r, size_t(io.size()))); \
    Record &r = g.r; const bool ok = c.call; io = QByteArray(g.guard, 32).count('#') == 32 ? bytesOf(r) : "written past the record"; return ok; }()
    if (op == "ProgramTaxRate") return c.ProgramTaxRate(recordFrom<TaxRateRecord>(io));
    if (op == "ReadTaxRates") return IO(TaxRates, ReadTaxRates(r.data()));
    if (op == "ProgramPaymentMethod") return c.ProgramPaymentMethod(recordFrom<PaymentMethodRecord>(io));
    if (op == "ProgramLinkedTotalizer") return c.ProgramLinkedTotalizer(recordFrom<PaymentMethodRecord>(io));
    if (op == "ReadPaymentMethods") return IO(PaymentMethodTable, ReadPaymentMethods(r));
    if (op == "ProgramReportName") return c.ProgramReportName(reinterpret_cast<const uint8_t *>(text));
    if (op == "ReadReportNames") return IO(NameTable, ReadReportNames(r));
    if (op == "ReadLinkedTotalizers") return IO(NameTable, ReadLinkedTotalizers(r));
    if (op == "ProgramNonFiscalTotalizer") return c.ProgramNonFiscalTotalizer(recordFrom<TotalizerRecord>(io));
    if (op == "ReadNonFiscalTotalizers") return IO(TotalizerTable, ReadNonFiscalTotalizers(r));
    if (op == "ProgramOptions") return c.ProgramOptions(recordFrom<OptionsBlock>(io));
    if (op == "ReadOptions") return IO(OptionsBlock, ReadOptions(r));
    if (op == "SetDaylightSavingTime") return c.SetDaylightSavingTime(io.toInt());
    if (op == "IsDaylightSavingTime") return c.IsDaylightSavingTime();
    if (op == "ProgramOperator") return c.ProgramOperator(recordFrom<OperatorRecord>(io));
    if (op == "ReadOperator") return IO(OperatorRecord, ReadOperator(r));
    if (op == "ReadConfiguration") return c.ReadConfiguration();
    if (op == "OpenCoupon") return c.OpenCoupon(coo);
    if (op == "SellItem") return c.SellItem(recordFrom<ItemRecord>(io));
    if (op == "AdjustItem") return c.AdjustItem(recordFrom<ItemRecord>(io));
    if (op == "CancelItem") return c.CancelItem(text);
    if (op == "CancelCoupon") return c.CancelCoupon();
    if (op == "CancelVoucher") return c.CancelVoucher(text);
    if (op == "Totalize") return IO(TotalRecord, Totalize(r));
    if (op == "RegisterPayment") return IO(PaymentRecord, RegisterPayment(r));
    if (op == "ReversePayment") return c.ReversePayment(recordFrom<ReversalRecord>(io));
    if (op == "CloseCoupon") return c.CloseCoupon(text);
    if (op == "IssueNonFiscalVoucher") return c.IssueNonFiscalVoucher(recordFrom<VoucherRecord>(io), coo);
    if (op == "OpenVoucher") return c.OpenVoucher(recordFrom<LinkedVoucherRecord>(io), coo);
    if (op == "ReprintVoucher") return c.ReprintVoucher();
    if (op == "OpenManagementReport") return c.OpenManagementReport(text, coo);
    if (op == "PrintReportLines") return c.PrintReportLines(text);
    if (op == "CloseReport") return c.CloseReport();
    if (op == "ReadCliche") return IO(ClicheRecord, ReadCliche(r));
    ClicheRecord header = recordFrom<ClicheRecord>(io.mid(2));
    if (op == "TechnicalIntervention") return c.TechnicalIntervention(text[0] == '1', text[1] == '1', header);
    if (op == "RecordUser") return c.RecordUser(recordFrom<UserRecordBlock>(io));
    if (op == "StartFirmwareUpdate") return toolState().PrinterSerial.set(QString::fromLatin1(io)), c.StartFirmwareUpdate();
    if (op == "IsInMaintenanceMode") return c.IsInMaintenanceMode();
    if (op == "ReadClock") return IO(ClockRecord, ReadClock(r));
    if (op == "ReadStatus") return IO(StatusRecord, ReadStatus(r));
    if (op == "WaitPrinterIdle") return c.WaitPrinterIdle();
    if (op == "ReadingX") return c.ReadingX();
    if (op == "ReductionZ") return c.ReductionZ();
    if (op == "Authenticate") return c.Authenticate(text + 1, int(io.size() - 1), text[0] - '0');
        // clang-format on
#undef IO
    if (op == "LoadBankTable") {
        const BankTableResult result = loadBankTable(link, io);
        io = QByteArray::number(int(result.outcome)) + result.code;
        return result.accepted();
    }
    if (op != "ReadFiscalMemory")
        qFatal("no operation %s", qPrintable(op));
    const QByteArray args = io;
    CommandSet::ReadingEnd how{};
    io.clear();
    const bool result = c.ReadFiscalMemory(
        args.constData() + 1, args.constData() + 7, args[0],
        [&io](const QByteArray &t, qint64 n) { io += t + "@" + QByteArray::number(n) + ";"; },
        &how);
    io += QByteArrayList{"|complete", "|silent", "|failed"}.value(int(how));
    return result;
}

// Records the messages shown while another thread tries to use the link: a message must never
// show with the exchange held, or that thread (the identification) would wait for the user.
class ProbingMessages : public RecordingMessages {
public:
    explicit ProbingMessages(Link &link) : link(link) {}
    MessageAnswer show(const Message &message) override {
        // Kept until the probe goes: a future's end waits for its thread, which would never
        // come if the link were held by the thread showing this message.
        probes.push_back(std::async(std::launch::async, [this] { link.IsCtsOn(); }));
        if (probes.back().wait_for(std::chrono::seconds(2)) != std::future_status::ready)
            blocked << message.text;
        return RecordingMessages::show(message);
    }
    QStringList blocked;

private:
    Link &link;
    std::vector<std::future<void>> probes;
};

// Every test starts from the tool's initial state with short protocol durations.
inline void resetWorld() {
    resetToolState();
    Clock::setScale(0.001);
    invalidateConfigurationCache();
    configurationBlock().bytes.clear();
}

// Each scripted chunk answers one wait; an empty one is a wait that brings nothing. Once the
// script is used up, every wait runs out its time.
struct Bench {
    std::shared_ptr<ScriptedTransport::Shared> device =
        std::make_shared<ScriptedTransport::Shared>();
    Link link;
    Cmd210 a{link};
    Cmd4700 b{link};
    ProbingMessages messages{link};

    explicit Bench(const QByteArrayList &chunks = {}) {
        resetWorld();
        script(chunks);
        link.setTransportFactory(
            [this](const QString &) { return std::make_unique<ScriptedTransport>(device); });
        link.OpenPort(QStringLiteral("TEST"), 9600, false);
    }
    ~Bench() {
        link.ClosePort();
        Clock::setScale(1.0);
        Clock::setNowOffsetSeconds(0);
    }
    CommandSet &model(uint code) { return code == ModelA ? static_cast<CommandSet &>(a) : b; }
    void script(const QByteArrayList &chunks) {
        std::lock_guard lock(device->mutex);
        device->chunks.insert(device->chunks.end(), chunks.begin(), chunks.end());
    }
    QByteArrayList written() { return std::lock_guard(device->mutex), device->written; }
    int reads() { return std::lock_guard(device->mutex), device->reads; }
};

// One call of an operation and what it must do. Frames are compared whole (`exact`) or as the
// start of each frame sent; {DT} and {D} in them stand for the PC's date-time and date, {DT-1}
// and {D-1} for the same one hour earlier.
struct Case {
    uint model = ModelA;
    QString op;
    QByteArray input = QByteArray(1300, '#'); // '#': an output record's bytes before the call
    QByteArrayList script;                    // the printer's answers, one per wait
    QByteArrayList frames;
    bool exact = false, result = true;
    QByteArray output;    // the start of the output record (or the COO); empty: not checked
    QStringList messages; // "caption: text" of every message shown
    int wait = -1;        // the wait mode of every wait; -1: not checked
    int waits = -1;       // how many waits; -1: as many as the script has answers
    double firmware = 0;
    int pcDst = 0; // 1: the PC in daylight saving; 2: and its clock at 00:30
};

inline QByteArray withDates(QByteArray frame, const QDateTime &now) {
    const QDateTime wall(now.date(), now.time(), QTimeZone::utc());
    for (const auto &[marker, hours, format] :
         {std::tuple{"{DT-1}", 1, "ddMMyyHHmmss"}, std::tuple{"{DT}", 0, "ddMMyyHHmmss"},
          std::tuple{"{D-1}", 1, "ddMMyy"}, std::tuple{"{D}", 0, "ddMMyy"}})
        frame.replace(marker, wall.addSecs(-3600 * hours).toString(format).toLatin1());
    return frame;
}

inline void check(const Case &c) {
    Bench bench(c.script);
    toolState().ModelCode = c.model;
    toolState().FirmwareVersionNumber = c.firmware;
    toolState().PcDaylightSaving = c.pcDst > 0;
    if (c.pcDst == 2) // 00:30 today: one hour earlier is yesterday
        Clock::setNowOffsetSeconds(
            Clock::now().secsTo(QDateTime(Clock::now().date(), QTime(0, 30))));
    std::memset(bench.link.TxBuffer, 'z', sizeof bench.link.TxBuffer); // never to be sent
    QByteArray io = c.input;
    char coo[6] = {'#', '#', '#', '#', '#', '#'};
    const QDateTime before = Clock::now();
    QCOMPARE(run(bench.model(c.model), bench.link, c.op, io, coo), c.result);
    const QDateTime after = Clock::now();

    const QByteArrayList written = bench.written();
    QCOMPARE(written.size(), c.frames.size());
    for (int i = 0; i < written.size(); ++i) { // the PC's time of the moment it was built
        const QByteArray sent = c.exact ? written[i] : written[i].left(c.frames[i].size());
        if (sent != withDates(c.frames[i], after))
            QCOMPARE(sent.toHex(' '), withDates(c.frames[i], before).toHex(' '));
    }
    if (c.op.startsWith("Open") || c.op.startsWith("Issue"))
        io = QByteArray(coo, 6);
    QCOMPARE(io.left(c.output.size()).toHex(' '), c.output.toHex(' '));
    QStringList shown;
    for (const Message &m : bench.messages.shown())
        shown << m.caption + ": " + m.text;
    QCOMPARE(shown, c.messages);
    QCOMPARE(bench.messages.blocked, QStringList{});
    QCOMPARE(bench.reads(), c.waits < 0 ? int(c.script.size()) : c.waits);
    const QList<int> waits = bench.device->readTimeouts;
    if (c.wait >= 0)
        QCOMPARE(waits, QList<int>(waits.size(), Link::timeoutFor(c.wait)));
    if (!c.result) // nothing of a failed read reaches the configuration cache
        QVERIFY(!configurationCacheValid());
}

} // namespace bench

Q_DECLARE_METATYPE(bench::Case)

// The check of a row of a table of cases.
inline void checkRow() {
    QFETCH(bench::Case, c);
    bench::check(c);
}
