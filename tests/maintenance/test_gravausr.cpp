// The user record window against the built-in emulated printers: recording the user with and
// without the authorization code, the codes that must never reach the printer, the questions,
// and the .usr files it saves, imports and copies. Protocol durations are shortened through
// the clock.
#include "app/main_window.h"
#include "core/working_folder.h"
#include "maintenance/gravausr.h"
#include "support/recording_messages.h"
#include "support/screenshot.h"
#include "support/scripted_file_dialogs.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using fixture::control;
using fixture::printer;

namespace {

constexpr uint B = fixture::ModelB;
constexpr uint A = fixture::ModelA;
const QString NoPrinter = QStringLiteral("Não existe impressora!");
const QString Recorded = QStringLiteral("Usuário gravado!");
const QString BadCode = QStringLiteral(
    "Campo Senha Inválido!\r\nSerá gerado um arquivo de configuração para envio à Korvel.");
const QString SerialWarning = QStringLiteral(
    "O número de série da impressora não\r\nconfere com o número lido do arquivo!\r\n");
const QByteArray Cnpj = "11.222.333/0001-81";

QByteArray serialOf(uint model) {
    return model == A ? "21000123" : "47000456";
}

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

// A .usr image laid out by hand.
QByteArray usrImage(const QByteArray &model, const QByteArray &serial, const QByteArray &ie,
                    const QByteArray &im, const QByteArray &code) {
    return model.leftJustified(15, ' ') + serial + QByteArray(13, ' ') +
           Cnpj.leftJustified(20, ' ') + ie.leftJustified(20, ' ') + im.leftJustified(20, ' ') +
           code.leftJustified(8, ' ') + QByteArray(16, ' ');
}

} // namespace

class TestGravaUsr : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ScriptedFileDialogs> dialogs;
    std::unique_ptr<TfmMain> main;
    std::unique_ptr<TfmGravaUSR> window;

    template <class T> T *find(const char *name) { return control<T>(window.get(), name); }
    QLineEdit *edit(const char *name) { return find<QLineEdit>(name); }
    void click(const char *name) { fixture::click(window.get(), name); }
    // A printer identified with this firmware, in maintenance mode.
    void usePrinter(uint model, const QByteArray &firmware) {
        printer(model)->setMaintenanceJumper(true);
        QVERIFY(fixture::identifyPrinter(model, serialOf(model), firmware));
    }
    void open() { QVERIFY(fixture::showWindow(window.get())); }
    void fill(const QString &ie, const QString &im, const QString &code = QString()) {
        edit("meCNPJ")->setText(QString::fromLatin1(Cnpj));
        edit("edIE")->setText(ie);
        edit("edIM")->setText(im);
        if (!code.isNull())
            edit("edSenha")->setText(code);
    }
    QList<QByteArray> frames(uint model) { return printer(model)->receivedFrames(); }
    qsizetype framesStartingWith(uint model, const QByteArray &start) {
        return fixture::framesStartingWith(model, start).size();
    }
    QString usrFolder() const { return QDir(dir->path()).filePath(QStringLiteral("usr")); }

