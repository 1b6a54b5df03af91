// The MV4700's check printer learns its bank table: one frame that announces its own length,
// taken whole however it is cut on the line, answered once, and refused with the printer's
// codes when it is not a table it can hold.

#include "bank_table.h"
#include "support/emulator_bench.h"

#include <QFile>
#include <QTest>

using emu::BankLayout;
using emu::Model;
using emu::Printer;
using emubench::wire;
namespace BankTable = emu::BankTable;

namespace {

const QByteArray Accepted = QByteArray(":R0000\xFF\r", 8);

QByteArray refusal(const QByteArray &code) {
    return ":R" + code + "00\xFF\r";
}

std::unique_ptr<Printer> modelB() {
    return Printer::create(Model::B, {"47000456", "1.05", "0001"});
}

// Feeds `bytes` in pieces of `piece` bytes; every answer that comes, with the piece it came
// after.
QList<QPair<int, QByteArray>> feed(Printer &printer, const QByteArray &bytes, int piece) {
    QList<QPair<int, QByteArray>> answers;
    for (int at = 0, n = 0; at < bytes.size(); at += piece, ++n) {
        const QByteArray answer = wire(printer.receive(bytes.mid(at, piece)));
        if (!answer.isEmpty())
            answers.append({n, answer});
    }
    return answers;
}

QList<BankLayout> twoBanks() {
    return {{1, {2, 60}, {4, 12}, {5, 2}, {7, 8}, {9, 28}, {9, 50}, {9, 56}, {9, 75}},
            {237, {3, 64}, {5, 14}, {6, 3}, {8, 10}, {10, 30}, {10, 52}, {10, 58}, {10, 77}}};
}

} // namespace

class TestEmulatorBankTable : public QObject {
    Q_OBJECT

private slots:
    // The sample file beside the tool is the emulator's own sample, and the printer takes it.
    void theSampleFileLoads() {
        QFile file(QStringLiteral(BANK_TABLE_SAMPLE));
        QVERIFY2(file.open(QIODevice::ReadOnly), BANK_TABLE_SAMPLE);
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes, BankTable::encode(BankTable::sample()));
        auto printer = modelB();
        QVERIFY(printer->bankTable().isEmpty()); // a new printer knows no bank
        const auto answers = feed(*printer, bytes, 500);
        QCOMPARE(answers.size(), 1);
        QCOMPARE(answers[0].first, int((bytes.size() - 1) / 500)); // after the last piece
        QCOMPARE(answers[0].second, Accepted);
        QCOMPARE(printer->bankTable(), BankTable::sample());
    }

    // However the table is cut, the printer answers once, after its last byte, and the frame
    // that follows is read as a frame of its own.
    void takenWholeInAnyPieces_data() {
        QTest::addColumn<int>("piece");
        QTest::newRow("500") << 500;
        QTest::newRow("1") << 1;
        QTest::newRow("37") << 37;
        QTest::newRow("all at once") << 100000;
    }
    void takenWholeInAnyPieces() {
        QFETCH(int, piece);
        auto printer = modelB();
        const QByteArray table = BankTable::encode(twoBanks());
        const auto answers = feed(*printer, table, piece);
        QCOMPARE(answers.size(), 1);
        QCOMPARE(answers[0].first, int((table.size() - 1) / piece));
        QCOMPARE(answers[0].second, Accepted);
        QCOMPARE(printer->bankTable(), twoBanks());
        const QByteArray status = wire(printer->receive("\x1D\x05"));
        QVERIFY(status.startsWith(':') && status.size() == 15);
    }

    void refusals_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("code");
        const QByteArray good = BankTable::encode(twoBanks());
        QByteArray badCount = good;
        badCount[3] = 'x';
        QTest::newRow("count not digits") << badCount.left(5) << QByteArray("16");
        QTest::newRow("no end mark")
            << QByteArray(good).replace(good.size() - 1, 1, "0") << QByteArray("16");
        QTest::newRow("no bank") << BankTable::encode({}) << QByteArray("28");
        QList<BankLayout> many;
        for (int i = 1; i <= BankTable::Capacity + 1; ++i) {
            BankLayout bank = twoBanks()[0];
            bank.bank = i;
            many << bank;
        }
        QTest::newRow("no room") << BankTable::encode(many) << QByteArray("86");
        QTest::newRow("letter in a record")
            << QByteArray(good).replace(5 + 10, 1, "A") << QByteArray("13");
        QList<BankLayout> banks = twoBanks();
        banks[1].bank = 0;
        QTest::newRow("bank 000") << BankTable::encode(banks) << QByteArray("13");
        banks = twoBanks();
        banks[1].bank = 1;
        QTest::newRow("bank twice") << BankTable::encode(banks) << QByteArray("13");
        banks = twoBanks();
        banks[0].year.line = BankTable::LastLine + 1;
        QTest::newRow("line off the check") << BankTable::encode(banks) << QByteArray("13");
        banks = twoBanks();
        banks[1].payee.column = 0;
        QTest::newRow("column 00") << BankTable::encode(banks) << QByteArray("13");
    }
    // A refused table leaves the one loaded before.
    void refusals() {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, code);
        auto printer = modelB();
        QCOMPARE(wire(printer->receive(BankTable::encode(BankTable::sample()))), Accepted);
        QCOMPARE(wire(printer->receive(frame)), refusal(code));
        QCOMPARE(printer->bankTable(), BankTable::sample());
    }

    // A full memory takes the table: the limit is the printer's capacity, not its receive buffer.
    void aFullTableFits() {
        QList<BankLayout> banks;
        for (int i = 1; i <= BankTable::Capacity; ++i) {
            BankLayout bank = twoBanks()[1];
            bank.bank = i * 9;
            banks << bank;
        }
        auto printer = modelB();
        const auto answers = feed(*printer, BankTable::encode(banks), 500);
        QCOMPARE(answers.size(), 1);
        QCOMPARE(answers[0].second, Accepted);
        QCOMPARE(printer->bankTable().size(), BankTable::Capacity);
    }
};

QTEST_GUILESS_MAIN(TestEmulatorBankTable)
#include "test_emulator_bank_table.moc"
