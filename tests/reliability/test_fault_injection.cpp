// The long flows under line and printer faults, injected at every step: the printer falls
// silent, answers an error, is switched off (CTS drops with it), or the line garbles or cuts
// an answer. Whatever the step, the flow returns within its time-outs (shortened through the
// clock), a failure is told to the user, and the files it writes are whole or untouched.
//
// A step is the n-th frame the tool sends or the n-th answer it receives. Faults of the printer
// go through the emulator's own controls; faults of the line (garbage, a cut answer) are made
// by the line between the link and the emulator, as noise or a loose cable would.
#include "app/main_window.h"
#include "core/clock.h"
#include "core/global.h"
#include "core/working_folder.h"
#include "fiscal/macro_file.h"
#include "fiscal/macro_player.h"
#include "fiscal/thread_autenticacao.h"
#include "link/emulator_transport.h"
#include "link/erros.h"
#include "link/serial_new.h"
#include "maintenance/gravausr.h"
#include "maintenance/intervention.h"
#include "maintenance/usr_file.h"
#include "peripherals/cheque_run.h"
#include "programming/c2k_file.h"
#include "programming/send_data_fixture.h"
#include "programming/send_data_run.h"
#include "protocol/command_set.h"
#include "reports/fiscal_memory.h"
#include "support/recording_messages.h"
#include "support/scripted_file_dialogs.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <mutex>

using fixture::click;
using fixture::control;
using fixture::disconnectPrinter;
using fixture::freshPrinters;
using fixture::portOf;
using fixture::printer;

namespace {

enum class Fault { Silent, PowerOff, ErrorCode, Garbage, Truncated, PowerOffAfterAnswer };
enum class Flow {
    SendData,
    FiscalMemory,
    UserRecord,
    Intervention,
    ReductionZ,
    Cheque,
    Macro,
    AuthenticationA,
    AuthenticationB
};

const QByteArray Earlier = "arquivo anterior";

// The line between the link and the emulated printer, with one fault planned at one step.
// The printer's faults (silence, power, an error) are planned at the n-th frame sent, the
// line's (garbage, a cut answer) at the n-th answer received.
struct Plan {
    std::mutex mutex;
    Fault fault = Fault::Silent;
    int step = 0; // 0: no fault
    QByteArray code;
    int frames = 0;  // sent so far
    int answers = 0; // received so far

    // Faults planned at an answer rather than at a frame.
    bool onTheLine() const {
        return fault == Fault::Garbage || fault == Fault::Truncated ||
               fault == Fault::PowerOffAfterAnswer;
    }
    void reset(Fault f, int n) {
        std::lock_guard lock(mutex);
        fault = f;
        step = n;
        frames = answers = 0;
        code = "16";
    }
};

class FaultyLine : public Transport {
public:
    FaultyLine(std::shared_ptr<emu::Printer> printer, Plan &plan)
        : printer(printer), inner(printer), plan(plan) {}
    bool open() override { return inner.open(); }
    void close() override { inner.close(); }
    bool write(const QByteArray &frame) override {
        bool switchOff = false;
        {
            std::lock_guard lock(plan.mutex);
            if (++plan.frames == plan.step && !plan.onTheLine()) {
                if (plan.fault == Fault::Silent)
                    printer->setSilent(true);
                else if (plan.fault == Fault::ErrorCode)
                    printer->failNextWith(plan.code);
                else
                    switchOff = true;
            }
        }
        const bool written = inner.write(frame);
        // Switched off while it works on the frame (a Redução Z under way): the printer has
        // taken it, its answer never leaves, and CTS drops with the power.
        if (switchOff)
            printer->setPowered(false);
        return written;
    }
    QByteArray readChunk(int totalMs, const std::atomic<bool> &cancel) override {
        QByteArray chunk = inner.readChunk(totalMs, cancel);
        if (chunk.isEmpty())
            return chunk;
        std::lock_guard lock(plan.mutex);
        if (++plan.answers != plan.step || !plan.onTheLine())
            return chunk;
        if (plan.fault == Fault::PowerOffAfterAnswer) {
            // Switched off just after this answer left it (in the middle of a long reading).
            printer->setPowered(false);
        } else if (plan.fault == Fault::Garbage) {
            // Noise: every byte changed, the length kept.
            for (qsizetype i = 0; i < chunk.size(); ++i)
                chunk[i] = char(uint8_t(chunk[i]) ^ uint8_t(0x5A + 13 * i));
        } else {
            // The line drops after a few bytes: at most three of the answer arrive, never
            // enough for its code.
            chunk.truncate(std::min<qsizetype>(3, chunk.size() / 2));
        }
        return chunk;
    }
    bool purge() override { return inner.purge(); }
    CtsLine cts() override { return inner.cts(); }

private:
    std::shared_ptr<emu::Printer> printer;
    EmulatorTransport inner;
    Plan &plan;
};

// A view of the Send Data run that only watches.
struct QuietView : SendDataView {
    void setButtonsEnabled(bool) override {}
    void showProgress(int) override {}
    void hideProgress() override {}
};

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
}

