// Edit Data's actions that reach the printer: reading tables back and sending one entry. The
// window disables its read buttons while a table is read, and reads a table back after the
// printer took an entry of it.

#include "core/global.h"
#include "core/messages.h"
#include "core/printer_present.h"
#include "programming/prglote.h"
#include "programming/table_records.h"
#include "protocol/command_set.h"
#include "ui_prglote.h"

uint32_t TfmPrgLote::model() const {
    return toolState().ModelCode;
}

double TfmPrgLote::firmware() const {
    return toolState().FirmwareVersionNumber;
}

CommandSet *TfmPrgLote::commands() const {
    return commandSetFor(model());
}

bool TfmPrgLote::printerPresent() const {
    if (toolState().PrinterPresent)
        return true;
    showMessage(QStringLiteral("Não existe impressora!"), QStringLiteral("Erro"),
                MessageButtons::Ok, MessageStyle::Information);
    return false;
}

void TfmPrgLote::readOne(ProgrammingTable table) {
    focusMemoOnHeaderPage();
    if (!printerPresent())
        return;
    DisabledWhileBusy busy({readButtons.begin(), readButtons.end()});
    readTable(table);
}

void TfmPrgLote::readAll() {
    leaveOptionsPage();
    focusMemoOnHeaderPage();
    if (!printerPresent())
        return;
    CommandSet *set = commands();
    QList<QWidget *> buttons(readButtons.begin(), readButtons.end());
    buttons << ui->btLerTodos;
    if (!set) {
        clearEverything();
        return;
    }
    EditDataCopy copy = workingCopy();
    DisabledWhileBusy busy(buttons);
    readAllTables(*set, copy, model(), firmware(), [&] {
        showAll(copy.tables);
        options = copy.tables.options;
        showOperatorPage(copy.operatorPage);
        repaint();
    });
}

// Clears the table (the options excepted), then fills it from the printer. A read that fails
// leaves the table cleared; the operation has reported why.
void TfmPrgLote::readTable(ProgrammingTable table) {
    CommandSet *set = commands();
    if (!set)
        return;
    clearShownTable(table);
    repaint();
    EditDataCopy copy = workingCopy();
    readTableFromPrinter(*set, table, copy, model());
    showTable(copy, table);
}

void TfmPrgLote::readBack(ProgrammingTable table) {
    DisabledWhileBusy busy({readButtons.begin(), readButtons.end()});
    readTable(table);
}

void TfmPrgLote::sendTaxRate() {
    if (!printerPresent())
        return;
    CommandSet *set = commands();
    if (set && ::sendTaxRate(*set, ui->cbVincISS->isChecked(), ui->meAliq->displayText()))
        readBack(ProgrammingTable::TaxRates);
    ui->meAliq->setText(QStringLiteral("////")); // after a refusal too
}

void TfmPrgLote::sendPaymentMethod() {
    if (!printerPresent())
        return;
    CommandSet *set = commands();
    const std::optional<int> number = paymentNumberField(ui->meNumFP->text());
    if (!number) {
        showMessage(QStringLiteral("Informe o número da Forma de Pagamento!"),
                    QStringLiteral("Erro"), MessageButtons::Ok, MessageStyle::Error);
        ui->meNumFP->setFocus();
        return;
    }
    if (set) {
        const bool linked = ui->cbFPVinc->isChecked();
        const QString description = ui->meDescFP->text();
        if (::sendPaymentMethod(*set, model(), *number, linked, description))
            readBack(ProgrammingTable::Payments);
        sendLinkedVoucher(*set, model(), *number, linked, description);
    }
    ui->meDescFP->clear();
}

void TfmPrgLote::sendReportName() {
    if (!printerPresent())
        return;
    CommandSet *set = commands();
    if (set && ::sendReportName(*set, model(), ui->meDescRG->text()))
        readBack(ProgrammingTable::Reports);
    ui->meDescRG->clear();
}

