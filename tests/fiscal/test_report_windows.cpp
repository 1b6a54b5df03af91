// The management report, credit/debit voucher and authentication windows against the built-in
// emulated printers of both models. Documents are set up through the command set directly, as
// the other document windows would leave them. Protocol durations are shortened through the
// clock.
#include "fiscal/autenticacao.h"
#include "fiscal/ccd.h"
#include "fiscal/fiscal_fixture.h"
#include "fiscal/programming_lists.h"
#include "fiscal/rg.h"
#include "fiscal/thread_autenticacao.h"
#include "protocol/cmd4700.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>

using namespace fiscal_fixture;

namespace {

const char GS = 29;

// An authentication that clears its abort flag only some time after it has begun, as the
// printer command does when it starts its wait: an abort that comes in between is lost.
class LateWait : public Cmd4700 {
public:
    using Cmd4700::Cmd4700;
    Event entered;
    bool Authenticate(const char *, int, int) override {
        entered.set();
        QThread::msleep(50);
        aborted = false;
        while (!aborted)
            QThread::msleep(1);
        return true;
    }
    bool AbortAuthentication() override {
        aborted = true;
        return true;
    }

private:
    std::atomic<bool> aborted{false};
};

} // namespace

class TestReportWindows : public QObject {
    Q_OBJECT

    Desk desk;
    ProgrammingLists lists;
    uint model = ModelB;

    bool modelA() const { return model == ModelA; }
    std::shared_ptr<emu::Printer> emulated() { return printer(model); }
    int framesStartingWith(const QByteArray &start) {
        int n = 0;
        for (const QByteArray &f : frames(model))
            n += f.startsWith(start);
        return n;
    }
    QWidget *fiscal() { return desk.fiscal.get(); }
    QWidget *mainWindow() { return desk.main.get(); }
    RecordingMessages &messages() { return *desk.messages; }

    // The printer of model `m`, of a firmware that knows how to stop an authentication unless
    // told otherwise, its day open; the lists as the programming lists would show what
    // openDay programs (sorted by name).
    void prepareDay(uint m, const QByteArray &firmware = "1.22") {
        model = m;
        emulated()->setIdentity({"12345678", firmware, "0001"});
        QVERIFY(openDay(model));
        toolState().FirmwareVersionNumber = firmware.toDouble();
        lists.linkedPayments.add(QStringLiteral("Cartao"), linkedCode(model, 0));
        lists.linkedPayments.add(QStringLiteral("Ticket"), linkedCode(model, 1));
        if (modelA()) {
            lists.linkedTotalizerLetters = "AB";
        } else {
            lists.reports.add(QStringLiteral("Alfa"), "02");
            lists.reports.add(QStringLiteral("Zeta"), "01");
        }
    }

    // The enabled state of two buttons while the printer is still answering a click.
    QList<bool> enabledDuringClick(QWidget *window, const char *button, const char *a,
                                   const char *b) {
        // Shared with the timer, which would fire later if the click never waited.
        auto seen = std::make_shared<QList<bool>>();
        emulated()->setAnswerDelayMs(20);
        QTimer::singleShot(0, window, [=] {
            *seen = {control<QPushButton>(window, a)->isEnabled(),
                     control<QPushButton>(window, b)->isEnabled()};
        });
        click(window, button);
        emulated()->setAnswerDelayMs(0);
        return *seen;
    }

private slots:
    void init() {
        desk.start(0.05);
        lists = ProgrammingLists();
    }
    void cleanup() { desk.stop(); }

    // ---- Management report ----

