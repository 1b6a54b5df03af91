// The widget-free rules of the fiscal windows: the command macro file's codec, the shift-in
// digit entry, and the records the document windows fill from what the user typed, each
// record compared whole (gaps included) with its fields laid out by hand.
#include "core/global.h"
#include "fiscal/amount_edit.h"
#include "fiscal/digit_entry.h"
#include "fiscal/item_entry.h"
#include "fiscal/macro_file.h"
#include "fiscal/payment_entry.h"
#include "fiscal/voucher_entry.h"
#include "support/test_main.h"

#include <QtTest>

using Status = MacroFile::LineStatus;
using DigitRow = std::tuple<QString, QString, QString, QString>; // mask, keys, digits, shown
Q_DECLARE_METATYPE(DigitRow)

namespace {
template <class Record> QByteArray bytesOf(const Record &record) {
    return QByteArray(reinterpret_cast<const char *>(&record), int(sizeof record));
}
// A record as its fields, each zero-padded to its width.
QByteArray layout(std::initializer_list<int> widths, std::initializer_list<QByteArray> values) {
    QByteArray bytes;
    auto value = values.begin();
    for (int width : widths)
        bytes += (value == values.end() ? QByteArray() : *value++).leftJustified(width, '\0');
    return bytes;
}
// The fields of each record, in order, with their widths (gaps included).
const auto Item = {1, 20, 210, 10, 5, 2, 8, 2, 2, 1, 9, 6, 1, 1, 3};
const auto Total = {12, 3, 1, 1};
const auto Payment = {2, 12, 3, 49};
const auto Reversal = {2, 2, 6, 12, 2};
const auto Voucher = {2, 1, 8, 7, 8, 47, 1};
const auto Linked = {2, 6, 12, 3, 1};

ItemEntry::Sale sale(bool oneLine, const char *unit, bool decimal, char type, bool percentage,
                     const QByteArray &adjustment) {
    ItemEntry::Sale s;
    s.oneLine = oneLine;
    s.code = QStringLiteral("789");
    s.description = QStringLiteral("Feijão");
    s.price = oneLine ? "000000125" : "0000001250";
    s.taxCode = "TA";
    s.quantity = oneLine ? (decimal ? "0150" : "00002") : "00002000";
    s.unit = QString::fromLatin1(unit);
    s.decimalQuantity = decimal;
    s.adjustmentType = type;
    s.percentage = percentage;
    s.adjustment = adjustment;
    return s;
}
ProgrammingLists linkedLists(uint model) {
    ProgrammingLists lists;
    lists.linkedPayments.add(QStringLiteral("Cartao"), model == ModelA ? "D" : "53");
    lists.linkedPayments.add(QStringLiteral("Ticket"), model == ModelA ? "B" : "51");
    lists.linkedTotalizerLetters = model == ModelA ? "CA" : "";
    return lists;
}
QByteArray linked(uint model, int index, const QString &coo, const ProgrammingLists &lists) {
    LinkedVoucherRecord r;
    std::memset(&r, 'x', sizeof r);
    const auto problem =
        VoucherEntry::fillLinkedVoucher(model, lists, index, coo, "000000012345", r);
    return problem == VoucherEntry::Problem::None ? bytesOf(r)
                                                  : VoucherEntry::problemText(problem).toUtf8();
}
} // namespace

class FiscalLogicTest : public QObject {
    Q_OBJECT

    static void records() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("expected");
    }

