#include "fiscal/ccd.h"

#include "core/global.h"
#include "core/messages.h"
#include "core/printer_present.h"
#include "fiscal/document_controls.h"
#include "fiscal/programming_lists.h"
#include "fiscal/voucher_entry.h"
#include "protocol/command_set.h"
#include "ui_ccd.h"

#include <QFontDatabase>

TfmCCD::TfmCCD(QWidget *fiscalWindow, QWidget *mainWindow, const ProgrammingLists &l)
    : ToolWindow(fiscalWindow, mainWindow, QPoint(10, -50)), ui(std::make_unique<Ui::TfmCCD>()),
      lists(l) {
    ui->setupUi(this);
    setFixedSize(size());
    ui->meValor->setMask(QStringLiteral("0.000.000.000,00;0;_"));
    ui->memoTexto->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    connect(ui->btEmiteCCD, &QPushButton::clicked, this, &TfmCCD::btEmiteCCDClick);
    connect(ui->btEnviarTexto, &QPushButton::clicked, this, &TfmCCD::btEnviarTextoClick);
    connect(ui->btFinalizaCCD, &QPushButton::clicked, this, &closeReport);
    connect(ui->bt2ndVia, &QPushButton::clicked, this, &TfmCCD::bt2ndViaClick);
    connect(ui->btLimpar, &QPushButton::clicked, ui->memoTexto, &QPlainTextEdit::clear);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
    // Back on "Emissão", the voucher belongs to the last document again (a voucher just
    // issued, or a coupon opened meanwhile).
    connect(ui->PageControl, &QTabWidget::currentChanged, this, [this] {
        if (ui->PageControl->currentWidget() == ui->tabEmissao)
            proposeCurrentCoo();
    });
}

TfmCCD::~TfmCCD() = default;

void TfmCCD::showEvent(QShowEvent *event) {
    {
        const QSignalBlocker block(ui->PageControl);
        ui->PageControl->setCurrentWidget(ui->tabEmissao);
    }
    proposeCurrentCoo();
    fillList(ui->cbFPV, lists.linkedPayments);
    // Only model B prints a second copy of a voucher.
    ui->PageControl->setTabVisible(ui->PageControl->indexOf(ui->tabOutros),
                                   toolState().ModelCode == ModelB);
    ToolWindow::showEvent(event);
}

void TfmCCD::proposeCurrentCoo() {
    ui->meCOO->setText(
        QString::fromLatin1(VoucherEntry::digitField(toolState().CurrentCOO.get(), 6)));
}

void TfmCCD::btEmiteCCDClick() {
    if (printerMissing())
        return;
    const uint32_t model = toolState().ModelCode;
    CommandSet *commands = commandSetFor(model);
    if (!commands)
        return;
    LinkedVoucherRecord record;
    const VoucherEntry::Problem problem = VoucherEntry::fillLinkedVoucher(
        model, lists, ui->cbFPV->currentIndex(), ui->meCOO->text(), ui->meValor->digits(), record);
    if (problem != VoucherEntry::Problem::None) {
        showMessage(VoucherEntry::problemText(problem), QStringLiteral("Erro"), MessageButtons::Ok,
                    MessageStyle::Error);
        return;
    }
    // The voucher's own COO replaces the coupon's.
    VoucherEntry::withCurrentCoo([&](char *coo) { return commands->OpenVoucher(record, coo); });
}

void TfmCCD::btEnviarTextoClick() {
    // The window is given back only once the printer has printed the text.
    sendMemoText(this, ui->memoTexto, {ui->btEmiteCCD, ui->btEnviarTexto}, true);
}

void TfmCCD::bt2ndViaClick() {
    if (printerMissing())
        return;
    if (toolState().ModelCode != ModelB)
        return;
    if (CommandSet *commands = commandSetFor(ModelB))
        commands->ReprintVoucher();
}
