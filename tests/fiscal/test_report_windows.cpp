// The management report, credit/debit voucher and authentication windows against the built-in
// emulated printers of both models. Documents are set up through the command set directly, as
// the other document windows would leave them. Protocol durations are shortened through the
// clock.
#include "fiscal/autenticacao.h"
#include "fiscal/ccd.h"
#include "fiscal/programming_lists.h"
#include "fiscal/rg.h"
#include "fiscal/thread_autenticacao.h"
#include "protocol/cmd4700.h"
#include "protocol/command_set.h"
#include "support/recording_messages.h"
#include "support/window_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <cstring>

using fixture::click;
using fixture::connectPrinter;
using fixture::control;
using fixture::disconnectPrinter;
using fixture::freshPrinters;
using fixture::printer;
using fixture::type;

namespace {

const QString NoPrinter = QStringLiteral("Não existe impressora!");
const char GS = 29;

// ESC and the rest of a frame.
QByteArray esc(const QByteArray &rest) {
    return QByteArray(1, 27) + rest;
}

template <size_t N> void put(uint8_t (&field)[N], const QByteArray &text) {
    std::memset(field, ' ', N);
    std::memcpy(field, text.constData(), std::min<size_t>(N, size_t(text.size())));
}

QByteArray cooText(int coo) {
    return QByteArray::number(coo).rightJustified(6, '0');
}

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

    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<QWidget> main;
    std::unique_ptr<QWidget> fiscal;
    ProgrammingLists lists;
    uint model = ModelB;

    CommandSet &commands() { return *commandSetFor(model); }
    bool modelA() const { return model == ModelA; }
    std::shared_ptr<emu::Printer> emulated() { return printer(model); }
    QList<QByteArray> frames() { return emulated()->receivedFrames(); }
    int framesStartingWith(const QByteArray &start) {
        int n = 0;
        for (const QByteArray &f : frames())
            n += f.startsWith(start);
        return n;
    }
    QByteArray methodCode(int slot) { // slot 1 = the second method
        return modelA() ? QByteArray(1, char('A' + slot)) : QByteArray::number(51 + slot);
    }

    void connectModel(uint m, const QByteArray &firmware = "1.22") {
        model = m;
        emulated()->setIdentity({"12345678", firmware, "0001"});
        emulated()->setPrintTimeMs(20);
        QVERIFY(connectPrinter(model));
        toolState().FirmwareVersionNumber = firmware.toDouble();
    }

    // The day's programming (before its first Leitura X, which opens it): a tax rate, two
    // linked payment methods "Cartao" and "Ticket" (slots 2 and 3) and, on model A, their
    // linked totalizers (letters A and B); on model B the reports "Zeta" (01) and "Alfa" (02).
    // The lists are what the programming lists would show: sorted by name.
    void prepareDay() {
        QVERIFY(commands().ProgramTaxRate({0, {'1', '8', '0', '0'}}));
        for (const char *index : {"02", "03"}) {
            PaymentMethodRecord method{1, {uint8_t(index[0]), uint8_t(index[1])}, {}};
            put(method.name, index[1] == '2' ? "Cartao" : "Ticket");
            QVERIFY(commands().ProgramPaymentMethod(method));
            if (modelA())
                QVERIFY(commands().ProgramLinkedTotalizer(method));
        }
        lists.linkedPayments.add(QStringLiteral("Cartao"), methodCode(1));
        lists.linkedPayments.add(QStringLiteral("Ticket"), methodCode(2));
        if (modelA()) {
            lists.linkedTotalizerLetters = "AB";
        } else {
            for (const char *name : {"Zeta", "Alfa"}) {
                uint8_t field[21];
                std::memset(field, ' ', 21);
                std::memcpy(field, name, 4);
                QVERIFY(commands().ProgramReportName(field));
            }
            lists.reports.add(QStringLiteral("Alfa"), "02");
            lists.reports.add(QStringLiteral("Zeta"), "01");
        }
        QVERIFY(commands().ReadingX());
        QVERIFY(commands().WaitPrinterIdle());
    }

