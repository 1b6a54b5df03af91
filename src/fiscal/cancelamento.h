#pragma once

#include "widgets/tool_window.h"

#include <memory>

namespace Ui {
class TfmCancelamento;
}

// "Cancelamentos": cancels an item of the open coupon, the coupon or non-fiscal voucher
// itself, or (model B) a credit/debit voucher by its COO, which the last document the tool
// opened suggests. The window closes once the command went out, whatever the printer said.
class TfmCancelamento : public ToolWindow {
    Q_OBJECT
public:
    TfmCancelamento(QWidget *fiscalWindow, QWidget *mainWindow);
    ~TfmCancelamento() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void applyChoice();
    void send();

    std::unique_ptr<Ui::TfmCancelamento> ui;
};
