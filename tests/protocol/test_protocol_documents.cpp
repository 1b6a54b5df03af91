// The fiscal document frames of both models byte for byte, the numbers read back from their
// answers, and the authentication wait with its abort from another thread.
#include "protocol_bench.h"

#include <QtTest>

using namespace bench;

namespace {

const QByteArray FF("\xFF"), Z12(12, '0');

template <size_t N> void put(uint8_t (&field)[N], const QByteArray &value) {
    std::memcpy(field, value.constData(), std::min<size_t>(N, size_t(value.size())));
}

// An item as the item sale window fills it: price 0000012345, tax T1, quantity 12345678.
QByteArray item(int form, const QByteArray &code, const QByteArray &description, char type = 'N',
                char mode = 0, const QByteArray &adjustment = "", char format = 'I',
                const QByteArray &unit = "un") {
    ItemRecord r{};
    r.form = uint8_t(form);
    put(r.code, code);
    put(r.description, description);
    put(r.price, "0000012345");
    put(r.taxCode, "T1");
    put(r.quantity, "12345678");
    put(r.unit, unit);
    r.quantityFormat = uint8_t(format);
    put(r.adjustment, adjustment);
    r.adjustmentType = uint8_t(type);
    r.adjustmentMode = uint8_t(mode);
    put(r.itemNumber, "007");
    return bytesOf(r);
}
// Totalization: digits, type, mode at offsets 0, 15, 16.
QByteArray total(const QByteArray &digits, char type, char mode) {
    return pad(digits, 15).replace(' ', '\0') + type + mode;
}
QByteArray payment(const QByteArray &method, const QByteArray &text) {
    return pad(method, 2).replace(' ', '\0') + "000000010000" + QByteArray(3, '\0') + text;
}
// Non-fiscal voucher: totalizer, type, adjustment digits, amount 00005000, mode.
QByteArray voucher(const QByteArray &totalizer, char type, char mode, const QByteArray &adj) {
    QByteArray r(74, '\0');
    r.replace(0, totalizer.size(), totalizer).replace(3, adj.size(), adj);
    r.replace(18, 8, "00005000");
    r[2] = type;
    r[73] = mode;
    return r;
}

// Runs `call` on the record held in `in` and puts the record back there.
template <typename Record, typename Call> bool inOut(QByteArray &in, Call call) {
    Record r = recordFrom<Record>(in);
    const bool result = call(r);
    in = bytesOf(r);
    return result;
}

// Runs one operation on `in` (a record or a text).
bool run(CommandSet &c, const QString &op, QByteArray &in, char coo[6]) {
    const char *text = in.constData();
    // clang-format off
    if (op == "OpenCoupon") return c.OpenCoupon(coo);
    if (op == "SellItem") return c.SellItem(recordFrom<ItemRecord>(in));
    if (op == "AdjustItem") return c.AdjustItem(recordFrom<ItemRecord>(in));
    if (op == "CancelItem") return c.CancelItem(text);
    if (op == "CancelCoupon") return c.CancelCoupon();
    if (op == "CancelVoucher") return c.CancelVoucher(text);
    if (op == "Totalize") return inOut<TotalRecord>(in, [&](auto &r) { return c.Totalize(r); });
    if (op == "RegisterPayment")
        return inOut<PaymentRecord>(in, [&](auto &r) { return c.RegisterPayment(r); });
    if (op == "ReversePayment") return c.ReversePayment(recordFrom<ReversalRecord>(in));
    if (op == "CloseCoupon") return c.CloseCoupon(text);
    if (op == "IssueNonFiscalVoucher")
        return c.IssueNonFiscalVoucher(recordFrom<VoucherRecord>(in), coo);
    if (op == "OpenVoucher") return c.OpenVoucher(recordFrom<LinkedVoucherRecord>(in), coo);
    if (op == "ReprintVoucher") return c.ReprintVoucher();
    if (op == "OpenManagementReport") return c.OpenManagementReport(text, coo);
    if (op == "PrintReportLines") return c.PrintReportLines(text);
    if (op == "CloseReport") return c.CloseReport();
    // clang-format on
    qFatal("no operation %s", qPrintable(op));
}

} // namespace

class TestProtocolDocuments : public QObject {
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
    void answers_data();
    void answers();
    void authenticate_data();
    void authenticate();
};

