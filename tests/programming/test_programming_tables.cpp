#include "programming/tables.h"

#include <QtTest>

#include <cstring>

namespace {

constexpr uint32_t B = 1;
constexpr uint32_t A = 2;

OptionControls allOn() {
    OptionControls c;
    c.autoReadingX = c.autoReductionZ = c.issDiscount = c.couponLegend = true;
    c.additionalCoupon = c.paperCutter = c.rounding = c.boldCheck = c.suppressErrors = true;
    c.lineHeight = c.couponSpacing = c.minHourReductionZ = QStringLiteral("99");
    return c;
}

} // namespace

class TestProgrammingTables : public QObject {
    Q_OBJECT
private slots:
    void clearAllTables_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<int>("paymentRows");
        QTest::addColumn<QString>("row2Number");
        QTest::addColumn<QString>("lastNumber");
        QTest::newRow("model B") << uint(B) << 32 << QString() << QString();
        QTest::newRow("model A") << uint(A) << 16 << " FP02"
                                 << " FP16";
    }
    void clearAllTables() {
        QFETCH(uint, model);
        QFETCH(int, paymentRows);
        QFETCH(QString, row2Number);
        QFETCH(QString, lastNumber);
        ProgrammingTables t;
        for (int i = 0; i < 70; ++i)
            t.options.bytes[i] = uint8_t('a' + i % 26);
        OptionsBlock block = t.options;
        t.taxRates[3] = {taxCodeText(4), QStringLiteral("12,00%"), QStringLiteral("    S")};
        t.payments = {{QStringLiteral(" FP09"), QStringLiteral("X"), QStringLiteral("    V")}};
        t.reports[2].name = QStringLiteral("R");
        t.totalizers[5] = {totalizerNumberText(6), QStringLiteral("T"), QStringLiteral("   S")};
        t.header = "<N>Loja</N>";
        t.controls = allOn();

        clearAll(t, model, 1.22);

        QCOMPARE(t.payments.size(), paymentRows);
        QCOMPARE(t.payments[0].number, QStringLiteral(" FP01"));
        QCOMPARE(t.payments[0].description, QStringLiteral("Dinheiro"));
        QCOMPARE(t.payments[0].linked, QStringLiteral("    N"));
        QCOMPARE(t.payments[1].number, row2Number);
        QCOMPARE(t.payments.last().number, lastNumber);
        for (int row = 1; row < paymentRows; ++row) {
            QVERIFY(t.payments[row].description.isEmpty());
            QCOMPARE(t.payments[row].linked, QStringLiteral("    N"));
        }
        for (int k = 0; k < 16; ++k) {
            QCOMPARE(t.taxRates[k].code, QStringLiteral("    T") + QChar(u'A' + k));
            QCOMPARE(t.taxRates[k].rate, QStringLiteral("//,//%"));
            QCOMPARE(t.taxRates[k].iss, QStringLiteral("    N"));
            QVERIFY(t.reports[k].name.isEmpty());
            QCOMPARE(t.reports[k].number, QStringLiteral("   RG%1").arg(k + 1, 2, 10, QChar(u'0')));
            QVERIFY(t.totalizers[k].name.isEmpty());
            QCOMPARE(t.totalizers[k].direction, QStringLiteral("   E"));
            QCOMPARE(t.totalizers[k].number,
                     QStringLiteral(" CNFNV%1").arg(k + 1, 2, 10, QChar(u'0')));
        }
        QVERIFY(t.header.isEmpty());
        QCOMPARE(std::memcmp(t.options.bytes, block.bytes, 70), 0); // the block is kept
        OptionControls expected = allOn();
        optionDefaults(expected, model, 1.22);
        QCOMPARE(t.controls, expected);
    }

    // "Padrão" per model and firmware; every control starts checked / "99".
    void defaults_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<double>("firmware");
        QTest::addColumn<QString>("lineHeight");
        QTest::addColumn<QString>("spacing");
        QTest::addColumn<bool>("boldCheck");      // kept or switched off
        QTest::addColumn<bool>("suppressErrors"); // kept or switched off
        QTest::addColumn<bool>("rounding");
        QTest::newRow("B 1.00") << uint(B) << 1.00 << "31"
                                << "06" << true << true << true;
        QTest::newRow("B 1.01") << uint(B) << 1.01 << "31"
                                << "06" << false << false << true;
        QTest::newRow("B 1.10") << uint(B) << 1.10 << "31"
                                << "06" << false << false << true;
        QTest::newRow("A 1.21") << uint(A) << 1.21 << "18"
                                << "02" << true << true << false;
        QTest::newRow("A 1.22") << uint(A) << 1.22 << "18"
                                << "02" << true << true << false;
    }
    void defaults() {
        QFETCH(uint, model);
        QFETCH(double, firmware);
        QFETCH(QString, lineHeight);
        QFETCH(QString, spacing);
        QFETCH(bool, boldCheck);
        QFETCH(bool, suppressErrors);
        QFETCH(bool, rounding);
        OptionControls c = allOn();
        optionDefaults(c, model, firmware);
        QVERIFY(!c.autoReadingX);
        QVERIFY(!c.autoReductionZ);
        QVERIFY(!c.issDiscount);
        QVERIFY(!c.paperCutter);
        QVERIFY(c.couponLegend);
        QVERIFY(c.additionalCoupon); // always keeps its state
        QCOMPARE(c.minHourReductionZ, QStringLiteral("00"));
        QCOMPARE(c.lineHeight, lineHeight);
        QCOMPARE(c.couponSpacing, spacing);
        QCOMPARE(c.boldCheck, boldCheck);
        QCOMPARE(c.suppressErrors, suppressErrors);
        QCOMPARE(c.rounding, rounding);
    }

    // The block rebuilt from the controls: byte 1 depends on model and firmware, byte 2 is
    // always 'X', unlisted bytes keep their values.
    void rebuildBlock_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<double>("firmware");
        QTest::addColumn<int>("byte1");
        QTest::newRow("A 1.21 offers Redução Z") << uint(A) << 1.21 << int('1');
        QTest::newRow("A 1.22") << uint(A) << 1.22 << 0;
        QTest::newRow("B 1.01") << uint(B) << 1.01 << 0;
    }
    void rebuildBlock() {
        QFETCH(uint, model);
        QFETCH(double, firmware);
        QFETCH(int, byte1);
        OptionsBlock block;
        std::memset(block.bytes, '#', 70);
        OptionControls c;
        c.autoReductionZ = true;
        c.couponLegend = true;
        c.rounding = true;
        c.suppressErrors = true;
        c.lineHeight = QStringLiteral("18");
        c.couponSpacing = QStringLiteral("3");
        c.minHourReductionZ = QStringLiteral("045");
        rebuildOptionsBlock(block, c, model, firmware);
        QByteArray expected(70, '#');
        const char *set = "0\x01X#01#183 040##0###1#########01";
        expected.replace(0, 32, QByteArray(set, 32));
        expected[1] = char(byte1);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(block.bytes), 70), expected);
    }

    void controlsFromBlock_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("on");
        QTest::newRow("'1'") << int('1') << true;
        QTest::newRow("'X'") << int('X') << false;
        QTest::newRow("zero") << 0 << false;
    }
    void controlsFromBlock() {
        QFETCH(int, value);
        QFETCH(bool, on);
        OptionsBlock block;
        std::memset(block.bytes, value, 70);
        const OptionControls c = optionControlsFromBlock(block);
        for (bool box :
             {c.autoReadingX, c.autoReductionZ, c.issDiscount, c.couponLegend, c.additionalCoupon,
              c.paperCutter, c.rounding, c.boldCheck, c.suppressErrors})
            QCOMPARE(box, on);
    }

    // A block read from a printer comes back unchanged through the controls.
    void blockThroughControls() {
        OptionsBlock block;
        std::memset(block.bytes, 0, 70);
        std::memcpy(block.bytes, "10X01101831061001000100000000011", 32);
        const OptionControls c = optionControlsFromBlock(block);
        QCOMPARE(c.lineHeight, QStringLiteral("18"));
        QCOMPARE(c.couponSpacing, QStringLiteral("31"));
        QCOMPARE(c.minHourReductionZ, QStringLiteral("06"));
        OptionsBlock rebuilt = block;
        rebuildOptionsBlock(rebuilt, c, A, 1.21);
        QCOMPARE(std::memcmp(rebuilt.bytes, block.bytes, 70), 0);
    }

    void flagKeys_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("after"); // "-" when the key changes nothing
        const int iss = int(FlagColumn::Iss), link = int(FlagColumn::Linked),
                  dir = int(FlagColumn::Direction);
        QTest::newRow("ISS s") << iss << "    N"
                               << "s"
                               << "    S";
        QTest::newRow("ISS space from N") << iss << "    N"
                                          << " "
                                          << "    S";
        QTest::newRow("ISS space from other") << iss << ""
                                              << " "
                                              << "    N";
        QTest::newRow("ISS other key") << iss << "    N"
                                       << "x"
                                       << "-";
        QTest::newRow("V/N v") << link << "    N"
                               << "v"
                               << "    V";
        QTest::newRow("V/N n") << link << "    V"
                               << "n"
                               << "    N";
        QTest::newRow("V/N space from V") << link << "    V"
                                          << " "
                                          << "    N";
        QTest::newRow("V/N space from other") << link << ""
                                              << " "
                                              << "    V";
        QTest::newRow("E/S e") << dir << "   S"
                               << "e"
                               << "   E";
        QTest::newRow("E/S space from S") << dir << "   S"
                                          << " "
                                          << "   E";
        QTest::newRow("E/S space from E") << dir << "   E"
                                          << " "
                                          << "   S";
        QTest::newRow("E/S N") << dir << "   E"
                               << "N"
                               << "-";
    }
    void flagKeys() {
        QFETCH(int, column);
        QFETCH(QString, cell);
        QFETCH(QString, key);
        QFETCH(QString, after);
        const std::optional<QString> result = flagCellAfterKey(FlagColumn(column), cell, key.at(0));
        QCOMPARE(result.value_or(QStringLiteral("-")), after);
    }

    void numberCells_data() {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("number"); // -1: no number
        QTest::newRow("FP66") << " FP66" << 66;
        QTest::newRow("half typed") << " FP3 " << 3;
        QTest::newRow("only FP") << " FP  " << -1;
        QTest::newRow("letters") << " FPab" << -1;
        QTest::newRow("no FP") << "  12" << -1;
        QTest::newRow("three digits") << " FP123" << -1;
    }
    void numberCells() {
        QFETCH(QString, cell);
        QFETCH(int, number);
        QCOMPARE(paymentNumber(cell).value_or(-1), number);
    }

    void headerCut_data() {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QByteArray>("cut");
        QTest::newRow("short") << QByteArray("abc") << 5 << QByteArray("abc");
        QTest::newRow("cut") << QByteArray("abcdef") << 4 << QByteArray("abcd");
        QTest::newRow("inside CR LF") << QByteArray("abc\r\ndef") << 4 << QByteArray("abc");
        QTest::newRow("after CR LF") << QByteArray("abc\r\ndef") << 5 << QByteArray("abc\r\n");
    }
    void headerCut() {
        QFETCH(QByteArray, header);
        QFETCH(int, limit);
        QFETCH(QByteArray, cut);
        QCOMPARE(headerCutToLimit(header, limit), cut);
    }

    void memoText_data() {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("memo");
        QTest::newRow("lines") << QByteArray("<N>Loja</N>\r\nRua\r\n") << "<N>Loja</N>\nRua\n";
        QTest::newRow("accents") << QByteArray("Caf\xe9 \xc7") << "Café Ç";
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void memoText() {
        QFETCH(QByteArray, header);
        QFETCH(QString, memo);
        QCOMPARE(memoTextFromHeader(header), memo);
        QCOMPARE(headerFromMemoText(memo), header);
        QCOMPARE(headerFromMemoText(QString(memo).replace(u'\n', QStringLiteral("\r\n"))), header);
    }
};

QTEST_GUILESS_MAIN(TestProgrammingTables)
#include "test_programming_tables.moc"
