// The long flows under line and printer faults, injected at every step: the printer falls
// silent, answers an error, is switched off (CTS drops with it), or the line garbles or cuts an
// answer. Whatever the step, the flow returns within its time-outs (shortened through the
// clock), a failure is told to the user, and the files it writes are whole or untouched. The
// flows that write a file over an earlier one also meet a full disk, a read-only file and a
// read-only folder: the earlier file is then kept byte for byte, and the user told.
//
// A step is the n-th frame the tool sends (the printer's faults) or the n-th piece of an answer
// the printer sends (the line's faults: noise, a loose cable), armed as the emulator's faults on
// demand.
#include "app/main_window.h"
#include "core/working_folder.h"
#include "fiscal/item_entry.h"
#include "fiscal/macro_file.h"
#include "fiscal/macro_player.h"
#include "fiscal/payment_entry.h"
#include "fiscal/thread_autenticacao.h"
#include "link/erros.h"
#include "maintenance/gravausr.h"
#include "maintenance/intervention.h"
#include "maintenance/usr_file.h"
#include "peripherals/cheque_run.h"
#include "programming/c2k_file.h"
#include "programming/prglote.h"
#include "programming/send_data_run.h"
#include "programming/tables.h"
#include "reports/fiscal_memory.h"
#include "support/recording_messages.h"
#include "support/reliability_nobody.h"
#include "support/scripted_file_dialogs.h"
#include "support/test_main.h"
#include "support/window_driver.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace {

// clang-format off
enum class Fault { Silent, PowerOff, ErrorCode,              // at a frame
                   Garbage, Truncated, PowerOffAfterAnswer,  // at an answer
                   DiskFull, ReadOnlyFile, ReadOnlyFolder }; // in the way of the file written
enum class Flow { SendData, FiscalMemory, UserRecord, Intervention, ReductionZ, Cheque, Macro,
                  AuthA, AuthB, EditDataSave, UserSave };
// clang-format on

const QByteArray Earlier = "conteúdo anterior que não pode se perder";

// One fault planned at one step, through the emulated printer's own faults on demand; the
// printer counts the steps.
struct Plan {
    Fault fault = Fault::Silent;
    QByteArray code = "16";
    std::shared_ptr<emu::Printer> printer;
    int frames = 0, answers = 0; // the printer's counts when the plan was made
    bool onTheLine() const { return fault >= Fault::Garbage; }
    void reset(Fault f, int step) {
        fault = f;
        frames = printer->framesTaken();
        answers = printer->answersSent();
        if (step > 0)
            printer->injectFault({emu::Fault::Kind(f), step, code});
    }
    int steps() const {
        return onTheLine() ? printer->answersSent() - answers : printer->framesTaken() - frames;
    }
};

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

// A configuration with two rates, a payment method, a totalizer, options and a header.
QByteArray sampleC2k(uint32_t model) {
    ProgrammingTables t;
    clearAll(t, model, 1.20);
    t.taxRates[0].rate = QStringLiteral("18,00%");
    t.taxRates[1].rate = QStringLiteral("05,00%");
    t.taxRates[1].iss = QStringLiteral("    S");
    t.payments[1].description = QStringLiteral("Cheque");
    t.totalizers[0].name = QStringLiteral("Sangria");
    rebuildOptionsBlock(t.options, t.controls, model, 1.20);
    t.header = "<N>LOJA MODELO</N>\r\nRua das Flores, 100";
    return writeC2k(model, t);
}

} // namespace

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Flow)

class FaultInjectionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ScriptedFileDialogs> dialogs;
    Plan plan;
    QStringList shownOnWindow; // progress texts of the check run
    QString target;            // the file the flow writes, holding Earlier before the run
    QByteArray macro;          // a coupon, recorded on a clean line
    MacroPlayer::End macroEnd = MacroPlayer::End::Done;
    bool goOn = true;          // the answer to "Deseja continuar?"
    bool endedByItself = true; // the authentication, without "Cancelar"
    qint64 abortMs = 0;        // from "Cancelar" to the end of the authentication

    static uint modelOf(Flow f) {
        const QList<Flow> modelA{Flow::UserRecord, Flow::AuthA, Flow::EditDataSave, Flow::UserSave};
        return modelA.contains(f) ? ModelA : ModelB;
    }
    static bool stamping(Flow flow) { return flow == Flow::AuthA || flow == Flow::AuthB; }

    // A fresh printer of the flow's model on a faulty line, the user's answers scripted.
    // The macro and the authentications start from a coupon sold, paid and closed.
    void prepare(Flow flow) {
        printerLink().ClosePort();
        fixture::freshPrinters(0.001);
        invalidateConfigurationCache();
        const uint model = modelOf(flow);
        auto p = fixture::printer(model);
        p->setMaintenanceJumper(!stamping(flow) && flow != Flow::Macro);
        p->setPrintTimeMs(20);
        p->setCheckPrintTimeMs(20);
        plan.printer = p;
        QVERIFY(fixture::identifyPrinter(model, model == ModelA ? "21000123" : "47000456", "1.20"));
        messages.reset(); // the old recorders go before the new ones come
        dialogs.reset();
        messages = std::make_unique<RecordingMessages>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
        shownOnWindow.clear();
        dir = std::make_unique<QTemporaryDir>();
        WorkingFolder::set(dir->path());
        const QHash<Flow, QString> targets = {
            {Flow::SendData, serialCopyName(model, "47000456")},
            {Flow::FiscalMemory, "leitura.txt"},
            {Flow::UserRecord, UserFile::serialCopyName("21000123")},
            {Flow::EditDataSave, "loja.c2k"},
            {Flow::UserSave, "loja.usr"}};
        target = targets.contains(flow) ? dir->filePath(targets[flow]) : QString();
        writeFile(target, Earlier);
        writeFile(dir->filePath("o.c2k"), sampleC2k(model)); // what Send Data sends
        plan.reset(Fault::Silent, 0);
        if (flow != Flow::Macro && !stamping(flow))
            return;
        CommandSet &c = *commandSetFor(model);
        const ItemEntry::Sale sale{.code = "7891000100103",
                                   .description = "Produto",
                                   .price = "000001000",
                                   .taxCode = "TA",
                                   .quantity = "00001",
                                   .unit = {},
                                   .adjustment = {}};
        ItemRecord item = ItemEntry::saleRecord(sale);
        TotalRecord total = ItemEntry::totalRecord('N', false, {});
        PaymentRecord cash = PaymentEntry::paymentRecord(model == ModelB ? "01" : "A", "1000", {});
        char coo[6];
        QVERIFY(c.ProgramTaxRate({0, {'1', '8', '0', '0'}}) && c.ReadingX() && c.WaitPrinterIdle());
        macro = MacroFile::header(model);
        printerLink().setMacroSink([this](const QByteArray &line) { macro += line; });
        toolState().RecordingState = RecordingOn;
        QVERIFY(c.OpenCoupon(coo) && c.SellItem(item) && c.Totalize(total) &&
                c.RegisterPayment(cash) && c.CloseCoupon("Volte sempre"));
        toolState().RecordingState = RecordingOff;
        printerLink().setMacroSink({});
        macro += MacroFile::Terminator;
    }

    // Runs the flow as the user starts it; true when it reports success.
    bool run(Flow flow) {
        const uint model = modelOf(flow);
        CommandSet &commands = *commandSetFor(model);
        const auto p = fixture::printer(model);
        QElapsedTimer waiting;
        waiting.start();
        TfmMain main(dir->path());
        switch (flow) {
        case Flow::SendData: {
            const SendDataRequest r{.model = model,
                                    .printerPresent = true,
                                    .serial = "47000456",
                                    .configurationPath = dir->filePath("o.c2k"),
                                    .ecfNumber = "0042",
                                    .sendBankTable = true,
                                    .bankTablePath = BANK_TABLE_SAMPLE,
                                    .workingFolder = dir->path()};
            QuietView view;
            return runSendData(r, &commands, printerLink(), view).completed;
        }
        case Flow::FiscalMemory:
            dialogs->answer(target);
            return FiscalMemory::read(commands, "000001", "009999", 's').outcome ==
                   FiscalMemory::Outcome::Saved;
        case Flow::EditDataSave: {
            TfmPrgLote window(&main);
            WindowDriver(&window).show();
            dialogs->answer(target);
            WindowDriver(&window).press("btSalvar");
            return messages->count() == 0;
        }
        case Flow::UserRecord:
        case Flow::UserSave: {
            TfmGravaUSR window(&main);
            WindowDriver user(&window);
            user.show();
            user.setText("meCNPJ", QStringLiteral("11.222.333/0001-81"));
            user.setText("edIE", QStringLiteral("ISENTO"));
            user.setText("edIM", QStringLiteral("123"));
            user.check("cbGeraUSR", flow == Flow::UserRecord);
            dialogs->answer(target);
            user.press(flow == Flow::UserRecord ? "btContGrava" : "btSalvar");
            return flow == Flow::UserSave ? messages->count() == 0
                                          : messages->texts().contains("Usuário gravado!");
        }
        case Flow::Intervention: {
            ClicheRecord cliche{};
            std::memcpy(cliche.text, "LOJA\r\n\xFF", cliche.length = 7);
            return Intervention::run(commands, {true, false, "0007"}, cliche);
        }
        case Flow::ReductionZ:
            return commands.ReductionZ();
        case Flow::Cheque: {
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
            return ChequeRun(printerLink(), hooks).run(true, "000000012345") ==
                   ChequeRun::End::Done;
        }
        case Flow::Macro: {
            // The first refusal gets the scripted answer after the error box, a later one No.
            messages->scriptAnswer(MessageAnswer::Ok);
            messages->scriptAnswer(goOn ? MessageAnswer::Yes : MessageAnswer::No);
            MacroPlayer::Hooks hooks;
            hooks.refused = [](const QByteArray &a) {
                return MacroPlayer::askAfterRefusal(ModelB, a);
            };
            macroEnd = MacroPlayer(printerLink(), &commands, model, hooks).play(macro, 1);
            return macroEnd == MacroPlayer::End::Done;
        }
        case Flow::AuthA:
        case Flow::AuthB: {
            // The operator puts the slip in once the printer waits for it, and presses
            // "Cancelar" when nothing has happened for a moment.
            ThreadAutenticacao thread(commands, "AUTENTICADO 123", model == ModelB ? 1 : 0);
            thread.start();
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

    // The file the flow writes: whole (a complete .c2k, .usr or fiscal memory text) or exactly
    // as it was, never a temporary file left beside it; "none" for the flows that write none.
    QString checkFile(bool succeeded) {
        if (target.isEmpty())
            return QStringLiteral("none");
        for (const QString &name : QDir(dir->path()).entryList(QDir::Files | QDir::Hidden))
            if (!QRegularExpression("\\.(c2k|usr|txt)$").match(name).hasMatch())
                return "BAD stray " + name;
        const QByteArray after = fileBytes(target);
        if (after == Earlier) // a reading the printer broke off never replaces the earlier file
            return succeeded && !target.endsWith("txt") ? "BAD not written" : "kept";
        const bool whole = target.endsWith("c2k")   ? inspectC2k(after).complete
                           : target.endsWith("usr") ? after.size() == UserFile::Size
                                                    : true;
        return succeeded && whole ? QStringLiteral("written") : QStringLiteral("BAD partial");
    }

    // A full disk (the process may write no further than past the earlier file's size), or a
    // read-only file or folder for a user other than root, in the way of the flow's file.
    void writeInTheWay(Flow flow, Fault fault) {
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        if (fault == Fault::DiskFull) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit full = saved;
            full.rlim_cur = Earlier.size() + 10;
            setrlimit(RLIMIT_FSIZE, &full);
        }
        std::unique_ptr<AsUserNobody> nobody;
        if (fault != Fault::DiskFull) {
            const auto read = QFile::ReadOwner | QFile::ReadGroup;
            const auto write = QFile::WriteOwner | QFile::WriteGroup;
            const auto enter = read | QFile::ExeOwner | QFile::ExeGroup;
            const bool file = fault == Fault::ReadOnlyFile;
            QVERIFY(QFile::setPermissions(dir->path(), file ? enter | write : enter));
            for (const QString &name : QDir(dir->path()).entryList(QDir::Files))
                QVERIFY(QFile::setPermissions(dir->filePath(name), file ? read : read | write));
            nobody = std::make_unique<AsUserNobody>();
            if (!nobody->holds())
                QSKIP("Run as root with no way to act as another user.");
        }
        goOn = true;
        run(flow); // the serial-numbered copies come after the printer's work, which succeeds
        nobody.reset();
        setrlimit(RLIMIT_FSIZE, &saved);
        QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(checkFile(false), QStringLiteral("kept"));
        const QStringList told = messages->texts().filter("Não foi possível gravar o arquivo");
        QVERIFY2(told.size() == 1, qPrintable(messages->texts().join(" | ")));
        QVERIFY(told[0].contains(target));
        QCOMPARE(messages->shown()[messages->texts().indexOf(told[0])].caption,
                 QStringLiteral("Erro"));
    }

private slots:
    void cleanup() {
        printerLink().ClosePort();
        dialogs.reset();
        messages.reset();
        fixture::disconnectPrinter();
    }

    void faultAtEveryStep_data() {
        QTest::addColumn<Flow>("flow");
        QTest::addColumn<Fault>("fault");
        // clang-format off
        const char *const flows[] = {"Send Data", "fiscal memory", "user record", "intervention",
                                     "Reducao Z", "check", "macro playback", "authentication MV210",
                                     "authentication MV4700", "Edit Data save", "user record save"};
        const char *const faults[] = {"silent", "switched off", "error code", "garbage",
                                      "cut answer", "switched off after an answer", "disk full",
                                      "read-only file", "read-only folder"};
        // clang-format on
        for (int flow = 0; flow < 11; ++flow)
            for (int fault = 0; fault < 9; ++fault)
                if ((fault < 6 && flow < 9) || (fault >= 6 && QList{0, 2, 9, 10}.contains(flow)))
                    QTest::addRow("%s, %s", flows[flow], faults[fault])
                        << Flow(flow) << Fault(fault);
    }
    void faultAtEveryStep() {
        QFETCH(Flow, flow);
        QFETCH(Fault, fault);
        // A clean run first: it succeeds, writes its file whole, and tells how many steps the
        // flow has.
        prepare(flow);
        plan.reset(fault, 0);
        QVERIFY2(run(flow), qPrintable(messages->texts().join(" | ")));
        QCOMPARE(checkFile(true), target.isEmpty() ? "none" : "written");
        const int steps = plan.steps();
        QVERIFY(steps > 0 || fault >= Fault::DiskFull);
        if (fault >= Fault::DiskFull) {
            prepare(flow);
            return writeInTheWay(flow, fault);
        }
        for (int step = 1; step <= steps; ++step) {
            prepare(flow);
            plan.reset(fault, step);
            goOn = step % 2 == 1;
            QElapsedTimer elapsed;
            elapsed.start();
            const bool succeeded = run(flow);
            const qint64 ms = elapsed.elapsed();
            const QString file = checkFile(succeeded);
            const QStringList texts = messages->texts();
            const auto asked = texts.count(QStringLiteral("Deseja continuar?"));
            const QByteArray line =
                QString::asprintf("step %d/%d, %lld ms, file ", step, steps, ms).toUtf8() +
                (file + ": " + texts.join('|') + shownOnWindow.join('>')).toUtf8();
            QVERIFY2(ms < 15000, line); // every wait is a few milliseconds here
            QVERIFY2(!file.startsWith("BAD"), line);
            // A failure is never silent. By design: the check run waits for the operator, its
            // window showing what it waits for; a macro whose printer stopped answering ends
            // without a message of its own; a cancelled authentication needs none.
            const bool quietByDesign =
                (flow == Flow::Macro && macroEnd != MacroPlayer::End::Declined) ||
                (stamping(flow) && !endedByItself) || flow == Flow::Cheque;
            QVERIFY2(succeeded || quietByDesign || !texts.isEmpty(), line);
            QVERIFY2(flow != Flow::Cheque || succeeded || !shownOnWindow.isEmpty(), line);
            if (flow == Flow::Macro) {
                // Within the retries: one 6000 ms wait and three of 1000 + 100 ms, scaled.
                QVERIFY2(ms < Clock::scaled(6000 + 3 * 1100) + 2000, line);
                // Every refusal shows the error, then the question; No ends the playback there,
                // Yes plays on (to the end, or to a later refusal).
                QVERIFY2(texts.size() == 2 * asked, line);
                const bool declined = asked > 0 && (!goOn || asked > 1);
                QVERIFY2((macroEnd == MacroPlayer::End::Declined) == declined, line);
                QVERIFY2(macroEnd != MacroPlayer::End::BadLine, line);
            }
            if (stamping(flow)) { // unanswered, it ends only through "Cancelar", and at once
                const bool unanswered = fault == Fault::Silent || fault == Fault::PowerOff;
                QVERIFY2(endedByItself != unanswered && abortMs < 1000, line);
            }
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
        prepare(model == ModelB ? Flow::ReductionZ : Flow::UserRecord);
        for (int i = 0; i < size; ++i) {
            messages->clear();
            plan.code = table[i].code;
            plan.reset(Fault::ErrorCode, 1);
            QVERIFY2(!commandSetFor(model)->ReductionZ(), table[i].code);
            const auto code = reinterpret_cast<const uint8_t *>(table[i].code);
            QCOMPARE(messages->texts(), QStringList{errorMessageText(table, size, code)});
        }
        plan.code = "16";
    }
};

TOOL_TEST_CLASS(FaultInjectionTest)
#include "test_fault_injection.moc"
