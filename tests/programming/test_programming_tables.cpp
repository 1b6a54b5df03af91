// The rules of the programming tables without the window: clearing, the option defaults and
// the options block, the keys of the flag columns, and the header limits.
#include "programming/table_transfer.h"
#include "send_data_fixture.h"
#include "support/programming_maintenance_tables.h"
#include "support/test_main.h"

#include <QtTest>

#include <cstring>

using fixture::columns;

namespace {

constexpr uint B = ModelB;
constexpr uint A = ModelA;
constexpr int All = -1;

OptionControls allOn() {
    OptionControls c;
    c.autoReadingX = c.autoReductionZ = c.issDiscount = c.couponLegend = true;
    c.additionalCoupon = c.paperCutter = c.rounding = c.boldCheck = c.suppressErrors = true;
    c.lineHeight = c.couponSpacing = c.minHourReductionZ = QStringLiteral("99");
    return c;
}
// The boxes (LX RZ ISS LEG ADD CUT RND BOLD SUP) as 1 or 0, then the three fields.
QString shown(const OptionControls &c) {
    QString text;
    for (bool box : {c.autoReadingX, c.autoReductionZ, c.issDiscount, c.couponLegend,
                     c.additionalCoupon, c.paperCutter, c.rounding, c.boldCheck, c.suppressErrors})
        text += box ? u'1' : u'0';
    return text + u' ' + c.lineHeight + u'/' + c.couponSpacing + u'/' + c.minHourReductionZ;
}
QByteArray bytes(const OptionsBlock &block) {
    return QByteArray(reinterpret_cast<const char *>(block.bytes), 70);
}
OptionsBlock block(const QByteArray &first) {
    OptionsBlock b;
    std::memset(b.bytes, '#', 70);
    std::memcpy(b.bytes, first.constData(), size_t(first.size()));
    return b;
}

} // namespace

class ProgrammingTablesTest : public QObject {
    Q_OBJECT
private slots:
    // One page's "Limpar" or "Limpar Todos" on a copy with something in every table: the
    // cells left, the payment rows, operator and store, the option controls; the options
    // block and the daylight-saving box are never cleared.
    void clearing_data() {
        columns<uint, int, QStringList>({"model", "table", "left"});
        const QString rate = "T4 12,00%    S", report = "R3 R", totalizer = "N6 T   S",
                      method = " FP09 X    V", cash = " FP01 Dinheiro    N",
                      header = "H <N>Loja</N>", op = "Ana0042", kept = "controls kept";
        using T = ProgrammingTable;
        auto row = [](const char *name, uint model, ProgrammingTable table,
                      const QStringList &left) {
            QTest::newRow(name) << model << int(table) << left;
        };
        // clang-format off
        row("tax rates", B, T::TaxRates, {report, totalizer, method, header, "32", op, kept});
        row("payments B", B, T::Payments, {report, rate, totalizer, cash, header, "32", op, kept});
        row("payments A", A, T::Payments, {report, rate, totalizer, cash, header, "16", op, kept});
        row("reports", B, T::Reports, {rate, totalizer, method, header, "32", op, kept});
        row("totalizers", A, T::Totalizers, {report, rate, method, header, "16", op, kept});
        row("header", B, T::Header, {report, rate, totalizer, method, "32", op, kept});
        row("operator", B, T::Operator, {report, rate, totalizer, method, header, "32", "", kept});
        row("options", B, T::Options, {report, rate, totalizer, method, header, "32", op, kept});
        row("all B", B, T(All), {cash, "32", op, "defaults"});
        row("all A", A, T(All), {cash, "16", op, "defaults"});
        // clang-format on
    }
    void clearing() {
        QFETCH(uint, model);
        QFETCH(int, table);
        EditDataCopy copy{fixture::tablesWith(
                              model, {"T4=12,00%|    S", "P1= FP09|X|    V", "R3=R", "N6=T|   S"}),
                          {true, "Ana", "0042"}};
        ProgrammingTables &t = copy.tables;
        t.options = block(QByteArray(70, 'a'));
        t.header = "<N>Loja</N>";
        t.controls = allOn();
        if (table == All)
            clearAll(t, model, 1.22);
        else
            clearTable(copy, ProgrammingTable(table), model);

        QStringList got = fixture::cells(t);
        got << QString::number(t.payments.size())
            << copy.operatorPage.name + copy.operatorPage.store
            << (t.controls == allOn() ? "controls kept" : "defaults");
        QTEST(got, "left");
        QVERIFY(copy.operatorPage.daylightSaving);
        QCOMPARE(bytes(t.options), QByteArray(70, 'a'));
        QCOMPARE(t.taxRates[15].code + t.reports[15].number + t.totalizers[15].number,
                 QStringLiteral("    TP   RG16 CNFNV16"));
    }

