// The frames both command sets send, byte for byte: programming, maintenance, reports and the
// fiscal memory reading, with the firmware gates and the daylight-saving adjustment.
#include "protocol_bench.h"

#include <QtTest>

#include <functional>
#include <map>

using namespace bench;

namespace {

QByteArray latin1(const QString &text) {
    return text.toLatin1(); // the PC's code page for these letters
}

// Records as the windows fill them.
QByteArray taxRate(int iss, const char *rate) {
    return QByteArray(1, char(iss)) + rate;
}
QByteArray paymentMethod(int linked, const char *index, const QByteArray &name) {
    return QByteArray(1, char(linked)) + index + pad(name, 21);
}
QByteArray totalizer(int sign, const QByteArray &name) {
    return QByteArray(1, char(sign)) + "  " + pad(name, 21);
}
QByteArray operatorRecord(const QByteArray &store, const QByteArray &name) {
    return pad(store, 4) + pad(name, 16);
}
// An options block with a distinct character in every byte the frames carry.
QByteArray markedOptions() {
    QByteArray o(70, '\0');
    const char *marks = "abc#de#fghijkl##m###n#########op";
    for (int i = 0; i < 32; ++i)
        if (marks[i] != '#')
            o[i] = marks[i];
    return o;
}
QByteArray cliche(const QByteArray &ecf, const QByteArray &text, uint32_t length) {
    ClicheRecord record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.ecfNumber, ecf.constData(), 4);
    std::memcpy(record.text, text.constData(), size_t(std::min<qsizetype>(text.size(), 1200)));
    record.length = length;
    return bytesOf(record);
}
QByteArray user(const QByteArray &im) {
    return pad("12345678000190", 20) + pad("ISENTO", 20) + pad(im, 20) + pad("ABCDEFGHIJ", 20);
}
const char FiscalMemoryEnd[] = "\xFF\r";

using Operation = std::function<bool(CommandSet &, const QByteArray &input)>;

const std::map<QString, Operation> &operations() {
    static const std::map<QString, Operation> table{
        {"ProgramTaxRate",
         [](CommandSet &c, const QByteArray &in) {
             return c.ProgramTaxRate(recordFrom<TaxRateRecord>(in));
         }},
        {"ProgramPaymentMethod",
         [](CommandSet &c, const QByteArray &in) {
             return c.ProgramPaymentMethod(recordFrom<PaymentMethodRecord>(in));
         }},
        {"ProgramLinkedTotalizer",
         [](CommandSet &c, const QByteArray &in) {
             return c.ProgramLinkedTotalizer(recordFrom<PaymentMethodRecord>(in));
         }},
        {"ProgramReportName",
         [](CommandSet &c, const QByteArray &in) {
             return c.ProgramReportName(reinterpret_cast<const uint8_t *>(in.constData()));
         }},
        {"ProgramNonFiscalTotalizer",
         [](CommandSet &c, const QByteArray &in) {
             return c.ProgramNonFiscalTotalizer(recordFrom<TotalizerRecord>(in));
         }},
        {"ProgramOptions",
         [](CommandSet &c, const QByteArray &in) {
             return c.ProgramOptions(recordFrom<OptionsBlock>(in));
         }},
        {"SetDaylightSavingTime",
         [](CommandSet &c, const QByteArray &in) { return c.SetDaylightSavingTime(in.toInt()); }},
        {"ProgramOperator",
         [](CommandSet &c, const QByteArray &in) {
             return c.ProgramOperator(recordFrom<OperatorRecord>(in));
         }},
        {"TechnicalIntervention",
         [](CommandSet &c, const QByteArray &in) {
             // Two flag characters (clear programming, with header), then the header record.
             ClicheRecord record = recordFrom<ClicheRecord>(in.mid(2));
             return c.TechnicalIntervention(in[0] == '1', in[1] == '1', record);
         }},
        {"RecordUser",
         [](CommandSet &c, const QByteArray &in) {
             return c.RecordUser(recordFrom<UserRecordBlock>(in));
         }},
        {"StartFirmwareUpdate",
         [](CommandSet &c, const QByteArray &in) {
             toolState().PrinterSerial.set(QString::fromLatin1(in));
             return c.StartFirmwareUpdate();
         }},
        {"ReadingX", [](CommandSet &c, const QByteArray &) { return c.ReadingX(); }},
        {"ReductionZ", [](CommandSet &c, const QByteArray &) { return c.ReductionZ(); }},
        {"ReadFiscalMemory",
         [](CommandSet &c, const QByteArray &in) {
             // The destination character, then start and end.
             return c.ReadFiscalMemory(in.constData() + 1, in.constData() + 7, in[0]);
         }},
    };
    return table;
}

