// The technical intervention window against the built-in emulated printers: the intervention
// frames it sends with and without clearing, the header it carries, the printer's
// daylight-saving time restored, the clock adjustment, the firmware update and the clock
// labels. Protocol durations are shortened through the clock.
#include "app/main_window.h"
#include "maintenance/intervencao.h"
#include "protocol/command_set.h"
#include "support/recording_messages.h"
#include "support/screenshot.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using fixture::framesStartingWith;
using fixture::printer;

namespace {

constexpr uint B = fixture::ModelB;
constexpr uint A = fixture::ModelA;
const QString NoPrinter = QStringLiteral("Não existe impressora!");
const QString Done = QStringLiteral("Intervenção executada com sucesso!");
const QString ClockDone = QStringLiteral("Ajsute do relógio realizado com sucesso!");
const QString NotInMaintenance = QStringLiteral("Coloque a impressora em Modo Manutenção!");
const QByteArray Header = "LOJA DE TESTE\r\nRUA DAS FLORES, 10\r\n";
const QByteArray Intervention = "\x1B\xC0";

QByteArray serialOf(uint model) {
    return model == A ? "21000123" : "47000456";
}

// Seconds from the PC's wall clock to the printer's.
qint64 printerAhead(uint model) {
    const QDateTime now = Clock::now();
    const QDateTime pc(now.date(), now.time(), Qt::UTC);
    return pc.secsTo(printer(model)->printerClock());
}

} // namespace

class TestIntervencao : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<TfmMain> main;
    std::unique_ptr<TfmIntervencao> window;

    template <class T> T *find(const char *name) { return fixture::control<T>(window.get(), name); }
    QCheckBox *box(const char *name) { return find<QCheckBox>(name); }
    QLineEdit *ecfEdit() { return find<QLineEdit>("meNumECF"); }
    void click(const char *name) { fixture::click(window.get(), name); }

    // The printer identified, in maintenance mode, holding Header and ECF number 0001.
    void usePrinter(uint model, const QByteArray &firmware = "1.20") {
        printer(model)->setMaintenanceJumper(true);
        QVERIFY(fixture::identifyPrinter(model, serialOf(model), firmware));
        ClicheRecord header{};
        std::memcpy(header.ecfNumber, "0001", 4);
        std::memcpy(header.text, Header.constData(), size_t(Header.size()));
        header.text[Header.size()] = 0xFF;
        header.length = uint32_t(Header.size() + 1);
        QVERIFY(commandSetFor(model)->TechnicalIntervention(false, true, header));
        QCOMPARE(printer(model)->headerText(), Header);
        QVERIFY(!printer(model)->daylightSaving());
        printer(model)->clearReceivedFrames();
    }
    void open() {
        QVERIFY(fixture::showWindow(window.get()));
        QTRY_VERIFY(main->clockTimer().isActive()); // the printer clock has been read
    }
    void setDaylightSaving(uint model, bool on) {
        QVERIFY(commandSetFor(model)->SetDaylightSavingTime(on ? 1 : 0));
        QCOMPARE(printer(model)->daylightSaving(), on);
        printer(model)->clearReceivedFrames();
    }

