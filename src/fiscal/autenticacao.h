#pragma once

#include "widgets/tool_window.h"

#include <QTimer>

#include <memory>

namespace Ui {
class TfmAutenticacao;
}
class ThreadAutenticacao;

// "Autenticação": stamps a short text on a paper document that the operator puts into the
// printer. The printer answers only once it has printed, so a ThreadAutenticacao waits for
// it while "Sair" turns into "Cancelar". Hiding, closing or destroying the window while it
// waits cancels the authentication and waits for the thread to end.
class TfmAutenticacao : public ToolWindow {
    Q_OBJECT
public:
    TfmAutenticacao(QWidget *fiscalWindow, QWidget *mainWindow);
    ~TfmAutenticacao() override;

    bool authenticating() const { return worker != nullptr; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void btEnviarClick();
    void btSairClick();
    void threadEnded();
    void stopThread();
    void restoreButtons();

    std::unique_ptr<Ui::TfmAutenticacao> ui;
    ThreadAutenticacao *worker = nullptr;
    // After "Cancelar", repeats the abort until the thread has ended.
    QTimer abortRepeat;
};
