// What both command sets read from the printer's answers, and how they fail: a silent printer,
// a refusal, an answer too short for its fields, the chunked fiscal memory reading, the idle
// poll and the maintenance-mode test.
#include "protocol_bench.h"

#include <QtTest>

#include <functional>

using namespace bench;

namespace {

const QByteArray End("\xFF\r", 2);
const QString ClicheNoAnswerA = QStringLiteral("Erro de Comunicação");

// ---- Operations run against a failing printer ----

// How an operation reports a printer that does not answer or refuses.
enum class Kind {
    Checked,      // one frame, its answer checked: "ERRO DE COMUNICAÇÃO!" or the error
    Maintenance,  // refused without sending unless the GS test says maintenance mode
    QuietSilence, // silence left to the caller (no message), refusal shown
    ClicheA,      // silence shown as "Erro de Comunicação"
    Poll,         // a GS status poll: no refusal exists, silence gives false quietly
    MemoryToPc,   // fiscal memory reading sent to the PC
    MemoryPrint,  // printed fiscal memory reading: the answer is not checked
};

struct Operation {
    const char *name;
    uint models; // bit 0: model B, bit 1: model A
    Kind kind;
    int outputSize; // bytes of the output record, 0 when there is none
    std::function<bool(CommandSet &, QByteArray &output)> run;
};

template <typename Record> bool into(QByteArray &out, const std::function<bool(Record &)> &read) {
    Record record = recordFrom<Record>(out);
    const bool result = read(record);
    out = bytesOf(record);
    return result;
}

const QList<Operation> &operations() {
    constexpr uint A = 2, B = 1, AB = 3;
    static const QList<Operation> list{
        {"ProgramTaxRate", AB, Kind::Checked, 0,
         [](CommandSet &c, QByteArray &) {
             return c.ProgramTaxRate(recordFrom<TaxRateRecord>(QByteArray("\0"
                                                                          "1800",
                                                                          5)));
         }},
        {"ReadTaxRates", AB, Kind::Checked, 80,
         [](CommandSet &c, QByteArray &out) {
             TaxRateRecord rates[16];
             std::memcpy(rates, out.constData(), sizeof rates);
             const bool result = c.ReadTaxRates(rates);
             out = QByteArray(reinterpret_cast<const char *>(rates), sizeof rates);
             return result;
         }},
        {"ProgramPaymentMethod", AB, Kind::Checked, 0,
         [](CommandSet &c, QByteArray &) {
             return c.ProgramPaymentMethod(
                 recordFrom<PaymentMethodRecord>(QByteArray(1, '\1') + "02" + pad("Cheque", 21)));
         }},
        {"ProgramLinkedTotalizer", A, Kind::Checked, 0,
         [](CommandSet &c, QByteArray &) {
             return c.ProgramLinkedTotalizer(
                 recordFrom<PaymentMethodRecord>(QByteArray(1, '\1') + "02" + pad("Cheque", 21)));
         }},
        {"ReadPaymentMethods", AB, Kind::Checked, 704,
         [](CommandSet &c, QByteArray &out) {
             return into<PaymentMethodTable>(
                 out, [&c](PaymentMethodTable &t) { return c.ReadPaymentMethods(t); });
         }},
        {"ProgramReportName", B, Kind::Checked, 0,
         [](CommandSet &c, QByteArray &) {
             return c.ProgramReportName(
                 reinterpret_cast<const uint8_t *>(pad("Sangria", 21).constData()));
         }},
        {"ReadReportNames", B, Kind::Checked, 336,
         [](CommandSet &c, QByteArray &out) {
             return into<NameTable>(out, [&c](NameTable &t) { return c.ReadReportNames(t); });
         }},
        {"ReadLinkedTotalizers", A, Kind::Checked, 336,
         [](CommandSet &c, QByteArray &out) {
             return into<NameTable>(out, [&c](NameTable &t) { return c.ReadLinkedTotalizers(t); });
         }},
        {"ProgramNonFiscalTotalizer", AB, Kind::Checked, 0,
         [](CommandSet &c, QByteArray &) {
             return c.ProgramNonFiscalTotalizer(
                 recordFrom<TotalizerRecord>(QByteArray(3, '\0') + pad("Troco", 21)));
         }},
        {"ReadNonFiscalTotalizers", AB, Kind::Checked, 352,
         [](CommandSet &c, QByteArray &out) {
             return into<TotalizerTable>(
                 out, [&c](TotalizerTable &t) { return c.ReadNonFiscalTotalizers(t); });
         }},
        {"ProgramOptions", AB, Kind::Checked, 0,
         [](CommandSet &c, QByteArray &) {
             return c.ProgramOptions(recordFrom<OptionsBlock>(QByteArray(70, '0')));
         }},
        {"ReadOptions", AB, Kind::Checked, 70,
         [](CommandSet &c, QByteArray &out) {
             return into<OptionsBlock>(out, [&c](OptionsBlock &o) { return c.ReadOptions(o); });
         }},
        {"SetDaylightSavingTime", AB, Kind::Checked, 0,
         [](CommandSet &c, QByteArray &) { return c.SetDaylightSavingTime(1); }},
        {"IsDaylightSavingTime", AB, Kind::Checked, 0,
         [](CommandSet &c, QByteArray &) { return c.IsDaylightSavingTime(); }},
        {"ProgramOperator", AB, Kind::Checked, 0,
         [](CommandSet &c, QByteArray &) {
             return c.ProgramOperator(recordFrom<OperatorRecord>("0001" + pad("Maria", 16)));
         }},
        {"ReadOperator", AB, Kind::Checked, 20,
         [](CommandSet &c, QByteArray &out) {
             return into<OperatorRecord>(out,
                                         [&c](OperatorRecord &o) { return c.ReadOperator(o); });
         }},
        {"ReadConfiguration", AB, Kind::Checked, 0,
         [](CommandSet &c, QByteArray &) { return c.ReadConfiguration(); }},
        {"ReadingX", AB, Kind::Checked, 0,
         [](CommandSet &c, QByteArray &) { return c.ReadingX(); }},
        {"ReductionZ", AB, Kind::Checked, 0,
         [](CommandSet &c, QByteArray &) { return c.ReductionZ(); }},
        {"TechnicalIntervention", AB, Kind::Maintenance, 0,
         [](CommandSet &c, QByteArray &) {
             ClicheRecord cliche{};
             return c.TechnicalIntervention(true, false, cliche);
         }},
        {"RecordUser", AB, Kind::Maintenance, 0,
         [](CommandSet &c, QByteArray &) {
             return c.RecordUser(recordFrom<UserRecordBlock>(QByteArray(80, ' ')));
         }},
        {"StartFirmwareUpdate", AB, Kind::Maintenance, 0,
         [](CommandSet &c, QByteArray &) { return c.StartFirmwareUpdate(); }},
        {"ReadClock", AB, Kind::QuietSilence, 14,
         [](CommandSet &c, QByteArray &out) {
             return into<ClockRecord>(out, [&c](ClockRecord &r) { return c.ReadClock(r); });
         }},
        {"ReadCliche", B, Kind::QuietSilence, 1208,
         [](CommandSet &c, QByteArray &out) {
             return into<ClicheRecord>(out, [&c](ClicheRecord &r) { return c.ReadCliche(r); });
         }},
        {"ReadCliche", A, Kind::ClicheA, 1208,
         [](CommandSet &c, QByteArray &out) {
             return into<ClicheRecord>(out, [&c](ClicheRecord &r) { return c.ReadCliche(r); });
         }},
        {"IsInMaintenanceMode", AB, Kind::Poll, 0,
         [](CommandSet &c, QByteArray &) { return c.IsInMaintenanceMode(); }},
        {"ReadStatus", AB, Kind::Poll, 13,
         [](CommandSet &c, QByteArray &out) {
             return into<StatusRecord>(out, [&c](StatusRecord &r) { return c.ReadStatus(r); });
         }},
        {"WaitPrinterIdle", AB, Kind::Poll, 0,
         [](CommandSet &c, QByteArray &) { return c.WaitPrinterIdle(); }},
        {"ReadFiscalMemory to the PC", AB, Kind::MemoryToPc, 0,
         [](CommandSet &c, QByteArray &) {
             return c.ReadFiscalMemory("000001", "005000", 'S', [](const QByteArray &, qint64) {});
         }},
        {"ReadFiscalMemory printed", AB, Kind::MemoryPrint, 0,
         [](CommandSet &c, QByteArray &) { return c.ReadFiscalMemory("000001", "005000", 'X'); }},
    };
    return list;
}

const Operation &operation(const QString &name, uint model) {
    for (const Operation &op : operations())
        if (name == QLatin1String(op.name) && (op.models & (model == ModelA ? 2 : 1)))
            return op;
    qFatal("no such operation");
}

// A model A configuration block (997 bytes) or model B block (1425 bytes) with a few names,
// in the printer's code: "Cartão" with ã as the model writes it.
struct ConfigurationLayout {
    int operatorAt, totalizersAt, namesAt, paymentsAt, payments, paymentWidth, length;
};
ConfigurationLayout layoutFor(uint model) {
    return model == ModelA ? ConfigurationLayout{1, 21, 373, 709, 16, 17, 997}
                           : ConfigurationLayout{6, 32, 384, 720, 32, 21, 1425};
}
QByteArray cartaoFor(uint model) {
    return model == ModelA ? QByteArray("Cart\xC4o") : QByteArray("Cart\xC6o");
}
const QByteArray CartaoPc("Cart\xE3o");                    // Windows-1252
const QByteArray EmptySlot = "\xFF" + QByteArray(20, 'z'); // 21 bytes

QByteArray configurationBlockFor(uint model) {
    const ConfigurationLayout l = layoutFor(model);
    QByteArray block = model == ModelA ? QByteArray(":") : okB();
    block = pad(block, l.length, '\0');
    const auto put = [&block](int at, const QByteArray &bytes) {
        block.replace(at, bytes.size(), bytes);
    };
    put(l.operatorAt, model == ModelA ? QByteArray("Opr:Jo\xC4o") + QByteArray(12, '\0')
                                      : QByteArray("Lj:0042  Opr:Maria        "));
    for (int i = 0; i < 16; ++i)
        put(l.totalizersAt + i * 22, "+" + EmptySlot);
    put(l.totalizersAt, "+" + pad(cartaoFor(model), 21));
    put(l.totalizersAt + 22, "-" + pad("Sangria", 21));
    put(l.totalizersAt + 44, "-" + EmptySlot);
    for (int i = 0; i < 16; ++i)
        put(l.namesAt + i * 21, EmptySlot);
    put(l.namesAt, pad(cartaoFor(model), 21));
    for (int i = 0; i < l.payments; ++i)
        put(l.paymentsAt + i * (l.paymentWidth + 1), " " + EmptySlot.left(l.paymentWidth));
    put(l.paymentsAt, "X" + pad("Dinheiro", l.paymentWidth));
    put(l.paymentsAt + l.paymentWidth + 1, "V" + pad(cartaoFor(model), l.paymentWidth));
    put(l.paymentsAt + 2 * (l.paymentWidth + 1), "V" + EmptySlot.left(l.paymentWidth));
    return block;
}

} // namespace

