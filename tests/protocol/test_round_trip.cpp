// The command sets against the emulated printers: what is programmed reads back equal, the
// reports, the fiscal memory and whole fiscal documents work end to end, and the COO, subtotal
// and balance the tool receives are the ones the printer computed. The frames themselves and
// every failure path are checked byte for byte on a scripted printer (test_protocol_*).
#include "core/clock.h"
#include "core/global.h"
#include "link/codepage.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "printer.h"
#include "protocol/cmd210.h"
#include "protocol/cmd4700.h"
#include "support/recording_messages.h"

#include <QtTest>

#include <atomic>
#include <cstring>
#include <thread>

namespace {

// Fills a record field with Windows-1252 text (the source of this test is UTF-8), padded.
template <size_t N> void put(uint8_t (&field)[N], const char *utf8, char fill = ' ') {
    const QByteArray text = Codepage::toWindows1252(QString::fromUtf8(utf8));
    std::memset(field, fill, N);
    std::memcpy(field, text.constData(), std::min(N, size_t(text.size())));
}
template <size_t N> QByteArray text(const uint8_t (&field)[N]) {
    return QByteArray(reinterpret_cast<const char *>(field), int(N));
}
QByteArray padded(const char *utf8, int width) {
    return Codepage::toWindows1252(QString::fromUtf8(utf8)).leftJustified(width, ' ', true);
}
QByteArray digits(qint64 value, int width) {
    return QByteArray::number(value).rightJustified(width, '0');
}

} // namespace

class TestRoundTrip : public QObject {
    Q_OBJECT

    Link link;
    std::shared_ptr<emu::Printer> printer;
    std::unique_ptr<CommandSet> commands;
    std::unique_ptr<RecordingMessages> messages;
    bool isA = false;

    void connectTo(emu::Model which, const QByteArray &firmware) {
        printer = emu::Printer::create(which, {"13572468", firmware, "0001"});
        printer->setPrintTimeMs(20);
        link.setTransportFactory(
            [this](const QString &) { return std::make_unique<EmulatorTransport>(printer); });
        QCOMPARE(link.OpenPort(QStringLiteral("emulated"), 9600, false), 0);
        isA = which == emu::Model::A;
        toolState().ModelCode = isA ? ModelA : ModelB;
        toolState().FirmwareVersionNumber = firmware.toDouble();
        toolState().PrinterSerial.set(QStringLiteral("13572468"));
        if (isA)
            commands = std::make_unique<Cmd210>(link);
        else
            commands = std::make_unique<Cmd4700>(link);
        invalidateConfigurationCache();
    }
    static void addModels() {
        QTest::addColumn<int>("which");
        QTest::addColumn<QByteArray>("firmware");
        QTest::newRow("MV210") << int(emu::Model::A) << QByteArray("1.22");
        QTest::newRow("MV4700") << int(emu::Model::B) << QByteArray("1.01");
    }
    void connectFromData() {
        QFETCH(int, which);
        QFETCH(QByteArray, firmware);
        connectTo(emu::Model(which), firmware);
    }

