// The payment (and reversal), closing and non-fiscal voucher windows against the built-in
// emulated printers of both models: what reaches the printer, what the windows show and when
// they close or ask for the payment window. The records they fill are checked directly too.
#include "fiscal/amount_edit.h"
#include "fiscal/cnfnv.h"
#include "fiscal/fechamento.h"
#include "fiscal/pagamento.h"
#include "fiscal/payment_entry.h"
#include "fiscal/programming_lists.h"
#include "protocol/command_set.h"
#include "support/recording_messages.h"
#include "support/window_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

#include <cstring>

using fixture::click;
using fixture::connectPrinter;
using fixture::control;
using fixture::printer;
using fixture::type;

namespace {

constexpr uint MV210 = fixture::ModelA;
constexpr uint MV4700 = fixture::ModelB;
const QByteArray Esc(1, '\x1b');
const QByteArray End(1, '\xff');

template <size_t N> QByteArray bytesOf(const uint8_t (&field)[N]) {
    return QByteArray(reinterpret_cast<const char *>(field), int(N));
}
QByteArray amount12(qint64 centavos) {
    return QByteArray::number(centavos).rightJustified(12, '0');
}

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
QByteArray card(uint model) {
    return model == MV210 ? "B" : "52";
}

} // namespace

class TestPaymentWindows : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingMessages> messages;
    QWidget fiscal;
    QWidget mainWindow;
    CommandSet *commands = nullptr;

    // The printer programmed with what listsFor() names, and its fiscal day opened.
    void prepareDay(uint model) {
        QVERIFY(connectPrinter(model));
        printer(model)->setPrintTimeMs(20);
        commands = commandSetFor(model);
        QVERIFY(commands->ProgramTaxRate({0, {'1', '8', '0', '0'}}));
        PaymentMethodRecord method{1, {'0', '2'}, {}};
        std::memset(method.name, ' ', 21);
        std::memcpy(method.name, "Cartao", 6);
        QVERIFY(commands->ProgramPaymentMethod(method));
        const std::pair<int, const char *> totalizers[] = {{0, "Recebimento"}, {1, "Sangria"}};
        for (const auto &[outflow, name] : totalizers) {
            TotalizerRecord totalizer{uint8_t(outflow), {' ', ' '}, {}};
            std::memset(totalizer.name, ' ', 21);
            std::memcpy(totalizer.name, name, std::strlen(name));
            QVERIFY(commands->ProgramNonFiscalTotalizer(totalizer));
        }
        QVERIFY(commands->ReadingX());
        QVERIFY(commands->WaitPrinterIdle());
    }
    // A coupon of one R$ 10,00 item, totalized: the subtotal the printer returned.
    QByteArray totalizedCoupon() {
        char coo[6];
        if (!commands->OpenCoupon(coo))
            return {};
        toolState().CurrentCOO.set(QString::fromLatin1(coo, 6));
        ItemRecord item;
        std::memset(&item, 0, sizeof item);
        std::memcpy(item.code, "001", 3);
        std::memcpy(item.description, "Arroz", 5);
        std::memcpy(item.price, "0000010000", 10);
        std::memcpy(item.taxCode, "TA", 2);
        std::memcpy(item.quantity, "00001000", 8);
        std::memcpy(item.unit, "un", 2);
        item.quantityFormat = 'I';
        item.adjustmentType = 'N';
        TotalRecord total;
        std::memset(&total, 0, sizeof total);
        total.adjustmentType = 'N';
        if (!commands->SellItem(item) || !commands->Totalize(total))
            return {};
        return bytesOf(total.amount);
    }
    QByteArray lastFrame(uint model) {
        const QList<QByteArray> frames = printer(model)->receivedFrames();
        return frames.isEmpty() ? QByteArray() : frames.last();
    }

