// The technical intervention window ("Intervenção Técnica") against the emulated printers: the
// intervention frames with and without clearing, the header they carry, the ECF number, the
// printer's daylight-saving time restored, the clock adjustment and the firmware update.
#include "maintenance/intervencao.h"
#include "support/programming_maintenance_session.h"
#include "support/test_main.h"

#include <QStatusBar>
#include <QtTest>

using fixture::printer;

namespace {
const QByteArray Header = "KORVEL S.A.\r\n"; // the emulated printer's, as from the factory
}

class InterventionWindowTest : public QObject {
    Q_OBJECT
    fixture::WindowSession s;
    WindowDriver &ui = s.ui;

private slots:
    void init() { s.begin(); }
    void cleanup() { s.end(); }

    // Shown, the window takes the ECF number and reads the printer's clock, which the main
    // window's tick then keeps. A button pressed: the intervention frames (after the date and
    // time), the header the printer keeps, the ECF number, the messages; the printer's
    // daylight-saving time is the same afterwards. Boxes: P clear programming, C clear header; D
    // the printer's daylight saving on before; J without the maintenance jumper; 0 without a
    // printer; M with no model chosen (model code 0: nothing is sent).
    void buttons_data() {
        fixture::columns<uint, QString, QString, QString, QByteArrayList, QString, QString>(
            {"model", "button", "set", "typed", "frames", "ecf", "text"});
        const QString done = "Intervenção executada com sucesso!";
        // clang-format off
        QTest::newRow("keeps all") << uint(ModelA) << "btProceder" << "" << "0007" << QByteArrayList{"XXX R0007" + Header + "\377"} << "0007" << done;
        QTest::newRow("clears programming") << uint(ModelB) << "btProceder" << "PD" << "0001" << QByteArrayList{"ZZZ R\377", "XXX R0001" + Header + "\377"} << "0001" << done;
        QTest::newRow("clears the header") << uint(ModelA) << "btProceder" << "CD" << "0123" << QByteArrayList{"XXX R0123\r\n\377"} << "0123" << done;
        QTest::newRow("clears both, 12 typed") << uint(ModelB) << "btProceder" << "PC" << "12" << QByteArrayList{"ZZZ R\377", "XXX R0012\r\n\377"} << "0012" << done;
        QTest::newRow("clock") << uint(ModelB) << "btAjusteRelogio" << "PCD" << "0099" << QByteArrayList{"XXX R0001" + Header + "\377"} << "0001"
                               << "Ajsute do relógio realizado com sucesso!";
        QTest::newRow("not in maintenance") << uint(ModelB) << "btProceder" << "PJ" << "0009" << QByteArrayList{} << "0001"
                                            << "Coloque a impressora em Modo Manutenção!";
        QTest::newRow("update, not in maintenance") << uint(ModelA) << "btAtualizaFW" << "J" << "0009" << QByteArrayList{} << "0001"
                                                    << "Coloque a impressora em Modo Manutenção!";
        QTest::newRow("no printer, Enviar") << uint(ModelA) << "btProceder" << "P0" << "0009" << QByteArrayList{} << "0001" << "Não existe impressora!";
        QTest::newRow("no printer, clock") << uint(ModelA) << "btAjusteRelogio" << "P0" << "0009" << QByteArrayList{} << "0001" << "Não existe impressora!";
        QTest::newRow("update, MV210") << uint(ModelA) << "btAtualizaFW" << "" << "0009" << QByteArrayList{"\33\30112345678"} << "0001" << "";
        QTest::newRow("update, MV4700") << uint(ModelB) << "btAtualizaFW" << "" << "0009" << QByteArrayList{"\33\301XXXXXXXX"} << "0001" << "";
        QTest::newRow("no printer, update") << uint(ModelA) << "btAtualizaFW" << "0" << "0009" << QByteArrayList{} << "0001" << "Não existe impressora!";
        QTest::newRow("no model chosen") << uint(ModelA) << "btProceder" << "PM" << "0009" << QByteArrayList{} << "0001" << "";
        // clang-format on
    }
    void buttons() {
        QFETCH(uint, model);
        QFETCH(QString, button);
        QFETCH(QString, set);
        QFETCH(QString, ecf);
        QVERIFY(s.usePrinter(model, "1.22", !set.contains('J')));
        QVERIFY(commandSetFor(model)->SetDaylightSavingTime(set.contains('D')));
        printer(model)->setClockOffsetSeconds(-3600);
        QVERIFY(s.open<TfmIntervencao>());
        QCOMPARE(ui.widget()->pos(), s.main->pos() + QPoint(5, 25));
        QCOMPARE(ui.text("meNumECF") + ui.text("lbHoraPC") + ui.text("lbDiferenca"),
                 QString("0001"));
        QTRY_VERIFY(s.main->clockTimer().isActive()); // once the printer's clock is read
        toolState().PrinterPresent = !set.contains('0');
        toolState().ModelCode = set.contains('M') ? 0 : model;
        ui.check("cbLimparProgramacoes", set.contains('P'));
        ui.check("cbLimparCliche", set.contains('C'));
        QFETCH(QString, typed);
        ui.setText("meNumECF", typed);
        s.main->statusBar()->showMessage("before");
        fixture::takeFrames(model);
        ui.press(qPrintable(button));

        QByteArrayList sent; // the interventions after their date and time, the update whole
        for (const QByteArray &frame : fixture::takeFrames(model))
            if (frame.startsWith("\33\300") || frame.startsWith("\33\301"))
                sent << (frame[1] == '\300' ? frame.mid(14) : frame);
        const bool intervened = !sent.isEmpty() && !sent[0].startsWith('\33');
        QTEST(sent, "frames");
        QTEST(s.messages->texts().join("|"), "text");
        const bool cleared = set.contains('C') && button == "btProceder" && intervened;
        QCOMPARE(printer(model)->headerText(), cleared ? "\r\n" : Header);
        QCOMPARE(printer(model)->identity().ecfNumber, ecf.toLatin1());
        QCOMPARE(toolState().EcfNumber.get() + ui.text("meNumECF"),
                 ecf + (intervened ? ecf : typed));
        QCOMPARE(printer(model)->daylightSaving(), set.contains('D'));
        QCOMPARE(s.main->statusBarText(),
                 !intervened ? "before"
                             : " Núm. Série: 12345678       SB: V.1.22       Núm. ECF: " + ecf);
        QCOMPARE(ui.checked("cbLimparProgramacoes"),
                 set.contains(QLatin1Char('P')) &&
                     (button != "btAjusteRelogio" || set.contains(QLatin1Char('0'))));
        QVERIFY(ui.enabled(qPrintable(button)));
        QCOMPARE(printer(model)->firmwareUpdateMode(), sent.value(0).startsWith('\33'));
        QCOMPARE(qAbs(printer(model)->clockOffsetSeconds()) <= 2, intervened); // set to the PC's
    }
};

TOOL_TEST_CLASS(InterventionWindowTest)
#include "test_intervencao.moc"
