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

    // "Gravar": what the user is told (beginnings), what the printer stores, the frame that
    // carries the user, the file written ("copy": NS<serial>.usr; "request": the save dialog's)
    // and where the focus goes. Fields: CNPJ ("*": a valid one), IE, IM, code ("<code>": the
    // maker's, "<lower>": the same typed in lower case).
    void record_data() {
        fixture::columns<uint, QByteArray, QString, QString, QString, QStringList, bool, QString,
                         QString>({"model", "firmware", "fields", "printer", "answers", "texts",
                                   "stored", "file", "focus"});
        const QString notice = "Para obter a senha envie o arquivo gerado para \r\n";
        const QString bad =
            "Campo Senha Inválido!\r\nSerá gerado um arquivo de configuração para envio à Korvel.";
        const uint A = ModelA, B = ModelB;
        // clang-format off
        QTest::newRow("MV210 1.22, the code") << A << QByteArray("1.22") << "*|IE 1|IM 2|<code>" << "" << "" << QStringList{Recorded} << true << "" << "";
        QTest::newRow("MV4700 1.05, lower case") << B << QByteArray("1.05") << "*|IE 1|IM 2|<lower>" << "" << "" << QStringList{Recorded} << true << "" << "";
        QTest::newRow("MV210 1.20, the copy") << A << QByteArray("1.20") << "*|IE 1||" << "copy" << "Y" << QStringList{ImQuestion, Recorded} << true << "copy" << "";
        QTest::newRow("MV4700 1.00, the copy") << B << QByteArray("1.00") << "*|IE 1|SÃO  |" << "copy" << "" << QStringList{Recorded} << true << "copy" << "";
        QTest::newRow("placeholder") << A << QByteArray("1.22") << "*|IE 1|IM 2|00000000" << "" << "" << QStringList{bad, notice} << false << "request" << "edSenha";
        QTest::newRow("seven and a space") << B << QByteArray("1.01") << "*|IE 1|IM 2|A1B2C3D " << "" << "" << QStringList{bad, notice} << false << "request" << "edSenha";
        QTest::newRow("code refused") << A << QByteArray("1.22") << "*|IE 1|IM 2|ABCDEFGH" << "" << "" << QStringList{"ERRO"} << false << "" << "";
        QTest::newRow("not in maintenance") << B << QByteArray("1.00") << "*|IE 1|IM 2|" << "no jumper" << "" << QStringList{"Coloque a impressora em Modo Manutenção!"} << false << "" << "";
        QTest::newRow("no printer") << A << QByteArray("1.20") << "*|IE 1|IM 2|" << "absent" << "" << QStringList{"Não existe impressora!"} << false << "" << "";
        QTest::newRow("wrong check digit") << A << QByteArray("1.20") << "11.222.333/0001-82|IE|IM|" << "" << "" << QStringList{"CNPJ inválido!"} << false << "" << "meCNPJ";
        QTest::newRow("IE blank, No") << A << QByteArray("1.20") << "*|   |IM|" << "" << "N" << QStringList{IeQuestion} << false << "" << "edIE";
        QTest::newRow("IM blank, No") << A << QByteArray("1.20") << "*|IE||" << "" << "N" << QStringList{ImQuestion} << false << "" << "edIM";
        QTest::newRow("both blank, Yes Yes") << A << QByteArray("1.20") << "*|| |" << "" << "YY"
                                             << QStringList{IeQuestion, ImQuestion, "Não é permitido IE e IM em branco!!"} << false << "" << "edIE";
        QTest::newRow("both blank, Yes No") << A << QByteArray("1.20") << "*|||" << "" << "YN" << QStringList{IeQuestion, ImQuestion} << false << "" << "edIM";
        // clang-format on
    }
    void record() {
        QFETCH(uint, model);
        QFETCH(QByteArray, firmware);
        QFETCH(QString, fields);
        QFETCH(QString, printer);
        QFETCH(QStringList, texts);
        QFETCH(QString, file);
        const QString code = emu::authorizationCode("12345678", Cnpj.toLatin1());
        fields.replace("*", Cnpj).replace("<code>", code).replace("<lower>", code.toLower());
        open(model, firmware, fields.split(u'|'));
        fixture::printer(model)->setMaintenanceJumper(printer != "no jumper");
        toolState().PrinterPresent = printer != "absent";
        ui.check("cbGeraUSR", printer == "copy");
        QFETCH(QString, answers);
        for (QChar answer : answers)
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
        QTEST(user && user->ie.trimmed() == "IE 1", "stored");
        const bool sent = !fixture::framesStartingWith(model, "\33\276").isEmpty();
        QCOMPARE(sent, texts.first() == Recorded || texts.last() == Recorded || texts[0] == "ERRO");
        QCOMPARE(fixture::readFile(s.path("NS12345678.usr")),
                 file == "copy" ? this->file(model, typed[1], typed[2], "") : QByteArray());
        QCOMPARE(fixture::readFile(s.path("usr/pedido.usr")),
                 file == "request" ? this->file(model, typed[1], typed[2], typed[3])
                                   : QByteArray());
        if (file == "request")
            QCOMPARE(
                s.dialogs->requests[0].folder,
                s.path(model == ModelA ? "usr/_210NS12345678.usr" : "usr/_4700NS12345678.usr"));
        QFETCH(QString, focus);
        if (!focus.isEmpty())
            QCOMPARE(ui.widget()->focusWidget(), ui.find(qPrintable(focus)));
        QVERIFY(ui.enabled("btContGrava") && ui.enabled("btSair"));
    }

    // Import: another printer's file keeps its fields but not its code; a file of either model
    // is taken; a file that is not one, or empty, changes nothing; without a printer no dialog.
    void import_data() {
        fixture::columns<QByteArray, QStringList, QString>({"bytes", "texts", "fields"});
        const QByteArray own =
            UserFile::build(ModelB, "12345678", {Cnpj, " IE 1 ", "IM 2", "CODE4700"});
        const QString kept = "00.000.000/0001-91|OLD|OLD|OLDCODE1";
        // clang-format off
        QTest::newRow("own") << own << QStringList() << Cnpj + "|IE 1|IM 2|CODE4700";
        QTest::newRow("another printer") << QByteArray(own).replace(15, 8, "87654321") << QStringList{"O número de série da impressora não\r\nconfere com o número lido do arquivo!\r\n"} << Cnpj + "|IE 1|IM 2|00000000";
        QTest::newRow("either model") << "MV210_4700" + own.mid(10) << QStringList() << Cnpj + "|IE 1|IM 2|CODE4700";
        QTest::newRow("not a user file") << "XV210     " + own.mid(10) << QStringList{"O formato do arquivo não é válido!"} << kept;
        QTest::newRow("empty") << QByteArray() << QStringList{"O arquivo está vazio e não pode ser importado:\r\n<file>"} << kept;
        QTest::newRow("no printer") << own << QStringList{"Não existe impressora!"} << kept;
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
