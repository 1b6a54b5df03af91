#pragma once

#include "app/protocol_log.h"

#include <QWidget>

#include <atomic>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;

// The traffic viewer's "Protocolo" view: one row per exchange, decoded; a filter by command,
// by refusal and by text; the raw bytes of the selected row; "Salvar...", "Abrir..." and
// "Registrar sempre". Its rules live in ProtocolLog; this only shows them.
class ProtocolPanel : public QWidget {
    Q_OBJECT
public:
    explicit ProtocolPanel(QWidget *parent);

    // On the UI thread: the events the link handed over since the last call.
    void add(const QList<TrafficEvent> &events);
    void clear();
    // "Registrar sempre": read from any thread.
    bool recordingAlways() const { return always; }
    const ProtocolLog &log() const { return protocolLog; }

private:
    void refill();
    void showRow(int logIndex);
    void showBytes();
    void updateCommands();
    void forgetCommands();
    void save();
    void open();

    ProtocolLog protocolLog;
    QList<int> shown; // the log index of each table row
    std::atomic<bool> always{false};
    QComboBox *cbComando;
    QCheckBox *cbRecusados;
    QLineEdit *edProcurar;
    QTableWidget *twProtocolo;
    QPlainTextEdit *memoBytes;
    QCheckBox *cbRegistrarSempre;
};
