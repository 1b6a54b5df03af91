#pragma once

// What the tests of the emulated printers share: frames built byte by byte, a printer of each
// model, the bytes it answers, the tool's reading of accepted and refused answers, and a raw
// serial line on a pseudo-terminal.
#include "printer.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QString>

#include <memory>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace emubench {

using emu::Model;
using emu::Printer;

inline const QByteArray End("\xFF\r", 2);

inline QByteArray esc(int code) {
    return QByteArray("\x1B") + char(code);
}
inline QByteArray gs(int code) {
    return QByteArray("\x1D") + char(code);
}
inline QByteArray pad(const QByteArray &text, int width) {
    return text.left(width).leftJustified(width, ' ');
}
inline Model modelOf(const QString &name) {
    return name == QLatin1String("A") ? Model::A : Model::B;
}
inline bool isA(Model m) {
    return m == Model::A;
}

// Model A 21000123 / 1.22 / ECF 0007, model B 47000456 / 1.05 / ECF 0042, unless the firmware
// is given.
inline std::unique_ptr<Printer> makePrinter(Model model, const QByteArray &firmware = {}) {
    if (isA(model))
        return Printer::create(model, {"21000123", firmware.isEmpty() ? "1.22" : firmware, "0007"});
    return Printer::create(model, {"47000456", firmware.isEmpty() ? "1.05" : firmware, "0042"});
}

// Everything the printer sends for these replies, as the line carries it.
inline QByteArray wire(const std::vector<emu::Reply> &replies) {
    QByteArray bytes;
    for (const emu::Reply &reply : replies)
        for (const emu::Segment &segment : reply)
            bytes += segment.bytes;
    return bytes;
}
inline QByteArray exchange(Printer &printer, const QByteArray &frame) {
    return wire(printer.receive(frame));
}

// The poll the tool sends, and a status digit read as the tool reads it.
inline QByteArray statusPoll(Model model) {
    return isA(model) ? gs(0xFF) : gs(0x05);
}
inline int digitAt(const QByteArray &answer, int position) {
    const char c = answer.at(position);
    return c <= '9' ? c - '0' : c - '7';
}
inline int statusDigit(Printer &printer, int position) {
    return digitAt(exchange(printer, statusPoll(printer.model())), position);
}
// Model A: s4 bit 1 set and bit 0 clear; model B: s5 bits 0 and 1 set.
inline bool idle(Printer &printer) {
    return isA(printer.model()) ? (statusDigit(printer, 4) & 3) == 2
                                : (statusDigit(printer, 5) & 3) == 3;
}

// "ok" when the tool's check accepts the answer (model A: no ":E"; model B: "00" at 2-3),
// "no answer" when it is not a framed answer, else the error code the tool shows.
inline QByteArray outcome(Model m, const QByteArray &answer) {
    if (!answer.startsWith(':') || !answer.endsWith(End))
        return "no answer";
    if (isA(m))
        return answer.startsWith(":E") ? answer.mid(2, 2) : "ok";
    return answer.mid(2, 2) == "00" ? "ok" : answer.mid(2, 2);
}
inline bool accepted(Model m, const QByteArray &answer) {
    return outcome(m, answer) == "ok";
}
inline QByteArray refusal(Model m, const QByteArray &code) {
    return isA(m) ? ":E" + code + End : ":R" + code + "00" + End;
}

inline QByteArray readingX(Model m) {
    return esc(isA(m) ? 0xCF : 0xFA);
}
// The Redução Z as the tool sends it, with the printer's own date and time.
inline QByteArray reductionZ(Printer &p) {
    return esc(isA(p.model()) ? 0xD0 : 0xFC) +
           p.printerClock().toString(QStringLiteral("ddMMyyHHmmss")).toLatin1();
}
// Puts the printer's clock at noon today, away from midnight and from minimum hours.
inline void atNoon(Printer &printer) {
    const QDateTime now = QDateTime::currentDateTime();
    printer.setClockOffsetSeconds(now.secsTo(QDateTime(now.date(), QTime(12, 0))));
}

// A serial line opened on a pseudo-terminal's slave side, raw, as a terminal program would.
class PtyLine {
public:
    explicit PtyLine(const QString &path) {
        fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            return;
        termios settings{};
        ::tcgetattr(fd, &settings);
        ::cfmakeraw(&settings);
        ::tcsetattr(fd, TCSANOW, &settings);
    }
    ~PtyLine() {
        if (fd >= 0)
            ::close(fd);
    }
    PtyLine(const PtyLine &) = delete;
    PtyLine &operator=(const PtyLine &) = delete;

    bool isOpen() const { return fd >= 0; }
    bool write(const QByteArray &bytes) {
        return ::write(fd, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
    }
    // Reads until `answers` answers (each ending with 0xFF CR) have come, or the time is up.
    QByteArray read(int answers, int timeoutMs) {
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        while (got.count(End) < answers) {
            const qint64 left = timeoutMs - timer.elapsed();
            if (left <= 0)
                break;
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, int(left)) <= 0)
                continue;
            char buffer[512];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, qsizetype(n));
        }
        return got;
    }

private:
    int fd = -1;
};

} // namespace emubench