void TfmPrgLote::sendTotalizer() {
    if (!printerPresent())
        return;
    CommandSet *set = commands();
    if (set && ::sendTotalizer(*set, ui->rbEntrada->isChecked(), ui->meDescCNFNV->text()))
        readBack(ProgrammingTable::Totalizers);
    ui->meDescCNFNV->clear();
}

void TfmPrgLote::sendHeader() {
    ui->MemoCliche->setFocus();
    if (!printerPresent())
        return;
    if (CommandSet *set = commands()) {
        DisabledWhileBusy busy({ui->btEnviarClicheImpr});
        ::sendHeader(*set, model(), headerText());
    }
}

void TfmPrgLote::sendOptions() {
    if (!printerPresent())
        return;
    CommandSet *set = commands();
    if (!set) {
        rebuildOptions();
        return;
    }
    EditDataCopy copy = workingCopy();
    const bool taken = ::sendOptions(*set, copy, model(), firmware());
    options = copy.tables.options;
    if (taken)
        readBack(ProgrammingTable::Options);
}

// The two actions of "Configurações 2" go to the printer without the presence test.
void TfmPrgLote::sendDaylightSaving() {
    CommandSet *set = commands();
    if (!set)
        return;
    ::sendDaylightSaving(*set, ui->cbHorarioVerao->isChecked());
    readBack(ProgrammingTable::Operator);
}

void TfmPrgLote::sendOperator() {
    if (CommandSet *set = commands())
        ::sendOperator(*set, model(), ui->edOperador->text(), ui->edLoja->text());
}

// Prints a Leitura X, so that the header can be checked on paper, and waits until the printer
// has finished.
void TfmPrgLote::readingX() {
    if (!printerPresent())
        return;
    CommandSet *set = commands();
    if (!set)
        return;
    DisabledWhileBusy busy({ui->btLX, ui->btSair});
    set->ReadingX();
    set->WaitPrinterIdle();
}

void TfmPrgLote::connectPrinterActions() {
    const std::pair<QPushButton *, ProgrammingTable> readButtonTables[] = {
        {ui->btLerAliqImpr, ProgrammingTable::TaxRates},
        {ui->btLerFPImpr, ProgrammingTable::Payments},
        {ui->btLerRGImpr, ProgrammingTable::Reports},
        {ui->btLerCNFNVImpr, ProgrammingTable::Totalizers},
        {ui->btLerClicheImpr, ProgrammingTable::Header},
        {ui->btLerESC228Impr, ProgrammingTable::Options},
        {ui->btLerConf2Impr, ProgrammingTable::Operator}};
    for (auto [button, table] : readButtonTables)
        connect(button, &QPushButton::clicked, this, [this, table = table] { readOne(table); });
    connect(ui->btLerTodos, &QPushButton::clicked, this, &TfmPrgLote::readAll);
    connect(ui->btEviarAliqImpr, &QPushButton::clicked, this, &TfmPrgLote::sendTaxRate);
    connect(ui->btEnviarFPImpr, &QPushButton::clicked, this, &TfmPrgLote::sendPaymentMethod);
    connect(ui->btEnviarRGImpr, &QPushButton::clicked, this, &TfmPrgLote::sendReportName);
    connect(ui->btEnviarCNFNVImpr, &QPushButton::clicked, this, &TfmPrgLote::sendTotalizer);
    connect(ui->btEnviarClicheImpr, &QPushButton::clicked, this, &TfmPrgLote::sendHeader);
    connect(ui->btLX, &QPushButton::clicked, this, &TfmPrgLote::readingX);
    connect(ui->btEnviaESC228Impr, &QPushButton::clicked, this, &TfmPrgLote::sendOptions);
    connect(ui->btEnviarHorarioVerao, &QPushButton::clicked, this, &TfmPrgLote::sendDaylightSaving);
    connect(ui->btEnviarOperador, &QPushButton::clicked, this, &TfmPrgLote::sendOperator);
}
