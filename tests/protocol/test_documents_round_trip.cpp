// Whole fiscal documents through the command sets against both emulated models: the COO,
// subtotal and balance the tool receives are the ones the printer computed.
#include "app/clock.h"
#include "app/global.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "printer.h"
#include "protocol/cmd210.h"
#include "protocol/cmd4700.h"
#include "support/recording_messages.h"

#include <QtTest>

#include <cstring>
#include <thread>

namespace {

template <size_t N> void put(uint8_t (&field)[N], const char *text) {
    std::memset(field, 0, N);
    std::memcpy(field, text, std::min(N, std::strlen(text)));
}
template <size_t N> void digits(uint8_t (&field)[N], const char *text) {
    QCOMPARE(std::strlen(text), N);
    std::memcpy(field, text, N);
}
template <size_t N> QByteArray str(const uint8_t (&field)[N]) {
    return QByteArray(reinterpret_cast<const char *>(field), int(N));
}
QByteArray cooText(int coo) {
    return QByteArray::number(coo).rightJustified(6, '0');
}
QByteArray amountText(qint64 centavos) {
    return QByteArray::number(centavos).rightJustified(12, '0');
}

} // namespace

class TestDocumentsRoundTrip : public QObject {
    Q_OBJECT

    Link link;
    std::shared_ptr<emu::Printer> printer;
    std::unique_ptr<CommandSet> commands;
    std::unique_ptr<RecordingMessages> messages;
    bool modelA = false;

    void connectTo(emu::Model model, const QByteArray &firmware) {
        printer = emu::Printer::create(model, {"24681357", firmware, "0001"});
        printer->setPrintTimeMs(20);
        link.setTransportFactory(
            [this](const QString &) { return std::make_unique<EmulatorTransport>(printer); });
        QCOMPARE(link.OpenPort(QStringLiteral("emulated"), 9600, false), 0);
        modelA = model == emu::Model::A;
        toolState().ModelCode = modelA ? ModelA : ModelB;
        toolState().FirmwareVersionNumber = firmware.toDouble();
        if (modelA)
            commands = std::make_unique<Cmd210>(link);
        else
            commands = std::make_unique<Cmd4700>(link);
    }

    // A day ready for documents: a tax rate, a linked card method, a totalizer, a report
    // name, and the day's first Leitura X.
    void prepareDay() {
        QVERIFY(commands->ProgramTaxRate({0, {'1', '8', '0', '0'}}));
        PaymentMethodRecord card{1, {'0', '2'}, {}};
        std::memset(card.name, ' ', 21);
        std::memcpy(card.name, "Cartao", 6);
        QVERIFY(commands->ProgramPaymentMethod(card));
        if (modelA)
            QVERIFY(commands->ProgramLinkedTotalizer(card));
        TotalizerRecord income{0, {' ', ' '}, {}};
        std::memset(income.name, ' ', 21);
        std::memcpy(income.name, "Recebimento", 11);
        QVERIFY(commands->ProgramNonFiscalTotalizer(income));
        if (!modelA) {
            uint8_t report[21];
            std::memset(report, ' ', 21);
            std::memcpy(report, "Gerencial", 9);
            QVERIFY(commands->ProgramReportName(report));
        }
        QVERIFY(commands->ReadingX());
        QVERIFY(commands->WaitPrinterIdle());
    }

    ItemRecord item(const char *code, const char *description, const char *price,
                    const char *quantity) {
        ItemRecord r;
        std::memset(&r, 0, sizeof r);
        r.form = 0; // long form: price with 3 decimals, quantity with 3 decimals
        put(r.code, code);
        put(r.description, description);
        digits(r.price, price);
        std::memcpy(r.taxCode, "TA", 2);
        digits(r.quantity, quantity);
        std::memcpy(r.unit, "un", 2);
        r.quantityFormat = 'D';
        std::memset(r.adjustment, '0', 9);
        r.adjustmentType = 'N';
        r.adjustmentMode = 'V';
        return r;
    }
    PaymentRecord payment(char methodA, const char *methodB, qint64 centavos) {
        PaymentRecord p;
        std::memset(&p, 0, sizeof p);
        if (modelA)
            p.method[0] = uint8_t(methodA);
        else
            std::memcpy(p.method, methodB, 2);
        std::memcpy(p.amount, amountText(centavos).constData(), 12);
        return p;
    }

private slots:
    void init() {
        resetToolState();
        Clock::setScale(0.01);
        messages = std::make_unique<RecordingMessages>();
    }
    void cleanup() {
        commands.reset();
        link.ClosePort();
        link.setTransportFactory({});
        messages.reset();
        Clock::setScale(1.0);
    }

