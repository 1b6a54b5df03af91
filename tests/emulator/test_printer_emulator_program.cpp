// The standalone printer-emulator program and the pseudo-terminal host under it, reached the
// way a serial program reaches them: by opening the path the program prints.

#include "pty_host.h"
#include "support/emulator_bench.h"

#include <QProcess>
#include <QTest>

using namespace emubench;
using Line = PtyLine;

namespace {

// The program, started with some arguments; stopped with SIGTERM at the end.
class Program {
public:
    explicit Program(const QStringList &arguments) {
        process.start(QStringLiteral(PRINTER_EMULATOR_PATH), arguments);
        if (!process.waitForStarted(5000))
            return;
        QElapsedTimer timer;
        timer.start();
        while (!process.canReadLine() && timer.elapsed() < 5000)
            process.waitForReadyRead(100);
        path = QString::fromLocal8Bit(process.readLine()).trimmed();
    }
    ~Program() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    // Asks the program to stop as a user would and returns its exit code (-1: did not exit).
    int terminate() {
        process.terminate();
        if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        return process.exitCode();
    }

    QProcess process;
    QString path;
};

} // namespace

class TestPrinterEmulatorProgram : public QObject {
    Q_OBJECT

private slots:
    void answersOverThePseudoTerminal_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("position");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("A product code")
            << QStringList{"--model", "A"} << esc(0xC3) << 1 << QByteArray("10043");
        QTest::newRow("B product code")
            << QStringList{"--model", "B"} << esc(0xC3) << 1 << QByteArray("100047");
        QTest::newRow("A identity from the arguments")
            << QStringList{"--model",    "A",    "--serial", "87654321",
                           "--firmware", "1.22", "--ecf",    "0042"}
            << esc(0xEC) << 2 << QByteArray("876543211.220042");
        QTest::newRow("B identity from the arguments")
            << QStringList{"--model=B", "--serial=MV000123", "--firmware=1.05", "--ecf=0003"}
            << esc(0xE9) << 16 << QByteArray("MV0001231.050003");
        QTest::newRow("B version item") << QStringList{"--model", "B", "--firmware", "1.01"}
                                        << esc(0xF3) + "010" << 9 << QByteArray("1.01");
        QTest::newRow("A poll with pacing") << QStringList{"--model", "A", "--pacing"}
                                            << QByteArray("\r\x1D\xFF") << 3 << QByteArray("8");
    }

    void answersOverThePseudoTerminal() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, frame);
        QFETCH(int, position);
        QFETCH(QByteArray, expected);

        Program program(arguments);
        QVERIFY2(program.path.startsWith(QLatin1String("/dev/")), qPrintable(program.path));
        {
            Line line(program.path);
            QVERIFY(line.isOpen());
            QVERIFY(line.write(frame));
            const QByteArray answer = line.read(1, 3000);
            QVERIFY2(answer.endsWith(End), answer.toHex().constData());
            QVERIFY(answer.startsWith(':'));
            QCOMPARE(answer.mid(position, expected.size()), expected);
        }
        QCOMPARE(program.terminate(), 0);
    }

    void invalidArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no model") << QStringList{};
        QTest::newRow("unknown model") << QStringList{"--model", "C"};
        QTest::newRow("short serial") << QStringList{"--model", "A", "--serial", "1234"};
        QTest::newRow("firmware not a version") << QStringList{"--model", "B", "--firmware", "120"};
        QTest::newRow("negative delay") << QStringList{"--model", "A", "--delay", "-5"};
        QTest::newRow("unknown option") << QStringList{"--model", "A", "--baud", "9600"};
    }

    void invalidArguments() {
        QFETCH(QStringList, arguments);
        QProcess process;
        process.start(QStringLiteral(PRINTER_EMULATOR_PATH), arguments);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardOutput().isEmpty());
        QVERIFY(!process.readAllStandardError().isEmpty());
    }

    // The line outlives the programs that open it: a second opener is served like the first.
    // A frame left unfinished is dropped after the printer's inter-byte time-out, so the next
    // frame is read on its own.
    void reopenedLineAndUnfinishedFrame() {
        Program program({"--model", "B"});
        QVERIFY(!program.path.isEmpty());
        for (int round = 0; round < 2; ++round) {
            Line line(program.path);
            QVERIFY(line.isOpen());
            QVERIFY(line.write(esc(0xF3) + "0"));
            QVERIFY(line.read(1, 600).isEmpty());
            QVERIFY(line.write(esc(0xC3)));
            QVERIFY(line.read(1, 3000).startsWith(":100047"));
        }
        QCOMPARE(program.terminate(), 0);
    }

    void answersTakeTheirTime_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("frames");       // ESC 0xE9 frames sent in one burst
        QTest::addColumn<int>("lowerBoundMs"); // the least the answers can take

        // 10 answers of 34 bytes at 960 bytes per second take 354 ms.
        QTest::newRow("paced") << QStringList{"--model", "B", "--pacing"} << 10 << 320;
        QTest::newRow("delayed") << QStringList{"--model", "B", "--delay", "400"} << 1 << 400;
    }

    void answersTakeTheirTime() {
        QFETCH(QStringList, arguments);
        QFETCH(int, frames);
        QFETCH(int, lowerBoundMs);

        Program program(arguments);
        Line line(program.path);
        QVERIFY(line.isOpen());
        QElapsedTimer timer;
        timer.start();
        QVERIFY(line.write(esc(0xE9).repeated(frames)));
        const QByteArray answers = line.read(frames, 10000);
        const qint64 elapsed = timer.elapsed();
        QCOMPARE(answers.count(End), frames);
        QCOMPARE(answers.size(), 34 * frames);
        QVERIFY2(elapsed >= lowerBoundMs, qPrintable(QString::number(elapsed)));
    }

    // The host in this process: with pacing, answers of N bytes take about N/960 seconds.
    void hostPacesAnswers() {
        const auto printer = emu::Printer::create(emu::Model::A, {"21000123", "1.20", "0001"});
        printer->setPacing(true);
        emu::PtyHost host(*printer);
        QVERIFY2(host.start(), qPrintable(host.errorString()));
        Line line(host.slavePath());
        QVERIFY(line.isOpen());

        const int polls = 24; // 24 answers of 15 bytes: 360 bytes, 375 ms on the line
        QElapsedTimer timer;
        timer.start();
        QVERIFY(line.write(QByteArray("\x1D\xFF").repeated(polls)));
        const QByteArray answers = line.read(polls, 10000);
        const qint64 elapsed = timer.elapsed();
        QCOMPARE(answers.size(), 15 * polls);
        QCOMPARE(printer->receivedFrames().size(), polls);
        const double lineMs = emu::wireTimeMs(int(answers.size()));
        QVERIFY2(elapsed >= 0.9 * lineMs, qPrintable(QString::number(elapsed)));

        host.stop();
        host.stop(); // twice is harmless
    }
};

QTEST_GUILESS_MAIN(TestPrinterEmulatorProgram)
#include "test_printer_emulator_program.moc"
