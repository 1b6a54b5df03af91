// The item sale, cancellation and totalization windows against the built-in emulated printers
// of both models: the fields and their masks, the shift-in amount entry, the model rules, and
// what the printer received and did with it.
#include "fiscal/amount_edit.h"
#include "fiscal/cancelamento.h"
#include "fiscal/fiscal_fixture.h"
#include "fiscal/programming_lists.h"
#include "fiscal/totalizacao.h"
#include "fiscal/vendaitem.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>

using namespace fiscal_fixture;

namespace {

uint modelOf(const QByteArray &tag) {
    return tag.startsWith('A') ? ModelA : ModelB;
}

} // namespace

class TestItemWindows : public QObject {
    Q_OBJECT

    Desk desk;
    ProgrammingLists lists;
    std::unique_ptr<TfmVendaItem> sale;
    std::unique_ptr<TfmCancelamento> cancel;
    std::unique_ptr<TfmTotalizacao> total;

    template <class T> T *in(QWidget *window, const char *name) { return control<T>(window, name); }
    QRadioButton *radio(QWidget *window, const char *name) {
        return in<QRadioButton>(window, name);
    }
    AmountEdit *amount(QWidget *window, const char *name) { return in<AmountEdit>(window, name); }
    QWidget *fiscal() { return desk.fiscal.get(); }
    RecordingMessages &messages() { return *desk.messages; }

    // An open coupon with `items` items of R$ 1,00; no frames or messages seen yet.
    void openCoupon(uint model, int items = 0) {
        QVERIFY(openDay(model, 1, 10));
        QVERIFY(fiscal_fixture::openCoupon(model, items));
        messages().clear();
    }

    void showSale(uint model) {
        toolState().ModelCode = model;
        sale->show();
    }

private slots:
    void init() {
        desk.start();
        lists = {};
        for (const char *code : {"I", "F", "N"})
            lists.icms.add(QString::fromLatin1(code), QByteArray(code) + ' ');
        lists.icms.add(QStringLiteral("18,00%"), "TA");
        lists.iss.add(QStringLiteral("05,00%"), "TB");
        lists.iss.add(QStringLiteral("09,00%"), "TC");
        sale = std::make_unique<TfmVendaItem>(fiscal(), desk.main.get(), lists);
        cancel = std::make_unique<TfmCancelamento>(fiscal(), desk.main.get());
        total = std::make_unique<TfmTotalizacao>(fiscal(), desk.main.get());
    }
    void cleanup() {
        sale.reset();
        cancel.reset();
        total.reset();
        desk.stop();
    }

    // ---- Item sale: the form ----

    void descriptionMode_data() {
        QTest::addColumn<bool>("full");
        QTest::addColumn<bool>("decimal");
        QTest::addColumn<int>("codeLength");
        QTest::addColumn<int>("descriptionLength");
        QTest::addColumn<QString>("priceMask");
        QTest::addColumn<QString>("quantityMask");
        QTest::addColumn<QByteArray>("quantityZero");
        const QString onePrice = QStringLiteral("0.000.000,00;0;_");
        const QString fullPrice = QStringLiteral("0.000.000,000;0;_");
        const QString fullQuantity = QStringLiteral("00000,000;0;_");
        QTest::newRow("A one-line whole")
            << false << false << 6 << 13 << onePrice << "00000;0;_" << QByteArray("00000");
        QTest::newRow("B one-line decimal")
            << false << true << 6 << 13 << onePrice << "00,00;0;_" << QByteArray("0000");
        QTest::newRow("A full") << true << false << 13 << 174 << fullPrice << fullQuantity
                                << QByteArray("00000000");
        QTest::newRow("B full") << true << false << 18 << 200 << fullPrice << fullQuantity
                                << QByteArray("00000000");
        QTest::newRow("B full, then Decimal: refused")
            << true << true << 18 << 200 << fullPrice << fullQuantity << QByteArray("00000000");
    }
    void descriptionMode() {
        QFETCH(bool, full);
        QFETCH(bool, decimal);
        showSale(modelOf(QTest::currentDataTag()));
        if (full)
            radio(sale.get(), "rbDescCompleta")->click();
        if (decimal)
            radio(sale.get(), "rbDecimal")->click();
        in<QLineEdit>(sale.get(), "edCodigo")->setText(QString(30, QLatin1Char('9')));

        QTEST(in<QLineEdit>(sale.get(), "edCodigo")->maxLength(), "codeLength");
        QTEST(int(in<QLineEdit>(sale.get(), "edCodigo")->text().size()), "codeLength");
        QTEST(in<QLineEdit>(sale.get(), "edDescricao")->maxLength(), "descriptionLength");
        QTEST(amount(sale.get(), "meValor")->mask(), "priceMask");
        QTEST(amount(sale.get(), "meQuantidade")->mask(), "quantityMask");
        QTEST(amount(sale.get(), "meQuantidade")->digitBytes(), "quantityZero");
        QCOMPARE(radio(sale.get(), "rbInteira")->isChecked(), !decimal || full);
        QCOMPARE(in<QWidget>(sale.get(), "pnQtde")->isVisible(), !full);
        QCOMPARE(in<QComboBox>(sale.get(), "cbUnidade")->isEnabled(), full);
        QCOMPARE(in<QLabel>(sale.get(), "lbUnidade")->isEnabled(), full);
    }

