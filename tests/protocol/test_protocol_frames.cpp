// The frames both command sets send, byte for byte, one row per command and model and per
// field variant: programming, maintenance, reports, the fiscal memory and the documents, with
// the firmware gates and the daylight-saving adjustment.
#include "protocol_bench.h"
#include "support/test_main.h"

#include <QtTest>

using namespace bench;

namespace {

// clang-format off
const auto latin1 = [](const char *utf8) { return QString::fromUtf8(utf8).toLatin1(); };
const auto zeros = [](int n) { return QByteArray(n, '\0'); };
const auto payment = [](int linked, const char *index, const QByteArray &name) { return char(linked) + QByteArray(index) + pad(name, 21); };
// An options block with a distinct character in every byte the frames carry.
const QByteArray MarkedOptions = QByteArray("abc#de#fghijkl##m###n#########op").replace('#', '\0').leftJustified(70, '\0');
const auto cliche = [](const QByteArray &ecf, const QByteArray &text, uint32_t length) { return pad(ecf, 4, '\0') + pad(text, 1200, '\0') + bytesOf(length); };
const auto user = [](const QByteArray &im) { return pad("12345678000190", 20) + pad("ISENTO", 20) + pad(im, 20) + pad("ABCDEFGHIJ", 20); };
// The records as the document windows fill them (see ItemRecord and the others): an item of
// price 0000012345, tax T1, quantity 12345678, item number 007; a payment of 000000010000; a
// voucher of 00005000.
QByteArray item(int form, const QByteArray &code, const QByteArray &description, char type = 'N', char mode = 0,
                const QByteArray &adjustment = "", char format = 'I', const QByteArray &unit = "un") {
    return char(form) + pad(code, 20, '\0') + pad(description, 210, '\0') + "0000012345" + zeros(5) + "T112345678" + zeros(2) +
           pad(unit, 2, '\0') + format + pad(adjustment, 9, '\0') + zeros(6) + type + mode + "007";
}
const auto total = [](const QByteArray &digits, char type, char mode) { return pad(digits, 15, '\0') + type + mode; };
const auto paid = [](const QByteArray &method, const QByteArray &text) { return pad(method, 2, '\0') + "000000010000" + zeros(3) + text; };
const auto voucher = [](const QByteArray &totalizer, char type, char mode, const QByteArray &adjustment) {
    return pad(totalizer, 2, '\0') + type + pad(adjustment, 8, '\0') + zeros(7) + "00005000" + zeros(47) + mode;
};
// clang-format on

} // namespace

class ProtocolFramesTest : public QObject {
    Q_OBJECT

private slots:
    void frames_data();
    void frames() { checkRow(); }
};

