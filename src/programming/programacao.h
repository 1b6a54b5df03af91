#pragma once

#include "programming/send_data_run.h"
#include "widgets/tool_window.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace Ui {
class TfmProgramacao;
}
class ToolShell;

// "Inicialização da Impressora" (Send Data): initialises a printer from a configuration file
// in one pass (send_data_run.h holds the run itself). The user picks the .c2k file and, on
// model B, the bank table; sets the ECF number, whether the header goes with it, the printer's
// daylight-saving flag, the increment of the ECF number for the next printer of a series and
// the copy of the file named after the printer's serial number.
class TfmProgramacao : public ToolWindow, private SendDataView {
    Q_OBJECT
public:
    explicit TfmProgramacao(ToolShell *mainWindow);
    ~TfmProgramacao() override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void applyModel(uint32_t model);
    void chooseConfiguration();
    void chooseBankTable();
    void proceed();

    // SendDataView
    void setButtonsEnabled(bool enabled) override;
    void showProgress(int value) override;
    void hideProgress() override;

    std::unique_ptr<Ui::TfmProgramacao> ui;
    ToolShell *main;
};
