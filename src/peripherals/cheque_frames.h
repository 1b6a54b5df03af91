#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The frames of model B's check printer and the status bits that guide a check through it.
// Everything here is plain data: the window and its thread only send what these build.
namespace ChequeFrames {

constexpr uint8_t Esc = 27;
constexpr uint8_t Gs = 29;
constexpr uint8_t Can = 24;
constexpr char TextEnd = '\xFF';

// ESC 'b' and the three digits of the bank number.
QByteArray bank(const QString &threeDigits);
// ESC 'c', the city in the printer's code page, 0xFF.
QByteArray city(uint32_t modelCode, const QString &text);
// ESC 'd' and the date as eight digits ddmmyyyy.
QByteArray date(const QString &eightDigits);
// ESC 'f', the payee in the printer's code page, 0xFF.
QByteArray payee(uint32_t modelCode, const QString &text);
// ESC 'v' (horizontal) or ESC 'V' (vertical) and the twelve digits of the amount in centavos.
QByteArray front(bool horizontal, const QByteArray &twelveDigits);
// ESC 't', the back text as typed (PC code page; line breaks become CR LF), 0xFF.
QByteArray back(const QString &text);
QByteArray cancel();     // CAN alone
QByteArray statusPoll(); // GS 0x05

// What a status answer tells about the check. A poll that got no answer (or one too short to
// hold the digits) tells nothing: the link leaves its time-out fill of '9's there, whose bits
// would read as "a check is in place" and as "not released", so such an answer is neither.
struct CheckStatus {
    bool answered = false;
    bool inPlace = false;     // s2 bit 3
    bool held = false;        // s6 bit 3: the mechanism still holds the check
    bool notReleased = false; // s2 bit 2 or s6 bit 3
    bool released() const { return answered && !notReleased; }
};
// `length` is what WaitResponse returned for `answer`.
CheckStatus decodeStatus(const uint8_t *answer, int length);

// The value of a status digit: '0'-'9' give 0-9, 'A'-'F' give 10-15.
int hexValue(uint8_t digit);

} // namespace ChequeFrames

// The amount as the "Valor" field keeps it: always twelve digits, typed like on a calculator.
namespace ChequeAmount {
constexpr int Digits = 12;
QString zero();
// A typed digit drops the first digit and enters at the right.
QString shiftIn(const QString &twelveDigits, QChar digit);
// The digits of a field that may hold separators or blanks, padded to twelve with zeros.
QString digitsOf(const QString &fieldText);
} // namespace ChequeAmount

// The back text: at most five lines carry text, at most 120 characters.
namespace ChequeBackText {
constexpr int MaxCharacters = 120;
constexpr int MaxLines = 5;
// The text with its last line emptied when it holds six or more lines, and cut at 120
// characters. Returns the text unchanged when it is within the limits.
QString limited(const QString &text);
} // namespace ChequeBackText