    void adjustmentKind_data() {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<bool>("valueOffered");
        QTest::addColumn<QString>("mask");
        QTest::newRow("A surcharge: percentage only")
            << QByteArray("rbAcrescimo") << false << "00,00;0;_";
        QTest::newRow("A discount: percentage only")
            << QByteArray("rbDesconto") << false << "00,00;0;_";
        QTest::newRow("B surcharge: value by default")
            << QByteArray("rbAcrescimo") << true << "0.000.000,00;0;_";
    }
    void adjustmentKind() {
        QFETCH(QByteArray, kind);
        QFETCH(bool, valueOffered);
        showSale(modelOf(QTest::currentDataTag()));
        QVERIFY(!amount(sale.get(), "meAcresDesc")->isEnabled());
        QVERIFY(!in<QWidget>(sale.get(), "pnAcresDesc2")->isVisible());

        radio(sale.get(), kind.constData())->click();
        QVERIFY(amount(sale.get(), "meAcresDesc")->isEnabled());
        QVERIFY(in<QLabel>(sale.get(), "lbAcresDesc")->isEnabled());
        QVERIFY(in<QWidget>(sale.get(), "pnAcresDesc2")->isVisible());
        QCOMPARE(radio(sale.get(), "rbValor")->isEnabled(), valueOffered);
        QCOMPARE(radio(sale.get(), "rbPorcentagem")->isChecked(), !valueOffered);
        QTEST(amount(sale.get(), "meAcresDesc")->mask(), "mask");
        if (valueOffered) {
            radio(sale.get(), "rbPorcentagem")->click();
            QCOMPARE(amount(sale.get(), "meAcresDesc")->mask(), QStringLiteral("00,00;0;_"));
        }
        radio(sale.get(), "rbNenhum")->click();
        QVERIFY(!amount(sale.get(), "meAcresDesc")->isEnabled());
        QVERIFY(!in<QWidget>(sale.get(), "pnAcresDesc2")->isVisible());
    }

    // A surcharge by value chosen on model B is not carried to model A, whose item sale would
    // send the first four of its nine digits as a percentage.
    void modelAReopensWithPercentage() {
        showSale(ModelB);
        radio(sale.get(), "rbAcrescimo")->click();
        type(sale.get(), "meAcresDesc", "500");
        sale->hide();
        showSale(ModelA);
        QVERIFY(radio(sale.get(), "rbPorcentagem")->isChecked());
        QVERIFY(!radio(sale.get(), "rbValor")->isEnabled());
        QCOMPARE(amount(sale.get(), "meAcresDesc")->digitBytes(), QByteArray("0000"));
        sale->hide();
        showSale(ModelB);
        QVERIFY(radio(sale.get(), "rbValor")->isEnabled());
    }

    void adjustTab_data() {
        QTest::addColumn<bool>("shown");
        QTest::newRow("A") << false;
        QTest::newRow("B") << true;
    }
    void adjustTab() {
        QFETCH(bool, shown);
        auto *tabs = in<QTabWidget>(sale.get(), "pgVenda");
        toolState().ModelCode = ModelB;
        tabs->setCurrentIndex(1);
        showSale(modelOf(QTest::currentDataTag()));
        QCOMPARE(tabs->isTabVisible(1), shown);
        QCOMPARE(tabs->isTabEnabled(1), shown);
        QCOMPARE(tabs->currentIndex(), shown ? 1 : 0);
        QCOMPARE(tabs->tabText(0), QStringLiteral(" Venda de Item "));
        QCOMPARE(tabs->tabText(1), QStringLiteral("  Acrés/Desc em Item Vendido"));
    }

