#pragma once

#include "reports/daily_reports.h"
#include "widgets/tool_window.h"

#include <QPointer>

#include <memory>

namespace Ui {
class TfmRelatorios;
}
class CommandSet;
class ToolShell;

// "Comandos de Relatórios": Leitura X, Redução Z and the way to the fiscal memory reading,
// with the PC clock, the printer clock and their difference, so that a wrong printer clock is
// seen before a Redução Z.
class TfmRelatorios : public ToolWindow {
    Q_OBJECT
public:
    explicit TfmRelatorios(ToolShell *mainWindow);
    ~TfmRelatorios() override;

    // The fiscal memory reading window that "Leitura MF" shows.
    void setFiscalMemoryWindow(QWidget *window);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void readClockAndStartTicking();
    void readingX();
    void reductionZ();
    // The report's button and "Sair" stay disabled while the printer prints the report.
    void runReport(QWidget *button, DailyReports::Report report);

    std::unique_ptr<Ui::TfmRelatorios> ui;
    ToolShell *main;
    QPointer<QWidget> fiscalMemory;
};
