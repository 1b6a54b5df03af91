// The user record window ("Gravação do Usuário") against the emulated printers: the form for
// each firmware, recording the user with and without the maker's code, what stops a record
// before anything is sent, and the .usr files it saves, imports and copies.
#include "maintenance/gravausr.h"
#include "maintenance/usr_file.h"
#include "support/programming_maintenance_session.h"
#include "support/test_main.h"

#include <QtTest>

using fixture::printer;

namespace {

const QString Cnpj = QStringLiteral("11.222.333/0001-81");
const QString Recorded = QStringLiteral("Usuário gravado!");
const QString IeQuestion = QStringLiteral("Campo IE em branco!\r\nContinua a gravação?");
const QString ImQuestion = QStringLiteral("Campo IM em branco!\r\nContinua a gravação?");

} // namespace

class UserRecordWindowTest : public QObject {
    Q_OBJECT
    fixture::WindowSession s;
    WindowDriver &ui = s.ui;

    // The window on a printer of `model` with `firmware`, the CNPJ set, IE, IM and code typed.
    void open(uint model, const QByteArray &firmware, const QStringList &fields = {}) {
        QVERIFY(s.usePrinter(model, firmware) && s.open<TfmGravaUSR>());
        const char *names[] = {"meCNPJ", "edIE", "edIM", "edSenha"};
        for (int i = 0; i < fields.size(); ++i) {
            ui.setText(names[i], i ? "" : fields[0]);
            ui.type(names[i], i ? fields[i] : "");
        }
    }
    QString fields() {
        return QStringList{ui.text("meCNPJ"), ui.text("edIE"), ui.text("edIM"), ui.text("edSenha")}
            .join(u'|');
    }
    // The .usr image laid out by hand: model name, serial number, CNPJ, IE, IM and code.
    QByteArray file(uint model, const QString &ie, const QString &im, const QString &code) {
        return QByteArray(model == ModelA ? "MV210" : "MV4700").leftJustified(15) + "12345678" +
               QByteArray(13, ' ') + Cnpj.toLatin1().leftJustified(20) +
               ie.toLatin1().leftJustified(20) + im.toLatin1().leftJustified(20) +
               code.toLatin1().leftJustified(8) + QByteArray(16, ' ');
    }

private slots:
    void init() { s.begin({"usr"}); }
    void cleanup() { s.end(); }

    // Shown again, the copy box is unchecked and the CNPJ has the focus; typing is upper case
    // and 20 characters at most; "Limpar"; the CNPJ check button.
    void form() {
        open(ModelA, "1.21", {Cnpj, "isento", "ab12cdefghijklmnopqrstuvwxyz"});
        QCOMPARE(ui.widget()->pos(), s.main->pos() + QPoint(10, -20));
        QCOMPARE(fields(), Cnpj + "|ISENTO|AB12CDEFGHIJKLMNOPQR|");
        ui.check("cbGeraUSR");
        ui.widget()->hide();
        QVERIFY(s.main->isEnabled() && ui.show() && !s.main->isEnabled());
        QVERIFY(!ui.checked("cbGeraUSR"));
        QCOMPARE(ui.widget()->focusWidget(), ui.find("meCNPJ"));
        ui.press("btVerificaCNPJ");
        ui.press("btLimpar");
        QCOMPARE(fields(), QString("00.000.000/0000-00|||00000000"));
        ui.press("btVerificaCNPJ");
        QCOMPARE(s.messages->texts(), QStringList({"CNPJ correto!", "CNPJ inválido!"}));
        QCOMPARE(s.captions(), QStringList({"AVISO", "AVISO"}));
    }

