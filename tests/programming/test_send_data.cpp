// The Send Data window ("Inicialização da Impressora") initialising the emulated printers from
// a configuration file: the frames the printer received, what the user was told, the ECF
// number that follows, the serial-numbered copy, the bank table, and the runs that stop.
#include "bank_table.h"
#include "programming/programacao.h"
#include "programming/send_data_run.h"
#include "programming/tags.h"
#include "send_data_fixture.h"
#include "support/programming_maintenance_session.h"
#include "support/test_main.h"

#include <QProgressBar>
#include <QtTest>

using fixture::printer;

namespace {

const QByteArray Banks = emu::BankTable::encode(emu::BankTable::sample().mid(0, 3));
const QString Done = QStringLiteral("Iniciação executada com sucesso!");

QByteArray pad(const QByteArray &text, int width = 21) {
    return text.leftJustified(width, ' ');
}

// Every frame of a whole run of the sample file: the intervention (after its date and time)
// with ECF number 0042 and the header, the options by their daylight-saving byte, the rates in
// use, the methods, the report names (B), the totalizers and the bank table (B).
QByteArrayList wholeRun(uint model) {
    const QByteArray h = "ZZZ R0042" + taggedTextToPrinter(model, fixture::sampleHeader()) + '\377';
    // clang-format off
    if (model == ModelB)
        return {"\35\5", h, "DST 1", "\33\334N1800", "\33\334S0500", "\33\334N1200",
                "\33\33601" + pad("Dinheiro"), "\33\33603" + pad("Cheque"),
                "\33\33651" + pad("Cart\306o Cr\202dito"), "\33\340" + pad("Sangria"),
                "\33\340" + pad("Conferencia de Caixa"), "\33\337-" + pad("Sangria"),
                "\33\337+" + pad("Suprimento"), Banks};
    return {"\35\377", h, "DST 0", "\33\3341800", "\33\334S0500", "\33\3341200",
            "\33\332PGXA" + pad("Dinheiro", 17), "\33\332PGVB" + pad("Cartao", 17),
            "\33\342V" + pad("Cartao"), "\33\332PGXC" + pad("Ticket", 17),
            "\33\342-" + pad("Sangria"), "\33\342+" + pad("Suprimento")};
    // clang-format on
}

} // namespace

class SendDataTest : public QObject {
    Q_OBJECT
    fixture::WindowSession s;
    WindowDriver &ui = s.ui;

private slots:
    void init() { s.begin({"c2k"}, 0.02); }
    void cleanup() { s.end(); }

