// The emulator as the tool meets it: answers at the positions the tool reads, status digits
// that say what the printer's state is, refusals, and the cutting of a byte stream into frames.

#include "support/emulator_bench.h"

#include <QTest>

using namespace emubench;

namespace {

int answered(const std::vector<emu::Reply> &replies) {
    int count = 0;
    for (const emu::Reply &reply : replies)
        count += wire({reply}).isEmpty() ? 0 : 1;
    return count;
}

} // namespace

class TestEmulator : public QObject {
    Q_OBJECT

private slots:
    void identification_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("position");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("A product code") << "A" << esc(0xC3) << 1 << QByteArray("10043");
        QTest::newRow("B product code") << "B" << esc(0xC3) << 1 << QByteArray("100047");
        QTest::newRow("A serial") << "A" << esc(0xEC) << 2 << QByteArray("21000123");
        QTest::newRow("A firmware") << "A" << esc(0xEC) << 10 << QByteArray("1.22");
        QTest::newRow("A ECF number") << "A" << esc(0xEC) << 14 << QByteArray("0007");
        QTest::newRow("B identification accepted") << "B" << esc(0xE9) << 2 << QByteArray("00");
        QTest::newRow("B serial") << "B" << esc(0xE9) << 16 << QByteArray("47000456");
        QTest::newRow("B firmware") << "B" << esc(0xE9) << 24 << QByteArray("1.05");
        QTest::newRow("B ECF number") << "B" << esc(0xE9) << 28 << QByteArray("0042");
        QTest::newRow("B version item accepted")
            << "B" << esc(0xF3) + "010" << 2 << QByteArray("00");
        QTest::newRow("B version item") << "B" << esc(0xF3) + "010" << 9 << QByteArray("1.05");
    }

    void identification() {
        QFETCH(QString, model);
        QFETCH(QByteArray, frame);
        QFETCH(int, position);
        QFETCH(QByteArray, expected);

        const auto printer = makePrinter(modelOf(model));
        const auto replies = printer->receive(frame);
        QCOMPARE(replies.size(), size_t(1));
        QCOMPARE(replies.front().size(), size_t(1));
        const QByteArray answer = replies.front().front().bytes;
        QVERIFY(answer.startsWith(':'));
        QVERIFY(answer.endsWith(End));
        QVERIFY(!answer.startsWith(":E")); // model A's refusal; never a model B answer either
        QCOMPARE(answer.mid(position, expected.size()), expected);
        QCOMPARE(printer->receivedFrames(), QByteArrayList{frame});
    }

    // Short identity fields do not shift the fields after them.
    void identityFieldsKeepTheirWidth() {
        const auto printer = Printer::create(Model::A, {"123", "1.2", "7"});
        const QByteArray answer = wire(printer->receive(esc(0xEC)));
        QCOMPARE(answer.mid(2, 8), QByteArray("123     "));
        QCOMPARE(answer.mid(14, 4), QByteArray("0007"));
        QCOMPARE(answer.mid(18), End);
    }

    void statusDigits_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("jumper");
        QTest::addColumn<bool>("paperEnd");
        QTest::addColumn<bool>("paperLow");
        QTest::addColumn<int>("position"); // answer byte
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("expected"); // digit & mask

        // Maintenance mode: answer byte 3, bit 3 clear.
        QTest::newRow("A in operation") << "A" << false << false << false << 3 << 8 << 8;
        QTest::newRow("A jumper: maintenance") << "A" << true << false << false << 3 << 8 << 0;
        QTest::newRow("B in operation") << "B" << false << false << false << 3 << 8 << 8;
        QTest::newRow("B jumper: maintenance") << "B" << true << false << false << 3 << 8 << 0;
        // Idle: model A byte 4 bit 1 set and bit 0 clear; model B byte 5 bits 0 and 1 set.
        QTest::newRow("A idle") << "A" << false << false << false << 4 << 3 << 2;
        QTest::newRow("B idle") << "B" << false << false << false << 5 << 3 << 3;
        // Off-line: model A s2 bit 3, model B s3 bit 0; set when the paper has run out.
        QTest::newRow("A on-line") << "A" << false << false << false << 2 << 8 << 0;
        QTest::newRow("A paper end: off-line") << "A" << false << true << false << 2 << 8 << 8;
        QTest::newRow("B on-line") << "B" << false << false << false << 3 << 1 << 0;
        QTest::newRow("B paper end: off-line") << "B" << false << true << false << 3 << 1 << 1;
        // The paper sensors as the sensor window reads them.
        QTest::newRow("A paper end sensor") << "A" << false << true << false << 1 << 1 << 1;
        QTest::newRow("A paper low sensor") << "A" << false << false << true << 2 << 1 << 1;
        QTest::newRow("B paper end sensor") << "B" << false << true << false << 2 << 2 << 2;
        QTest::newRow("B paper low sensor") << "B" << false << false << true << 2 << 1 << 1;
        QTest::newRow("B paper low stays on-line") << "B" << false << false << true << 3 << 1 << 0;
        // A printer at the start of a day: no authentication slip (model A s1 bit 1 set), the
        // day's initial Leitura X not issued yet (A s6 bit 2, B s4 bit 1 clear), no Redução Z
        // pending (A s2 bit 1, B s8 bit 3 clear).
        QTest::newRow("A no authentication slip") << "A" << false << false << false << 1 << 2 << 2;
        QTest::newRow("A Leitura X not issued") << "A" << false << false << false << 6 << 4 << 0;
        QTest::newRow("B Leitura X not issued") << "B" << false << false << false << 4 << 2 << 0;
        QTest::newRow("A no RZ pending") << "A" << false << false << false << 2 << 2 << 0;
        QTest::newRow("B no RZ pending") << "B" << false << false << false << 8 << 8 << 0;
    }

    void statusDigits() {
        QFETCH(QString, model);
        QFETCH(bool, jumper);
        QFETCH(bool, paperEnd);
        QFETCH(bool, paperLow);
        QFETCH(int, position);
        QFETCH(int, mask);
        QFETCH(int, expected);

        const auto printer = makePrinter(modelOf(model));
        printer->setMaintenanceJumper(jumper);
        printer->setPaperEnd(paperEnd);
        printer->setPaperLow(paperLow);
        const QByteArray answer = wire(printer->receive(statusPoll(modelOf(model))));
        QCOMPARE(answer.size(), 15);
        QVERIFY(answer.startsWith(':'));
        QVERIFY(answer.endsWith(End));
        for (int i = 1; i <= 12; ++i)
            QVERIFY2(QByteArray("0123456789ABCDEF").contains(answer.at(i)), answer.constData());
        QCOMPARE(digitAt(answer, position) & mask, expected);
    }

    void statusOverride() {
        for (Model model : {Model::A, Model::B}) {
            const auto printer = makePrinter(model);
            const QByteArray derived = wire(printer->receive(statusPoll(model)));
            printer->setStatusOverride(QByteArray("0123456789AB"));
            printer->setMaintenanceJumper(true); // the override wins over the state
            QCOMPARE(wire(printer->receive(statusPoll(model))), ":0123456789AB" + End);
            printer->setMaintenanceJumper(false);
            printer->setStatusOverride(std::nullopt);
            QCOMPARE(wire(printer->receive(statusPoll(model))), derived);
        }
    }

    void refusals_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected"); // everything answered

        QTest::newRow("A unknown command") << "A" << esc(0x01) << ":E16" + End;
        QTest::newRow("B unknown command") << "B" << esc(0x01) << ":R1600" + End;
        QTest::newRow("A gets model B's poll") << "A" << gs(0x05) << ":E16" + End;
        QTest::newRow("B gets model A's poll") << "B" << gs(0xFF) << ":R1600" + End;
        QTest::newRow("A model B's identification") << "A" << esc(0xE9) << ":E16" + End;
        QTest::newRow("B model A's identification") << "B" << esc(0xEC) << ":R1600" + End;
        // Without a shape, the burst that came with the command byte is its frame.
        QTest::newRow("unknown command swallows its burst")
            << "B" << esc(0x01) + "abc" + esc(0xC3) << ":R1600" + End;
        QTest::newRow("A lone CR") << "A" << QByteArray("\r") << QByteArray();
        QTest::newRow("B lone CR") << "B" << QByteArray("\r") << QByteArray();
    }

    void refusals() {
        QFETCH(QString, model);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);

        const auto printer = makePrinter(modelOf(model));
        const auto replies = printer->receive(input);
        QCOMPARE(wire(replies), expected);
        QCOMPARE(answered(replies), expected.isEmpty() ? 0 : 1);
    }

    void failNextWith_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QByteArray>("refusal");

        QTest::newRow("A paper end") << "A" << QByteArray("50") << ":E50" + End;
        QTest::newRow("A code 00") << "A" << QByteArray("00") << ":E00" + End;
        QTest::newRow("B paper end") << "B" << QByteArray("50") << ":R5000" + End;
        QTest::newRow("B document open") << "B" << QByteArray("10") << ":R1000" + End;
    }

    void failNextWith() {
        QFETCH(QString, model);
        QFETCH(QByteArray, code);
        QFETCH(QByteArray, refusal);

        const auto printer = makePrinter(modelOf(model));
        const QByteArray identity = wire(printer->receive(esc(0xC3)));
        printer->failNextWith(code);
        // A status poll has no room for an error code and leaves the refusal pending.
        const QByteArray status = wire(printer->receive(statusPoll(modelOf(model))));
        QCOMPARE(status.size(), 15);
        QCOMPARE(wire(printer->receive(esc(0xC3))), refusal);
        QCOMPARE(wire(printer->receive(esc(0xC3))), identity); // once only
    }

    void frameCutting_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArrayList>("pieces"); // one receive() call each
        QTest::addColumn<QByteArrayList>("frames");

        QTest::newRow("ESC | command")
            << "A" << QByteArrayList{"\x1B", "\xC3"} << QByteArrayList{esc(0xC3)};
        QTest::newRow("GS | poll")
            << "A" << QByteArrayList{"\x1D", "\xFF"} << QByteArrayList{gs(0xFF)};
        QTest::newRow("three frames in one burst")
            << "B" << QByteArrayList{esc(0xC3) + gs(0x05) + esc(0xE9)}
            << QByteArrayList{esc(0xC3), gs(0x05), esc(0xE9)};
        QTest::newRow("version item byte by byte")
            << "B" << QByteArrayList{"\x1B", "\xF3", "0", "1", "0"}
            << QByteArrayList{esc(0xF3) + "010"};
        QTest::newRow("version item then the next frame")
            << "B" << QByteArrayList{esc(0xF3) + "010" + esc(0xC3)}
            << QByteArrayList{esc(0xF3) + "010", esc(0xC3)};
        QTest::newRow("frame and a half") << "B" << QByteArrayList{esc(0xC3) + "\x1B", "\xE9"}
                                          << QByteArrayList{esc(0xC3), esc(0xE9)};
        QTest::newRow("unknown command split after its command byte")
            << "A" << QByteArrayList{esc(0x01), esc(0xC3)} << QByteArrayList{esc(0x01), esc(0xC3)};
        QTest::newRow("CRs between frames")
            << "A" << QByteArrayList{"\r", "\x1B", QByteArray("\xC3\r") + gs(0xFF)}
            << QByteArrayList{esc(0xC3), gs(0xFF)};
    }

    void frameCutting() {
        QFETCH(QString, model);
        QFETCH(QByteArrayList, pieces);
        QFETCH(QByteArrayList, frames);

        const auto printer = makePrinter(modelOf(model));
        int replies = 0;
        int answers = 0;
        for (const QByteArray &piece : pieces) {
            const auto r = printer->receive(piece);
            replies += int(r.size());
            answers += answered(r);
        }
        QCOMPARE(printer->receivedFrames(), frames);
        QCOMPARE(replies, int(frames.size())); // one reply per frame
        QCOMPARE(answers, int(frames.size()));
    }

    void lineIdleDropsUnfinishedFrame_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("unfinished");
        QTest::addColumn<QByteArray>("next");

        QTest::newRow("B version item cut short") << "B" << esc(0xF3) + "0" << esc(0xC3);
        QTest::newRow("B lone ESC") << "B" << QByteArray("\x1B") << esc(0xE9);
        QTest::newRow("A lone GS") << "A" << QByteArray("\x1D") << esc(0xEC);
    }

    void lineIdleDropsUnfinishedFrame() {
        QFETCH(QString, model);
        QFETCH(QByteArray, unfinished);
        QFETCH(QByteArray, next);

        const auto printer = makePrinter(modelOf(model));
        const QByteArray expected = wire(makePrinter(modelOf(model))->receive(next));

        QCOMPARE(answered(printer->receive(unfinished)), 0);
        QCOMPARE(answered(printer->lineIdle()), 0);
        QCOMPARE(wire(printer->receive(next)), expected);
        QCOMPARE(printer->receivedFrames(), QByteArrayList{next});
    }

    void offAndSilent_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("powerOff"); // else silent
        QTest::newRow("A off") << "A" << true;
        QTest::newRow("B off") << "B" << true;
        QTest::newRow("A silent") << "A" << false;
        QTest::newRow("B silent") << "B" << false;
    }

    void offAndSilent() {
        QFETCH(QString, model);
        QFETCH(bool, powerOff);

        const auto printer = makePrinter(modelOf(model));
        QVERIFY(printer->ctsOn());
        const QByteArray identity = wire(printer->receive(esc(0xC3)));
        printer->clearReceivedFrames();

        if (powerOff) {
            QCOMPARE(answered(printer->receive("\x1B")), 0); // a frame cut short by the switch
            printer->setPowered(false);
        } else {
            printer->setSilent(true);
        }
        QCOMPARE(printer->ctsOn(), !powerOff);
        QCOMPARE(printer->powered(), !powerOff);
        QCOMPARE(answered(printer->receive(esc(0xC3))), 0);
        QCOMPARE(answered(printer->receive(statusPoll(modelOf(model)))), 0);
        QCOMPARE(answered(printer->receive(esc(0x01))), 0); // not even a refusal
        // A printer that is off hears nothing; a silent one still takes frames off the line.
        QCOMPARE(printer->receivedFrames().size(), powerOff ? 0 : 3);

        if (powerOff)
            printer->setPowered(true);
        else
            printer->setSilent(false);
        QVERIFY(printer->ctsOn());
        if (powerOff) // switching off lost the lone ESC: its command byte is no frame now
            QCOMPARE(answered(printer->receive("\xC3")), 0);
        QCOMPARE(wire(printer->receive(esc(0xC3))), identity);
    }

    void versionItemNeedsFirmware_data() {
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<bool>("answers");
        QTest::newRow("0.90") << QByteArray("0.90") << false;
        QTest::newRow("1.00") << QByteArray("1.00") << false;
        QTest::newRow("1.01") << QByteArray("1.01") << true;
        QTest::newRow("1.10") << QByteArray("1.10") << true;
        QTest::newRow("2.00") << QByteArray("2.00") << true;
    }

    void versionItemNeedsFirmware() {
        QFETCH(QByteArray, firmware);
        QFETCH(bool, answers);

        const auto printer = Printer::create(Model::B, {"47000456", firmware, "0001"});
        // The frame is cut at its length whether it is known or not, so the frame after it
        // is answered normally.
        const auto replies = printer->receive(esc(0xF3) + "010" + esc(0xC3));
        QCOMPARE(replies.size(), size_t(2));
        const QByteArray version = wire({replies[0]});
        if (answers)
            QCOMPARE(version, ":R0000010" + firmware + End);
        else
            QVERIFY(version.isEmpty());
        QVERIFY(wire({replies[1]}).startsWith(":100047"));
    }
};

QTEST_GUILESS_MAIN(TestEmulator)
#include "test_emulator.moc"
