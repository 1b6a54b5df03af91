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
        auto row = [](const char *name, uint model, const char *button, const char *set,
                      const char *typed, const QByteArrayList &frames, const char *ecf,
                      const QString &text) {
            QTest::newRow(name) << model << QString(button) << QString(set) << QString(typed)
                                << frames << QString(ecf) << text;
        };
        const uint A = ModelA, B = ModelB;
        const QByteArray H = Header + '\377';
        const QString done = "Intervenção executada com sucesso!", none = "Não existe impressora!",
                      manual = "Coloque a impressora em Modo Manutenção!";
        // clang-format off
        row("keeps all", A, "btProceder", "", "0007", {"XXX R0007" + H}, "0007", done);
        row("clears programming", B, "btProceder", "PD", "0001", {"ZZZ R\377", "XXX R0001" + H}, "0001", done);
        row("clears the header", A, "btProceder", "CD", "0123", {"XXX R0123\r\n\377"}, "0123", done);
        row("clears both, 12 typed", B, "btProceder", "PC", "12", {"ZZZ R\377", "XXX R0012\r\n\377"}, "0012", done);
        row("clock", B, "btAjusteRelogio", "PCD", "0099", {"XXX R0001" + H}, "0001",
            "Ajsute do relógio realizado com sucesso!");
        row("not in maintenance", B, "btProceder", "PJ", "0009", {}, "0001", manual);
        row("update, not in maintenance", A, "btAtualizaFW", "J", "0009", {}, "0001", manual);
        row("no printer, Enviar", A, "btProceder", "P0", "0009", {}, "0001", none);
        row("no printer, clock", A, "btAjusteRelogio", "P0", "0009", {}, "0001", none);
        row("no printer, update", A, "btAtualizaFW", "0", "0009", {}, "0001", none);
        row("update, MV210", A, "btAtualizaFW", "", "0009", {"\33\30112345678"}, "0001", "");
        row("update, MV4700", B, "btAtualizaFW", "", "0009", {"\33\301XXXXXXXX"}, "0001", "");
        row("no model chosen", A, "btProceder", "PM", "0009", {}, "0001", "");
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
