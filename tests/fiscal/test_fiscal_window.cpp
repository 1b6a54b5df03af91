// The fiscal window against the built-in emulated printers of both models: recording a sale
// into a command macro file and playing it back in a loop, the refusals of bad macro files,
// the recording's failures, the lamp, and the programming lists read before document windows.
#include "core/working_folder.h"
#include "fiscal/fiscal.h"
#include "fiscal/fiscal_fixture.h"
#include "fiscal/macro_file.h"
#include "link/macro_line.h"
#include "support/scripted_file_dialogs.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

using namespace fiscal_fixture;

namespace {

const QString Incompatible =
    QStringLiteral("O arquivo especificado é incompatível\r\ncom a impressora em uso!\r\n");
constexpr int PlaybackTimeoutMs = 30000;

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(data), data.size());
}

QList<QByteArray> escFrames(uint model) {
    QList<QByteArray> sent;
    for (const QByteArray &f : frames(model))
        if (f.startsWith('\x1B'))
            sent << f;
    return sent;
}

uint8_t readingXCommand(uint model) {
    return model == ModelA ? 0xCF : 0xFA;
}

// The command byte that opens a credit/debit voucher.
uint8_t voucherCommand(uint model) {
    return model == ModelA ? 0xDB : 0xD5;
}

} // namespace

class TestFiscalWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ScriptedFileDialogs> dialogs;
    std::unique_ptr<QWidget> main;
    std::unique_ptr<TfmFiscal> fiscal;

    CommandSet &commands() { return *commandSetFor(toolState().ModelCode); }
    QPushButton *button(const char *name) { return control<QPushButton>(fiscal.get(), name); }
    QLineEdit *loop() { return control<QLineEdit>(fiscal.get(), "edLoop"); }
    QColor led() {
        return control<QWidget>(fiscal.get(), "ledREC")->property("color").value<QColor>();
    }
    QTimer *ledTimer() { return fiscal->findChild<QTimer *>(QStringLiteral("TimerLEDREC")); }
    QString path(const char *name) { return dir->filePath(QLatin1String(name)); }
    bool atRest() {
        return button("btMacroRec")->isEnabled() && button("btMacroPlay")->isEnabled() &&
               !button("btMacroStop")->isEnabled() && !button("btMacroPause")->isEnabled();
    }

    // A coupon opened with the window's button, two items (2 x 5,00 + 1 x 3,00), totalized,
    // paid with the card, closed; then the card's credit/debit voucher on that coupon.
    void sale(uint model) {
        click(fiscal.get(), "btAbreCF");
        CommandSet &c = commands();
        QVERIFY(c.SellItem(item("001", "0000005000", "00002000")));
        QVERIFY(c.SellItem(item("002", "0000003000", "00001000")));
        TotalRecord total = plainTotal();
        QVERIFY(c.Totalize(total));
        PaymentRecord paid = payment(linkedCode(model, 0), 1300);
        QVERIFY(c.RegisterPayment(paid));
        QVERIFY(c.CloseCoupon("Obrigado"));
        LinkedVoucherRecord voucher;
        std::memset(&voucher, 0, sizeof voucher);
        put(voucher.method, linkedCode(model, 0), '\0');
        std::memcpy(voucher.coo, toolState().CurrentCOO.get().toLatin1().constData(), 6);
        std::memcpy(voucher.amount, amount12(1300).constData(), 12);
        voucher.linkedTotalizer = 'A';
        char coo[6];
        QVERIFY(c.OpenVoucher(voucher, coo));
        QVERIFY(c.PrintReportLines("Cartao 1234"));
        QVERIFY(c.CloseReport());
    }

    // Shown, the window reads the programming lists; the printer's frames are cleared after it.
    void showWindow() {
        fiscal->show();
        QCoreApplication::processEvents();
        if (toolState().PrinterPresent)
            fixture::printer(toolState().ModelCode)->clearReceivedFrames();
    }

    void play(const QString &file) {
        dialogs->answer(file);
        click(fiscal.get(), "btMacroPlay");
    }
    void waitForPlaybackEnd() {
        QTRY_VERIFY_WITH_TIMEOUT(atRest() && toolState().RecordingState == RecordingOff,
                                 PlaybackTimeoutMs);
    }