    // "Gravar" on the printer "<model><firmware>" (A: MV210, B: MV4700), set up with "copy"
    // (the box checked), "nojumper" (not in maintenance mode), "absent" (no printer) and the
    // answers (Y, N) to the questions; the fields typed: CNPJ ("*": a valid one), IE, IM and
    // code ("<code>": the maker's, "<lower>": it in lower case). What the user is told (the
    // beginnings) and the outcome: "stored" (the printer holds the user), the file written
    // ("copy": NS<serial>.usr; "request": the save dialog's), the control with the focus.
    void record_data() {
        fixture::columns<QString, QString, QStringList, QString>(
            {"setup", "fields", "texts", "outcome"});
        auto row = [](const char *name, const char *setup, const char *fields,
                      const QStringList &texts, const char *outcome) {
            QTest::newRow(name) << QString(setup) << QString(fields) << texts << QString(outcome);
        };
        const QString R = Recorded, IeQ = IeQuestion, ImQ = ImQuestion;
        const QString notice = "Para obter a senha envie o arquivo gerado para \r\n";
        const QString bad =
            "Campo Senha Inválido!\r\nSerá gerado um arquivo de configuração para envio à Korvel.";
        // clang-format off
        row("the code", "A1.22", "*|IE 1|IM 2|<code>", {R}, "stored");
        row("lower case", "B1.05", "*|IE 1|IM 2|<lower>", {R}, "stored");
        row("old firmware, the copy", "A1.20 copy Y", "*|IE 1||", {ImQ, R}, "stored copy");
        row("accents, spaces kept", "B1.00 copy", "*|IE 1|SÃO  |", {R}, "stored copy");
        row("placeholder", "A1.22", "*|IE 1|IM 2|00000000", {bad, notice}, "request edSenha");
        row("seven and a space", "B1.01", "*|IE 1|IM 2|A1B2C3D ", {bad, notice}, "request edSenha");
        row("code refused", "A1.22", "*|IE 1|IM 2|ABCDEFGH", {"ERRO"}, "");
        row("not in maintenance", "B1.00 nojumper", "*|IE 1|IM 2|", {"Coloque a impressora em Modo Manutenção!"}, "");
        row("no printer", "A1.20 absent", "*|IE 1|IM 2|", {"Não existe impressora!"}, "");
        row("wrong check digit", "A1.20", "11.222.333/0001-82|IE|IM|", {"CNPJ inválido!"}, "meCNPJ");
        row("IE blank, No", "A1.20 N", "*|   |IM|", {IeQ}, "edIE");
        row("IM blank, No", "A1.20 N", "*|IE||", {ImQ}, "edIM");
        row("both blank, Yes Yes", "A1.20 YY", "*|| |", {IeQ, ImQ, "Não é permitido IE e IM em branco!!"}, "edIE");
        row("both blank, Yes No", "A1.20 YN", "*|||", {IeQ, ImQ}, "edIM");
        // clang-format on
    }
    void record() {
        QFETCH(QString, setup);
        QFETCH(QString, fields);
        QFETCH(QStringList, texts);
        QFETCH(QString, outcome);
        const QStringList how = setup.split(u' ');
        const uint model = how[0].startsWith(u'A') ? ModelA : ModelB;
        const QString code = emu::authorizationCode("12345678", Cnpj.toLatin1());
        fields.replace("*", Cnpj).replace("<code>", code).replace("<lower>", code.toLower());
        open(model, how[0].mid(1).toLatin1(), fields.split(u'|'));
        fixture::printer(model)->setMaintenanceJumper(!how.contains("nojumper"));
        toolState().PrinterPresent = !how.contains("absent");
        ui.check("cbGeraUSR", how.contains("copy"));
        for (QChar answer : how.last())
            if (answer == u'Y' || answer == u'N')
                s.messages->scriptAnswer(answer == u'Y' ? MessageAnswer::Yes : MessageAnswer::No);
        s.dialogs->answer(s.path("usr/pedido.usr"));
        fixture::takeFrames(model);
        ui.press("btContGrava");

        const QStringList typed = fields.split(u'|'); // the code field is only where it is asked
        QCOMPARE(ui.find("edSenha")->isHidden() || ui.find("lbSenha")->isHidden(),
                 typed[3].isEmpty());
        QCOMPARE(ui.find("cbGeraUSR")->isHidden(), !typed[3].isEmpty());
        QCOMPARE(s.messages->count(), texts.size());
        for (int i = 0; i < texts.size(); ++i)
            QVERIFY2(s.messages->texts()[i].startsWith(texts[i]),
                     qPrintable(s.messages->texts()[i]));
        const std::optional<emu::UserRecord> user = fixture::printer(model)->userRecord();
        QCOMPARE(user && user->ie.trimmed() == "IE 1", outcome.contains("stored"));
        const bool sent = !fixture::framesStartingWith(model, "\33\276").isEmpty();
        QCOMPARE(sent, texts.first() == Recorded || texts.last() == Recorded || texts[0] == "ERRO");
        QCOMPARE(fixture::readFile(s.path("NS12345678.usr")),
                 outcome.contains("copy") ? file(model, typed[1], typed[2], "") : QByteArray());
        const bool request = outcome.contains("request");
        QCOMPARE(fixture::readFile(s.path("usr/pedido.usr")),
                 request ? file(model, typed[1], typed[2], typed[3]) : QByteArray());
        if (request)
            QCOMPARE(
                s.dialogs->requests[0].folder,
                s.path(model == ModelA ? "usr/_210NS12345678.usr" : "usr/_4700NS12345678.usr"));
        const QString focus = outcome.section(u' ', -1);
        if (focus.startsWith("ed") || focus.startsWith("me"))
            QCOMPARE(ui.widget()->focusWidget(), ui.find(qPrintable(focus)));
        QVERIFY(ui.enabled("btContGrava") && ui.enabled("btSair"));
    }

