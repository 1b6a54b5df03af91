#include "maintenance/intervencao.h"

#include "core/global.h"
#include "core/messages.h"
#include "core/printer_present.h"
#include "maintenance/intervention.h"
#include "protocol/command_set.h"
#include "reports/printer_clock.h"
#include "ui_intervencao.h"
#include "widgets/tool_shell.h"

#include <QStatusBar>

TfmIntervencao::TfmIntervencao(ToolShell *mainWindow)
    : ToolWindow(mainWindow, mainWindow, QPoint(5, 25)), ui(std::make_unique<Ui::TfmIntervencao>()),
      main(mainWindow) {
    ui->setupUi(this);
    setFixedSize(size());
    if (main)
        main->addClockLabels(ui->lbHoraPC, ui->lbHoraImpr, ui->lbDiferenca);

    connect(ui->btProceder, &QPushButton::clicked, this, &TfmIntervencao::proceed);
    connect(ui->btAjusteRelogio, &QPushButton::clicked, this, &TfmIntervencao::adjustClock);
    connect(ui->btAtualizaFW, &QPushButton::clicked, this, &TfmIntervencao::updateFirmware);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
}

TfmIntervencao::~TfmIntervencao() = default;

QPushButton *TfmIntervencao::btProceder() const {
    return ui->btProceder;
}

void TfmIntervencao::showEvent(QShowEvent *event) {
    ToolWindow::showEvent(event);
    ui->lbHoraPC->clear();
    ui->lbHoraImpr->clear();
    ui->lbDiferenca->clear();
    // The main window disabled its button when it opened this window.
    if (main) {
        if (auto *button = main->findChild<QPushButton *>(QStringLiteral("btIntervencao")))
            button->setEnabled(true);
    }
    ui->meNumECF->setText(toolState().EcfNumber.get());
    // The clock is read once the window is up, and the tick starts after it.
    QMetaObject::invokeMethod(this, &TfmIntervencao::startClock, Qt::QueuedConnection);
}

void TfmIntervencao::hideEvent(QHideEvent *event) {
    if (main)
        main->setClockRunning(false);
    ToolWindow::hideEvent(event);
}

void TfmIntervencao::startClock() {
    if (!isVisible())
        return;
    readPrinterClock();
    if (main && isVisible())
        main->setClockRunning(true);
}

bool TfmIntervencao::printerPresent() {
    return !printerMissing();
}

void TfmIntervencao::proceed() {
    if (!printerPresent())
        return;
    ui->btProceder->setEnabled(false);
    runProcedure(false);
    ui->btProceder->setEnabled(true);
}

void TfmIntervencao::adjustClock() {
    if (!printerPresent())
        return;
    // An intervention that keeps programming, header and ECF number: it only brings the PC's
    // date and time, which every intervention frame carries, to the printer.
    ui->cbLimparProgramacoes->setChecked(false);
    ui->cbLimparCliche->setChecked(false);
    ui->meNumECF->setText(toolState().EcfNumber.get());
    ui->btAjusteRelogio->setEnabled(false);
    runProcedure(true);
    ui->btAjusteRelogio->setEnabled(true);
}

void TfmIntervencao::updateFirmware() {
    if (!printerPresent())
        return;
    if (CommandSet *commands = commandSetFor(toolState().ModelCode))
        commands->StartFirmwareUpdate();
}

void TfmIntervencao::runProcedure(bool clockOnly) {
    ToolState &state = toolState();
    CommandSet *commands = commandSetFor(state.ModelCode);
    if (!commands)
        return;
    Intervention::Request request;
    request.clearProgramming = ui->cbLimparProgramacoes->isChecked();
    request.clearHeader = ui->cbLimparCliche->isChecked();
    request.ecfNumber = Intervention::ecfDigits(ui->meNumECF->text());
    if (!Intervention::run(*commands, request, cliche))
        return;
    ui->meNumECF->setText(QString::fromLatin1(request.ecfNumber));
    readPrinterClock();
    Intervention::tellDone(clockOnly);
    if (main)
        main->statusBar()->showMessage(Intervention::statusLine(
            state.PrinterSerial.get(), state.FirmwareVersion.get(), state.EcfNumber.get()));
}

// The printer's clock and daylight-saving flag, which the main window's tick then advances
// one second a tick (the same read as the reports window's).
void TfmIntervencao::readPrinterClock() {
    ReadPrinterClock(commandSetFor(toolState().ModelCode));
}