    // "Padrão" from every box checked and every field "99"; the block rebuilt from those
    // controls (byte 1 only on model A below 1.22, byte 2 'X', the bytes of no control kept),
    // and the controls read back from it.
    void options_data() {
        columns<uint, double, QString, QByteArray>({"model", "firmware", "controls", "block"});
        // clang-format off
        auto row = [](const char *name, uint model, double firmware, const char *controls,
                      const char *block) {
            QTest::newRow(name) << model << firmware << QString(controls) << QByteArray(block, 32);
        };
        row("B 1.00", B, 1.00, "000110111 31/06/00", "0\0X#01#3106001##0###1#########11");
        row("B 1.01", B, 1.01, "000110100 31/06/00", "0\0X#01#3106001##0###1#########00");
        row("A 1.21", A, 1.21, "000110011 18/02/00", "00X#01#1802001##0###0#########11");
        row("A 1.22", A, 1.22, "000110011 18/02/00", "0\0X#01#1802001##0###0#########11");
        // clang-format on
    }
    void options() {
        QFETCH(uint, model);
        QFETCH(double, firmware);
        QFETCH(QByteArray, block);
        OptionControls c = allOn();
        optionDefaults(c, model, firmware);
        QTEST(shown(c), "controls");
        OptionsBlock b = ::block({});
        rebuildOptionsBlock(b, c, model, firmware);
        QCOMPARE(bytes(b), block + QByteArray(38, '#'));
        QCOMPARE(optionControlsFromBlock(b), c);
        c.couponSpacing = QStringLiteral("3");
        c.minHourReductionZ = QStringLiteral("045");
        rebuildOptionsBlock(b, c, model, firmware);
        QCOMPARE(bytes(b).mid(9, 4), QByteArray("3 04"));
    }

    // Each box from bit 0 of its own byte; zero bytes are left out of the fields.
    void controlsFromBlock() {
        QCOMPARE(shown(optionControlsFromBlock(block("10X01101831061001000100000000001"))),
                 QStringLiteral("101111101 18/31/06"));
        QCOMPARE(shown(optionControlsFromBlock(block("01X10010000000010110111111111110"))),
                 QStringLiteral("010000110 00/00/00"));
        QCOMPARE(shown(optionControlsFromBlock(block(QByteArray(32, '\0')))), "000000000 //");
    }

    void flagKeys_data() {
        columns<int, QString, QChar, QString>({"column", "cell", "key", "after"}); // "-": no change
        auto row = [](FlagColumn column, const char *cell, char key, const char *after) {
            QTest::addRow("%d '%s' %c", int(column), cell, key)
                << int(column) << QString(cell) << QChar(key) << QString(after);
        };
        // clang-format off
        row(FlagColumn::Iss, "    N", 's', "    S");        row(FlagColumn::Iss, "    S", 'N', "    N");
        row(FlagColumn::Iss, "    N", ' ', "    S");        row(FlagColumn::Iss, "", ' ', "    N");
        row(FlagColumn::Iss, "    N", 'x', "-");            row(FlagColumn::Linked, "    N", 'v', "    V");
        row(FlagColumn::Linked, "    V", 'n', "    N");     row(FlagColumn::Linked, "    V", ' ', "    N");
        row(FlagColumn::Linked, "", ' ', "    V");          row(FlagColumn::Direction, "   S", 'e', "   E");
        row(FlagColumn::Direction, "   E", 's', "   S");    row(FlagColumn::Direction, "   S", ' ', "   E");
        row(FlagColumn::Direction, "   E", ' ', "   S");    row(FlagColumn::Direction, "   E", 'N', "-");
        // clang-format on
    }
    void flagKeys() {
        QFETCH(int, column);
        QFETCH(QString, cell);
        QFETCH(QChar, key);
        QTEST(flagCellAfterKey(FlagColumn(column), cell, key).value_or("-"), "after");
    }

    // A cut never leaves half a line break; the memo shows '\n' for CR LF.
    void headerLimits() {
        QCOMPARE(headerCutToLimit("abcdef", 4), QByteArray("abcd"));
        QCOMPARE(headerCutToLimit("abc", 5), QByteArray("abc"));
        QCOMPARE(headerCutToLimit("abc\r\ndef", 4), QByteArray("abc"));
        QCOMPARE(headerCutToLimit("abc\r\ndef", 5), QByteArray("abc\r\n"));
        QCOMPARE(memoTextFromHeader("<N>Caf\xe9</N>\r\nRua\r\n"), "<N>Café</N>\nRua\n");
        QCOMPARE(headerFromMemoText("Café\nRua\r\nX"), QByteArray("Caf\xe9\r\nRua\r\nX"));
    }
};

TOOL_TEST_CLASS(ProgrammingTablesTest)
#include "test_programming_tables.moc"