    void models_data() {
        QTest::addColumn<int>("model");
        QTest::newRow("MV210") << int(emu::Model::A);
        QTest::newRow("MV4700") << int(emu::Model::B);
    }

    void wholeCoupon_data() { models_data(); }
    void wholeCoupon() {
        QFETCH(int, model);
        connectTo(emu::Model(model), "1.22");
        prepareDay();
        char coo[6];
        QVERIFY(commands->OpenCoupon(coo));
        QCOMPARE(QByteArray(coo, 6), cooText(printer->documentCounter()));
        // 2 x 5,000 = 10,00; 1 x 12,345 = 12,34 (truncated), cancelled; 3 x 3,000 = 9,00.
        QVERIFY(commands->SellItem(item("001", "Arroz", "0000005000", "00002000")));
        QVERIFY(commands->SellItem(item("002", "Feijao", "0000012345", "00001000")));
        QCOMPARE(printer->document().items.value(1).gross, 1234);
        QVERIFY(commands->CancelItem("002"));
        QVERIFY(commands->SellItem(item("003", "Leite", "0000003000", "00003000")));
        TotalRecord total;
        std::memset(&total, 0, sizeof total);
        std::memcpy(total.amount, amountText(100).constData(), 12); // R$ 1,00 off
        total.adjustmentType = 'D';
        total.adjustmentMode = 'V';
        QVERIFY(commands->Totalize(total));
        QCOMPARE(printer->document().total, 1800);
        QCOMPARE(str(total.amount), amountText(printer->document().total));

        PaymentRecord cash = payment('A', "01", 1000);
        QVERIFY(commands->RegisterPayment(cash));
        QCOMPARE(str(cash.amount), amountText(800));
        QCOMPARE(printer->document().balance, 800);
        PaymentRecord card = payment('B', "52", 800);
        QVERIFY(commands->RegisterPayment(card));
        QCOMPARE(str(card.amount), amountText(0));
        QVERIFY(commands->CloseCoupon("Obrigado pela preferencia"));
        QCOMPARE(printer->document().kind, emu::DocumentKind::None);
        const QByteArray couponCoo(coo, 6);

        // The credit/debit voucher of the card payment.
        LinkedVoucherRecord linked;
        std::memset(&linked, 0, sizeof linked);
        if (modelA) {
            linked.method[0] = 'B';
            linked.linkedTotalizer = 'A';
        } else {
            std::memcpy(linked.method, "52", 2);
        }
        std::memcpy(linked.coo, couponCoo.constData(), 6);
        std::memcpy(linked.amount, amountText(800).constData(), 12);
        QVERIFY(commands->OpenVoucher(linked, coo));
        QCOMPARE(QByteArray(coo, 6), cooText(printer->documentCounter()));
        QVERIFY(commands->PrintReportLines("Cartao 1234\r\nAutorizacao 99"));
        QCOMPARE(printer->document().lines.size(), 2);
        QVERIFY(commands->CloseReport());
        if (!modelA)
            QVERIFY(commands->ReprintVoucher());
        QCOMPARE(messages->count(), 0);
    }

    void nonFiscalVoucherAndReport_data() { models_data(); }
    void nonFiscalVoucherAndReport() {
        QFETCH(int, model);
        connectTo(emu::Model(model), "1.22");
        prepareDay();
        VoucherRecord voucher;
        std::memset(&voucher, 0, sizeof voucher);
        if (modelA)
            voucher.totalizer[0] = 'A';
        else
            std::memcpy(voucher.totalizer, "01", 2);
        voucher.adjustmentType = 'N';
        std::memset(voucher.adjustment, '0', 8);
        std::memcpy(voucher.amount, "00002500", 8);
        voucher.adjustmentMode = 'V';
        char coo[6];
        QVERIFY(commands->IssueNonFiscalVoucher(voucher, coo));
        QCOMPARE(QByteArray(coo, 6), cooText(printer->documentCounter()));
        QCOMPARE(printer->document().total, 2500);
        PaymentRecord cash = payment('A', "01", 3000);
        QVERIFY(commands->RegisterPayment(cash));
        QCOMPARE(str(cash.amount), amountText(0));
        QCOMPARE(printer->document().change, 500);
        QVERIFY(commands->CloseCoupon(""));

        QVERIFY(commands->OpenManagementReport("01", coo));
        QCOMPARE(QByteArray(coo, 6), cooText(printer->documentCounter()));
        QVERIFY(commands->PrintReportLines("Linha 1\r\n\r\nLinha 2\r\nLinha 3"));
        QCOMPARE(printer->document().lines.size(), 3);
        QVERIFY(commands->CloseReport());
        QCOMPARE(messages->count(), 0);
    }

