#pragma once

#include "widgets/tool_window.h"

#include <memory>

namespace Ui {
class TfmRG;
}
struct ProgrammingLists;

// "Relatório Gerencial": opens a management report (model B: one of its named reports; model
// A has a single one), prints the text typed into the memo in it, and closes it.
class TfmRG : public ToolWindow {
    Q_OBJECT
public:
    TfmRG(QWidget *fiscalWindow, QWidget *mainWindow, const ProgrammingLists &lists);
    ~TfmRG() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void btEmiteRGClick();
    void btEnviarTextoClick();
    // "Emitir" and "Enviar Texto" stay disabled while the printer works on either.
    void setSendingButtonsEnabled(bool enabled);

    std::unique_ptr<Ui::TfmRG> ui;
    const ProgrammingLists &lists;
};