    void managementReport_data() { modelRows(); }
    void managementReport() {
        QFETCH(uint, model);
        prepareDay(model);
        TfmRG window(fiscal(), mainWindow(), lists);
        window.show();
        QVERIFY(!fiscal()->isEnabled());
        QCOMPARE(window.pos(), mainWindow()->pos() + QPoint(10, 25));
        auto *list = control<QComboBox>(&window, "cbRG");
        QCOMPARE(list->isVisible(), !modelA());
        QCOMPARE(control<QLabel>(&window, "lbRG")->isVisible(), !modelA());
        if (!modelA()) {
            QCOMPARE(list->count(), 2);
            QCOMPARE(list->currentText(), QStringLiteral("Alfa"));
        }

        emulated()->clearReceivedFrames();
        click(&window, "btEmiteRG");
        const emu::DocumentView report = emulated()->document();
        QCOMPARE(report.kind, emu::DocumentKind::ManagementReport);
        // Model B: "Alfa" is the first name shown but the printer's report 02.
        const QByteArray opening = modelA() ? esc(0xD3) : esc(0xD2) + "02";
        QCOMPARE(frames(model).value(0), opening);
        QCOMPARE(report.slot, modelA() ? 0 : 1);
        QCOMPARE(toolState().CurrentCOO.get().toLatin1(), cooText(report.coo));
        // Model A waits for the printer to finish the opening: a status poll follows.
        QCOMPARE(framesStartingWith(QByteArray(1, GS)) > 0, modelA());
        QVERIFY(control<QPushButton>(&window, "btEmiteRG")->isEnabled());

        // Empty memo: nothing goes out.
        emulated()->clearReceivedFrames();
        click(&window, "btEnviarTexto");
        QVERIFY(frames(model).isEmpty());

        control<QPlainTextEdit>(&window, "memoTexto")->setPlainText("Linha 1\n\nLinha 3");
        const QList<bool> during =
            enabledDuringClick(&window, "btEnviarTexto", "btEmiteRG", "btEnviarTexto");
        QCOMPARE(during, QList<bool>({false, false}));
        QVERIFY(control<QPushButton>(&window, "btEmiteRG")->isEnabled());
        QVERIFY(control<QPushButton>(&window, "btEnviarTexto")->isEnabled());
        QCOMPARE(emulated()->document().lines.size(), 2);

        click(&window, "btLimpar");
        QVERIFY(control<QPlainTextEdit>(&window, "memoTexto")->toPlainText().isEmpty());
        click(&window, "btFinalizaRG");
        QCOMPARE(emulated()->document().kind, emu::DocumentKind::None);
        QCOMPARE(messages().count(), 0);
        click(&window, "btSair");
        QVERIFY(!window.isVisible());
        QVERIFY(fiscal()->isEnabled());
    }

    // Sending and closing need an identified printer; opening is sent regardless and a
    // printer that does not answer shows as a communication error.
    void reportWithoutPrinter() {
        prepareDay(ModelB);
        toolState().PrinterPresent = false;
        TfmRG window(fiscal(), mainWindow(), lists);
        window.show();
        control<QPlainTextEdit>(&window, "memoTexto")->setPlainText("Texto");
        emulated()->clearReceivedFrames();
        click(&window, "btEnviarTexto");
        click(&window, "btFinalizaRG");
        QCOMPARE(messages().texts(), QStringList({NoPrinter, NoPrinter}));
        QVERIFY(frames(model).isEmpty());
        click(&window, "btEmiteRG");
        QCOMPARE(emulated()->document().kind, emu::DocumentKind::ManagementReport);
    }

    // ---- Credit/debit voucher ----

