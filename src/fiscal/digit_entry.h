#pragma once

#include <QString>

// The amount fields of the document windows hold exactly as many digits as their mask has
// digit positions, and a typed digit shifts in from the right, like a cash register: on a
// zeroed field of mask "0.000.000,00;0;_", typing 1, 2, 5 shows 0.000.001,25.
//
// Masks are written as the toolkit's edit masks: digit positions ('0' or '9'), the displayed
// separators '.' and ',', then ";0;_" (the text holds the digits only).
namespace DigitEntry {

// The number of digit positions of `mask` (its part before the first ';', less separators).
int digitCount(const QString &mask);
// All zeros, one per digit position.
QString zeroText(const QString &mask);
// `digits` laid into the mask's positions with its separators: "000000125" -> "0.000.001,25".
QString display(const QString &mask, const QString &digits);
// The digits after typing `digit` ('0'-'9'): the leftmost dropped, the new one appended.
QString shiftIn(const QString &digits, QChar digit);

} // namespace DigitEntry
