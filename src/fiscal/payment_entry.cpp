#include "fiscal/payment_entry.h"

#include "link/codepage.h"

#include <QStringList>

#include <algorithm>
#include <cstring>

namespace PaymentEntry {
namespace {

// `digits` right-aligned in `width` bytes, zero-padded; only ASCII digits count.
void putDigits(uint8_t *field, int width, const QString &digits) {
    QByteArray kept;
    for (QChar c : digits)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            kept += char(c.unicode());
    const QByteArray placed = kept.right(width).rightJustified(width, '0');
    std::memcpy(field, placed.constData(), size_t(width));
}

// A code of the programming lists into its field: model B two digits, model A one letter
// (its list entry may carry a NUL after the letter, which the zeroed field already holds).
void putCode(uint8_t *field, int width, const QByteArray &code) {
    const int count = std::min<int>(width, int(code.size()));
    std::memcpy(field, code.constData(), size_t(count));
}

} // namespace

PaymentRecord paymentRecord(const QByteArray &methodCode, const QString &amountDigits,
                            const QString &text) {
    PaymentRecord record;
    std::memset(&record, 0, sizeof record);
    putCode(record.method, sizeof record.method, methodCode);
    putDigits(record.amount, sizeof record.amount, amountDigits);
    QByteArray bytes = Codepage::toWindows1252(text).left(AdditionalTextLength);
    // The text ends at its first NUL; a NUL typed into it would only cut it short.
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    std::memcpy(record.text, bytes.constData(), size_t(bytes.size()));
    return record;
}

ReversalRecord reversalRecord(const QByteArray &fromCode, const QByteArray &toCode,
                              const QString &coo, const QString &amountDigits) {
    ReversalRecord record;
    std::memset(&record, 0, sizeof record);
    putCode(record.from, sizeof record.from, fromCode);
    putCode(record.to, sizeof record.to, toCode);
    putDigits(record.coo, sizeof record.coo, coo);
    putDigits(record.amount, sizeof record.amount, amountDigits);
    return record;
}

bool paidInFull(const QByteArray &balance) {
    return balance.size() == 12 &&
           std::all_of(balance.begin(), balance.end(), [](char c) { return c == '0'; });
}

QByteArray closingText(const QString &memoText) {
    QString text = memoText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = text.split(QLatin1Char('\n'));
    QByteArray joined = Codepage::toWindows1252(lines.join(QLatin1String("\r\n")));
    // The command set takes the text up to its first NUL.
    const qsizetype nul = joined.indexOf('\0');
    if (nul >= 0)
        joined.truncate(nul);
    return joined;
}

bool isInflowTotalizer(const QByteArray &totalizerCode) {
    return totalizerCode.startsWith('E');
}

VoucherRecord voucherRecord(const QByteArray &totalizerCode, const QString &amountDigits,
                            const VoucherAdjustment &adjustment) {
    VoucherRecord record;
    std::memset(&record, 0, sizeof record);
    putCode(record.totalizer, sizeof record.totalizer, totalizerCode.mid(1));
    putDigits(record.amount, sizeof record.amount, amountDigits);
    record.adjustmentType = uint8_t(adjustment.type);
    if (adjustment.type != 'N') {
        // A percentage takes the field's first four digits.
        putDigits(record.adjustment, adjustment.percentage ? 4 : int(sizeof record.adjustment),
                  adjustment.digits);
        record.adjustmentMode = adjustment.percentage ? 'P' : 'V';
    }
    return record;
}

} // namespace PaymentEntry
