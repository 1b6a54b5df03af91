#pragma once

#include "widgets/tool_window.h"

#include <memory>

namespace Ui {
class TfmLMF;
}
class QLineEdit;

// "Leitura da Memória Fiscal": a reading of the printer's fiscal memory over a period of
// reduction counters (CRZ) or dates, printed or received into a text file. Opened from the
// reports window; closing it closes that window as well, back to the main window.
class TfmLMF : public ToolWindow {
    Q_OBJECT
public:
    TfmLMF(QWidget *mainWindow, QWidget *reportsWindow);
    ~TfmLMF() override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void chooseMode();
    void proceed();
    // Checks a date field; a refused date shows its message and takes the focus.

    std::unique_ptr<Ui::TfmLMF> ui;
};
