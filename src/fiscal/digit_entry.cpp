#include "fiscal/digit_entry.h"

namespace DigitEntry {
namespace {
QString layout(const QString &mask) {
    return mask.section(QLatin1Char(';'), 0, 0);
}
bool isSeparator(QChar c) {
    return c == QLatin1Char('.') || c == QLatin1Char(',');
}
} // namespace

int digitCount(const QString &mask) {
    int count = 0;
    for (QChar c : layout(mask))
        count += !isSeparator(c);
    return count;
}

QString zeroText(const QString &mask) {
    return QString(digitCount(mask), QLatin1Char('0'));
}

QString display(const QString &mask, const QString &digits) {
    QString shown;
    int next = 0;
    for (QChar c : layout(mask)) {
        if (isSeparator(c))
            shown += c;
        else
            shown += next < digits.size() ? digits[next++] : QLatin1Char('0');
    }
    return shown;
}

QString shiftIn(const QString &digits, QChar digit) {
    if (digits.isEmpty())
        return digits;
    return digits.mid(1) + digit;
}

} // namespace DigitEntry
