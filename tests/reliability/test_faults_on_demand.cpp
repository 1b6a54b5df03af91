// The emulator's faults on demand, each written as printer-emulator's --fault option takes it
// (the panel writes the same text), seen from the tool's side: the Leitura X the user asks for
// and the message the user reads. A fault that strikes later than the next frame leaves the
// first reading alone and spoils the second; one that strikes once leaves the second alone.
#include "faults.h"
#include "protocol/command_set.h"
#include "support/emulated_printer.h"
#include "support/recording_messages.h"
#include "support/test_main.h"

#include <QtTest>

class FaultsOnDemandTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { fixture::disconnectPrinter(); }

    void faultSeenByTheUser_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("outcome"); // of two readings, then what the user is told
        const QString lost = "ERRO DE COMUNICAÇÃO!";
        // clang-format off
        QTest::newRow("silent") << uint(ModelB) << "silent" << "failed failed " + lost + " | " + lost;
        QTest::newRow("silent@2") << uint(ModelA) << "silent@2" << "ok failed " + lost;
        QTest::newRow("off") << uint(ModelB) << "off" << "failed failed " + lost + " | " + lost;
        QTest::newRow("error=16") << uint(ModelA) << "error=16" << "failed ok ERRO: 16\r\n\nErro de sintaxe no comando";
        QTest::newRow("garbage") << uint(ModelB) << "garbage" << "failed ok ERRO: D±\r\n\nErro desconhecido";
        QTest::newRow("cut") << uint(ModelB) << "cut" << "failed ok ERRO: 0\r\n\nErro desconhecido";
        // A model A answer counts as accepted unless it begins with ":E", even cut short.
        QTest::newRow("cut, MV210") << uint(ModelA) << "cut" << "ok ok ";
        QTest::newRow("off-after-answer") << uint(ModelB) << "off-after-answer" << "ok failed " + lost;
        // The late answer holds the line: the next one comes after it, too late as well.
        QTest::newRow("late=300") << uint(ModelA) << "late=300" << "failed failed " + lost + " | " + lost;
        QTest::newRow("late=5") << uint(ModelB) << "late=5" << "ok ok ";
        // clang-format on
    }
    void faultSeenByTheUser() {
        QFETCH(uint, model);
        QFETCH(QString, fault);
        QFETCH(QString, outcome);
        fixture::freshPrinters(0.01);
        RecordingMessages messages;
        const auto printer = fixture::printer(model);
        printer->setPrintTimeMs(0);
        QVERIFY(fixture::connectPrinter(model));
        const std::optional<emu::Fault> parsed = emu::parseFault(fault);
        QVERIFY(parsed && emu::faultText(*parsed) == fault);
        printer->injectFault(*parsed);
        CommandSet &commands = *commandSetFor(model);
        QStringList got;
        for (int reading = 0; reading < 2; ++reading)
            got << (commands.ReadingX() ? "ok" : "failed");
        QCOMPARE(got.join(QLatin1Char(32)) + " " + messages.texts().join(" | "), outcome);
    }
};

TOOL_TEST_CLASS(FaultsOnDemandTest)
#include "test_faults_on_demand.moc"
