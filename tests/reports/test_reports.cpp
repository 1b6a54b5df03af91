// The reports: the fiscal memory reading into its text file and the printer clock read against
// scripted answers (also the endings a healthy printer never gives); the reports window and
// the reading window against the emulated printers; and one reading from end to end over a
// pseudo-terminal at the line's speed. Protocol durations are shortened through the clock.
#include "app/main_window.h"
#include "core/clock_text.h"
#include "line_host.h"
#include "link/serial_new.h"
#include "protocol/command_set.h"
#include "reports/fiscal_memory.h"
#include "reports/leituramf.h"
#include "reports/printer_clock.h"
#include "reports/relatorios.h"
#include "support/emulator_bench.h"
#include "support/recording_messages.h"
#include "support/scripted_file_dialogs.h"
#include "support/scripted_transport.h"
#include "support/test_main.h"
#include "support/window_driver.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using FiscalMemory::Outcome;

namespace {

const QByteArray A = QByteArray(":\xD1") + "0000018", B(":R000000000018"), End("\xFF\r");
const QByteArrayList Silent29(29, {}), Silent30(30, {});
const QByteArray Big = QByteArray("0123456789ABCDEF").repeated(250);
const QByteArray ClockFrame("\x1B\xE6");

// A reading into "mf.txt", which holds "older" before it: the printer's chunks, one per wait
// ("" a silent wait), how the reading ends, "mf.txt" and "mf.incompleta.txt" afterwards (null:
// no such file) and the caption of the one message shown (empty: none).
struct Reading {
    const char *name;
    uint model;
    QString chosen; // in the dialog; empty: cancelled
    bool fullDisk;  // the file may not grow beyond 1000 bytes
    QByteArrayList chunks;
    Outcome outcome;
    QByteArray file, partial;
    QString caption;
};
// clang-format off
const Reading Readings[] = {
    {"MV4700, three chunks", ModelB, "mf.txt", false, {B + "LINHA 1\r\n", "LINHA", " 2\r\n" + End},
     Outcome::Saved, "LINHA 1\r\nLINHA 2\r\n", {}, ""},
    {"MV210, accents from CP850", ModelA, "mf.txt", false, {A + "REDU\x80\xC7O\r\n" + End},
     Outcome::Saved, "REDU\xC7\xC3O\r\n", {}, ""},
    {"29 silent waits twice: only waits in a row count", ModelB, "mf.txt", false, QByteArrayList{B + "A\r\n"}
     + Silent29 + QByteArrayList{"B\r\n"} + Silent29 + QByteArrayList{"C\r\n" + End}, Outcome::Saved,
     "A\r\nB\r\nC\r\n", {}, ""},
    {"30 silent waits: cut short", ModelB, "mf.txt", false,
     QByteArrayList{B + "LINHA 1\r\n", "LIN"} + Silent30 + QByteArrayList{"HA\r\n" + End},
     Outcome::Incomplete, "older", "LINHA 1\r\nLIN", "Aviso"},
    {"nothing came", ModelA, "mf.txt", false, Silent30, Outcome::NothingReceived, "older", {}, "Erro"},
    {"refused", ModelB, "mf.txt", false, {":R10\xFF\r"}, Outcome::Refused, "older", {}, "Erro"},
    {"dialog cancelled", ModelB, "", false, {}, Outcome::Cancelled, "older", {}, ""},
    {"no such folder", ModelB, "none/mf.txt", false, {}, Outcome::WriteFailed, "older", {}, "Erro"},
    {"disk full part-way", ModelB, "mf.txt", true,
     {":R000000004000" + Big.left(1400), Big.mid(1400, 1400), Big.mid(2800) + End}, Outcome::WriteFailed, "older", {}, "Erro"},
};
// clang-format on

} // namespace