private slots:
    void macroLines_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<Status>("status");
        QTest::addColumn<QByteArray>("frame");
        // clang-format off
        QTest::newRow("bracket ABC") << QByteArray("a[ABC]\r\n") << Status::Frame << QByteArray("a[ABC]");
        QTest::newRow("123, any 5th") << QByteArray("[123x9\r\n") << Status::Frame << QByteArray("{9");
        QTest::newRow("256 no code") << QByteArray("[256]\r\n") << Status::Frame << QByteArray("[256]");
        QTest::newRow("[000]") << QByteArray("[000]A\r\n") << Status::Frame << QByteArray("\0A", 2);
        QTest::newRow("CR, no LF") << QByteArray("AB\rCD\r\n") << Status::Frame << QByteArray("AB");
        QTest::newRow("no CR") << QByteArray("[ESC][200]") << Status::NoLineEnd << QByteArray();
        QTest::newRow("too long") << QByteArray(3000, 'A') + "\r\n" << Status::TooLong << QByteArray();
        QTest::newRow("escapes past the limit") << QByteArray("[255]").repeated(2049) + "\r\n" << Status::TooLong << QByteArray();
        QTest::newRow("terminator") << QByteArray(":FIM:") << Status::End << QByteArray();
        QTest::newRow("one byte left") << QByteArray("X") << Status::End << QByteArray();
        // clang-format on
    }
    void macroLines() {
        QFETCH(QByteArray, line);
        const MacroFile::Line decoded =
            MacroFile::decodeLine(MacroFile::header(1) + line, MacroFile::HeaderSize, 2048);
        QTEST(decoded.status, "status");
        QTEST(decoded.frame, "frame");
        QVERIFY(MacroFile::headerMatches(1, ":MV4700    \r\n") &&
                !MacroFile::headerMatches(2, ":MV4700    \r\n"));
        QVERIFY(MacroFile::headerMatches(2, ":MV210     \r\n") &&
                !MacroFile::headerMatches(1, ":MV47"));
    }

    // The played frame that refers to the last document gets its number ("123456").
    void documentNumber_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("patched");
        // clang-format off
        QTest::newRow("B voucher cancel") << 1u << QByteArray("\x1B\xD9" "000000") << QByteArray("\x1B\xD9" "123456");
        QTest::newRow("B reversal") << 1u << QByteArray("\x1B\xDB" "0102000000000000000100") << QByteArray("\x1B\xDB" "0102123456000000000100");
        QTest::newRow("B report line") << 1u << QByteArray("\x1B\xD7" "abc") << QByteArray("\x1B\xD7" "abc") + QByteArray(45, ' ');
        QTest::newRow("A reversal") << 2u << QByteArray("\x1B\xF8" "AB000000000000000100") << QByteArray("\x1B\xF8" "AB123456000000000100");
        QTest::newRow("A D9, no number") << 2u << QByteArray("\x1B\xD9" "A1000000") << QByteArray("\x1B\xD9" "A1000000");
        QTest::newRow("too short") << 1u << QByteArray("\x1B\xD5" "01") << QByteArray("\x1B\xD5" "01");
        // clang-format on
    }
    void documentNumber() {
        QFETCH(uint, model);
        QFETCH(QByteArray, frame);
        MacroFile::patchDocumentNumber(model, frame, "123456");
        QTEST(frame, "patched");
    }

    void passes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        for (const char *row :
             {"1=1", "0=1", "-4=1", "abc=1", "=1", "199=199", "200=199", "250=199"})
            QTest::newRow(row) << QString(row).section('=', 0, 0)
                               << QString(row).section('=', 1).toInt();
    }
    void passes() {
        QFETCH(QString, text);
        QTEST(MacroFile::passes(text), "count");
    }
    // Keys typed into an amount field of `mask` ('\x1b' is Esc), and what it then holds.
    void digitEntry_data() {
        QTest::addColumn<DigitRow>("row");
        // clang-format off
        QTest::newRow("one-line price") << DigitRow{"0.000.000,00;0;_", "125", "000000125", "0.000.001,25"};
        QTest::newRow("others ignored") << DigitRow{"0.000.000,00;0;_", "1a,.-2 5", "000000125", "0.000.001,25"};
        QTest::newRow("Esc zeroes") << DigitRow{"0.000.000,00;0;_", "125\x1b", "000000000", "0.000.000,00"};
        QTest::newRow("Esc, then 7") << DigitRow{"0.000.000,00;0;_", "9\x1b" "7", "000000007", "0.000.000,07"};
        QTest::newRow("full price") << DigitRow{"0.000.000,000;0;_", "12345678901", "2345678901", "2.345.678,901"};
        QTest::newRow("12 digits") << DigitRow{"0.000.000.000,00;0;_", "", "000000000000", "0.000.000.000,00"};
        QTest::newRow("percentage") << DigitRow{"00,00;0;_", "1250", "1250", "12,50"};
        QTest::newRow("whole quantity") << DigitRow{"00000;0;_", "3", "00003", "00003"};
        QTest::newRow("voucher") << DigitRow{"000.000,00;0;_", "1000", "00001000", "000.010,00"};
        // clang-format on
    }
    void digitEntry() {
        QFETCH(DigitRow, row);
        const auto &[mask, keys, digits, shown] = row;
        AmountEdit edit;
        edit.setMask(mask);
        QCOMPARE(DigitEntry::zeroText(mask), QString(digits.size(), QLatin1Char('0')));
        for (QChar c : keys) {
            if (c == QChar(0x1b))
                QTest::keyClick(&edit, Qt::Key_Escape);
            else
                QTest::keyClicks(&edit, QString(c));
        }
        QCOMPARE(edit.digits(), digits);
        QCOMPARE(edit.text(), shown);
        edit.setDigits(QStringLiteral("1.234.567.890.123,4")); // the rightmost digits kept
        QCOMPARE(edit.digits(), QStringLiteral("12345678901234").right(digits.size()));
    }

    void itemRecords_data() {
        records();
        using namespace ItemEntry;
        const QByteArray none(9, '\0'), feijao = "Feij\xe3o"; // Windows-1252
        // clang-format off
        QTest::newRow("one-line decimal, no adjustment: value and mode stay zero")
            << bytesOf(saleRecord(sale(true, "pc", true, 'N', false, "000001000")))
            << layout(Item, {"\1", "789", feijao, "000000125", "", "TA", "0150", "", "pc", "D", none, "", "N", "", ""});
        QTest::newRow("three letters typed: the first two; a percentage")
            << bytesOf(saleRecord(sale(false, "cxa", false, 'D', true, "1000")))
            << layout(Item, {"\0", "789", feijao, "0000001250", "", "TA", "00002000", "", "cx", "I", "1000", "", "D", "P", ""});
        QTest::newRow("no unit: two spaces")
            << bytesOf(saleRecord(sale(true, "", false, 'N', false, "")))
            << layout(Item, {"\1", "789", feijao, "000000125", "", "TA", "00002", "", "  ", "I", "", "", "N", "", ""});
        ItemEntry::Sale longTexts;
        longTexts.code = QString(30, 'C');
        longTexts.description = QString(300, 'D');
        QTest::newRow("long texts keep their terminator") << bytesOf(saleRecord(longTexts)).mid(1, 230)
            << QByteArray(19, 'C') + '\0' + QByteArray(209, 'D') + '\0';
        QTest::newRow("item discount by value") << bytesOf(adjustmentRecord("007", 'D', false, "000000050"))
            << layout(Item, {"", "", "", "", "", "", "", "", "", "", "000000050", "", "D", "V", "007"});
        QTest::newRow("item surcharge by percentage") << bytesOf(adjustmentRecord("007", 'A', true, "1000"))
            << layout(Item, {"", "", "", "", "", "", "", "", "", "", "1000", "", "A", "P", "007"});
        QTest::newRow("total, none: zero whatever typed") << bytesOf(totalRecord('N', false, "000000001000")) << layout(Total, {"", "", "N"});
        QTest::newRow("total surcharge") << bytesOf(totalRecord('A', false, "000000001000")) << layout(Total, {"000000001000", "", "A", "V"});
        QTest::newRow("total discount %") << bytesOf(totalRecord('D', true, "0550")) << layout(Total, {"0550", "", "D", "P"});
        // clang-format on
    }
    void itemRecords() {
        QFETCH(QByteArray, record);
        QTEST(record, "expected");
    }

    void paymentRecords_data() {
        records();
        using namespace PaymentEntry;
        const QByteArray pct("1000\0\0\0\0", 8);
        // clang-format off
        QTest::newRow("A letter") << bytesOf(paymentRecord(QByteArray("B\0", 2), "1250", "")) << layout(Payment, {"B", "000000001250"});
        QTest::newRow("B, accents") << bytesOf(paymentRecord("52", "1250", "Cartão 1234")) << layout(Payment, {"52", "000000001250", "", "Cart\xe3o 1234"});
        QTest::newRow("text cut to 48") << bytesOf(paymentRecord("01", "1250", QString(60, 'x'))) << layout(Payment, {"01", "000000001250", "", QByteArray(48, 'x')});
        QTest::newRow("reversal") << bytesOf(reversalRecord("01", "52", "77", "250")) << layout(Reversal, {"01", "52", "000077", "000000000250"});
        QTest::newRow("A voucher, none") << bytesOf(voucherRecord("EC", "00002500", {'N', false, "00000150"})) << layout(Voucher, {"C", "N", "", "", "00002500"});
        QTest::newRow("B outflow, surcharge") << bytesOf(voucherRecord("S03", "00002500", {'A', false, "00000150"})) << layout(Voucher, {"03", "A", "00000150", "", "00002500", "", "V"});
        QTest::newRow("B inflow, discount %") << bytesOf(voucherRecord("E01", "00002500", {'D', true, "1000"})) << layout(Voucher, {"01", "D", pct, "", "00002500", "", "P"});
        // clang-format on
    }
    void paymentRecords() {
        QFETCH(QByteArray, record);
        QTEST(record, "expected");
    }

    void voucherRecords_data() {
        records();
        using namespace VoucherEntry;
        ProgrammingLists missing = linkedLists(ModelA);
        missing.linkedTotalizerLetters = "C"; // no totalizer for the second method
        const QString noMethod = problemText(Problem::NoLinkedMethod);
        // clang-format off
        QTest::newRow("B second") << linked(ModelB, 1, "000123", linkedLists(ModelB)) << layout(Linked, {"51", "000123", "000000012345"});
        QTest::newRow("B none chosen") << linked(ModelB, -1, "45", linkedLists(ModelB)) << layout(Linked, {"53", "000045", "000000012345"});
        QTest::newRow("A same position") << linked(ModelA, 1, "000777", linkedLists(ModelA)) << layout(Linked, {"B", "000777", "000000012345", "", "A"});
        QTest::newRow("A none chosen") << linked(ModelA, -1, "12_", linkedLists(ModelA)) << layout(Linked, {"D", "000012", "000000012345", "", "C"});
        QTest::newRow("no linked method") << linked(ModelB, 0, "1", {}) << noMethod.toUtf8();
        QTest::newRow("no linked totalizer") << linked(ModelA, 1, "1", missing) << problemText(Problem::NoLinkedTotalizer).toUtf8();
        QTest::newRow("memo lines") << documentText("Linha 1\n\nLinha 3") << QByteArray("Linha 1\r\n\r\nLinha 3");
        QTest::newRow("memo accents") << documentText("Ação") << QByteArray("A\xe7\xe3o");
        QTest::newRow("memo NUL dropped") << documentText(QStringLiteral("ab") + QChar(0) + "c") << QByteArray("abc");
        QTest::newRow("B stamp 18") << authenticationText(ModelB, "1234567890ABCDEFGHIJ") << QByteArray("1234567890ABCDEFGH");
        QTest::newRow("A stamp 13") << authenticationText(ModelA, "1234567890ABCDEFGHIJ") << QByteArray("1234567890ABC");
        QTest::newRow("stamp LF") << authenticationText(ModelB, "PAGO\nEM") << QByteArray("PAGO EM");
        // clang-format on
        QVERIFY(!noMethod.isEmpty());
    }
    void voucherRecords() {
        QFETCH(QByteArray, record);
        QTEST(record, "expected");
    }
};

TOOL_TEST_CLASS(FiscalLogicTest)
#include "test_fiscal_logic.moc"
