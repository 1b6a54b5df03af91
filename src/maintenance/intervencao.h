#pragma once

#include "protocol/records.h"
#include "widgets/tool_window.h"

#include <memory>

namespace Ui {
class TfmIntervencao;
}
class QPushButton;
class ToolShell;

// "Intervenção Técnica": work that needs the printer in maintenance mode. A technical
// intervention (optionally clearing the programming and the receipt header, and setting the
// ECF number), bringing the printer's clock to the PC's, and switching the printer to the
// firmware update. Shows the PC clock, the printer clock and their difference, kept by the
// main window's clock tick while the window is shown.
class TfmIntervencao : public ToolWindow {
    Q_OBJECT
public:
    explicit TfmIntervencao(ToolShell *mainWindow);
    ~TfmIntervencao() override;

    // "Enviar": needs firmware recent enough, so the main window's version gate enables and
    // disables it with its own buttons. The firmware update stays usable with old firmware.
    QPushButton *btProceder() const;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void proceed();
    void adjustClock();
    void updateFirmware();
    void runProcedure(bool clockOnly);
    bool printerPresent();
    void readPrinterClock();
    void startClock();

    std::unique_ptr<Ui::TfmIntervencao> ui;
    ToolShell *main;
    ClicheRecord cliche{};
};