    // Import: another printer's file keeps its fields but not its code; a file of either model
    // is taken; a file that is not one, or empty, changes nothing; without a printer no dialog.
    void import_data() {
        fixture::columns<QByteArray, QStringList, QString>({"bytes", "texts", "fields"});
        auto row = [](const char *name, const QByteArray &bytes, const QString &text,
                      const QString &fields) {
            QTest::newRow(name) << bytes << QStringList(text).mid(text.isEmpty()) << fields;
        };
        const QByteArray own =
            UserFile::build(ModelB, "12345678", {Cnpj, " IE 1 ", "IM 2", "CODE4700"});
        const QString kept = "00.000.000/0001-91|OLD|OLD|OLDCODE1", read = Cnpj + "|IE 1|IM 2|";
        const QString serial =
            "O número de série da impressora não\r\nconfere com o número lido do arquivo!\r\n";
        // clang-format off
        row("own", own, "", read + "CODE4700");
        row("another printer", QByteArray(own).replace(15, 8, "87654321"), serial, read + "00000000");
        row("either model", "MV210_4700" + own.mid(10), "", read + "CODE4700");
        row("not a user file", "XV210     " + own.mid(10), "O formato do arquivo não é válido!", kept);
        row("empty", {}, "O arquivo está vazio e não pode ser importado:\r\n<file>", kept);
        row("no printer", own, "Não existe impressora!", kept);
        // clang-format on
    }
    void import() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, texts);
        open(ModelB, "1.05", {"00.000.000/0001-91", "OLD", "OLD", "OLDCODE1"});
        fixture::writeFile(s.path("usr/in.usr"), bytes);
        s.dialogs->answer(s.path("usr/in.usr"));
        toolState().PrinterPresent = QTest::currentDataTag() != QLatin1String("no printer");
        ui.press("btImportar");
        QCOMPARE(s.messages->texts(), texts.replaceInStrings("<file>", s.path("usr/in.usr")));
        QTEST(fields(), "fields");
        QCOMPARE(s.dialogs->requests.size(), toolState().PrinterPresent ? 1 : 0);
    }
};

TOOL_TEST_CLASS(UserRecordWindowTest)
#include "test_gravausr.moc"