    void showAndClear() {
        showSale(ModelB);
        QVERIFY(!fiscal()->isEnabled());
        QCOMPARE(in<QComboBox>(sale.get(), "cbSTICMS")->currentIndex(), 0);
        QCOMPARE(in<QComboBox>(sale.get(), "cbSTICMS")->count(), 4);
        QCOMPARE(in<QComboBox>(sale.get(), "cbSTISSQN")->currentIndex(), -1);
        QCOMPARE(in<QComboBox>(sale.get(), "cbUnidade")->currentText(), QStringLiteral("pc"));

        radio(sale.get(), "rbDescCompleta")->click();
        in<QLineEdit>(sale.get(), "edCodigo")->setText(QStringLiteral("123"));
        in<QLineEdit>(sale.get(), "edDescricao")->setText(QStringLiteral("Arroz"));
        in<QComboBox>(sale.get(), "cbSTICMS")->setCurrentIndex(3);
        in<QComboBox>(sale.get(), "cbUnidade")->setCurrentIndex(1);
        type(sale.get(), "meValor", "1250");
        type(sale.get(), "meQuantidade", "2000");
        sale->hide();
        QVERIFY(fiscal()->isEnabled());

        // Reopened: the texts and choices stay, the amounts are zero.
        showSale(ModelB);
        QCOMPARE(in<QLineEdit>(sale.get(), "edCodigo")->text(), QStringLiteral("123"));
        QCOMPARE(in<QLineEdit>(sale.get(), "edDescricao")->text(), QStringLiteral("Arroz"));
        QVERIFY(radio(sale.get(), "rbDescCompleta")->isChecked());
        QCOMPARE(in<QComboBox>(sale.get(), "cbUnidade")->currentText(), QStringLiteral("kg"));
        QCOMPARE(in<QComboBox>(sale.get(), "cbSTICMS")->currentIndex(), 0);
        QVERIFY(amount(sale.get(), "meValor")->isZero());
        QVERIFY(amount(sale.get(), "meQuantidade")->isZero());
        QCOMPARE(amount(sale.get(), "meValor")->digitBytes().size(), 10);

        type(sale.get(), "meValor", "5");
        in<QComboBox>(sale.get(), "cbSTICMS")->setCurrentIndex(2);
        click(sale.get(), "btLimparVenda");
        QVERIFY(in<QLineEdit>(sale.get(), "edCodigo")->text().isEmpty());
        QVERIFY(in<QLineEdit>(sale.get(), "edDescricao")->text().isEmpty());
        QCOMPARE(amount(sale.get(), "meValor")->mask(), QStringLiteral("0.000.000,000;0;_"));
        QVERIFY(amount(sale.get(), "meValor")->isZero());
        QCOMPARE(in<QComboBox>(sale.get(), "cbSTICMS")->currentIndex(), 0);
    }

    // ---- Item sale: what the printer receives ----

