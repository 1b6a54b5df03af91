#include "fiscal/totalizacao.h"

#include "core/global.h"
#include "core/printer_present.h"
#include "fiscal/document_controls.h"
#include "fiscal/item_entry.h"
#include "protocol/command_set.h"
#include "ui_totalizacao.h"

TfmTotalizacao::TfmTotalizacao(QWidget *fiscalWindow, QWidget *mainWindow)
    : ToolWindow(fiscalWindow, mainWindow, QPoint(10, 20)),
      ui(std::make_unique<Ui::TfmTotalizacao>()) {
    ui->setupUi(this);
    setFixedSize(size());
    adjustment.emplace(this,
                       AdjustmentGroup::Controls{ui->rbNenhum, ui->rbAcrescimo, ui->rbDesconto,
                                                 ui->lbAcresDesc, ui->meAcresDesc, ui->pnAcresDesc2,
                                                 ui->rbValor, ui->rbPorcentagem},
                       ItemEntry::TotalValueMask);
    connect(ui->btProceder, &QPushButton::clicked, this, &TfmTotalizacao::send);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
}

TfmTotalizacao::~TfmTotalizacao() = default;

void TfmTotalizacao::send() {
    if (printerMissing())
        return;
    if (CommandSet *commands = commandSetFor(toolState().ModelCode)) {
        TotalRecord total = ItemEntry::totalRecord(adjustment->type(), adjustment->percentage(),
                                                   adjustment->digits());
        if (commands->Totalize(total))
            emit subtotalReceived(
                QByteArray(reinterpret_cast<const char *>(total.amount), sizeof total.amount));
    }
    hide();
}
