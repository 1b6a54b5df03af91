#include "maintenance/gravausr.h"

#include "core/file_dialogs.h"
#include "core/global.h"
#include "core/messages.h"
#include "core/working_folder.h"
#include "maintenance/cnpj.h"
#include "maintenance/user_record.h"
#include "maintenance/usr_file.h"
#include "protocol/command_set.h"
#include "ui_gravausr.h"
#include "widgets/tool_shell.h"

#include <QDir>
#include <QValidator>

namespace {

const QString Error = QStringLiteral("Erro");
const QString Warning = QStringLiteral("AVISO");
const QString Notice = QStringLiteral("Aviso");
const QString InvalidCnpj = QStringLiteral("CNPJ inválido!");
// Where the request file goes to obtain the authorization code.
const QString SupportAddress = QStringLiteral("suporte@korvel.com.br");

// Upper case as it is typed.
class UpperCase : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

bool blank(const QString &text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == QLatin1Char(' '); });
}

FileDialogRequest userFileDialog(const QString &folder) {
    return {QStringLiteral("Configurações"), folder,
            QStringLiteral("Arquivo de configuração (*.usr)"), QStringLiteral("usr")};
}

} // namespace

TfmGravaUSR::TfmGravaUSR(ToolShell *mainWindow)
    : ToolWindow(mainWindow, mainWindow, QPoint(10, -20)), ui(std::make_unique<Ui::TfmGravaUSR>()) {
    ui->setupUi(this);
    setFixedSize(size());
    for (QLineEdit *edit : {ui->edIE, ui->edIM, ui->edSenha})
        edit->setValidator(new UpperCase(edit));

    connect(ui->btVerificaCNPJ, &QPushButton::clicked, this, &TfmGravaUSR::verifyCnpj);
    connect(ui->btContGrava, &QPushButton::clicked, this, &TfmGravaUSR::record);
    connect(ui->btSalvar, &QPushButton::clicked, this, &TfmGravaUSR::save);
    connect(ui->btImportar, &QPushButton::clicked, this, &TfmGravaUSR::import);
    connect(ui->btLimpar, &QPushButton::clicked, this, &TfmGravaUSR::clear);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
}

TfmGravaUSR::~TfmGravaUSR() = default;

void TfmGravaUSR::showEvent(QShowEvent *event) {
    ToolWindow::showEvent(event);
    const ToolState &state = toolState();
    ui->cbGeraUSR->setChecked(false);
    passwordRequired =
        UserRecord::passwordRequired(state.ModelCode, state.FirmwareVersionNumber.load());
    ui->edSenha->setVisible(passwordRequired);
    ui->lbSenha->setVisible(passwordRequired);
    ui->cbGeraUSR->setVisible(!passwordRequired);
    if (!passwordRequired)
        ui->edSenha->clear();
    ui->meCNPJ->setFocus();
}

void TfmGravaUSR::clear() {
    ui->meCNPJ->setText(Cnpj::Empty);
    ui->edIE->clear();
    ui->edIM->clear();
    ui->edSenha->setText(UserFile::NoCode);
    ui->meCNPJ->setFocus();
}

bool TfmGravaUSR::cnpjValid() const {
    return Cnpj::isValid(Cnpj::digitsOf(ui->meCNPJ->text()));
}

void TfmGravaUSR::verifyCnpj() {
    showMessage(cnpjValid() ? QStringLiteral("CNPJ correto!") : InvalidCnpj, Warning);
}