// Seconds to move the PC clock so that it reads 00:30 today: one hour earlier is yesterday.
int64_t offsetToHalfPastMidnight() {
    const QDateTime now = QDateTime::currentDateTime();
    return now.secsTo(QDateTime(now.date(), QTime(0, 30)));
}

} // namespace

class TestProtocolFrames : public QObject {
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

    void frames_data();
    void frames();
};

void TestProtocolFrames::frames_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<double>("firmware");
    QTest::addColumn<bool>("pcDst");
    QTest::addColumn<bool>("nearMidnight");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArrayList>("answers"); // empty: one accepted answer per frame
    QTest::addColumn<QByteArrayList>("frames");  // {DT}/{D} markers: the PC's date-time
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("messages");

    const uint A = ModelA;
    const uint B = ModelB;
    const QByteArrayList none;
    const QStringList quiet;
    const auto row = [&](const char *name, uint model, const char *op, const QByteArray &input,
                         const QByteArrayList &frames, bool result = true, double firmware = 0.0,
                         const QByteArrayList &answers = {}, bool dst = false,
                         bool nearMidnight = false, const QStringList &messages = {}) {
        QTest::newRow(name) << model << firmware << dst << nearMidnight << QString(op) << input
                            << answers << frames << result << messages;
    };

    // Accented names: "Cartão de crédito" in the PC's code page, on model A in its own
    // letter codes (ã 0xC4, é 0xC8), on model B in CP850 (ã 0xC6, é 0x82).
    const QByteArray card = latin1(QStringLiteral("Cartão de crédito xyz"));
    const QByteArray cardA("Cart\xC4o de cr\xC8"
                           "dito");
    const QByteArray cardB("Cart\xC6o de cr\x82"
                           "dito xyz");

    // ---- Tax rates ----
    row("A tax rate ISS", A, "ProgramTaxRate", taxRate(1, "1800"), {esc(0xDC) + "S1800"});
    row("A tax rate ICMS", A, "ProgramTaxRate", taxRate(0, "0700"), {esc(0xDC) + "0700"});
    row("A tax rate unused", A, "ProgramTaxRate", taxRate(1, "////"), none);
    row("B tax rate ISS", B, "ProgramTaxRate", taxRate(1, "0500"), {esc(0xDC) + "S0500"});
    row("B tax rate ICMS", B, "ProgramTaxRate", taxRate(0, "1800"), {esc(0xDC) + "N1800"});
    row("B tax rate unused", B, "ProgramTaxRate", taxRate(0, "////"), none);

    // ---- Payment methods ----
    row("A payment 16 linked", A, "ProgramPaymentMethod", paymentMethod(1, "16", card),
        {esc(0xDA) + "PGVP" + cardA});
    row("A payment 01", A, "ProgramPaymentMethod", paymentMethod(0, "01", "Dinheiro"),
        {esc(0xDA) + "PGXA" + pad("Dinheiro", 17)});
    row("A payment index 00 refused", A, "ProgramPaymentMethod", paymentMethod(0, "00", "X"), none,
        false);
    row("A payment index 17 refused", A, "ProgramPaymentMethod", paymentMethod(0, "17", "X"), none,
        false);
    row("A payment blank name", A, "ProgramPaymentMethod", paymentMethod(1, "02", ""), none);
    row("B payment 05 linked", B, "ProgramPaymentMethod", paymentMethod(1, "05", card),
        {esc(0xDE) + "55" + cardB});
    row("B payment 05", B, "ProgramPaymentMethod", paymentMethod(0, "05", card),
        {esc(0xDE) + "05" + cardB});
    row("B payment 16 linked", B, "ProgramPaymentMethod", paymentMethod(1, "16", "Cheque"),
        {esc(0xDE) + "66" + pad("Cheque", 21)});
    row("B payment index 00 refused", B, "ProgramPaymentMethod", paymentMethod(1, "00", "X"), none,
        false);
    row("B payment blank name", B, "ProgramPaymentMethod", paymentMethod(0, "03", ""), none);

    // ---- Linked totalizer (A), report names (B), non-fiscal totalizers ----
    row("A linked totalizer converted in 21 positions", A, "ProgramLinkedTotalizer",
        paymentMethod(1, "03", card), {esc(0xE2) + "V" + cardA + "    "});
    row("A linked totalizer of a method not linked", A, "ProgramLinkedTotalizer",
        paymentMethod(0, "03", card), none);
    row("A linked totalizer blank", A, "ProgramLinkedTotalizer",
        paymentMethod(1, "03", QByteArray(17, ' ') + "abcd"), none);
    row("B report name", B, "ProgramReportName", pad(card, 21), {esc(0xE0) + cardB});
    row("B report name blank", B, "ProgramReportName", pad("", 21), none);
    row("A totalizer outflow", A, "ProgramNonFiscalTotalizer", totalizer(1, "Sangria"),
        {esc(0xE2) + "-" + pad("Sangria", 21)});
    row("A totalizer inflow", A, "ProgramNonFiscalTotalizer", totalizer(0, "Suprimento"),
        {esc(0xE2) + "+" + pad("Suprimento", 21)});
    row("B totalizer outflow", B, "ProgramNonFiscalTotalizer", totalizer(1, "Sangria"),
        {esc(0xDF) + "-" + pad("Sangria", 21)});
    row("B totalizer blank", B, "ProgramNonFiscalTotalizer", totalizer(0, ""), none);

    // ---- Options ----
    const QByteArray optionsA = "0b0anc0m10"
                                "le00Xfghi0"
                                "8jk2550000"
                                "0d0{33}000000";
    row("A options below 1.22", A, "ProgramOptions", markedOptions(),
        {esc(0xE4) + QByteArray(optionsA).replace("{33}", "0")}, true, 1.21);
    row("A options from 1.22", A, "ProgramOptions", markedOptions(),
        {esc(0xE4) + QByteArray(optionsA).replace("{33}", "p")}, true, 1.22);
    row("A options from 1.22 read as 1.2199999", A, "ProgramOptions", markedOptions(),
        {esc(0xE4) + QByteArray(optionsA).replace("{33}", "p")}, true, 1.2199999999);
    row("B options below 1.01", B, "ProgramOptions", markedOptions(),
        {esc(0xE4) + "abcXdeXfghijk0000000"}, true, 1.00);
    row("B options from 1.01", B, "ProgramOptions", markedOptions(),
        {esc(0xE4) + "abcXdeXfghijk00000op"}, true, 1.01);
    // A zero byte of the block goes out as a zero byte.
    QByteArray zeroOptionsA = QByteArray("0b0anc0m10"
                                         "le00Xfghi0"
                                         "8jk2550000"
                                         "0d0p000000");
    for (char mark : QByteArray("abcdefghijklmnp"))
        zeroOptionsA.replace(mark, '\0');
    row("A options zero bytes sent as they are", A, "ProgramOptions", QByteArray(70, '\0'),
        {esc(0xE4) + zeroOptionsA}, true, 1.22);

    // ---- Daylight saving: every other option 'X', the fixed characters as always ----
    row("A daylight saving on", A, "SetDaylightSavingTime", "1",
        {esc(0xE4) + "0X0XX10X10"
                     "XX00XXXXX0"
                     "8XX2550000"
                     "0X00000000"});
    row("A daylight saving on from 1.22", A, "SetDaylightSavingTime", "1",
        {esc(0xE4) + "0X0XX10X10"
                     "XX00XXXXX0"
                     "8XX2550000"
                     "0X0X000000"},
        true, 1.22);
    row("B daylight saving off", B, "SetDaylightSavingTime", "0",
        {esc(0xE4) + "XX0XXXXXXXXXX0000000"});
    row("B daylight saving on from 1.01", B, "SetDaylightSavingTime", "1",
        {esc(0xE4) + "XX1XXXXXXXXXX00000XX"}, true, 1.01);

    // ---- Operator ----
    row("A operator", A, "ProgramOperator", operatorRecord("", latin1(QStringLiteral("João"))),
        {esc(0xDA) + "OOpr:" + pad("Jo\xC4o", 16)});
    row("A operator blank", A, "ProgramOperator", operatorRecord("0001", ""), none);
    row("B operator", B, "ProgramOperator",
        operatorRecord("0001", latin1(QStringLiteral("José da Silva123"))),
        {esc(0xDD) + "Lj:0001  Opr:Jos\x82 da Silva"});
    row("B operator of ten leading spaces", B, "ProgramOperator",
        operatorRecord("0001", "          abc"), none);

    // ---- Maintenance-mode commands: the GS test first ----
    const QByteArray gsA = bytes({29, 0xFF});
    const QByteArray gsB = bytes({29, 0x05});
    const QByteArray c0 = esc(0xC0);
    const QByteArrayList maintenanceOk{inMaintenance(), ":"};
    row("A intervention without header", A, "TechnicalIntervention", "10" + cliche("", "", 0),
        {gsA, c0 + "{DT}ZZZ R\xFF"}, true, 0, maintenanceOk);
    row("A intervention without header, PC in daylight saving", A, "TechnicalIntervention",
        "00" + cliche("", "", 0), {gsA, c0 + "{DT-1}XXX R\xFF"}, true, 0, maintenanceOk, true);
    row("A intervention with header", A, "TechnicalIntervention",
        "01" + cliche("0007", latin1(QStringLiteral("Ação\r\n")) + "\xFF", 7),
        {gsA, c0 + "{DT}XXX R0007A\xC6\xC4o\r\n\xFF"}, true, 0, maintenanceOk);
    row("B intervention with header, PC in daylight saving", B, "TechnicalIntervention",
        "11" + cliche("0012", latin1(QStringLiteral("Ação\r\n")) + "\xFF", 7),
        {gsB, c0 + "{DT-1}ZZZ R0012A\x87\xC6o\r\n\xFF"}, true, 0, {inMaintenance(), okB()}, true);
    row("A intervention header cut at its field", A, "TechnicalIntervention",
        "01" + cliche("0001", QByteArray(1200, 'x'), 5000),
        {gsA, c0 + "{DT}XXX R0001" + QByteArray(1199, 'x') + "\xFF"}, true, 0, maintenanceOk);

    const QByteArray intervention = "ZZZ R0001KORVEL S.A.\r\n\xFF";
    const QByteArray be = esc(0xBE);
    const QByteArray userA =
        pad("", 16) + "CNPJ:" + pad("12345678000190", 20) + "IE:" + pad("ISENTO", 20);
    const QByteArray userB =
        QByteArray("CNPJ:") + pad("12345678000190", 20) + "IE:" + pad("ISENTO", 20);
    const QByteArrayList userOk{inMaintenance(), ":", ":"};
    const QByteArrayList userOkB{inMaintenance(), okB(), okB()};
    const QStringList recorded{QStringLiteral("Usuário gravado!")};
    row("A user without IM below 1.22", A, "RecordUser", user(""),
        {gsA, c0 + "{DT}" + intervention, be + "{D}" + userA + pad("", 48)}, true, 1.21, userOk,
        false, false, recorded);
    row("A user with IM from 1.22", A, "RecordUser", user("98765"),
        {gsA, c0 + "{DT}" + intervention,
         be + "{D}" + userA + "IM:" + pad("98765", 20) + pad("", 25) + "ABCDEFGH"},
        true, 1.22, userOk, false, false, recorded);
    row("A user, PC in daylight saving near midnight", A, "RecordUser", user(""),
        {gsA, c0 + "{DT-1}" + intervention, be + "{D}" + userA + pad("", 48)}, true, 1.0, userOk,
        true, true, recorded);
    row("B user without IM below 1.01", B, "RecordUser", user(""),
        {gsB, c0 + "{DT}" + intervention, be + "{D}" + userB + pad("", 23) + pad("", 25)}, true,
        1.00, userOkB, false, false, recorded);
    row("B user with IM from 1.01", B, "RecordUser", user("98765"),
        {gsB, c0 + "{DT}" + intervention,
         be + "{D}" + userB + "IM:" + pad("98765", 20) + pad("", 25) + "ABCDEFGH"},
        true, 1.01, userOkB, false, false, recorded);
    row("B user, PC in daylight saving near midnight", B, "RecordUser", user(""),
        {gsB, c0 + "{DT}" + intervention, be + "{D-1}" + userB + pad("", 48)}, true, 1.0, userOkB,
        true, true, recorded);

    row("A firmware update with the serial", A, "StartFirmwareUpdate", "AB123456",
        {gsA, esc(0xC1) + "AB123456"}, true, 0, maintenanceOk);
    row("A firmware update with a short serial", A, "StartFirmwareUpdate", "AB12",
        {gsA, esc(0xC1) + "AB12    "}, true, 0, maintenanceOk);
    row("B firmware update", B, "StartFirmwareUpdate", "AB123456", {gsB, esc(0xC1) + "XXXXXXXX"},
        true, 0, {inMaintenance(), okB()});

    // ---- Reports: the Reduction Z takes the PC's time as it is ----
    row("A reading X", A, "ReadingX", {}, {esc(0xCF)});
    row("B reading X", B, "ReadingX", {}, {esc(0xFA)});
    row("A reduction Z", A, "ReductionZ", {}, {esc(0xD0) + "{DT}"}, true, 0, {}, true);
    row("B reduction Z", B, "ReductionZ", {}, {esc(0xFC) + "{DT}"}, true, 0, {}, true);

    // ---- Fiscal memory ----
    const QByteArray cr(1, '\r');
    row("B summarised reading by counters to the PC", B, "ReadFiscalMemory", "S000001005000",
        {esc(0xFB) + "S000001005000"}, true, 0, {okB("12345678") + FiscalMemoryEnd});
    row("B full reading by dates printed", B, "ReadFiscalMemory", "x010195311294",
        {esc(0xFB) + "x010195311294", cr, gsB}, true, 0, {okB(), status("000030000000")});
    row("A reading to the PC goes upper case", A, "ReadFiscalMemory", "s000001005000",
        {esc(0xD1) + "S000001005000"}, true, 0, {":23456789" + QByteArray(FiscalMemoryEnd)});
    row("A printed reading goes upper case", A, "ReadFiscalMemory", "x000001000002",
        {esc(0xD1) + "X000001000002", cr, gsA}, true, 0, {":", status("000200000000")});
    row("B unknown destination refused", B, "ReadFiscalMemory", "P000001005000", none, false);
}

