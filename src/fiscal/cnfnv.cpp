#include "fiscal/cnfnv.h"

#include "app/global.h"
#include "app/messages.h"
#include "app/printer_present.h"
#include "fiscal/payment_entry.h"
#include "fiscal/programming_lists.h"
#include "protocol/command_set.h"
#include "ui_cnfnv.h"

#include <cstring>

namespace {
const QString AmountMask = QStringLiteral("000.000,00;0;_");
const QString PercentMask = QStringLiteral("00,00;0;_");
} // namespace

TfmCNFNV::TfmCNFNV(QWidget *fiscalWindow, QWidget *mainWindow,
                   const ProgrammingLists &programmingLists)
    : ToolWindow(fiscalWindow, mainWindow, QPoint(10, 10)), ui(std::make_unique<Ui::TfmCNFNV>()),
      lists(programmingLists) {
    ui->setupUi(this);
    setFixedSize(size());
    ui->meValorCNFNV->setMask(AmountMask);
    ui->meAcresDesc->setMask(AmountMask);
    applyAdjustmentKind();

    for (QRadioButton *kind : {ui->rbNenhum, ui->rbAcrescimo, ui->rbDesconto})
        connect(kind, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                applyAdjustmentKind();
        });
    connect(ui->rbValor, &QRadioButton::toggled, this, &TfmCNFNV::applyAdjustmentForm);
    connect(ui->btProceder, &QPushButton::clicked, this, &TfmCNFNV::issueVoucher);
    connect(ui->btLimparPagamento, &QPushButton::clicked, this, &TfmCNFNV::clearVoucher);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
}

TfmCNFNV::~TfmCNFNV() = default;

void TfmCNFNV::showEvent(QShowEvent *event) {
    ui->cbCNFNV->clear();
    ui->cbCNFNV->addItems(lists.totalizers.names);
    ui->cbCNFNV->setCurrentIndex(ui->cbCNFNV->count() > 0 ? 0 : -1);
    ToolWindow::showEvent(event);
}

void TfmCNFNV::applyAdjustmentKind() {
    const bool none = ui->rbNenhum->isChecked();
    ui->lbAcresDesc->setEnabled(!none);
    ui->meAcresDesc->setEnabled(!none);
    ui->pnAcresDesc2->setVisible(!none);
}

void TfmCNFNV::applyAdjustmentForm() {
    ui->meAcresDesc->setMask(ui->rbValor->isChecked() ? AmountMask : PercentMask);
    ui->meAcresDesc->setFocus();
}

void TfmCNFNV::issueVoucher() {
    if (printerMissing())
        return;
    CommandSet *commands = commandSetFor(toolState().ModelCode);
    if (!commands)
        return;
    const QByteArray code = lists.totalizers.codeAt(ui->cbCNFNV->currentIndex());
    if (code.size() < 2) {
        showMessage(QStringLiteral("Nenhum totalizador não fiscal programado na impressora!"),
                    QStringLiteral("Erro"), MessageButtons::Ok, MessageStyle::Error);
        return;
    }
    PaymentEntry::VoucherAdjustment adjustment;
    adjustment.type = ui->rbAcrescimo->isChecked() ? 'A' : ui->rbDesconto->isChecked() ? 'D' : 'N';
    adjustment.percentage = ui->rbPorcentagem->isChecked();
    adjustment.digits = ui->meAcresDesc->digits();
    const VoucherRecord voucher =
        PaymentEntry::voucherRecord(code, ui->meValorCNFNV->digits(), adjustment);

    char coo[6];
    const QByteArray current = toolState().CurrentCOO.get().toLatin1().leftJustified(6, '0');
    std::memcpy(coo, current.constData(), sizeof coo);
    if (!commands->IssueNonFiscalVoucher(voucher, coo))
        return; // the printer's message is shown; nothing to pay
    toolState().CurrentCOO.set(QString::fromLatin1(coo, sizeof coo));
    if (PaymentEntry::isInflowTotalizer(code))
        emit inflowVoucherIssued();
}

void TfmCNFNV::clearVoucher() {
    ui->meValorCNFNV->zero();
    ui->cbCNFNV->setCurrentIndex(-1);
}
