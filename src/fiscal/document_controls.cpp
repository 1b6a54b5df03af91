#include "fiscal/document_controls.h"

#include "core/global.h"
#include "core/printer_present.h"
#include "fiscal/amount_edit.h"
#include "fiscal/item_entry.h"
#include "fiscal/programming_lists.h"
#include "fiscal/voucher_entry.h"
#include "protocol/command_set.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>

void fillList(QComboBox *box, const CodedList &list) {
    box->clear();
    box->addItems(list.names);
    box->setCurrentIndex(box->count() > 0 ? 0 : -1);
}

void sendMemoText(QWidget *window, const QPlainTextEdit *memo, const QList<QWidget *> &busy,
                  bool waitIdle) {
    if (printerMissing())
        return;
    const QByteArray text = VoucherEntry::documentText(memo->toPlainText());
    if (text.isEmpty())
        return;
    CommandSet *commands = commandSetFor(toolState().ModelCode);
    if (!commands)
        return;
    for (QWidget *button : busy)
        button->setEnabled(false);
    window->repaint(); // the disabled buttons show while the printer works
    commands->PrintReportLines(text.constData());
    if (waitIdle)
        commands->WaitPrinterIdle();
    for (QWidget *button : busy)
        button->setEnabled(true);
}

void closeReport() {
    if (printerMissing())
        return;
    if (CommandSet *commands = commandSetFor(toolState().ModelCode))
        commands->CloseReport();
}

AdjustmentGroup::AdjustmentGroup(QObject *owner, const Controls &controls, const QString &mask,
                                 std::function<void(bool)> rule)
    : c(controls), valueMask(mask), kindRule(std::move(rule)) {
    c.amount->setMask(c.value->isChecked() ? valueMask : ItemEntry::PercentageMask);
    for (QRadioButton *kind : {c.none, c.surcharge, c.discount})
        QObject::connect(kind, &QRadioButton::toggled, owner, [this](bool on) {
            if (on)
                applyKind();
        });
    QObject::connect(c.value, &QRadioButton::toggled, owner, [this] { applyForm(); });
    applyKind();
}

void AdjustmentGroup::applyKind() {
    const bool adjusted = !c.none->isChecked();
    c.amount->setEnabled(adjusted);
    c.label->setEnabled(adjusted);
    c.formPanel->setVisible(adjusted);
    if (kindRule)
        kindRule(adjusted);
}

void AdjustmentGroup::applyForm() {
    c.amount->setMask(c.value->isChecked() ? valueMask : ItemEntry::PercentageMask);
    c.amount->setFocus();
}

char AdjustmentGroup::type() const {
    if (c.surcharge->isChecked())
        return 'A';
    return c.discount->isChecked() ? 'D' : 'N';
}

bool AdjustmentGroup::percentage() const {
    return c.percentage->isChecked();
}

QByteArray AdjustmentGroup::digits() const {
    return c.amount->digitBytes();
}
