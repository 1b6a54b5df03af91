// What both command sets read from the printer's answers and how they fail: the answer
// positions and their wait modes, a silent or refusing printer for every operation, the
// maintenance-mode sequence, the idle poll, the fiscal memory reading in chunks, the
// authentication and the bank table.
#include "protocol_bench.h"
#include "support/test_main.h"

#include <QtTest>

#include <numeric>

using namespace bench;

namespace {

const QByteArray End("\xFF\r", 2), CartaoPc("Cart\xE3o"); // Windows-1252
const uint A = ModelA, B = ModelB;

// A configuration block of model A (997 bytes) or B (1425) with a few names in the printer's
// code ("Cartão"), empty slots beginning with 0xFF and an operator.
QByteArray configurationBlockFor(uint model) {
    const bool a = model == ModelA;
    const int totalizersAt = a ? 21 : 32, namesAt = a ? 373 : 384, paymentsAt = a ? 709 : 720;
    const int width = a ? 17 : 21;
    const QByteArray cartao = a ? "Cart\xC4o" : "Cart\xC6o", empty = "\xFF" + QByteArray(20, 'z');
    QByteArray block = pad(ok(model), a ? 997 : 1425, '\0');
    const auto put = [&block](int at, const QByteArray &bytes) {
        block.replace(at, bytes.size(), bytes);
    };
    put(a ? 1 : 6, a ? "Opr:Jo\xC4o" + QByteArray(12, '\0') : "Lj:0042  Opr:Maria        ");
    for (int i = 0; i < 16; ++i)
        put(totalizersAt + i * 22, "+" + empty), put(namesAt + i * 21, empty);
    put(totalizersAt, "+" + pad(cartao, 21) + "-" + pad("Sangria", 21) + "-" + empty);
    put(namesAt, pad(cartao, 21));
    for (int i = 0; i < (a ? 16 : 32); ++i)
        put(paymentsAt + i * (width + 1), " " + empty.left(width));
    put(paymentsAt,
        "X" + pad("Dinheiro", width) + "V" + pad(cartao, width) + "V" + empty.left(width));
    return block;
}
// clang-format off
const auto flagged = [](int flag, const QByteArray &name) { return char(flag) + pad(name, 21); };
const auto clockRecord = [](std::array<uint16_t, 7> fields) { return bytesOf(fields); };
const auto clicheRecord = [](const QByteArray &ecf, const QByteArray &text) { return (ecf + text).leftJustified(1204, '#') + bytesOf(uint32_t(text.size())); };
// clang-format on
} // namespace

class ProtocolAnswersTest : public QObject {
    Q_OBJECT

private slots:
    void answers_data();
    void answers() { checkRow(); }
    void failingPrinter_data();
    void failingPrinter() { checkRow(); }
    void sequences_data();
    void sequences() { checkRow(); }
};

// ---- The answer positions each operation reads, and its wait ----

