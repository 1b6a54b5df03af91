// The payment (and reversal), closing and non-fiscal voucher windows against the built-in
// emulated printers of both models: what reaches the printer, what the windows show and when
// they close or ask for the payment window. The records they fill are checked directly too.
#include "fiscal/amount_edit.h"
#include "fiscal/cnfnv.h"
#include "fiscal/fechamento.h"
#include "fiscal/fiscal_fixture.h"
#include "fiscal/pagamento.h"
#include "fiscal/payment_entry.h"
#include "fiscal/programming_lists.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTabWidget>

using namespace fiscal_fixture;

namespace {

constexpr uint MV210 = ModelA;
constexpr uint MV4700 = ModelB;
const QByteArray End(1, '\xff');

// Cash and a card ("Cartao", linked), the inflow "Recebimento" and the outflow "Sangria", as
// the fiscal window would list them for the model.
ProgrammingLists listsFor(uint model) {
    ProgrammingLists lists;
    const bool a = model == MV210;
    lists.unlinkedPayments.add(QStringLiteral("Dinheiro"), a ? QByteArray("A\0", 2) : "01");
    lists.unlinkedPayments.add(QStringLiteral("Cheque"), a ? QByteArray("C\0", 2) : "03");
    lists.linkedPayments.add(QStringLiteral("Cartao"), a ? QByteArray("B\0", 2) : "52");
    lists.totalizers.add(QStringLiteral("Recebimento"), a ? "EA" : "E01");
    lists.totalizers.add(QStringLiteral("Sangria"), a ? "SB" : "S02");
    return lists;
}
QByteArray cash(uint model) {
    return model == MV210 ? "A" : "01";
}

} // namespace

class TestPaymentWindows : public QObject {
    Q_OBJECT

    Desk desk;
    QWidget *fiscal() { return desk.fiscal.get(); }
    QWidget *mainWindow() { return desk.main.get(); }
    RecordingMessages &messages() { return *desk.messages; }

private slots:
    void init() { desk.start(); }
    void cleanup() { desk.stop(); }

    // ---- The records ----

