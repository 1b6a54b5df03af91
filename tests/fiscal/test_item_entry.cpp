// The records the item sale and totalization windows fill, built from plain values: where
// each value lands, what is cut, padded or left zero.
#include "fiscal/item_entry.h"

#include <QtTest>

namespace {

template <size_t N> QByteArray bytesOf(const uint8_t (&field)[N]) {
    return QByteArray(reinterpret_cast<const char *>(field), int(N));
}
// A field as its digits or text followed by zero bytes up to its width.
QByteArray zeroPadded(const QByteArray &start, int width) {
    return start + QByteArray(width - start.size(), '\0');
}

} // namespace

class TestItemEntry : public QObject {
    Q_OBJECT

private slots:
    void sale_data() {
        QTest::addColumn<bool>("oneLine");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<bool>("decimal");
        QTest::addColumn<char>("type");
        QTest::addColumn<bool>("percentage");
        QTest::addColumn<QByteArray>("adjustment");
        QTest::addColumn<QByteArray>("unitSent");
        QTest::addColumn<char>("format");
        QTest::addColumn<char>("mode");
        QTest::addColumn<QByteArray>("adjustmentSent");

        QTest::newRow("one-line, decimal, no adjustment: value and mode stay zero")
            << true << "pc" << true << 'N' << false << QByteArray("000001000") << QByteArray("pc")
            << 'D' << '\0' << QByteArray(9, '\0');
        QTest::newRow("a one-letter unit is padded with a space")
            << false << "l" << false << 'A' << false << QByteArray("000000050") << QByteArray("l ")
            << 'I' << 'V' << QByteArray("000000050");
        QTest::newRow("three typed characters: the first two")
            << false << "cxa" << false << 'D' << true << QByteArray("1000") << QByteArray("cx")
            << 'I' << 'P' << zeroPadded("1000", 9);
        QTest::newRow("no unit: two spaces")
            << false << "" << false << 'N' << false << QByteArray() << QByteArray("  ") << 'I'
            << '\0' << QByteArray(9, '\0');
    }
    void sale() {
        QFETCH(bool, oneLine);
        QFETCH(QString, unit);
        QFETCH(bool, decimal);
        QFETCH(char, type);
        QFETCH(bool, percentage);
        QFETCH(QByteArray, adjustment);
        ItemEntry::Sale sale;
        sale.oneLine = oneLine;
        sale.code = QStringLiteral("789");
        sale.description = QStringLiteral("Feijão");
        sale.price = oneLine ? "000000125" : "0000001250";
        sale.taxCode = "TA";
        sale.quantity = oneLine ? (decimal ? "0150" : "00002") : "00002000";
        sale.unit = unit;
        sale.decimalQuantity = decimal;
        sale.adjustmentType = type;
        sale.percentage = percentage;
        sale.adjustment = adjustment;

        const ItemRecord item = ItemEntry::saleRecord(sale);
        QCOMPARE(item.form, oneLine ? 1 : 0);
        QCOMPARE(bytesOf(item.code), zeroPadded("789", 20));
        QCOMPARE(bytesOf(item.description), zeroPadded("Feij\xe3o", 210)); // Windows-1252
        QCOMPARE(bytesOf(item.price), zeroPadded(sale.price, 10));
        QCOMPARE(bytesOf(item.taxCode), QByteArray("TA"));
        QCOMPARE(bytesOf(item.quantity), zeroPadded(sale.quantity, 8));
        QTEST(bytesOf(item.unit), "unitSent");
        QTEST(char(item.quantityFormat), "format");
        QCOMPARE(char(item.adjustmentType), type);
        QTEST(char(item.adjustmentMode), "mode");
        QTEST(bytesOf(item.adjustment), "adjustmentSent");
        QCOMPARE(bytesOf(item.itemNumber), QByteArray(3, '\0'));
    }

    // Texts longer than their fields keep room for the terminating zero.
    void longTextsKeepTheirTerminator() {
        ItemEntry::Sale sale;
        sale.code = QString(30, QLatin1Char('C'));
        sale.description = QString(300, QLatin1Char('D'));
        const ItemRecord item = ItemEntry::saleRecord(sale);
        QCOMPARE(bytesOf(item.code), QByteArray(19, 'C') + '\0');
        QCOMPARE(bytesOf(item.description), QByteArray(209, 'D') + '\0');
    }

    void adjustment_data() {
        QTest::addColumn<char>("type");
        QTest::addColumn<bool>("percentage");
        QTest::addColumn<QByteArray>("digits");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<char>("mode");
        QTest::newRow("discount by value")
            << 'D' << false << QByteArray("000000050") << QByteArray("000000050") << 'V';
        QTest::newRow("surcharge by percentage")
            << 'A' << true << QByteArray("1000") << zeroPadded("1000", 9) << 'P';
        QTest::newRow("none") << 'N' << true << QByteArray("1000") << QByteArray(9, '\0') << '\0';
    }
    void adjustment() {
        QFETCH(char, type);
        QFETCH(bool, percentage);
        QFETCH(QByteArray, digits);
        const ItemRecord item = ItemEntry::adjustmentRecord("007", type, percentage, digits);
        QCOMPARE(bytesOf(item.itemNumber), QByteArray("007"));
        QCOMPARE(char(item.adjustmentType), type);
        QTEST(char(item.adjustmentMode), "mode");
        QTEST(bytesOf(item.adjustment), "sent");
        QCOMPARE(item.form, 0);
        QCOMPARE(bytesOf(item.code), QByteArray(20, '\0'));
    }

    void total_data() {
        QTest::addColumn<char>("type");
        QTest::addColumn<bool>("percentage");
        QTest::addColumn<QByteArray>("digits");
        QTest::addColumn<QByteArray>("amount");
        QTest::addColumn<char>("mode");
        QTest::newRow("none: all zero, whatever the field held")
            << 'N' << false << QByteArray("000000001000") << QByteArray(12, '\0') << '\0';
        QTest::newRow("surcharge of an amount")
            << 'A' << false << QByteArray("000000001000") << QByteArray("000000001000") << 'V';
        QTest::newRow("discount of a percentage: offsets 0-3")
            << 'D' << true << QByteArray("0550") << zeroPadded("0550", 12) << 'P';
    }
    void total() {
        QFETCH(char, type);
        QFETCH(bool, percentage);
        QFETCH(QByteArray, digits);
        const TotalRecord total = ItemEntry::totalRecord(type, percentage, digits);
        QTEST(bytesOf(total.amount), "amount");
        QCOMPARE(char(total.adjustmentType), type);
        QTEST(char(total.adjustmentMode), "mode");
        QCOMPARE(bytesOf(total.gap), QByteArray(3, '\0'));
    }
};

QTEST_GUILESS_MAIN(TestItemEntry)
#include "test_item_entry.moc"