void ProtocolAnswersTest::answers_data() {
    QTest::addColumn<Case>("c");
    // clang-format off
    const auto row = [](const char *name, uint model, const char *op, const QByteArray &answer, const QByteArray &request,
                        bool result, const QByteArray &output, const QString &message = {}, int wait = WaitNormal) {
        const QStringList shown = message.isEmpty() ? QStringList{} : error(message);
        QTest::newRow(name) << Case{model, op, QByteArray(1300, '#'), {answer}, {request}, true, result, output, shown, wait, -1, 0, 0};
    };
    // Sixteen tax rates of a type letter and four digits: lower case marks an ISS rate.
    const QByteArray rates = "s0500T1800t0250A0700" + QByteArray("T////").repeated(12);
    const QByteArray ratesOut("\1" "0500\0" "1800\1" "0250\0" "0700\0" "////", 25);
    const QByteArray ps = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcd"; // P(i): the i-th one
    const QByteArray none = flagged(0, ""), cfgA = configurationBlockFor(A) + "tail", cfgB = configurationBlockFor(B);
    const QByteArray paymentsHead = flagged(0, "Dinheiro") + flagged(1, CartaoPc) + flagged(1, "");
    const QByteArray totalizers = flagged(0, CartaoPc) + flagged(1, "Sangria") + flagged(1, "") + none.repeated(13);
    const QByteArray names = pad(CartaoPc, 21) + pad("", 21).repeated(15);
    const QByteArray gsA = QByteArray("\x1D\xFF"), gsB = QByteArray("\x1D\x05"), x = "####";
    row("A tax rates", A, "ReadTaxRates", ok(A, "x" + rates + "\r"), esc(0xE7), true, ratesOut);
    row("B tax rates", B, "ReadTaxRates", ok(B, rates + "\r"), esc(0xE7), true, ratesOut);
    row("A tax rates short", A, "ReadTaxRates", ok(A, rates.left(80)), esc(0xE7), false, x, Incomplete);
    row("B tax rates short", B, "ReadTaxRates", ok(B, rates.left(79)), esc(0xE7), false, x, Incomplete);
    row("A options", A, "ReadOptions", ok(A, ps), esc(0xE5), true, "315#VB#FGHILMA##7###4###########");
    row("B options", B, "ReadOptions", ok(B, ps.left(20)), esc(0xE5), true, "012#45#789ABC###################");
    row("A options short", A, "ReadOptions", ok(A, ps.left(31)), esc(0xE5), false, x, Incomplete);
    row("B options short", B, "ReadOptions", ok(B, ps.left(12)), esc(0xE5), false, x, Incomplete);
    row("A daylight saving on (P5)", A, "IsDaylightSavingTime", ok(A, "00000100000000000000000000000000000000"), esc(0xE5), true, {});
    row("A daylight saving off", A, "IsDaylightSavingTime", ok(A, "11111011111111111111111111111111111111"), esc(0xE5), false, {});
    row("B daylight saving on (P2)", B, "IsDaylightSavingTime", ok(B, "0010000000000"), esc(0xE5), true, {});
    row("B daylight saving off", B, "IsDaylightSavingTime", ok(B, "1101111111111"), esc(0xE5), false, {});
    // The configuration block; a name slot beginning with 0xFF reads as spaces.
    row("A payment methods", A, "ReadPaymentMethods", cfgA, esc(0xEE), true, paymentsHead + none.repeated(13) + pad("", 22).repeated(16));
    row("B payment methods", B, "ReadPaymentMethods", cfgB, esc(0xEA), true, paymentsHead + none.repeated(29));
    row("A totalizers", A, "ReadNonFiscalTotalizers", cfgA, esc(0xEE), true, totalizers);
    row("B totalizers", B, "ReadNonFiscalTotalizers", cfgB, esc(0xEA), true, totalizers);
    row("A linked totalizers", A, "ReadLinkedTotalizers", cfgA, esc(0xEE), true, names);
    row("B report names", B, "ReadReportNames", cfgB, esc(0xEA), true, names);
    row("A operator", A, "ReadOperator", cfgA, esc(0xEE), true, x + pad("Jo\xE3o", 16, '\0'));
    row("B operator", B, "ReadOperator", cfgB, esc(0xEA), true, "0042" + pad("Maria        ", 16, '\0'));
    row("A configuration short", A, "ReadConfiguration", ok(A, pad("", 995)), esc(0xEE), false, {}, Incomplete);
    row("B configuration short", B, "ReadConfiguration", ok(B, pad("", 1417)), esc(0xEA), false, {}, Incomplete);
    row("A payment methods short", A, "ReadPaymentMethods", ok(A, pad("", 700)), esc(0xEE), false, x, Incomplete);
    row("B operator short", B, "ReadOperator", ok(B, pad("", 20)), esc(0xEA), false, x, Incomplete);
    // The receipt header: the ECF number, the text with its 0xFF, the length.
    row("A header", A, "ReadCliche", "\x02" "0007Jo\xC4o\r\n\xFF\r", esc(0xE8), true, clicheRecord("0007", "Jo\xE3o\r\n\xFF"));
    row("B header", B, "ReadCliche", ok(B, "0012Jo\xC6o\r\n\xFF\r"), esc(0xE8), true, clicheRecord("0012", "Jo\xE3o\r\n\xFF"));
    row("A header empty", A, "ReadCliche", "\x02" "0001\xFF\r", esc(0xE8), true, clicheRecord("0001", "\xFF"));
    row("A header cut at its field", A, "ReadCliche", "\x02" "0003" + QByteArray(1300, 'x') + End, esc(0xE8), true, clicheRecord("0003", QByteArray(1199, 'x') + "\xFF"));
    row("A header short", A, "ReadCliche", "\x02" "0001\xFF", esc(0xE8), false, x, Incomplete);
    row("B header short", B, "ReadCliche", ok(B, "00011"), esc(0xE8), false, x, Incomplete);
    row("A clock", A, "ReadClock", ok(A, "x010203040506"), esc(0xE6), true, clockRecord({2003, 2, 1, 4, 5, 6, 0}));
    row("B clock", B, "ReadClock", ok(B, "311206235959"), esc(0xE6), true, clockRecord({2006, 12, 31, 23, 59, 59, 0}), {}, WaitShort);
    row("A clock short", A, "ReadClock", ok(A, "x01020304050"), esc(0xE6), false, x, Incomplete);
    row("B clock short", B, "ReadClock", ok(B, "31120623595"), esc(0xE6), false, x, Incomplete, WaitShort);
    row("A status", A, "ReadStatus", status("0123456789AB"), gsA, true, QByteArray("#\0\1\2\3\4\5\6\7\10\11\12\13", 13), {}, WaitShort);
    row("B status", B, "ReadStatus", status("FEDCBA987654"), gsB, true, "#\17\16\15\14\13\12\11\10\7\6\5\4", {}, WaitShort);
    row("B status short", B, "ReadStatus", status("FEDCBA98765"), gsB, false, x, {}, WaitShort);
    // Maintenance mode: status digit 3 (answer byte 3), bit 3 set means operation mode.
    row("A maintenance digit 0", A, "IsInMaintenanceMode", status("000000000000"), gsA, true, {});
    row("A maintenance digit 8", A, "IsInMaintenanceMode", status("008000000000"), gsA, false, {});
    row("B maintenance digit 7", B, "IsInMaintenanceMode", status("777777777777"), gsB, true, {});
    row("B maintenance digit F", B, "IsInMaintenanceMode", status("00F000000000"), gsB, false, {});
    row("B maintenance digit A", B, "IsInMaintenanceMode", status("00A000000000"), gsB, false, {});
    row("B maintenance short", B, "IsInMaintenanceMode", "\x02" "00", gsB, false, {});
    // COO at 2 (A) or 6 (B); subtotal and balance at 1 (A) or 6 (B). Only an answer long
    // enough to hold them is read.
    for (uint model : {A, B}) {
        for (const QString op : {"OpenCoupon", "IssueNonFiscalVoucher", "OpenVoucher", "OpenManagementReport", "Totalize", "RegisterPayment"}) {
            const bool coo = op.startsWith("Open") || op.startsWith("Issue");
            const QByteArray value = coo ? "123456" : "000000004321", skip = op == "RegisterPayment" ? "##" : "";
            const QByteArray answer = ok(model, (model == A && coo ? "x" : "") + value);
            const QString tag = (model == A ? "A " : "B ") + op;
            Case c{model, op, QByteArray(1300, '#'), {answer + "\r"}, {"\x1B"}, false, true, skip + value, {}, WaitNormal, -1, 0, 0};
            QTest::newRow(qPrintable(tag)) << c;
            c.script = {answer.chopped(1)}, c.result = false, c.messages = error(Incomplete);
            c.output = skip + QByteArray(value.size(), '#');
            QTest::newRow(qPrintable(tag + " short")) << c;
        }
    }
    // clang-format on
}

