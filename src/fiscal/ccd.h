#pragma once

#include "widgets/tool_window.h"

#include <memory>

namespace Ui {
class TfmCCD;
}
struct ProgrammingLists;

// "Comprovante de Crédito e Débito": issues the credit or debit voucher (CCD) that belongs to
// a linked payment of the last coupon, prints free text in it and closes it; on model B it
// also prints a second copy of the last voucher.
class TfmCCD : public ToolWindow {
    Q_OBJECT
public:
    TfmCCD(QWidget *fiscalWindow, QWidget *mainWindow, const ProgrammingLists &lists);
    ~TfmCCD() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void btEmiteCCDClick();
    void btEnviarTextoClick();
    void bt2ndViaClick();
    void proposeCurrentCoo();

    std::unique_ptr<Ui::TfmCCD> ui;
    const ProgrammingLists &lists;
};