    void creditDebitVoucher_data() { modelRows(); }
    void creditDebitVoucher() {
        QFETCH(uint, model);
        prepareDay(model);
        QVERIFY(paidCoupon(model, linkedCode(model, 1))); // "Ticket", the second method shown
        const QString couponCoo = toolState().CurrentCOO.get();

        TfmCCD window(fiscal(), mainWindow(), lists);
        window.show();
        QCOMPARE(window.pos(), mainWindow()->pos() + QPoint(10, -50));
        auto *tabs = control<QTabWidget>(&window, "PageControl");
        QCOMPARE(tabs->currentWidget(), control<QWidget>(&window, "tabEmissao"));
        QCOMPARE(tabs->isTabVisible(tabs->indexOf(control<QWidget>(&window, "tabOutros"))),
                 !modelA());
        QCOMPARE(control<QLineEdit>(&window, "meCOO")->text(), couponCoo);
        auto *methods = control<QComboBox>(&window, "cbFPV");
        QCOMPARE(methods->currentText(), QStringLiteral("Cartao"));
        methods->setCurrentIndex(1);
        type(&window, "meValor", "1000");

        emulated()->clearReceivedFrames();
        click(&window, "btEmiteCCD");
        QCOMPARE(messages().texts(), QStringList());
        // Model A: the totalizer letter at the chosen method's position ("Ticket": B), then
        // the method's own letter (C).
        const QByteArray expected = (modelA() ? esc(0xDB) + "BC" : esc(0xD5) + "53") +
                                    couponCoo.toLatin1() + "000000001000";
        QCOMPARE(frames(model).value(0), expected);
        QCOMPARE(emulated()->document().kind, emu::DocumentKind::LinkedVoucher);
        const QString voucherCoo = QString::fromLatin1(cooText(emulated()->document().coo));
        QVERIFY(voucherCoo != couponCoo);
        QCOMPARE(toolState().CurrentCOO.get(), voucherCoo);

        // The text goes out line by line, then the window waits until the printer is idle.
        control<QPlainTextEdit>(&window, "memoTexto")->setPlainText("Cartao 1234\nAut 99");
        emulated()->clearReceivedFrames();
        click(&window, "btEnviarTexto");
        QCOMPARE(emulated()->document().lines.size(), 2);
        const QList<QByteArray> sent = frames(model);
        QCOMPARE(sent.size(), 3);
        QVERIFY(sent.last().startsWith(GS)); // the status poll of the wait for idle

        click(&window, "btFinalizaCCD");
        QCOMPARE(emulated()->document().kind, emu::DocumentKind::None);
        if (!modelA()) {
            // Back from "Outros", "Emissão" proposes the voucher's COO.
            control<QLineEdit>(&window, "meCOO")->setText(couponCoo);
            tabs->setCurrentWidget(control<QWidget>(&window, "tabOutros"));
            emulated()->clearReceivedFrames();
            click(&window, "bt2ndVia");
            QCOMPARE(frames(model), QList<QByteArray>({esc(0xDA)}));
            toolState().CurrentCOO.set(voucherCoo);
            tabs->setCurrentWidget(control<QWidget>(&window, "tabEmissao"));
            QCOMPARE(control<QLineEdit>(&window, "meCOO")->text(), voucherCoo);
        }
        QCOMPARE(messages().count(), 0);

        // A second voucher for the same payment is refused: CurrentCOO stays.
        const QString before = toolState().CurrentCOO.get();
        window.hide();
        window.show();
        control<QLineEdit>(&window, "meCOO")->setText(couponCoo);
        methods->setCurrentIndex(1);
        click(&window, "btEmiteCCD");
        QCOMPARE(messages().count(), 1);
        QCOMPARE(toolState().CurrentCOO.get(), before);
    }

    void voucherGuards() {
        model = ModelB;
        QVERIFY(fixture::connectPrinter(model));
        TfmCCD window(fiscal(), mainWindow(), lists); // no linked method in the lists
        window.show();
        emulated()->clearReceivedFrames();
        click(&window, "btEmiteCCD");
        click(&window, "btEnviarTexto"); // empty memo
        QCOMPARE(messages().count(), 1);
        QVERIFY(frames(model).isEmpty());
        toolState().PrinterPresent = false;
        messages().clear();
        for (const char *button : {"btEmiteCCD", "btEnviarTexto", "btFinalizaCCD", "bt2ndVia"})
            click(&window, button);
        QCOMPARE(messages().texts(), QStringList(4, NoPrinter));
        QVERIFY(frames(model).isEmpty());
    }

    // ---- Authentication ----

    // The thread ends however early the abort comes.
    void threadAbortBeforeWait() {
        Link link;
        LateWait commands(link);
        ThreadAutenticacao thread(commands, "Texto", 0);
        thread.start();
        QVERIFY(commands.entered.wait(5000));
        thread.abort(); // lost
        QVERIFY(!thread.wait(200));
        thread.abortAndWait();
        QVERIFY(thread.isFinished());
    }