    // A closed coupon of R$ 10,00 paid with the linked method of `slot`; CurrentCOO is its
    // COO, as the fiscal window leaves it.
    void sellCoupon(int slot) {
        char coo[6];
        QVERIFY(commands().OpenCoupon(coo));
        toolState().CurrentCOO.set(QString::fromLatin1(coo, 6));
        ItemRecord item;
        std::memset(&item, 0, sizeof item);
        std::memcpy(item.code, "001", 3);
        std::memcpy(item.description, "Arroz", 5);
        std::memcpy(item.price, "0000010000", 10);
        std::memcpy(item.taxCode, "TA", 2);
        std::memcpy(item.quantity, "00001000", 8);
        std::memcpy(item.unit, "un", 2);
        item.quantityFormat = 'D';
        std::memset(item.adjustment, '0', 9);
        item.adjustmentType = 'N';
        item.adjustmentMode = 'V';
        QVERIFY(commands().SellItem(item));
        TotalRecord total;
        std::memset(&total, '0', sizeof total);
        total.adjustmentType = 'N';
        total.adjustmentMode = 'V';
        QVERIFY(commands().Totalize(total));
        PaymentRecord payment;
        std::memset(&payment, 0, sizeof payment);
        std::memcpy(payment.method, methodCode(slot).constData(), size_t(methodCode(slot).size()));
        std::memcpy(payment.amount, "000000001000", 12);
        QVERIFY(commands().RegisterPayment(payment));
        QVERIFY(commands().CloseCoupon(""));
        QCOMPARE(emulated()->document().kind, emu::DocumentKind::None);
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

    void models_data() {
        QTest::addColumn<uint>("m");
        QTest::newRow("MV210") << uint(ModelA);
        QTest::newRow("MV4700") << uint(ModelB);
    }

private slots:
    void init() {
        freshPrinters(0.05);
        messages = std::make_unique<RecordingMessages>();
        main = std::make_unique<QWidget>();
        fiscal = std::make_unique<QWidget>();
        lists = ProgrammingLists();
    }
    void cleanup() {
        messages.reset();
        disconnectPrinter();
        fiscal.reset();
        main.reset();
    }

    // ---- Management report ----

    void managementReport_data() { models_data(); }
    void managementReport() {
        QFETCH(uint, m);
        connectModel(m);
        prepareDay();
        TfmRG window(fiscal.get(), main.get(), lists);
        window.show();
        QVERIFY(!fiscal->isEnabled());
        QCOMPARE(window.pos(), main->pos() + QPoint(10, 25));
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
        const QByteArray opening = modelA() ? esc("\xD3") : esc("\xD2") + "02";
        QCOMPARE(frames().value(0), opening);
        QCOMPARE(report.slot, modelA() ? 0 : 1);
        QCOMPARE(toolState().CurrentCOO.get().toLatin1(), cooText(report.coo));
        // Model A waits for the printer to finish the opening: a status poll follows.
        QCOMPARE(framesStartingWith(QByteArray(1, GS)) > 0, modelA());
        QVERIFY(control<QPushButton>(&window, "btEmiteRG")->isEnabled());

        // Empty memo: nothing goes out.
        emulated()->clearReceivedFrames();
        click(&window, "btEnviarTexto");
        QVERIFY(frames().isEmpty());

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
        QCOMPARE(messages->count(), 0);
        click(&window, "btSair");
        QVERIFY(!window.isVisible());
        QVERIFY(fiscal->isEnabled());
    }

    // Sending and closing need an identified printer; opening is sent regardless and a
    // printer that does not answer shows as a communication error.
    void reportWithoutPrinter() {
        connectModel(ModelB);
        prepareDay();
        toolState().PrinterPresent = false;
        TfmRG window(fiscal.get(), main.get(), lists);
        window.show();
        control<QPlainTextEdit>(&window, "memoTexto")->setPlainText("Texto");
        emulated()->clearReceivedFrames();
        click(&window, "btEnviarTexto");
        click(&window, "btFinalizaRG");
        QCOMPARE(messages->texts(), QStringList({NoPrinter, NoPrinter}));
        QVERIFY(frames().isEmpty());
        click(&window, "btEmiteRG");
        QCOMPARE(emulated()->document().kind, emu::DocumentKind::ManagementReport);
    }

    // ---- Credit/debit voucher ----

    void creditDebitVoucher_data() { models_data(); }
    void creditDebitVoucher() {
        QFETCH(uint, m);
        connectModel(m);
        prepareDay();
        sellCoupon(2); // paid with "Ticket", the second linked method shown
        const QString couponCoo = toolState().CurrentCOO.get();

        TfmCCD window(fiscal.get(), main.get(), lists);
        window.show();
        QCOMPARE(window.pos(), main->pos() + QPoint(10, -50));
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
        QCOMPARE(messages->texts(), QStringList());
        // Model A: the totalizer letter at the chosen method's position ("Ticket": B), then
        // the method's own letter (C).
        const QByteArray expected = (modelA() ? esc("\xDB") + "BC" : esc("\xD5") + "53") +
                                    couponCoo.toLatin1() + "000000001000";
        QCOMPARE(frames().value(0), expected);
        QCOMPARE(emulated()->document().kind, emu::DocumentKind::LinkedVoucher);
        const QString voucherCoo = QString::fromLatin1(cooText(emulated()->document().coo));
        QVERIFY(voucherCoo != couponCoo);
        QCOMPARE(toolState().CurrentCOO.get(), voucherCoo);

        // The text goes out line by line, then the window waits until the printer is idle.
        control<QPlainTextEdit>(&window, "memoTexto")->setPlainText("Cartao 1234\nAut 99");
        emulated()->clearReceivedFrames();
        click(&window, "btEnviarTexto");
        QCOMPARE(emulated()->document().lines.size(), 2);
        const QList<QByteArray> sent = frames();
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
            QCOMPARE(frames(), QList<QByteArray>({esc("\xDA")}));
            toolState().CurrentCOO.set(voucherCoo);
            tabs->setCurrentWidget(control<QWidget>(&window, "tabEmissao"));
            QCOMPARE(control<QLineEdit>(&window, "meCOO")->text(), voucherCoo);
        }
        QCOMPARE(messages->count(), 0);

        // A second voucher for the same payment is refused: CurrentCOO stays.
        const QString before = toolState().CurrentCOO.get();
        window.hide();
        window.show();
        control<QLineEdit>(&window, "meCOO")->setText(couponCoo);
        methods->setCurrentIndex(1);
        click(&window, "btEmiteCCD");
        QCOMPARE(messages->count(), 1);
        QCOMPARE(toolState().CurrentCOO.get(), before);
    }