    // A day ready for documents: a tax rate, a linked card method, a totalizer, a report name
    // and the day's first Leitura X.
    void prepareDay() {
        QVERIFY(commands->ProgramTaxRate({0, {'1', '8', '0', '0'}}));
        PaymentMethodRecord card{1, {'0', '2'}, {}};
        put(card.name, "Cartao");
        QVERIFY(commands->ProgramPaymentMethod(card));
        if (isA)
            QVERIFY(commands->ProgramLinkedTotalizer(card));
        TotalizerRecord income{0, {' ', ' '}, {}};
        put(income.name, "Recebimento");
        QVERIFY(commands->ProgramNonFiscalTotalizer(income));
        if (!isA) {
            uint8_t report[21];
            put(report, "Gerencial");
            QVERIFY(commands->ProgramReportName(report));
        }
        QVERIFY(commands->ReadingX());
        QVERIFY(commands->WaitPrinterIdle());
    }
    // A long-form item: price and quantity with three decimals each, no adjustment.
    static ItemRecord item(const char *code, const char *price, const char *quantity) {
        ItemRecord r{};
        put(r.code, code, '\0');
        put(r.description, "Produto", '\0');
        std::memcpy(r.price, price, 10);
        std::memcpy(r.taxCode, "TA", 2);
        std::memcpy(r.quantity, quantity, 8);
        std::memcpy(r.unit, "un", 2);
        r.quantityFormat = 'D';
        std::memset(r.adjustment, '0', 9);
        r.adjustmentType = 'N';
        r.adjustmentMode = 'V';
        return r;
    }
    PaymentRecord payment(char methodA, const char *methodB, qint64 centavos) const {
        PaymentRecord p{};
        if (isA)
            p.method[0] = uint8_t(methodA);
        else
            std::memcpy(p.method, methodB, 2);
        std::memcpy(p.amount, digits(centavos, 12).constData(), 12);
        return p;
    }
    bool sellAndPay(qint64 centavos) {
        char coo[6];
        TotalRecord total{};
        std::memset(total.amount, '0', 12);
        total.adjustmentType = 'N';
        total.adjustmentMode = 'V';
        PaymentRecord cash = payment('A', "01", centavos);
        return commands->OpenCoupon(coo) &&
               commands->SellItem(item("001", "0000005000", "00001000")) &&
               commands->Totalize(total) && commands->RegisterPayment(cash) &&
               commands->CloseCoupon("");
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

    // Rates, payment methods, totalizers, report names and the operator read back as sent.
    void tablesReadBack_data() { addModels(); }
    void tablesReadBack() {
        connectFromData();
        const TaxRateRecord rates[] = {
            {0, {'1', '8', '0', '0'}}, {1, {'0', '5', '0', '0'}}, {0, {'1', '2', '0', '0'}}};
        for (const TaxRateRecord &rate : rates)
            QVERIFY(commands->ProgramTaxRate(rate));
        PaymentMethodRecord card{0, {'0', '3'}, {}}, linked{1, {'0', '2'}, {}};
        put(card.name, "Cartão Débito");
        put(linked.name, "Crédito Parcelado XYZ"); // 21 characters
        QVERIFY(commands->ProgramPaymentMethod(card));
        QVERIFY(commands->ProgramPaymentMethod(linked));
        if (isA) {
            QVERIFY(commands->ProgramLinkedTotalizer(card));   // not linked: nothing to do
            QVERIFY(commands->ProgramLinkedTotalizer(linked)); // registers the linked voucher
        }
        TotalizerRecord in{0, {' ', ' '}, {}}, out{1, {' ', ' '}, {}};
        put(in.name, "Recebimento");
        put(out.name, "Sangria");
        QVERIFY(commands->ProgramNonFiscalTotalizer(in));
        QVERIFY(commands->ProgramNonFiscalTotalizer(out));
        uint8_t report[21];
        put(report, "Vendas do Dia");
        if (!isA)
            QVERIFY(commands->ProgramReportName(report));
        OperatorRecord op;
        put(op.store, "0042");
        put(op.name, "José da Silva");
        QVERIFY(commands->ProgramOperator(op));
        // Skipped entries send nothing: an unused rate, a payment index 00 (refused).
        printer->clearReceivedFrames();
        QVERIFY(commands->ProgramTaxRate({0, {'/', '/', '/', '/'}}));
        PaymentMethodRecord zero{0, {'0', '0'}, {}};
        put(zero.name, "Zero");
        QVERIFY(!commands->ProgramPaymentMethod(zero));
        QVERIFY(printer->receivedFrames().isEmpty());
        messages->clear();
        invalidateConfigurationCache();

        TaxRateRecord read[16];
        QVERIFY(commands->ReadTaxRates(read));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(read[i].iss, rates[i].iss);
            QCOMPARE(text(read[i].rate), text(rates[i].rate));
        }
        PaymentMethodTable methods;
        QVERIFY(commands->ReadPaymentMethods(methods));
        QCOMPARE(methods.entries[2].flag, uint8_t(0));
        if (isA) {
            // Model A: slot = index; 17-character names.
            QCOMPARE(text(methods.entries[2].name), padded("Cartão Débito", 17) + "    ");
            QCOMPARE(text(methods.entries[1].name), padded("Crédito Parcelado", 17) + "    ");
            QCOMPARE(methods.entries[1].flag, uint8_t(1));
            NameTable totalizers;
            QVERIFY(commands->ReadLinkedTotalizers(totalizers));
            QCOMPARE(text(totalizers.names[0]), padded("Crédito Parcelado", 17) + "    ");
        } else {
            // Model B: 01-16 in slots 1-16, 51-66 in slots 17-32.
            QCOMPARE(text(methods.entries[2].name), padded("Cartão Débito", 21));
            QCOMPARE(text(methods.entries[17].name), padded("Crédito Parcelado XYZ", 21));
            QCOMPARE(methods.entries[17].flag, uint8_t(1));
            NameTable reports;
            QVERIFY(commands->ReadReportNames(reports));
            QCOMPARE(text(reports.names[0]), padded("Vendas do Dia", 21));
        }
        TotalizerTable totalizers;
        QVERIFY(commands->ReadNonFiscalTotalizers(totalizers));
        QCOMPARE(totalizers.entries[0].flag, uint8_t(0));
        QCOMPARE(text(totalizers.entries[0].name), padded("Recebimento", 21));
        QCOMPARE(totalizers.entries[1].flag, uint8_t(1));
        QCOMPARE(text(totalizers.entries[1].name), padded("Sangria", 21));
        OperatorRecord readOp{};
        QVERIFY(commands->ReadOperator(readOp));
        const int width = isA ? 16 : 13;
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(readOp.name), width).replace('\0', ' '),
                 padded("José da Silva", width));
        if (!isA)
            QCOMPARE(text(readOp.store), QByteArray("0042"));
        QCOMPARE(messages->count(), 0);
    }

    void optionsAndDaylightSaving_data() { addModels(); }
    void optionsAndDaylightSaving() {
        connectFromData();
        OptionsBlock options;
        std::memset(options.bytes, 0, sizeof options.bytes);
        std::memcpy(options.bytes, "1000100", 7); // LX on, RZ off, DST 'X' below, ISS discount 1
        options.bytes[OptionsBlock::DaylightSaving] = 'X';
        std::memcpy(options.bytes + OptionsBlock::LineHeight, "2406", 4);
        std::memcpy(options.bytes + OptionsBlock::ReductionZMinHour, "03", 2);
        options.bytes[OptionsBlock::AdditionalCoupon] = '1';
        options.bytes[OptionsBlock::PaperCutter] = '0';
        options.bytes[OptionsBlock::Rounding] = '1';
        QVERIFY(commands->ProgramOptions(options));
        OptionsBlock read;
        std::memset(read.bytes, '?', sizeof read.bytes);
        QVERIFY(commands->ReadOptions(read));
        for (int offset : {0, 1, 4, 5, 7, 8, 9, 10, 11, 12})
            QCOMPARE(char(read.bytes[offset]), char(options.bytes[offset]));
        if (isA)
            for (int offset : {13, 16, 20})
                QCOMPARE(char(read.bytes[offset]), char(options.bytes[offset]));
        QCOMPARE(char(read.bytes[3]), '?'); // not reported: left as it was

        QVERIFY(commands->SetDaylightSavingTime(1));
        QVERIFY(commands->IsDaylightSavingTime());
        QVERIFY(commands->SetDaylightSavingTime(0));
        QVERIFY(!commands->IsDaylightSavingTime());
        // Switching daylight saving leaves the other options alone.
        QVERIFY(commands->ReadOptions(read));
        QCOMPARE(char(read.bytes[0]), '1');
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(read.bytes) + 7, 6),
                 QByteArray("240603"));
        QCOMPARE(messages->count(), 0);
    }

    void clockReportsAndIdle_data() { addModels(); }
    void clockReportsAndIdle() {
        connectFromData();
        ClockRecord c;
        QVERIFY(commands->ReadClock(c));
        const QDateTime printerTime(QDate(c.year, c.month, c.day),
                                    QTime(c.hour, c.minute, c.second));
        QVERIFY(qAbs(printerTime.secsTo(QDateTime::currentDateTime())) < 5);
        QVERIFY(commands->ReadingX());
        QVERIFY(commands->WaitPrinterIdle());
        QVERIFY(commands->ReductionZ());
        QVERIFY(commands->WaitPrinterIdle());
        QVERIFY(!commands->ReductionZ()); // one per day
        QVERIFY(messages->texts().value(0).startsWith(QStringLiteral("ERRO: 22\r\n\n")));
        printer->setSilent(true);
        QVERIFY(!commands->ReadingX());
        QCOMPARE(messages->texts().value(1), QStringLiteral("ERRO DE COMUNICAÇÃO!"));
    }

    void fiscalMemoryToThePc_data() { addModels(); }
    void fiscalMemoryToThePc() {
        connectFromData();
        printer->addPastReductions(30);
        QByteArray report;
        qint64 lastCount = 0;
        CommandSet::ReadingEnd how = CommandSet::ReadingEnd::Failed;
        QVERIFY(commands->ReadFiscalMemory(
            "000001", "005000", 's',
            [&](const QByteArray &t, qint64 count) {
                report += t;
                QVERIFY(count >= lastCount);
                lastCount = count;
            },
            &how));
        QCOMPARE(how, CommandSet::ReadingEnd::Complete);
        QVERIFY(report.size() > 100);
        QVERIFY(!report.contains('\xFF'));
        QVERIFY(lastCount > report.size()); // the count includes the header and end mark
        QCOMPARE(messages->count(), 0);
    }

    // A coupon with a cancelled item, a discount and two payments, then its credit/debit
    // voucher; refusals out of sequence reach the user and leave the COO untouched.
    void wholeCoupon_data() { addModels(); }
    void wholeCoupon() {
        connectFromData();
        prepareDay();
        char coo[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
        QVERIFY(!commands->CloseCoupon("")); // no document open
        QVERIFY2(messages->texts().value(0).startsWith(QStringLiteral("ERRO: 11\r\n\n")),
                 qPrintable(messages->texts().value(0)));
        QVERIFY(commands->OpenCoupon(coo));
        QCOMPARE(QByteArray(coo, 6), digits(printer->documentCounter(), 6));
        const QByteArray couponCoo(coo, 6);
        messages->clear();
        std::memcpy(coo, "xxxxxx", 6);
        QVERIFY(!commands->OpenCoupon(coo)); // one is open already
        QVERIFY(messages->texts().value(0).startsWith(QStringLiteral("ERRO: 10\r\n\n")));
        QCOMPARE(QByteArray(coo, 6), QByteArray("xxxxxx"));
        messages->clear();

        // 2 x 5,000 = 10,00; 1 x 12,345 = 12,34 (truncated), cancelled; 3 x 3,000 = 9,00.
        QVERIFY(commands->SellItem(item("001", "0000005000", "00002000")));
        QVERIFY(commands->SellItem(item("002", "0000012345", "00001000")));
        QCOMPARE(printer->document().items.value(1).gross, 1234);
        QVERIFY(commands->CancelItem("002"));
        QVERIFY(commands->SellItem(item("003", "0000003000", "00003000")));
        TotalRecord total{};
        std::memcpy(total.amount, digits(100, 12).constData(), 12); // R$ 1,00 off
        total.adjustmentType = 'D';
        total.adjustmentMode = 'V';
        QVERIFY(commands->Totalize(total));
        QCOMPARE(printer->document().total, 1800);
        QCOMPARE(text(total.amount), digits(1800, 12));
        PaymentRecord cash = payment('A', "01", 1000);
        QVERIFY(commands->RegisterPayment(cash));
        QCOMPARE(text(cash.amount), digits(800, 12));
        QCOMPARE(printer->document().balance, 800);
        PaymentRecord card = payment('B', "52", 800);
        QVERIFY(commands->RegisterPayment(card));
        QCOMPARE(text(card.amount), digits(0, 12));
        QVERIFY(commands->CloseCoupon("Obrigado pela preferencia"));
        QCOMPARE(printer->document().kind, emu::DocumentKind::None);

        LinkedVoucherRecord linked{};
        if (isA) {
            linked.method[0] = 'B';
            linked.linkedTotalizer = 'A';
        } else {
            std::memcpy(linked.method, "52", 2);
        }
        std::memcpy(linked.coo, couponCoo.constData(), 6);
        std::memcpy(linked.amount, digits(800, 12).constData(), 12);
        QVERIFY(commands->OpenVoucher(linked, coo));
        QCOMPARE(QByteArray(coo, 6), digits(printer->documentCounter(), 6));
        QVERIFY(commands->PrintReportLines("Cartao 1234\r\nAutorizacao 99"));
        QCOMPARE(printer->document().lines.size(), 2);
        QVERIFY(commands->CloseReport());
        if (!isA)
            QVERIFY(commands->ReprintVoucher());
        QCOMPARE(messages->count(), 0);
    }

    void nonFiscalVoucherAndReport_data() { addModels(); }
    void nonFiscalVoucherAndReport() {
        connectFromData();
        prepareDay();
        VoucherRecord voucher{};
        if (isA)
            voucher.totalizer[0] = 'A';
        else
            std::memcpy(voucher.totalizer, "01", 2);
        voucher.adjustmentType = 'N';
        std::memset(voucher.adjustment, '0', 8);
        std::memcpy(voucher.amount, "00002500", 8);
        voucher.adjustmentMode = 'V';
        char coo[6];
        QVERIFY(commands->IssueNonFiscalVoucher(voucher, coo));
        QCOMPARE(QByteArray(coo, 6), digits(printer->documentCounter(), 6));
        QCOMPARE(printer->document().total, 2500);
        PaymentRecord cash = payment('A', "01", 3000);
        QVERIFY(commands->RegisterPayment(cash));
        QCOMPARE(text(cash.amount), digits(0, 12));
        QCOMPARE(printer->document().change, 500);
        QVERIFY(commands->CloseCoupon(""));

        QVERIFY(commands->OpenManagementReport("01", coo));
        QCOMPARE(QByteArray(coo, 6), digits(printer->documentCounter(), 6));
        QVERIFY(commands->PrintReportLines("Linha 1\r\n\r\nLinha 2\r\nLinha 3"));
        QCOMPARE(printer->document().lines.size(), 3);
        QVERIFY(commands->CloseReport());
        QCOMPARE(messages->count(), 0);
    }

    // Answered once the slip is in; aborted while waiting, newer firmware takes CAN, older is
    // left waiting and the user is told to switch the printer off.
    void authentication_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<bool>("newFirmware");
        QTest::newRow("MV210 1.22") << int(emu::Model::A) << QByteArray("1.22") << true;
        QTest::newRow("MV210 1.20") << int(emu::Model::A) << QByteArray("1.20") << false;
        QTest::newRow("MV4700 1.01") << int(emu::Model::B) << QByteArray("1.01") << true;
        QTest::newRow("MV4700 1.00") << int(emu::Model::B) << QByteArray("1.00") << false;
    }
    void authentication() {
        QFETCH(bool, newFirmware);
        connectFromData();
        prepareDay();
        QVERIFY(sellAndPay(500));

        std::atomic<bool> done = false;
        bool result = false;
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
        QCOMPARE(printer->authenticationWaiting(), !newFirmware);
        if (newFirmware) {
            QCOMPARE(printer->receivedFrames(), QList<QByteArray>{QByteArray("\x18")});
            QCOMPARE(messages->count(), 0);
        } else {
            QVERIFY(printer->receivedFrames().isEmpty());
            QCOMPARE(messages->texts(),
                     QStringList{QStringLiteral("Desligue a impressora para cancelar!")});
            QCOMPARE(messages->shown().value(0).caption, QStringLiteral("Aviso"));
        }
    }
};

QTEST_GUILESS_MAIN(TestRoundTrip)
#include "test_round_trip.moc"