class TestProtocolAnswers : public QObject {
    Q_OBJECT

    std::unique_ptr<Bench> bench;

private slots:
    void init() {
        resetWorld();
        bench = std::make_unique<Bench>();
    }
    void cleanup() {
        bench.reset();
        resetWorld();
        Clock::setScale(1.0);
    }

    void failingPrinter_data();
    void failingPrinter();
    void incompleteAnswer_data();
    void incompleteAnswer();
    void readTaxRates_data();
    void readTaxRates();
    void readOptions_data();
    void readOptions();
    void isDaylightSavingTime_data();
    void isDaylightSavingTime();
    void configurationTables_data();
    void configurationTables();
    void configurationCacheAfterFailure();
    void readCliche_data();
    void readCliche();
    void readClock_data();
    void readClock();
    void maintenanceMode_data();
    void maintenanceMode();
    void maintenanceRefusedWithoutSending_data();
    void maintenanceRefusedWithoutSending();
    void maintenanceWaitsAgain_data();
    void maintenanceWaitsAgain();
    void userRefusedAtTheSecondFrame();
    void waitPrinterIdle_data();
    void waitPrinterIdle();
    void fiscalMemoryToPc_data();
    void fiscalMemoryToPc();
    void messagesShowWithTheExchangeFree_data();
    void messagesShowWithTheExchangeFree();
};