    void outOfSequenceShowsThePrintersMessage_data() { models_data(); }
    void outOfSequenceShowsThePrintersMessage() {
        QFETCH(int, model);
        connectTo(emu::Model(model), "1.22");
        prepareDay();
        QVERIFY(!commands->CloseCoupon("")); // no document open
        QVERIFY2(messages->texts().value(0).startsWith(QStringLiteral("ERRO: 11\r\n\n")),
                 qPrintable(messages->texts().value(0)));
        char coo[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
        QVERIFY(commands->OpenCoupon(coo));
        messages->clear();
        std::memcpy(coo, "xxxxxx", 6);
        QVERIFY(!commands->OpenCoupon(coo)); // one is open already
        QVERIFY(messages->texts().value(0).startsWith(QStringLiteral("ERRO: 10\r\n\n")));
        QCOMPARE(QByteArray(coo, 6), QByteArray("xxxxxx")); // untouched on failure
    }

    void authentication_data() {
        QTest::addColumn<int>("model");
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<bool>("newFirmware");
        QTest::newRow("MV210 1.22") << int(emu::Model::A) << QByteArray("1.22") << true;
        QTest::newRow("MV210 1.20") << int(emu::Model::A) << QByteArray("1.20") << false;
        QTest::newRow("MV4700 1.01") << int(emu::Model::B) << QByteArray("1.01") << true;
        QTest::newRow("MV4700 1.00") << int(emu::Model::B) << QByteArray("1.00") << false;
    }
    void authentication() {
        QFETCH(int, model);
        QFETCH(QByteArray, firmware);
        QFETCH(bool, newFirmware);
        connectTo(emu::Model(model), firmware);
        prepareDay();
        char coo[6];
        QVERIFY(commands->OpenCoupon(coo));
        QVERIFY(commands->SellItem(item("001", "Arroz", "0000005000", "00001000")));
        TotalRecord total;
        std::memset(&total, '0', sizeof total);
        total.adjustmentType = 'N';
        total.adjustmentMode = 'V';
        QVERIFY(commands->Totalize(total));
        PaymentRecord cash = payment('A', "01", 500);
        QVERIFY(commands->RegisterPayment(cash));
        QVERIFY(commands->CloseCoupon(""));

        // Answered once the slip is in the slot.
        bool done = false, result = false;
        std::thread worker([&] {
            result = commands->Authenticate("AUTENTICADO", 11);
            done = true;
        });
        QTRY_VERIFY(printer->authenticationWaiting());
        QTest::qWait(30);
        QVERIFY(!done);
        printer->setDocumentInserted(true);
        QTRY_VERIFY(done);
        worker.join();
        QVERIFY(result);
        printer->setDocumentInserted(false);

        // Aborted while waiting: newer firmware takes CAN, older is left waiting and the user
        // is told to switch the printer off.
        done = false;
        std::thread second([&] {
            result = commands->Authenticate("OUTRA", 5);
            done = true;
        });
        QTRY_VERIFY(printer->authenticationWaiting());
        printer->clearReceivedFrames();
        QVERIFY(commands->AbortAuthentication());
        QTRY_VERIFY(done);
        second.join();
        QVERIFY(result);
        if (newFirmware) {
            QCOMPARE(printer->receivedFrames(), QList<QByteArray>{QByteArray("\x18")});
            QVERIFY(!printer->authenticationWaiting());
            QCOMPARE(messages->count(), 0);
        } else {
            QVERIFY(printer->receivedFrames().isEmpty());
            QVERIFY(printer->authenticationWaiting());
            QCOMPARE(messages->texts(),
                     QStringList{QStringLiteral("Desligue a impressora para cancelar!")});
            QCOMPARE(messages->shown().value(0).caption, QStringLiteral("Aviso"));
        }
    }
};

QTEST_GUILESS_MAIN(TestDocumentsRoundTrip)
#include "test_documents_round_trip.moc"
