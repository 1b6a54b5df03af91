#include "app/traffic_text.h"

namespace TrafficText {

QString hex(const QByteArray &bytes) {
    QString out;
    out.reserve(bytes.size() * 3 + 3);
    for (char c : bytes) {
        out += QString::asprintf("%02X ", unsigned(uint8_t(c)));
    }
    out += QStringLiteral("   ");
    return out;
}

QString text(const QByteArray &bytes, bool sent) {
    QString out;
    for (char c : bytes) {
        const uint8_t byte = uint8_t(c);
        if (byte >= 33 && byte <= 127)
            out += QChar(byte);
        else if (byte == 32)
            out += QLatin1Char('b');
        else if (byte == 13)
            out += QStringLiteral("[CR]");
        else if (byte == 10)
            out += QStringLiteral("[LF]");
        else if (sent && byte == 27)
            out += QStringLiteral("[ESC]");
        else if (sent && byte == 29)
            out += QStringLiteral("[GS]");
        else
            out += QString::asprintf("[%03u]", unsigned(byte));
    }
    out += sent ? QStringLiteral(" ") : QStringLiteral("   ");
    return out;
}

} // namespace TrafficText