void TfmGravaUSR::record() {
    const ToolState &state = toolState();
    if (!state.PrinterPresent) {
        showMessage(QStringLiteral("Não existe impressora!"), Error, MessageButtons::Ok,
                    MessageStyle::Error);
        return;
    }
    if (!cnpjValid()) {
        showMessage(InvalidCnpj, Warning, MessageButtons::Ok, MessageStyle::Warning);
        ui->meCNPJ->setFocus();
        return;
    }
    const bool noIe = blank(ui->edIE->text());
    const bool noIm = blank(ui->edIM->text());
    if (noIe && showMessage(QStringLiteral("Campo IE em branco!\r\nContinua a gravação?"), Notice,
                            MessageButtons::YesNo, MessageStyle::Question) != MessageAnswer::Yes) {
        ui->edIE->setFocus();
        return;
    }
    if (noIm && showMessage(QStringLiteral("Campo IM em branco!\r\nContinua a gravação?"), Notice,
                            MessageButtons::YesNo, MessageStyle::Question) != MessageAnswer::Yes) {
        ui->edIM->setFocus();
        return;
    }
    if (noIe && noIm) {
        showMessage(QStringLiteral("Não é permitido IE e IM em branco!!"), Error,
                    MessageButtons::Ok, MessageStyle::Error);
        ui->edIE->setFocus();
        return;
    }
    // Without the maker's code the printer would refuse the user: the request file is written
    // instead, for the technician to send in.
    if (passwordRequired && !UserRecord::codeUsable(ui->edSenha->text())) {
        showMessage(QStringLiteral("Campo Senha Inválido!\r\nSerá gerado um arquivo de "
                                   "configuração para envio à Korvel."),
                    Error, MessageButtons::Ok, MessageStyle::Error);
        save();
        ui->edSenha->setFocus();
        return;
    }

    const QString code = passwordRequired ? ui->edSenha->text() : QString();
    const UserRecordBlock block =
        UserRecord::build(ui->meCNPJ->text(), ui->edIE->text(), ui->edIM->text(), code);
    CommandSet *commands = commandSetFor(state.ModelCode);
    if (!commands)
        return;
    ui->btContGrava->setEnabled(false);
    ui->btSair->setEnabled(false);
    if (commands->RecordUser(block) && ui->cbGeraUSR->isChecked()) {
        const QString serial = state.PrinterSerial.get();
        const QByteArray image =
            UserFile::build(state.ModelCode, serial,
                            {ui->meCNPJ->text(), ui->edIE->text(), ui->edIM->text(), code});
        writeFile(QDir(WorkingFolder::path()).filePath(UserFile::serialCopyName(serial)), image);
    }
    ui->btContGrava->setEnabled(true);
    ui->btSair->setEnabled(true);
}

void TfmGravaUSR::save() {
    if (!cnpjValid()) {
        showMessage(InvalidCnpj, Warning, MessageButtons::Ok, MessageStyle::Warning);
        ui->meCNPJ->setFocus();
        return;
    }
    const ToolState &state = toolState();
    const QString serial = state.PrinterSerial.get();
    const QByteArray image = UserFile::build(
        state.ModelCode, serial,
        {ui->meCNPJ->text(), ui->edIE->text(), ui->edIM->text(), ui->edSenha->text()});
    // The dialog starts in the user folder with the default name chosen; it asks before it
    // replaces a file.
    const QString folder = WorkingFolder::subfolder(QStringLiteral("usr"));
    const QString name = askSaveFileName(
        userFileDialog(QDir(folder).filePath(UserFile::defaultFileName(state.ModelCode, serial))));
    if (name.isEmpty())
        return;
    if (!writeFile(name, image))
        return;
    if (passwordRequired)
        showMessage(QStringLiteral("Para obter a senha envie o arquivo gerado para \r\n         ") +
                        SupportAddress,
                    Warning, MessageButtons::Ok, MessageStyle::Warning);
}

void TfmGravaUSR::import() {
    const ToolState &state = toolState();
    if (!state.PrinterPresent) {
        showMessage(QStringLiteral("Não existe impressora!"), Error, MessageButtons::Ok,
                    MessageStyle::Error);
        return;
    }
    const QString name =
        askOpenFileName(userFileDialog(WorkingFolder::subfolder(QStringLiteral("usr"))));
    if (name.isEmpty())
        return;
    bool opened = false;
    const QByteArray bytes = UserFile::readForImport(name, opened);
    if (!opened) {
        showMessage(QStringLiteral("Não foi possível ler o arquivo\r\n%1").arg(name), Error,
                    MessageButtons::Ok, MessageStyle::Error);
        return;
    }
    const UserFile::Reading reading = UserFile::read(bytes, state.PrinterSerial.get());
    switch (reading.problem) {
    case UserFile::Problem::Empty:
        showMessage(QStringLiteral("O arquivo está vazio e não pode ser importado:\r\n%1")
                        .arg(QDir::toNativeSeparators(name)),
                    Error, MessageButtons::Ok, MessageStyle::Error);
        return;
    case UserFile::Problem::WrongFormat:
        showMessage(QStringLiteral("O formato do arquivo não é válido!"), Error, MessageButtons::Ok,
                    MessageStyle::Error);
        return;
    case UserFile::Problem::None:
        break;
    }
    if (!reading.serialMatches)
        showMessage(QStringLiteral("O número de série da impressora não\r\nconfere com o "
                                   "número lido do arquivo!\r\n"),
                    Notice, MessageButtons::Ok, MessageStyle::Warning);
    ui->edIE->setText(reading.contents.ie);
    ui->edIM->setText(reading.contents.im);
    ui->meCNPJ->setText(reading.contents.cnpj);
    ui->edSenha->setText(reading.contents.code);
}

bool TfmGravaUSR::writeFile(const QString &path, const QByteArray &image) {
    QString reason;
    if (UserFile::writeReplacing(path, image, &reason))
        return true;
    showMessage(QStringLiteral("Não foi possível gravar o arquivo\r\n%1\r\n%2").arg(path, reason),
                Error, MessageButtons::Ok, MessageStyle::Error);
    return false;
}
