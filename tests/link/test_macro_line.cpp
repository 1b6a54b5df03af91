#include "link/macro_line.h"

#include <QtTest>

class TestMacroLine : public QObject {
    Q_OBJECT
private slots:
    void accepted_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("B 00") << 1u << QByteArray(":R00xx") << true;
        QTest::newRow("B 10") << 1u << QByteArray(":R10") << false;
        QTest::newRow("B too short") << 1u << QByteArray(":R0") << false;
        QTest::newRow("A data") << 2u << QByteArray(":12") << true;
        QTest::newRow("A error") << 2u << QByteArray(":E01") << false;
        QTest::newRow("A bare E") << 2u << QByteArray(":E") << false;
        QTest::newRow("A one byte") << 2u << QByteArray(":") << true;
        QTest::newRow("other model") << 7u << QByteArray(":E10") << true;
    }
    void accepted() {
        QFETCH(uint, model);
        QFETCH(QByteArray, answer);
        QFETCH(bool, accepted);
        QCOMPARE(answerAccepted(model, answer), accepted);
    }
};

QTEST_GUILESS_MAIN(TestMacroLine)
#include "test_macro_line.moc"