// ---- Every operation with a silent and with a refusing printer ----

void TestProtocolAnswers::failingPrinter_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArrayList>("script");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("messages");

    for (const Operation &op : operations()) {
        for (uint model : {uint(ModelA), uint(ModelB)}) {
            if (!(op.models & (model == ModelA ? 2 : 1)))
                continue;
            const QString tag = QString("%1 %2").arg(model == ModelA ? "A" : "B", op.name);
            const QStringList error{refusalText(model)};
            QStringList silent;
            bool silentResult = false;
            QByteArrayList refused{refusal(model)};
            bool refusable = true;
            switch (op.kind) {
            case Kind::Checked:
                silent = {NoAnswer};
                break;
            case Kind::Maintenance:
                silent = {NoAnswer}; // a printer that does not answer the maintenance test
                refused.prepend(inMaintenance());
                break;
            case Kind::QuietSilence:
            case Kind::MemoryToPc:
                break;
            case Kind::ClicheA:
                silent = {ClicheNoAnswerA};
                break;
            case Kind::Poll:
                refusable = false;
                break;
            case Kind::MemoryPrint:
                silentResult = true;
                refusable = false;
                break;
            }
            QTest::newRow(qPrintable(tag + " silent"))
                << model << QString(op.name) << QByteArrayList{} << silentResult << silent;
            if (refusable)
                QTest::newRow(qPrintable(tag + " refused"))
                    << model << QString(op.name) << refused << false << error;
        }
    }
    // The printed reading does not check its answer: a refusal shows on paper, not here.
    QTest::newRow("A ReadFiscalMemory printed refused")
        << uint(ModelA) << "ReadFiscalMemory printed"
        << QByteArrayList{refusal(ModelA), status("000200000000")} << true << QStringList{};
}

void TestProtocolAnswers::failingPrinter() {
    QFETCH(uint, model);
    QFETCH(QString, operation);
    QFETCH(QByteArrayList, script);
    QFETCH(bool, result);
    QFETCH(QStringList, messages);

    const Operation &op = ::operation(operation, model);
    toolState().ModelCode = model;
    ProbingMessages probe(bench->link);
    bench->script(script);
    const QByteArray sentinel(op.outputSize, '#');
    QByteArray output = sentinel;
    QCOMPARE(op.run(bench->model(model), output), result);
    QCOMPARE(probe.shown, messages);
    QCOMPARE(probe.blocked, QStringList{});
    // Nothing of a failed answer reaches the caller's record, nor the configuration cache.
    if (!result)
        QCOMPARE(output, sentinel);
    QVERIFY(!configurationCacheValid());
}

// ---- Answers that end before the positions an operation reads ----

