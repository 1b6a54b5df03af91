#include "reports/relatorios.h"

#include "core/global.h"
#include "core/printer_present.h"
#include "protocol/command_set.h"
#include "reports/daily_reports.h"
#include "reports/printer_clock.h"
#include "ui_relatorios.h"
#include "widgets/tool_shell.h"

TfmRelatorios::TfmRelatorios(ToolShell *mainWindow)
    : ToolWindow(mainWindow, mainWindow, QPoint(-25, -35)),
      ui(std::make_unique<Ui::TfmRelatorios>()), main(mainWindow) {
    ui->setupUi(this);
    setFixedSize(size());
    if (main)
        main->addClockLabels(ui->lbHoraPC, ui->lbHoraImpr, ui->lbDiferenca);
    connect(ui->btLX, &QPushButton::clicked, this, &TfmRelatorios::readingX);
    connect(ui->btRZ, &QPushButton::clicked, this, &TfmRelatorios::reductionZ);
    connect(ui->btLMF, &QPushButton::clicked, this, [this] {
        if (fiscalMemory)
            fiscalMemory->show();
    });
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
}

TfmRelatorios::~TfmRelatorios() = default;

void TfmRelatorios::setFiscalMemoryWindow(QWidget *window) {
    fiscalMemory = window;
}

void TfmRelatorios::showEvent(QShowEvent *event) {
    ui->lbHoraPC->clear();
    ui->lbHoraImpr->clear();
    ui->lbDiferenca->clear();
    ToolWindow::showEvent(event); // placed beside the main window, which it disables
    // The clock is read once the window is on screen; the wait serves its painting.
    QMetaObject::invokeMethod(this, &TfmRelatorios::readClockAndStartTicking, Qt::QueuedConnection);
}

void TfmRelatorios::hideEvent(QHideEvent *event) {
    if (main)
        main->setClockRunning(false);
    ToolWindow::hideEvent(event);
}

void TfmRelatorios::readClockAndStartTicking() {
    if (!isVisible())
        return;
    ReadPrinterClock(commandSetFor(toolState().ModelCode));
    if (isVisible() && main)
        main->setClockRunning(true);
}

void TfmRelatorios::readingX() {
    if (printerMissing())
        return;
    runReport(ui->btLX, DailyReports::Report::ReadingX);
}

void TfmRelatorios::reductionZ() {
    if (printerMissing() || !DailyReports::confirmReductionZ())
        return;
    runReport(ui->btRZ, DailyReports::Report::ReductionZ);
}

void TfmRelatorios::runReport(QWidget *button, DailyReports::Report report) {
    button->setEnabled(false);
    ui->btSair->setEnabled(false);
    repaint(); // the disabled buttons show while the report prints
    if (CommandSet *commands = commandSetFor(toolState().ModelCode))
        DailyReports::print(*commands, report);
    button->setEnabled(true);
    ui->btSair->setEnabled(true);
}
