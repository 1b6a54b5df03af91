// The CNPJ check digits, on the number as the user record window holds it.
#include "maintenance/cnpj.h"

#include <QtTest>

class TestCnpj : public QObject {
    Q_OBJECT

private slots:
    // `text` is what the masked edit holds; the check runs on its digits.
    void checkDigits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("example") << "11.222.333/0001-81" << true;
        QTest::newRow("second digit off by one") << "11.222.333/0001-82" << false;
        QTest::newRow("first digit off by one") << "11.222.333/0001-91" << false;
        QTest::newRow("digits swapped in the base") << "12.122.333/0001-81" << false;
        QTest::newRow("check digits swapped") << "11.222.333/0001-18" << false;
        QTest::newRow("bare digits") << "11222333000181" << true;
        QTest::newRow("first remainder 0") << "96.253.980/0001-03" << true;
        QTest::newRow("first remainder 1") << "85.209.555/0001-09" << true;
        QTest::newRow("second remainder 0") << "81.056.775/0001-80" << true;
        QTest::newRow("second remainder 1") << "73.045.210/0001-70" << true;
        QTest::newRow("remainder 1 taken as 1") << "85.209.555/0001-19" << false;
        QTest::newRow("first digit 0, second 1") << "33.000.167/0001-01" << true;
        QTest::newRow("branch 0001, base 1") << "00.000.000/0001-91" << true;
        QTest::newRow("all zeros") << "00.000.000/0000-00" << false;
        QTest::newRow("all ones") << "11.111.111/1111-11" << false;
        QTest::newRow("all nines") << "99.999.999/9999-99" << false;
        QTest::newRow("one digit missing") << "11.222.333/0001-8_" << false;
        QTest::newRow("13 digits") << "1122233300018" << false;
        QTest::newRow("15 digits") << "112223330001810" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("empty mask") << "__.___.___/____-__" << false;
        QTest::newRow("letter in place of a digit") << "11.222.333/000A-81" << false;
    }
    void checkDigits() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(Cnpj::isValid(Cnpj::digitsOf(text)), valid);
    }

    // The check takes digits only: the punctuated text itself, or digits with other
    // characters among them, are not a CNPJ.
    void onlyDigitsAreChecked_data() {
        QTest::addColumn<QString>("digits");
        QTest::newRow("punctuated") << "11.222.333/0001-81";
        QTest::newRow("spaces") << "11222333 0001 81";
        QTest::newRow("14 with a letter") << "1122233300A181";
        QTest::newRow("non-ASCII digits") << QStringLiteral("١١٢٢٢٣٣٣٠٠٠١٨١");
    }
    void onlyDigitsAreChecked() {
        QFETCH(QString, digits);
        QVERIFY(!Cnpj::isValid(digits));
    }
};

QTEST_APPLESS_MAIN(TestCnpj)
#include "test_cnpj.moc"
