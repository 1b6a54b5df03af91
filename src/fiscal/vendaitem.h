#pragma once

#include "fiscal/document_controls.h"
#include "widgets/tool_window.h"

#include <memory>
#include <optional>

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
    // Model A's item sale takes a percentage only; model B offers a value too.
    void applyModelAdjustmentRule(bool adjusted);
    void selectFirstTaxRates();
    void sell();
    void adjustSoldItem();
    void clearSale();

    std::unique_ptr<Ui::TfmVendaItem> ui;
    const ProgrammingLists &lists;
    std::optional<AdjustmentGroup> adjustment;         // the sale's, first tab
    std::optional<AdjustmentGroup> soldItemAdjustment; // the adjust tab's
};
