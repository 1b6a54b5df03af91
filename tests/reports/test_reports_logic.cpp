// The reports' logic against scripted printer answers: the reading's period, its text file
// (also the endings a healthy emulator never gives) and the printer clock read.
#include "support/test_main.h"
#include "core/clock.h"
#include "core/clock_text.h"
#include "core/global.h"
#include "link/serial_new.h"
#include "protocol/cmd210.h"
#include "protocol/cmd4700.h"
#include "reports/fiscal_memory.h"
#include "reports/printer_clock.h"
#include "support/recording_messages.h"
#include "support/scripted_file_dialogs.h"
#include "support/scripted_transport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using FiscalMemory::Outcome;

class TestReportsLogic : public QObject {
    Q_OBJECT

    std::shared_ptr<ScriptedTransport::Shared> device;
    std::unique_ptr<Link> link;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ScriptedFileDialogs> dialogs;

    // Each chunk answers one wait (chunks of at most 1500 bytes, as the line delivers them).
    void script(const QByteArrayList &chunks) {
        for (const QByteArray &chunk : chunks)
            device->chunks.push_back(chunk);
    }
    QString file() const { return dir->filePath(QStringLiteral("mf.txt")); }
    QByteArray fileBytes() const {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    FiscalMemory::Result readToFile() {
        Cmd4700 commands(*link);
        return FiscalMemory::read(commands, "000001", "005000", 's');
    }

private slots:
    void init() {
        resetToolState();
        toolState().ViewerFeed = false;
        Clock::setScale(0.01);
        device = std::make_shared<ScriptedTransport::Shared>();
        link = std::make_unique<Link>();
        link->setTransportFactory(
            [this](const QString &) { return std::make_unique<ScriptedTransport>(device); });
        link->OpenPort(QStringLiteral("TEST"), 9600, false);
        dir = std::make_unique<QTemporaryDir>();
        messages = std::make_unique<RecordingMessages>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
        QFile older(file());
        QVERIFY(older.open(QIODevice::WriteOnly) && older.write("older") == 5);
    }
    void cleanup() {
        link.reset();
        dialogs.reset(); // before the next test's own are installed
        messages.reset();
        Clock::setScale(1.0);
    }

    void dateCheck_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        const QString year = QStringLiteral("Ano deve estar entre\r\n 1995 e 2094.");
        QTest::newRow("first day") << "01011995" << QString() << QString();
        QTest::newRow("last day") << "31122094" << QString() << QString();
        QTest::newRow("day not checked") << "31022000" << QString() << QString();
        QTest::newRow("month 13") << "15132000"
                                  << "Mês inválido."
                                  << "Erro";
        QTest::newRow("year 1994") << "31121994" << year << "Ano inválido";
        QTest::newRow("year 2095") << "01012095" << year << "Erro";
        QTest::newRow("year half typed") << "010119  " << year << "Ano inválido";
    }
    void dateCheck() {
        QFETCH(QString, date);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        const FiscalMemory::DateCheck check = FiscalMemory::checkDate(date);
        QCOMPARE(check.accepted, text.isEmpty());
        QCOMPARE(check.text, text);
        QCOMPARE(check.caption, caption);
    }

