#include "fiscal/totalizacao.h"

#include "app/global.h"
#include "app/printer_present.h"
#include "fiscal/item_entry.h"
#include "protocol/command_set.h"
#include "ui_totalizacao.h"

TfmTotalizacao::TfmTotalizacao(QWidget *fiscalWindow, QWidget *mainWindow)
    : ToolWindow(fiscalWindow, mainWindow, QPoint(10, 20)),
      ui(std::make_unique<Ui::TfmTotalizacao>()) {
    ui->setupUi(this);
    setFixedSize(size());
    ui->meAcresDesc->setMask(ItemEntry::TotalValueMask);
    for (QRadioButton *kind : {ui->rbNenhum, ui->rbAcrescimo, ui->rbDesconto})
        connect(kind, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                applyAdjustmentKind();
        });
    for (QRadioButton *form : {ui->rbValor, ui->rbPorcentagem})
        connect(form, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                applyAdjustmentForm();
        });
    connect(ui->btProceder, &QPushButton::clicked, this, &TfmTotalizacao::send);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
    applyAdjustmentKind();
}

TfmTotalizacao::~TfmTotalizacao() = default;

void TfmTotalizacao::applyAdjustmentKind() {
    const bool adjusted = !ui->rbNenhum->isChecked();
    ui->meAcresDesc->setEnabled(adjusted);
    ui->lbAcresDesc->setEnabled(adjusted);
    ui->pnAcresDesc2->setVisible(adjusted);
}

void TfmTotalizacao::applyAdjustmentForm() {
    ui->meAcresDesc->setMask(ui->rbValor->isChecked() ? ItemEntry::TotalValueMask
                                                      : ItemEntry::PercentageMask);
    ui->meAcresDesc->setFocus();
}

void TfmTotalizacao::send() {
    if (printerMissing())
        return;
    if (CommandSet *commands = commandSetFor(toolState().ModelCode)) {
        const char type = ui->rbAcrescimo->isChecked()  ? 'A'
                          : ui->rbDesconto->isChecked() ? 'D'
                                                        : 'N';
        TotalRecord total = ItemEntry::totalRecord(type, ui->rbPorcentagem->isChecked(),
                                                   ui->meAcresDesc->digitBytes());
        if (commands->Totalize(total))
            emit subtotalReceived(
                QByteArray(reinterpret_cast<const char *>(total.amount), sizeof total.amount));
    }
    hide();
}
