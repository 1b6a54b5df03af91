// The link on a scripted device: the wait modes and the '9' fill of a wait that brings
// nothing, the recording hook's lines, the viewer feed, a closed port, and one exchange at a
// time between threads. Then over real pseudo-terminals: the serial transport's byte
// transparency and chunks with the test playing the printer, and the tool's identification end
// to end against both models of the printer-emulator program, on a pseudo-terminal and on TCP.
#include "app/thread_testa_impr.h"
#include "core/clock.h"
#include "core/global.h"
#include "fiscal/item_entry.h"
#include "fiscal/payment_entry.h"
#include "link/serial_new.h"
#include "protocol/command_set.h"
#include "support/scripted_transport.h"
#include "support/test_main.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

class LinkTest : public QObject {
    Q_OBJECT

    std::shared_ptr<ScriptedTransport::Shared> device;
    Link link;

    void open(const QByteArrayList &chunks = {}) {
        device = std::make_shared<ScriptedTransport::Shared>();
        device->chunks.assign(chunks.begin(), chunks.end());
        link.setTransportFactory(
            [this](const QString &) { return std::make_unique<ScriptedTransport>(device); });
        QCOMPARE(link.OpenPort("TEST", 9600, false), 0);
    }
    bool send(const QByteArray &frame) {
        return link.SendFrame(reinterpret_cast<const uint8_t *>(frame.constData()),
                              int(frame.size()));
    }
    QByteArray rx(int size) { return QByteArray(reinterpret_cast<char *>(link.RxBuffer), size); }
    QByteArray wait(int mode) { return rx(link.WaitResponse(link.RxBuffer, mode)); }

private slots:
    void init() {
        resetToolState();
        Clock::setScale(0.01);
        memset(link.RxBuffer, 'x', sizeof link.RxBuffer);
    }
    void cleanup() {
        link.ClosePort();
        link.setTrafficObserver({});
        link.setMacroSink({});
        link.setTransportFactory({});
        Clock::setScale(1.0);
    }

    // Before any port is open nothing is sent nor awaited; a port that cannot be opened
    // leaves the link closed, and so does a probe of one that can. The purge drops what
    // waits; CTS is as the device reports it.
    void portControls() {
        QVERIFY(!send("\x1B\xC8"));
        QCOMPARE(link.WaitResponse(link.RxBuffer, WaitNormal), int16_t(0));
        QVERIFY(rx(1) == "x" && !link.PurgePort() && link.IsCtsOn() == CtsLine::Off);
        open({"stale"});
        QVERIFY(link.PurgePort());
        QCOMPARE(link.WaitResponse(link.RxBuffer, WaitPoll), int16_t(0));
        QCOMPARE(link.IsCtsOn(), CtsLine::On);
        device->cts = CtsLine::Off;
        QCOMPARE(link.IsCtsOn(), CtsLine::Off);
        QVERIFY(link.OpenPort("COM1", 9600, true) == 0 && !link.isOpen());
        device->opens = false;
        QVERIFY(link.OpenPort("COM1", 9600, false) == 1 && !link.isOpen());
        QCOMPARE(Link::defaultTransport("/nonexistent/port")->open(), false);
    }

