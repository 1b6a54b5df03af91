#include "programming/table_records.h"

#include <QtTest>

#include <cstring>

namespace {

constexpr uint32_t B = 1;
constexpr uint32_t A = 2;

QByteArray bytesOf(const uint8_t *field, int width) {
    return QByteArray(reinterpret_cast<const char *>(field), width);
}

void setName(FlaggedName &entry, uint8_t flag, const QByteArray &name) {
    entry.flag = flag;
    std::memset(entry.name, ' ', sizeof entry.name);
    std::memcpy(entry.name, name.constData(), size_t(qMin<qsizetype>(name.size(), 21)));
}

PaymentMethodTable blankPayments() {
    PaymentMethodTable table;
    std::memset(&table, ' ', sizeof table);
    for (FlaggedName &entry : table.entries)
        entry.flag = 0;
    return table;
}

} // namespace

class TestTableRecords : public QObject {
    Q_OBJECT
private slots:
    void taxRateFromField_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("rate");
        QTest::newRow("whole rate") << "18,00%" << QByteArray("1800");
        QTest::newRow("unused") << "//,//%" << QByteArray("////");
        QTest::newRow("blank field") << "  ,  %" << QByteArray("////");
        QTest::newRow("half typed") << "5 ,  %" << QByteArray("5000");
        QTest::newRow("hundredths only") << "  , 5%" << QByteArray("0005");
        QTest::newRow("short text") << "7" << QByteArray("7000");
    }
    void taxRateFromField() {
        QFETCH(QString, field);
        QFETCH(QByteArray, rate);
        const TaxRateRecord iss = taxRateRecord(true, field);
        QCOMPARE(bytesOf(iss.rate, 4), rate);
        QCOMPARE(iss.iss, uint8_t(1));
        QCOMPARE(taxRateRecord(false, field).iss, uint8_t(0));
    }

    void paymentNumbers_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("number"); // 0: no number
        QTest::newRow("two digits") << "07" << 7;
        QTest::newRow("one digit") << "5" << 5;
        QTest::newRow("linked number") << "55" << 55;
        QTest::newRow("blank") << "  " << 0;
        QTest::newRow("zero") << "00" << 0;
        QTest::newRow("letters") << "A1" << 0;
    }
    void paymentNumbers() {
        QFETCH(QString, field);
        QFETCH(int, number);
        QCOMPARE(paymentNumberField(field).value_or(0), number);
    }

    // Model B tells the link by the number (51-66); model A by the box.
    void paymentRecords_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("box");
        QTest::addColumn<QByteArray>("index");
        QTest::addColumn<int>("linked");
        QTest::newRow("B 55 linked as 05") << uint(B) << 55 << false << QByteArray("05") << 1;
        QTest::newRow("B 05 not linked") << uint(B) << 5 << true << QByteArray("05") << 0;
        QTest::newRow("B 51 first linked") << uint(B) << 51 << false << QByteArray("01") << 1;
        QTest::newRow("B 66 last linked") << uint(B) << 66 << false << QByteArray("16") << 1;
        QTest::newRow("B 50 as typed") << uint(B) << 50 << false << QByteArray("50") << 0;
        QTest::newRow("B 67 as typed") << uint(B) << 67 << false << QByteArray("67") << 0;
        QTest::newRow("A box checked") << uint(A) << 5 << true << QByteArray("05") << 1;
        QTest::newRow("A box clear") << uint(A) << 55 << false << QByteArray("55") << 0;
    }
    void paymentRecords() {
        QFETCH(uint, model);
        QFETCH(int, number);
        QFETCH(bool, box);
        QFETCH(QByteArray, index);
        QFETCH(int, linked);
        const PaymentMethodRecord r =
            paymentMethodRecord(model, number, box, QStringLiteral("Cartão"));
        QCOMPARE(bytesOf(r.index, 2), index);
        QCOMPARE(int(r.linked), linked);
        QCOMPARE(bytesOf(r.name, 21), QByteArray("Cart\xE3o").leftJustified(21, ' '));
    }

    void taxRatesReadBack() {
        ProgrammingTables t;
        TaxRateRecord records[16];
        for (TaxRateRecord &r : records) {
            r.iss = 0;
            std::memcpy(r.rate, "////", 4);
        }
        records[0] = {0, {'1', '8', '0', '0'}};
        records[3] = {1, {'0', '5', '0', '0'}};
        taxRatesFromRecords(t, records);
        QCOMPARE(t.taxRates[0].rate, QStringLiteral("18,00%"));
        QCOMPARE(t.taxRates[0].iss, QStringLiteral("    N"));
        QCOMPARE(t.taxRates[3].rate, QStringLiteral("05,00%"));
        QCOMPARE(t.taxRates[3].iss, QStringLiteral("    S"));
        QCOMPARE(t.taxRates[15].rate, QStringLiteral("//,//%"));
        QCOMPARE(t.taxRates[15].code, QStringLiteral("    TP")); // the code column stays
    }

    // Model A: 17-character names, the printer's "Pagamento Tipo " names left out.
    void paymentsReadBackModelA() {
        ProgrammingTables t;
        clearPayments(t, A);
        PaymentMethodTable table = blankPayments();
        setName(table.entries[0], 0, "Dinheiro");
        setName(table.entries[1], 0, "Pagamento Tipo B");
        setName(table.entries[2], 1, "Ticket Alimentacao Extra"); // longer than 17
        setName(table.entries[16], 0, "Beyond slot 16");
        paymentsFromTable(t, A, table);
        QCOMPARE(t.payments.size(), 16);
        QCOMPARE(t.payments[1].number, QStringLiteral(" FP03"));
        QCOMPARE(t.payments[1].description, QStringLiteral("Ticket Alimentaca"));
        QCOMPARE(t.payments[1].linked, QStringLiteral("    V"));
        QCOMPARE(t.payments[0].linked, QStringLiteral("    N"));
        for (const PaymentRow &row : t.payments)
            QVERIFY(!row.description.startsWith(QLatin1String("Pagamento")));
        QVERIFY(t.payments[2].description.isEmpty());
    }

    void setupPerModel_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<double>("firmware");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("reports");
        QTest::addColumn<bool>("autoZ");
        QTest::addColumn<bool>("suppress");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("store");
        QTest::addColumn<int>("operatorLength");
        QTest::addColumn<QString>("lineHeight");
        QTest::newRow("B 1.00") << uint(B) << 1.00 << 2 << 33 << true << false << false << false
                                << true << 13 << "31";
        QTest::newRow("B 1.01") << uint(B) << 1.01 << 2 << 33 << true << false << true << true
                                << true << 13 << "31";
        QTest::newRow("A 1.20") << uint(A) << 1.20 << 3 << 17 << false << true << false << false
                                << false << 20 << "18";
        QTest::newRow("A 1.22") << uint(A) << 1.22 << 3 << 17 << false << false << true << false
                                << false << 20 << "18";
    }
    void setupPerModel() {
        QFETCH(uint, model);
        QFETCH(double, firmware);
        const EditDataSetup s = editDataSetup(model, firmware);
        QTEST(s.paymentColumns, "columns");
        QTEST(s.paymentGridRows, "rows");
        QTEST(s.reportsEnabled, "reports");
        QTEST(s.autoReductionZShown, "autoZ");
        QTEST(s.suppressErrorsShown, "suppress");
        QTEST(s.boldCheckShown, "bold");
        QTEST(s.storeShown, "store");
        QTEST(s.operatorMaxLength, "operatorLength");
        QTEST(s.lineHeight, "lineHeight");
        QCOMPARE(s.linkedBoxShown, model == A);
        QCOMPARE(s.modelAOptionsShown, model == A);
        QCOMPARE(s.reportsLabel.contains(QLatin1String("(Apenas MV4700)")), model == A);
    }

    void rulerMarksTheColumns() {
        const QStringList lines = headerRulerText().split(u'\n');
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].size(), 48);
        QCOMPARE(lines[1].size(), 48);
        for (int column : {10, 20, 30, 40, 48}) {
            QCOMPARE(lines[1].at(column - 1), QChar(u'|'));
            QCOMPARE(lines[0].mid(column - 2, 2), QString::number(column));
        }
        QCOMPARE(lines[1].count(u'|'), 5);
    }
};

QTEST_APPLESS_MAIN(TestTableRecords)
#include "test_table_records.moc"
