// printer-emulator --state: the programming the tool sends survives a restart of the emulator
// and reads back through the tool over TCP; a damaged state file is refused, whole, and left
// as it was.
#include "core/clock.h"
#include "core/global.h"
#include "link/serial_new.h"
#include "protocol/command_set.h"
#include "support/test_main.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {
// The program with a state file on a free TCP port; the tool's link open on it.
bool startEmulator(QProcess &program, const QString &model, const QString &state) {
    program.start(QStringLiteral(PRINTER_EMULATOR_PATH),
                  {"--model", model, "--state", state, "--tcp", "127.0.0.1:0"});
    if (!program.waitForStarted(5000) || !program.waitForReadyRead(5000))
        return false;
    const QString port = QString::fromLocal8Bit(program.readLine()).trimmed();
    invalidateConfigurationCache();
    return printerLink().OpenPort(port, 9600, false) == 0;
}
void stop(QProcess &program) {
    printerLink().ClosePort();
    program.terminate();
    program.waitForFinished(5000);
}
QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class StateTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { printerLink().ClosePort(); }

    void programmingSurvivesARestart_data() {
        QTest::addColumn<QString>("model");
        QTest::newRow("MV210") << "A";
        QTest::newRow("MV4700") << "B";
    }
    void programmingSurvivesARestart() {
        QFETCH(QString, model);
        Clock::setScale(1.0);
        toolState().ModelCode = model == "A" ? ModelA : ModelB;
        CommandSet &c = *commandSetFor(toolState().ModelCode);
        QTemporaryDir dir;
        const QString state = dir.filePath("estado.json");
        QProcess program;
        QVERIFY(startEmulator(program, model, state));
        PaymentMethodRecord cheque{0, {'0', '2'}, {}};
        std::memcpy(cheque.name, "Cheque               ", 21);
        QVERIFY(c.ProgramTaxRate({0, {'1', '8', '0', '0'}}) &&
                c.ProgramTaxRate({1, {'0', '5', '0', '0'}}) && c.ProgramPaymentMethod(cheque));
        stop(program);
        QVERIFY(fileBytes(state).contains("Cheque"));

        QVERIFY(startEmulator(program, model, state));
        TaxRateRecord rates[16];
        PaymentMethodTable methods;
        QVERIFY(c.ReadTaxRates(rates) && c.ReadPaymentMethods(methods));
        stop(program);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(rates), 10), QByteArray("\0"
                                                                                   "1800\1"
                                                                                   "0500",
                                                                                   10));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(methods.entries[1].name), 6), "Cheque");

        // Damaged (cut in half): refused with the reason, nothing served, the file kept.
        const QByteArray whole = fileBytes(state);
        QFile cut(state);
        QVERIFY(cut.open(QIODevice::WriteOnly) && cut.write(whole.left(whole.size() / 2)) > 0);
        cut.close();
        program.start(QStringLiteral(PRINTER_EMULATOR_PATH), {"--model", model, "--state", state});
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(program.readAllStandardOutput().isEmpty());
        QVERIFY(QString::fromLocal8Bit(program.readAllStandardError())
                    .contains("recusado: não é um JSON válido"));
        QCOMPARE(fileBytes(state), whole.left(whole.size() / 2));
    }
};

TOOL_TEST_CLASS(StateTest)
#include "test_state.moc"
