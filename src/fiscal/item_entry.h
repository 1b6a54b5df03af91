#pragma once

#include "protocol/records.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// What the item sale, cancellation and totalization windows send, built from the values of
// their controls: the records filled here go to SellItem, AdjustItem and Totalize as they
// are. No widgets here, so the filling is tested without a window.
namespace ItemEntry {

// Masks of the amount fields (shift-in digit entry): digit positions, the separators shown,
// then ";0;_".
inline const QString PriceOneLineMask = QStringLiteral("0.000.000,00;0;_");    // 9 digits
inline const QString PriceFullMask = QStringLiteral("0.000.000,000;0;_");      // 10 digits
inline const QString QuantityWholeMask = QStringLiteral("00000;0;_");          // 5 digits
inline const QString QuantityDecimalMask = QStringLiteral("00,00;0;_");        // 4 digits
inline const QString QuantityFullMask = QStringLiteral("00000,000;0;_");       // 8 digits
inline const QString AdjustmentValueMask = QStringLiteral("0.000.000,00;0;_"); // 9 digits
inline const QString PercentageMask = QStringLiteral("00,00;0;_");             // 4 digits
inline const QString TotalValueMask = QStringLiteral("0.000.000.000,00;0;_");  // 12 digits

// The units of measure offered; the printer takes two characters.
inline const char *const Units[] = {"pc", "kg", "cx", "l", "un"};
constexpr int UnitTypedLength = 3;

// How long the item code and description may be: the one-line sale prints them in one line
// of the coupon, the full sale as long as each model's frame allows.
struct TextLimits {
    int code = 0;
    int description = 0;
};
TextLimits textLimits(bool oneLine, uint32_t modelCode);

// One item as the sale window holds it. Texts are as typed; amounts are the digits of their
// fields (no separators).
struct Sale {
    bool oneLine = true;
    QString code;
    QString description;
    QByteArray price;    // 9 digits one-line, 10 full
    QByteArray taxCode;  // 2 characters, from the programming lists
    QByteArray quantity; // 5 whole or 4 decimal digits one-line, 8 full
    QString unit;        // the unit box's text; its first two characters are sent
    bool decimalQuantity = false;
    char adjustmentType = 'N'; // 'N' none, 'A' surcharge, 'D' discount
    bool percentage = false;   // the adjustment is a percentage (else an amount)
    QByteArray adjustment;     // 9 value digits or 4 percentage digits
};

// A zeroed ItemRecord filled with the sale. The code and description are cut to their fields
// (each keeps its terminating zero); the unit is padded with spaces to two characters, since
// a zero byte inside a frame would end it there. Without an adjustment its value and mode
// stay zero.
ItemRecord saleRecord(const Sale &sale);

// A zeroed ItemRecord for a surcharge or discount on the sold item `itemNumber` (3 digits).
ItemRecord adjustmentRecord(const QByteArray &itemNumber, char adjustmentType, bool percentage,
                            const QByteArray &adjustment);

// A zeroed TotalRecord: the type, and unless it is 'N' the amount (12 digits) or percentage
// (4 digits) and the mode.
TotalRecord totalRecord(char adjustmentType, bool percentage, const QByteArray &amount);

// A number typed into a short numeric field, right-aligned with leading zeros to `width`
// digits ("7" -> "007"); characters other than digits are left out, and only the last
// `width` digits are kept.
QByteArray paddedNumber(const QString &typed, int width);

} // namespace ItemEntry