private slots:
    void init() {
        fixture::freshPrinters();
        dir = std::make_unique<QTemporaryDir>();
        messages = std::make_unique<RecordingMessages>();
        main = std::make_unique<TfmMain>(dir->path());
        window = std::make_unique<TfmIntervencao>(main.get());
    }
    void cleanup() {
        window.reset();
        main.reset();
        fixture::disconnectPrinter();
        messages.reset();
    }

    // ---- Showing ----

    void showingAndHiding() {
        usePrinter(A);
        toolState().EcfNumber.set(QStringLiteral("0042"));
        printer(A)->setClockOffsetSeconds(120);
        QPushButton *opener = main->findChild<QPushButton *>(QStringLiteral("btIntervencao"));
        opener->setEnabled(false); // as the main window leaves it when it opens this window
        open();
        QVERIFY(opener->isEnabledTo(main.get())); // the main window itself is disabled
        QVERIFY(!main->isEnabled());
        QCOMPARE(window->pos(), main->pos() + QPoint(5, 25));
        QCOMPARE(ecfEdit()->text(), QStringLiteral("0042"));
        for (const char *label : {"lbHoraPC", "lbHoraImpr", "lbDiferenca"})
            QCOMPARE(find<QLabel>(label)->text(), QString());
        QCOMPARE(framesStartingWith(A, "\x1B\xE6").size(), 1); // the printer clock was read

        // The main window's tick keeps the labels; the printer is two minutes ahead.
        main->clockTick();
        QCOMPARE(find<QLabel>("lbHoraPC")->text().size(), 19);
        QCOMPARE(find<QLabel>("lbHoraImpr")->text().size(), 19);
        const int ahead = find<QLabel>("lbDiferenca")->text().toInt();
        QVERIFY2(ahead >= 119 && ahead <= 122, qPrintable(find<QLabel>("lbDiferenca")->text()));

        window->hide();
        QVERIFY(!main->clockTimer().isActive());
        QVERIFY(main->isEnabled());
    }

    // With the port closed the clock cannot be read: nothing is shown but the unknown time.
    void noPrinterClockWithoutAPrinter() {
        toolState().ModelCode = A;
        open();
        QCOMPARE(messages->count(), 0);
        main->clockTick();
        QCOMPARE(find<QLabel>("lbDiferenca")->text(), QStringLiteral("XXXXXXXXX"));
    }

    // ---- The intervention ----

    void proceed_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<bool>("clearProgramming");
        QTest::addColumn<bool>("clearHeader");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("ecf");
        QTest::newRow("MV210 keeps all") << A << false << false << "0007" << QByteArray("0007");
        QTest::newRow("MV4700 clears programming")
            << B << true << false << "0001" << QByteArray("0001");
        QTest::newRow("MV210 clears header") << A << false << true << "0123" << QByteArray("0123");
        QTest::newRow("MV4700 clears both") << B << true << true << "12" << QByteArray("0012");
    }
    void proceed() {
        QFETCH(uint, model);
        QFETCH(bool, clearProgramming);
        QFETCH(bool, clearHeader);
        QFETCH(QString, typed);
        QFETCH(QByteArray, ecf);
        usePrinter(model, model == A ? "1.22" : "1.05");
        open();
        printer(model)->clearReceivedFrames();
        box("cbLimparProgramacoes")->setChecked(clearProgramming);
        box("cbLimparCliche")->setChecked(clearHeader);
        ecfEdit()->setText(typed);
        click("btProceder");

        const QList<QByteArray> sent = framesStartingWith(model, Intervention);
        QCOMPARE(sent.size(), clearProgramming ? 2 : 1);
        if (clearProgramming) {
            // Clearing goes first, without the header: exactly 20 bytes ending with 0xFF.
            QCOMPARE(sent[0].size(), 20);
            QCOMPARE(sent[0].mid(14), QByteArray("ZZZ R\xFF"));
        }
        const QByteArray header = clearHeader ? QByteArray("\r\n") : Header;
        QCOMPARE(sent.last().mid(14), "XXX R" + ecf + header + '\xFF');
        QCOMPARE(printer(model)->headerText(), header);
        QCOMPARE(printer(model)->identity().ecfNumber, ecf);

        QCOMPARE(messages->texts(), QStringList{Done});
        QCOMPARE(messages->shown()[0].caption, QStringLiteral("Aviso"));
        QCOMPARE(toolState().EcfNumber.get(), QString::fromLatin1(ecf));
        QCOMPARE(ecfEdit()->text(), QString::fromLatin1(ecf));
        const QString firmware = model == A ? QStringLiteral("1.22") : QStringLiteral("1.05");
        QCOMPARE(main->statusBarText(), QStringLiteral(" Núm. Série: ") + serialOf(model) +
                                            QStringLiteral("       SB: V.") + firmware +
                                            QStringLiteral("       Núm. ECF: ") + ecf);
        QVERIFY(find<QPushButton>("btProceder")->isEnabled());
        QVERIFY(!configurationCacheValid());
    }

    // Every intervention switches the printer's daylight-saving time off; a printer that had
    // it on gets it back.
    void daylightSavingRestored_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<bool>("before");
        QTest::addColumn<QString>("button");
        QTest::newRow("MV210 on") << A << true << "btProceder";
        QTest::newRow("MV4700 off") << B << false << "btProceder";
        QTest::newRow("MV4700 on, clock") << B << true << "btAjusteRelogio";
    }
    void daylightSavingRestored() {
        QFETCH(uint, model);
        QFETCH(bool, before);
        QFETCH(QString, button);
        usePrinter(model);
        setDaylightSaving(model, before);
        open();
        printer(model)->clearReceivedFrames();
        box("cbLimparProgramacoes")->setChecked(true);
        click(qPrintable(button));
        QCOMPARE(printer(model)->daylightSaving(), before);
        // The option is programmed after the last intervention, and only when it was on.
        const QList<QByteArray> frames = printer(model)->receivedFrames();
        qsizetype lastIntervention = -1, options = -1;
        for (qsizetype i = 0; i < frames.size(); ++i) {
            if (frames[i].startsWith(Intervention))
                lastIntervention = i;
            if (frames[i].startsWith("\x1B\xE4"))
                options = i;
        }
        QVERIFY(lastIntervention >= 0);
        if (before)
            QVERIFY(options > lastIntervention);
        else
            QCOMPARE(options, qsizetype(-1));
        // The printer clock shown afterwards carries the flag.
        QCOMPARE(toolState().PrinterDst.load(), before);
    }

    void notInMaintenanceMode_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<bool>("clearProgramming");
        QTest::addColumn<QString>("button");
        QTest::newRow("MV210") << A << false << "btProceder";
        QTest::newRow("MV4700 clearing") << B << true << "btProceder";
        QTest::newRow("MV4700 firmware update") << B << false << "btAtualizaFW";
    }
    void notInMaintenanceMode() {
        QFETCH(uint, model);
        QFETCH(bool, clearProgramming);
        QFETCH(QString, button);
        usePrinter(model);
        printer(model)->setMaintenanceJumper(false);
        open();
        box("cbLimparProgramacoes")->setChecked(clearProgramming);
        ecfEdit()->setText(QStringLiteral("0009"));
        main->statusBar()->showMessage(QStringLiteral("before"));
        click(qPrintable(button));
        QCOMPARE(messages->texts(), QStringList{NotInMaintenance});
        QCOMPARE(messages->shown()[0].caption, QStringLiteral("Erro"));
        QCOMPARE(framesStartingWith(model, Intervention).size(), 0);
        QVERIFY(!printer(model)->firmwareUpdateMode());
        QCOMPARE(toolState().EcfNumber.get(), QStringLiteral("0001"));
        QCOMPARE(printer(model)->headerText(), Header);
        QCOMPARE(main->statusBarText(), QStringLiteral("before"));
        QVERIFY(find<QPushButton>("btProceder")->isEnabled());
    }

    // ---- The clock ----

    void clockAdjustment_data() {
        QTest::addColumn<uint>("model");
        QTest::newRow("MV210") << A;
        QTest::newRow("MV4700") << B;
    }
    void clockAdjustment() {
        QFETCH(uint, model);
        usePrinter(model);
        printer(model)->setClockOffsetSeconds(-3600);
        open();
        QCOMPARE(toolState().PrinterClock.load() < 0, false);
        box("cbLimparProgramacoes")->setChecked(true);
        box("cbLimparCliche")->setChecked(true);
        ecfEdit()->setText(QStringLiteral("0099"));
        printer(model)->clearReceivedFrames();
        click("btAjusteRelogio");

        QVERIFY(!box("cbLimparProgramacoes")->isChecked());
        QVERIFY(!box("cbLimparCliche")->isChecked());
        QCOMPARE(ecfEdit()->text(), QStringLiteral("0001"));
        const QList<QByteArray> sent = framesStartingWith(model, Intervention);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].mid(14), "XXX R0001" + Header + '\xFF');
        QCOMPARE(printer(model)->headerText(), Header);
        QVERIFY(qAbs(printerAhead(model)) <= 2);
        QCOMPARE(messages->texts(), QStringList{ClockDone});
        QVERIFY(find<QPushButton>("btAjusteRelogio")->isEnabled());
        // The clock shown is the one read after the adjustment.
        main->clockTick();
        const int difference = find<QLabel>("lbDiferenca")->text().remove("(-) ").toInt();
        QVERIFY2(difference <= 3, qPrintable(find<QLabel>("lbDiferenca")->text()));
    }

    // ---- Firmware update ----

    void firmwareUpdate_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("MV210 old firmware") << A << QByteArray("1.10")
                                            << QByteArray("\x1B\xC1"
                                                          "21000123");
        QTest::newRow("MV4700") << B << QByteArray("1.05") << QByteArray("\x1B\xC1XXXXXXXX");
    }
    void firmwareUpdate() {
        QFETCH(uint, model);
        QFETCH(QByteArray, firmware);
        QFETCH(QByteArray, frame);
        usePrinter(model, firmware);
        main->addGatedControl(window->btProceder());
        main->ApplyVersionGate();
        open();
        // Old firmware on model A: the intervention waits for the update, the update does not.
        const bool tooOld = model == A && firmware.toDouble() < 1.2;
        QCOMPARE(window->btProceder()->isEnabled(), !tooOld);
        QVERIFY(find<QPushButton>("btAtualizaFW")->isEnabled());
        QCOMPARE(window->btProceder(), find<QPushButton>("btProceder"));
        printer(model)->clearReceivedFrames();
        click("btAtualizaFW");
        QCOMPARE(framesStartingWith(model, "\x1B\xC1"), QList<QByteArray>{frame});
        QVERIFY(printer(model)->firmwareUpdateMode());
        QCOMPARE(messages->count(), 0);
    }

    void buttonsNeedAPrinter_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("Enviar") << "btProceder";
        QTest::newRow("Aj. Relógio") << "btAjusteRelogio";
        QTest::newRow("Atualiza FW") << "btAtualizaFW";
    }
    void buttonsNeedAPrinter() {
        QFETCH(QString, button);
        usePrinter(A);
        toolState().PrinterPresent = false;
        open();
        printer(A)->clearReceivedFrames();
        box("cbLimparProgramacoes")->setChecked(true);
        click(qPrintable(button));
        QCOMPARE(messages->texts(), QStringList{NoPrinter});
        QCOMPARE(messages->shown()[0].caption, QStringLiteral("Erro"));
        QCOMPARE(printer(A)->receivedFrames(), QList<QByteArray>());
        QVERIFY(box("cbLimparProgramacoes")->isChecked());
    }

    // Shown with both clocks in daylight-saving time, their longest texts: the PC's clock is
    // an hour ahead of standard time, and so is the printer's once its option is on.
    void screenshot() {
        main->findChild<QCheckBox *>(QStringLiteral("cbHorarioVeraoVigente"))->setChecked(true);
        toolState().PcDaylightSaving = true;
        usePrinter(A, "1.22");
        setDaylightSaving(A, true);
        open();
        main->clockTick();
        QVERIFY(saveScreenshot(window->grab(), QStringLiteral("intervention.png")));
    }
};

QTEST_MAIN(TestIntervencao)
#include "test_intervencao.moc"