void TestProtocolDocuments::frames_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArrayList>("frames");
    QTest::addColumn<QByteArrayList>("answers"); // empty: one accepted answer per frame

    const uint A = ModelA, B = ModelB;
    const auto row = [](const char *name, uint model, const char *op, const QByteArray &input,
                        const QByteArrayList &frames, const QByteArrayList &answers = {}) {
        QTest::newRow(name) << model << QString(op) << input << frames << answers;
    };
    const QByteArray desc = "Arroz tipo 1 pacote 5kg", x210(210, 'x'), t48(48, 't');
    const QByteArray tail = "0000012345"
                            "12345678"
                            "un" +
                            desc + FF; // price, quantity, unit
    const QByteArray longA = esc(0xDF) + "T1" + pad("789123", 13);
    const QByteArray longB = esc(0xCA) + "T1" + pad("789123", 18);
    const QByteArray tailV = "0000"
                             "00005000" +
                             FF;
    const QByteArray ccd = "52000042000000010000   E";
    const QByteArray text = "um\r\n\r\ndois\rtres\n\n";

    // clang-format off
    row("A open", A, "OpenCoupon", {}, {esc(0xC8)});
    row("B open", B, "OpenCoupon", {}, {esc(0xC8)});

    // Model A item sale: surcharge '1', discount or none '0', always four digits.
    row("A long surcharge", A, "SellItem", item(0, "789123", desc, 'A', 'P', "1000"),
        {longA + "1" "1000" + tail});
    row("A long discount", A, "SellItem", item(0, "789123", desc, 'D', 'V', "0250"),
        {longA + "0" "0250" + tail});
    row("A long none", A, "SellItem", item(0, "789123", desc, 'N', 0, "9999"),
        {longA + "0" "0000" + tail});
    row("A long code 17 cut to 13, description 210", A, "SellItem",
        item(2, "12345678901234567", x210),
        {esc(0xDF) + "T1" "1234567890123" "00000" "0000012345" "12345678" "un" + x210 + FF});
    row("A long unit of one letter: the frame ends at its zero", A, "SellItem",
        item(0, "1", desc, 'N', 0, "", 'I', "l"),
        {esc(0xDF) + "T1" + pad("1", 13) + "00000" "0000012345" "12345678" "l"});
    row("A short decimal, code 9 cut to 6", A, "SellItem",
        item(1, "123456789", desc, 'A', 'P', "0500", 'D'),
        {esc(0xCA) + "T1" "123456" "000" "10500" "000001234" "12,34" + pad(desc.left(13), 14)});
    row("A short whole unless D", A, "SellItem", item(1, "12", "Sal", 'N', 0, "", 0),
        {esc(0xCA) + "T1" "12    " "000" "00000" "000001234" "12345" + pad("Sal", 14)});

    // Model B: the shared coding table, a percentage in the last four of nine.
    row("B long discount 10 %", B, "SellItem", item(0, "789123", desc, 'D', 'P', "1000"),
        {longB + "0" "000001000" + tail});
    row("B long discount value", B, "SellItem", item(0, "789123", desc, 'D', 'V', "000012345"),
        {longB + "1" "000012345" + tail});
    row("B long surcharge 5 %", B, "SellItem", item(0, "789123", desc, 'A', 'P', "0500"),
        {longB + "2" "000000500" + tail});
    row("B long surcharge value", B, "SellItem", item(0, "789123", desc, 'A', 'V', "000000099"),
        {longB + "3" "000000099" + tail});
    row("B long none", B, "SellItem", item(0, "789123", desc, 'N', 'V', "123456789"),
        {longB + "1" "000000000" + tail});
    row("B long code 18, description 210", B, "SellItem", item(0, QByteArray(20, 'c'), x210),
        {esc(0xCA) + "T1" + QByteArray(18, 'c') + "1" "000000000" "0000012345" "12345678" "un" +
         x210 + FF});
    row("B short whole, code 9 cut to 6", B, "SellItem", item(1, "123456789", desc),
        {esc(0xC9) + "T1" "123456" "1" "000000000" "000001234" "12345" + pad(desc, 13)});
    row("B short decimal unless I", B, "SellItem", item(1, "12", "Sal", 'N', 0, "", 0),
        {esc(0xC9) + "T1" "12    " "1" "000000000" "000001234" "12,34" + pad("Sal", 13)});
    row("B adjust item", B, "AdjustItem", item(0, "", "", 'A', 'V', "000012345"),
        {esc(0xCB) + "007" "3" "000012345"});

    row("A cancel item", A, "CancelItem", "012", {esc(0xCD) + "012"});
    row("B cancel item", B, "CancelItem", "012", {esc(0xCC) + "012"});
    row("A cancel coupon", A, "CancelCoupon", {}, {esc(0xCE)});
    row("B cancel coupon", B, "CancelCoupon", {}, {esc(0xD3)});
    row("B cancel voucher", B, "CancelVoucher", "000123", {esc(0xD9) + "000123"});

    // Totalization: model A's percentage first, model B's last.
    row("A total +10 %", A, "Totalize", total("1000", 'A', 'P'), {esc(0xF1) + "2" "100000000000"});
    row("B total +10 %", B, "Totalize", total("1000", 'A', 'P'), {esc(0xCE) + "2" "000000001000"});
    row("A total -value", A, "Totalize", total("000000001234", 'D', 'V'),
        {esc(0xF1) + "1" "000000001234"});
    row("A total none", A, "Totalize", total("999999999999", 'N', 0), {esc(0xF1) + "1" + Z12});
    row("B total -1 %", B, "Totalize", total("0100", 'D', 'P'), {esc(0xCE) + "0" "000000000100"});

    // Payment (its text cut to 43 / 42 bytes by the cleared 60), reversal, closing.
    row("A payment", A, "RegisterPayment", payment("B", "Troco"),
        {esc(0xF2) + "B" "000000010000" "Troco" + FF});
    row("A payment no text", A, "RegisterPayment", payment("B", ""),
        {esc(0xF2) + "B" "000000010000" + FF});
    row("A payment text 48", A, "RegisterPayment", payment("B", t48),
        {esc(0xF2) + "B" "000000010000" + t48.left(43) + FF});
    row("B payment text 48", B, "RegisterPayment", payment("52", t48),
        {esc(0xCF) + "52" "000000010000" + t48.left(42) + FF});
    row("A reversal", A, "ReversePayment", "AxBy000042000000000500",
        {esc(0xF8) + "AB" "000042" "000000000500"});
    row("B reversal", B, "ReversePayment", "0152000042000000000500",
        {esc(0xDB) + "0152" "000042" "000000000500"});
    row("A closing", A, "CloseCoupon", "Volte\r\n", {esc(0xF3) + "Volte\r\n" + FF});
    row("A closing empty", A, "CloseCoupon", "", {esc(0xF3) + FF});
    row("A closing cut at TxBuffer", A, "CloseCoupon", QByteArray(3000, 'm'),
        {esc(0xF3) + QByteArray(Link::TxBufferSize - 3, 'm') + FF});
    row("B closing gets CR LF", B, "CloseCoupon", "Volte", {esc(0xD1) + "XVolte\r\n" + FF});
    row("B closing with CR LF", B, "CloseCoupon", "A\r\nB\r\n", {esc(0xD1) + "XA\r\nB\r\n" + FF});
    row("B closing empty", B, "CloseCoupon", "", {esc(0xD1) + "X" + FF});
    row("B closing cut to 443 + CR LF", B, "CloseCoupon", QByteArray(600, 'm'),
        {esc(0xD1) + "X" + QByteArray(443, 'm') + "\r\n" + FF});
    row("B closing of 445 with CR LF", B, "CloseCoupon", QByteArray(443, 'm') + "\r\n",
        {esc(0xD1) + "X" + QByteArray(443, 'm') + "\r\n" + FF});

    // Vouchers and the management report.
    row("A voucher none", A, "IssueNonFiscalVoucher", voucher("C", 'N', 0, "12345678"),
        {esc(0xD9) + "C" "1" + Z12 + tailV});
    row("A voucher +value", A, "IssueNonFiscalVoucher", voucher("C", 'A', 'V', "00000150"),
        {esc(0xD9) + "C" "3" "000000000150" + tailV});
    row("A voucher -2,5 %", A, "IssueNonFiscalVoucher", voucher("C", 'D', 'P', "0250"),
        {esc(0xD9) + "C" "0" "025000000000" + tailV});
    row("B voucher +2,5 %", B, "IssueNonFiscalVoucher", voucher("03", 'A', 'P', "0250"),
        {esc(0xD4) + "03" "2" "000000000250" + tailV});
    row("B voucher -value", B, "IssueNonFiscalVoucher", voucher("03", 'D', 'V', "00000150"),
        {esc(0xD4) + "03" "1" "000000000150" + tailV});
    row("A linked voucher", A, "OpenVoucher", ccd, {esc(0xDB) + "E5" "000042" "000000010000"});
    row("B linked voucher", B, "OpenVoucher", ccd, {esc(0xD5) + "52" "000042" "000000010000"});
    row("B reprint", B, "ReprintVoucher", {}, {esc(0xDA)});
    row("A report", A, "OpenManagementReport", "07", {esc(0xD3)});
    row("B report 07", B, "OpenManagementReport", "07", {esc(0xD2) + "07"});

    row("A three lines", A, "PrintReportLines", text,
        {esc(0xD5) + "um" + FF, esc(0xD5) + "dois" + FF, esc(0xD5) + "tres" + FF});
    row("B three lines", B, "PrintReportLines", "\r\n" + text,
        {esc(0xD7) + pad("um", 48), esc(0xD7) + pad("dois", 48), esc(0xD7) + pad("tres", 48)});
    row("B line of 60 cut to 48", B, "PrintReportLines", QByteArray(48, 'a') + "bbbbbbbbbbbb",
        {esc(0xD7) + QByteArray(48, 'a')});
    row("A line cut at TxBuffer", A, "PrintReportLines", QByteArray(3000, 'a'),
        {esc(0xD5) + QByteArray(Link::TxBufferSize - 3, 'a') + FF});
    row("A no lines", A, "PrintReportLines", "\r\n\r\n", {});
    row("B stops at the refused line", B, "PrintReportLines", text,
        {esc(0xD7) + pad("um", 48), esc(0xD7) + pad("dois", 48)}, {okB(), refusal(B)});
    row("A close report", A, "CloseReport", {}, {esc(0xD4)});
    row("B close report", B, "CloseReport", {}, {esc(0xD8)});
    // clang-format on
}

