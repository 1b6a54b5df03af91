// The command sets against the emulated printers: what is programmed reads back equal, the
// reports and the fiscal memory work end to end, and a silent or refusing printer gives the
// right message and a false result at every operation.
#include "app/clock.h"
#include "app/global.h"
#include "link/codepage.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "printer.h"
#include "protocol/cmd210.h"
#include "protocol/cmd4700.h"
#include "support/recording_messages.h"

#include <QtTest>

#include <cstring>
#include <functional>

namespace {

// Fills a record field with Windows-1252 text (the source of this test is UTF-8), padded.
template <size_t N> void put(uint8_t (&field)[N], const char *utf8) {
    const QByteArray text = Codepage::toWindows1252(QString::fromUtf8(utf8));
    std::memset(field, ' ', N);
    std::memcpy(field, text.constData(), std::min(N, size_t(text.size())));
}

template <size_t N> QByteArray text(const uint8_t (&field)[N]) {
    return QByteArray(reinterpret_cast<const char *>(field), int(N));
}

QByteArray padded(const char *utf8, int width) {
    return Codepage::toWindows1252(QString::fromUtf8(utf8)).leftJustified(width, ' ', true);
}

} // namespace

class TestRoundTrip : public QObject {
    Q_OBJECT

    Link link;
    std::shared_ptr<emu::Printer> printer;
    std::unique_ptr<CommandSet> commands;
    std::unique_ptr<RecordingMessages> messages;
    uint32_t model = 0;

    void connectTo(emu::Model which, const QByteArray &firmware) {
        printer = emu::Printer::create(which, {"13572468", firmware, "0001"});
        printer->setPrintTimeMs(40);
        link.setTransportFactory(
            [this](const QString &) { return std::make_unique<EmulatorTransport>(printer); });
        QCOMPARE(link.OpenPort(QStringLiteral("emulated"), 9600, false), 0);
        model = which == emu::Model::A ? ModelA : ModelB;
        toolState().ModelCode = model;
        toolState().FirmwareVersionNumber = firmware.toDouble();
        toolState().PrinterSerial.set(QStringLiteral("13572468"));
        if (model == ModelA)
            commands = std::make_unique<Cmd210>(link);
        else
            commands = std::make_unique<Cmd4700>(link);
        invalidateConfigurationCache();
    }
    bool isA() const { return model == ModelA; }

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