private slots:
    void init() {
        fixture::freshPrinters();
        messages = std::make_unique<RecordingMessages>();
    }
    void cleanup() {
        messages.reset();
        fixture::disconnectPrinter();
        fiscal.setEnabled(true);
    }

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

    void models_data() {
        QTest::addColumn<uint>("model");
        QTest::newRow("MV210") << MV210;
        QTest::newRow("MV4700") << MV4700;
    }

    void fullPaymentClosesTheWindow_data() { models_data(); }
    void fullPaymentClosesTheWindow() {
        QFETCH(uint, model);
        prepareDay(model);
        const QByteArray subtotal = totalizedCoupon();
        QCOMPARE(subtotal, amount12(1000));
        const ProgrammingLists lists = listsFor(model);
        TfmPagamento window(&fiscal, &mainWindow, lists);
        window.showBalance(subtotal);
        window.show();
        QVERIFY(!fiscal.isEnabled());
        QCOMPARE(control<AmountEdit>(&window, "meSaldo")->digits(), QString::fromLatin1(subtotal));
        type(&window, "meValorFP", QStringLiteral("1000"));
        control<QLineEdit>(&window, "edTextoAdicional")->setText(QStringLiteral("Troco"));
        printer(model)->clearReceivedFrames();
        click(&window, "btProceder");

        const QByteArray command = model == MV210 ? "\xf2" : "\xcf";
        QCOMPARE(lastFrame(model), Esc + command + cash(model) + amount12(1000) + "Troco" + End);
        QCOMPARE(printer(model)->document().phase, emu::DocumentPhase::Paid);
        QCOMPARE(control<AmountEdit>(&window, "meSaldo")->digits(), QString(12, QLatin1Char('0')));
        QVERIFY(!window.isVisible());
        QVERIFY(fiscal.isEnabled());
        QCOMPARE(messages->count(), 0);
    }

    void partialPaymentShowsTheBalance_data() { models_data(); }
    void partialPaymentShowsTheBalance() {
        QFETCH(uint, model);
        prepareDay(model);
        QVERIFY(!totalizedCoupon().isEmpty());
        const ProgrammingLists lists = listsFor(model);
        TfmPagamento window(&fiscal, &mainWindow, lists);
        window.show();
        QVERIFY(!control<QLabel>(&window, "lbSaldo")->isVisible());
        type(&window, "meValorFP", QStringLiteral("400"));
        click(&window, "btProceder");
        QVERIFY(window.isVisible());
        QVERIFY(control<QLabel>(&window, "lbSaldo")->isVisible());
        QVERIFY(control<AmountEdit>(&window, "meSaldo")->isVisible());
        QCOMPARE(control<AmountEdit>(&window, "meSaldo")->digits(), QStringLiteral("000000000600"));
        QCOMPARE(printer(model)->document().balance, 600);
    }

    // A payment the printer refuses leaves the window open and the balance as it was, even
    // while the balance field holds its zero text.
    void refusedPaymentKeepsTheWindow_data() { models_data(); }
    void refusedPaymentKeepsTheWindow() {
        QFETCH(uint, model);
        prepareDay(model);
        QVERIFY(!totalizedCoupon().isEmpty());
        const ProgrammingLists lists = listsFor(model);
        TfmPagamento window(&fiscal, &mainWindow, lists);
        window.show();
        type(&window, "meValorFP", QStringLiteral("1000"));
        printer(model)->failNextWith("05");
        click(&window, "btProceder");
        QCOMPARE(messages->count(), 1);
        QVERIFY(window.isVisible());
        QVERIFY(!control<AmountEdit>(&window, "meSaldo")->isVisible());
        QCOMPARE(printer(model)->document().phase, emu::DocumentPhase::Totalized);
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
        prepareDay(model);
        QVERIFY(!totalizedCoupon().isEmpty());
        const ProgrammingLists lists = listsFor(model);
        TfmPagamento window(&fiscal, &mainWindow, lists);
        window.show();
        QComboBox *unlinkedList = control<QComboBox>(&window, "cbFPNV");
        QComboBox *linkedList = control<QComboBox>(&window, "cbFPV");
        QCOMPARE(unlinkedList->count(), 2);
        QCOMPARE(unlinkedList->currentIndex(), 0);
        unlinkedList->setCurrentIndex(1);
        control<QRadioButton>(&window, linked ? "rbVinc" : "rbNVinc")->setChecked(true);
        QCOMPARE(linkedList->isVisibleTo(&window), linked);
        QCOMPARE(unlinkedList->isVisibleTo(&window), !linked);
        QCOMPARE(linkedList->geometry(), unlinkedList->geometry());
        type(&window, "meValorFP", QStringLiteral("123"));
        click(&window, "btLimparPagamento");
        QCOMPARE(unlinkedList->currentIndex(), -1);
        QCOMPARE(linkedList->currentIndex(), -1);
        QVERIFY(control<AmountEdit>(&window, "meValorFP")->isZero());
        type(&window, "meValorFP", QStringLiteral("100"));
        printer(model)->clearReceivedFrames();
        click(&window, "btProceder");
        const int methodAt = 2;
        QCOMPARE(lastFrame(model).mid(methodAt, model == MV210 ? 1 : 2),
                 linked ? card(model) : cash(model));
        QCOMPARE(messages->count(), 0);
    }

    void reversalCooFollowsTheLastDocument() {
        const ProgrammingLists lists = listsFor(MV4700);
        TfmPagamento window(&fiscal, &mainWindow, lists);
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

    void reversalFrame_data() { models_data(); }
    void reversalFrame() {
        QFETCH(uint, model);
        prepareDay(model);
        QVERIFY(!totalizedCoupon().isEmpty());
        const QByteArray coo = toolState().CurrentCOO.get().toLatin1();
        const ProgrammingLists lists = listsFor(model);
        TfmPagamento window(&fiscal, &mainWindow, lists);
        window.show();
        type(&window, "meValorFP", QStringLiteral("600"));
        click(&window, "btProceder");
        control<QTabWidget>(&window, "pcPagamento")->setCurrentIndex(1);
        control<QRadioButton>(&window, "rbFPV2")->setChecked(true);
        QVERIFY(control<QComboBox>(&window, "cbFPV2")->isVisibleTo(&window));
        QVERIFY(!control<QComboBox>(&window, "cbFPNV2")->isVisibleTo(&window));
        type(&window, "meValorEst", QStringLiteral("250"));
        printer(model)->clearReceivedFrames();
        click(&window, "btEstorno");

        const QByteArray command = model == MV210 ? "\xf8" : "\xdb";
        QCOMPARE(lastFrame(model), Esc + command + cash(model) + card(model) + coo + amount12(250));
        QCOMPARE(messages->count(), 0);
        QVERIFY(window.isVisible());
        const auto payments = printer(model)->document().payments;
        QVERIFY(!payments.isEmpty());
        QCOMPARE(payments.last().amount, 250); // moved to the card
    }

    // ---- The closing window ----

    void messageHasAtMostNineLines() {
        TfmFechamento window(&fiscal, &mainWindow);
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

    void closing_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("MV210 empty") << MV210 << "" << QByteArray("\x1b\xf3\xff");
        QTest::newRow("MV4700 empty") << MV4700 << "" << QByteArray("\x1b\xd1X\xff");
        QTest::newRow("MV210 message") << MV210 << "Obrigado\nVolte sempre"
                                       << QByteArray("\x1b\xf3Obrigado\r\nVolte sempre\xff");
        QTest::newRow("MV4700 message") << MV4700 << "Obrigado\nVolte sempre"
                                        << QByteArray("\x1b\xd1XObrigado\r\nVolte sempre\r\n\xff");
    }
    void closing() {
        QFETCH(uint, model);
        QFETCH(QString, memo);
        QFETCH(QByteArray, frame);
        prepareDay(model);
        QVERIFY(!totalizedCoupon().isEmpty());
        PaymentRecord payment = PaymentEntry::paymentRecord(
            listsFor(model).unlinkedPayments.codeAt(0), QStringLiteral("1000"), QString());
        QVERIFY(commands->RegisterPayment(payment));
        TfmFechamento window(&fiscal, &mainWindow);
        window.show();
        control<QPlainTextEdit>(&window, "memoMSG")->setPlainText(memo);
        printer(model)->clearReceivedFrames();
        click(&window, "btProceder");
        QCOMPARE(lastFrame(model), frame);
        QCOMPARE(printer(model)->document().kind, emu::DocumentKind::None);
        QCOMPARE(messages->count(), 0);
        QVERIFY(!window.isVisible());
    }

    // The printer refuses the closing (nothing is open): its message, and the window closes.
    void refusedClosingStillCloses() {
        prepareDay(MV4700);
        TfmFechamento window(&fiscal, &mainWindow);
        window.show();
        click(&window, "btProceder");
        QCOMPARE(messages->count(), 1);
        QVERIFY(!window.isVisible());
    }

    // ---- The non-fiscal voucher window ----

    void voucher_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QByteArray>("totalizer");
        QTest::addColumn<bool>("inflow");
        QTest::newRow("MV210 E") << MV210 << 0 << QByteArray("A") << true;
        QTest::newRow("MV210 S") << MV210 << 1 << QByteArray("B") << false;
        QTest::newRow("MV4700 E") << MV4700 << 0 << QByteArray("01") << true;
        QTest::newRow("MV4700 S") << MV4700 << 1 << QByteArray("02") << false;
    }
    void voucher() {
        QFETCH(uint, model);
        QFETCH(int, choice);
        QFETCH(QByteArray, totalizer);
        QFETCH(bool, inflow);
        prepareDay(model);
        const ProgrammingLists lists = listsFor(model);
        TfmCNFNV window(&fiscal, &mainWindow, lists);
        QSignalSpy payNow(&window, &TfmCNFNV::inflowVoucherIssued);
        window.show();
        QCOMPARE(control<QComboBox>(&window, "cbCNFNV")->currentIndex(), 0);
        control<QComboBox>(&window, "cbCNFNV")->setCurrentIndex(choice);
        type(&window, "meValorCNFNV", QStringLiteral("2500"));
        control<QRadioButton>(&window, "rbDesconto")->setChecked(true);
        control<QRadioButton>(&window, "rbPorcentagem")->setChecked(true);
        type(&window, "meAcresDesc", QStringLiteral("1000")); // 10,00 %
        printer(model)->clearReceivedFrames();
        click(&window, "btProceder");

        const QByteArray percent = model == MV210 ? "100000000000" : "000000001000";
        const QByteArray command = model == MV210 ? "\xd9" : "\xd4";
        QCOMPARE(lastFrame(model),
                 Esc + command + totalizer + '0' + percent + "0000" + "00002500" + End);
        QCOMPARE(messages->count(), 0);
        QCOMPARE(printer(model)->document().total, 2250);
        QCOMPARE(toolState().CurrentCOO.get().toInt(), printer(model)->documentCounter());
        QCOMPARE(payNow.count(), inflow ? 1 : 0);
        QVERIFY(window.isVisible());
    }

    void voucherAfterClearSendsTheFirstTotalizer() {
        prepareDay(MV4700);
        const ProgrammingLists lists = listsFor(MV4700);
        TfmCNFNV window(&fiscal, &mainWindow, lists);
        window.show();
        auto *kind = control<AmountEdit>(&window, "meAcresDesc");
        QVERIFY(!kind->isEnabled());
        QVERIFY(!control<QWidget>(&window, "pnAcresDesc2")->isVisibleTo(&window));
        control<QComboBox>(&window, "cbCNFNV")->setCurrentIndex(1);
        type(&window, "meValorCNFNV", QStringLiteral("777"));
        click(&window, "btLimparPagamento");
        QCOMPARE(control<QComboBox>(&window, "cbCNFNV")->currentIndex(), -1);
        QVERIFY(control<AmountEdit>(&window, "meValorCNFNV")->isZero());
        type(&window, "meValorCNFNV", QStringLiteral("100"));
        printer(MV4700)->clearReceivedFrames();
        click(&window, "btProceder");
        QCOMPARE(lastFrame(MV4700).mid(2, 3), QByteArray("011")); // totalizer 01, no adjustment
    }

    void refusedVoucherAsksForNoPayment_data() { models_data(); }
    void refusedVoucherAsksForNoPayment() {
        QFETCH(uint, model);
        prepareDay(model);
        toolState().CurrentCOO.set(QStringLiteral("000077"));
        const ProgrammingLists lists = listsFor(model);
        TfmCNFNV window(&fiscal, &mainWindow, lists);
        QSignalSpy payNow(&window, &TfmCNFNV::inflowVoucherIssued);
        window.show();
        type(&window, "meValorCNFNV", QStringLiteral("2500"));
        printer(model)->failNextWith("05");
        click(&window, "btProceder");
        QCOMPARE(messages->count(), 1);
        QCOMPARE(payNow.count(), 0);
        QCOMPARE(toolState().CurrentCOO.get(), QStringLiteral("000077"));
    }

    // ---- Without a printer, or without anything to choose ----

    void nothingIsSentWithoutAPrinter() {
        QVERIFY(connectPrinter(MV4700));
        toolState().PrinterPresent = false;
        const ProgrammingLists lists = listsFor(MV4700);
        TfmPagamento payment(&fiscal, &mainWindow, lists);
        TfmFechamento closing(&fiscal, &mainWindow);
        TfmCNFNV voucher(&fiscal, &mainWindow, lists);
        for (QWidget *window : {static_cast<QWidget *>(&payment), static_cast<QWidget *>(&closing),
                                static_cast<QWidget *>(&voucher)}) {
            window->show();
            click(window, "btProceder");
            QVERIFY(window->isVisible());
            window->hide();
        }
        payment.show();
        click(&payment, "btEstorno");
        QCOMPARE(messages->texts(), QStringList(4, QStringLiteral("Não existe impressora!")));
        QVERIFY(printer(MV4700)->receivedFrames().isEmpty());
    }

    void emptyListsAreReported() {
        QVERIFY(connectPrinter(MV4700));
        const ProgrammingLists empty;
        TfmPagamento payment(&fiscal, &mainWindow, empty);
        TfmCNFNV voucher(&fiscal, &mainWindow, empty);
        payment.show();
        click(&payment, "btProceder");
        click(&payment, "btEstorno");
        payment.hide();
        voucher.show();
        click(&voucher, "btProceder");
        QCOMPARE(messages->count(), 3);
        QVERIFY(printer(MV4700)->receivedFrames().isEmpty());
    }
};

QTEST_MAIN(TestPaymentWindows)
#include "test_payment_windows.moc"