    void sell_data() {
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<bool>("decimal");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QByteArray>("adjustment"); // kind radio, form radio ('' = none)
        QTest::addColumn<QString>("adjustmentKeys");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<qint64>("quantitySold"); // thousandths
        QTest::addColumn<qint64>("unitPrice");    // thousandths of a real
        QTest::addColumn<qint64>("adjusted");     // centavos

        QTest::newRow("B one-line")
            << false << "A1"
            << "Arroz"
            << "125"
            << "2" << false << 0 << QByteArray() << ""
            << esc(0xC9) + "TAA1    1000000000000000125" + "00002" + "Arroz        " << qint64(2000)
            << qint64(1250) << qint64(0);
        QTest::newRow("B full, unit l, discount of R$ 0,50")
            << true << "7891234567890"
            << "Leite integral 1 litro"
            << "4990"
            << "3000" << false << 3 << QByteArray("rbDesconto rbValor") << "50"
            << esc(0xCA) + "TA7891234567890     1000000050" + "0000004990" + "00003000" + "l " +
                   "Leite integral 1 litro\xff"
            << qint64(3000) << qint64(4990) << qint64(-50);
        QTest::newRow("A one-line decimal, 10% surcharge")
            << false << "B2"
            << "Cafe"
            << "200"
            << "150" << true << 0 << QByteArray("rbAcrescimo rbPorcentagem") << "1000"
            << esc(0xCA) + "TAB2    00011000000000200" + "01,50" + "Cafe          " << qint64(1500)
            << qint64(2000) << qint64(30);
        QTest::newRow("A full, unit kg") << true << "1234567890123"
                                         << "Queijo minas"
                                         << "25000"
                                         << "500" << false << 1 << QByteArray() << ""
                                         << esc(0xDF) + "TA1234567890123" + "00000" + "0000025000" +
                                                "00000500" + "kg" + "Queijo minas\xff"
                                         << qint64(500) << qint64(25000) << qint64(0);
    }
    void sell() {
        QFETCH(bool, full);
        QFETCH(QString, code);
        QFETCH(QString, description);
        QFETCH(bool, decimal);
        QFETCH(QByteArray, adjustment);
        const uint model = modelOf(QTest::currentDataTag());
        openCoupon(model);
        showSale(model);
        if (full)
            radio(sale.get(), "rbDescCompleta")->click();
        if (decimal)
            radio(sale.get(), "rbDecimal")->click();
        in<QLineEdit>(sale.get(), "edCodigo")->setText(code);
        in<QLineEdit>(sale.get(), "edDescricao")->setText(description);
        in<QComboBox>(sale.get(), "cbSTICMS")->setCurrentIndex(3); // 18,00%: TA
        QFETCH(int, unit);
        in<QComboBox>(sale.get(), "cbUnidade")->setCurrentIndex(unit);
        QFETCH(QString, price);
        QFETCH(QString, quantity);
        type(sale.get(), "meValor", price);
        type(sale.get(), "meQuantidade", quantity);
        for (const QByteArray &choice : adjustment.split(' '))
            if (!choice.isEmpty())
                radio(sale.get(), choice.constData())->click();
        QFETCH(QString, adjustmentKeys);
        type(sale.get(), "meAcresDesc", adjustmentKeys);
        click(sale.get(), "btProceder");

        QCOMPARE(messages().texts(), QStringList());
        QTEST(lastFrame(model), "frame");
        const emu::DocumentView coupon = printer(model)->document();
        QCOMPARE(coupon.items.size(), 1);
        const emu::SoldItem item = coupon.items.first();
        QCOMPARE(item.code.trimmed(), code.toLatin1());
        QCOMPARE(item.description.trimmed(), description.toLatin1());
        QCOMPARE(item.taxCode, QByteArray("TA"));
        QTEST(item.quantity, "quantitySold");
        QTEST(item.unitPrice, "unitPrice");
        QTEST(item.adjustment, "adjusted");
        // The form stays as it was for the next item.
        QCOMPARE(in<QLineEdit>(sale.get(), "edCodigo")->text(), code);
        QVERIFY(!amount(sale.get(), "meValor")->isZero());
        QVERIFY(sale->isVisible());
    }

