#include "fiscal/rg.h"

#include "core/global.h"
#include "core/printer_present.h"
#include "fiscal/document_controls.h"
#include "fiscal/programming_lists.h"
#include "fiscal/voucher_entry.h"
#include "protocol/command_set.h"
#include "ui_rg.h"

#include <QFontDatabase>
#include <QLayout>

TfmRG::TfmRG(QWidget *fiscalWindow, QWidget *mainWindow, const ProgrammingLists &l)
    : ToolWindow(fiscalWindow, mainWindow, QPoint(10, 25)), ui(std::make_unique<Ui::TfmRG>()),
      lists(l) {
    ui->setupUi(this);
    setFixedSize(size());
    // Fixed pitch, so that the user sees how the lines will sit on the printer's paper.
    ui->memoTexto->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    connect(ui->btEmiteRG, &QPushButton::clicked, this, &TfmRG::btEmiteRGClick);
    connect(ui->btEnviarTexto, &QPushButton::clicked, this, &TfmRG::btEnviarTextoClick);
    connect(ui->btFinalizaRG, &QPushButton::clicked, this, &closeReport);
    connect(ui->btLimpar, &QPushButton::clicked, ui->memoTexto, &QPlainTextEdit::clear);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
}

TfmRG::~TfmRG() = default;

void TfmRG::showEvent(QShowEvent *event) {
    // Model B keeps up to 16 named reports; model A has one and no list.
    const bool named = toolState().ModelCode == ModelB;
    ui->lbRG->setVisible(named);
    ui->cbRG->setVisible(named);
    fillList(ui->cbRG, lists.reports);
    layout()->activate(); // the memo takes the room of a hidden list at once
    ToolWindow::showEvent(event);
}

void TfmRG::setSendingButtonsEnabled(bool enabled) {
    ui->btEmiteRG->setEnabled(enabled);
    ui->btEnviarTexto->setEnabled(enabled);
    if (!enabled)
        repaint(); // the disabled buttons show while the printer works
}

// Opening goes out without asking whether a printer was identified: a printer that does not
// answer is reported by the response check ("ERRO DE COMUNICAÇÃO!").
void TfmRG::btEmiteRGClick() {
    const uint32_t model = toolState().ModelCode;
    CommandSet *commands = commandSetFor(model);
    if (!commands) {
        printerMissing(); // no model chosen: nothing could be sent
        return;
    }
    // The number of the chosen name, not its position in the sorted list.
    const QByteArray report = lists.reports.codeAt(ui->cbRG->currentIndex()).leftJustified(2, '0');
    setSendingButtonsEnabled(false);
    const bool opened = VoucherEntry::withCurrentCoo(
        [&](char *coo) { return commands->OpenManagementReport(report.constData(), coo); });
    // Model A prints the report's opening before it takes the first line.
    if (opened && model == ModelA)
        commands->WaitPrinterIdle();
    setSendingButtonsEnabled(true);
}

void TfmRG::btEnviarTextoClick() {
    sendMemoText(this, ui->memoTexto, {ui->btEmiteRG, ui->btEnviarTexto}, false);
}