// ---- Every operation with a silent and with a refusing printer ----

void ProtocolAnswersTest::failingPrinter_data() {
    QTest::addColumn<Case>("c");
    // clang-format off
    // The inputs the operations need to send at all; the others get the '#' record.
    const QMap<QString, QByteArray> inputs{
        {"ProgramTaxRate", QByteArray(1, '\0') + "1800"}, {"ProgramPaymentMethod", "\1" "02Cheque"},
        {"ProgramLinkedTotalizer", "\1" "02Cheque"}, {"ProgramReportName", pad("Sangria", 21)},
        {"ProgramNonFiscalTotalizer", QByteArray(3, '\0') + "Troco"}, {"ProgramOptions", QByteArray(70, '0')},
        {"SetDaylightSavingTime", "1"}, {"ProgramOperator", "0001Maria"}, {"TechnicalIntervention", "10"},
        {"RecordUser", pad("", 80)}, {"PrintReportLines", "linha"}, {"CloseCoupon", "Volte"}};
    const QStringList onlyA{"ProgramLinkedTotalizer", "ReadLinkedTotalizers"}, onlyB{"ProgramReportName", "ReadReportNames", "AdjustItem", "CancelVoucher", "ReprintVoucher"};
    // Most send one frame and check its answer: silence is "ERRO DE COMUNICAÇÃO!", a refusal
    // its text. The maintenance commands refuse after the GS test; the clock and model B's
    // header leave silence to their callers; the polls have no refusal and give false quietly.
    const QStringList checked = QString(
        "ProgramTaxRate ReadTaxRates ProgramPaymentMethod ProgramLinkedTotalizer ReadPaymentMethods ProgramReportName "
        "ReadReportNames ReadLinkedTotalizers ProgramNonFiscalTotalizer ReadNonFiscalTotalizers ProgramOptions ReadOptions "
        "SetDaylightSavingTime IsDaylightSavingTime ProgramOperator ReadOperator ReadConfiguration ReadingX ReductionZ "
        "OpenCoupon SellItem AdjustItem CancelItem CancelCoupon CancelVoucher Totalize RegisterPayment ReversePayment "
        "CloseCoupon IssueNonFiscalVoucher OpenVoucher ReprintVoucher OpenManagementReport PrintReportLines CloseReport").split(' ');
    for (uint model : {A, B}) {
        const auto add = [&](const QString &op, const QStringList &silent, const QByteArrayList &refused) {
            if ((model == A ? onlyB : onlyA).contains(op))
                return;
            const QByteArray input = inputs.value(op, QByteArray(1300, '#'));
            const QByteArray out = op.startsWith("Open") || op.startsWith("Issue") ? "######" : input.left(13); // as it was
            const QString tag = (model == A ? "A " : "B ") + op;
            QTest::newRow(qPrintable(tag + " silent")) << Case{model, op, input, {}, {{}}, false, false, out, silent, -1, 1, 0, 0};
            if (!refused.isEmpty()) // one frame for each answer, whatever it holds
                QTest::newRow(qPrintable(tag + " refused")) << Case{model, op, input, refused, QByteArrayList(refused.size(), {}), false, false, out, error(refusalText(model)), -1, -1, 0, 0};
        };
        for (const QString &op : checked)
            add(op, error(NoAnswer), {refusal(model)});
        for (const char *op : {"TechnicalIntervention", "RecordUser", "StartFirmwareUpdate"})
            add(op, error(NoAnswer), {inMaintenance(), refusal(model)});
        add("ReadClock", {}, {refusal(model)});
        add("ReadCliche", model == A ? error("Erro de Comunicação") : QStringList{}, {refusal(model)});
        add("IsInMaintenanceMode", {}, {});
        add("ReadStatus", {}, {});
    }
    // clang-format on
}