void TestProtocolDocuments::frames() {
    QFETCH(uint, model);
    QFETCH(QString, operation);
    QFETCH(QByteArray, input);
    QFETCH(QByteArrayList, frames);
    QFETCH(QByteArrayList, answers);

    const bool refused = !answers.isEmpty();
    if (!refused)
        for (int i = 0; i < frames.size(); ++i)
            answers << ok(model, QByteArray(12, '0')); // long enough for any number
    bench->script(answers);
    // What a longer frame left behind must never be sent.
    std::memset(bench->link.TxBuffer, 'z', sizeof bench->link.TxBuffer);

    char coo[6];
    QCOMPARE(run(bench->model(model), operation, input, coo), !refused);
    const QByteArrayList written = bench->written();
    QCOMPARE(written.size(), frames.size());
    for (int i = 0; i < frames.size(); ++i)
        QCOMPARE(written[i].toHex(' '), frames[i].toHex(' '));
    QCOMPARE(bench->messages.texts(), refused ? QStringList{refusalText(model)} : QStringList{});
}

// ---- Numbers read back: only from an accepted answer long enough to hold them ----

void TestProtocolDocuments::answers_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArrayList>("script");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("message");

    for (uint model : {uint(ModelA), uint(ModelB)}) {
        for (const QString op : {"OpenCoupon", "IssueNonFiscalVoucher", "OpenVoucher",
                                 "OpenManagementReport", "Totalize", "RegisterPayment"}) {
            const bool isCoo = op.startsWith("Open") || op.startsWith("Issue");
            const QByteArray value = isCoo ? "123456" : "000000004321";
            // COO at 2 (A) or 6 (B); subtotal and balance at 1 (A) or 6 (B).
            const QByteArray answer = ok(model, (model == ModelA && isCoo ? "x" : "") + value);
            const QByteArray kept(value.size(), '#');
            const QString tag = (model == ModelA ? "A " : "B ") + op;
            QTest::newRow(qPrintable(tag + " read"))
                << model << op << QByteArrayList{answer + "\r"} << value << QString();
            QTest::newRow(qPrintable(tag + " short"))
                << model << op << QByteArrayList{answer.chopped(1)} << kept << Incomplete;
            QTest::newRow(qPrintable(tag + " refused"))
                << model << op << QByteArrayList{refusal(model) + value} << kept
                << refusalText(model);
            QTest::newRow(qPrintable(tag + " silent"))
                << model << op << QByteArrayList{} << kept << NoAnswer;
        }
    }
}

