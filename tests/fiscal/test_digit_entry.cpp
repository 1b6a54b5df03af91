// The shift-in digit entry of the amount fields: digit counts and display of each mask the
// document windows use, the widget's keys, and what it keeps out.
#include "fiscal/amount_edit.h"
#include "fiscal/digit_entry.h"

#include <QtTest>

class TestDigitEntry : public QObject {
    Q_OBJECT
private slots:
    void masks_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("shown");
        QTest::newRow("price one-line") << "0.000.000,00;0;_"
                                        << "000000125"
                                        << "0.000.001,25";
        QTest::newRow("price full") << "0.000.000,000;0;_"
                                    << "1234567890"
                                    << "1.234.567,890";
        QTest::newRow("12 digits") << "0.000.000.000,00;0;_"
                                   << "000000000000"
                                   << "0.000.000.000,00";
        QTest::newRow("percentage") << "00,00;0;_"
                                    << "1250"
                                    << "12,50";
        QTest::newRow("whole quantity") << "00000;0;_"
                                        << "00003"
                                        << "00003";
        QTest::newRow("voucher") << "000.000,00;0;_"
                                 << "00001000"
                                 << "000.010,00";
    }
    void masks() {
        QFETCH(QString, mask);
        QFETCH(QString, digits);
        QFETCH(QString, shown);
        QCOMPARE(DigitEntry::digitCount(mask), digits.size());
        QCOMPARE(DigitEntry::zeroText(mask), QString(digits.size(), QLatin1Char('0')));
        QCOMPARE(DigitEntry::display(mask, digits), shown);
    }

    void keys_data() {
        QTest::addColumn<QString>("keys"); // '\x1b' stands for Esc
        QTest::addColumn<QString>("digits");
        QTest::newRow("digits shift in") << "125"
                                         << "000000125";
        QTest::newRow("others ignored") << "1a,.-2 5"
                                        << "000000125";
        QTest::newRow("Esc zeroes") << "125\x1b"
                                    << "000000000";
        QTest::newRow("Esc then more") << "9\x1b"
                                          "7"
                                       << "000000007";
        QTest::newRow("overflow drops the left") << "1234567890"
                                                 << "234567890";
    }
    void keys() {
        QFETCH(QString, keys);
        QFETCH(QString, digits);
        AmountEdit edit;
        edit.setMask(QStringLiteral("0.000.000,00;0;_"));
        for (QChar c : keys) {
            if (c == QChar(0x1b))
                QTest::keyClick(&edit, Qt::Key_Escape);
            else
                QTest::keyClicks(&edit, QString(c));
        }
        QCOMPARE(edit.digits(), digits);
        QCOMPARE(edit.text(), DigitEntry::display(edit.mask(), digits));
        QCOMPARE(edit.cursorPosition(), edit.text().size());
    }

    void setDigitsKeepsTheCount() {
        AmountEdit edit;
        edit.setMask(QStringLiteral("00,00;0;_"));
        edit.setDigits(QStringLiteral("1.2,3"));
        QCOMPARE(edit.digits(), QStringLiteral("0123"));
        edit.setDigits(QStringLiteral("987654"));
        QCOMPARE(edit.digits(), QStringLiteral("7654"));
        edit.zero();
        QVERIFY(edit.isZero());
        edit.setReadOnly(true);
        QTest::keyClicks(&edit, QStringLiteral("5"));
        QTest::keyClick(&edit, Qt::Key_Escape);
        edit.setDigits(QStringLiteral("42"));
        QTest::keyClick(&edit, Qt::Key_Escape);
        QCOMPARE(edit.digits(), QStringLiteral("0042")); // a balance shown is not typed over
    }
};

QTEST_MAIN(TestDigitEntry)
#include "test_digit_entry.moc"
