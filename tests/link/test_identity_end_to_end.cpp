// The tool's identification through the link, against both emulated models over a
// pseudo-terminal served by the printer-emulator program (in process, the main window's test
// identifies them).
#include "app/thread_testa_impr.h"
#include "core/global.h"
#include "link/serial_new.h"

#include <QProcess>
#include <QtTest>

class TestIdentityEndToEnd : public QObject {
    Q_OBJECT

    Link link;

    void identify(uint32_t model, const QString &serial, const QString &firmware,
                  const QString &ecf) {
        toolState().ModelCode = model;
        ThreadTestaImpr identification(link, nullptr);
        QVERIFY(identification.IdentifyPrinter());
        QCOMPARE(toolState().PrinterSerial.get(), serial);
        QCOMPARE(toolState().FirmwareVersion.get(), firmware);
        QCOMPARE(toolState().EcfNumber.get(), ecf);
        QCOMPARE(toolState().FirmwareVersionNumber.load(), firmwareVersionNumber(firmware));
        // The other model's identity is refused.
        toolState().ModelCode = model == ModelA ? ModelB : ModelA;
        QVERIFY(!identification.IdentifyPrinter());
    }

private slots:
    void init() { resetToolState(); }
    void cleanup() { link.ClosePort(); }

    void overPseudoTerminal_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("firmware");
        QTest::newRow("MV210") << "A"
                               << "1.30";
        QTest::newRow("MV4700") << "B"
                                << "1.30";
        QTest::newRow("MV4700 without the version frame") << "B"
                                                          << "1.00";
    }
    void overPseudoTerminal() {
        QFETCH(QString, model);
        QFETCH(QString, firmware);
        QProcess program;
        program.start(
            QStringLiteral(PRINTER_EMULATOR_PATH),
            {"--model", model, "--serial", "11223344", "--firmware", firmware, "--ecf", "0007"});
        QVERIFY(program.waitForStarted(5000));
        QTRY_VERIFY(program.canReadLine());
        const QString path = QString::fromLocal8Bit(program.readLine()).trimmed();
        QVERIFY(path.startsWith(QLatin1String("/dev/")));
        QCOMPARE(link.OpenPort(path, 9600, false), 0);
        QCOMPARE(link.IsCtsOn(), CtsLine::On); // a pseudo-terminal has no modem lines
        identify(model == QLatin1String("A") ? ModelA : ModelB, "11223344", firmware, "0007");
        link.ClosePort();
        program.terminate();
        QVERIFY(program.waitForFinished(5000));
    }
};

QTEST_GUILESS_MAIN(TestIdentityEndToEnd)
#include "test_identity_end_to_end.moc"