void TestProtocolDocuments::answers() {
    QFETCH(uint, model);
    QFETCH(QString, operation);
    QFETCH(QByteArrayList, script);
    QFETCH(QByteArray, output);
    QFETCH(QString, message);

    bench->script(script);
    char coo[6] = {'#', '#', '#', '#', '#', '#'};
    QByteArray record = operation == "Totalize"
                            ? total(QByteArray(12, '#'), 'N', 0)
                            : payment("01", "").replace(2, 12, QByteArray(12, '#'));
    const bool result = run(bench->model(model), operation, record, coo);
    QCOMPARE(result, message.isEmpty());
    const QByteArray read = operation == "Totalize"          ? record.left(12)
                            : operation == "RegisterPayment" ? record.mid(2, 12)
                                                             : QByteArray(coo, 6);
    QCOMPARE(read, output);
    QCOMPARE(bench->messages.texts(), message.isEmpty() ? QStringList{} : QStringList{message});
}

// ---- Authentication: short polls until the answer or an abort from another thread ----

void TestProtocolDocuments::authenticate_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("firmware");
    QTest::addColumn<QByteArrayList>("script"); // empty: the printer never answers; abort
    QTest::addColumn<bool>("abortBefore");      // an abort left from an earlier wait
    QTest::addColumn<QByteArrayList>("frames");
    QTest::addColumn<QStringList>("messages");

    const uint A = ModelA, B = ModelB;
    const QByteArray frameA = esc('Y') + "Texto Autent.\n", frameB = esc('y') + "Texto Autent.\n";
    const QByteArray can = bytes({0x18});
    const QStringList none, off{"Aviso: Desligue a impressora para cancelar!"};
    const QByteArrayList later{"", "", "", ok(A)}, never;
    // clang-format off
    QTest::newRow("A answered after 3 polls")
        << A << 1 << 0.0 << later << false << QByteArrayList{frameA} << none;
    QTest::newRow("A answered despite an old abort")
        << A << 0 << 0.0 << later << true << QByteArrayList{frameA} << none;
    QTest::newRow("B mode 1 refused after 2 polls")
        << B << 1 << 0.0 << QByteArrayList{"", "", refusal(B)} << false << QByteArrayList{frameB}
        << QStringList{"Erro: " + refusalText(B)};
    QTest::newRow("B mode 0")
        << B << 0 << 0.0 << QByteArrayList{ok(B)} << false << QByteArrayList{frameA} << none;
    QTest::newRow("A aborted from 1.22")
        << A << 0 << 1.22 << never << false << QByteArrayList{frameA, can} << none;
    QTest::newRow("A aborted below 1.22")
        << A << 0 << 1.21 << never << false << QByteArrayList{frameA} << off;
    QTest::newRow("B aborted from 1.01")
        << B << 1 << 1.01 << never << false << QByteArrayList{frameB, can} << none;
    QTest::newRow("B aborted below 1.01")
        << B << 1 << 1.0 << never << false << QByteArrayList{frameB} << off;
    // clang-format on
}