QString faultName(Fault fault) {
    static const char *const names[] = {"silêncio", "desligada", "erro",
                                        "lixo",     "cortada",   "desligada após resposta"};
    return QString::fromUtf8(names[int(fault)]);
}

} // namespace

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Flow)

class TestFaultInjection : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ScriptedFileDialogs> dialogs;
    Plan plan;
    QStringList shownOnWindow; // progress texts of the check run
    QString target;            // the file the flow writes, holding Earlier before the run

    // Macro playback: the recorded coupon, the end of the last run and the answer scripted
    // for "Deseja continuar?". Authentication: whether the wait ended without "Cancelar", and
    // how long the wait took to end once it was pressed.
    QString macroFile;
    QByteArray macroBytes;
    MacroPlayer::End macroEnd = MacroPlayer::End::Done;
    bool goOn = true;
    bool endedByItself = true;
    qint64 abortMs = 0;

    static uint modelOf(Flow flow) {
        return flow == Flow::UserRecord || flow == Flow::AuthenticationA ? ModelA : ModelB;
    }
    static bool authentication(Flow flow) {
        return flow == Flow::AuthenticationA || flow == Flow::AuthenticationB;
    }

    // A fiscal day open and one coupon (open, sell, totalize, pay, close) recorded on a clean
    // line into a .b2k file, as the fiscal window records it. The coupon closed last is also
    // what an authentication stamps.
    void recordCoupon(CommandSet &commands, uint model) {
        QByteArray data = MacroFile::header(model);
        char coo[6];
        ItemRecord item;
        std::memset(&item, 0, sizeof item);
        std::memcpy(item.code, "7891000100103", 13);
        std::memcpy(item.description, "Produto", 7);
        std::memcpy(item.price, "0000001000", 10);
        std::memcpy(item.taxCode, "TA", 2);
        std::memcpy(item.quantity, "00001000", 8);
        std::memcpy(item.unit, "un", 2);
        item.quantityFormat = 'D';
        std::memset(item.adjustment, '0', 9);
        item.adjustmentType = 'N';
        item.adjustmentMode = 'V';
        TotalRecord total;
        std::memset(&total, '0', sizeof total);
        total.adjustmentType = 'N';
        total.adjustmentMode = 'V';
        PaymentRecord cash;
        std::memset(&cash, 0, sizeof cash);
        std::memcpy(cash.method, model == ModelB ? "01" : "A", model == ModelB ? 2 : 1);
        std::memcpy(cash.amount, "000000001000", 12);
        QVERIFY(commands.ProgramTaxRate({0, {'1', '8', '0', '0'}}) && commands.ReadingX() &&
                commands.WaitPrinterIdle());
        printerLink().setMacroSink([&](const QByteArray &line) { data += line; });
        toolState().RecordingState = RecordingOn;
        const bool recorded = commands.OpenCoupon(coo) && commands.SellItem(item) &&
                              commands.Totalize(total) && commands.RegisterPayment(cash) &&
                              commands.CloseCoupon("Volte sempre");
        toolState().RecordingState = RecordingOff;
        printerLink().setMacroSink({});
        QVERIFY(recorded);
        macroBytes = data + MacroFile::Terminator;
        macroFile = dir->filePath(QStringLiteral("cupom.b2k"));
        writeFile(macroFile, macroBytes);
    }

    // A fresh printer of the flow's model on a faulty line, the user's answers scripted.
    void prepare(Flow flow) {
        printerLink().ClosePort();
        freshPrinters(0.001);
        invalidateConfigurationCache();
        const uint model = modelOf(flow);
        auto p = printer(model);
        p->setIdentity({QByteArray(model == ModelA ? "21000123" : "47000456"), "1.20", "0001"});
        p->setMaintenanceJumper(true);
        p->setPrintTimeMs(20);
        p->setCheckPrintTimeMs(20);
        toolState().ModelCode = model;
        toolState().FirmwareVersionNumber = 1.20;
        toolState().FirmwareVersion.set(QStringLiteral("1.20"));
        toolState().PrinterSerial.set(QString::fromLatin1(p->identity().serial));
        toolState().PrinterPresent = true;
        printerLink().setTransportFactory(
            [this, p](const QString &) { return std::make_unique<FaultyLine>(p, plan); });
        QCOMPARE(printerLink().OpenPort(portOf(model), 9600, false), 0);
        // The old recorders uninstall themselves: they go before the new ones come.
        messages.reset();
        dialogs.reset();
        messages = std::make_unique<RecordingMessages>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
        shownOnWindow.clear();
        dir = std::make_unique<QTemporaryDir>();
        target.clear();
        macroFile.clear();
        if (flow == Flow::Macro || authentication(flow)) {
            plan.reset(Fault::Silent, 0); // no fault while the day is prepared
            p->setMaintenanceJumper(false);
        }
        if (flow == Flow::Macro || authentication(flow))
            recordCoupon(*commandSetFor(model), model);
    }

    // Runs the flow as the user starts it; true when it reports success.
    bool run(Flow flow) {
        const uint model = modelOf(flow);
        CommandSet &commands = *commandSetFor(model);
        switch (flow) {
        case Flow::SendData: {
            SendDataRequest r;
            r.model = model;
            r.printerPresent = true;
            r.serial = QStringLiteral("47000456");
            r.configurationPath = dir->filePath(QStringLiteral("origem.c2k"));
            writeFile(r.configurationPath, fixture::sampleFile(model));
            r.ecfNumber = QStringLiteral("0042");
            r.sendBankTable = true;
            r.bankTablePath = QStringLiteral(BANK_TABLE_SAMPLE);
            r.workingFolder = dir->path();
            target = dir->filePath(serialCopyName(model, r.serial));
            writeFile(target, Earlier);
            QuietView view;
            return runSendData(r, &commands, printerLink(), view).completed;
        }
        case Flow::FiscalMemory: {
            target = dir->filePath(QStringLiteral("leitura.txt"));
            writeFile(target, Earlier);
            dialogs->answer(target);
            const FiscalMemory::Result result =
                FiscalMemory::read(commands, "000001", "009999", 's');
            return result.outcome == FiscalMemory::Outcome::Saved;
        }
        case Flow::UserRecord: {
            // The window, for the serial-numbered copy it leaves after the record.
            TfmMain main(dir->path());
            TfmGravaUSR window(&main);
            WorkingFolder::set(dir->path());
            window.show();
            target = dir->filePath(UserFile::serialCopyName(QStringLiteral("21000123")));
            writeFile(target, Earlier);
            control<QLineEdit>(&window, "meCNPJ")->setText(QStringLiteral("11.222.333/0001-81"));
            control<QLineEdit>(&window, "edIE")->setText(QStringLiteral("ISENTO"));
            control<QLineEdit>(&window, "edIM")->setText(QStringLiteral("123"));
            control<QCheckBox>(&window, "cbGeraUSR")->setChecked(true);
            click(&window, "btContGrava");
            return messages->texts().contains(QStringLiteral("Usuário gravado!"));
        }
        case Flow::Intervention: {
            ClicheRecord cliche{};
            const char header[] = "LOJA\r\n\xFF";
            std::memcpy(cliche.text, header, sizeof header - 1);
            cliche.length = sizeof header - 1;
            return Intervention::run(commands, {true, false, "0007"}, cliche);
        }
        case Flow::ReductionZ:
            return commands.ReductionZ();
        case Flow::Cheque: {
            auto p = printer(model);
            QElapsedTimer waiting;
            waiting.start();
            ChequeRun::Hooks hooks;
            hooks.show = [&](const QString &text) {
                shownOnWindow << text;
                if (text == ChequeText::Position)
                    p->insertCheck();
                if (text == ChequeText::Remove)
                    p->removeCheck();
            };
            // The operator gives up with "Cancelar" after a while of nothing happening.
            hooks.stopRequested = [&] { return waiting.elapsed() > 1500; };
            ChequeRun cheque(printerLink(), hooks);
            return cheque.run(true, "000000012345") == ChequeRun::End::Done;
        }
        case Flow::Macro: {
            // The first refusal gets the scripted answer, after the model's error box; a
            // later one the default (No).
            messages->scriptAnswer(MessageAnswer::Ok);
            messages->scriptAnswer(goOn ? MessageAnswer::Yes : MessageAnswer::No);
            MacroPlayer::Hooks hooks;
            hooks.refused = [](const QByteArray &answer) {
                return MacroPlayer::askAfterRefusal(ModelB, answer);
            };
            MacroPlayer player(printerLink(), &commands, model, hooks);
            macroEnd = player.play(fileBytes(macroFile), 1);
            return macroEnd == MacroPlayer::End::Done;
        }
        case Flow::AuthenticationA:
        case Flow::AuthenticationB: {
            // The window's thread; the operator puts the slip in once the printer waits for
            // it, and presses "Cancelar" when nothing has happened for a moment.
            auto p = printer(model);
            ThreadAutenticacao thread(commands, "AUTENTICADO 123", model == ModelB ? 1 : 0);
            thread.start();
            QElapsedTimer waiting;
            waiting.start();
            while (!thread.ended() && waiting.elapsed() < 200) {
                if (p->authenticationWaiting())
                    p->setDocumentInserted(true);
                QThread::msleep(2);
            }
            endedByItself = thread.ended();
            QElapsedTimer cancelled;
            cancelled.start();
            thread.abortAndWait();
            abortMs = endedByItself ? 0 : cancelled.elapsed();
            return endedByItself && messages->count() == 0;
        }
        }
        return false;
    }

    // What the user saw: the messages, and the check window's progress texts.
    QString seen() const {
        QStringList texts = messages->texts();
        for (QString &t : texts)
            t.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\n'), ' ');
        QStringList all = texts;
        if (!shownOnWindow.isEmpty())
            all << QStringLiteral("[janela] ") + shownOnWindow.join(QStringLiteral(" > "));
        return all.join(QStringLiteral(" | "));
    }

    // The file the flow writes: whole (a complete .c2k, .usr or fiscal memory text) or exactly
    // as it was before; "kept", "written" or "partial" for the report.
    QString checkFile(Flow flow, bool succeeded) {
        if (flow == Flow::Macro)
            return fileBytes(macroFile) == macroBytes ? QStringLiteral("macro file untouched")
                                                      : QStringLiteral("BAD macro changed");
        if (target.isEmpty())
            return QStringLiteral("no file");
        const QByteArray after = fileBytes(target);
        const QStringList beside = QDir(dir->path()).entryList(QDir::Files | QDir::Hidden);
        // No temporary file is ever left behind.
        for (const QString &name : beside) {
            if (!name.endsWith(QLatin1String(".c2k")) && !name.endsWith(QLatin1String(".usr")) &&
                !name.endsWith(QLatin1String(".txt")))
                return QStringLiteral("stray file ") + name;
        }
        if (after == Earlier)
            return succeeded && flow != Flow::FiscalMemory ? QStringLiteral("not written")
                                                           : QStringLiteral("kept");
        switch (flow) {
        case Flow::SendData:
            return inspectC2k(after).complete && succeeded ? QStringLiteral("written")
                                                           : QStringLiteral("BAD c2k");
        case Flow::UserRecord:
            return after.size() == UserFile::Size && succeeded ? QStringLiteral("written")
                                                               : QStringLiteral("BAD usr");
        case Flow::FiscalMemory:
            // A reading the printer broke off never replaces the earlier file.
            return succeeded ? QStringLiteral("written") : QStringLiteral("BAD partial");
        default:
            return QStringLiteral("BAD");
        }
    }