// ---- Sequences: the maintenance commands, the idle poll, the fiscal memory in chunks, the
// authentication, the bank table ----

void ProtocolAnswersTest::sequences_data() {
    QTest::addColumn<Case>("c");
    // clang-format off
    // Every wait is the normal one, but the chunks of the fiscal memory sent to the PC.
    const auto row = [](const char *name, uint model, const char *op, const QByteArray &input, const QByteArrayList &script,
                        const QByteArrayList &frames, bool result, const QStringList &shown = {}, const QByteArray &output = {}, int waits = -1) {
        const int wait = QByteArray(op) == "ReadFiscalMemory" && input[0] == 'S' ? WaitShort : QByteArray(op) == "Authenticate" ? WaitPoll : WaitNormal;
        QTest::newRow(name) << Case{model, op, input, script, frames, false, result, output, shown, wait, waits, 0, 0};
    };
    const QStringList putInMaintenance = error(NotInMaintenance);
    const QByteArray operating = notInMaintenance(), intervention(1300, '0'), toPc = "S000001005000";
    const QByteArray gsA = QByteArray("\x1D\xFF"), gsB = QByteArray("\x1D\x05"), c0 = esc(0xC0), cr("\r");
    const auto digit = [](int at, char v) { return status(QByteArray(12, '0').replace(at - 1, 1, &v, 1)); };
    const auto silence = [](int waits) { return QByteArrayList(waits, QByteArray()); };
    const QByteArray headerA = ok(A, "12345678"), headerB = ok(B, "12345678"); // 9 and 14 bytes
    QByteArray bank(1234, '\0'); // every byte value, some of them more than once
    std::iota(bank.begin(), bank.end(), char(3));
    using L = QByteArrayList;
    row("A intervention, not in maintenance", A, "TechnicalIntervention", intervention, {operating}, {gsA}, false, putInMaintenance);
    row("B user, not in maintenance", B, "RecordUser", pad("", 80), {operating}, {gsB}, false, putInMaintenance);
    row("A firmware update, not in maintenance", A, "StartFirmwareUpdate", "", {operating}, {gsA}, false, putInMaintenance);
    // The printer writes its fiscal memory before it answers: one more wait, no second frame.
    row("A intervention answered late", A, "TechnicalIntervention", intervention, {inMaintenance(), "", ":"}, {gsA, c0}, true);
    row("B intervention refused late", B, "TechnicalIntervention", intervention, {inMaintenance(), "", refusal(B)}, {gsB, c0}, false, error(refusalText(B)));
    row("A intervention never answered", A, "TechnicalIntervention", intervention, {inMaintenance(), "", ""}, {gsA, c0}, false, error(NoAnswer));
    row("B user refused at its second frame", B, "RecordUser", pad("", 80), {inMaintenance(), ok(B), refusal(B)}, {gsB, c0, esc(0xBE)}, false, error(refusalText(B)));

    // Waiting for the end of a print. Model A: digit 4, bit 0 = busy, then bit 1 = idle.
    // Model B: digit 5, bits 0 and 1 set. One silent wait: once more; two: the printer is gone.
    row("A idle 2", A, "WaitPrinterIdle", "", {digit(4, '2')}, {cr, gsA}, true);
    row("A idle 3 then 2", A, "WaitPrinterIdle", "", {digit(4, '3'), digit(4, '2')}, {cr, gsA, gsA}, true);
    row("A idle 0 then 6", A, "WaitPrinterIdle", "", {digit(4, '0'), digit(4, '6')}, {cr, gsA, gsA}, true);
    row("A idle 2 at digit 5 only", A, "WaitPrinterIdle", "", {digit(5, '2'), digit(4, 'A')}, {cr, gsA, gsA}, true);
    row("B idle 3", B, "WaitPrinterIdle", "", {digit(5, '3')}, {cr, gsB}, true);
    row("B idle hex B", B, "WaitPrinterIdle", "", {digit(5, 'B')}, {cr, gsB}, true);
    row("B idle 1 then 2 then 7", B, "WaitPrinterIdle", "", {digit(5, '1'), digit(5, '2'), digit(5, '7')}, {cr, gsB, gsB, gsB}, true);
    row("B idle 3 at digit 4 only", B, "WaitPrinterIdle", "", {digit(4, '3'), digit(5, '3')}, {cr, gsB, gsB}, true);
    row("A idle short then 2", A, "WaitPrinterIdle", "", {"\x02" "000", digit(4, '2')}, {cr, gsA, gsA}, true);
    row("B idle late answer", B, "WaitPrinterIdle", "", {"", digit(5, '3')}, {cr, gsB}, true);
    row("A idle silent twice", A, "WaitPrinterIdle", "", {"", ""}, {cr, gsA}, false);
    row("B idle stops answering", B, "WaitPrinterIdle", "", {digit(5, '0'), "", ""}, {cr, gsB, gsB}, false);

    // The fiscal memory sent to the PC: the header and the end mark 0xFF CR are not text, the
    // count is of every byte received.
    row("B memory in three chunks", B, "ReadFiscalMemory", toPc, {headerB + "Linha 1\r\n", "Linha 2\r\n", "Fim\r\n" + End}, {esc(0xFB)}, true, {}, "Linha 1\r\n@23;Linha 2\r\n@32;Fim\r\n@39;|complete");
    // Model A's report is plain CP850: 0x87 is ç (0xE7), not one of the model's own codes.
    row("A memory, plain CP850", A, "ReadFiscalMemory", toPc, {headerA + "Fun\x87\xC6o", "!" + End}, {esc(0xD1)}, true, {}, "Fun\xE7\xE3o@15;!@18;|complete");
    row("B memory, header alone first", B, "ReadFiscalMemory", toPc, {headerB, "texto" + End}, {esc(0xFB)}, true, {}, "@14;texto@21;|complete");
    // Only silent waits in a row count, and 30 of them end the reading: a printer that pauses
    // while it reads its memory is never cut off as long as something keeps arriving.
    row("A memory, 29 silent waits: a pause", A, "ReadFiscalMemory", toPc, L{headerA + "a"} + silence(29) + L{"b" + End}, {esc(0xD1)}, true, {}, "a@10;b@13;|complete");
    row("A memory, 30 silent waits: the end", A, "ReadFiscalMemory", toPc, L{headerA + "a"} + silence(30) + L{"b" + End}, {esc(0xD1)}, false, {}, "a@10;|silent", 31);
    row("B memory, 29 + 29 silent waits, data between", B, "ReadFiscalMemory", toPc, L{headerB + "a"} + silence(29) + L{"b"} + silence(29) + L{"c" + End}, {esc(0xFB)}, true, {}, "a@15;b@16;c@19;|complete");
    row("B memory, 29 + 30 silent waits, data between", B, "ReadFiscalMemory", toPc, L{headerB + "a"} + silence(29) + L{"b"} + silence(30) + L{"c" + End}, {esc(0xFB)}, false, {}, "a@15;b@16;|silent", 61);
    row("B memory, never answers", B, "ReadFiscalMemory", toPc, {}, {esc(0xFB)}, false, {}, "|silent", 30);
    // Only the first chunk can be a refusal: later ones are report text.
    row("A memory, error text inside the report", A, "ReadFiscalMemory", toPc, {headerA, ":E16" + End}, {esc(0xD1)}, true, {}, "@9;:E16@15;|complete");
    row("A memory, refused", A, "ReadFiscalMemory", toPc, {refusal(A) + "\r\n"}, {esc(0xD1)}, false, error(refusalText(A)), "|failed");
    row("B memory, refused", B, "ReadFiscalMemory", toPc, {refusal(B)}, {esc(0xFB)}, false, error(refusalText(B)), "|failed");
    row("A memory, header cut", A, "ReadFiscalMemory", toPc, {ok(A, "2345678")}, {esc(0xD1)}, false, error(Incomplete), "|failed");
    row("B memory, header cut", B, "ReadFiscalMemory", toPc, {ok(B, "1234567")}, {esc(0xFB)}, false, error(Incomplete), "|failed");
    row("B memory, header cut with the end mark", B, "ReadFiscalMemory", toPc, {ok(B, "12345") + End}, {esc(0xFB)}, false, error(Incomplete), "|failed");
    // The printed reading does not check its answer: a refusal shows on paper, not here.
    row("A memory printed, refused", A, "ReadFiscalMemory", "X000001005000", {refusal(A), status("000200000000")}, {esc(0xD1), cr, gsA}, true);
    row("B memory printed, silent", B, "ReadFiscalMemory", "X000001005000", {}, {esc(0xFB), cr, gsB}, true, {}, {}, 3);

    // The authentication polls (of 100 ms) until the printer answers, and shows its refusal.
    row("A authenticated after 3 polls", A, "Authenticate", "1Texto Autent.", {"", "", "", ok(A)}, {esc('Y') + "Texto Autent.\n"}, true);
    row("B authenticated, mode 0", B, "Authenticate", "0Texto", {ok(B)}, {esc('Y') + "Texto\n"}, true);
    row("B authentication refused, mode 1", B, "Authenticate", "1Texto", {"", "", refusal(B)}, {esc('y') + "Texto\n"}, true, error(refusalText(B)));

    // The bank table: the file's bytes as they are, in pieces of at most 500, one answer for the
    // whole table; its outcome (0 accepted, 1 refused) and the code at answer bytes 2-3.
    row("bank table of 1234", B, "LoadBankTable", bank, {":R0000\xFF\r"}, {bank.left(500), bank.mid(500, 500), bank.mid(1000)}, true, {}, "000");
    row("bank table of 501", B, "LoadBankTable", bank.left(501), {":R0000\xFF\r"}, {bank.left(500), bank.mid(500, 1)}, true, {}, "000");
    row("bank table of 500", B, "LoadBankTable", bank.left(500), {":R0000\xFF\r"}, {bank.left(500)}, true, {}, "000");
    row("bank table without room", B, "LoadBankTable", bank.left(10), {":R8600\xFF\r"}, {bank.left(10)}, false, {}, "186");
    row("bank table, no answer", B, "LoadBankTable", bank.left(10), {}, {bank.left(10)}, false, {}, "199", 1);
    row("bank table, answer cut short", B, "LoadBankTable", bank.left(10), {":R0"}, {bank.left(10)}, false, {}, "10?");
    // clang-format on
}

TOOL_TEST_CLASS(ProtocolAnswersTest)
#include "test_protocol_answers.moc"
