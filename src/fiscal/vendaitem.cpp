#include "fiscal/vendaitem.h"

#include "core/global.h"
#include "core/messages.h"
#include "core/printer_present.h"
#include "fiscal/document_controls.h"
#include "fiscal/item_entry.h"
#include "fiscal/programming_lists.h"
#include "protocol/command_set.h"
#include "ui_vendaitem.h"

#include <QRegularExpressionValidator>
#include <QShowEvent>

namespace {

constexpr int AdjustTab = 1;

// Runs `slot` when `button` becomes checked (radio buttons report both ends of a change).
template <class Slot> void onChecked(QRadioButton *button, TfmVendaItem *window, Slot slot) {
    QObject::connect(button, &QRadioButton::toggled, window, [window, slot](bool on) {
        if (on)
            (window->*slot)();
    });
}

} // namespace

TfmVendaItem::TfmVendaItem(QWidget *fiscalWindow, QWidget *mainWindow,
                           const ProgrammingLists &programmingLists)
    : ToolWindow(fiscalWindow, mainWindow, QPoint(10, -70)),
      ui(std::make_unique<Ui::TfmVendaItem>()), lists(programmingLists) {
    ui->setupUi(this);
    setFixedSize(size());

    for (const char *unit : ItemEntry::Units)
        ui->cbUnidade->addItem(QString::fromLatin1(unit));
    ui->cbUnidade->setCurrentIndex(0);
    ui->cbUnidade->lineEdit()->setMaxLength(ItemEntry::UnitTypedLength);
    ui->cbUnidade->setInsertPolicy(QComboBox::NoInsert);
    ui->meItem->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}")), this));

    ui->meValor->setMask(ItemEntry::PriceOneLineMask);
    ui->meQuantidade->setMask(ItemEntry::QuantityWholeMask);
    ui->cbSTISSQN->hide();
    adjustment.emplace(this,
                       AdjustmentGroup::Controls{ui->rbNenhum, ui->rbAcrescimo, ui->rbDesconto,
                                                 ui->lbAcresDesc, ui->meAcresDesc, ui->pnAcresDesc2,
                                                 ui->rbValor, ui->rbPorcentagem},
                       ItemEntry::AdjustmentValueMask,
                       [this](bool adjusted) { applyModelAdjustmentRule(adjusted); });
    soldItemAdjustment.emplace(this,
                               AdjustmentGroup::Controls{ui->rbNenhum2, ui->rbAcrescimo2,
                                                         ui->rbDesconto2, ui->lbAcresDesc2,
                                                         ui->meAcresDesc2, ui->pnAcresDesc4,
                                                         ui->rbValor2, ui->rbPorcentagem2},
                               ItemEntry::AdjustmentValueMask);

    onChecked(ui->rbDesc1L, this, &TfmVendaItem::applyDescriptionMode);
    onChecked(ui->rbDescCompleta, this, &TfmVendaItem::applyDescriptionMode);
    onChecked(ui->rbInteira, this, &TfmVendaItem::applyQuantityKind);
    onChecked(ui->rbDecimal, this, &TfmVendaItem::applyQuantityKind);
    onChecked(ui->rbICMS, this, &TfmVendaItem::applyTaxList);
    onChecked(ui->rbVinc, this, &TfmVendaItem::applyTaxList);

    connect(ui->btProceder, &QPushButton::clicked, this, &TfmVendaItem::sell);
    connect(ui->btEnviarAcreDescItem, &QPushButton::clicked, this, &TfmVendaItem::adjustSoldItem);
    connect(ui->btLimparVenda, &QPushButton::clicked, this, &TfmVendaItem::clearSale);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
}

TfmVendaItem::~TfmVendaItem() = default;

bool TfmVendaItem::modelA() const {
    return toolState().ModelCode == ModelA;
}

void TfmVendaItem::showEvent(QShowEvent *event) {
    ToolWindow::showEvent(event); // disables the fiscal window, placed beside the main one
    if (event->spontaneous())
        return; // restored from the task bar: the form stays as the user left it

    // The tax rates as the fiscal window last read them from the printer.
    ui->cbSTICMS->clear();
    ui->cbSTICMS->addItems(lists.icms.names);
    ui->cbSTISSQN->clear();
    ui->cbSTISSQN->addItems(lists.iss.names);
    selectFirstTaxRates();

    // Model A adjusts nothing after the sale: its second tab is gone.
    const bool adjustTab = !modelA();
    if (!adjustTab)
        ui->pgVenda->setCurrentIndex(0);
    ui->pgVenda->setTabEnabled(AdjustTab, adjustTab);
    ui->pgVenda->setTabVisible(AdjustTab, adjustTab);

    applyTaxList();
    // The adjustment choices kept from the last opening may have been made for the other
    // model: model A's item sale takes a percentage only.
    adjustment->applyKind();
    applyDescriptionMode(); // zeroes the price and the quantity, focuses the code
}

