#include "peripherals/cheque_frames.h"

#include "link/codepage.h"

#include <QStringList>

namespace ChequeFrames {

namespace {

QByteArray command(char letter) {
    QByteArray frame;
    frame.append(char(Esc));
    frame.append(letter);
    return frame;
}

QByteArray printerText(uint32_t modelCode, const QString &text) {
    QByteArray bytes = Codepage::toWindows1252(text);
    Codepage::ToPrinterText(modelCode, reinterpret_cast<const uint8_t *>(bytes.constData()),
                            reinterpret_cast<uint8_t *>(bytes.data()), size_t(bytes.size()));
    return bytes;
}

} // namespace

QByteArray bank(const QString &threeDigits) {
    return command('b') + threeDigits.toLatin1().left(3);
}

QByteArray city(uint32_t modelCode, const QString &text) {
    return command('c') + printerText(modelCode, text) + TextEnd;
}

QByteArray date(const QString &eightDigits) {
    return command('d') + eightDigits.toLatin1().left(8);
}

QByteArray payee(uint32_t modelCode, const QString &text) {
    return command('f') + printerText(modelCode, text) + TextEnd;
}

QByteArray front(bool horizontal, const QByteArray &twelveDigits) {
    return command(horizontal ? 'v' : 'V') + twelveDigits.left(12);
}

QByteArray back(const QString &text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return command('t') + Codepage::toWindows1252(lines) + TextEnd;
}

QByteArray cancel() {
    return QByteArray(1, char(Can));
}

QByteArray statusPoll() {
    QByteArray frame;
    frame.append(char(Gs));
    frame.append(char(0x05));
    return frame;
}

int hexValue(uint8_t digit) {
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    return 0;
}

CheckStatus decodeStatus(const uint8_t *answer, int length) {
    CheckStatus status;
    if (length < 7)
        return status;
    const int s2 = hexValue(answer[2]);
    const int s6 = hexValue(answer[6]);
    status.answered = true;
    status.inPlace = (s2 & 0x8) != 0;
    status.held = (s6 & 0x8) != 0;
    status.notReleased = (s2 & 0x4) != 0 || status.held;
    return status;
}

} // namespace ChequeFrames

namespace ChequeAmount {

QString zero() {
    return QString(Digits, QLatin1Char('0'));
}

QString shiftIn(const QString &twelveDigits, QChar digit) {
    return digitsOf(twelveDigits).mid(1) + digit;
}

QString digitsOf(const QString &fieldText) {
    QString digits;
    for (QChar c : fieldText)
        if (c.isDigit())
            digits += c;
    return digits.right(Digits).rightJustified(Digits, QLatin1Char('0'));
}

} // namespace ChequeAmount

namespace ChequeBackText {

QString limited(const QString &text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > MaxLines) {
        lines = lines.mid(0, MaxLines);
        lines.append(QString());
    }
    return lines.join(QLatin1Char('\n')).left(MaxCharacters);
}

} // namespace ChequeBackText
