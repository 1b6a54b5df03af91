#pragma once

#include "widgets/tool_window.h"

#include <QByteArray>

#include <memory>

namespace Ui {
class TfmPagamento;
}
class QComboBox;
class QRadioButton;
struct CodedList;
struct ProgrammingLists;

// "Pagamento": registers the payments of a totalized coupon (or of an inflow non-fiscal
// voucher) and shows the balance the printer reports, closing itself once the printer says
// the coupon is paid; its second tab moves an amount already paid from one payment method to
// another (the reversal). Payment methods come in two lists, the ones not linked to a
// credit/debit voucher and the linked ones; a radio pair chooses which list is in view.
class TfmPagamento : public ToolWindow {
    Q_OBJECT
public:
    TfmPagamento(QWidget *fiscalWindow, QWidget *mainWindow, const ProgrammingLists &lists);
    ~TfmPagamento() override;

public slots:
    // The balance still to pay, 12 digits (the subtotal after a totalization): shown in the
    // balance field, which becomes visible.
    void showBalance(const QByteArray &digits);

protected:
    void showEvent(QShowEvent *event) override;

private:
    // One radio pair: the unlinked list is in view while `unlinkedButton` is checked.
    void bindPair(QRadioButton *unlinkedButton, QComboBox *unlinked, QComboBox *linked);
    // The printer's code for the choice of a pair (the first method when none is chosen);
    // empty when the list in view has no methods.
    QByteArray methodCode(QRadioButton *linkedButton, QComboBox *unlinked, QComboBox *linked) const;
    void fillLists();
    void registerPayment();
    void clearPayment();
    void reversePayment();
    void tabChanged(int index);

    std::unique_ptr<Ui::TfmPagamento> ui;
    const ProgrammingLists &lists;
};
