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
    UserRecord::Run run;
    run.entry = {ui->meCNPJ->text(), ui->edIE->text(), ui->edIM->text(), ui->edSenha->text()};
    run.passwordRequired = passwordRequired;
    run.writeSerialCopy = ui->cbGeraUSR->isChecked();
    run.busy = [this](bool busy) {
        ui->btContGrava->setEnabled(!busy);
        ui->btSair->setEnabled(!busy);
    };
    switch (UserRecord::record(run)) {
    case UserRecord::Outcome::InvalidCnpj:
        ui->meCNPJ->setFocus();
        break;
    case UserRecord::Outcome::IeDeclined:
    case UserRecord::Outcome::BothBlank:
        ui->edIE->setFocus();
        break;
    case UserRecord::Outcome::ImDeclined:
        ui->edIM->setFocus();
        break;
    case UserRecord::Outcome::NeedsCode:
        save();
        ui->edSenha->setFocus();
        break;
    default:
        break;
    }
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
    const std::optional<UserFile::Contents> contents =
        UserRecord::importFile(name, state.PrinterSerial.get());
    if (!contents)
        return;
    ui->edIE->setText(contents->ie);
    ui->edIM->setText(contents->im);
    ui->meCNPJ->setText(contents->cnpj);
    ui->edSenha->setText(contents->code);
}

bool TfmGravaUSR::writeFile(const QString &path, const QByteArray &image) {
    return UserRecord::writeFile(path, image);
}