private slots:
    void cleanup() {
        printerLink().ClosePort();
        printerLink().setTransportFactory({});
        dialogs.reset();
        messages.reset();
        disconnectPrinter();
    }

    void faultAtEveryStep_data() {
        QTest::addColumn<Flow>("flow");
        QTest::addColumn<Fault>("fault");
        const std::pair<const char *, Flow> flows[] = {
            {"Send Data", Flow::SendData},
            {"fiscal memory", Flow::FiscalMemory},
            {"user record", Flow::UserRecord},
            {"intervention", Flow::Intervention},
            {"Reducao Z", Flow::ReductionZ},
            {"check", Flow::Cheque},
            {"macro playback", Flow::Macro},
            {"authentication MV210", Flow::AuthenticationA},
            {"authentication MV4700", Flow::AuthenticationB}};
        const std::pair<const char *, Fault> faults[] = {
            {"silent", Fault::Silent},
            {"switched off", Fault::PowerOff},
            {"error code", Fault::ErrorCode},
            {"garbage", Fault::Garbage},
            {"cut answer", Fault::Truncated},
            {"switched off after an answer", Fault::PowerOffAfterAnswer}};
        for (const auto &[flowName, flow] : flows) {
            for (const auto &[faultName, fault] : faults)
                QTest::addRow("%s, %s", flowName, faultName) << flow << fault;
        }
    }
    void faultAtEveryStep() {
        QFETCH(Flow, flow);
        QFETCH(Fault, fault);

        // A clean run first: it succeeds, and tells how many steps the flow has.
        prepare(flow);
        plan.reset(fault, 0);
        QVERIFY2(run(flow), qPrintable(seen()));
        const int steps = plan.onTheLine() ? plan.answers : plan.frames;
        QVERIFY(steps > 0);

        QStringList table;
        QMap<QString, int> outcomes, seenTimes, onDisk;
        qint64 longest = 0;
        for (int step = 1; step <= steps; ++step) {
            prepare(flow);
            plan.reset(fault, step);
            goOn = step % 2 == 1;
            QElapsedTimer elapsed;
            elapsed.start();
            const bool succeeded = run(flow);
            const qint64 ms = elapsed.elapsed();
            const QString file = checkFile(flow, succeeded);
            const QStringList texts = messages->texts();
            const int asked = int(texts.count(QStringLiteral("Deseja continuar?")));
            QString outcome = succeeded ? QStringLiteral("completed") : QStringLiteral("failed");
            if (flow == Flow::Macro) {
                static const char *const ends[] = {"done", "stopped", "no answer", "declined",
                                                   "bad line"};
                outcome = QString::fromLatin1(ends[int(macroEnd)]);
                if (asked > 0)
                    outcome += goOn ? QStringLiteral(" (Sim)") : QStringLiteral(" (Não)");
            } else if (authentication(flow)) {
                outcome = !endedByItself ? QStringLiteral("cancelled")
                          : succeeded    ? QStringLiteral("stamped")
                                         : QStringLiteral("ended, error shown");
            }
            QString line = QStringLiteral("%1 %2 step %3/%4: %5, %6 ms, file %7, seen: %8")
                               .arg(QTest::currentDataTag())
                               .arg(faultName(fault))
                               .arg(step)
                               .arg(steps)
                               .arg(outcome)
                               .arg(ms)
                               .arg(file, seen());
            if (authentication(flow) && !endedByItself)
                line += QStringLiteral(", ended %1 ms after Cancelar").arg(abortMs);
            table << line;
            ++outcomes[outcome];
            ++seenTimes[texts.isEmpty() && shownOnWindow.isEmpty() ? QStringLiteral("nothing")
                                                                   : seen()];
            ++onDisk[file];
            longest = std::max(longest, ms);
            // Within its time-outs: every wait is a few milliseconds here.
            QVERIFY2(ms < 15000, qPrintable(line));
            QVERIFY2(!file.startsWith(QLatin1String("BAD")) &&
                         !file.startsWith(QLatin1String("stray")),
                     qPrintable(line));
            // A failure is never silent: the user is told. The check run is the exception by
            // design: it waits for the operator, its window showing what it waits for, and a
            // printer that stopped answering keeps it waiting until "Cancelar".
            // A macro whose printer stopped answering ends without a message, as the window's
            // playback always has; the authentication the user cancelled needs none either.
            const bool quietByDesign =
                (flow == Flow::Macro && macroEnd != MacroPlayer::End::Declined) ||
                (authentication(flow) && !endedByItself);
            if (!succeeded && flow != Flow::Cheque && !quietByDesign)
                QVERIFY2(messages->count() > 0, qPrintable(line));
            if (flow == Flow::Macro) {
                // Within the retries: one frame's 6000 ms wait and three of 1000 + 100 ms,
                // scaled, and the scheduling of a few frames.
                QVERIFY2(ms < Clock::scaled(6000 + 3 * (1000 + 100)) + 2000, qPrintable(line));
                // Every refusal shows the printer's error, then the question; No ends the
                // playback there, Yes plays on (to the end, or to a later refusal).
                QVERIFY2(texts.size() == 2 * asked, qPrintable(line));
                QVERIFY2((macroEnd == MacroPlayer::End::Declined) ==
                             (asked > 0 && (!goOn || asked > 1)),
                         qPrintable(line));
                QVERIFY2(macroEnd != MacroPlayer::End::BadLine, qPrintable(line));
            }
            if (authentication(flow)) {
                // Unanswered, the wait ends only through "Cancelar", and then at once.
                const bool unanswered = fault == Fault::Silent || fault == Fault::PowerOff;
                QVERIFY2(endedByItself != unanswered, qPrintable(line));
                QVERIFY2(abortMs < 1000, qPrintable(line));
            }
            if (!succeeded && flow == Flow::Cheque)
                QVERIFY2(!shownOnWindow.isEmpty(), qPrintable(line));
        }
        if (qEnvironmentVariableIsSet("FAULT_TABLE")) {
            // The row of the report: each count of outcomes, messages and files.
            static const char *const reported[] = {
                "silent (at each frame)",      "switched off (at each frame)",
                "error 16 (at each frame)",    "garbage (at each answer)",
                "cut answer (at each answer)", "switched off after each answer"};
            const auto tally = [](const QMap<QString, int> &counts, bool quoted) {
                QStringList parts;
                for (auto i = counts.cbegin(); i != counts.cend(); ++i)
                    parts << (!quoted                               ? QStringLiteral("%1 %2")
                              : i.key() == QLatin1String("nothing") ? QStringLiteral("%1 (%2)")
                                                                    : QStringLiteral("\"%1\" (%2)"))
                                 .arg(QString(i.key()).replace(QLatin1String(" | "),
                                                               QLatin1String(" \\| ")))
                                 .arg(i.value());
                return parts.join(QLatin1String(quoted ? "; " : ", "));
            };
            table << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 ms |")
                         .arg(QString::fromLatin1(QTest::currentDataTag()).section(',', 0, 0),
                              QString::fromLatin1(reported[int(fault)]))
                         .arg(steps)
                         .arg(tally(outcomes, false), tally(seenTimes, true), tally(onDisk, false))
                         .arg(longest);
            qInfo().noquote() << table.join('\n');
        }
    }

    // Every error code of each model's table, answered to the Redução Z: the user reads the
    // printer's own text for it, and the tool reports the failure.
    void everyErrorCode_data() {
        QTest::addColumn<uint>("model");
        QTest::newRow("MV4700") << uint(ModelB);
        QTest::newRow("MV210") << uint(ModelA);
    }
    void everyErrorCode() {
        QFETCH(uint, model);
        const ErrorEntry *table = model == ModelB ? Erros4700::Table : Erros210::Table;
        const int size = model == ModelB ? Erros4700::TableSize : Erros210::TableSize;
        for (int i = 0; i < size; ++i) {
            prepare(Flow::ReductionZ);
            toolState().ModelCode = model;
            printerLink().ClosePort();
            auto p = printer(model);
            printerLink().setTransportFactory(
                [this, p](const QString &) { return std::make_unique<FaultyLine>(p, plan); });
            QCOMPARE(printerLink().OpenPort(portOf(model), 9600, false), 0);
            plan.reset(Fault::ErrorCode, 1);
            plan.code = table[i].code;
            const bool accepted = commandSetFor(model)->ReductionZ();
            const QString expected =
                errorMessageText(table, size, reinterpret_cast<const uint8_t *>(table[i].code));
            QVERIFY2(!accepted, table[i].code);
            QCOMPARE(messages->texts(), QStringList{expected});
        }
    }
};

QTEST_MAIN(TestFaultInjection)
#include "test_fault_injection.moc"
