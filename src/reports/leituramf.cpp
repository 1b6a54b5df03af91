#include "reports/leituramf.h"

#include "core/clock.h"
#include "core/global.h"
#include "core/messages.h"
#include "core/printer_present.h"
#include "protocol/command_set.h"
#include "reports/fiscal_memory.h"
#include "ui_leituramf.h"

namespace {
// The characters of a masked field without its separators, a blank position as a space.
QString fieldText(const QLineEdit *field) {
    QString text = field->displayText();
    text.remove(QLatin1Char('/'));
    text.replace(QLatin1Char('_'), QLatin1Char(' '));
    return text;
}
} // namespace

TfmLMF::TfmLMF(QWidget *mainWindow, QWidget *reportsWindow)
    : ToolWindow(reportsWindow, mainWindow, QPoint(10, 25)), ui(std::make_unique<Ui::TfmLMF>()) {
    ui->setupUi(this);
    setFixedSize(size());
    ui->btRelogio->hide();
    connect(ui->rbCRZ, &QRadioButton::clicked, this, &TfmLMF::chooseMode);
    connect(ui->rbData, &QRadioButton::clicked, this, &TfmLMF::chooseMode);
    connect(ui->btRelogio, &QToolButton::clicked, this,
            [this] { ui->meData2->setText(Clock::now().toString(QStringLiteral("ddMMyyyy"))); });
    connect(ui->btContinuar, &QPushButton::clicked, this, &TfmLMF::proceed);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
}

TfmLMF::~TfmLMF() = default;

void TfmLMF::showEvent(QShowEvent *event) {
    ToolWindow::showEvent(event); // disables the reports window
    if (mainWindow)
        mainWindow->setEnabled(false);
    // Only model B has the summarised reading.
    ui->cbLeitResumida->setVisible(toolState().ModelCode == ModelB);
    ui->cbLeitResumida->setChecked(false);
}

void TfmLMF::hideEvent(QHideEvent *event) {
    ToolWindow::hideEvent(event); // enables the reports window again...
    if (opener)
        opener->hide(); // ...and closes it, back to the main window
}

void TfmLMF::chooseMode() {
    const bool byDate = ui->rbData->isChecked();
    ui->meData1->setEnabled(byDate);
    ui->meData2->setEnabled(byDate);
    ui->lbA2->setEnabled(byDate);
    ui->meCRZ->setEnabled(!byDate);
    ui->meCRZ2->setEnabled(!byDate);
    ui->lbA1->setEnabled(!byDate);
    ui->btRelogio->setVisible(byDate);
}

void TfmLMF::proceed() {
    if (printerMissing())
        return;
    ToolState &state = toolState();
    FiscalMemory::Request request;
    request.byDate = ui->rbData->isChecked();
    request.from = fieldText(request.byDate ? ui->meData1 : ui->meCRZ);
    request.to = fieldText(request.byDate ? ui->meData2 : ui->meCRZ2);
    request.endDate = fieldText(ui->meData2); // checked whichever the period's kind
    request.toFile = ui->cbLeituraEmArquivo->isChecked();
    request.summarised = ui->cbLeitResumida->isChecked();
    const FiscalMemory::Prepared prepared = FiscalMemory::prepare(request);
    if (prepared.refused != FiscalMemory::Field::None) {
        (prepared.refused == FiscalMemory::Field::From ? ui->meData1 : ui->meData2)->setFocus();
        return;
    }
    CommandSet *commands = commandSetFor(state.ModelCode);
    if (!commands)
        return;

    ui->btContinuar->setEnabled(false);
    ui->btSair->setEnabled(false);
    ui->lbRecebidos->setText(QStringLiteral("Aguardando a impressora..."));
    repaint();
    // The reading runs here, on the UI thread; its waits keep serving paint and timer events,
    // so the count of bytes received shows as they come.
    const auto showReceived = [this](qint64 received) {
        ui->lbRecebidos->setText(received > 0 ? QStringLiteral("Recebidos: %1 bytes").arg(received)
                                              : QString());
    };
    const FiscalMemory::Result result = FiscalMemory::read(*commands, prepared.start, prepared.end,
                                                           prepared.destination, showReceived);
    showReceived(result.bytesReceived);
    ui->btContinuar->setEnabled(true);
    ui->btSair->setEnabled(true);
}
