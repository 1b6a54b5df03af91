#include "app/protocol_log.h"

#include "core/clock.h"
#include "core/file_replace.h"
#include "core/global.h"
#include "protocol/frame_decoder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cctype>

namespace {

using namespace FrameDecoder;

QString modelName(uint32_t model) {
    return model == ModelA   ? QStringLiteral("MV210")
           : model == ModelB ? QStringLiteral("MV4700")
                             : QString();
}

QByteArray fromHex(const QString &hex, bool &ok) {
    const QByteArray compact = hex.toLatin1().replace(' ', QByteArray());
    ok = compact.size() % 2 == 0 && std::all_of(compact.begin(), compact.end(),
                                                [](char c) { return std::isxdigit(uint8_t(c)); });
    return QByteArray::fromHex(compact);
}

QStringList columns(const ExchangeRow &r) {
    return {r.time,   r.since,     r.model,         r.command,          r.fields,
            r.answer, r.roundTrip, hexText(r.sent), hexText(r.received)};
}

const QStringList Headings{QStringLiteral("Hora"),
                           QStringLiteral("Intervalo"),
                           QStringLiteral("Modelo"),
                           QStringLiteral("Comando"),
                           QStringLiteral("Campos"),
                           QStringLiteral("Resposta"),
                           QStringLiteral("Tempo de resposta"),
                           QStringLiteral("Enviado (hex)"),
                           QStringLiteral("Recebido (hex)")};

} // namespace

void TrafficQueue::push(TrafficDirection direction, const QByteArray &bytes) {
    TrafficEvent event{direction, bytes, QDateTime::currentMSecsSinceEpoch(), Clock::tickMs(),
                       toolState().ModelCode};
    bool first = false;
    {
        std::lock_guard lock(mutex);
        first = events.isEmpty();
        events.append(std::move(event));
    }
    if (first && wake)
        wake();
}

QList<TrafficEvent> TrafficQueue::take() {
    std::lock_guard lock(mutex);
    return std::exchange(events, {});
}

bool ProtocolFilter::matches(const ExchangeRow &row) const {
    if (!command.isEmpty() && row.command != command)
        return false;
    if (refusedOnly && !row.refused())
        return false;
    if (text.isEmpty())
        return true;
    return columns(row).join(QLatin1Char('\t')).contains(text, Qt::CaseInsensitive);
}

int ProtocolLog::add(const TrafficEvent &event) {
    if (event.direction == TrafficDirection::Sent) {
        ExchangeRow row;
        row.time =
            QDateTime::fromMSecsSinceEpoch(event.wallMs).toString(QStringLiteral("HH:mm:ss.zzz"));
        if (lastSentTick >= 0)
            row.since = QStringLiteral("+%1 s").arg(
                QLocale(QLocale::Portuguese, QLocale::Brazil)
                    .toString((event.tickMs - lastSentTick) / 1000.0, 'f', 3));
        row.model = modelName(event.model);
        row.sent = event.bytes;
        const DecodedFrame frame = decodeFrame(event.model, event.bytes);
        row.command = frame.command;
        row.fields = frame.fieldsText();
        row.answer = FrameDecoder::decodeAnswer(event.model, frame, {}).text;
        lastSentTick = pendingSentTick = event.tickMs;
        lastModel = event.model;
        list.append(row);
        return int(list.size() - 1);
    }
    if (list.isEmpty() || (pendingSentTick < 0 && list.last().received.isEmpty())) {
        // An answer with no frame before it (the monitor started in the middle of one).
        ExchangeRow row;
        row.time =
            QDateTime::fromMSecsSinceEpoch(event.wallMs).toString(QStringLiteral("HH:mm:ss.zzz"));
        row.model = modelName(event.model);
        row.command = QStringLiteral("desconhecido");
        list.append(row);
        lastModel = event.model;
    }
    ExchangeRow &row = list.last();
    if (pendingSentTick >= 0)
        row.roundTrip = QStringLiteral("%1 ms").arg(event.tickMs - pendingSentTick);
    pendingSentTick = -1;
    row.received += event.bytes;
    decodeAnswer(row, lastModel);
    return int(list.size() - 1);
}