    // One read per wait with the mode's time-out; nothing: six '9' and zeros up to byte 1000;
    // an answer: copied whole, at most 1500 bytes. The unlimited wait ends when the port closes.
    void waits_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<int>("timeoutMs"); // unscaled
        QTest::addColumn<QByteArray>("buffer");
        const QByteArray nines = QByteArray("999999").leftJustified(1000, '\0') + 'x';
        // clang-format off
        QTest::newRow("WaitNormal silent") << int(WaitNormal) << QByteArray() << 6000 << nines;
        QTest::newRow("WaitPoll silent") << int(WaitPoll) << QByteArray() << 100 << nines;
        QTest::newRow("WaitShort silent") << int(WaitShort) << QByteArray() << 2000 << nines;
        QTest::newRow("answer") << int(WaitNormal) << QByteArray(":R0000abc") << 6000 << QByteArray(":R0000abc").leftJustified(1000, '\0') + 'x';
        QTest::newRow("answer of 1600") << int(WaitShort) << QByteArray(1600, 'a') << 2000 << QByteArray(1500, 'a');
        QTest::newRow("WaitUnlimited") << int(WaitUnlimited) << QByteArray() << -1 << QByteArray(6, '9');
        // clang-format on
    }
    void waits() {
        QFETCH(int, mode);
        QFETCH(QByteArray, chunk);
        QFETCH(int, timeoutMs);
        QFETCH(QByteArray, buffer);
        open(chunk.isEmpty() ? QByteArrayList{} : QByteArrayList{chunk});
        std::thread closer; // the only way out of a wait without a time-out
        if (mode == WaitUnlimited)
            closer = std::thread([this] {
                QThread::msleep(100);
                link.ClosePort();
            });
        QCOMPARE(link.WaitResponse(link.RxBuffer, mode), int16_t(qMin(chunk.size(), 1500)));
        if (closer.joinable())
            closer.join();
        QCOMPARE(rx(int(buffer.size())), buffer);
        QCOMPARE(device->readTimeouts, QList<int>{Clock::scaled(timeoutMs)});
    }

    // The line a frame adds to the macro while recording: once, on the first answer after
    // it, when the model's check accepts that answer; never for a GS poll.
    void recordingHook_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<int>("recording");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("line");
        const QByteArray options = "\x1B\xE4SN1", no;
        const uint A = ModelA, B = ModelB;
        // clang-format off
        QTest::newRow("B accepted") << B << 1 << options << QByteArray(":R0000") << QByteArray("[ESC][228]SN1\r\n");
        QTest::newRow("B refused") << B << 1 << options << QByteArray(":R1000") << no;
        QTest::newRow("B no answer") << B << 1 << options << QByteArray() << no;
        QTest::newRow("B short answer") << B << 1 << options << QByteArray(":R0") << no;
        QTest::newRow("A accepted") << A << 1 << QByteArray("\x1B\xC8") << QByteArray(":x") << QByteArray("[ESC][200]\r\n");
        QTest::newRow("A refused") << A << 1 << QByteArray("\x1B\xC8") << QByteArray(":E10") << no;
        QTest::newRow("A bare :E refused") << A << 1 << QByteArray("\x1B\xC8") << QByteArray(":E") << no;
        QTest::newRow("A one-byte answer") << A << 1 << QByteArray("\x1BY") << QByteArray(":") << QByteArray("[ESC][089]\r\n");
        QTest::newRow("escapes") << A << 1 << QByteArray("\x1B\xF3" "a\r\n\xFF\x80") << QByteArray(":ok") << QByteArray("[ESC][243]a[CR][LF][255]\x80\r\n");
        QTest::newRow("a zero byte kept") << A << 1 << QByteArray("\x1B\xE4" "a\0b", 5) << QByteArray(":") << QByteArray("[ESC][228]a\0b\r\n", 15);
        QTest::newRow("no ESC") << A << 1 << QByteArray("A\x1B\r") << QByteArray(":ok") << QByteArray("A\x1B[CR]\r\n");
        QTest::newRow("GS never") << B << 1 << QByteArray("\x1D\x05") << QByteArray(":R0000") << no;
        QTest::newRow("paused") << B << 2 << options << QByteArray(":R0000") << no;
        QTest::newRow("playing back") << B << 3 << options << QByteArray(":R0000") << no;
        QTest::newRow("no model") << uint(ModelNone) << 1 << QByteArray("\x1B\x01") << QByteArray(":E") << QByteArray("[ESC][001]\r\n");
        QTest::newRow("other model") << 7u << 1 << QByteArray("\x1B\x01") << QByteArray(":E10") << QByteArray("[ESC][001]\r\n");
        // clang-format on
    }
    void recordingHook() {
        QFETCH(uint, model);
        QFETCH(int, recording);
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, line);
        open({answer, answer});
        toolState().ModelCode = model;
        toolState().RecordingState = recording;
        QByteArrayList lines;
        link.setMacroSink([&](const QByteArray &l) { lines << l; });
        QVERIFY(send(frame));
        QCOMPARE(wait(WaitNormal) + wait(WaitNormal), answer + answer);
        QCOMPARE(lines, line.isEmpty() ? QByteArrayList() : QByteArrayList{line});
    }

    // The traffic viewer sees every frame sent and every answer received while it is fed;
    // silence feeds nothing. Only the given length is sent, never past TxBuffer.
    void viewerFeedAndSending() {
        for (bool feed : {true, false}) {
            open({":10043"});
            toolState().ViewerFeed = feed;
            QByteArrayList seen;
            link.setTrafficObserver([&](TrafficDirection d, const QByteArray &b) {
                seen << (d == TrafficDirection::Sent ? ">" : "<") + b.left(4);
            });
            memset(link.TxBuffer, 'z', sizeof link.TxBuffer);
            QVERIFY(send("\x1B\xC3") && link.SendFrame(link.TxBuffer, 100000));
            QCOMPARE(wait(WaitShort) + wait(WaitPoll), QByteArray(":10043"));
            QCOMPARE(device->written.value(1).size(), Link::TxBufferSize);
            const QByteArrayList fed{">\x1B\xC3", ">zzzz", "<:100"};
            QCOMPARE(seen, feed ? fed : QByteArrayList{});
        }
    }

    // A thread that holds an exchange keeps every other thread's frames off the line until
    // its answer is in.
    void exchangesDoNotInterleave() {
        open({"first answer"});
        Event holding;
        std::thread owner([&] {
            Link::Exchange exchange(link);
            holding.set();
            send("F1");
            QThread::msleep(50);
            link.WaitResponse(link.RxBuffer, WaitNormal);
        });
        holding.wait();
        QVERIFY(send("F2"));
        owner.join();
        QCOMPARE(device->written, (QByteArrayList{"F1", "F2"}));
    }

    // Every byte value both ways; an answer longer than 1500 bytes comes in chunks of 1500; a
    // pause of 400 ms ends a chunk, one of 40 ms does not; the purge drops what waits.
    void serialTransport() {
        Clock::setScale(1.0);
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        termios raw{};
        QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        QVERIFY(tcgetattr(master, &raw) == 0);
        cfmakeraw(&raw);
        QVERIFY(tcsetattr(master, TCSANOW, &raw) == 0);
        QCOMPARE(link.OpenPort(QString::fromLocal8Bit(ptsname(master)), 9600, false), 0);
        const auto write = [master](const QByteArray &data) {
            for (qsizetype done = 0, n = 0; done < data.size(); done += n)
                if ((n = ::write(master, data.constData() + done, size_t(data.size() - done))) <= 0)
                    return false;
            return true;
        };
        QByteArray all, got;
        for (int i = 0; i < 256; ++i)
            all += char(i);
        QVERIFY(link.SendFrame(reinterpret_cast<const uint8_t *>(all.constData()), 256));
        for (pollfd p{master, POLLIN, 0}; got.size() < 256 && ::poll(&p, 1, 2000) > 0;) {
            char buffer[512];
            got.append(buffer, qMax<ssize_t>(::read(master, buffer, sizeof buffer), 0));
        }
        QCOMPARE(got, all);
        const QByteArray long4000 = all.repeated(16).left(4000);
        QVERIFY(write(all) && write(long4000));
        const QByteArrayList chunks{wait(WaitShort), wait(WaitShort), wait(WaitShort)};
        QCOMPARE(chunks, (QByteArrayList{all + long4000.left(1244), long4000.mid(1244, 1500),
                                         long4000.mid(2744)}));
        for (int pauseMs : {40, 400}) {
            std::thread printer([&] {
                QThread::msleep(30); // while the tool already waits
                write("first");
                QThread::msleep(unsigned(pauseMs));
                write("second");
            });
            const QByteArrayList chunks{wait(WaitShort), wait(WaitShort)};
            printer.join();
            QCOMPARE(chunks, (pauseMs < 150 ? QByteArrayList{"firstsecond", ""}
                                            : QByteArrayList{"first", "second"}));
        }
        QVERIFY(write("stale answer"));
        QThread::msleep(50);
        QVERIFY(link.PurgePort());
        QCOMPARE(wait(WaitPoll), QByteArray());
        link.ClosePort();
        ::close(master);
    }

    // The identification through the link against the emulator program on a pseudo-terminal,
    // which has no modem lines: CTS counts as on. The other model's identity is refused.
    void identityEndToEnd_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("firmware");
        // clang-format off
        QTest::newRow("MV210") << "A" << "1.30";
        QTest::newRow("MV4700") << "B" << "1.30";
        QTest::newRow("MV4700 without the version frame") << "B" << "1.00";
        // clang-format on
    }
    void identityEndToEnd() {
        Clock::setScale(1.0);
        QFETCH(QString, model);
        QFETCH(QString, firmware);
        QProcess program;
        program.start(
            QStringLiteral(PRINTER_EMULATOR_PATH),
            {"--model", model, "--serial", "11223344", "--firmware", firmware, "--ecf", "0007"});
        QVERIFY(program.waitForStarted(5000));
        QTRY_VERIFY(program.canReadLine());
        QCOMPARE(link.OpenPort(QString::fromLocal8Bit(program.readLine()).trimmed(), 9600, false),
                 0);
        QCOMPARE(link.IsCtsOn(), CtsLine::On);
        toolState().ModelCode = model == "A" ? ModelA : ModelB;
        ThreadTestaImpr identification(link, nullptr);
        QVERIFY(identification.IdentifyPrinter());
        const ToolState &s = toolState();
        QCOMPARE(s.PrinterSerial.get() + s.FirmwareVersion.get() + s.EcfNumber.get(),
                 "11223344" + firmware + "0007");
        QCOMPARE(s.FirmwareVersionNumber.load(), firmwareVersionNumber(firmware));
        toolState().ModelCode = model == "A" ? ModelB : ModelA;
        QVERIFY(!identification.IdentifyPrinter());
        link.ClosePort();
        program.terminate();
        QVERIFY(program.waitForFinished(5000));
    }

    // The tool's link on printer-emulator --tcp with a free loopback port: the identification,
    // a Leitura X and a coupon sold, paid with a method of an accented name and closed, and the
    // paper roll the emulator wrote of them (--journal; dates and times masked); the program
    // ended, the connection drops and CTS with it, as a printer switched off; started again, it
    // is found again.
    void couponOverTcp_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("foot");
        QTest::newRow("MV210") << "A"
                               << "Opr:\nMV210  SB:1.20  ECF:0001  NS:11223344";
        QTest::newRow("MV4700") << "B"
                                << "Lj:0001  Opr:\nMV4700  SB:1.20  ECF:0001  NS:11223344";
    }
    void couponOverTcp() {
        QFETCH(QString, model);
        QFETCH(QString, foot);
        const uint code = model == "A" ? ModelA : ModelB;
        Clock::setScale(1.0);
        QProcess program;
        QTemporaryDir dir;
        const QString journal = dir.filePath("bobina.txt");
        program.start(QStringLiteral(PRINTER_EMULATOR_PATH),
                      {"--model", model, "--serial", "11223344", "--print-time", "10", "--tcp",
                       "127.0.0.1:0", "--journal", journal});
        QVERIFY(program.waitForStarted(5000));
        QTRY_VERIFY(program.canReadLine());
        const QString port = QString::fromLocal8Bit(program.readLine()).trimmed();
        QVERIFY2(port.startsWith("tcp://127.0.0.1:") && !port.endsWith(":0"), qPrintable(port));
        Link &tool = printerLink();
        QCOMPARE(tool.OpenPort(port, 9600, false), 0);
        QCOMPARE(tool.IsCtsOn(), CtsLine::On);
        toolState().ModelCode = code;
        ThreadTestaImpr identification(tool, nullptr);
        QVERIFY(identification.IdentifyPrinter());
        QCOMPARE(toolState().PrinterSerial.get(), "11223344");
        CommandSet &c = *commandSetFor(code);
        const ItemEntry::Sale sale{.code = "7891000100103",
                                   .description = "Produto",
                                   .price = "000001000",
                                   .taxCode = "TA",
                                   .quantity = "00001",
                                   .unit = {},
                                   .adjustment = {}};
        ItemRecord item = ItemEntry::saleRecord(sale);
        TotalRecord total = ItemEntry::totalRecord('D', false, "000000000150");
        PaymentMethodRecord card{0, {'0', '2'}, {}};
        std::memcpy(card.name, "Cart\xE3o               ", 21); // Windows-1252
        PaymentRecord paid =
            PaymentEntry::paymentRecord(code == ModelB ? "02" : "B", "1000", "Pago no caixa 2");
        char coo[6];
        QVERIFY(c.ProgramTaxRate({0, {'1', '8', '0', '0'}}) && c.ProgramPaymentMethod(card) &&
                c.ReadingX() && c.WaitPrinterIdle());
        QVERIFY(c.OpenCoupon(coo) && c.SellItem(item) && c.Totalize(total) &&
                c.RegisterPayment(paid) && c.CloseCoupon("Volte sempre"));
        QVERIFY(QByteArray(coo, 6).toInt() > 0);
        program.terminate();
        QVERIFY(program.waitForFinished(5000));
        QTRY_COMPARE(tool.IsCtsOn(), CtsLine::Off);
        // Switched on again at the same address, the printer is found without reopening.
        program.start(QStringLiteral(PRINTER_EMULATOR_PATH),
                      {"--model", model, "--tcp", QString(port).remove("tcp://")});
        QVERIFY(program.waitForStarted(5000));
        QTRY_COMPARE_WITH_TIMEOUT(tool.IsCtsOn(), CtsLine::On, 10000);
        tool.ClosePort();
        program.terminate();
        QVERIFY(program.waitForFinished(5000));

        QFile paper(journal);
        QVERIFY(paper.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(paper.readAll());
        text.replace(QRegularExpression("\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d"), "<data>");
        const QString rule(48, '-');
        const QString top = "KORVEL S.A.\n" + rule + "\n<data>                   COO:%1\n";
        const QString end = rule + '\n' + foot + "\nCOO:%1                   <data>\n\n";
        QCOMPARE(text.split('\n'), (top.arg("000218") +
                                    "                   LEITURA X\n"
                                    "CRZ:0005  CRO:0001  COO:000218\n"
                                    "VENDA BRUTA DO DIA:                         0,00\n"
                                    "CANCELAMENTOS:                              0,00\n"
                                    "DESCONTOS:                                  0,00\n"
                                    "T01 ICMS 18,00%                             0,00\n"
                                    "F  SUBSTITUICAO TRIBUTARIA                  0,00\n"
                                    "I  ISENTO                                   0,00\n"
                                    "N  NAO INCIDENCIA                           0,00\n"
                                    "GT:                                    12.167,70\n" +
                                    end.arg("000218") + top.arg("000219") +
                                    "                  CUPOM FISCAL\n"
                                    "001 789100 Produto\n"
                                    "    1,000 x 10,00  TA                      10,00\n" +
                                    rule +
                                    "\nSUBTOTAL R$                                10,00\n"
                                    "DESCONTO R$                                -1,50\n"
                                    "TOTAL R$                                    8,50\n"
                                    "Cartão                                     10,00\n"
                                    "    Pago no caixa 2\n"
                                    "TROCO R$                                    1,50\n" +
                                    rule + "\nVolte sempre\n" + end.arg("000219"))
                                       .split('\n'));
    }
};

TOOL_TEST_CLASS(LinkTest)
#include "test_link.moc"