    // From the choice of the file to the end of the run: the command bytes the printer
    // received, the messages (their beginnings) and captions, the progress bar and the ECF
    // number field afterwards; the serial-numbered copy exists when the bar reached 70.
    void run_data() {
        fixture::columns<uint, QString, QByteArray, QStringList, QString, int, QString>(
            {"model", "change", "commands", "texts", "captions", "progress", "ecf"});
        const QByteArray b = "05 c0 e4 dc dc dc de de de e0 e0 df df",
                         a = "ff c0 e4 dc dc dc da da e2 da e2 e2";
        const QString noBanks =
            "Iniciação executada com sucesso, mas a tabela de bancos não foi enviada.\r\n";
        const QString missing = SendDataText::FileMissing,
                      maintenance = "Coloque a impressora em Modo Manutenção!";
        auto row = [](const char *change, uint model, const QByteArray &commands,
                      const QStringList &texts, const char *captions, int progress,
                      const char *ecf) {
            QTest::newRow(change) << model << QString(change) << commands << texts
                                  << QString(captions) << progress << QString(ecf);
        };
        // clang-format off
        row("whole, MV4700", ModelB, b + " f9", {Done}, "Aviso", 70, "0043");
        row("whole, MV210", ModelA, a, {Done}, "Aviso", 70, "0043");
        row("bank table missing", ModelB, b,
            {noBanks + "Arquivo: <dir>/nenhum.QBK\r\nMotivo: o arquivo não existe."}, "Aviso", 70, "0043");
        row("bank table cancelled", ModelB, b, {noBanks + "Motivo: nenhum arquivo foi escolhido."},
            "Aviso", 70, "0043");
        row("bank table empty", ModelB, b,
            {noBanks + "Arquivo: <dir>/vazio.QBK\r\nMotivo: o arquivo está vazio."}, "Aviso", 70, "0043");
        row("bank table not wanted", ModelB, b, {Done}, "Aviso", 70, "0043");
        row("bank table refused", ModelB, b + " f9", {"Erro ao carregar tabela!\r\nCódigo de Erro: 28"},
            "Erro", 60, "0042");
        row("not in maintenance", ModelB, "05", {maintenance}, "Erro", 0, "0042");
        row("second rate refused", ModelB, "05 c0 e4 dc dc", {"ERRO: 28\r\n\n"}, "Erro", 20, "0042");
        row("without the header", ModelA, a, {Done}, "Aviso", 70, "0043");
        row("empty header, No", ModelB, "", {SendDataText::EmptyCliche}, "Atenção", 0, "0042");
        row("empty header, Yes", ModelB, b + " f9", {SendDataText::EmptyCliche, Done}, "Atenção Aviso", 70,
            "0043");
        row("header too long", ModelB, "", {SendDataText::headerTooLong(500)}, "Erro", 0, "0042");
        row("ECF 0000", ModelA, a, {Done}, "Aviso", 70, "0002");
        row("ECF 9999", ModelA, a, {Done}, "Aviso", 70, "0001");
        row("no increment", ModelA, a, {Done}, "Aviso", 70, "0042");
        row("no printer", ModelA, "", {SendDataText::NoPrinter}, "Erro", 0, "0042");
        row("other model", ModelB, "", {SendDataText::WrongModel, missing}, "Aviso Erro", 0, "0001");
        row("old file", ModelB, "", {SendDataText::OldFileAtChoice, missing}, "Erro Erro", 0,
            "0001");
        row("unreadable", ModelB, "", {missing, missing}, "Erro Erro", 0, "0001");
        row("choice cancelled", ModelB, "", {missing}, "Erro", 0, "0001");
        row("old file at the run", ModelA, "", {SendDataText::OldFileAtRun}, "Erro", 0, "0042");
        // clang-format on
    }
    void run() {
        QFETCH(uint, model);
        QFETCH(QString, change);
        QFETCH(QStringList, texts);
        QFETCH(int, progress);
        ProgrammingTables tables = fixture::sampleTables(model);
        if (change == "second rate refused")
            tables.taxRates[1].rate = QStringLiteral("00,00%");
        const QString ecf = change == "ECF 0000" ? "0000" : change == "ECF 9999" ? "9999" : "0042";
        QByteArray file = fixture::withEcf(writeC2k(model, tables), ecf.toLatin1());
        if (change.startsWith("empty header") || change == "header too long")
            file = fixture::withHeader(file, change.startsWith("e") ? "" : QByteArray(500, 'x'));
        if (change == "other model")
            file = fixture::sampleFile(ModelA);
        if (change == "old file")
            file.replace(0, 5, "00.50");
        const QHash<QString, QString> answers{{"unreadable", s.path("c2k/nenhum.c2k")},
                                              {"choice cancelled", ""},
                                              {"bank table missing", s.path("nenhum.QBK")},
                                              {"bank table cancelled", ""},
                                              {"bank table empty", s.path("vazio.QBK")}};

        toolState().PcDaylightSaving = model == ModelB;
        QVERIFY(s.usePrinter(model, model == ModelB ? "1.05" : "1.22"));
        fixture::writeFile(s.path("bancos.QBK"),
                           change == "bank table refused" ? "\33\371000\377" : Banks);
        fixture::writeFile(s.path("vazio.QBK"), {});
        QWidget *window = s.open<TfmProgramacao>();
        QVERIFY(window);
        QCOMPARE(window->pos(), s.main->pos() + QPoint(10, -15));
        QCOMPARE(ui.checked("cbHorarioVerao") + ui.enabled("cbArqBancos"), 2 * (model == ModelB));
        QCOMPARE(ui.text("edArqBancos") + ui.text("meNumECF"), s.path("bancos.QBK") + "0001");
        fixture::writeFile(s.path("c2k/config.c2k"), file);
        const bool bank = change.startsWith("bank");
        s.dialogs->answer(bank ? s.path("c2k/config.c2k")
                               : answers.value(change, s.path("c2k/config.c2k")));
        ui.press("btOpenArqConf");
        const FileDialogRequest request = s.dialogs->requests.value(0);
        QCOMPARE(request.title + request.filter + request.defaultSuffix + request.folder,
                 "ConfiguraçõesArquivo de configuração (*.c2k)c2k" + s.path("c2k"));
        if (bank && answers.contains(change)) {
            s.dialogs->answer(answers[change]);
            ui.press("btArqBancos");
            QCOMPARE(s.dialogs->requests.last().title + s.dialogs->requests.last().filter,
                     QStringLiteral("Tabela de BancosArquivo de configuração (*.QBK)"));
        }
        ui.check("cbArqBancos", change != "bank table not wanted");
        ui.check("cbCliche", change != "without the header");
        ui.check("cbIncremento", change != "no increment");
        printer(model)->setMaintenanceJumper(change != "not in maintenance");
        toolState().PrinterPresent = change != "no printer";
        if (change == "old file at the run")
            fixture::writeFile(s.path("c2k/config.c2k"), QByteArray(file).replace(0, 5, "00.50"));
        if (change == "empty header, Yes")
            s.messages->scriptAnswer(MessageAnswer::Yes);
        printer(model)->clearReceivedFrames();
        ui.press("btProceder");

        QByteArrayList sent, shown;
        for (const QByteArray &frame : fixture::takeFrames(model)) {
            sent << frame.mid(1, 1).toHex();
            shown << (frame.startsWith("\33\300")   ? frame.mid(14)
                      : frame.startsWith("\33\344") ? "DST " + frame.mid(model == ModelB ? 4 : 7, 1)
                                                    : frame);
        }
        QTEST(sent.join(' '), "commands");
        QTEST(s.captions().join(' '), "captions");
        for (int i = 0; i < texts.size(); ++i)
            QVERIFY2(s.messages->texts()[i].startsWith(texts[i].replace("<dir>", s.dir->path())),
                     qPrintable(s.messages->texts()[i]));
        QVERIFY(ui.enabled("btProceder") && ui.enabled("btSair"));
        QVERIFY(!ui.visible("lbMSG") && !ui.visible("ProgressBar"));
        QCOMPARE(ui.find<QProgressBar>("ProgressBar")->value(), progress);
        QTEST(ui.text("meNumECF"), "ecf");
        const QByteArray used = change == "ECF 0000" ? "0001" : ecf.toLatin1();
        const QString copy = model == ModelB ? "_4700NS12345678.c2k" : "_210NS12345678.c2k";
        QCOMPARE(fixture::readFile(s.path(copy)),
                 progress == 70 ? fixture::withEcf(file, used) : "");
        if (progress == 70) // the number goes with the header
            QCOMPARE(printer(model)->identity().ecfNumber, change.startsWith("wi") ? "0001" : used);
        if (change.startsWith("whole")) {
            QCOMPARE(shown, wholeRun(model));
            QCOMPARE(printer(model)->daylightSaving(), model == ModelB);
            QCOMPARE(printer(model)->bankTable().size(), model == ModelB ? 3 : 0);
            ui.press("btSair");
            QVERIFY(!window->isVisible() && s.main->isEnabled());
        }
        // Without "Enviar Clichê" the intervention carries neither the ECF number nor a header.
        if (change == "without the header" || change == "empty header, Yes")
            QCOMPARE(shown.value(1),
                     QByteArray(change.startsWith("w") ? "ZZZ R\377" : "ZZZ R0042\377"));
    }
};

TOOL_TEST_CLASS(SendDataTest)
#include "test_send_data.moc"
