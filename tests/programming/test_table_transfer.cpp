// Edit Data's exchanges with the printer without the window: one entry of each table sent to
// the emulated printer of each model and read back into the working copy, then everything read
// back at once as "Ler Todos Impr." does.
#include "programming/table_transfer.h"

#include "core/global.h"
#include "protocol/command_set.h"
#include "support/emulated_printer.h"
#include "support/recording_messages.h"

#include <QtTest>

using fixture::disconnectPrinter;
using fixture::freshPrinters;
using fixture::identifyPrinter;
using fixture::printer;

class TestTableTransfer : public QObject {
    Q_OBJECT
    RecordingMessages messages;

    CommandSet &commands(uint model) { return *commandSetFor(model); }

private slots:
    void init() {
        freshPrinters();
        messages.clear();
    }
    void cleanup() { disconnectPrinter(); }

    void sendAndReadBack_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<int>("table");
        QTest::addColumn<QStringList>("expected"); // the cells read back, in table order
        const int tax = int(ProgrammingTable::TaxRates), pay = int(ProgrammingTable::Payments),
                  rep = int(ProgrammingTable::Reports), tot = int(ProgrammingTable::Totalizers),
                  opt = int(ProgrammingTable::Options), op = int(ProgrammingTable::Operator);
        QTest::newRow("B tax rate") << uint(ModelB) << tax << QStringList{"18,00%", "    S"};
        QTest::newRow("A tax rate") << uint(ModelA) << tax << QStringList{"18,00%", "    S"};
        QTest::newRow("B payment")
            << uint(ModelB) << pay << QStringList{" FP03", "Cheque", "    N"};
        QTest::newRow("A payment")
            << uint(ModelA) << pay << QStringList{" FP03", "Cheque", "    V"};
        QTest::newRow("B report") << uint(ModelB) << rep << QStringList{"Sangria"};
        QTest::newRow("A no report") << uint(ModelA) << rep << QStringList{""};
        QTest::newRow("B totalizer") << uint(ModelB) << tot << QStringList{"Sangria", "   S"};
        QTest::newRow("A totalizer") << uint(ModelA) << tot << QStringList{"Sangria", "   S"};
        QTest::newRow("B options") << uint(ModelB) << opt << QStringList{"1", "31"};
        QTest::newRow("A options") << uint(ModelA) << opt << QStringList{"1", "18"};
        QTest::newRow("B operator") << uint(ModelB) << op << QStringList{"1", "Maria", "0042"};
        QTest::newRow("A operator") << uint(ModelA) << op << QStringList{"1", "Maria", ""};
    }
    void sendAndReadBack() {
        QFETCH(uint, model);
        QFETCH(int, table);
        QFETCH(QStringList, expected);
        QVERIFY(identifyPrinter(model, model == ModelA ? "21000123" : "47000456",
                                model == ModelA ? "1.22" : "1.05"));
        CommandSet &set = commands(model);
        const double firmware = toolState().FirmwareVersionNumber;
        EditDataCopy copy;
        clearAll(copy.tables, model, firmware);
        QStringList got;
        switch (ProgrammingTable(table)) {
        case ProgrammingTable::TaxRates:
            QVERIFY(sendTaxRate(set, true, QStringLiteral("18,00%")));
            readTableFromPrinter(set, ProgrammingTable::TaxRates, copy, model);
            got << copy.tables.taxRates[0].rate << copy.tables.taxRates[0].iss;
            break;
        case ProgrammingTable::Payments: {
            // Model B reads the link from the number (51-66): its box is not looked at.
            QVERIFY(sendPaymentMethod(set, model, 3, true, QStringLiteral("Cheque")));
            sendLinkedVoucher(set, model, 3, true, QStringLiteral("Cheque"));
            readTableFromPrinter(set, ProgrammingTable::Payments, copy, model);
            const PaymentRow row = copy.tables.payments.value(1);
            got << row.number << row.description.trimmed() << row.linked;
            break;
        }
        case ProgrammingTable::Reports:
            QCOMPARE(sendReportName(set, model, QStringLiteral("Sangria")), model == ModelB);
            readTableFromPrinter(set, ProgrammingTable::Reports, copy, model);
            got << copy.tables.reports[0].name.trimmed();
            break;
        case ProgrammingTable::Totalizers:
            QVERIFY(sendTotalizer(set, false, QStringLiteral("Sangria")));
            readTableFromPrinter(set, ProgrammingTable::Totalizers, copy, model);
            got << copy.tables.totalizers[0].name.trimmed() << copy.tables.totalizers[0].direction;
            break;
        case ProgrammingTable::Options:
            copy.tables.controls.autoReadingX = true;
            QVERIFY(sendOptions(set, copy, model, firmware));
            copy.tables.controls = OptionControls();
            readTableFromPrinter(set, ProgrammingTable::Options, copy, model);
            got << QString::number(copy.tables.controls.autoReadingX)
                << copy.tables.controls.lineHeight;
            break;
        case ProgrammingTable::Operator:
            QVERIFY(sendDaylightSaving(set, true));
            QVERIFY(sendOperator(set, model, QStringLiteral("Maria"), QStringLiteral("0042")));
            readTableFromPrinter(set, ProgrammingTable::Operator, copy, model);
            got << QString::number(copy.operatorPage.daylightSaving) << copy.operatorPage.name
                << copy.operatorPage.store;
            break;
        default:
            QFAIL("no such row");
        }
        QCOMPARE(got, expected);
        QCOMPARE(messages.texts(), QStringList());
    }

    // A header goes by the technical intervention, which the printer takes only with its
    // maintenance jumper set; a header too long for the printer is refused before any frame.
    void header() {
        QVERIFY(identifyPrinter(ModelB, "47000456", "1.05"));
        CommandSet &set = commands(ModelB);
        printer(ModelB)->setMaintenanceJumper(true);
        QVERIFY(sendHeader(set, ModelB, "<N>LOJA MODELO</N>\r\nRua das Flores, 100"));
        EditDataCopy copy;
        readTableFromPrinter(set, ProgrammingTable::Header, copy, ModelB);
        QCOMPARE(copy.tables.header, QByteArray("<N>LOJA MODELO</N>\r\nRua das Flores, 100"));

        printer(ModelB)->clearReceivedFrames();
        QVERIFY(!sendHeader(set, ModelB, QByteArray(HeaderLimit::Sent + 1, 'x')));
        QCOMPARE(messages.texts().value(0),
                 QStringLiteral("O Clichê tem mais de 499 caracteres e não pode ser enviado!"));
        QVERIFY(!sendHeader(set, ModelB, {}));
        QCOMPARE(messages.texts().value(1), QStringLiteral("Clichê inválido!"));
        QCOMPARE(printer(ModelB)->receivedFrames().size(), 2); // the two header reads only
    }

    // "Ler Todos Impr." clears the copy first: what the printer does not hold is empty after it,
    // what it holds is back, and the operator page comes from the printer.
    void readAll() {
        QVERIFY(identifyPrinter(ModelB, "47000456", "1.05"));
        CommandSet &set = commands(ModelB);
        QVERIFY(sendTotalizer(set, true, QStringLiteral("Suprimento")));
        EditDataCopy copy;
        copy.tables.reports[5].name = QStringLiteral("left from a file");
        copy.operatorPage.name = QStringLiteral("old");
        int changes = 0;
        readAllTables(set, copy, ModelB, 1.05, [&] { ++changes; });
        QCOMPARE(changes, 1 + 2 * 7);
        QCOMPARE(copy.tables.reports[5].name.trimmed(), QString());
        QCOMPARE(copy.tables.totalizers[0].name.trimmed(), QStringLiteral("Suprimento"));
        QCOMPARE(copy.tables.totalizers[0].direction, QStringLiteral("   E"));
        QCOMPARE(copy.operatorPage.name, QString());
        QCOMPARE(messages.texts(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestTableTransfer)
#include "test_table_transfer.moc"
