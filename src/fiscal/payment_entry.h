#pragma once

#include "protocol/records.h"

#include <QByteArray>
#include <QString>

// Filling the argument records of the payment, reversal, closing and non-fiscal voucher
// windows from what the user entered. Every record starts zeroed; digits are placed
// right-aligned and zero-padded in their fields (a longer entry keeps its rightmost digits);
// codes are the programming lists' entries as the printer wants them.

namespace PaymentEntry {

// The longest additional text the printer prints with a payment (one line).
constexpr int AdditionalTextLength = 48;
// The promotional message of the closing has at most this many lines.
constexpr int MessageLines = 9;

// A payment: the method's code (model A one letter, model B two digits), the 12 digits of the
// amount, and the additional text (Windows-1252, cut to 48 bytes), zero-terminated.
PaymentRecord paymentRecord(const QByteArray &methodCode, const QString &amountDigits,
                            const QString &text);

// A reversal: the code of the method the amount is taken from and of the one it goes to, the
// coupon's COO (6 digits; fewer are padded with leading zeros) and the 12-digit amount.
ReversalRecord reversalRecord(const QByteArray &fromCode, const QByteArray &toCode,
                              const QString &coo, const QString &amountDigits);

// The balance that a payment returned means the coupon is paid: twelve zeros.
bool paidInFull(const QByteArray &balance);

// The promotional message of the closing as the printer is sent it: the memo's lines joined
// by CR LF, in Windows-1252. An empty memo gives an empty text.
QByteArray closingText(const QString &memoText);

// A non-fiscal totalizer code is 'E' (an inflow, to be paid) or 'S' (an outflow) followed by
// the totalizer's number (model B) or letter (model A).
bool isInflowTotalizer(const QByteArray &totalizerCode);

// The non-fiscal voucher's surcharge or discount.
struct VoucherAdjustment {
    char type = 'N'; // 'N' none, 'A' surcharge (acréscimo), 'D' discount (desconto)
    bool percentage = false;
    QString digits; // 8 digits for a value, 4 for a percentage
};

// A non-fiscal voucher in the totalizer of `totalizerCode` (its 'E'/'S' letter left out), for
// the 8-digit amount, with its adjustment: value and mode only when there is one.
VoucherRecord voucherRecord(const QByteArray &totalizerCode, const QString &amountDigits,
                            const VoucherAdjustment &adjustment);

} // namespace PaymentEntry