    void taxRates_data() { addModels(); }
    void taxRates() {
        connectFromData();
        const TaxRateRecord programmed[] = {
            {0, {'1', '8', '0', '0'}}, {1, {'0', '5', '0', '0'}}, {0, {'1', '2', '0', '0'}}};
        for (const TaxRateRecord &rate : programmed)
            QVERIFY(commands->ProgramTaxRate(rate));
        const TaxRateRecord unused{0, {'/', '/', '/', '/'}};
        printer->clearReceivedFrames();
        QVERIFY(commands->ProgramTaxRate(unused));
        QVERIFY(printer->receivedFrames().isEmpty()); // skipped, nothing sent
        TaxRateRecord read[16];
        QVERIFY(commands->ReadTaxRates(read));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(read[i].iss, programmed[i].iss);
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(read[i].rate), 4),
                     QByteArray(reinterpret_cast<const char *>(programmed[i].rate), 4));
        }
        QCOMPARE(messages->count(), 0);
    }

    void paymentMethods_data() { addModels(); }
    void paymentMethods() {
        connectFromData();
        PaymentMethodRecord card{0, {'0', '3'}, {}};
        put(card.name, "Cartão Débito");
        PaymentMethodRecord linked{1, {'0', '2'}, {}};
        put(linked.name, "Crédito Parcelado XYZ"); // 21 characters
        QVERIFY(commands->ProgramPaymentMethod(card));
        QVERIFY(commands->ProgramPaymentMethod(linked));
        if (isA()) {
            QVERIFY(commands->ProgramLinkedTotalizer(card));   // not linked: nothing to do
            QVERIFY(commands->ProgramLinkedTotalizer(linked)); // registers the linked voucher
        }
        invalidateConfigurationCache();
        PaymentMethodTable table;
        QVERIFY(commands->ReadPaymentMethods(table));
        if (isA()) {
            // Model A: slot = index; 17-character names.
            QCOMPARE(text(table.entries[2].name), padded("Cartão Débito", 17) + "    ");
            QCOMPARE(table.entries[2].flag, uint8_t(0));
            QCOMPARE(text(table.entries[1].name), padded("Crédito Parcelado", 17) + "    ");
            QCOMPARE(table.entries[1].flag, uint8_t(1));
            NameTable totalizers;
            QVERIFY(commands->ReadLinkedTotalizers(totalizers));
            bool found = false;
            for (auto &name : totalizers.names)
                found = found || text(name) == padded("Crédito Parcelado", 17) + "    ";
            QVERIFY(found);
        } else {
            // Model B: 01-16 in slots 1-16, 51-66 in slots 17-32.
            QCOMPARE(text(table.entries[2].name), padded("Cartão Débito", 21));
            QCOMPARE(table.entries[2].flag, uint8_t(0));
            QCOMPARE(text(table.entries[17].name), padded("Crédito Parcelado XYZ", 21));
            QCOMPARE(table.entries[17].flag, uint8_t(1));
        }
        QCOMPARE(messages->count(), 0);
        PaymentMethodRecord zero{0, {'0', '0'}, {}};
        put(zero.name, "Zero");
        printer->clearReceivedFrames();
        QVERIFY(!commands->ProgramPaymentMethod(zero));
        QVERIFY(printer->receivedFrames().isEmpty());
    }

    void totalizersAndReports_data() { addModels(); }
    void totalizersAndReports() {
        connectFromData();
        TotalizerRecord in{0, {' ', ' '}, {}}, out{1, {' ', ' '}, {}};
        put(in.name, "Recebimento");
        put(out.name, "Sangria");
        QVERIFY(commands->ProgramNonFiscalTotalizer(in));
        QVERIFY(commands->ProgramNonFiscalTotalizer(out));
        invalidateConfigurationCache();
        TotalizerTable table;
        QVERIFY(commands->ReadNonFiscalTotalizers(table));
        QList<QPair<int, QByteArray>> found;
        for (auto &entry : table.entries)
            if (text(entry.name).trimmed().size())
                found.append({entry.flag, text(entry.name)});
        QVERIFY(found.contains(qMakePair(0, padded("Recebimento", 21))));
        QVERIFY(found.contains(qMakePair(1, padded("Sangria", 21))));
        if (!isA()) {
            uint8_t name[21];
            put(name, "Vendas do Dia");
            QVERIFY(commands->ProgramReportName(name));
            invalidateConfigurationCache();
            NameTable reports;
            QVERIFY(commands->ReadReportNames(reports));
            bool has = false;
            for (auto &n : reports.names)
                has = has || text(n) == padded("Vendas do Dia", 21);
            QVERIFY(has);
        }
        QCOMPARE(messages->count(), 0);
    }

    void optionsAndDaylightSaving_data() { addModels(); }
    void optionsAndDaylightSaving() {
        connectFromData();
        OptionsBlock options;
        std::memset(options.bytes, 0, sizeof options.bytes);
        const char *flags = "1000100"; // LX on, RZ off, DST 'X' below, ISS discount 1
        std::memcpy(options.bytes, flags, 7);
        options.bytes[OptionsBlock::DaylightSaving] = 'X';
        options.bytes[OptionsBlock::CouponLegend] = '1';
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
        if (isA())
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

    void operatorName_data() { addModels(); }
    void operatorName() {
        connectFromData();
        OperatorRecord op;
        put(op.store, "0042");
        put(op.name, "José da Silva");
        QVERIFY(commands->ProgramOperator(op));
        invalidateConfigurationCache();
        OperatorRecord read;
        std::memset(&read, 0, sizeof read);
        QVERIFY(commands->ReadOperator(read));
        const int width = isA() ? 16 : 13;
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(read.name), width).replace('\0', ' '),
                 padded("José da Silva", width));
        if (!isA())
            QCOMPARE(text(read.store), QByteArray("0042"));
    }

    void headerThroughIntervention_data() { addModels(); }
    void headerThroughIntervention() {
        connectFromData();
        ClicheRecord cliche;
        std::memset(&cliche, 0, sizeof cliche);
        std::memcpy(cliche.ecfNumber, "0007", 4);
        const QByteArray header = "LOJA DO JOÃO\r\nRua das Flores, 12\r\n";
        const QByteArray ansi = header; // the test source is UTF-8: convert to the PC code page
        const QByteArray pcText =
            QByteArray::fromStdString(QString::fromUtf8(ansi).toLatin1().toStdString());
        std::memcpy(cliche.text, pcText.constData(), size_t(pcText.size()));
        cliche.text[pcText.size()] = 0xFF;
        cliche.length = uint32_t(pcText.size() + 1);

        QVERIFY(!commands->TechnicalIntervention(false, true, cliche)); // jumper not in place
        QCOMPARE(messages->texts().value(0),
                 QStringLiteral("Coloque a impressora em Modo Manutenção!"));
        printer->setMaintenanceJumper(true);
        ClicheRecord sent = cliche;
        QVERIFY(commands->TechnicalIntervention(false, true, sent));
        ClicheRecord read;
        std::memset(&read, 0, sizeof read);
        QVERIFY(commands->ReadCliche(read));
        QCOMPARE(text(read.ecfNumber), QByteArray("0007"));
        QCOMPARE(read.length, cliche.length);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(read.text), int(read.length)),
                 QByteArray(reinterpret_cast<const char *>(cliche.text), int(cliche.length)));
        // "ZZZ R" clears the programming but not the clock.
        const TaxRateRecord rate{0, {'1', '7', '0', '0'}};
        QVERIFY(commands->ProgramTaxRate(rate));
        ClicheRecord none;
        std::memset(&none, 0, sizeof none);
        QVERIFY(commands->TechnicalIntervention(true, false, none));
        TaxRateRecord rates[16];
        QVERIFY(commands->ReadTaxRates(rates));
        QVERIFY(QByteArray(reinterpret_cast<const char *>(rates[0].rate), 4) != "1700");
    }

    void userRecord_data() { addModels(); }
    void userRecord() {
        connectFromData();
        printer->setMaintenanceJumper(true);
        UserRecordBlock user;
        put(user.cnpj, "11.222.333/0001-81");
        put(user.ie, "123.456.789.012");
        put(user.im, "");
        put(user.authorization, "00000000");
        QVERIFY(!commands->RecordUser(user)); // a code the printer does not accept
        messages->clear();
        const QByteArray code =
            emu::authorizationCode("13572468", QByteArray(reinterpret_cast<char *>(user.cnpj), 20));
        put(user.authorization, code.constData());
        QVERIFY(commands->RecordUser(user));
        QCOMPARE(messages->texts(), QStringList{QStringLiteral("Usuário gravado!")});
        QCOMPARE(messages->shown().value(0).caption, QStringLiteral("Informação"));
    }

    void clock_data() { addModels(); }
    void clock() {
        connectFromData();
        ClockRecord c;
        QVERIFY(commands->ReadClock(c));
        const QDateTime printerTime(QDate(c.year, c.month, c.day),
                                    QTime(c.hour, c.minute, c.second));
        QVERIFY(qAbs(printerTime.secsTo(QDateTime::currentDateTime())) < 5);
    }

    void reportsAndIdle_data() { addModels(); }
    void reportsAndIdle() {
        connectFromData();
        QVERIFY(commands->ReadingX());
        QVERIFY(commands->WaitPrinterIdle());
        QVERIFY(commands->ReductionZ());
        QVERIFY(commands->WaitPrinterIdle());
        QVERIFY(!commands->ReductionZ()); // one per day
        QVERIFY(messages->texts().value(0).startsWith(QStringLiteral("ERRO: 22\r\n\n")));
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

    // Every operation, with a silent printer and with one that refuses.
    void failures_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("silent");
        const QStringList operations = {"ProgramTaxRate",
                                        "ReadTaxRates",
                                        "ProgramPaymentMethod",
                                        "ReadPaymentMethods",
                                        "ProgramNonFiscalTotalizer",
                                        "ReadNonFiscalTotalizers",
                                        "ProgramOptions",
                                        "ReadOptions",
                                        "ProgramOperator",
                                        "ReadOperator",
                                        "ReadCliche",
                                        "ReadClock",
                                        "ReadingX",
                                        "ReductionZ",
                                        "ReadFiscalMemory",
                                        "TechnicalIntervention",
                                        "StartFirmwareUpdate"};
        for (int which : {int(emu::Model::A), int(emu::Model::B)})
            for (const QString &op : operations)
                for (bool silent : {true, false})
                    QTest::newRow(qPrintable(QStringLiteral("%1 %2 %3")
                                                 .arg(which == int(emu::Model::A) ? "A" : "B", op,
                                                      silent ? "silent" : "refused")))
                        << which << op << silent;
    }
    void failures() {
        QFETCH(int, which);
        QFETCH(QString, operation);
        QFETCH(bool, silent);
        connectTo(emu::Model(which), "1.22");
        printer->setMaintenanceJumper(true);
        TaxRateRecord rate{0, {'1', '8', '0', '0'}}, rates[16];
        PaymentMethodRecord method{0, {'0', '2'}, {}};
        put(method.name, "Cheque");
        PaymentMethodTable methods;
        TotalizerRecord totalizer{0, {' ', ' '}, {}};
        put(totalizer.name, "Troco");
        TotalizerTable totalizers;
        OptionsBlock options;
        std::memset(options.bytes, '0', sizeof options.bytes);
        OperatorRecord op;
        put(op.store, "0001");
        put(op.name, "Maria");
        ClicheRecord cliche;
        std::memset(&cliche, 0, sizeof cliche);
        ClockRecord clock;
        const std::map<QString, std::function<bool()>> run = {
            {"ProgramTaxRate", [&] { return commands->ProgramTaxRate(rate); }},
            {"ReadTaxRates", [&] { return commands->ReadTaxRates(rates); }},
            {"ProgramPaymentMethod", [&] { return commands->ProgramPaymentMethod(method); }},
            {"ReadPaymentMethods", [&] { return commands->ReadPaymentMethods(methods); }},
            {"ProgramNonFiscalTotalizer",
             [&] { return commands->ProgramNonFiscalTotalizer(totalizer); }},
            {"ReadNonFiscalTotalizers",
             [&] { return commands->ReadNonFiscalTotalizers(totalizers); }},
            {"ProgramOptions", [&] { return commands->ProgramOptions(options); }},
            {"ReadOptions", [&] { return commands->ReadOptions(options); }},
            {"ProgramOperator", [&] { return commands->ProgramOperator(op); }},
            {"ReadOperator", [&] { return commands->ReadOperator(op); }},
            {"ReadCliche", [&] { return commands->ReadCliche(cliche); }},
            {"ReadClock", [&] { return commands->ReadClock(clock); }},
            {"ReadingX", [&] { return commands->ReadingX(); }},
            {"ReductionZ", [&] { return commands->ReductionZ(); }},
            {"ReadFiscalMemory",
             [&] { return commands->ReadFiscalMemory("000001", "000002", 'S', {}); }},
            {"TechnicalIntervention",
             [&] { return commands->TechnicalIntervention(false, false, cliche); }},
            {"StartFirmwareUpdate", [&] { return commands->StartFirmwareUpdate(); }},
        };
        const bool maintenance =
            operation == "TechnicalIntervention" || operation == "StartFirmwareUpdate";
        if (silent)
            printer->setSilent(true);
        else if (maintenance)
            printer->setMaintenanceJumper(false); // refused before anything is sent
        else
            printer->failNextWith("10");
        QVERIFY(!run.at(operation)());
        const QString shown = messages->texts().value(0);
        // Reads whose callers report the failure themselves stay quiet when nothing came: the
        // clock (shown as unknown), model B's header, and a fiscal memory reading (its window
        // says the reading ended incomplete). Model A's header read has its own message.
        const bool quietWhenSilent = operation == "ReadClock" || operation == "ReadFiscalMemory" ||
                                     (operation == "ReadCliche" && which == int(emu::Model::B));
        if (silent && operation == "ReadCliche" && which == int(emu::Model::A)) {
            QCOMPARE(shown, QStringLiteral("Erro de Comunicação"));
        } else if (silent && quietWhenSilent && !maintenance) {
            QCOMPARE(messages->count(), 0);
            return;
        } else if (maintenance)
            QCOMPARE(shown, QStringLiteral("Coloque a impressora em Modo Manutenção!"));
        else if (silent)
            QCOMPARE(shown, QStringLiteral("ERRO DE COMUNICAÇÃO!"));
        else
            QVERIFY2(shown.startsWith(QStringLiteral("ERRO: 10\r\n\n")), qPrintable(shown));
        QCOMPARE(messages->count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRoundTrip)
#include "test_round_trip.moc"
