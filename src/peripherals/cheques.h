#pragma once

#include "widgets/tool_window.h"

#include <memory>

namespace Ui {
class TfmCheques;
}
class ThreadCheque;

// "CHEQUES": loads the bank table into model B's check printer and prints a check, front and
// optionally back, guiding the operator through a ThreadCheque.
class TfmCheques : public ToolWindow {
    Q_OBJECT
public:
    explicit TfmCheques(QWidget *mainWindow);
    ~TfmCheques() override;

    bool printing() const { return thread != nullptr; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void btOpenArqChequesClick();
    void btProcederClick();
    void btImprimirClick();
    void btSairClick();
    void cbTxtVersoClick();
    void memoMSGChange();
    void setToday();
    void setAmount(const QString &twelveDigits);
    void threadEnded();
    void showIdle();
    void stopThread();

    std::unique_ptr<Ui::TfmCheques> ui;
    QByteArray amount; // the twelve digits captured when printing starts
    ThreadCheque *thread = nullptr;
};