void TestProtocolAnswers::incompleteAnswer_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("answer");

    const uint A = ModelA, B = ModelB;
    QTest::newRow("A tax rates") << A << "ReadTaxRates" << okA(QByteArray(80, 'a'));
    QTest::newRow("B tax rates") << B << "ReadTaxRates" << okB(QByteArray(79, 'a'));
    QTest::newRow("A options") << A << "ReadOptions" << okA(QByteArray(31, '1'));
    QTest::newRow("B options") << B << "ReadOptions" << okB(QByteArray(12, '1'));
    QTest::newRow("A configuration") << A << "ReadConfiguration" << okA(QByteArray(995, ' '));
    QTest::newRow("B configuration") << B << "ReadConfiguration" << okB(QByteArray(1417, ' '));
    QTest::newRow("A payment methods") << A << "ReadPaymentMethods" << okA(QByteArray(700, ' '));
    QTest::newRow("B operator") << B << "ReadOperator" << okB(QByteArray(20, ' '));
    QTest::newRow("A header") << A << "ReadCliche"
                              << QByteArray("\x02"
                                            "0001"
                                            "\xFF");
    QTest::newRow("B header") << B << "ReadCliche" << okB("00011");
    QTest::newRow("A clock") << A << "ReadClock" << okA("x01020304050");
    QTest::newRow("B clock") << B << "ReadClock" << okB("31120623595");
    QTest::newRow("A memory header") << A << "ReadFiscalMemory to the PC" << okA("2345678");
    QTest::newRow("B memory header") << B << "ReadFiscalMemory to the PC" << okB("1234567");
    QTest::newRow("B memory header with end mark")
        << B << "ReadFiscalMemory to the PC" << okB("12345") + End;
}

void TestProtocolAnswers::incompleteAnswer() {
    QFETCH(uint, model);
    QFETCH(QString, operation);
    QFETCH(QByteArray, answer);

    const Operation &op = ::operation(operation, model);
    ProbingMessages probe(bench->link);
    bench->script({answer});
    const QByteArray sentinel(op.outputSize, '#');
    QByteArray output = sentinel;
    QVERIFY(!op.run(bench->model(model), output));
    QCOMPARE(probe.shown, QStringList{Incomplete});
    QCOMPARE(probe.blocked, QStringList{});
    QCOMPARE(output, sentinel);
    QVERIFY(!configurationCacheValid());
}

// ---- Read-back ----

void TestProtocolAnswers::readTaxRates_data() {
    QTest::addColumn<uint>("model");
    QTest::newRow("A") << uint(ModelA);
    QTest::newRow("B") << uint(ModelB);
}

void TestProtocolAnswers::readTaxRates() {
    QFETCH(uint, model);
    // Sixteen entries of a type letter and four digits: lower case marks an ISS rate.
    QByteArray entries = "s0500"
                         "T1800"
                         "t0250"
                         "A0700";
    for (int i = 4; i < 16; ++i)
        entries += "T////";
    bench->script({model == ModelA ? okA("x" + entries + "\r") : okB(entries + "\r")});
    TaxRateRecord rates[16];
    QVERIFY(bench->model(model).ReadTaxRates(rates));
    QCOMPARE(bench->written(), QByteArrayList{esc(0xE7)});
    const int iss[4] = {1, 0, 1, 0};
    for (int i = 0; i < 16; ++i) {
        QCOMPARE(int(rates[i].iss), i < 4 ? iss[i] : 0);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(rates[i].rate), 4),
                 entries.mid(i * 5 + 1, 4));
    }
}

void TestProtocolAnswers::readOptions_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("block"); // the first 32 bytes; '#' = left as it was

    // P(i) is the i-th character of the parameter list.
    const QByteArray pA = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcd";
    const QByteArray pB = "0123456789ABCDEFGHIJ";
    QTest::newRow("A") << uint(ModelA) << okA(pA) << QByteArray("315#VB#FGHILMA##7###4###########");
    QTest::newRow("B") << uint(ModelB) << okB(pB) << QByteArray("012#45#789ABC###################");
}

void TestProtocolAnswers::readOptions() {
    QFETCH(uint, model);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, block);

    bench->script({answer});
    OptionsBlock options;
    std::memset(options.bytes, '#', sizeof options.bytes);
    QVERIFY(bench->model(model).ReadOptions(options));
    QCOMPARE(bench->written(), QByteArrayList{esc(0xE5)});
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(options.bytes), 70),
             block + QByteArray(38, '#'));
}

void TestProtocolAnswers::isDaylightSavingTime_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("dst");
    // The flag is P5 on model A and P2 on model B; the other characters are the opposite.
    QTest::newRow("A on") << uint(ModelA) << okA("00000100000000000000000000000000000000") << true;
    QTest::newRow("A off") << uint(ModelA) << okA("11111011111111111111111111111111111111")
                           << false;
    QTest::newRow("B on") << uint(ModelB) << okB("0010000000000") << true;
    QTest::newRow("B off") << uint(ModelB) << okB("1101111111111") << false;
}