    // The file holds the text between the first chunk's header and the last one's end mark;
    // it replaces the older file only when the whole reading arrived.
    void fileReading_data() {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("caption"); // of the one message shown; empty: none
        const QByteArray header(":R000000000018");
        QTest::newRow("three chunks")
            << QByteArrayList{header + "LINHA 1\r\n", "LINHA", " 2\r\n\xFF\r"}
            << QByteArray("LINHA 1\r\nLINHA 2\r\n") << Outcome::Saved << QString();
        QTest::newRow("pauses inside") << QByteArrayList{header + "A\r\n", "", "", "B\r\n\xFF\r"}
                                       << QByteArray("A\r\nB\r\n") << Outcome::Saved << QString();
        QTest::newRow("accents from CP850")
            << QByteArrayList{header + "REDU\x80\xC7O\r\n\xFF\r"} << QByteArray("REDU\xC7\xC3O\r\n")
            << Outcome::Saved << QString();
        QTest::newRow("cut short") << QByteArrayList{header + "LINHA 1\r\n", "LIN"}
                                   << QByteArray("older") << Outcome::Incomplete << "Aviso";
        QTest::newRow("nothing came")
            << QByteArrayList{} << QByteArray("older") << Outcome::NothingReceived << "Erro";
        QTest::newRow("refused") << QByteArrayList{":R10\xFF\r"} << QByteArray("older")
                                 << Outcome::Refused << "*"; // the printer's error
    }
    void fileReading() {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QByteArray, content);
        QFETCH(Outcome, outcome);
        QFETCH(QString, caption);
        script(chunks);
        dialogs->answer(file());
        const FiscalMemory::Result result = readToFile();
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(fileBytes(), content);
        // A reading cut short is kept beside the chosen file, which stays as it was.
        const QString partial = QStringLiteral("mf.incompleta.txt");
        const bool cut = outcome == Outcome::Incomplete;
        const QStringList expected = cut ? QStringList{partial, "mf.txt"} : QStringList{"mf.txt"};
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), expected);
        if (cut) {
            QCOMPARE(result.fileName, dir->filePath(partial));
            QFile kept(result.fileName);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), QByteArray("LINHA 1\r\nLIN"));
        }
        QCOMPARE(messages->count(), caption.isEmpty() ? 0 : 1);
        if (!caption.isEmpty() && caption != QLatin1String("*"))
            QCOMPARE(messages->shown()[0].caption, caption);
        if (outcome == Outcome::Incomplete)
            QVERIFY(messages->texts()[0].contains(QStringLiteral("incompleta")));
    }

    void noFileNoReading() {
        QCOMPARE(readToFile().outcome, Outcome::Cancelled); // the dialog cancelled
        dialogs->answer(dir->filePath(QStringLiteral("no-such-folder/mf.txt")));
        QCOMPARE(readToFile().outcome, Outcome::WriteFailed);
        QCOMPARE(device->written, QByteArrayList{}); // nothing was asked of the printer
        QCOMPARE(messages->count(), 1);
        QVERIFY(messages->texts()[0].contains(QStringLiteral("no-such-folder")));
    }

    // A file that cannot grow part-way through is not left half-written: the old one stays.
    void writeErrorLeavesTheOldFile() {
        const QByteArray text = QByteArray("0123456789ABCDEF").repeated(250);
        script(
            {":R000000004000" + text.left(1400), text.mid(1400, 1400), text.mid(2800) + "\xFF\r"});
        dialogs->answer(file());
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 1000;
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const FiscalMemory::Result result = readToFile();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
        QCOMPARE(result.outcome, Outcome::WriteFailed);
        QCOMPARE(result.textBytes, text.size()); // the reading itself went to its end
        QCOMPARE(fileBytes(), QByteArray("older"));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{"mf.txt"});
        QCOMPARE(messages->shown().value(0).caption, QStringLiteral("Erro"));
    }

    void printerClock_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("answer"); // empty: silence
        QTest::addColumn<QDateTime>("clock");   // invalid: the clock stays unknown
        const QDateTime last(QDate(2006, 12, 31), QTime(23, 59, 59));
        QTest::newRow("MV210") << uint(ModelA)
                               << QByteArray(":\xE6"
                                             "311206235959\xFF\r")
                               << last;
        QTest::newRow("MV4700") << uint(ModelB) << QByteArray(":R0000311206235959\xFF\r") << last;
        QTest::newRow("MV210 silent") << uint(ModelA) << QByteArray() << QDateTime();
        QTest::newRow("MV4700 silent") << uint(ModelB) << QByteArray() << QDateTime();
        QTest::newRow("MV4700 refused") << uint(ModelB) << QByteArray(":R10\xFF\r") << QDateTime();
        QTest::newRow("31 February") << uint(ModelA)
                                     << QByteArray(":\xE6"
                                                   "310206235959\xFF\r")
                                     << QDateTime();
        QTest::newRow("minute 65")
            << uint(ModelB) << QByteArray(":R0000311206236559\xFF\r") << QDateTime();
    }
    void printerClock() {
        QFETCH(uint, model);
        QFETCH(QByteArray, answer);
        QFETCH(QDateTime, clock);
        if (!answer.isEmpty())
            script({answer});
        toolState().ModelCode = model;
        toolState().PrinterClockKnown = true;
        toolState().PrinterClock = 40000.5;
        Cmd210 a(*link);
        Cmd4700 b(*link);
        QCOMPARE(ReadPrinterClock(model == ModelA ? static_cast<CommandSet *>(&a) : &b),
                 clock.isValid());
        QCOMPARE(toolState().PrinterClockKnown.load(), clock.isValid());
        // A clock not read keeps the value last read.
        QCOMPARE(ClockText::fromDays(toolState().PrinterClock),
                 clock.isValid() ? clock : ClockText::fromDays(40000.5));
        QVERIFY(!ReadPrinterClock(nullptr));
        QVERIFY(!toolState().PrinterClockKnown);
    }
};

TOOL_TEST_CLASS(TestReportsLogic)
#include "test_reports_logic.moc"
