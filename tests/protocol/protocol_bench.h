#pragma once

// A link on a scripted device with both command sets on it, for the protocol tests.

#include "core/clock.h"
#include "core/global.h"
#include "core/messages.h"
#include "link/serial_new.h"
#include "protocol/cmd210.h"
#include "protocol/cmd4700.h"
#include "support/recording_messages.h"
#include "support/scripted_transport.h"

#include <QByteArrayList>
#include <QDateTime>
#include <QTimeZone>

#include <cstring>
#include <future>
#include <memory>
#include <vector>

namespace bench {

inline QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out += char(v);
    return out;
}

inline QByteArray esc(int command) {
    return bytes({27, command});
}
inline QByteArray pad(const QByteArray &text, int width, char fill = ' ') {
    return text.left(width).leftJustified(width, fill);
}

// Answers the printer gives to an accepted command: model A anything that does not begin with
// ":E"; model B "00" at bytes 2-3 and data from byte 6.
inline QByteArray okA(const QByteArray &data = {}) {
    return QByteArray(":") + data;
}
inline QByteArray okB(const QByteArray &data = {}) {
    return QByteArray("\x02"
                      "1"
                      "00"
                      "00",
                      6) +
           data;
}
inline QByteArray ok(uint model, const QByteArray &data = {}) {
    return model == ModelA ? okA(data) : okB(data);
}
// A refusal with code 16 (a syntax error in both tables).
inline QByteArray refusal(uint model) {
    return model == ModelA ? QByteArray(":E16")
                           : QByteArray("\x02"
                                        "1"
                                        "16"
                                        "00",
                                        6);
}
inline QString refusalText(uint model) {
    return model == ModelA ? QStringLiteral("ERRO: 16\r\n\nErro de sintaxe no comando")
                           : QStringLiteral("ERRO: 16\r\n\nErro na sintaxe do comando");
}
// A GS status answer: byte 0, then twelve status digits.
inline QByteArray status(const QByteArray &digits) {
    return QByteArray("\x02") + digits;
}
inline QByteArray inMaintenance() {
    return status("000000000000");
}
inline QByteArray notInMaintenance() {
    return status("008000000000"); // digit 3 (answer byte 3): bit 3 set
}

const QString NoAnswer = QStringLiteral("ERRO DE COMUNICAÇÃO!");
const QString Incomplete = QStringLiteral("Resposta incompleta da impressora!");
const QString NotInMaintenance = QStringLiteral("Coloque a impressora em Modo Manutenção!");

// The PC's date-time as the printer frames carry it, one hour earlier when `dst` is set.
inline QByteArray pcDateTime(const QDateTime &now, bool dst, bool dateOnly = false) {
    QDateTime wall(now.date(), now.time(), QTimeZone::utc());
    if (dst)
        wall = wall.addSecs(-3600);
    return wall.toString(dateOnly ? QStringLiteral("ddMMyy") : QStringLiteral("ddMMyyHHmmss"))
        .toLatin1();
}

// Replaces the date markers of an expected frame: {DT} the date-time, {DT-1} the date-time one
// hour earlier, {D} the date, {D-1} the date one hour earlier.
inline QByteArray withDates(QByteArray frame, const QDateTime &now) {
    frame.replace("{DT-1}", pcDateTime(now, true));
    frame.replace("{DT}", pcDateTime(now, false));
    frame.replace("{D-1}", pcDateTime(now, true, true));
    frame.replace("{D}", pcDateTime(now, false, true));
    return frame;
}

template <typename Record> Record recordFrom(const QByteArray &bytes) {
    Record record{};
    std::memcpy(static_cast<void *>(&record), bytes.constData(),
                std::min<size_t>(sizeof record, size_t(bytes.size())));
    return record;
}
template <typename Record> QByteArray bytesOf(const Record &record) {
    return QByteArray(reinterpret_cast<const char *>(&record), sizeof record);
}

struct Bench {
    std::shared_ptr<ScriptedTransport::Shared> device =
        std::make_shared<ScriptedTransport::Shared>();
    Link link;
    Cmd210 a{link};
    Cmd4700 b{link};
    RecordingMessages messages;

    Bench() {
        link.setTransportFactory(
            [this](const QString &) { return std::make_unique<ScriptedTransport>(device); });
        link.OpenPort(QStringLiteral("TEST"), 9600, false);
    }
    ~Bench() { link.ClosePort(); }

    CommandSet &model(uint code) { return code == ModelA ? static_cast<CommandSet &>(a) : b; }

    // Each chunk answers one wait; an empty chunk is a wait that brings nothing. Once the
    // script is used up, every wait runs out its time.
    void script(const QByteArrayList &chunks) {
        std::lock_guard lock(device->mutex);
        for (const QByteArray &chunk : chunks)
            device->chunks.push_back(chunk);
    }
    QByteArrayList written() {
        std::lock_guard lock(device->mutex);
        return device->written;
    }
    int reads() {
        std::lock_guard lock(device->mutex);
        return device->reads;
    }
};

// Records the messages shown while another thread tries to use the link: a message must never
// show with the exchange held, or that thread (the identification) would wait for the user.
class ProbingMessages : public Messages {
public:
    explicit ProbingMessages(Link &link) : link(link) { installMessages(this); }
    ~ProbingMessages() override { installMessages(nullptr); }
    MessageAnswer show(const Message &message) override {
        // Kept until the probe goes: a future's end waits for its thread, which would never
        // come if the link were held by the thread showing this message.
        probes.push_back(std::async(std::launch::async, [this] { link.IsCtsOn(); }));
        if (probes.back().wait_for(std::chrono::seconds(2)) != std::future_status::ready)
            blocked << message.text;
        shown << message.text;
        captioned << message.caption + QStringLiteral(": ") + message.text;
        return MessageAnswer::Ok;
    }
    QStringList shown, captioned, blocked;

private:
    Link &link;
    std::vector<std::future<void>> probes;
};

// Every test starts from the tool's initial state with short protocol durations.
inline void resetWorld() {
    resetToolState();
    Clock::setScale(0.001);
    Clock::setNowOffsetSeconds(0);
    invalidateConfigurationCache();
    configurationBlock().bytes.clear();
}

} // namespace bench