void TfmVendaItem::selectFirstTaxRates() {
    ui->cbSTICMS->setCurrentIndex(ui->cbSTICMS->count() > 0 ? 0 : -1);
    ui->cbSTISSQN->setCurrentIndex(-1);
}

void TfmVendaItem::applyDescriptionMode() {
    const bool oneLine = ui->rbDesc1L->isChecked();
    const ItemEntry::TextLimits limits = ItemEntry::textLimits(oneLine, toolState().ModelCode);
    ui->edCodigo->setMaxLength(limits.code);
    ui->edDescricao->setMaxLength(limits.description);
    ui->pnQtde->setVisible(oneLine);
    ui->cbUnidade->setEnabled(!oneLine);
    ui->lbUnidade->setEnabled(!oneLine);
    ui->meValor->setMask(oneLine ? ItemEntry::PriceOneLineMask : ItemEntry::PriceFullMask);
    applyQuantityKind();
    ui->edCodigo->setFocus();
}

void TfmVendaItem::applyQuantityKind() {
    const bool oneLine = ui->rbDesc1L->isChecked();
    if (!oneLine && ui->rbDecimal->isChecked()) {
        // The full sale always sends a quantity with three decimals.
        ui->rbInteira->setChecked(true); // re-enters here through its toggle
        return;
    }
    if (!oneLine)
        ui->meQuantidade->setMask(ItemEntry::QuantityFullMask);
    else if (ui->rbDecimal->isChecked())
        ui->meQuantidade->setMask(ItemEntry::QuantityDecimalMask);
    else
        ui->meQuantidade->setMask(ItemEntry::QuantityWholeMask);
    ui->meQuantidade->setFocus();
}

void TfmVendaItem::applyTaxList() {
    const bool icms = ui->rbICMS->isChecked();
    ui->cbSTICMS->setVisible(icms);
    ui->cbSTISSQN->setVisible(!icms);
    (icms ? ui->cbSTICMS : ui->cbSTISSQN)->setFocus();
}

void TfmVendaItem::applyModelAdjustmentRule(bool adjusted) {
    if (!adjusted)
        return;
    if (modelA()) {
        // Model A's item sale carries a four-digit percentage and nothing else.
        ui->rbPorcentagem->setChecked(true);
        ui->rbValor->setEnabled(false);
        ui->pnAcresDesc2->setEnabled(false);
    } else {
        ui->rbValor->setEnabled(true);
        ui->pnAcresDesc2->setEnabled(true);
    }
}

void TfmVendaItem::sell() {
    if (printerMissing())
        return;
    CommandSet *commands = commandSetFor(toolState().ModelCode);
    if (!commands)
        return;
    const bool icms = ui->rbICMS->isChecked();
    const QByteArray taxCode = icms ? lists.icms.codeAt(ui->cbSTICMS->currentIndex())
                                    : lists.iss.codeAt(ui->cbSTISSQN->currentIndex());
    if (taxCode.size() != 2 || taxCode.contains('\0')) {
        // An empty list (no ISS rate programmed, or the programming not read) has no code to
        // send; a frame without one would be cut short.
        showMessage(icms ? QStringLiteral("Nenhuma situação tributária de ICMS disponível!")
                         : QStringLiteral("Nenhuma alíquota de ISSQN programada na impressora!"),
                    QStringLiteral("Erro"), MessageButtons::Ok, MessageStyle::Error);
        return;
    }
    ItemEntry::Sale sale;
    sale.oneLine = ui->rbDesc1L->isChecked();
    sale.code = ui->edCodigo->text();
    sale.description = ui->edDescricao->text();
    sale.price = ui->meValor->digitBytes();
    sale.taxCode = taxCode;
    sale.quantity = ui->meQuantidade->digitBytes();
    sale.unit = ui->cbUnidade->currentText();
    sale.decimalQuantity = sale.oneLine && ui->rbDecimal->isChecked();
    sale.adjustmentType = adjustment->type();
    sale.percentage = adjustment->percentage();
    sale.adjustment = adjustment->digits();
    // The printer's answer is shown by the command itself; the form stays for the next item.
    commands->SellItem(ItemEntry::saleRecord(sale));
}

void TfmVendaItem::adjustSoldItem() {
    if (printerMissing())
        return;
    CommandSet *commands = commandSetFor(toolState().ModelCode);
    if (!commands)
        return;
    const QByteArray item = ItemEntry::paddedNumber(ui->meItem->text(), 3);
    ui->meItem->setText(QString::fromLatin1(item));
    commands->AdjustItem(ItemEntry::adjustmentRecord(item, soldItemAdjustment->type(),
                                                     soldItemAdjustment->percentage(),
                                                     soldItemAdjustment->digits()));
}

void TfmVendaItem::clearSale() {
    ui->edCodigo->clear();
    ui->edDescricao->clear();
    ui->meValor->zero();
    ui->meQuantidade->zero();
    ui->meAcresDesc->zero();
    selectFirstTaxRates();
    ui->edCodigo->setFocus();
}
