#include "core/clock_text.h"

#include <cmath>

namespace {
const QDateTime &epoch() {
    static const QDateTime value(QDate(1899, 12, 30), QTime(0, 0));
    return value;
}
} // namespace

namespace ClockText {

double toDays(const QDateTime &dateTime) {
    const qint64 ms = epoch().msecsTo(dateTime);
    return double(ms) / 86400000.0;
}

QDateTime fromDays(double days) {
    return epoch().addMSecs(qint64(std::llround(days * 86400000.0)));
}

QString format(const QDateTime &dateTime, bool daylightSaving) {
    QString text = dateTime.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    if (daylightSaving)
        text += QLatin1Char('V');
    return text;
}

QString difference(double printerDays, const QDateTime &now, bool printerPresent) {
    if (!printerPresent)
        return QStringLiteral("XXXXXXXXX");
    const float seconds = float((printerDays - toDays(now)) * 86400.0);
    const long whole = long(std::trunc(std::fabs(seconds)));
    if (seconds < 0)
        return QStringLiteral("(-) ") + QString::number(whole);
    return QString::number(whole);
}

} // namespace ClockText