void TestProtocolAnswers::isDaylightSavingTime() {
    QFETCH(uint, model);
    QFETCH(QByteArray, answer);
    QFETCH(bool, dst);
    bench->script({answer});
    QCOMPARE(bench->model(model).IsDaylightSavingTime(), dst);
    QVERIFY(bench->messages.texts().isEmpty());
}

void TestProtocolAnswers::configurationTables_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QByteArray>("store");
    QTest::addColumn<QByteArray>("operatorName");
    QTest::newRow("A") << uint(ModelA) << QByteArray("####") << QByteArray("Jo\xE3o");
    QTest::newRow("B") << uint(ModelB) << QByteArray("0042") << QByteArray("Maria        ");
}

void TestProtocolAnswers::configurationTables() {
    QFETCH(uint, model);
    QFETCH(QByteArray, store);
    QFETCH(QByteArray, operatorName);

    const ConfigurationLayout l = layoutFor(model);
    bench->script({configurationBlockFor(model) + "tail"});
    CommandSet &set = bench->model(model);

    PaymentMethodTable payments;
    std::memset(&payments, '#', sizeof payments);
    QVERIFY(set.ReadPaymentMethods(payments));
    const auto entry = [](const FlaggedName &e) {
        return QByteArray(1, char(e.flag)) + QByteArray(reinterpret_cast<const char *>(e.name), 21);
    };
    const QByteArray no(1, '\0');
    QCOMPARE(entry(payments.entries[0]), no + pad(pad("Dinheiro", l.paymentWidth), 21));
    QCOMPARE(entry(payments.entries[1]), "\1" + pad(CartaoPc, 21));
    // A name slot beginning with 0xFF reads as spaces (17 on model A, the rest stay spaces).
    QCOMPARE(entry(payments.entries[2]), "\1" + pad("", 21));
    QCOMPARE(entry(payments.entries[3]), no + pad("", 21));
    for (int i = l.payments; i < 32; ++i)
        QCOMPARE(entry(payments.entries[i]), pad("", 22)); // model A: the table's space fill

    TotalizerTable totalizers;
    QVERIFY(set.ReadNonFiscalTotalizers(totalizers));
    QCOMPARE(entry(totalizers.entries[0]), no + pad(CartaoPc, 21));
    QCOMPARE(entry(totalizers.entries[1]), "\1" + pad("Sangria", 21));
    QCOMPARE(entry(totalizers.entries[2]), "\1" + pad("", 21));
    QCOMPARE(entry(totalizers.entries[15]), no + pad("", 21));

    NameTable names;
    QVERIFY(model == ModelA ? set.ReadLinkedTotalizers(names) : set.ReadReportNames(names));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(names.names[0]), 21), pad(CartaoPc, 21));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(names.names[15]), 21), pad("", 21));

    OperatorRecord op;
    std::memset(&op, '#', sizeof op);
    QVERIFY(set.ReadOperator(op));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(op.store), 4), store);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(op.name), 16), pad(operatorName, 16, '\0'));

    // One configuration frame served every read.
    QCOMPARE(bench->written(), QByteArrayList{esc(model == ModelA ? 0xEE : 0xEA)});
    QVERIFY(configurationCacheValid());
    QCOMPARE(configurationBlock().bytes.size(), model == ModelA ? l.length + 4 : 1425);
}

void TestProtocolAnswers::configurationCacheAfterFailure() {
    // Model A: a silent printer leaves the cache invalid, so the next read asks again.
    OperatorRecord op{};
    QVERIFY(!bench->a.ReadOperator(op));
    QVERIFY(!configurationCacheValid());
    bench->script({configurationBlockFor(ModelA)});
    QVERIFY(bench->a.ReadOperator(op));
    QCOMPARE(bench->written().size(), 2);
    // A cached block too short for model B's parts is fetched again, never read past its end.
    bench->script({configurationBlockFor(ModelB)});
    NameTable names;
    QVERIFY(bench->b.ReadReportNames(names));
    QCOMPARE(bench->written().size(), 3);
    QVERIFY(bench->b.ReadReportNames(names));
    QCOMPARE(bench->written().size(), 3);
}

void TestProtocolAnswers::readCliche_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("text"); // with its 0xFF
    QTest::addColumn<QByteArray>("ecf");

    QTest::newRow("A") << uint(ModelA)
                       << QByteArray("\x02"
                                     "0007"
                                     "Jo\xC4o\r\n"
                                     "\xFF\r")
                       << QByteArray("Jo\xE3o\r\n\xFF") << QByteArray("0007");
    QTest::newRow("B") << uint(ModelB)
                       << okB("0012"
                              "Jo\xC6o\r\n"
                              "\xFF\r")
                       << QByteArray("Jo\xE3o\r\n\xFF") << QByteArray("0012");
    QTest::newRow("A empty text") << uint(ModelA)
                                  << QByteArray("\x02"
                                                "0001"
                                                "\xFF\r")
                                  << QByteArray("\xFF") << QByteArray("0001");
    // A text longer than the record's field is cut at 1199 bytes and its 0xFF.
    QTest::newRow("A text cut at its field")
        << uint(ModelA)
        << QByteArray("\x02"
                      "0003") +
               QByteArray(1300, 'x') + "\xFF\r"
        << QByteArray(1199, 'x') + "\xFF" << QByteArray("0003");
}