class TestReports : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ScriptedFileDialogs> dialogs;
    std::shared_ptr<ScriptedTransport::Shared> device;
    std::unique_ptr<TfmMain> main;
    std::unique_ptr<TfmRelatorios> reports;
    std::unique_ptr<TfmLMF> reading;
    WindowDriver user;

    QByteArray fileBytes(const QString &name) const {
        QFile f(dir->filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The link on a scripted device answering `chunks`, one per wait; the commands of `model`.
    CommandSet &scripted(uint model, const QByteArrayList &chunks) {
        device = std::make_shared<ScriptedTransport::Shared>();
        device->chunks.assign(chunks.begin(), chunks.end());
        printerLink().setTransportFactory(
            [this](const QString &) { return std::make_unique<ScriptedTransport>(device); });
        printerLink().OpenPort(QStringLiteral("TEST"), 9600, false);
        toolState().ModelCode = model;
        return *commandSetFor(model);
    }
    // The windows as the tool wires them; the reports window shown, its clock read and ticking.
    void start() {
        main = std::make_unique<TfmMain>(dir->path());
        main->show();
        reports = std::make_unique<TfmRelatorios>(main.get());
        reading = std::make_unique<TfmLMF>(main.get(), reports.get());
        reports->setFiscalMemoryWindow(reading.get());
        reports->show();
        user.drive(reports.get());
        QTRY_VERIFY_WITH_TIMEOUT(main->clockTimer().isActive(), 15000);
        QVERIFY(!main->isEnabled() && toolState().PrinterClockKnown);
    }
    void start(uint model) {
        fixture::printer(model)->setPrintTimeMs(200);
        QVERIFY(fixture::connectPrinter(model));
        start();
        QCOMPARE(fixture::takeFrames(model).value(0), ClockFrame);
    }

private slots:
    void init() {
        fixture::freshPrinters(0.05);
        toolState().ViewerFeed = false;
        dir = std::make_unique<QTemporaryDir>();
        messages = std::make_unique<RecordingMessages>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
    }
    void cleanup() {
        reading.reset();
        reports.reset();
        main.reset();
        printerLink().setTransportFactory(&Link::defaultTransport);
        fixture::disconnectPrinter();
        dialogs.reset(); // before the next test's own are installed
        messages.reset();
    }

    // The file holds the text between the first chunk's header and the last one's end mark; it
    // replaces the older file only when the whole reading arrived and was written.
    void fileReading_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(Readings)); ++i)
            QTest::newRow(Readings[i].name) << i;
    }
    void fileReading() {
        QFETCH(int, row);
        const Reading &r = Readings[row];
        QFile older(dir->filePath("mf.txt"));
        QVERIFY(older.open(QIODevice::WriteOnly) && older.write("older") == 5 && older.flush());
        dialogs->answer(r.chosen.isEmpty() ? QString() : dir->filePath(r.chosen));
        CommandSet &commands = scripted(r.model, r.chunks);
        rlimit saved{}, limited{};
        getrlimit(RLIMIT_FSIZE, &saved);
        limited = saved;
        limited.rlim_cur = r.fullDisk ? 1000 : saved.rlim_cur;
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const FiscalMemory::Result result = FiscalMemory::read(commands, "000001", "005000", 's');
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);

        QCOMPARE(result.outcome, r.outcome);
        QCOMPARE(fileBytes("mf.txt"), r.file);
        QCOMPARE(fileBytes("mf.incompleta.txt"), r.partial);
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files).join(' '),
                 r.partial.isNull() ? "mf.txt" : "mf.incompleta.txt mf.txt");
        if (!r.partial.isNull())
            QCOMPARE(result.fileName, dir->filePath("mf.incompleta.txt"));
        QCOMPARE(device->written.isEmpty(), r.chunks.isEmpty()); // nothing asked without a file
        QCOMPARE(messages->count(), r.caption.isEmpty() ? 0 : 1);
        if (!r.caption.isEmpty())
            QCOMPARE(messages->shown()[0].caption, r.caption);
        if (r.outcome == Outcome::Incomplete || r.chosen.contains('/'))
            QVERIFY(messages->texts()[0].contains(r.partial.isNull() ? "none" : "incompleta"));
    }

    // A clock that is not read, or that reads as no date, keeps the value last read, unknown.
    void printerClock_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("answer"); // empty: silence
        QTest::addColumn<bool>("read");
        // clang-format off
        QTest::newRow("MV210") << uint(ModelA) << QByteArray(":\xE6") + "311206235959" + End << true;
        QTest::newRow("MV4700") << uint(ModelB) << ":R0000311206235959" + End << true;
        QTest::newRow("MV210 silent") << uint(ModelA) << QByteArray() << false;
        QTest::newRow("MV4700 refused") << uint(ModelB) << ":R10" + End << false;
        QTest::newRow("31 February") << uint(ModelA) << QByteArray(":\xE6") + "310206235959" + End << false;
        QTest::newRow("minute 65") << uint(ModelB) << ":R0000311206236559" + End << false;
        // clang-format on
    }
    void printerClock() {
        QFETCH(uint, model);
        QFETCH(QByteArray, answer);
        QFETCH(bool, read);
        CommandSet &commands =
            scripted(model, answer.isEmpty() ? QByteArrayList{} : QByteArrayList{answer});
        toolState().PrinterClockKnown = true;
        toolState().PrinterClock = 40000.5;
        QCOMPARE(ReadPrinterClock(&commands), read);
        QCOMPARE(toolState().PrinterClockKnown.load(), read);
        QCOMPARE(ClockText::fromDays(toolState().PrinterClock),
                 read ? QDateTime(QDate(2006, 12, 31), QTime(23, 59, 59))
                      : ClockText::fromDays(40000.5));
        QVERIFY(!ReadPrinterClock(nullptr) && !toolState().PrinterClockKnown);
    }

    // While a report prints, its button and "Sair" stay disabled until the printer is idle and
    // its clock has been read again. The Redução Z is asked for first; No sends nothing.
    void dailyReports_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("command"); // empty: the Redução Z answered No
        QTest::newRow("MV210 Leitura X") << uint(ModelA) << "btLX" << QByteArray("\x1B\xCF");
        QTest::newRow("MV4700 Leitura X") << uint(ModelB) << "btLX" << QByteArray("\x1B\xFA");
        QTest::newRow("MV210 Redução Z") << uint(ModelA) << "btRZ" << QByteArray("\x1B\xD0");
        QTest::newRow("MV4700 Redução Z") << uint(ModelB) << "btRZ" << QByteArray("\x1B\xFC");
        QTest::newRow("MV4700 Redução Z, No") << uint(ModelB) << "btRZ" << QByteArray();
    }
    void dailyReports() {
        QFETCH(uint, model);
        QFETCH(QString, button);
        QFETCH(QByteArray, command);
        start(model);
        fixture::printer(model)->setAnswerDelayMs(30); // every answer takes a while
        messages->scriptAnswer(command.isEmpty() ? MessageAnswer::No : MessageAnswer::Yes);
        bool enabledMeanwhile = false;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, this, [&] {
            enabledMeanwhile |= user.enabled(qPrintable(button)) || user.enabled("btSair");
        });
        sampler.start(5);
        user.press(qPrintable(button));
        sampler.stop();
        QVERIFY(user.enabled(qPrintable(button)) && user.enabled("btSair"));
        const Message asked = messages->shown().value(0); // the Redução Z's question
        QVERIFY(button == "btLX"
                    ? messages->count() == 0
                    : asked.caption == "REDUÇÃO Z" && asked.buttons == MessageButtons::YesNo &&
                          asked.text == "Confirma a operação?\r\nA impressora poderá ficar "
                                        "bloqueada até às 24:00h");
        QTest::qWait(Clock::scaled(1000));
        const QList<QByteArray> frames = fixture::takeFrames(model);
        QCOMPARE(frames.isEmpty(), command.isEmpty());
        if (command.isEmpty())
            return;
        QVERIFY(!enabledMeanwhile && frames[0].startsWith(command));
        const qsizetype clockAt = frames.indexOf(ClockFrame); // polled until idle, then read
        QVERIFY(clockAt > 2 && frames[clockAt - 1].startsWith('\x1D'));
    }

    // The period and the destination as the printer receives them when the reading is printed.
    // A date refused by the window ("caption|text") sends nothing and takes the focus.
    void readingOnPaper_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QString>("field"); // typed over with `typed`; a date field: by dates
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("summarised");
        QTest::addColumn<QByteArray>("frame"); // empty: refused
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, uint model, const char *field, const char *typed,
                            bool summarised, const QByteArray &frame, const QString &message) {
            QTest::newRow(name) << model << field << typed << summarised << frame << message;
        };
        // clang-format off
        row("MV210 CRZ", ModelA, "", "", false, "\x1B\xD1X000001005000", "");
        row("MV4700 CRZ", ModelB, "", "", false, "\x1B\xFBx000001005000", "");
        row("MV4700 CRZ from 12, summarised", ModelB, "meCRZ", "12", true, "\x1B\xFBX000012005000", "");
        row("MV210 dates", ModelA, "meData1", "01011995", false, "\x1B\xD1X010195311294", "");
        row("31/02/2000: the day is the printer's", ModelB, "meData1", "31022000", false,
            "\x1B\xFBx310200311294", "");
        row("15/13/2000", ModelB, "meData1", "15132000", false, "", "Erro|Mês inválido.");
        row("31/12/1994", ModelA, "meData1", "31121994", false, "", "Ano inválido|Ano deve estar entre\r\n 1995 e 2094.");
        row("end in 2095", ModelA, "meData2", "01012095", false, "", "Erro|Ano deve estar entre\r\n 1995 e 2094.");
        // clang-format on
    }
    void readingOnPaper() {
        QFETCH(uint, model);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(bool, summarised);
        QFETCH(QByteArray, frame);
        QFETCH(QString, message);
        start(model);
        user.press("btLMF");
        user.drive(reading.get());
        QVERIFY(reading->isVisible() && !reports->isEnabled());
        QCOMPARE(user.visible("cbLeitResumida"), model == ModelB); // model B alone has it
        const bool byDate = field.startsWith("meData");
        user.check(byDate ? "rbData" : "rbCRZ");
        QVERIFY(user.enabled("meData1") == byDate && user.enabled("meCRZ") == !byDate);
        if (!field.isEmpty())
            user.setText(qPrintable(field), typed);
        user.check("cbLeitResumida", summarised);
        user.press("btContinuar");
        QCOMPARE(fixture::takeFrames(model).value(0), frame);
        if (!message.isEmpty()) {
            QCOMPARE(messages->shown().value(0).caption + '|' + messages->texts().value(0),
                     message);
            QCOMPARE(reading->focusWidget(), user.find(qPrintable(field)));
        }
        QVERIFY(user.enabled("btContinuar") && user.enabled("btSair"));
        user.press("btSair"); // back to the main window
        QVERIFY(!reading->isVisible() && !reports->isVisible() && main->isEnabled());
    }

    // A reading into a file over a real serial port (a pseudo-terminal) from the emulator's
    // host, at 9600 baud: the window keeps painting and counting while the report arrives, and
    // the file holds what the printer sent.
    void readingToAFileOverAPseudoTerminal() {
        const QByteArray frame("\x1B\xFBs000001005000");
        auto printer = emu::Printer::create(emu::Model::B);
        printer->addPastReductions(35);
        const QByteArray sent = emubench::exchange(*printer, frame);
        QVERIFY2(sent.size() >= 20 * 1024, qPrintable(QString::number(sent.size())));
        printer->setPacing(true);
        emu::LineHost host(*printer);
        QVERIFY2(host.start(), qPrintable(host.errorString()));
        Clock::setScale(1.0);
        QCOMPARE(printerLink().OpenPort(host.slavePath(), 9600, false), 0);
        toolState().ModelCode = ModelB;
        toolState().PrinterPresent = true;
        dialogs->answer(dir->filePath("mf.txt"));
        start();
        user.press("btLMF");
        user.drive(reading.get());
        user.check("cbLeituraEmArquivo");

        // A 5 ms timer on the UI thread: the longest gap between its ticks is the longest time
        // the window could not paint.
        QElapsedTimer clock;
        qint64 last = 0, longest = 0;
        QStringList shown;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, this, [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
            if (shown.value(shown.size() - 1) != user.text("lbRecebidos"))
                shown << user.text("lbRecebidos");
        });
        clock.start();
        timer.start(5);
        user.press("btContinuar");
        timer.stop();
        QVERIFY2(longest < 1000, qPrintable(QString::number(longest)));
        QVERIFY(shown.size() >= 5); // the count went up as the chunks came
        QCOMPARE(user.text("lbRecebidos"), QStringLiteral("Recebidos: %1 bytes").arg(sent.size()));
        printerLink().ClosePort();
        host.stop();
        QCOMPARE(printer->receivedFrames().count(frame), 2); // ours and the test's own
        QCOMPARE(messages->count(), 0);
        QCOMPARE(dialogs->requests.value(0).title, QStringLiteral("Leitura da Memória Fiscal"));
        QFile file(dir->filePath("mf.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), sent.mid(14, sent.size() - 16));
    }
};

TOOL_TEST_CLASS(TestReports)
#include "test_reports.moc"