    void authenticationControls_data() { modelRows(); }
    void authenticationControls() {
        QFETCH(uint, model);
        QVERIFY(fixture::connectPrinter(model));
        const bool modelA = model == ModelA;
        TfmAutenticacao window(fiscal(), mainWindow());
        window.show();
        QCOMPARE(window.pos(), mainWindow()->pos());
        auto *text = control<QLineEdit>(&window, "edTextoAut");
        QCOMPARE(text->text(), QStringLiteral("Texto Autent."));
        QCOMPARE(text->maxLength(), modelA ? 13 : 18);
        text->clear();
        type(&window, "edTextoAut", "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        QCOMPARE(text->text().size(), modelA ? 13 : 18);
        QCOMPARE(control<QRadioButton>(&window, "rbRight")->isVisible(), !modelA);
        QCOMPARE(control<QRadioButton>(&window, "rbLeft")->isVisible(), !modelA);
        QVERIFY(control<QRadioButton>(&window, "rbRight")->isChecked());
    }

    // With the slip in place the printer stamps at once and answers; the window comes back.
    void authenticationCompletes_data() { modelRows(); }
    void authenticationCompletes() {
        QFETCH(uint, model);
        prepareDay(model);
        QVERIFY(paidCoupon(model, linkedCode(model, 0)));
        emulated()->setDocumentInserted(true);
        TfmAutenticacao window(fiscal(), mainWindow());
        window.show();
        if (!modelA())
            control<QRadioButton>(&window, "rbLeft")->setChecked(true);
        emulated()->clearReceivedFrames();
        click(&window, "btEnviar");
        QCOMPARE(control<QPushButton>(&window, "btSair")->text(), QStringLiteral("Cancelar"));
        QVERIFY(!control<QPushButton>(&window, "btEnviar")->isEnabled());
        QTRY_VERIFY(!window.authenticating());
        QCOMPARE(control<QPushButton>(&window, "btSair")->text(), QStringLiteral(" Sair"));
        QVERIFY(control<QPushButton>(&window, "btEnviar")->isEnabled());
        QCOMPARE(frames(model).value(0), esc(modelA() ? 'Y' : 'y') + "Texto Autent.\n");
        QCOMPARE(messages().count(), 0);
        click(&window, "btSair");
        QVERIFY(!window.isVisible());
    }

    // No slip: the printer waits. Each way out ends the thread and leaves the printer no
    // longer waiting; older firmware knows no way out but switching the printer off.
    void authenticationCancelled_data() {
        QTest::addColumn<uint>("m");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QByteArray>("firmware");
        for (uint m : {uint(ModelA), uint(ModelB)}) {
            const char *name = m == ModelA ? "MV210" : "MV4700";
            for (const char *how : {"Cancelar", "Cancelar at once", "hide", "close", "destroy"})
                QTest::addRow("%s %s", name, how)
                    << m << QString::fromLatin1(how) << QByteArray("1.22");
            QTest::addRow("%s old firmware", name)
                << m << QStringLiteral("Cancelar") << QByteArray(m == ModelA ? "1.20" : "1.00");
        }
    }
    void authenticationCancelled() {
        QFETCH(uint, m);
        QFETCH(QString, how);
        QFETCH(QByteArray, firmware);
        prepareDay(m, firmware);
        QVERIFY(paidCoupon(model, linkedCode(model, 0)));
        auto window = std::make_unique<TfmAutenticacao>(fiscal(), mainWindow());
        window->show();
        click(window.get(), "btEnviar");
        if (how != QStringLiteral("Cancelar at once"))
            QTRY_VERIFY(emulated()->authenticationWaiting());
        QVERIFY(window->authenticating());
        if (how.startsWith(QStringLiteral("Cancelar"))) {
            click(window.get(), "btSair");
            QVERIFY(window->isVisible());
            QTRY_VERIFY(!window->authenticating());
            QVERIFY(window->isVisible());
        } else if (how == QStringLiteral("hide")) {
            window->hide();
            QVERIFY(fiscal()->isEnabled());
        } else if (how == QStringLiteral("close")) {
            window->close();
            QVERIFY(!window->isVisible());
        } else {
            window.reset();
            QVERIFY(fiscal()->isEnabled());
        }
        const bool canStop = firmware == "1.22";
        if (window) {
            QVERIFY(!window->authenticating());
            QCOMPARE(control<QPushButton>(window.get(), "btSair")->text(), QStringLiteral(" Sair"));
            QVERIFY(control<QPushButton>(window.get(), "btEnviar")->isEnabled());
        }
        if (canStop) {
            // Cancelled before its frame went out, nothing needs stopping; otherwise one CAN.
            if (how != QStringLiteral("Cancelar at once"))
                QCOMPARE(framesStartingWith("\x18"), 1);
            QVERIFY(!emulated()->authenticationWaiting());
            QCOMPARE(messages().count(), 0);
        } else {
            QCOMPARE(messages().texts(),
                     QStringList({QStringLiteral("Desligue a impressora para cancelar!")}));
        }
        // The window is ready for another authentication.
        if (window && window->isVisible()) {
            emulated()->setDocumentInserted(true);
            click(window.get(), "btEnviar");
            QTRY_VERIFY(!window->authenticating());
        }
    }
};

QTEST_MAIN(TestReportWindows)
#include "test_report_windows.moc"
