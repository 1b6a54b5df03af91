// Edit Data's exchanges with the printer without the window: one entry sent to the emulated
// printer of each model, then everything read back as "Ler Todos Impr." does it.
#include "programming/table_transfer.h"

#include "send_data_fixture.h"
#include "support/programming_maintenance_session.h"
#include "support/test_main.h"

#include <QtTest>

using fixture::printer;

class TableTransferTest : public QObject {
    Q_OBJECT
    fixture::WindowSession s; // no window: the printers and the messages

private slots:
    void init() { s.begin(); }
    void cleanup() { s.end(); }

    // What the copy shows after the read (fixture::cells, then the options and operator page
    // for the rows that send them); a report left from a file and an old operator are gone.
    void sendAndReadBack_data() {
        fixture::columns<uint, QString, QStringList>({"model", "send", "shown"});
        const QString cash = QStringLiteral(" FP01 Dinheiro    N");
        // clang-format off
        for (uint model : {uint(ModelB), uint(ModelA)}) {
            const bool b = model == ModelB;
            QTest::addRow("%u rate", model) << model << "rate" << QStringList{"T1 50,00%    S", cash};
            QTest::addRow("%u report", model) << model << "report"
                                              << QStringList{b ? "R1 Sangria" : cash, cash}.mid(!b);
            QTest::addRow("%u totalizer", model) << model << "totalizer" << QStringList{"N1 Sangria   S", cash};
            QTest::addRow("%u options", model) << model << "options" << QStringList{cash, "LX 25"};
            QTest::addRow("%u operator", model) << model << "operator"
                                                << QStringList{cash, b ? "DST Maria 0042" : "DST Maria "};
        }
        // clang-format on
    }
    void sendAndReadBack() {
        QFETCH(uint, model);
        QFETCH(QString, send);
        QVERIFY(s.usePrinter(model, model == ModelA ? "1.22" : "1.05"));
        CommandSet &set = *commandSetFor(model);
        const double firmware = toolState().FirmwareVersionNumber;
        EditDataCopy copy;
        copy.tables.reports[5].name = QStringLiteral("left from a file");
        copy.operatorPage = {false, QStringLiteral("old"), QStringLiteral("0001")};
        if (send == "rate")
            QVERIFY(sendTaxRate(set, true, QStringLiteral("5 ,  %"))); // blanks are zeros
        if (send == "report")
            QCOMPARE(sendReportName(set, model, QStringLiteral("Sangria")), model == ModelB);
        if (send == "totalizer")
            QVERIFY(sendTotalizer(set, false, QStringLiteral("Sangria")));
        copy.tables.controls.autoReadingX = true;
        copy.tables.controls.lineHeight = QStringLiteral("25");
        if (send == "options")
            QVERIFY(sendOptions(set, copy, model, firmware));
        if (send == "operator")
            QVERIFY(sendDaylightSaving(set, true) && sendOperator(set, model, "Maria", "0042"));
        int changes = 0;
        readAllTables(set, copy, model, firmware, [&] { ++changes; });
        QCOMPARE(changes, 1 + 2 * 7);
        copy.tables.header.clear(); // the printer's, read in the header test
        QStringList shown = fixture::cells(copy.tables);
        const OptionControls &c = copy.tables.controls;
        if (send == "options")
            shown << QString(c.autoReadingX ? "LX " : "") + c.lineHeight;
        const OperatorPage &op = copy.operatorPage;
        if (send == "operator")
            shown << QString(op.daylightSaving ? "DST " : "") + op.name + u' ' + op.store;
        QCOMPARE(op.name, QString(send == "operator" ? "Maria" : ""));
        QTEST(shown, "shown");
        QCOMPARE(s.messages->texts(), QStringList());
    }

    // A header goes by the technical intervention and is read back as tagged text (cut, with
    // a warning, beyond the 250 characters the window shows); an empty one, or one longer
    // than the printer takes, sends nothing beyond the header read.
    void header() {
        for (uint model : {uint(ModelB), uint(ModelA)}) {
            QVERIFY(s.usePrinter(model, "1.22"));
            CommandSet &set = *commandSetFor(model);
            QVERIFY(sendHeader(set, model, fixture::sampleHeader()));
            EditDataCopy copy;
            readTableFromPrinter(set, ProgrammingTable::Header, copy, model);
            QCOMPARE(copy.tables.header, fixture::sampleHeader());
            QVERIFY(sendHeader(set, model, QByteArray(300, 'H')));
            readTableFromPrinter(set, ProgrammingTable::Header, copy, model);
            QCOMPARE(copy.tables.header, QByteArray(250, 'H'));
            printer(model)->clearReceivedFrames();
            QVERIFY(!sendHeader(set, model, QByteArray(HeaderLimit::Sent + 1, 'x')));
            QVERIFY(!sendHeader(set, model, {}));
            QCOMPARE(printer(model)->receivedFrames().size(), 2); // the two header reads only
        }
        QCOMPARE(s.messages->texts().size(), 6);
        QVERIFY(s.messages->texts()[0].contains("300"));
        QCOMPARE(s.messages->texts().mid(1, 2),
                 (QStringList{"O Clichê tem mais de 499 caracteres e não pode ser enviado!",
                              "Clichê inválido!"}));
    }
};

TOOL_TEST_CLASS(TableTransferTest)
#include "test_table_transfer.moc"
