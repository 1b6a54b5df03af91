#include "maintenance/cnpj.h"

namespace Cnpj {
namespace {

bool allDigits(const QString &text) {
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// 0 when the remainder is 0 or 1, else 11 minus the remainder.
int digitFromSum(int sum) {
    const int r = sum % 11;
    return r < 2 ? 0 : 11 - r;
}

// The two check digits of a 12-digit base, as first * 10 + second.
int checkDigits(const QString &base) {
    // The base is walked from its last digit to its first. The first check digit weighs the
    // digits 2, 3, ... 9 and then again from 2; the second starts one weight further, at 3,
    // and adds the first check digit with weight 2.
    int first = 0;
    int second = 0;
    for (int i = 0; i < 12; ++i) {
        const int digit = base.at(11 - i).unicode() - '0';
        first += digit * (2 + i % 8);
        second += digit * (2 + (i + 1) % 8);
    }
    const int d1 = digitFromSum(first);
    const int d2 = digitFromSum(second + 2 * d1);
    return d1 * 10 + d2;
}

} // namespace

QString digitsOf(const QString &text) {
    QString digits;
    for (QChar c : text) {
        if (c.isDigit())
            digits += c;
    }
    return digits;
}

bool isValid(const QString &digits) {
    if (digits.size() != 14 || !allDigits(digits))
        return false;
    if (digits == QStringLiteral("00000000000000"))
        return false;
    const int expected = checkDigits(digits.left(12));
    const int given = (digits.at(12).unicode() - '0') * 10 + (digits.at(13).unicode() - '0');
    return expected == given;
}

} // namespace Cnpj