    void issWithoutSelection_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::newRow("A") << esc(0xCA);
        QTest::newRow("B") << esc(0xC9);
    }
    void issWithoutSelection() {
        const uint model = modelOf(QTest::currentDataTag());
        openCoupon(model);
        showSale(model);
        radio(sale.get(), "rbVinc")->click();
        QVERIFY(in<QComboBox>(sale.get(), "cbSTISSQN")->isVisible());
        QVERIFY(!in<QComboBox>(sale.get(), "cbSTICMS")->isVisible());
        QCOMPARE(in<QComboBox>(sale.get(), "cbSTISSQN")->currentIndex(), -1);
        type(sale.get(), "meValor", "100");
        type(sale.get(), "meQuantidade", "1");
        click(sale.get(), "btProceder");
        QTEST(lastFrame(model).left(2), "head");
        QCOMPARE(lastFrame(model).mid(2, 2), QByteArray("TB"));
        QCOMPARE(printer(model)->document().items.value(0).taxCode, QByteArray("TB"));
        radio(sale.get(), "rbICMS")->click();
        QVERIFY(in<QComboBox>(sale.get(), "cbSTICMS")->isVisible());
    }

    // Without any ISS rate there is no code to send: the sale is refused with a message.
    void emptyTaxListSendsNothing() {
        openCoupon(ModelB);
        lists.iss.clear();
        showSale(ModelB);
        radio(sale.get(), "rbVinc")->click();
        type(sale.get(), "meValor", "100");
        type(sale.get(), "meQuantidade", "1");
        click(sale.get(), "btProceder");
        QVERIFY(printer(ModelB)->receivedFrames().isEmpty());
        QCOMPARE(messages().count(), 1);
        QCOMPARE(messages().shown().first().caption, QStringLiteral("Erro"));
    }

    void noPrinter() {
        showSale(ModelB);
        click(sale.get(), "btProceder");
        click(sale.get(), "btEnviarAcreDescItem");
        QCOMPARE(messages().texts(), QStringList({NoPrinter, NoPrinter}));
        QVERIFY(sale->isVisible());
    }

    void adjustSoldItem_data() {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<QByteArray>("form");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<qint64>("adjusted");
        QTest::newRow("B discount 10%") << QByteArray("rbDesconto2") << QByteArray("rbPorcentagem2")
                                        << "1000" << QByteArray("0000001000") << qint64(-10);
        QTest::newRow("B surcharge R$ 0,25") << QByteArray("rbAcrescimo2") << QByteArray("rbValor2")
                                             << "25" << QByteArray("3000000025") << qint64(25);
    }
    void adjustSoldItem() {
        QFETCH(QByteArray, kind);
        QFETCH(QByteArray, form);
        QFETCH(QString, keys);
        openCoupon(ModelB, 2);
        showSale(ModelB);
        in<QTabWidget>(sale.get(), "pgVenda")->setCurrentIndex(1);
        QVERIFY(!amount(sale.get(), "meAcresDesc2")->isEnabled());
        auto *item = in<QLineEdit>(sale.get(), "meItem");
        item->clear();
        QTest::keyClicks(item, QStringLiteral("2x"));
        radio(sale.get(), kind.constData())->click();
        QVERIFY(amount(sale.get(), "meAcresDesc2")->isEnabled());
        radio(sale.get(), form.constData())->click();
        type(sale.get(), "meAcresDesc2", keys);
        click(sale.get(), "btEnviarAcreDescItem");
        QFETCH(QByteArray, sent);
        QCOMPARE(lastFrame(ModelB), esc(0xCB) + "002" + sent);
        QCOMPARE(item->text(), QStringLiteral("002"));
        QTEST(printer(ModelB)->document().items.value(1).adjustment, "adjusted");
    }

    // ---- Cancellation ----

    void cancellation_data() {
        QTest::addColumn<QByteArray>("choice");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("refused");
        QTest::newRow("A item 2") << QByteArray("rbItem") << esc(0xCD) + "002" << false;
        QTest::newRow("A coupon") << QByteArray("rbCF") << esc(0xCE) << false;
        QTest::newRow("B item 2") << QByteArray("rbItem") << esc(0xCC) + "002" << false;
        QTest::newRow("B coupon") << QByteArray("rbCF") << esc(0xD3) << false;
        // No credit/debit voucher was issued: the printer refuses, the window closes anyway.
        QTest::newRow("B CCD") << QByteArray("rbCCD") << esc(0xD9) + "000042" << true;
    }
    void cancellation() {
        QFETCH(QByteArray, choice);
        QFETCH(bool, refused);
        const uint model = modelOf(QTest::currentDataTag());
        openCoupon(model, 2);
        toolState().CurrentCOO.set(QStringLiteral("000041"));
        cancel->show();
        QVERIFY(!fiscal()->isEnabled());
        QCOMPARE(in<QLineEdit>(cancel.get(), "meCOO")->text(), QStringLiteral("000041"));
        radio(cancel.get(), choice.constData())->click();
        in<QLineEdit>(cancel.get(), "meItem")->setText(QStringLiteral("2"));
        in<QLineEdit>(cancel.get(), "meCOO")->setText(QStringLiteral("42"));
        click(cancel.get(), "btProceder");

        QTEST(lastFrame(model), "frame");
        QVERIFY(!cancel->isVisible());
        QVERIFY(fiscal()->isEnabled());
        QCOMPARE(messages().count(), refused ? 1 : 0);
        const emu::DocumentView coupon = printer(model)->document();
        if (choice == "rbItem")
            QVERIFY(coupon.items.value(1).cancelled && !coupon.items.value(0).cancelled);
        else if (choice == "rbCF")
            QCOMPARE(coupon.kind, emu::DocumentKind::None);
    }

    void cancellationChoices_data() {
        QTest::addColumn<bool>("voucherOffered");
        QTest::newRow("A") << false;
        QTest::newRow("B") << true;
    }
    void cancellationChoices() {
        QFETCH(bool, voucherOffered);
        // A CCD choice made on model B does not survive, out of sight, on model A.
        toolState().ModelCode = ModelB;
        cancel->show();
        radio(cancel.get(), "rbCCD")->click();
        QVERIFY(!in<QLineEdit>(cancel.get(), "meItem")->isEnabled());
        QVERIFY(in<QLineEdit>(cancel.get(), "meCOO")->isEnabled());
        cancel->hide();
        toolState().ModelCode = modelOf(QTest::currentDataTag());
        cancel->show();
        QCOMPARE(radio(cancel.get(), "rbCCD")->isVisible(), voucherOffered);
        QCOMPARE(in<QLabel>(cancel.get(), "lbCOO")->isVisible(), voucherOffered);
        QCOMPARE(in<QLineEdit>(cancel.get(), "meCOO")->isVisible(), voucherOffered);
        QCOMPARE(radio(cancel.get(), "rbItem")->isChecked(), !voucherOffered);

        radio(cancel.get(), "rbCF")->click();
        for (const char *name : {"lbItem", "meItem", "lbCOO", "meCOO"})
            QVERIFY2(!in<QWidget>(cancel.get(), name)->isEnabled(), name);
        radio(cancel.get(), "rbItem")->click();
        QVERIFY(in<QLineEdit>(cancel.get(), "meItem")->isEnabled());
        QVERIFY(!in<QLineEdit>(cancel.get(), "meCOO")->isEnabled());

        // Without a printer nothing is sent and the window stays.
        click(cancel.get(), "btProceder");
        QCOMPARE(messages().texts(), QStringList({NoPrinter}));
        QVERIFY(cancel->isVisible());
        click(cancel.get(), "btSair");
        QVERIFY(!cancel->isVisible());
    }

    // ---- Totalization ----

    void totalization_data() {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<bool>("percentage");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<qint64>("subtotal");
        QTest::newRow("A none") << QByteArray("rbNenhum") << false << "123"
                                << esc(0xF1) + "1" + QByteArray(12, '0') << qint64(200);
        QTest::newRow("B none") << QByteArray("rbNenhum") << false << "123"
                                << esc(0xCE) + "1" + QByteArray(12, '0') << qint64(200);
        QTest::newRow("A surcharge 10%") << QByteArray("rbAcrescimo") << true << "1000"
                                         << esc(0xF1) + "2100000000000" << qint64(220);
        QTest::newRow("B discount R$ 0,50") << QByteArray("rbDesconto") << false << "50"
                                            << esc(0xCE) + "1000000000050" << qint64(150);
    }
    void totalization() {
        QFETCH(QByteArray, kind);
        QFETCH(bool, percentage);
        QFETCH(QString, keys);
        const uint model = modelOf(QTest::currentDataTag());
        openCoupon(model, 2);
        QSignalSpy handedOn(total.get(), &TfmTotalizacao::subtotalReceived);
        total->show();
        QVERIFY(!fiscal()->isEnabled());
        radio(total.get(), kind.constData())->click();
        if (percentage)
            radio(total.get(), "rbPorcentagem")->click();
        QCOMPARE(amount(total.get(), "meAcresDesc")->digitBytes().size(), percentage ? 4 : 12);
        QCOMPARE(amount(total.get(), "meAcresDesc")->isEnabled(), kind != "rbNenhum");
        QCOMPARE(in<QWidget>(total.get(), "pnAcresDesc2")->isVisible(), kind != "rbNenhum");
        type(total.get(), "meAcresDesc", keys);
        click(total.get(), "btProceder");

        QCOMPARE(messages().texts(), QStringList());
        QTEST(lastFrame(model), "frame");
        QVERIFY(!total->isVisible());
        QVERIFY(fiscal()->isEnabled());
        QCOMPARE(printer(model)->document().phase, emu::DocumentPhase::Totalized);
        QCOMPARE(handedOn.size(), 1);
        QFETCH(qint64, subtotal);
        // The printer answers the total after the adjustment.
        QCOMPARE(handedOn.first().first().toByteArray(), amount12(subtotal));
    }

    void totalizationRefusedOrWithoutPrinter() {
        QSignalSpy subtotal(total.get(), &TfmTotalizacao::subtotalReceived);
        total->show();
        click(total.get(), "btProceder");
        QCOMPARE(messages().texts(), QStringList({NoPrinter}));
        QVERIFY(total->isVisible());

        // No coupon open: the printer refuses, the window closes, nothing is handed on.
        QVERIFY(fixture::connectPrinter(ModelB));
        messages().clear();
        click(total.get(), "btProceder");
        QCOMPARE(messages().count(), 1);
        QVERIFY(!total->isVisible());
        QCOMPARE(subtotal.size(), 0);
    }
};

QTEST_MAIN(TestItemWindows)
#include "test_item_windows.moc"