private slots:
    void init() {
        fixture::freshPrinters();
        invalidateConfigurationCache();
        dir = std::make_unique<QTemporaryDir>();
        WorkingFolder::set(dir->path());
        messages = std::make_unique<RecordingMessages>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
        main = std::make_unique<QWidget>();
        main->move(300, 300);
        main->show();
        fiscal = std::make_unique<TfmFiscal>(main.get());
    }
    void cleanup() {
        fiscal.reset();
        main.reset();
        fixture::disconnectPrinter();
        dialogs.reset();
        messages.reset();
    }

    // A sale recorded line by line as the printer accepted its frames, then played three times
    // on a fresh printer: three coupons and three vouchers, each voucher on its own coupon.
    void recordAndPlayBack_data() { modelRows(); }
    void recordAndPlayBack() {
        QFETCH(uint, model);
        QVERIFY(openDay(model));
        showWindow();
        QCOMPARE(fiscal->pos(), main->pos() + QPoint(-25, -35));
        QVERIFY(!main->isEnabled());
        const QString file = path("venda.b2k");
        dialogs->answer(file);
        click(fiscal.get(), "btMacroRec");
        QCOMPARE(dialogs->requests.value(0).title, QStringLiteral("Gravação de comandos"));
        QCOMPARE(dialogs->requests.value(0).filter, QStringLiteral("Arquivo de comandos (*.b2k)"));
        QCOMPARE(dialogs->requests.value(0).defaultSuffix, QStringLiteral("b2k"));
        QCOMPARE(dialogs->requests.value(0).folder, dir->filePath("b2k"));
        QCOMPARE(toolState().RecordingState.load(), int(RecordingOn));
        QVERIFY(!button("btMacroRec")->isEnabled() && !button("btMacroPlay")->isEnabled());
        QVERIFY(!button("btAutenticacao")->isEnabled() && button("btMacroStop")->hasFocus());
        sale(model);
        const QList<QByteArray> frames = escFrames(model);
        QCOMPARE(frames.size(), 9);
        click(fiscal.get(), "btMacroStop");
        QVERIFY(atRest());

        QByteArray expected = MacroFile::header(model);
        for (const QByteArray &f : frames)
            expected += macroLineFor(f);
        expected += MacroFile::Terminator;
        const QByteArray recorded = fileBytes(file);
        QCOMPARE(recorded, expected);
        QVERIFY(recorded.mid(MacroFile::HeaderSize).startsWith("[ESC][200]\r\n"));
        QVERIFY(recorded.contains(QByteArray("\r\n[ESC][") +
                                  QByteArray::number(voucherCommand(model)) + ']'));

        // A fresh printer whose document numbers run ahead of the recorded ones.
        printerLink().ClosePort();
        EmulatedPorts::replacePrinters();
        QVERIFY(openDay(model, 2));
        const int start = fixture::printer(model)->documentCounter();
        QSignalSpy shown(loop(), &QLineEdit::textChanged);
        loop()->setText(QStringLiteral("3"));
        shown.clear();
        play(file);
        QCOMPARE(toolState().RecordingState.load(), int(RecordingPlayback));
        QVERIFY(!button("btMacroRec")->isEnabled() && !button("btMacroPlay")->isEnabled());
        QVERIFY(button("btMacroStop")->isEnabled());
        waitForPlaybackEnd();
        QCOMPARE(messages->texts(), QStringList());
        QStringList counts;
        for (const QList<QVariant> &change : shown)
            counts << change.value(0).toString();
        // 2 and 1 after the first two passes; 0 after the last, which the field's own rule
        // (connected first, so its "1" is seen before the "0") turns into 1.
        QCOMPARE(counts, QStringList({"2", "1", "1", "0"}));
        QCOMPARE(loop()->text(), QStringLiteral("1"));

        const auto printer = fixture::printer(model);
        QCOMPARE(printer->documentCounter(), start + 6);
        QCOMPARE(printer->document().kind, emu::DocumentKind::None);
        QCOMPARE(toolState().CurrentCOO.get(), QString::fromLatin1(cooText(start + 6)));
        QList<QByteArray> vouchers;
        for (const QByteArray &f : escFrames(model))
            if (uint8_t(f[1]) == voucherCommand(model))
                vouchers << f.mid(4, 6);
        QCOMPARE(vouchers,
                 QList<QByteArray>({cooText(start + 1), cooText(start + 3), cooText(start + 5)}));
        QVERIFY(toolState().ViewerFeed);
    }

    // The other model's file is refused by its header; a line that cannot be sent whole stops
    // the playback there, with a message, and nothing of it is sent.
    void refusedFiles_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("framesSent");
        const QByteArray open = "[ESC][200]\r\n";
        for (uint model : {uint(ModelA), uint(ModelB)}) {
            const char *name = model == ModelA ? "MV210" : "MV4700";
            const uint other = model == ModelA ? uint(ModelB) : uint(ModelA);
            QTest::addRow("%s other model", name)
                << model << MacroFile::header(other) + open << Incompatible << 0;
            QTest::addRow("%s too long", name)
                << model << MacroFile::header(model) + open + QByteArray(3000, 'A') + "\r\n"
                << QStringLiteral("A linha 3 do arquivo de comandos é longa demais para ser "
                                  "enviada à impressora.\r\nNada dessa linha foi enviado e a "
                                  "execução foi interrompida.")
                << 1;
            QTest::addRow("%s no CR", name)
                << model << MacroFile::header(model) + "[ESC][200]"
                << QStringLiteral("A linha 2 do arquivo de comandos está incompleta (falta o fim "
                                  "de linha).\r\nNada dessa linha foi enviado e a execução foi "
                                  "interrompida.")
                << 0;
        }
    }
    void refusedFiles() {
        QFETCH(uint, model);
        QFETCH(QByteArray, data);
        QFETCH(QString, message);
        QFETCH(int, framesSent);
        QVERIFY(openDay(model));
        showWindow();
        writeFile(path("macro.b2k"), data);
        play(path("macro.b2k"));
        waitForPlaybackEnd();
        QCOMPARE(messages->texts(), QStringList{message});
        QCOMPARE(messages->shown().value(0).caption, QStringLiteral("Erro"));
        QCOMPARE(escFrames(model).size(), framesSent);
    }

    // A refused frame shows the printer's error and asks whether to go on; a printer that
    // stays silent through the retries ends the playback, and the user is told.
    void refusedFrames_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<int>("framesSent");
        for (uint model : {uint(ModelA), uint(ModelB)}) {
            const char *name = model == ModelA ? "MV210" : "MV4700";
            QTest::addRow("%s go on", name) << model << false << MessageAnswer::Yes << 2;
            QTest::addRow("%s stop", name) << model << false << MessageAnswer::No << 1;
            QTest::addRow("%s silent", name) << model << true << MessageAnswer::No << 1;
        }
    }
    void refusedFrames() {
        QFETCH(uint, model);
        QFETCH(bool, silent);
        QFETCH(MessageAnswer, answer);
        QFETCH(int, framesSent);
        QVERIFY(openDay(model));
        showWindow();
        const auto printer = fixture::printer(model);
        writeFile(path("m.b2k"), MacroFile::header(model) + "[ESC][200]\r\n[ESC][200]\r\n");
        if (silent)
            printer->setSilent(true);
        else
            printer->failNextWith("10");
        messages->scriptAnswer(MessageAnswer::Ok);
        messages->scriptAnswer(answer);
        play(path("m.b2k"));
        waitForPlaybackEnd();
        QCOMPARE(printer->receivedFrames().size(), framesSent);
        if (silent) {
            QCOMPARE(messages->texts(), QStringList{QStringLiteral(
                                            "A impressora não respondeu.\r\nO envio da seqüência "
                                            "de comandos foi interrompido.")});
            return;
        }
        QCOMPARE(messages->count(), 2);
        QVERIFY(messages->texts()[0].startsWith(QStringLiteral("ERRO: 10")));
        QCOMPARE(messages->texts()[1], QStringLiteral("Deseja continuar?"));
        QCOMPARE(messages->shown()[1].caption, QStringLiteral("Erro"));
        QCOMPARE(messages->shown()[1].buttons, MessageButtons::YesNo);
        QCOMPARE(printer->document().kind, answer == MessageAnswer::Yes ? emu::DocumentKind::Coupon
                                                                        : emu::DocumentKind::None);
    }

    // Stop while the printer is still printing a played Leitura X: the playback ends once the
    // idle wait returns, before the next frame; the lamp blinks green until then.
    void stopDuringIdleWait_data() { modelRows(); }
    void stopDuringIdleWait() {
        QFETCH(uint, model);
        QVERIFY(fixture::connectPrinter(model));
        const auto printer = fixture::printer(model);
        printer->setPrintTimeMs(1500);
        const QByteArray data = MacroFile::header(model) + "[ESC][" +
                                QByteArray::number(readingXCommand(model)) + "]\r\n" +
                                "[ESC][200]\r\n" + MacroFile::Terminator;
        writeFile(path("lx.b2k"), data);
        showWindow();
        play(path("lx.b2k"));
        QTRY_VERIFY(printer->receivedFrames().size() >= 2 &&
                    printer->receivedFrames().last().startsWith('\x1D'));
        QVERIFY(!toolState().ViewerFeed); // no idle polls in the traffic viewer
        QTRY_COMPARE(led(), QColor(0, 128, 0));
        QCOMPARE(ledTimer()->interval(), 250);
        click(fiscal.get(), "btMacroStop");
        QVERIFY(!button("btMacroRec")->isEnabled() && !button("btMacroPlay")->isEnabled());
        QCOMPARE(led(), QColor(Qt::white));
        waitForPlaybackEnd();
        QVERIFY(!ledTimer()->isActive() && toolState().ViewerFeed);
        QCOMPARE(escFrames(model),
                 QList<QByteArray>{QByteArray("\x1B") + char(readingXCommand(model))});
    }

    // "Nº. Exec." holds 1 to 199; the window opens at rest with one pass.
    void passes_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        const std::pair<const char *, const char *> rows[] = {
            {"0", "1"}, {"250", "199"}, {"abc", "1"}, {"-3", "1"}, {"42", "42"}};
        for (const auto &[typed, shown] : rows)
            QTest::newRow(typed) << QString::fromLatin1(typed) << QString::fromLatin1(shown);
    }
    void passes() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QCOMPARE(loop()->text(), QStringLiteral("1"));
        QVERIFY(atRest() && !ledTimer()->isActive() && ledTimer()->interval() == 250);
        loop()->setText(typed);
        QCOMPARE(loop()->text(), shown);
    }

    // Recording with and without pause, and "Sair" while recording.
    void recordingEnds_data() {
        QTest::addColumn<bool>("pause");
        QTest::addColumn<bool>("bySair");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<bool>("terminated");
        QTest::newRow("stop") << false << false << MessageAnswer::Ok << true;
        QTest::newRow("paused stop") << true << false << MessageAnswer::Ok << false;
        QTest::newRow("sair ok") << false << true << MessageAnswer::Ok << true;
        QTest::newRow("sair cancel") << false << true << MessageAnswer::Cancel << true;
    }
    void recordingEnds() {
        QFETCH(bool, pause);
        QFETCH(bool, bySair);
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, terminated);
        QVERIFY(openDay(ModelB));
        showWindow();
        dialogs->answer(path("r.b2k"));
        click(fiscal.get(), "btMacroRec");
        QTRY_COMPARE(led(), QColor(255, 0, 0));
        if (pause) {
            click(fiscal.get(), "btMacroPause");
            QCOMPARE(toolState().RecordingState.load(), int(RecordingPaused));
            QCOMPARE(ledTimer()->interval(), 750);
            QTRY_COMPARE(led(), QColor(242, 176, 77));
            click(fiscal.get(), "btAbreCF"); // not recorded while paused
        }
        if (bySair) {
            messages->scriptAnswer(answer);
            click(fiscal.get(), "btSair");
            QCOMPARE(messages->texts(), QStringList{"A gravação será interrompida!"});
            QCOMPARE(messages->shown()[0].caption, QStringLiteral("Aviso"));
            QCOMPARE(fiscal->isVisible(), answer == MessageAnswer::Cancel);
            if (answer == MessageAnswer::Cancel) {
                QCOMPARE(toolState().RecordingState.load(), int(RecordingOn));
                fiscal->hide(); // hiding always stops
            }
            QVERIFY(main->isEnabled());
        } else {
            click(fiscal.get(), "btMacroStop");
        }
        QVERIFY(atRest() && !ledTimer()->isActive());
        QCOMPARE(led(), QColor(Qt::white));
        QCOMPARE(toolState().RecordingState.load(), int(RecordingOff));
        QCOMPARE(fileBytes(path("r.b2k")),
                 MacroFile::header(ModelB) + (terminated ? MacroFile::Terminator : QByteArray()));
    }

    // A macro file that cannot be created or written is reported, and no recording is claimed.
    void recordingFileFails_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("start");
        QTest::newRow("no such folder") << "nowhere/x.b2k"
                                        << "Não foi possível criar";
        QTest::newRow("disk full") << "/dev/full"
                                   << "Não foi possível criar";
        QTest::newRow("write fails later") << "later.b2k"
                                           << "Erro ao gravar";
    }
    void recordingFileFails() {
        QFETCH(QString, file);
        QFETCH(QString, start);
        QVERIFY(openDay(ModelB));
        showWindow();
        const QString name = file.startsWith('/') ? file : path(qPrintable(file));
        dialogs->answer(name);
        const bool later = start == QLatin1String("Erro ao gravar");
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        if (later) {
            // The file may grow by the header and one short line only.
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = saved;
            small.rlim_cur = 30;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        click(fiscal.get(), "btMacroRec");
        if (later) {
            QCOMPARE(toolState().RecordingState.load(), int(RecordingOn));
            click(fiscal.get(), "btAbreCF");
            QVERIFY(commands().SellItem(item("001", "0000005000", "00002000")));
            QTRY_VERIFY(messages->count() > 0);
            setrlimit(RLIMIT_FSIZE, &saved);
            QCOMPARE(fileBytes(name), MacroFile::header(ModelB) + "[ESC][200]\r\n");
        }
        QCOMPARE(messages->count(), 1);
        QVERIFY2(messages->texts()[0].startsWith(start), qPrintable(messages->texts()[0]));
        QCOMPARE(messages->shown()[0].caption, QStringLiteral("Erro"));
        QCOMPARE(toolState().RecordingState.load(), int(RecordingOff));
        QVERIFY(atRest() && !ledTimer()->isActive());
    }

    // Without a printer the window's own printer actions only say so.
    void noPrinter_data() {
        QTest::addColumn<QString>("buttonName");
        QTest::newRow("btAbreCF") << "btAbreCF";
        QTest::newRow("btLX") << "btLX";
        QTest::newRow("btMacroPlay") << "btMacroPlay";
    }
    void noPrinter() {
        QFETCH(QString, buttonName);
        showWindow();
        click(fiscal.get(), qPrintable(buttonName));
        QCOMPARE(messages->texts(), QStringList{NoPrinter});
        QVERIFY(dialogs->requests.isEmpty());
    }

    // The Leitura X button: the reading, then idle polls; the buttons come back afterwards.
    void readingX_data() { modelRows(); }
    void readingX() {
        QFETCH(uint, model);
        QVERIFY(fixture::connectPrinter(model));
        fixture::printer(model)->setPrintTimeMs(100);
        showWindow();
        click(fiscal.get(), "btLX");
        const QList<QByteArray> frames = fixture::printer(model)->receivedFrames();
        QCOMPARE(frames.value(0), QByteArray("\x1B") + char(readingXCommand(model)));
        QVERIFY(frames.last().startsWith('\x1D'));
        QVERIFY(button("btLX")->isEnabled() && button("btSair")->isEnabled());
        QVERIFY(!fixture::printer(model)->printing());
    }

    // The lists are read on show; a document window that needs them reads them again only
    // when the cached configuration has been invalidated, paused out of a recording; a failed
    // reading is reported and the window opens all the same.
    void documentWindows_data() { modelRows(); }
    void documentWindows() {
        QFETCH(uint, model);
        QVERIFY(openDay(model));
        QWidget sale, closing;
        fiscal->setDocumentWindow("btVendeItem", &sale, true);
        fiscal->setDocumentWindow("btFechamento", &closing, false);
        showWindow();
        QTRY_COMPARE(fiscal->programmingLists().icms.codes.value(3), QByteArray("TA"));
        const auto printer = fixture::printer(model);
        printer->clearReceivedFrames();
        click(fiscal.get(), "btVendeItem");
        QVERIFY(sale.isVisible());
        QCOMPARE(printer->receivedFrames(), QList<QByteArray>{}); // the cache is still valid
        sale.hide();

        dialogs->answer(path("r.b2k"));
        click(fiscal.get(), "btMacroRec");
        invalidateConfigurationCache();
        click(fiscal.get(), "btFechamento");
        QVERIFY(closing.isVisible());
        QCOMPARE(printer->receivedFrames(), QList<QByteArray>{});
        click(fiscal.get(), "btVendeItem");
        QVERIFY(!printer->receivedFrames().isEmpty());
        QCOMPARE(toolState().RecordingState.load(), int(RecordingOn));
        click(fiscal.get(), "btMacroStop");
        QCOMPARE(fileBytes(path("r.b2k")), MacroFile::header(model) + MacroFile::Terminator);
        QCOMPARE(messages->count(), 0);

        sale.hide();
        invalidateConfigurationCache();
        printer->setSilent(true);
        click(fiscal.get(), "btVendeItem");
        QVERIFY(messages->texts().contains(QStringLiteral("Erro ao ler programação da IF!")));
        QVERIFY(sale.isVisible());
    }
};

QTEST_MAIN(TestFiscalWindow)
#include "test_fiscal_window.moc"
