#include "fiscal/pagamento.h"

#include "core/global.h"
#include "core/messages.h"
#include "core/printer_present.h"
#include "fiscal/document_controls.h"
#include "fiscal/payment_entry.h"
#include "fiscal/programming_lists.h"
#include "protocol/command_set.h"
#include "ui_pagamento.h"

namespace {
const QString NoMethods = QStringLiteral("Nenhuma forma de pagamento programada na impressora!");
} // namespace

TfmPagamento::TfmPagamento(QWidget *fiscalWindow, QWidget *mainWindow,
                           const ProgrammingLists &programmingLists)
    : ToolWindow(fiscalWindow, mainWindow, QPoint(10, 25)),
      ui(std::make_unique<Ui::TfmPagamento>()), lists(programmingLists) {
    ui->setupUi(this);
    setFixedSize(size());
    ui->meValorFP->setMask(QStringLiteral("0.000.000.000,00;0;_"));
    ui->meValorEst->setMask(QStringLiteral("0.000.000.000,00;0;_"));
    ui->meSaldo->setMask(QStringLiteral("0.000.000.000,00;0;_"));
    // The balance is the printer's, never typed: the field takes no focus, so no key reaches
    // it. It stays hidden until a balance is known.
    ui->meSaldo->setReadOnly(true);
    ui->meSaldo->setFocusPolicy(Qt::NoFocus);
    ui->lbSaldo->hide();
    ui->meSaldo->hide();
    ui->meCOOest->setText(QStringLiteral("000000"));

    bindPair(ui->rbNVinc, ui->cbFPNV, ui->cbFPV);
    bindPair(ui->rbFPNV1, ui->cbFPNV1, ui->cbFPV1);
    bindPair(ui->rbFPNV2, ui->cbFPNV2, ui->cbFPV2);

    connect(ui->btProceder, &QPushButton::clicked, this, &TfmPagamento::registerPayment);
    connect(ui->btLimparPagamento, &QPushButton::clicked, this, &TfmPagamento::clearPayment);
    connect(ui->btEstorno, &QPushButton::clicked, this, &TfmPagamento::reversePayment);
    connect(ui->pcPagamento, &QTabWidget::currentChanged, this, &TfmPagamento::tabChanged);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
}

TfmPagamento::~TfmPagamento() = default;

void TfmPagamento::bindPair(QRadioButton *unlinkedButton, QComboBox *unlinked, QComboBox *linked) {
    // Both lists take the same place; only one is ever in view.
    linked->setGeometry(unlinked->geometry());
    const auto apply = [=](bool focus) {
        const bool showUnlinked = unlinkedButton->isChecked();
        unlinked->setVisible(showUnlinked);
        linked->setVisible(!showUnlinked);
        if (focus)
            (showUnlinked ? unlinked : linked)->setFocus();
    };
    connect(unlinkedButton, &QRadioButton::toggled, this, [=] { apply(true); });
    apply(false);
}

QByteArray TfmPagamento::methodCode(QRadioButton *linkedButton, QComboBox *unlinked,
                                    QComboBox *linked) const {
    if (linkedButton->isChecked())
        return lists.linkedPayments.codeAt(linked->currentIndex());
    return lists.unlinkedPayments.codeAt(unlinked->currentIndex());
}

void TfmPagamento::fillLists() {
    for (QComboBox *box : {ui->cbFPNV, ui->cbFPNV1, ui->cbFPNV2})
        fillList(box, lists.unlinkedPayments);
    for (QComboBox *box : {ui->cbFPV, ui->cbFPV1, ui->cbFPV2})
        fillList(box, lists.linkedPayments);
}

void TfmPagamento::showEvent(QShowEvent *event) {
    fillLists();
    ui->pcPagamento->setCurrentWidget(ui->tabEmissao);
    ToolWindow::showEvent(event);
}

void TfmPagamento::showBalance(const QByteArray &digits) {
    ui->lbSaldo->show();
    ui->meSaldo->show();
    ui->meSaldo->setDigits(QString::fromLatin1(digits));
}

void TfmPagamento::registerPayment() {
    if (printerMissing())
        return;
    CommandSet *commands = commandSetFor(toolState().ModelCode);
    if (!commands)
        return;
    const QByteArray code = methodCode(ui->rbVinc, ui->cbFPNV, ui->cbFPV);
    if (code.isEmpty()) {
        showMessage(NoMethods, QStringLiteral("Erro"), MessageButtons::Ok, MessageStyle::Error);
        return;
    }
    PaymentRecord payment =
        PaymentEntry::paymentRecord(code, ui->meValorFP->digits(), ui->edTextoAdicional->text());
    // A refused payment leaves the balance as it was (the printer's message is shown).
    if (!commands->RegisterPayment(payment))
        return;
    const QByteArray balance(reinterpret_cast<const char *>(payment.amount), sizeof payment.amount);
    showBalance(balance);
    // Only the printer's own zero balance says the coupon is paid: a field that merely holds
    // zeros (nothing totalized yet, a refused payment) never closes the window.
    if (PaymentEntry::paidInFull(balance)) {
        // The next coupon starts without a stale balance in view.
        ui->lbSaldo->hide();
        ui->meSaldo->hide();
        hide();
    }
}

void TfmPagamento::clearPayment() {
    ui->meValorFP->zero();
    ui->edTextoAdicional->clear();
    ui->cbFPV->setCurrentIndex(-1);
    ui->cbFPNV->setCurrentIndex(-1);
}

void TfmPagamento::reversePayment() {
    if (printerMissing())
        return;
    CommandSet *commands = commandSetFor(toolState().ModelCode);
    if (!commands)
        return;
    const QByteArray from = methodCode(ui->rbFPV1, ui->cbFPNV1, ui->cbFPV1);
    const QByteArray to = methodCode(ui->rbFPV2, ui->cbFPNV2, ui->cbFPV2);
    if (from.isEmpty() || to.isEmpty()) {
        showMessage(NoMethods, QStringLiteral("Erro"), MessageButtons::Ok, MessageStyle::Error);
        return;
    }
    // The outcome is the printer's message alone; the window stays for the next step.
    commands->ReversePayment(
        PaymentEntry::reversalRecord(from, to, ui->meCOOest->text(), ui->meValorEst->digits()));
}

void TfmPagamento::tabChanged(int index) {
    // The reversal refers to the document the tool opened last, which may have changed
    // since the tab was last in view.
    if (ui->pcPagamento->widget(index) == ui->tabEstorno)
        ui->meCOOest->setText(toolState().CurrentCOO.get());
}