void TestProtocolAnswers::readCliche() {
    QFETCH(uint, model);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, ecf);

    bench->script({answer});
    ClicheRecord cliche;
    std::memset(&cliche, '#', sizeof cliche);
    QVERIFY(bench->model(model).ReadCliche(cliche));
    QCOMPARE(bench->written(), QByteArrayList{esc(0xE8)});
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(cliche.ecfNumber), 4), ecf);
    QCOMPARE(cliche.length, uint32_t(text.size()));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(cliche.text), int(text.size())), text);
}

void TestProtocolAnswers::readClock_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QDateTime>("clock");
    QTest::addColumn<int>("waitMode");
    QTest::newRow("B") << uint(ModelB) << okB("311206235959")
                       << QDateTime(QDate(2006, 12, 31), QTime(23, 59, 59)) << int(WaitShort);
    QTest::newRow("A") << uint(ModelA) << okA("x010203040506")
                       << QDateTime(QDate(2003, 2, 1), QTime(4, 5, 6)) << int(WaitNormal);
}

void TestProtocolAnswers::readClock() {
    QFETCH(uint, model);
    QFETCH(QByteArray, answer);
    QFETCH(QDateTime, clock);
    QFETCH(int, waitMode);

    bench->script({answer});
    ClockRecord record;
    std::memset(&record, 0xEE, sizeof record);
    QVERIFY(bench->model(model).ReadClock(record));
    QCOMPARE(bench->written(), QByteArrayList{esc(0xE6)});
    QCOMPARE(QDateTime(QDate(record.year, record.month, record.day),
                       QTime(record.hour, record.minute, record.second)),
             clock);
    QCOMPARE(record.zero, uint16_t(0));
    QCOMPARE(bench->device->readTimeouts.value(0), Link::timeoutFor(waitMode));
}

// ---- Maintenance mode ----

void TestProtocolAnswers::maintenanceMode_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QByteArrayList>("script");
    QTest::addColumn<bool>("maintenance");
    // Status digit 3 (answer byte 3): bit 3 set means operation mode.
    QTest::newRow("A digit 0") << uint(ModelA) << QByteArrayList{status("000000000000")} << true;
    QTest::newRow("A digit 8") << uint(ModelA) << QByteArrayList{status("008000000000")} << false;
    QTest::newRow("B digit 7") << uint(ModelB) << QByteArrayList{status("777777777777")} << true;
    QTest::newRow("B digit F") << uint(ModelB) << QByteArrayList{status("00F000000000")} << false;
    QTest::newRow("B digit A") << uint(ModelB) << QByteArrayList{status("00A000000000")} << false;
    QTest::newRow("A silent") << uint(ModelA) << QByteArrayList{} << false;
    QTest::newRow("B short answer") << uint(ModelB)
                                    << QByteArrayList{"\x02"
                                                      "00"}
                                    << false;
}

void TestProtocolAnswers::maintenanceMode() {
    QFETCH(uint, model);
    QFETCH(QByteArrayList, script);
    QFETCH(bool, maintenance);
    bench->script(script);
    QCOMPARE(bench->model(model).IsInMaintenanceMode(), maintenance);
    QCOMPARE(bench->written(), QByteArrayList{bytes({29, model == ModelA ? 0xFF : 0x05})});
    QCOMPARE(bench->device->readTimeouts.value(0), Link::timeoutFor(WaitNormal));
}

void TestProtocolAnswers::maintenanceRefusedWithoutSending_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QString>("operation");
    for (const char *op : {"TechnicalIntervention", "RecordUser", "StartFirmwareUpdate"}) {
        QTest::newRow(qPrintable(QString("A ") + op)) << uint(ModelA) << QString(op);
        QTest::newRow(qPrintable(QString("B ") + op)) << uint(ModelB) << QString(op);
    }
}

void TestProtocolAnswers::maintenanceRefusedWithoutSending() {
    QFETCH(uint, model);
    QFETCH(QString, operation);
    bench->script({notInMaintenance()});
    QByteArray output;
    QVERIFY(!::operation(operation, model).run(bench->model(model), output));
    QCOMPARE(bench->messages.texts(), QStringList{NotInMaintenance});
    QCOMPARE(bench->messages.shown().value(0).caption, QStringLiteral("Erro"));
    QCOMPARE(bench->written().size(), 1); // the GS test only
}

void TestProtocolAnswers::maintenanceWaitsAgain_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QByteArrayList>("script");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("messages");
    // The printer writes its fiscal memory before answering: one more wait, no second frame.
    QTest::newRow("A late answer")
        << uint(ModelA) << QByteArrayList{inMaintenance(), "", ":"} << true << QStringList{};
    QTest::newRow("B late refusal")
        << uint(ModelB) << QByteArrayList{inMaintenance(), "", refusal(ModelB)} << false
        << QStringList{refusalText(ModelB)};
    QTest::newRow("A no answer at all") << uint(ModelA) << QByteArrayList{inMaintenance(), "", ""}
                                        << false << QStringList{NoAnswer};
}

