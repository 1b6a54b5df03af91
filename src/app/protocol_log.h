#pragma once

#include "link/serial_new.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <mutex>

// The protocol monitor's logic: the bytes on the line paired into exchanges (a frame and the
// answer that followed it), decoded with the frame layouts, filtered, and written to and read
// from a text log or a CSV table.

// Bytes as the link handed them over, stamped on arrival.
struct TrafficEvent {
    TrafficDirection direction = TrafficDirection::Sent;
    QByteArray bytes;
    qint64 wallMs = 0; // the PC's local time, ms since the epoch
    qint64 tickMs = 0; // monotonic, for the intervals
    uint32_t model = 0;
};

// The hand-over between the thread that sends or waits and the monitor: push() only stamps
// and queues; the decoding happens wherever take() is called. `wake` runs on the pushing
// thread when the queue goes from empty to not empty, so the consumer is called once per
// batch, never once per byte.
class TrafficQueue {
public:
    std::function<void()> wake;
    void push(TrafficDirection direction, const QByteArray &bytes);
    QList<TrafficEvent> take();

private:
    std::mutex mutex;
    QList<TrafficEvent> events;
};

// One row of the monitor, as shown and as saved.
struct ExchangeRow {
    QString time;      // hh:mm:ss.mmm
    QString since;     // "+1,250 s" since the previous frame; empty for the first
    QString model;     // "MV210", "MV4700" or empty
    QString command;   // "Venda de item", "desconhecido"
    QString fields;    // "alíquota: 18,00 %; ..."
    QString answer;    // "aceito", "recusado: código ...", "sem resposta"
    QString roundTrip; // "45 ms"; empty while no answer came
    QByteArray sent, received;

    bool refused() const { return answer.startsWith(QStringLiteral("recusado")); }
    bool operator==(const ExchangeRow &) const = default;
};

struct ProtocolFilter {
    QString command; // empty: every command
    bool refusedOnly = false;
    QString text; // in the command, fields, answer or hex, case ignored
    bool matches(const ExchangeRow &row) const;
};

class ProtocolLog {
public:
    // Adds an event: a frame opens a row ("sem resposta" until an answer comes), an answer
    // completes the last row (the chunks of a long answer join it). Returns the index of the
    // row added or changed.
    int add(const TrafficEvent &event);
    const QList<ExchangeRow> &rows() const { return list; }
    void clear();
    // The commands that occur, in order of first appearance.
    QStringList commands() const;

    // One line per exchange: its columns separated by tabs, the decoded form and then the
    // bytes in hexadecimal; lines that begin with '#' are comments.
    QByteArray toText() const;
    // The same columns as a CSV table (';' between fields, as spreadsheets in Brazil expect).
    QByteArray toCsv() const;
    // Replaces the rows with those of a text log. False, with the reason in `error`, when a
    // line cannot be read; the rows are then left as they were.
    bool fromText(const QByteArray &text, QString *error);

private:
    void decodeAnswer(ExchangeRow &row, uint32_t model) const;

    QList<ExchangeRow> list;
    qint64 lastSentTick = -1;
    qint64 pendingSentTick = -1; // the last row's frame, until its first answer
    uint32_t lastModel = 0;
};

// "Salvar...": the text log at `path` and the CSV table beside it (the same name ending in
// ".csv"). "Abrir...": a text log read into `log`. Each returns the message for the user when
// it fails, or an empty text.
QString saveProtocolLog(const ProtocolLog &log, const QString &path);
QString openProtocolLog(ProtocolLog &log, const QString &path);
