// The bank table load on a scripted printer: the file's bytes go out unchanged in pieces of at
// most 500 bytes, one answer is awaited for the whole table, and its bytes 2-3 decide.
#include "protocol/bank_table.h"

#include "protocol/protocol_bench.h"

#include <QtTest>

using namespace bench;

namespace {

QByteArray table(int size) {
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes += char((i * 7 + 3) % 256);
    return bytes;
}

} // namespace

class TestBankTable : public QObject {
    Q_OBJECT

private slots:
    void init() { resetWorld(); }
    void cleanup() { Clock::setScale(1.0); }

    void piecesOfAtMost500Bytes_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<QList<int>>("pieces");
        QTest::newRow("1234") << 1234 << QList<int>{500, 500, 234};
        QTest::newRow("1000") << 1000 << QList<int>{500, 500};
        QTest::newRow("501") << 501 << QList<int>{500, 1};
        QTest::newRow("500") << 500 << QList<int>{500};
        QTest::newRow("1") << 1 << QList<int>{1};
    }
    void piecesOfAtMost500Bytes() {
        QFETCH(int, size);
        QFETCH(QList<int>, pieces);
        Bench b;
        b.script({okB()});
        const QByteArray file = table(size);
        const BankTableResult result = loadBankTable(b.link, file);
        QVERIFY(result.accepted());
        const QByteArrayList written = b.written();
        QList<int> sizes;
        for (const QByteArray &piece : written)
            sizes << int(piece.size());
        QCOMPARE(sizes, pieces);
        QCOMPARE(written.join(), file); // byte for byte, every value passed as it is
        QCOMPARE(b.reads(), 1);         // one answer for the whole table
    }

    // Answer bytes 2-3 decide; the function itself shows nothing.
    void theAnswerDecides_data() {
        QTest::addColumn<QByteArrayList>("answers"); // empty: the printer stays silent
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QByteArray>("code");
        QTest::newRow("accepted") << QByteArrayList{":R0000\xFF\r"}
                                  << int(BankTableResult::Outcome::Accepted) << QByteArray("00");
        QTest::newRow("no room") << QByteArrayList{":R8600\xFF\r"}
                                 << int(BankTableResult::Outcome::Refused) << QByteArray("86");
        QTest::newRow("syntax") << QByteArrayList{":R1600\xFF\r"}
                                << int(BankTableResult::Outcome::Refused) << QByteArray("16");
        QTest::newRow("silent") << QByteArrayList{} << int(BankTableResult::Outcome::Refused)
                                << QByteArray("99");
        QTest::newRow("cut short")
            << QByteArrayList{":R0"} << int(BankTableResult::Outcome::Refused) << QByteArray("0?");
    }
    void theAnswerDecides() {
        QFETCH(QByteArrayList, answers);
        QFETCH(int, outcome);
        QFETCH(QByteArray, code);
        Bench b;
        b.script(answers);
        const BankTableResult result = loadBankTable(b.link, table(1234));
        QCOMPARE(int(result.outcome), outcome);
        QCOMPARE(result.code, code);
        QCOMPARE(b.messages.count(), 0);
    }

    void closedPortSendsNothing() {
        Bench b;
        b.link.ClosePort();
        const BankTableResult result = loadBankTable(b.link, table(1234));
        QCOMPARE(result.outcome, BankTableResult::Outcome::NotSent);
        QCOMPARE(result.code, QByteArray("99"));
        QVERIFY(b.written().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBankTable)
#include "test_bank_table.moc"