    void voucherGuards() {
        connectModel(ModelB);
        TfmCCD window(fiscal.get(), main.get(), lists); // no linked method in the lists
        window.show();
        emulated()->clearReceivedFrames();
        click(&window, "btEmiteCCD");
        click(&window, "btEnviarTexto"); // empty memo
        QCOMPARE(messages->count(), 1);
        QVERIFY(frames().isEmpty());
        toolState().PrinterPresent = false;
        messages->clear();
        for (const char *button : {"btEmiteCCD", "btEnviarTexto", "btFinalizaCCD", "bt2ndVia"})
            click(&window, button);
        QCOMPARE(messages->texts(), QStringList(4, NoPrinter));
        QVERIFY(frames().isEmpty());
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

    void authenticationControls_data() { models_data(); }
    void authenticationControls() {
        QFETCH(uint, m);
        connectModel(m);
        TfmAutenticacao window(fiscal.get(), main.get());
        window.show();
        QCOMPARE(window.pos(), main->pos());
        auto *text = control<QLineEdit>(&window, "edTextoAut");
        QCOMPARE(text->text(), QStringLiteral("Texto Autent."));
        QCOMPARE(text->maxLength(), modelA() ? 13 : 18);
        text->clear();
        type(&window, "edTextoAut", "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        QCOMPARE(text->text().size(), modelA() ? 13 : 18);
        QCOMPARE(control<QRadioButton>(&window, "rbRight")->isVisible(), !modelA());
        QCOMPARE(control<QRadioButton>(&window, "rbLeft")->isVisible(), !modelA());
        QVERIFY(control<QRadioButton>(&window, "rbRight")->isChecked());
    }

    // With the slip in place the printer stamps at once and answers; the window comes back.
    void authenticationCompletes_data() { models_data(); }
    void authenticationCompletes() {
        QFETCH(uint, m);
        connectModel(m);
        prepareDay();
        sellCoupon(1);
        emulated()->setDocumentInserted(true);
        TfmAutenticacao window(fiscal.get(), main.get());
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
        QCOMPARE(frames().value(0), esc(modelA() ? "Y" : "y") + "Texto Autent.\n");
        QCOMPARE(messages->count(), 0);
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
        connectModel(m, firmware);
        prepareDay();
        sellCoupon(1);
        auto window = std::make_unique<TfmAutenticacao>(fiscal.get(), main.get());
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
            QVERIFY(fiscal->isEnabled());
        } else if (how == QStringLiteral("close")) {
            window->close();
            QVERIFY(!window->isVisible());
        } else {
            window.reset();
            QVERIFY(fiscal->isEnabled());
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
            QCOMPARE(messages->count(), 0);
        } else {
            QCOMPARE(messages->texts(),
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