    void paymentRecord_data() {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("sentText");
        QTest::newRow("A letter") << QByteArray("B\0", 2) << "" << QByteArray("B\0", 2)
                                  << QByteArray();
        QTest::newRow("B digits") << QByteArray("52") << "Cartão 1234" << QByteArray("52")
                                  << QByteArray("Cart\xe3o 1234");
        QTest::newRow("long text") << QByteArray("01") << QString(60, QLatin1Char('x'))
                                   << QByteArray("01") << QByteArray(48, 'x');
    }
    void paymentRecord() {
        QFETCH(QByteArray, code);
        QFETCH(QString, text);
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, sentText);
        const PaymentRecord r = PaymentEntry::paymentRecord(code, QStringLiteral("1250"), text);
        QCOMPARE(bytesOf(r.method), method);
        QCOMPARE(bytesOf(r.amount), amount12(1250));
        QCOMPARE(bytesOf(r.gap), QByteArray(3, '\0'));
        QCOMPARE(bytesOf(r.text), sentText.leftJustified(49, '\0'));
    }

    void voucherRecord_data() {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<char>("type");
        QTest::addColumn<bool>("percentage");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QByteArray>("totalizer");
        QTest::addColumn<QByteArray>("adjustment");
        QTest::addColumn<char>("mode");
        QTest::newRow("A none") << QByteArray("EC") << 'N' << false << "00000150"
                                << QByteArray("C\0", 2) << QByteArray(8, '\0') << '\0';
        QTest::newRow("B surcharge value") << QByteArray("S03") << 'A' << false << "00000150"
                                           << QByteArray("03") << QByteArray("00000150") << 'V';
        QTest::newRow("B discount percent")
            << QByteArray("E01") << 'D' << true << "1000" << QByteArray("01")
            << QByteArray("1000\0\0\0\0", 8) << 'P';
    }
    void voucherRecord() {
        QFETCH(QByteArray, code);
        QFETCH(char, type);
        QFETCH(bool, percentage);
        QFETCH(QString, digits);
        QFETCH(QByteArray, totalizer);
        QFETCH(QByteArray, adjustment);
        QFETCH(char, mode);
        const VoucherRecord r = PaymentEntry::voucherRecord(code, QStringLiteral("00002500"),
                                                            {type, percentage, digits});
        QCOMPARE(bytesOf(r.totalizer), totalizer);
        QCOMPARE(char(r.adjustmentType), type);
        QCOMPARE(bytesOf(r.adjustment), adjustment);
        QCOMPARE(bytesOf(r.amount), QByteArray("00002500"));
        QCOMPARE(char(r.adjustmentMode), mode);
        QCOMPARE(PaymentEntry::isInflowTotalizer(code), code.startsWith('E'));
    }

    void closingText_data() {
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty") << "" << QByteArray();
        QTest::newRow("accents") << "Promoção\n" << QByteArray("Promo\xe7\xe3o\r\n");
    }
    void closingText() {
        QFETCH(QString, memo);
        QFETCH(QByteArray, text);
        QCOMPARE(PaymentEntry::closingText(memo), text);
    }

    // ---- The payment window ----

    // A payment shows the balance the printer answers; paid in full, the window closes. A
    // refused payment leaves the window open and the balance as it was, even while the
    // balance field holds its zero text.
    void payment_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<qint64>("paid");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<qint64>("balance"); // -1: none shown
        for (uint model : {MV210, MV4700}) {
            const char *name = model == MV210 ? "MV210" : "MV4700";
            QTest::addRow("%s in full", name) << model << qint64(1000) << false << qint64(0);
            QTest::addRow("%s partly", name) << model << qint64(400) << false << qint64(600);
            QTest::addRow("%s refused", name) << model << qint64(1000) << true << qint64(-1);
        }
    }
    void payment() {
        QFETCH(uint, model);
        QFETCH(qint64, paid);
        QFETCH(bool, refused);
        QFETCH(qint64, balance);
        QVERIFY(openDay(model));
        const QByteArray subtotal = totalizedCoupon(model);
        QCOMPARE(subtotal, amount12(1000));
        const ProgrammingLists lists = listsFor(model);
        TfmPagamento window(fiscal(), mainWindow(), lists);
        window.show();
        QVERIFY(!fiscal()->isEnabled());
        auto *shown = control<AmountEdit>(&window, "meSaldo");
        QVERIFY(!control<QLabel>(&window, "lbSaldo")->isVisible() && !shown->isVisible());
        if (balance == 0) { // as the totalization hands it on
            window.showBalance(subtotal);
            QCOMPARE(shown->digits(), QString::fromLatin1(subtotal));
        }
        type(&window, "meValorFP", QString::number(paid));
        control<QLineEdit>(&window, "edTextoAdicional")->setText(QStringLiteral("Troco"));
        if (refused)
            printer(model)->failNextWith("05");
        click(&window, "btProceder");

        QCOMPARE(lastFrame(model),
                 esc(model == MV210 ? 0xF2 : 0xCF) + cash(model) + amount12(paid) + "Troco" + End);
        QCOMPARE(messages().count(), refused ? 1 : 0);
        QCOMPARE(window.isVisible(), balance != 0);
        QCOMPARE(fiscal()->isEnabled(), balance == 0);
        QCOMPARE(control<QLabel>(&window, "lbSaldo")->isVisible(), balance > 0);
        QCOMPARE(shown->isVisible(), balance > 0);
        if (balance >= 0)
            QCOMPARE(shown->digits(), QString::fromLatin1(amount12(balance)));
        const emu::DocumentView coupon = printer(model)->document();
        QCOMPARE(coupon.phase, refused       ? emu::DocumentPhase::Totalized
                               : balance > 0 ? emu::DocumentPhase::Paying
                                             : emu::DocumentPhase::Paid);
        QCOMPARE(coupon.balance, refused ? 1000 : balance);
    }

    // After "Limpar" nothing is chosen in the list in view, and its first method is sent.
    void noSelectionSendsTheFirstMethod_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<bool>("linked");
        QTest::newRow("MV210 unlinked") << MV210 << false;
        QTest::newRow("MV210 linked") << MV210 << true;
        QTest::newRow("MV4700 unlinked") << MV4700 << false;
        QTest::newRow("MV4700 linked") << MV4700 << true;
    }
    void noSelectionSendsTheFirstMethod() {
        QFETCH(uint, model);
        QFETCH(bool, linked);
        QVERIFY(openDay(model));
        QVERIFY(!totalizedCoupon(model).isEmpty());
        const ProgrammingLists lists = listsFor(model);
        TfmPagamento window(fiscal(), mainWindow(), lists);
        window.show();
        QComboBox *unlinkedList = control<QComboBox>(&window, "cbFPNV");
        QComboBox *linkedList = control<QComboBox>(&window, "cbFPV");
        QCOMPARE(unlinkedList->count(), 2);
        QCOMPARE(unlinkedList->currentIndex(), 0);
        unlinkedList->setCurrentIndex(1);
        choose(&window, linked ? "rbVinc" : "rbNVinc");
        QCOMPARE(linkedList->isVisibleTo(&window), linked);
        QCOMPARE(unlinkedList->isVisibleTo(&window), !linked);
        QCOMPARE(linkedList->geometry(), unlinkedList->geometry());
        type(&window, "meValorFP", QStringLiteral("123"));
        click(&window, "btLimparPagamento");
        QCOMPARE(unlinkedList->currentIndex(), -1);
        QCOMPARE(linkedList->currentIndex(), -1);
        QVERIFY(control<AmountEdit>(&window, "meValorFP")->isZero());
        type(&window, "meValorFP", QStringLiteral("100"));
        click(&window, "btProceder");
        const int methodAt = 2;
        QCOMPARE(lastFrame(model).mid(methodAt, model == MV210 ? 1 : 2),
                 linked ? linkedCode(model, 0) : cash(model));
        QCOMPARE(messages().count(), 0);
    }

    void reversalCooFollowsTheLastDocument() {
        const ProgrammingLists lists = listsFor(MV4700);
        TfmPagamento window(fiscal(), mainWindow(), lists);
        auto *tabs = control<QTabWidget>(&window, "pcPagamento");
        auto *coo = control<QLineEdit>(&window, "meCOOest");
        toolState().CurrentCOO.set(QStringLiteral("000123"));
        window.show();
        QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("tabEmissao"));
        tabs->setCurrentIndex(1);
        QCOMPARE(coo->text(), QStringLiteral("000123"));
        tabs->setCurrentIndex(0);
        toolState().CurrentCOO.set(QStringLiteral("000124"));
        tabs->setCurrentIndex(1);
        QCOMPARE(coo->text(), QStringLiteral("000124"));
        window.hide();
        toolState().CurrentCOO.set(QStringLiteral("000125"));
        window.show();
        QCOMPARE(tabs->currentIndex(), 0);
        tabs->setCurrentIndex(1);
        QCOMPARE(coo->text(), QStringLiteral("000125"));
    }

    void reversalFrame_data() { modelRows(); }
    void reversalFrame() {
        QFETCH(uint, model);
        QVERIFY(openDay(model));
        QVERIFY(!totalizedCoupon(model).isEmpty());
        const QByteArray coo = toolState().CurrentCOO.get().toLatin1();
        const ProgrammingLists lists = listsFor(model);
        TfmPagamento window(fiscal(), mainWindow(), lists);
        window.show();
        type(&window, "meValorFP", QStringLiteral("600"));
        click(&window, "btProceder");
        control<QTabWidget>(&window, "pcPagamento")->setCurrentIndex(1);
        choose(&window, "rbFPV2");
        QVERIFY(control<QComboBox>(&window, "cbFPV2")->isVisibleTo(&window));
        QVERIFY(!control<QComboBox>(&window, "cbFPNV2")->isVisibleTo(&window));
        type(&window, "meValorEst", QStringLiteral("250"));
        click(&window, "btEstorno");

        QCOMPARE(lastFrame(model), esc(model == MV210 ? 0xF8 : 0xDB) + cash(model) +
                                       linkedCode(model, 0) + coo + amount12(250));
        QCOMPARE(messages().count(), 0);
        QVERIFY(window.isVisible());
        const auto payments = printer(model)->document().payments;
        QVERIFY(!payments.isEmpty());
        QCOMPARE(payments.last().amount, 250); // moved to the card
    }

    // ---- The closing window ----

    void messageHasAtMostNineLines() {
        TfmFechamento window(fiscal(), mainWindow());
        window.show();
        auto *memo = control<QPlainTextEdit>(&window, "memoMSG");
        memo->setFocus();
        for (int line = 1; line <= 9; ++line) {
            if (line > 1)
                QTest::keyClick(memo, Qt::Key_Return);
            QTest::keyClicks(memo, QStringLiteral("Linha %1").arg(line));
        }
        QCOMPARE(memo->document()->blockCount(), 9);
        QTest::keyClick(memo, Qt::Key_Return);
        QTest::keyClick(memo, Qt::Key_Enter);
        QTest::keyClicks(memo, QStringLiteral("!"));
        QCOMPARE(memo->document()->blockCount(), 9);
        QVERIFY(memo->toPlainText().endsWith(QStringLiteral("Linha 9!")));
        // Pasted lines beyond the ninth go too.
        memo->setPlainText(QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11"));
        QCOMPARE(memo->toPlainText(), QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8\n9"));
        click(&window, "btLimparVenda");
        QVERIFY(memo->toPlainText().isEmpty());
    }

    // The closing goes out with the message; the window closes whatever the printer answers
    // (with nothing open it refuses, and its message is shown).
    void closing_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QString>("memo");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("MV210 empty") << MV210 << "" << true << QByteArray("\x1b\xf3\xff");
        QTest::newRow("MV4700 empty") << MV4700 << "" << true << QByteArray("\x1b\xd1X\xff");
        QTest::newRow("MV210 message") << MV210 << "Obrigado\nVolte sempre" << true
                                       << QByteArray("\x1b\xf3Obrigado\r\nVolte sempre\xff");
        QTest::newRow("MV4700 message") << MV4700 << "Obrigado\nVolte sempre" << true
                                        << QByteArray("\x1b\xd1XObrigado\r\nVolte sempre\r\n\xff");
        QTest::newRow("MV4700 refused") << MV4700 << "" << false << QByteArray("\x1b\xd1X\xff");
    }
    void closing() {
        QFETCH(uint, model);
        QFETCH(QString, memo);
        QFETCH(bool, open);
        QVERIFY(openDay(model));
        if (open) {
            QVERIFY(!totalizedCoupon(model).isEmpty());
            PaymentRecord paid = PaymentEntry::paymentRecord(
                listsFor(model).unlinkedPayments.codeAt(0), QStringLiteral("1000"), QString());
            QVERIFY(commandSetFor(model)->RegisterPayment(paid));
            printer(model)->clearReceivedFrames();
        }
        TfmFechamento window(fiscal(), mainWindow());
        window.show();
        control<QPlainTextEdit>(&window, "memoMSG")->setPlainText(memo);
        click(&window, "btProceder");
        QTEST(lastFrame(model), "frame");
        QCOMPARE(printer(model)->document().kind, emu::DocumentKind::None);
        QCOMPARE(messages().count(), open ? 0 : 1);
        QVERIFY(!window.isVisible());
    }

    // ---- The non-fiscal voucher window ----

    // Only an inflow voucher the printer accepted asks for the payment window; a refused one
    // leaves CurrentCOO as it was.
    void voucher_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QByteArray>("totalizer");
        QTest::addColumn<bool>("inflow");
        QTest::addColumn<bool>("refused");
        QTest::newRow("MV210 E") << MV210 << 0 << QByteArray("A") << true << false;
        QTest::newRow("MV210 S") << MV210 << 1 << QByteArray("B") << false << false;
        QTest::newRow("MV210 E refused") << MV210 << 0 << QByteArray("A") << true << true;
        QTest::newRow("MV4700 E") << MV4700 << 0 << QByteArray("01") << true << false;
        QTest::newRow("MV4700 S") << MV4700 << 1 << QByteArray("02") << false << false;
        QTest::newRow("MV4700 E refused") << MV4700 << 0 << QByteArray("01") << true << true;
    }
    void voucher() {
        QFETCH(uint, model);
        QFETCH(int, choice);
        QFETCH(QByteArray, totalizer);
        QFETCH(bool, inflow);
        QFETCH(bool, refused);
        QVERIFY(openDay(model));
        toolState().CurrentCOO.set(QStringLiteral("000077"));
        const ProgrammingLists lists = listsFor(model);
        TfmCNFNV window(fiscal(), mainWindow(), lists);
        QSignalSpy payNow(&window, &TfmCNFNV::inflowVoucherIssued);
        window.show();
        QCOMPARE(control<QComboBox>(&window, "cbCNFNV")->currentIndex(), 0);
        control<QComboBox>(&window, "cbCNFNV")->setCurrentIndex(choice);
        type(&window, "meValorCNFNV", QStringLiteral("2500"));
        choose(&window, "rbDesconto");
        choose(&window, "rbPorcentagem");
        type(&window, "meAcresDesc", QStringLiteral("1000")); // 10,00 %
        if (refused)
            printer(model)->failNextWith("05");
        click(&window, "btProceder");

        const QByteArray percent = model == MV210 ? "100000000000" : "000000001000";
        QCOMPARE(lastFrame(model), esc(model == MV210 ? 0xD9 : 0xD4) + totalizer + '0' + percent +
                                       "0000" + "00002500" + End);
        QCOMPARE(messages().count(), refused ? 1 : 0);
        QCOMPARE(payNow.count(), inflow && !refused ? 1 : 0);
        QVERIFY(window.isVisible());
        if (refused) {
            QCOMPARE(toolState().CurrentCOO.get(), QStringLiteral("000077"));
        } else {
            QCOMPARE(printer(model)->document().total, 2250);
            QCOMPARE(toolState().CurrentCOO.get().toInt(), printer(model)->documentCounter());
        }
    }

    void voucherAfterClearSendsTheFirstTotalizer() {
        QVERIFY(openDay(MV4700));
        const ProgrammingLists lists = listsFor(MV4700);
        TfmCNFNV window(fiscal(), mainWindow(), lists);
        window.show();
        QVERIFY(!control<AmountEdit>(&window, "meAcresDesc")->isEnabled());
        QVERIFY(!control<QWidget>(&window, "pnAcresDesc2")->isVisibleTo(&window));
        control<QComboBox>(&window, "cbCNFNV")->setCurrentIndex(1);
        type(&window, "meValorCNFNV", QStringLiteral("777"));
        click(&window, "btLimparPagamento");
        QCOMPARE(control<QComboBox>(&window, "cbCNFNV")->currentIndex(), -1);
        QVERIFY(control<AmountEdit>(&window, "meValorCNFNV")->isZero());
        type(&window, "meValorCNFNV", QStringLiteral("100"));
        click(&window, "btProceder");
        QCOMPARE(lastFrame(MV4700).mid(2, 3), QByteArray("011")); // totalizer 01, no adjustment
    }

    // ---- Without a printer, or without anything to choose ----

    void nothingIsSent_data() {
        QTest::addColumn<bool>("present");
        QTest::newRow("no printer") << false;
        QTest::newRow("empty lists") << true;
    }
    void nothingIsSent() {
        QFETCH(bool, present);
        QVERIFY(fixture::connectPrinter(MV4700));
        toolState().PrinterPresent = present;
        const ProgrammingLists lists = present ? ProgrammingLists() : listsFor(MV4700);
        TfmPagamento payment(fiscal(), mainWindow(), lists);
        TfmCNFNV voucher(fiscal(), mainWindow(), lists);
        TfmFechamento closing(fiscal(), mainWindow()); // needs no list
        const std::pair<QWidget *, const char *> actions[] = {{&payment, "btProceder"},
                                                              {&payment, "btEstorno"},
                                                              {&voucher, "btProceder"},
                                                              {&closing, "btProceder"}};
        const int tried = present ? 3 : 4;
        for (int i = 0; i < tried; ++i) {
            actions[i].first->show();
            click(actions[i].first, actions[i].second);
            QVERIFY(actions[i].first->isVisible());
            actions[i].first->hide();
        }
        QCOMPARE(messages().count(), tried);
        if (!present)
            QCOMPARE(messages().texts(), QStringList(tried, NoPrinter));
        QVERIFY(frames(MV4700).isEmpty());
    }
};

QTEST_MAIN(TestPaymentWindows)
#include "test_payment_windows.moc"
