#pragma once

#include "app/tool_window.h"

#include <memory>

namespace Ui {
class TfmVendaItem;
}
struct ProgrammingLists;

// "Venda de Item": sells one item of the open fiscal coupon, in one line or with the full
// description, under a tax rate picked by name from the printer's programming; model B's
// second tab puts a surcharge or discount on an item already sold. After a sale the form keeps
// what was typed, so the next item needs only what differs; the price and quantity are zeroed
// each time the window opens.
class TfmVendaItem : public ToolWindow {
    Q_OBJECT
public:
    TfmVendaItem(QWidget *fiscalWindow, QWidget *mainWindow, const ProgrammingLists &lists);
    ~TfmVendaItem() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool modelA() const;
    void applyDescriptionMode();
    void applyQuantityKind();
    void applyTaxList();
    void applyAdjustmentKind();
    void applyAdjustmentForm();
    void applyAdjustmentKind2();
    void applyAdjustmentForm2();
    void selectFirstTaxRates();
    void sell();
    void adjustSoldItem();
    void clearSale();

    std::unique_ptr<Ui::TfmVendaItem> ui;
    const ProgrammingLists &lists;
};