private slots:
    void init() {
        fixture::freshPrinters();
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(dir->path()).mkpath(QStringLiteral("usr")));
        messages = std::make_unique<RecordingMessages>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
        main = std::make_unique<TfmMain>(dir->path());
        window = std::make_unique<TfmGravaUSR>(main.get());
        WorkingFolder::set(dir->path());
    }
    void cleanup() {
        window.reset();
        main.reset();
        fixture::disconnectPrinter();
        dialogs.reset();
        messages.reset();
    }

    // ---- The form ----

    void formFollowsTheFirmware_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<bool>("code");
        QTest::newRow("A 1.20") << A << QByteArray("1.20") << false;
        QTest::newRow("B 1.01") << B << QByteArray("1.01") << true;
    }
    void formFollowsTheFirmware() {
        QFETCH(uint, model);
        QFETCH(QByteArray, firmware);
        QFETCH(bool, code);
        usePrinter(model, firmware);
        find<QCheckBox>("cbGeraUSR")->setChecked(true);
        open();
        QCOMPARE(edit("edSenha")->isVisible(), code);
        QCOMPARE(find<QLabel>("lbSenha")->isVisible(), code);
        QCOMPARE(find<QCheckBox>("cbGeraUSR")->isVisible(), !code);
        QVERIFY(!find<QCheckBox>("cbGeraUSR")->isChecked());
        QCOMPARE(edit("edSenha")->text(), code ? QStringLiteral("00000000") : QString());
        QCOMPARE(window->focusWidget(), edit("meCNPJ"));
        QVERIFY(!main->isEnabled());
        QCOMPARE(window->pos(), main->pos() + QPoint(10, -20));
        window->hide();
        QVERIFY(main->isEnabled());
    }

    void typingIsUpperCase() {
        open();
        QTest::keyClicks(edit("edIE"), QStringLiteral("isento"));
        QCOMPARE(edit("edIE")->text(), QStringLiteral("ISENTO"));
        QTest::keyClicks(edit("edIM"), QStringLiteral("ab12cdefghijklmnopqrstuvwxyz"));
        QCOMPARE(edit("edIM")->text(), QStringLiteral("AB12CDEFGHIJKLMNOPQR")); // 20 at most
        edit("edSenha")->clear();
        QTest::keyClicks(edit("edSenha"), QStringLiteral("a1b2c3d4e5"));
        QCOMPARE(edit("edSenha")->text(), QStringLiteral("A1B2C3D4"));
        // The CNPJ box takes digits only, and keeps its punctuation.
        QLineEdit *cnpj = edit("meCNPJ");
        cnpj->setFocus();
        cnpj->home(false);
        QTest::keyClicks(cnpj, QStringLiteral("11x222333000181"));
        QCOMPARE(cnpj->text(), QString::fromLatin1(Cnpj));
    }

    void clearButton() {
        open();
        fill(QStringLiteral("IE"), QStringLiteral("IM"), QStringLiteral("ABC"));
        edit("edIE")->setFocus();
        click("btLimpar");
        QCOMPARE(edit("meCNPJ")->text(), QStringLiteral("00.000.000/0000-00"));
        QCOMPARE(edit("edIE")->text(), QString());
        QCOMPARE(edit("edIM")->text(), QString());
        QCOMPARE(edit("edSenha")->text(), QStringLiteral("00000000"));
        QCOMPARE(window->focusWidget(), edit("meCNPJ"));
    }

    void verifyButton_data() {
        QTest::addColumn<QString>("cnpj");
        QTest::addColumn<QString>("answer");
        QTest::newRow("valid") << "11.222.333/0001-81"
                               << "CNPJ correto!";
        QTest::newRow("incomplete") << "11.222.333/0001"
                                    << "CNPJ inválido!";
    }
    void verifyButton() {
        QFETCH(QString, cnpj);
        QFETCH(QString, answer);
        open();
        edit("meCNPJ")->setText(cnpj);
        click("btVerificaCNPJ");
        QCOMPARE(messages->texts(), QStringList{answer});
        QCOMPARE(messages->shown().value(0).caption, QStringLiteral("AVISO"));
    }

    // ---- Recording ----

    void recordsWithTheAuthorizationCode_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("firmware");
        QTest::newRow("MV210 1.22") << A << QByteArray("1.22");
        QTest::newRow("MV4700 1.05") << B << QByteArray("1.05");
    }
    void recordsWithTheAuthorizationCode() {
        QFETCH(uint, model);
        QFETCH(QByteArray, firmware);
        usePrinter(model, firmware);
        open();
        const QByteArray code = emu::authorizationCode(serialOf(model), Cnpj);
        fill(QStringLiteral("123.456.789.110"), QStringLiteral("98765"),
             QString::fromLatin1(code).toLower()); // typed in lower case
        click("btContGrava");
        QCOMPARE(messages->texts(), QStringList{Recorded});
        QCOMPARE(messages->shown().value(0).caption, QStringLiteral("Informação"));
        QCOMPARE(framesStartingWith(model, "\x1B\xC0"), 1);
        QCOMPARE(framesStartingWith(model, "\x1B\xBE"), 1);
        QVERIFY(frames(model).last().startsWith("\x1B\xBE"));
        QVERIFY(frames(model).last().endsWith(code));
        const std::optional<emu::UserRecord> user = printer(model)->userRecord();
        QVERIFY(user.has_value());
        QCOMPARE(user->cnpj, Cnpj + "  ");
        QCOMPARE(user->ie, QByteArray("123.456.789.110").leftJustified(20, ' '));
        QCOMPARE(user->im, QByteArray("98765").leftJustified(20, ' '));
        QVERIFY(find<QPushButton>("btContGrava")->isEnabled());
        QVERIFY(find<QPushButton>("btSair")->isEnabled());
        // No file is written when the code was given.
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList());
        QVERIFY(dialogs->requests.isEmpty());
    }

    // Without a usable code nothing at all goes to the printer: the request file is offered
    // instead, to be sent to the maker.
    void unusableCodeNeverReachesThePrinter_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QString>("code");
        QTest::newRow("MV210 placeholder") << A << "00000000";
        QTest::newRow("MV210 seven and a space") << A << "A1B2C3D ";
        QTest::newRow("MV4700 spaces") << B << "        ";
    }
    void unusableCodeNeverReachesThePrinter() {
        QFETCH(uint, model);
        QFETCH(QString, code);
        usePrinter(model, model == A ? "1.22" : "1.01");
        open();
        fill(QStringLiteral("IE"), QStringLiteral("IM"), code);
        const QString saved = QDir(usrFolder()).filePath(QStringLiteral("pedido.usr"));
        dialogs->answer(saved);
        click("btContGrava");

        QCOMPARE(frames(model), QList<QByteArray>());
        QVERIFY(!printer(model)->userRecord().has_value() ||
                printer(model)->userRecord()->ie != QByteArray("IE").leftJustified(20, ' '));
        QCOMPARE(messages->texts().value(0), BadCode);
        QCOMPARE(messages->shown().value(0).caption, QStringLiteral("Erro"));
        QCOMPARE(dialogs->requests.size(), 1);
        const QString name = model == A ? QStringLiteral("_210NS21000123.usr")
                                        : QStringLiteral("_4700NS47000456.usr");
        QCOMPARE(dialogs->requests[0].folder, QDir(usrFolder()).filePath(name));
        QCOMPARE(fileBytes(saved).size(), 120);
        QVERIFY(messages->texts().value(1).startsWith(
            QStringLiteral("Para obter a senha envie o arquivo gerado para \r\n")));
        QCOMPARE(messages->shown().value(1).caption, QStringLiteral("AVISO"));
        QCOMPARE(window->focusWidget(), edit("edSenha"));
    }

    // Older firmware takes no code: the block's code field is spaces, and with the box
    // checked the serial-numbered copy is written beside the program.
    void oldFirmwareWritesTheSerialNumberedCopy_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("MV210 1.20") << A << QByteArray("1.20") << QByteArray("MV210");
        QTest::newRow("MV4700 1.00") << B << QByteArray("1.00") << QByteArray("MV4700");
    }
    void oldFirmwareWritesTheSerialNumberedCopy() {
        QFETCH(uint, model);
        QFETCH(QByteArray, firmware);
        QFETCH(QByteArray, name);
        usePrinter(model, firmware);
        const QString copy =
            QDir(dir->path()).filePath(QStringLiteral("NS") + serialOf(model) + ".usr");
        writeFile(copy, QByteArray(300, 'x')); // replaced
        open();
        fill(QStringLiteral("IE1"), QString());
        messages->scriptAnswer(MessageAnswer::Yes); // the IM question
        find<QCheckBox>("cbGeraUSR")->setChecked(true);
        click("btContGrava");
        QCOMPARE(messages->texts().last(), Recorded);
        QCOMPARE(printer(model)->userRecord()->ie, QByteArray("IE1").leftJustified(20, ' '));
        QCOMPARE(fileBytes(copy), usrImage(name, serialOf(model), "IE1", "", ""));
        QVERIFY(dialogs->requests.isEmpty());
    }

    void copyNotWrittenIsReported() {
        usePrinter(A, "1.20");
        open();
        fill(QStringLiteral("IE1"), QStringLiteral("IM1"));
        find<QCheckBox>("cbGeraUSR")->setChecked(true);
        WorkingFolder::set(dir->filePath(QStringLiteral("no/such/folder")));
        click("btContGrava");
        QCOMPARE(messages->texts().value(0), Recorded);
        QCOMPARE(messages->count(), 2);
        QVERIFY(
            messages->texts()[1].startsWith(QStringLiteral("Não foi possível gravar o arquivo")));
        QVERIFY(messages->texts()[1].contains(QStringLiteral("NS21000123.usr")));
        QVERIFY(find<QPushButton>("btContGrava")->isEnabled());
    }

    void refusalsBeforeSending_data() {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QString>("cnpj");
        QTest::addColumn<QString>("ie");
        QTest::addColumn<QString>("im");
        QTest::addColumn<QList<int>>("answers"); // 1 = Yes, 0 = No, in order
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("focus");
        const QString ieQuestion = QStringLiteral("Campo IE em branco!\r\nContinua a gravação?");
        const QString imQuestion = QStringLiteral("Campo IM em branco!\r\nContinua a gravação?");
        QTest::newRow("no printer") << false << QString::fromLatin1(Cnpj) << "IE"
                                    << "IM" << QList<int>{} << QStringList{NoPrinter} << "";
        QTest::newRow("wrong check digit")
            << true << "11.222.333/0001-82"
            << "IE"
            << "IM" << QList<int>{} << QStringList{"CNPJ inválido!"} << "meCNPJ";
        QTest::newRow("IE blank, no") << true << QString::fromLatin1(Cnpj) << "   "
                                      << "IM" << QList<int>{0} << QStringList{ieQuestion} << "edIE";
        QTest::newRow("IM blank, no") << true << QString::fromLatin1(Cnpj) << "IE"
                                      << "" << QList<int>{0} << QStringList{imQuestion} << "edIM";
        QTest::newRow("both blank, yes twice")
            << true << QString::fromLatin1(Cnpj) << ""
            << " " << QList<int>{1, 1}
            << QStringList{ieQuestion, imQuestion, "Não é permitido IE e IM em branco!!"} << "edIE";
        QTest::newRow("both blank, yes then no")
            << true << QString::fromLatin1(Cnpj) << ""
            << "" << QList<int>{1, 0} << QStringList{ieQuestion, imQuestion} << "edIM";
    }
    void refusalsBeforeSending() {
        QFETCH(bool, present);
        QFETCH(QString, cnpj);
        QFETCH(QString, ie);
        QFETCH(QString, im);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, texts);
        QFETCH(QString, focus);
        usePrinter(A, "1.20");
        toolState().PrinterPresent = present;
        open();
        edit("meCNPJ")->setText(cnpj);
        edit("edIE")->setText(ie);
        edit("edIM")->setText(im);
        for (int answer : answers)
            messages->scriptAnswer(answer ? MessageAnswer::Yes : MessageAnswer::No);
        find<QPushButton>("btSair")->setFocus();
        click("btContGrava");
        QCOMPARE(messages->texts(), texts);
        QCOMPARE(frames(A), QList<QByteArray>());
        if (texts.value(0).startsWith(QStringLiteral("Campo")))
            QCOMPARE(messages->shown()[0].buttons, MessageButtons::YesNo);
        if (!focus.isEmpty())
            QCOMPARE(window->focusWidget(), edit(focus.toLatin1().constData()));
    }

    void notInMaintenanceMode_data() {
        QTest::addColumn<uint>("model");
        QTest::newRow("MV210") << A;
        QTest::newRow("MV4700") << B;
    }
    void notInMaintenanceMode() {
        QFETCH(uint, model);
        usePrinter(model, model == A ? "1.20" : "1.00");
        printer(model)->setMaintenanceJumper(false);
        open();
        fill(QStringLiteral("IE"), QStringLiteral("IM"));
        find<QCheckBox>("cbGeraUSR")->setChecked(true);
        click("btContGrava");
        QCOMPARE(messages->texts(),
                 QStringList{QStringLiteral("Coloque a impressora em Modo Manutenção!")});
        QCOMPARE(framesStartingWith(model, "\x1B"), 0); // the status poll only
        QVERIFY(find<QPushButton>("btContGrava")->isEnabled());
        QVERIFY(find<QPushButton>("btSair")->isEnabled());
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList());
    }

    // ---- Saving ----

    void save_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<QString>("defaultName");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("notice"); // where to send the file for the code
        QTest::newRow("MV210 1.22")
            << A << QByteArray("1.22") << "_210NS21000123.usr" << QByteArray("MV210") << true;
        QTest::newRow("MV4700 1.00")
            << B << QByteArray("1.00") << "_4700NS47000456.usr" << QByteArray("MV4700") << false;
    }
    void save() {
        QFETCH(uint, model);
        QFETCH(QByteArray, firmware);
        QFETCH(QString, defaultName);
        QFETCH(QByteArray, name);
        QFETCH(bool, notice);
        usePrinter(model, firmware);
        open();
        fill(QStringLiteral("IE  "), QStringLiteral("IM"),
             notice ? QStringLiteral("AB") : QString());
        const QString path = QDir(usrFolder()).filePath(defaultName);
        writeFile(path, QByteArray(500, 'z')); // an earlier file of that name
        dialogs->answer(path);
        click("btSalvar");
        QCOMPARE(dialogs->requests.size(), 1);
        const FileDialogRequest request = dialogs->requests[0];
        QCOMPARE(request.title, QStringLiteral("Configurações"));
        QCOMPARE(request.defaultSuffix, QStringLiteral("usr"));
        QCOMPARE(request.filter, QStringLiteral("Arquivo de configuração (*.usr)"));
        QCOMPARE(request.folder, path);
        // The code field is hidden with older firmware, and empty.
        QCOMPARE(fileBytes(path),
                 usrImage(name, serialOf(model), "IE  ", "IM", notice ? "AB" : ""));
        QCOMPARE(messages->count(), notice ? 1 : 0);
        if (notice)
            QCOMPARE(messages->shown()[0].caption, QStringLiteral("AVISO"));
        QCOMPARE(frames(model), QList<QByteArray>()); // no printer needed
    }

    void saveChecksOnlyTheCnpj() {
        toolState().ModelCode = A;
        open();
        edit("meCNPJ")->setText(QStringLiteral("11.222.333/0001-80"));
        click("btSalvar");
        QCOMPARE(messages->texts(), QStringList{QStringLiteral("CNPJ inválido!")});
        QVERIFY(dialogs->requests.isEmpty());

        messages->clear();
        fill(QString(), QString());
        const QString path = QDir(usrFolder()).filePath(QStringLiteral("x.usr"));
        dialogs->answer(path);
        click("btSalvar"); // no printer: the serial number is unknown
        QCOMPARE(dialogs->requests.last().folder,
                 QDir(usrFolder()).filePath(QStringLiteral("_210NS????????.usr")));
        QCOMPARE(fileBytes(path).mid(15, 8), QByteArray("????????"));
        QCOMPARE(messages->count(), 0);
    }

    // A cancelled save writes nothing; one that could not happen is reported, and never
    // followed by the notice that assumes a file was written.
    void saveCancelledOrFailed() {
        usePrinter(A, "1.22");
        open();
        fill(QStringLiteral("IE"), QStringLiteral("IM"));
        click("btSalvar");
        QCOMPARE(dialogs->requests.size(), 1);
        QCOMPARE(messages->count(), 0);
        QCOMPARE(QDir(usrFolder()).entryList(QDir::Files), QStringList());
        const QString path = dir->filePath(QStringLiteral("missing/a.usr"));
        dialogs->answer(path);
        click("btSalvar");
        QCOMPARE(messages->count(), 1);
        QVERIFY(
            messages->texts()[0].startsWith(QStringLiteral("Não foi possível gravar o arquivo")));
        QCOMPARE(messages->shown()[0].caption, QStringLiteral("Erro"));
        QVERIFY(!QFile::exists(path));
    }

    // ---- Importing ----

    void import_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("code"); // null: nothing changed
        const QByteArray own = usrImage("MV210", "21000123", " IE 1  ", "IM 2", "A1B2C3D4");
        const QByteArray other = usrImage("MV210", "21000999", " IE 1  ", "IM 2", "A1B2C3D4");
        const QString badFormat = QStringLiteral("O formato do arquivo não é válido!");
        QTest::newRow("own printer") << A << own << QStringList{} << "A1B2C3D4";
        QTest::newRow("another printer") << A << other << QStringList{SerialWarning} << "00000000";
        QTest::newRow("MV210 file, MV4700 chosen")
            << B << usrImage("MV210", "47000456", " IE 1", "IM 2", "CODE4700") << QStringList{}
            << "CODE4700";
        QTest::newRow("either model")
            << B << QByteArray("MV210_4700") + usrImage("", "47000456", "IE 1", "IM 2", "X").mid(10)
            << QStringList{} << "X";
        QTest::newRow("bad format")
            << A << QByteArray("XV210     ") + own.mid(10) << QStringList{badFormat} << QString();
        // Read into a buffer of spaces: a short file leaves spaces, a long one is read by its
        // first 150 bytes. Only an empty file is refused.
        QTest::newRow("100 bytes") << A << own.left(100) << QStringList{} << "A1B2";
        QTest::newRow("119 bytes") << A << own.left(119) << QStringList{} << "A1B2C3D4";
        QTest::newRow("121 bytes") << A << own + '\n' << QStringList{} << "A1B2C3D4";
        QTest::newRow("150 bytes") << A << own + QByteArray(30, 'x') << QStringList{} << "A1B2C3D4";
        QTest::newRow("empty")
            << A << QByteArray()
            << QStringList{"O arquivo está vazio e não pode ser importado:\r\n<path>"} << QString();
    }
    void import() {
        QFETCH(uint, model);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, texts);
        QFETCH(QString, code);
        usePrinter(model, model == A ? "1.22" : "1.05");
        open();
        edit("meCNPJ")->setText(QStringLiteral("33.000.167/0001-01"));
        edit("edIE")->setText(QStringLiteral("OLD IE"));
        edit("edIM")->setText(QStringLiteral("OLD IM"));
        edit("edSenha")->setText(QStringLiteral("OLDCODE1"));
        const QString path = QDir(usrFolder()).filePath(QStringLiteral("in.usr"));
        writeFile(path, file);
        dialogs->answer(path);
        click("btImportar");
        QCOMPARE(dialogs->requests.size(), 1);
        QCOMPARE(dialogs->requests[0].folder, usrFolder());
        QCOMPARE(dialogs->requests[0].title, QStringLiteral("Configurações"));
        texts.replaceInStrings(QStringLiteral("<path>"), QDir::toNativeSeparators(path));
        QCOMPARE(messages->texts(), texts);
        if (code.isNull()) {
            QCOMPARE(edit("meCNPJ")->text(), QStringLiteral("33.000.167/0001-01"));
            QCOMPARE(edit("edIE")->text(), QStringLiteral("OLD IE"));
            QCOMPARE(edit("edIM")->text(), QStringLiteral("OLD IM"));
            QCOMPARE(edit("edSenha")->text(), QStringLiteral("OLDCODE1"));
            return;
        }
        QCOMPARE(edit("meCNPJ")->text(), QString::fromLatin1(Cnpj));
        QCOMPARE(edit("edIE")->text(), QStringLiteral("IE 1"));
        QCOMPARE(edit("edIM")->text(), QStringLiteral("IM 2"));
        QCOMPARE(edit("edSenha")->text(), code);
        QCOMPARE(frames(model), QList<QByteArray>());
    }

    void importNeedsAPrinter() {
        open();
        click("btImportar");
        QCOMPARE(messages->texts(), QStringList{NoPrinter});
        QVERIFY(dialogs->requests.isEmpty());
    }

    // Saved, imported on the same printer, recorded: the code the maker computed for the
    // request file is accepted by the printer.
    void saveImportAndRecord() {
        usePrinter(B, "1.05");
        open();
        fill(QStringLiteral("ISENTO"), QStringLiteral("123"), QStringLiteral("00000000"));
        const QString path = QDir(usrFolder()).filePath(QStringLiteral("_4700NS47000456.usr"));
        dialogs->answer(path);
        click("btContGrava"); // no code yet: the request file is written
        QCOMPARE(fileBytes(path).size(), 120);

        // The maker answers with the file completed with the code.
        QByteArray answered = fileBytes(path);
        answered.replace(96, 8, emu::authorizationCode(serialOf(B), Cnpj));
        writeFile(path, answered);
        click("btLimpar");
        messages->clear();
        dialogs->answer(path);
        click("btImportar");
        QCOMPARE(messages->count(), 0);
        click("btContGrava");
        QCOMPARE(messages->texts(), QStringList{Recorded});
        QCOMPARE(printer(B)->userRecord()->ie, QByteArray("ISENTO").leftJustified(20, ' '));
    }

    void screenshot() {
        usePrinter(A, "1.22");
        open();
        fill(QStringLiteral("123.456.789.110"), QStringLiteral("98765"),
             QStringLiteral("A1B2C3D4"));
        QVERIFY(saveScreenshot(window->grab(), QStringLiteral("user-record.png")));
        window->hide();
        usePrinter(A, "1.20");
        open();
        QVERIFY(saveScreenshot(window->grab(), QStringLiteral("user-record-old-firmware.png")));
    }
};

QTEST_MAIN(TestGravaUsr)
#include "test_gravausr.moc"
