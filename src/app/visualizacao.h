#pragma once

#include <QWidget>

#include <atomic>
#include <memory>

namespace Ui {
class TfmVisualizacao;
}
class TfmMain;

// "Visualização dos Comandos": every frame sent and every answer received, as hexadecimal
// bytes or as text. Docks below the main window and leaves it usable. Traffic is collected
// only while the window is shown; it reaches the window through queued calls, so the thread
// that sends or waits never waits for the window.
class TfmVisualizacao : public QWidget {
    Q_OBJECT
public:
    explicit TfmVisualizacao(TfmMain *mainWindow);
    ~TfmVisualizacao() override; // ends the identification and closes the port

    void showSent(const QByteArray &bytes);
    void showReceived(const QByteArray &bytes);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void append(const QString &hex, const QString &text);

    std::unique_ptr<Ui::TfmVisualizacao> ui;
    TfmMain *mainWindow;
    int mainTop = 0;
    std::atomic<bool> collecting{false};
};
