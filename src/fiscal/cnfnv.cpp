#include "fiscal/cnfnv.h"

#include "core/global.h"
#include "core/messages.h"
#include "core/printer_present.h"
#include "fiscal/document_controls.h"
#include "fiscal/payment_entry.h"
#include "fiscal/programming_lists.h"
#include "fiscal/voucher_entry.h"
#include "protocol/command_set.h"
#include "ui_cnfnv.h"

namespace {
const QString AmountMask = QStringLiteral("000.000,00;0;_");
} // namespace

TfmCNFNV::TfmCNFNV(QWidget *fiscalWindow, QWidget *mainWindow,
                   const ProgrammingLists &programmingLists)
    : ToolWindow(fiscalWindow, mainWindow, QPoint(10, 10)), ui(std::make_unique<Ui::TfmCNFNV>()),
      lists(programmingLists) {
    ui->setupUi(this);
    setFixedSize(size());
    ui->meValorCNFNV->setMask(AmountMask);
    adjustment.emplace(this,
                       AdjustmentGroup::Controls{ui->rbNenhum, ui->rbAcrescimo, ui->rbDesconto,
                                                 ui->lbAcresDesc, ui->meAcresDesc, ui->pnAcresDesc2,
                                                 ui->rbValor, ui->rbPorcentagem},
                       AmountMask);
    connect(ui->btProceder, &QPushButton::clicked, this, &TfmCNFNV::issueVoucher);
    connect(ui->btLimparPagamento, &QPushButton::clicked, this, &TfmCNFNV::clearVoucher);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
}

TfmCNFNV::~TfmCNFNV() = default;

void TfmCNFNV::showEvent(QShowEvent *event) {
    fillList(ui->cbCNFNV, lists.totalizers);
    ToolWindow::showEvent(event);
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
    const VoucherRecord voucher = PaymentEntry::voucherRecord(
        code, ui->meValorCNFNV->digits(),
        {adjustment->type(), adjustment->percentage(), QString::fromLatin1(adjustment->digits())});
    if (!VoucherEntry::withCurrentCoo(
            [&](char *coo) { return commands->IssueNonFiscalVoucher(voucher, coo); }))
        return; // the printer's message is shown; nothing to pay
    if (PaymentEntry::isInflowTotalizer(code))
        emit inflowVoucherIssued();
}

void TfmCNFNV::clearVoucher() {
    ui->meValorCNFNV->zero();
    ui->cbCNFNV->setCurrentIndex(-1);
}
