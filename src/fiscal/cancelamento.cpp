#include "fiscal/cancelamento.h"

#include "core/global.h"
#include "core/printer_present.h"
#include "fiscal/item_entry.h"
#include "protocol/command_set.h"
#include "ui_cancelamento.h"

#include <QRegularExpressionValidator>
#include <QShowEvent>

TfmCancelamento::TfmCancelamento(QWidget *fiscalWindow, QWidget *mainWindow)
    : ToolWindow(fiscalWindow, mainWindow, QPoint(10, 25)),
      ui(std::make_unique<Ui::TfmCancelamento>()) {
    ui->setupUi(this);
    setFixedSize(size());
    ui->meItem->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}")), this));
    ui->meCOO->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,6}")), this));
    for (QRadioButton *choice : {ui->rbItem, ui->rbCF, ui->rbCCD})
        connect(choice, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                applyChoice();
        });
    connect(ui->btProceder, &QPushButton::clicked, this, &TfmCancelamento::send);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
    applyChoice();
}

TfmCancelamento::~TfmCancelamento() = default;

void TfmCancelamento::showEvent(QShowEvent *event) {
    ToolWindow::showEvent(event);
    if (event->spontaneous())
        return; // restored from the task bar: the choices stay as the user left them
    // Model A has no credit/debit voucher cancellation. A CCD choice left from model B must not
    // stay checked out of sight: it would cancel the whole coupon.
    const bool voucher = toolState().ModelCode != ModelA;
    if (!voucher && ui->rbCCD->isChecked())
        ui->rbItem->setChecked(true);
    ui->rbCCD->setVisible(voucher);
    ui->lbCOO->setVisible(voucher);
    ui->meCOO->setVisible(voucher);
    ui->meCOO->setText(toolState().CurrentCOO.get());
    applyChoice();
}

void TfmCancelamento::applyChoice() {
    const bool item = ui->rbItem->isChecked();
    const bool voucher = ui->rbCCD->isChecked();
    ui->lbItem->setEnabled(item);
    ui->meItem->setEnabled(item);
    ui->lbCOO->setEnabled(voucher);
    ui->meCOO->setEnabled(voucher);
}

void TfmCancelamento::send() {
    if (printerMissing())
        return;
    if (CommandSet *commands = commandSetFor(toolState().ModelCode)) {
        // The printer's refusal, if any, is shown by the command's answer check.
        if (ui->rbItem->isChecked()) {
            const QByteArray item = ItemEntry::paddedNumber(ui->meItem->text(), 3);
            ui->meItem->setText(QString::fromLatin1(item));
            commands->CancelItem(item.constData());
        } else if (ui->rbCCD->isChecked() && toolState().ModelCode == ModelB) {
            const QByteArray coo = ItemEntry::paddedNumber(ui->meCOO->text(), 6);
            ui->meCOO->setText(QString::fromLatin1(coo));
            commands->CancelVoucher(coo.constData());
        } else {
            commands->CancelCoupon();
        }
    }
    hide();
}