void ProtocolFramesTest::frames_data() {
    QTest::addColumn<Case>("c");
    const uint A = ModelA, B = ModelB;
    const QByteArrayList none;
    // clang-format off
    // Unless given, the printer accepts every frame with an answer long enough for any number
    // read back.
    const auto row = [](const char *name, uint model, const char *op, const QByteArray &input, const QByteArrayList &frames,
                        bool result = true, double firmware = 0, QByteArrayList answers = {}, int dst = 0, const QStringList &shown = {}) {
        for (qsizetype i = answers.isEmpty() ? 0 : frames.size(); i < frames.size(); ++i)
            answers << ok(model, QByteArray(12, '0'));
        QTest::newRow(name) << Case{model, op, input, answers, frames, true, result, {}, shown, -1, -1, firmware, dst};
    };
    // "Cartão de crédito": model A's own letter codes (ã C4, é C8), CP850 on model B (C6, 82).
    const QByteArray card = latin1("Cartão de crédito xyz"), cardA = "Cart\xC4o de cr\xC8" "dito", cardB = "Cart\xC6o de cr\x82" "dito xyz";
    const QByteArray optionsA = "0b0anc0m10le00Xfghi08jk25500000d0{33}000000";
    QByteArray zeroOptionsA = QByteArray(optionsA).replace("{33}", "p");
    for (char mark : QByteArray("abcdefghijklmnp"))
        zeroOptionsA.replace(mark, '\0');
    const QByteArray gsA = QByteArray("\x1D\xFF"), gsB = QByteArray("\x1D\x05"), c0 = esc(0xC0), be = esc(0xBE), intervention = "ZZZ R0001KORVEL S.A.\r\n\xFF";
    const QByteArray userA = pad("", 16) + "CNPJ:" + pad("12345678000190", 20) + "IE:" + pad("ISENTO", 20), userB = userA.mid(16);
    const QByteArrayList maintenanceA{inMaintenance(), ok(A)}, maintenanceB{inMaintenance(), ok(B)}, userOkA{inMaintenance(), ok(A), ok(A)}, userOkB{inMaintenance(), ok(B), ok(B)};
    const QStringList recorded{QStringLiteral("Informação: Usuário gravado!")};
    const QByteArray FF("\xFF"), Z12(12, '0'), cr("\r"), desc = "Arroz tipo 1 pacote 5kg", x210(210, 'x'), t48(48, 't'), lines = "um\r\n\r\ndois\rtres\n\n";
    const QByteArray tail = "0000012345" "12345678" "un" + desc + FF, tailV = "0000" "00005000" + FF;
    const QByteArray longA = esc(0xDF) + "T1" + pad("789123", 13), longB = esc(0xCA) + "T1" + pad("789123", 18);
    row("A tax rate ISS", A, "ProgramTaxRate", "\1" "1800", {esc(0xDC) + "S1800"});
    row("A tax rate ICMS", A, "ProgramTaxRate", QByteArray(1, '\0') + "0700", {esc(0xDC) + "0700"});
    row("A tax rate unused", A, "ProgramTaxRate", "\1" "////", none);
    row("B tax rate ISS", B, "ProgramTaxRate", "\1" "0500", {esc(0xDC) + "S0500"});
    row("B tax rate ICMS", B, "ProgramTaxRate", QByteArray(1, '\0') + "1800", {esc(0xDC) + "N1800"});
    row("B tax rate unused", B, "ProgramTaxRate", QByteArray(1, '\0') + "////", none);

    row("A payment 16 linked", A, "ProgramPaymentMethod", payment(1, "16", card), {esc(0xDA) + "PGVP" + cardA});
    row("A payment 01", A, "ProgramPaymentMethod", payment(0, "01", "Dinheiro"), {esc(0xDA) + "PGXA" + pad("Dinheiro", 17)});
    row("A payment 00 refused", A, "ProgramPaymentMethod", payment(0, "00", "X"), none, false);
    row("A payment 17 refused", A, "ProgramPaymentMethod", payment(0, "17", "X"), none, false);
    row("A payment blank", A, "ProgramPaymentMethod", payment(1, "02", ""), none);
    row("B payment 05 linked", B, "ProgramPaymentMethod", payment(1, "05", card), {esc(0xDE) + "55" + cardB});
    row("B payment 10", B, "ProgramPaymentMethod", payment(0, "10", card), {esc(0xDE) + "10" + cardB});
    row("B payment 00 refused", B, "ProgramPaymentMethod", payment(1, "00", "X"), none, false);
    row("B payment blank", B, "ProgramPaymentMethod", payment(0, "03", ""), none);
    row("A linked totalizer in 21 positions", A, "ProgramLinkedTotalizer", payment(1, "03", card), {esc(0xE2) + "V" + cardA + "    "});
    row("A linked totalizer not linked", A, "ProgramLinkedTotalizer", payment(0, "03", card), none);
    row("A linked totalizer blank", A, "ProgramLinkedTotalizer", payment(1, "03", pad("", 17) + "abcd"), none);
    row("B report name", B, "ProgramReportName", pad(card, 21), {esc(0xE0) + cardB});
    row("B report name blank", B, "ProgramReportName", pad("", 21), none);
    row("A totalizer outflow", A, "ProgramNonFiscalTotalizer", "\1  " + pad("Sangria", 21), {esc(0xE2) + "-" + pad("Sangria", 21)});
    row("A totalizer inflow", A, "ProgramNonFiscalTotalizer", QByteArray(3, '\0') + pad("Troco", 21), {esc(0xE2) + "+" + pad("Troco", 21)});
    row("B totalizer outflow", B, "ProgramNonFiscalTotalizer", "\1  " + pad("Sangria", 21), {esc(0xDF) + "-" + pad("Sangria", 21)});
    row("B totalizer blank", B, "ProgramNonFiscalTotalizer", "\1  " + pad("", 21), none);

    row("A options below 1.22", A, "ProgramOptions", MarkedOptions, {esc(0xE4) + QByteArray(optionsA).replace("{33}", "0")}, true, 1.21);
    row("A options from 1.22", A, "ProgramOptions", MarkedOptions, {esc(0xE4) + QByteArray(optionsA).replace("{33}", "p")}, true, 1.22);
    row("A options, 1.22 read as 1.2199999", A, "ProgramOptions", MarkedOptions, {esc(0xE4) + QByteArray(optionsA).replace("{33}", "p")}, true, 1.2199999999);
    row("A options zero bytes sent as they are", A, "ProgramOptions", QByteArray(70, '\0'), {esc(0xE4) + zeroOptionsA}, true, 1.22);
    row("B options below 1.01", B, "ProgramOptions", MarkedOptions, {esc(0xE4) + "abcXdeXfghijk0000000"}, true, 1.00);
    row("B options from 1.01", B, "ProgramOptions", MarkedOptions, {esc(0xE4) + "abcXdeXfghijk00000op"}, true, 1.01);
    row("A daylight saving on from 1.22", A, "SetDaylightSavingTime", "1", {esc(0xE4) + "0X0XX10X10XX00XXXXX08XX25500000X0X000000"}, true, 1.22);
    row("B daylight saving off", B, "SetDaylightSavingTime", "0", {esc(0xE4) + "XX0XXXXXXXXXX0000000"});
    row("B daylight saving on from 1.01", B, "SetDaylightSavingTime", "1", {esc(0xE4) + "XX1XXXXXXXXXX00000XX"}, true, 1.01);
    row("A operator", A, "ProgramOperator", pad("", 4) + pad(latin1("João"), 16), {esc(0xDA) + "OOpr:" + pad("Jo\xC4o", 16)});
    row("A operator blank", A, "ProgramOperator", "0001" + pad("", 16), none);
    row("B operator", B, "ProgramOperator", "0001" + latin1("José da Silva123"), {esc(0xDD) + "Lj:0001  Opr:Jos\x82 da Silva"});
    row("B operator of ten leading spaces", B, "ProgramOperator", "0001          abc", none);

    row("A intervention", A, "TechnicalIntervention", "10" + cliche("", "", 0), {gsA, c0 + "{DT}ZZZ R\xFF"}, true, 0, maintenanceA);
    row("A intervention, PC in daylight saving", A, "TechnicalIntervention", "00" + cliche("", "", 0), {gsA, c0 + "{DT-1}XXX R\xFF"}, true, 0, maintenanceA, 1);
    row("A intervention with header", A, "TechnicalIntervention", "01" + cliche("0007", latin1("Ação\r\n") + FF, 7), {gsA, c0 + "{DT}XXX R0007A\xC6\xC4o\r\n\xFF"}, true, 0, maintenanceA);
    row("B intervention with header, PC in daylight saving", B, "TechnicalIntervention", "11" + cliche("0012", latin1("Ação\r\n") + FF, 7), {gsB, c0 + "{DT-1}ZZZ R0012A\x87\xC6o\r\n\xFF"}, true, 0, maintenanceB, 1);
    row("A intervention header cut at its field", A, "TechnicalIntervention", "01" + cliche("0001", QByteArray(1200, 'x'), 5000), {gsA, c0 + "{DT}XXX R0001" + QByteArray(1199, 'x') + FF}, true, 0, maintenanceA);
    row("A user without IM below 1.22", A, "RecordUser", user(""), {gsA, c0 + "{DT}" + intervention, be + "{D}" + userA + pad("", 48)}, true, 1.21, userOkA, 0, recorded);
    row("A user with IM from 1.22", A, "RecordUser", user("98765"), {gsA, c0 + "{DT}" + intervention, be + "{D}" + userA + "IM:" + pad("98765", 20) + pad("", 25) + "ABCDEFGH"}, true, 1.22, userOkA, 0, recorded);
    row("A user, PC in daylight saving at 00:30", A, "RecordUser", user(""), {gsA, c0 + "{DT-1}" + intervention, be + "{D}" + userA + pad("", 48)}, true, 1.0, userOkA, 2, recorded);
    row("B user without IM below 1.01", B, "RecordUser", user(""), {gsB, c0 + "{DT}" + intervention, be + "{D}" + userB + pad("", 48)}, true, 1.00, userOkB, 0, recorded);
    row("B user with IM from 1.01", B, "RecordUser", user("98765"), {gsB, c0 + "{DT}" + intervention, be + "{D}" + userB + "IM:" + pad("98765", 20) + pad("", 25) + "ABCDEFGH"}, true, 1.01, userOkB, 0, recorded);
    row("B user, PC in daylight saving at 00:30", B, "RecordUser", user(""), {gsB, c0 + "{DT}" + intervention, be + "{D-1}" + userB + pad("", 48)}, true, 1.0, userOkB, 2, recorded);
    row("A firmware update", A, "StartFirmwareUpdate", "AB123456", {gsA, esc(0xC1) + "AB123456"}, true, 0, maintenanceA);
    row("B firmware update", B, "StartFirmwareUpdate", "AB123456", {gsB, esc(0xC1) + "XXXXXXXX"}, true, 0, maintenanceB);
    row("A reading X", A, "ReadingX", {}, {esc(0xCF)});
    row("B reading X", B, "ReadingX", {}, {esc(0xFA)});
    row("A reduction Z, PC time as it is", A, "ReductionZ", {}, {esc(0xD0) + "{DT}"}, true, 0, {}, 1);
    row("B reduction Z, PC time as it is", B, "ReductionZ", {}, {esc(0xFC) + "{DT}"}, true, 0, {}, 1);
    row("B memory summarised by counters to the PC", B, "ReadFiscalMemory", "S000001005000", {esc(0xFB) + "S000001005000"}, true, 0, {ok(B, "12345678\xFF\r")});
    row("B memory in full by dates printed", B, "ReadFiscalMemory", "x010195311294", {esc(0xFB) + "x010195311294", cr, gsB}, true, 0, {ok(B), status("000030000000")});
    row("A memory to the PC goes upper case", A, "ReadFiscalMemory", "s000001005000", {esc(0xD1) + "S000001005000"}, true, 0, {":23456789\xFF\r"});
    row("A memory printed goes upper case", A, "ReadFiscalMemory", "x000001000002", {esc(0xD1) + "X000001000002", cr, gsA}, true, 0, {":", status("000200000000")});
    row("B memory to an unknown destination", B, "ReadFiscalMemory", "P000001005000", none, false);

    row("A open coupon", A, "OpenCoupon", {}, {esc(0xC8)});
    row("B open coupon", B, "OpenCoupon", {}, {esc(0xC8)});
    // Model A item sale: surcharge '1', discount or none '0', always four digits.
    row("A long surcharge", A, "SellItem", item(0, "789123", desc, 'A', 'P', "1000"), {longA + "1" "1000" + tail});
    row("A long discount", A, "SellItem", item(0, "789123", desc, 'D', 'V', "0250"), {longA + "0" "0250" + tail});
    row("A long none", A, "SellItem", item(0, "789123", desc, 'N', 0, "9999"), {longA + "0" "0000" + tail});
    row("A long code 17 cut to 13, text 210", A, "SellItem", item(2, "12345678901234567", x210), {esc(0xDF) + "T1" "1234567890123" "00000" "0000012345" "12345678" "un" + x210 + FF});
    row("A long unit of one letter ends at its zero", A, "SellItem", item(0, "1", desc, 'N', 0, "", 'I', "l"), {esc(0xDF) + "T1" + pad("1", 13) + "00000" "0000012345" "12345678" "l"});
    row("A short decimal, code 9 cut to 6", A, "SellItem", item(1, "123456789", desc, 'A', 'P', "0500", 'D'), {esc(0xCA) + "T1" "123456" "000" "10500" "000001234" "12,34" + pad(desc.left(13), 14)});
    row("A short whole unless D", A, "SellItem", item(1, "12", "Sal", 'N', 0, "", 0), {esc(0xCA) + "T1" "12    " "000" "00000" "000001234" "12345" + pad("Sal", 14)});
    // Model B: the shared coding table, a percentage in the last four of nine.
    row("B long discount 10 %", B, "SellItem", item(0, "789123", desc, 'D', 'P', "1000"), {longB + "0" "000001000" + tail});
    row("B long discount value", B, "SellItem", item(0, "789123", desc, 'D', 'V', "000012345"), {longB + "1" "000012345" + tail});
    row("B long surcharge 5 %", B, "SellItem", item(0, "789123", desc, 'A', 'P', "0500"), {longB + "2" "000000500" + tail});
    row("B long surcharge value", B, "SellItem", item(0, "789123", desc, 'A', 'V', "000000099"), {longB + "3" "000000099" + tail});
    row("B long none", B, "SellItem", item(0, "789123", desc, 'N', 'V', "123456789"), {longB + "1" "000000000" + tail});
    row("B long code 18, text 210", B, "SellItem", item(0, QByteArray(20, 'c'), x210), {esc(0xCA) + "T1" + QByteArray(18, 'c') + "1" "000000000" "0000012345" "12345678" "un" + x210 + FF});
    row("B short whole, code 9 cut to 6", B, "SellItem", item(1, "123456789", desc), {esc(0xC9) + "T1" "123456" "1" "000000000" "000001234" "12345" + pad(desc, 13)});
    row("B short decimal unless I", B, "SellItem", item(1, "12", "Sal", 'N', 0, "", 0), {esc(0xC9) + "T1" "12    " "1" "000000000" "000001234" "12,34" + pad("Sal", 13)});
    row("B adjust item", B, "AdjustItem", item(0, "", "", 'A', 'V', "000012345"), {esc(0xCB) + "007" "3" "000012345"});
    row("A cancel item", A, "CancelItem", "012", {esc(0xCD) + "012"});
    row("B cancel item", B, "CancelItem", "012", {esc(0xCC) + "012"});
    row("A cancel coupon", A, "CancelCoupon", {}, {esc(0xCE)});
    row("B cancel coupon", B, "CancelCoupon", {}, {esc(0xD3)});
    row("B cancel voucher", B, "CancelVoucher", "000123", {esc(0xD9) + "000123"});
    // Totalization: model A's percentage first, model B's last.
    row("A total +10 %", A, "Totalize", total("1000", 'A', 'P'), {esc(0xF1) + "2" "100000000000"});
    row("B total +10 %", B, "Totalize", total("1000", 'A', 'P'), {esc(0xCE) + "2" "000000001000"});
    row("A total -value", A, "Totalize", total("000000001234", 'D', 'V'), {esc(0xF1) + "1" "000000001234"});
    row("A total none", A, "Totalize", total("999999999999", 'N', 0), {esc(0xF1) + "1" + Z12});
    row("B total -1 %", B, "Totalize", total("0100", 'D', 'P'), {esc(0xCE) + "0" "000000000100"});
    // Payment (its text cut to 43 / 42 bytes by the cleared 60), reversal, closing.
    row("A payment no text", A, "RegisterPayment", paid("B", ""), {esc(0xF2) + "B" "000000010000" + FF});
    row("A payment text 48", A, "RegisterPayment", paid("B", t48), {esc(0xF2) + "B" "000000010000" + t48.left(43) + FF});
    row("B payment text 48", B, "RegisterPayment", paid("52", t48), {esc(0xCF) + "52" "000000010000" + t48.left(42) + FF});
    row("A reversal", A, "ReversePayment", "AxBy000042000000000500", {esc(0xF8) + "AB" "000042" "000000000500"});
    row("B reversal", B, "ReversePayment", "0152000042000000000500", {esc(0xDB) + "0152" "000042" "000000000500"});
    row("A closing", A, "CloseCoupon", "Volte\r\n", {esc(0xF3) + "Volte\r\n" + FF});
    row("A closing cut at TxBuffer", A, "CloseCoupon", QByteArray(3000, 'm'), {esc(0xF3) + QByteArray(Link::TxBufferSize - 3, 'm') + FF});
    row("B closing gets CR LF", B, "CloseCoupon", "Volte", {esc(0xD1) + "XVolte\r\n" + FF});
    row("B closing empty", B, "CloseCoupon", "", {esc(0xD1) + "X" + FF});
    row("B closing cut to 443 + CR LF", B, "CloseCoupon", QByteArray(600, 'm'), {esc(0xD1) + "X" + QByteArray(443, 'm') + "\r\n" + FF});
    row("B closing of 445 with CR LF", B, "CloseCoupon", QByteArray(443, 'm') + "\r\n", {esc(0xD1) + "X" + QByteArray(443, 'm') + "\r\n" + FF});
    row("A voucher none", A, "IssueNonFiscalVoucher", voucher("C", 'N', 0, "12345678"), {esc(0xD9) + "C" "1" + Z12 + tailV});
    row("A voucher +value", A, "IssueNonFiscalVoucher", voucher("C", 'A', 'V', "00000150"), {esc(0xD9) + "C" "3" "000000000150" + tailV});
    row("A voucher -2,5 %", A, "IssueNonFiscalVoucher", voucher("C", 'D', 'P', "0250"), {esc(0xD9) + "C" "0" "025000000000" + tailV});
    row("B voucher +2,5 %", B, "IssueNonFiscalVoucher", voucher("03", 'A', 'P', "0250"), {esc(0xD4) + "03" "2" "000000000250" + tailV});
    row("B voucher -value", B, "IssueNonFiscalVoucher", voucher("03", 'D', 'V', "00000150"), {esc(0xD4) + "03" "1" "000000000150" + tailV});
    row("A linked voucher", A, "OpenVoucher", "52000042000000010000   E", {esc(0xDB) + "E5" "000042" "000000010000"});
    row("B linked voucher", B, "OpenVoucher", "52000042000000010000   E", {esc(0xD5) + "52" "000042" "000000010000"});
    row("B reprint", B, "ReprintVoucher", {}, {esc(0xDA)});
    row("A report", A, "OpenManagementReport", "07", {esc(0xD3)});
    row("B report 07", B, "OpenManagementReport", "07", {esc(0xD2) + "07"});
    row("A three lines", A, "PrintReportLines", lines, {esc(0xD5) + "um" + FF, esc(0xD5) + "dois" + FF, esc(0xD5) + "tres" + FF});
    row("B three lines", B, "PrintReportLines", "\r\n" + lines, {esc(0xD7) + pad("um", 48), esc(0xD7) + pad("dois", 48), esc(0xD7) + pad("tres", 48)});
    row("B line of 60 cut to 48", B, "PrintReportLines", QByteArray(48, 'a') + "bbbbbbbbbbbb", {esc(0xD7) + QByteArray(48, 'a')});
    row("A no lines", A, "PrintReportLines", "\r\n\r\n", {});
    row("B stops at the refused line", B, "PrintReportLines", lines, {esc(0xD7) + pad("um", 48), esc(0xD7) + pad("dois", 48)}, false, 0, {ok(B), refusal(B)}, 0, {"Erro: " + refusalText(B)});
    row("A close report", A, "CloseReport", {}, {esc(0xD4)});
    row("B close report", B, "CloseReport", {}, {esc(0xD8)});
    // clang-format on
}

TOOL_TEST_CLASS(ProtocolFramesTest)
#include "test_protocol_frames.moc"
