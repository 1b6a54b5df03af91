#pragma once

#include "widgets/tool_window.h"

#include <memory>

namespace Ui {
class TfmFechamento;
}

// Closes the paid coupon with an optional promotional message of up to nine lines, which the
// printer prints at the coupon's foot.
class TfmFechamento : public ToolWindow {
    Q_OBJECT
public:
    TfmFechamento(QWidget *fiscalWindow, QWidget *mainWindow);
    ~TfmFechamento() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A pasted text may bring more lines than the message may have: the surplus goes.
    void keepMessageLines();
    void closeCoupon();

    std::unique_ptr<Ui::TfmFechamento> ui;
};
