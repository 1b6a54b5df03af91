#pragma once

#include <QString>

// The CNPJ (the company registry number) and its two check digits.
//
// The number has 14 digits: a base of 12 and two check digits, each a weighted sum of the
// digits before it taken modulo 11. The user record window keeps it in the punctuated form
// "11.222.333/0001-81"; the check works on the bare digits.
namespace Cnpj {

// The punctuated form with no digits typed in yet.
inline const QString Empty = QStringLiteral("00.000.000/0000-00");

// The digits of a CNPJ as a masked edit holds it: the text with its punctuation ('.', '/',
// '-') and any blanks left out.
QString digitsOf(const QString &text);

// True when `digits` is 14 ASCII digits whose two last ones are the check digits of the
// twelve before them. All zeros is not a number the registry hands out and is refused; any
// other text (wrong length, letters, punctuation) is invalid.
bool isValid(const QString &digits);

} // namespace Cnpj