void TestProtocolAnswers::maintenanceWaitsAgain() {
    QFETCH(uint, model);
    QFETCH(QByteArrayList, script);
    QFETCH(bool, result);
    QFETCH(QStringList, messages);
    bench->script(script);
    ClicheRecord cliche{};
    QCOMPARE(bench->model(model).TechnicalIntervention(false, false, cliche), result);
    QCOMPARE(bench->messages.texts(), messages);
    QCOMPARE(bench->written().size(), 2);
    QCOMPARE(bench->reads(), 3);
}

void TestProtocolAnswers::userRefusedAtTheSecondFrame() {
    bench->script({inMaintenance(), okB(), refusal(ModelB)});
    QVERIFY(!bench->b.RecordUser(recordFrom<UserRecordBlock>(QByteArray(80, ' '))));
    QCOMPARE(bench->messages.texts(), QStringList{refusalText(ModelB)});
    QCOMPARE(bench->written().size(), 3);
}

// ---- Waiting for the printer to finish printing ----

void TestProtocolAnswers::waitPrinterIdle_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QByteArrayList>("script");
    QTest::addColumn<bool>("idle");
    QTest::addColumn<int>("polls");

    const uint A = ModelA, B = ModelB;
    const auto digit = [](int at, char value) {
        QByteArray digits(12, '0');
        digits[at - 1] = value;
        return status(digits);
    };
    // Model A: digit 4, bit 0 = busy, then bit 1 = idle.
    QTest::newRow("A 2 ends") << A << QByteArrayList{digit(4, '2')} << true << 1;
    QTest::newRow("A 3 then 2") << A << QByteArrayList{digit(4, '3'), digit(4, '2')} << true << 2;
    QTest::newRow("A 0 then 6") << A << QByteArrayList{digit(4, '0'), digit(4, '6')} << true << 2;
    QTest::newRow("A 2 at digit 5 only")
        << A << QByteArrayList{digit(5, '2'), digit(4, 'A')} << true << 2;
    // Model B: digit 5, bits 0 and 1 both set.
    QTest::newRow("B 3 ends") << B << QByteArrayList{digit(5, '3')} << true << 1;
    QTest::newRow("B hex B ends") << B << QByteArrayList{digit(5, 'B')} << true << 1;
    QTest::newRow("B 1 then 2 then 7")
        << B << QByteArrayList{digit(5, '1'), digit(5, '2'), digit(5, '7')} << true << 3;
    QTest::newRow("B 3 at digit 4 only")
        << B << QByteArrayList{digit(4, '3'), digit(5, '3')} << true << 2;
    // A short answer tells nothing: poll again.
    QTest::newRow("A short then 2") << A
                                    << QByteArrayList{"\x02"
                                                      "000",
                                                      digit(4, '2')}
                                    << true << 2;
    // One empty wait: wait once more for the same poll.
    QTest::newRow("B late answer") << B << QByteArrayList{"", digit(5, '3')} << true << 1;
    QTest::newRow("A silent twice") << A << QByteArrayList{"", ""} << false << 1;
    QTest::newRow("B stops answering") << B << QByteArrayList{digit(5, '0'), "", ""} << false << 2;
}

void TestProtocolAnswers::waitPrinterIdle() {
    QFETCH(uint, model);
    QFETCH(QByteArrayList, script);
    QFETCH(bool, idle);
    QFETCH(int, polls);

    bench->script(script);
    QCOMPARE(bench->model(model).WaitPrinterIdle(), idle);
    const QByteArray gs = bytes({29, model == ModelA ? 0xFF : 0x05});
    QByteArrayList expected{QByteArray("\r")};
    for (int i = 0; i < polls; ++i)
        expected << gs;
    QCOMPARE(bench->written(), expected);
    QCOMPARE(bench->reads(), int(script.size()));
    QVERIFY(bench->messages.texts().isEmpty());
}

// ---- The fiscal memory reading sent to the PC ----

