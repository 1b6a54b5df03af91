#include "programming/programacao.h"

#include "core/file_dialogs.h"
#include "core/global.h"
#include "core/messages.h"
#include "core/working_folder.h"
#include "link/serial_new.h"
#include "protocol/command_set.h"
#include "ui_programacao.h"
#include "widgets/tool_shell.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString EcfMask = QStringLiteral("0000");
const QString FirstEcf = QStringLiteral("0001");
} // namespace

TfmProgramacao::TfmProgramacao(ToolShell *mainWindow)
    : ToolWindow(mainWindow, mainWindow, QPoint(10, -15)),
      ui(std::make_unique<Ui::TfmProgramacao>()), main(mainWindow) {
    ui->setupUi(this);
    setFixedSize(size());
    ui->meNumECF->setInputMask(EcfMask);
    ui->meNumECF->setText(FirstEcf);
    ui->lbMSG->hide();
    ui->ProgressBar->hide();
    ui->ProgressBar->setRange(0, SendDataProgress::Maximum);
    ui->ProgressBar->setValue(0);
    ui->btGravarUsuario->hide();

    connect(ui->btOpenArqConf, &QPushButton::clicked, this, &TfmProgramacao::chooseConfiguration);
    connect(ui->btArqBancos, &QPushButton::clicked, this, &TfmProgramacao::chooseBankTable);
    connect(ui->btProceder, &QPushButton::clicked, this, &TfmProgramacao::proceed);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);

    applyModel(toolState().ModelCode);
    if (main) {
        main->addClockLabels(ui->lbHoraPC, nullptr, nullptr);
        main->onModelChosen([this](uint32_t model) { applyModel(model); });
    }
}

TfmProgramacao::~TfmProgramacao() = default;

void TfmProgramacao::showEvent(QShowEvent *event) {
    ToolWindow::showEvent(event);
    ui->meNumECF->setInputMask(EcfMask);
    ui->meNumECF->setText(FirstEcf);
    ui->lbHoraPC->clear();
    ui->edArqBancos->setText(WorkingFolder::bundledFile(QStringLiteral("bancos.QBK")));
    if (main)
        main->setClockRunning(true);
    ui->cbHorarioVerao->setChecked(toolState().PcDaylightSaving);
    ui->edArqConf->setFocus();
}

void TfmProgramacao::hideEvent(QHideEvent *event) {
    if (main)
        main->setClockRunning(false);
    ToolWindow::hideEvent(event);
}

// Only model B has the check printer that takes a bank table.
void TfmProgramacao::applyModel(uint32_t model) {
    const bool checks = model == ModelB;
    ui->cbArqBancos->setEnabled(checks);
    ui->cbArqBancos->setChecked(checks);
    ui->edArqBancos->setEnabled(checks);
    ui->btArqBancos->setEnabled(checks);
}

void TfmProgramacao::chooseConfiguration() {
    const QString path = askOpenFileName(
        {QStringLiteral("Configurações"), WorkingFolder::subfolder(QStringLiteral("c2k")),
         QStringLiteral("Arquivo de configuração (*.c2k)"), QStringLiteral("c2k")});
    if (path.isEmpty()) {
        ui->edArqConf->clear();
        return;
    }
    ui->edArqConf->setText(path);
    const ChosenConfiguration chosen = examineConfigurationFile(path, toolState().ModelCode);
    if (!chosen.message.isEmpty())
        showMessage(chosen.message, chosen.caption);
    if (chosen.keep)
        ui->meNumECF->setText(chosen.ecfNumber);
    else
        ui->edArqConf->clear();
}

void TfmProgramacao::chooseBankTable() {
    ui->edArqBancos->setText(askOpenFileName(
        {QStringLiteral("Tabela de Bancos"), WorkingFolder::path(),
         QStringLiteral("Arquivo de configuração (*.QBK)"), QStringLiteral("QBK")}));
}

void TfmProgramacao::proceed() {
    const ToolState &state = toolState();
    SendDataRequest request;
    request.model = state.ModelCode;
    request.printerPresent = state.PrinterPresent;
    request.serial = state.PrinterSerial.get();
    request.configurationPath = ui->edArqConf->text();
    request.ecfNumber = ui->meNumECF->text();
    request.sendCliche = ui->cbCliche->isChecked();
    request.daylightSaving = ui->cbHorarioVerao->isChecked();
    request.increment = ui->cbIncremento->isChecked();
    request.sendBankTable = ui->cbArqBancos->isEnabled() && ui->cbArqBancos->isChecked();
    request.bankTablePath = ui->edArqBancos->text();
    request.writeSerialCopy = ui->cbGeraArqConf->isChecked();
    request.workingFolder = WorkingFolder::path();
    const SendDataResult result =
        runSendData(request, commandSetFor(request.model), printerLink(), *this);
    ui->meNumECF->setText(result.ecfNumber);
}

void TfmProgramacao::setButtonsEnabled(bool enabled) {
    ui->btProceder->setEnabled(enabled);
    ui->btSair->setEnabled(enabled);
}

void TfmProgramacao::showProgress(int value) {
    ui->ProgressBar->setValue(value);
    ui->lbMSG->show();
    ui->ProgressBar->show();
    repaint();
}

void TfmProgramacao::hideProgress() {
    ui->lbMSG->hide();
    ui->ProgressBar->hide();
}