void ProtocolLog::decodeAnswer(ExchangeRow &row, uint32_t model) const {
    const DecodedFrame frame = decodeFrame(model, row.sent);
    row.answer = row.sent.isEmpty() ? QStringLiteral("desconhecido: ") + hexText(row.received)
                                    : FrameDecoder::decodeAnswer(model, frame, row.received).text;
}

void ProtocolLog::clear() {
    list.clear();
    lastSentTick = pendingSentTick = -1;
}

QStringList ProtocolLog::commands() const {
    QStringList names;
    for (const ExchangeRow &row : list) {
        if (!names.contains(row.command))
            names << row.command;
    }
    return names;
}

QByteArray ProtocolLog::toText() const {
    QByteArray out =
        "# Registro do protocolo: " + Headings.join(QStringLiteral(" | ")).toUtf8() + '\n';
    for (const ExchangeRow &row : list) {
        QStringList cells = columns(row);
        for (QString &cell : cells)
            cell.replace(QLatin1Char('\t'), QLatin1Char(' '));
        out += cells.join(QLatin1Char('\t')).toUtf8() + '\n';
    }
    return out;
}

QByteArray ProtocolLog::toCsv() const {
    const auto line = [](const QStringList &cells) {
        QStringList quoted;
        for (QString cell : cells) {
            if (cell.contains(QLatin1Char(';')) || cell.contains(QLatin1Char('"')))
                cell = QLatin1Char('"') + cell.replace(QLatin1String("\""), QLatin1String("\"\"")) +
                       QLatin1Char('"');
            quoted << cell;
        }
        return quoted.join(QLatin1Char(';')).toUtf8() + "\r\n";
    };
    QByteArray out = "\xEF\xBB\xBF" + line(Headings); // the mark lets spreadsheets read UTF-8
    for (const ExchangeRow &row : list)
        out += line(columns(row));
    return out;
}

bool ProtocolLog::fromText(const QByteArray &text, QString *error) {
    QList<ExchangeRow> rows;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines[i]).remove(QLatin1Char('\r'));
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList cells = line.split(QLatin1Char('\t'));
        bool sentOk = false, receivedOk = false;
        ExchangeRow row;
        if (cells.size() == 9) {
            row = {cells[0], cells[1], cells[2], cells[3], cells[4], cells[5], cells[6], {}, {}};
            row.sent = fromHex(cells[7], sentOk);
            row.received = fromHex(cells[8], receivedOk);
        }
        if (!sentOk || !receivedOk) {
            if (error)
                *error = QStringLiteral("A linha %1 do arquivo não é um registro do protocolo.")
                             .arg(i + 1);
            return false;
        }
        rows.append(row);
    }
    clear();
    list = rows;
    return true;
}

QString saveProtocolLog(const ProtocolLog &log, const QString &path) {
    // A name given with ".csv" still gets its text log beside the table, not over it.
    const QFileInfo info(path);
    const QString base = info.dir().filePath(info.completeBaseName());
    const bool csvNamed = info.suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
    const QString text = csvNamed ? base + QStringLiteral(".log") : path;
    QString error;
    for (const auto &[file, bytes] :
         {std::pair{text, log.toText()}, std::pair{base + QStringLiteral(".csv"), log.toCsv()}}) {
        if (!writeFileReplacing(file, bytes, &error))
            return QStringLiteral("Não foi possível gravar %1:\r\n%2").arg(file, error);
    }
    return {};
}

QString openProtocolLog(ProtocolLog &log, const QString &path) {
    QFile file(path);
    QString error;
    if (!file.open(QIODevice::ReadOnly))
        error = file.errorString();
    else if (log.fromText(file.readAll(), &error))
        return {};
    return QStringLiteral("Não foi possível abrir %1:\r\n%2").arg(path, error);
}
