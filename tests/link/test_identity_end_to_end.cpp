// The tool's identification through the link, against both emulated models: in process, and
// over a pseudo-terminal served by the printer-emulator program.
#include "app/clock.h"
#include "app/global.h"
#include "app/thread_testa_impr.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "printer.h"

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
    void cleanup() {
        link.ClosePort();
        link.setTransportFactory({});
        Clock::setScale(1.0);
    }

    void inProcess_data() {
        QTest::addColumn<int>("model");
        QTest::addColumn<QByteArray>("firmware");
        QTest::newRow("MV210") << int(emu::Model::A) << QByteArray("1.22");
        QTest::newRow("MV4700") << int(emu::Model::B) << QByteArray("1.01");
        QTest::newRow("MV4700 without the version frame")
            << int(emu::Model::B) << QByteArray("1.00");
    }
    void inProcess() {
        QFETCH(int, model);
        QFETCH(QByteArray, firmware);
        Clock::setScale(0.01);
        std::shared_ptr<emu::Printer> printer =
            emu::Printer::create(emu::Model(model), {"87654321", firmware, "0042"});
        link.setTransportFactory(
            [&](const QString &) { return std::make_unique<EmulatorTransport>(printer); });
        QCOMPARE(link.OpenPort(QStringLiteral("in-process"), 9600, false), 0);
        identify(model == int(emu::Model::A) ? ModelA : ModelB, "87654321",
                 QString::fromLatin1(firmware), "0042");
    }

    void overPseudoTerminal_data() {
        QTest::addColumn<QString>("model");
        QTest::newRow("MV210") << "A";
        QTest::newRow("MV4700") << "B";
    }
    void overPseudoTerminal() {
        QFETCH(QString, model);
        QProcess program;
        program.start(
            QStringLiteral(PRINTER_EMULATOR_PATH),
            {"--model", model, "--serial", "11223344", "--firmware", "1.30", "--ecf", "0007"});
        QVERIFY(program.waitForStarted(5000));
        QTRY_VERIFY(program.canReadLine());
        const QString path = QString::fromLocal8Bit(program.readLine()).trimmed();
        QVERIFY(path.startsWith(QLatin1String("/dev/")));
        QCOMPARE(link.OpenPort(path, 9600, false), 0);
        QVERIFY(link.IsCtsOn()); // a pseudo-terminal has no modem lines
        identify(model == QLatin1String("A") ? ModelA : ModelB, "11223344", "1.30", "0007");
        link.ClosePort();
        program.terminate();
        QVERIFY(program.waitForFinished(5000));
    }
};

QTEST_GUILESS_MAIN(TestIdentityEndToEnd)
#include "test_identity_end_to_end.moc"
