#pragma once

#include "fiscal/document_controls.h"
#include "widgets/tool_window.h"

#include <QByteArray>

#include <memory>
#include <optional>

namespace Ui {
class TfmTotalizacao;
}

// "Totalização do Cupom Fiscal": fixes the total of the open coupon, with a surcharge or
// discount on it as an amount or a percentage. The subtotal the printer answers goes to the
// payment window through subtotalReceived. The window closes once the command went out.
class TfmTotalizacao : public ToolWindow {
    Q_OBJECT
public:
    TfmTotalizacao(QWidget *fiscalWindow, QWidget *mainWindow);
    ~TfmTotalizacao() override;

signals:
    // The coupon's subtotal, 12 digits, after a totalization the printer accepted.
    void subtotalReceived(const QByteArray &subtotal);

private:
    void send();

    std::unique_ptr<Ui::TfmTotalizacao> ui;
    std::optional<AdjustmentGroup> adjustment;
};
