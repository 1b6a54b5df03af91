#pragma once

#include "fiscal/document_controls.h"
#include "widgets/tool_window.h"

#include <memory>
#include <optional>

namespace Ui {
class TfmCNFNV;
}
struct ProgrammingLists;

// "Registro em Totalizador Não Fiscal": issues a non-fiscal voucher (CNFNV), an amount
// registered in one of the printer's non-fiscal totalizers, optionally with a surcharge or a
// discount. An inflow ('E') voucher is paid like a coupon, so once the printer accepts one the
// window signals that the payment window is wanted.
class TfmCNFNV : public ToolWindow {
    Q_OBJECT
public:
    TfmCNFNV(QWidget *fiscalWindow, QWidget *mainWindow, const ProgrammingLists &lists);
    ~TfmCNFNV() override;

signals:
    void inflowVoucherIssued();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void issueVoucher();
    void clearVoucher();

    std::unique_ptr<Ui::TfmCNFNV> ui;
    const ProgrammingLists &lists;
    std::optional<AdjustmentGroup> adjustment;
};
