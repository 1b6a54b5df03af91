#pragma once

#include "app/protocol_log.h"

#include <QWidget>

#include <atomic>
#include <memory>

namespace Ui {
class TfmVisualizacao;
}
class TfmMain;
class ProtocolPanel;

// "Visualização dos Comandos": every frame sent and every answer received, as hexadecimal
// bytes, as text, or decoded exchange by exchange ("Protocolo", a larger window). Docks below
// the main window and leaves it usable. Traffic is collected only while the window is shown,
// or for the protocol view also while hidden when "Registrar sempre" is checked; it reaches the
// window through queued calls, so the thread that sends or waits never waits for the window
// and never decodes.
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
    void updateView();

    static constexpr QSize RawSize{510, 160};
    static constexpr QSize ProtocolSize{960, 500};

    std::unique_ptr<Ui::TfmVisualizacao> ui;
    TfmMain *mainWindow;
    int mainTop = 0;
    std::atomic<bool> collecting{false};
    ProtocolPanel *protocol;
    TrafficQueue protocolQueue;
};