void TestProtocolFrames::frames() {
    QFETCH(uint, model);
    QFETCH(double, firmware);
    QFETCH(bool, pcDst);
    QFETCH(bool, nearMidnight);
    QFETCH(QString, operation);
    QFETCH(QByteArray, input);
    QFETCH(QByteArrayList, answers);
    QFETCH(QByteArrayList, frames);
    QFETCH(bool, result);
    QFETCH(QStringList, messages);

    toolState().ModelCode = model;
    toolState().FirmwareVersionNumber = firmware;
    toolState().PcDaylightSaving = pcDst;
    if (nearMidnight)
        Clock::setNowOffsetSeconds(offsetToHalfPastMidnight());
    if (answers.isEmpty())
        for (int i = 0; i < frames.size(); ++i)
            answers << ok(model);
    bench->script(answers);

    const QDateTime before = Clock::now();
    QCOMPARE(operations().at(operation)(bench->model(model), input), result);
    const QDateTime after = Clock::now();

    const QByteArrayList written = bench->written();
    QCOMPARE(written.size(), frames.size());
    for (int i = 0; i < frames.size(); ++i) {
        // The frame carries the PC's time of the moment it was built.
        const QByteArray early = withDates(frames[i], before);
        const QByteArray late = withDates(frames[i], after);
        if (written[i] != late)
            QCOMPARE(written[i].toHex(' '), early.toHex(' '));
    }
    QCOMPARE(bench->messages.texts(), messages);
}

QTEST_GUILESS_MAIN(TestProtocolFrames)
#include "test_protocol_frames.moc"