void TestProtocolDocuments::authenticate() {
    QFETCH(uint, model);
    QFETCH(int, mode);
    QFETCH(double, firmware);
    QFETCH(QByteArrayList, script);
    QFETCH(bool, abortBefore);
    QFETCH(QByteArrayList, frames);
    QFETCH(QStringList, messages);

    toolState().FirmwareVersionNumber = firmware;
    ProbingMessages probe(bench->link);
    bench->script(script);
    CommandSet &c = bench->model(model);
    if (abortBefore)
        c.AbortAuthentication();
    auto running = std::async(std::launch::async,
                              [&c, mode] { return c.Authenticate("Texto Autent.xyz", 13, mode); });
    if (script.isEmpty()) {
        // The printer waits for its paper: the link stays usable between the polls, and the
        // abort comes from this thread.
        while (bench->reads() < 3)
            QTest::qWait(1);
        auto other = std::async(std::launch::async, [this] { return bench->link.IsCtsOn(); });
        QVERIFY(other.wait_for(std::chrono::seconds(2)) == std::future_status::ready);
        QVERIFY(c.AbortAuthentication());
    }
    QVERIFY(running.wait_for(std::chrono::seconds(10)) == std::future_status::ready);
    QVERIFY(running.get());

    QCOMPARE(bench->written(), frames);
    QCOMPARE(probe.captioned, messages);
    QCOMPARE(probe.blocked, QStringList{});
    // Every wait is a short poll, but the one after CAN.
    QList<int> timeouts = bench->device->readTimeouts;
    if (frames.size() == 2)
        QCOMPARE(timeouts.takeLast(), Link::timeoutFor(WaitNormal));
    for (int timeout : timeouts)
        QCOMPARE(timeout, Link::timeoutFor(WaitPoll));
    if (!script.isEmpty())
        QCOMPARE(timeouts.size(), script.size());
}

QTEST_GUILESS_MAIN(TestProtocolDocuments)
#include "test_protocol_documents.moc"