void TestProtocolAnswers::fiscalMemoryToPc_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QByteArrayList>("script");
    QTest::addColumn<QByteArrayList>("texts");
    QTest::addColumn<QList<qint64>>("counts");
    QTest::addColumn<int>("end");
    QTest::addColumn<QStringList>("messages");

    const uint A = ModelA, B = ModelB;
    const int complete = int(CommandSet::ReadingEnd::Complete);
    const int silent = int(CommandSet::ReadingEnd::Silent);
    const int failed = int(CommandSet::ReadingEnd::Failed);
    const QByteArray headerA = okA("12345678"); // 9 bytes
    const QByteArray headerB = okB("12345678"); // 14 bytes
    const QByteArrayList nothing;
    const QStringList quiet;

    QTest::newRow("B three chunks")
        << B << QByteArrayList{headerB + "Linha 1\r\n", "Linha 2\r\n", "Fim\r\n" + End}
        << QByteArrayList{"Linha 1\r\n", "Linha 2\r\n", "Fim\r\n"} << QList<qint64>{23, 32, 39}
        << complete << quiet;
    QTest::newRow("B one chunk") << B << QByteArrayList{headerB + "Tudo" + End}
                                 << QByteArrayList{"Tudo"} << QList<qint64>{20} << complete
                                 << quiet;
    // Model A's report is plain CP850: 0x87 is ç (0xE7), not one of the model's own codes.
    QTest::newRow("A plain CP850 text")
        << A << QByteArrayList{headerA + "Fun\x87\xC6o", "!" + End}
        << QByteArrayList{"Fun\xE7\xE3o", "!"} << QList<qint64>{15, 18} << complete << quiet;
    QTest::newRow("B header alone, then the text")
        << B << QByteArrayList{headerB, "texto" + End} << QByteArrayList{"", "texto"}
        << QList<qint64>{14, 21} << complete << quiet;
    QTest::newRow("B pauses between chunks")
        << B << QByteArrayList{headerB + "a", "", "", "b" + End} << QByteArrayList{"a", "b"}
        << QList<qint64>{15, 18} << complete << quiet;
    QByteArrayList pause29(29, QByteArray());
    QTest::newRow("A 29 empty waits are a pause")
        << A << QByteArrayList{headerA + "a"} + pause29 + QByteArrayList{"b" + End}
        << QByteArrayList{"a", "b"} << QList<qint64>{10, 13} << complete << quiet;
    QTest::newRow("A 30 empty waits end it")
        << A << QByteArrayList{headerA + "a"} + pause29 + QByteArrayList{"", "b" + End}
        << QByteArrayList{"a"} << QList<qint64>{10} << silent << quiet;
    // The count starts afresh with every chunk: 40 empty waits in all, never 30 in a row.
    QByteArrayList pause20(20, QByteArray());
    QTest::newRow("B silence counted afresh after each chunk")
        << B
        << QByteArrayList{headerB + "a"} + pause20 + QByteArrayList{"b"} + pause20 +
               QByteArrayList{"c" + End}
        << QByteArrayList{"a", "b", "c"} << QList<qint64>{15, 16, 19} << complete << quiet;
    QTest::newRow("B never answers")
        << B << nothing << nothing << QList<qint64>{} << silent << quiet;
    QTest::newRow("B refused") << B << QByteArrayList{refusal(B)} << nothing << QList<qint64>{}
                               << failed << QStringList{refusalText(B)};
    QTest::newRow("A refused") << A << QByteArrayList{refusal(A) + "\r\n"} << nothing
                               << QList<qint64>{} << failed << QStringList{refusalText(A)};
    // Only the first chunk can be a refusal: later ones are report text.
    QTest::newRow("A error text inside the report")
        << A << QByteArrayList{headerA, ":E16" + End} << QByteArrayList{"", ":E16"}
        << QList<qint64>{9, 15} << complete << quiet;
}

void TestProtocolAnswers::fiscalMemoryToPc() {
    QFETCH(uint, model);
    QFETCH(QByteArrayList, script);
    QFETCH(QByteArrayList, texts);
    QFETCH(QList<qint64>, counts);
    QFETCH(int, end);
    QFETCH(QStringList, messages);

    bench->script(script);
    QByteArrayList received;
    QList<qint64> receivedCounts;
    CommandSet::ReadingEnd how = CommandSet::ReadingEnd::Complete;
    const bool result = bench->model(model).ReadFiscalMemory(
        "000001", "005000", 'S',
        [&](const QByteArray &text, qint64 count) {
            received << text;
            receivedCounts << count;
        },
        &how);
    QCOMPARE(result, end == int(CommandSet::ReadingEnd::Complete));
    QCOMPARE(int(how), end);
    QCOMPARE(received, texts);
    QCOMPARE(receivedCounts, counts);
    QCOMPARE(bench->messages.texts(), messages);
    // One frame; every chunk is fetched with the short wait.
    QCOMPARE(bench->written().size(), 1);
    for (int timeout : bench->device->readTimeouts)
        QCOMPARE(timeout, Link::timeoutFor(WaitShort));
    if (end == int(CommandSet::ReadingEnd::Silent))
        QCOMPARE(bench->device->readTimeouts.size() - received.size(), 30);
}

// ---- Message boxes never show while the link is held ----

void TestProtocolAnswers::messagesShowWithTheExchangeFree_data() {
    // The failures are probed above; here the one message shown on success.
    QTest::addColumn<uint>("model");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArrayList>("script");
    QTest::newRow("A user recorded")
        << uint(ModelA) << "RecordUser" << QByteArrayList{inMaintenance(), okA(), okA()};
    QTest::newRow("B user recorded")
        << uint(ModelB) << "RecordUser" << QByteArrayList{inMaintenance(), okB(), okB()};
}

void TestProtocolAnswers::messagesShowWithTheExchangeFree() {
    QFETCH(uint, model);
    QFETCH(QString, operation);
    QFETCH(QByteArrayList, script);
    ProbingMessages probe(bench->link);
    bench->script(script);
    QByteArray output(1208, '#');
    ::operation(operation, model).run(bench->model(model), output);
    QCOMPARE(probe.captioned, QStringList{QStringLiteral("Informação: Usuário gravado!")});
    QCOMPARE(probe.blocked, QStringList{});
}

QTEST_GUILESS_MAIN(TestProtocolAnswers)
#include "test_protocol_answers.moc"
