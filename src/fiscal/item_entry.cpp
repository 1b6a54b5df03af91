#include "fiscal/item_entry.h"

#include "core/global.h"
#include "link/codepage.h"

#include <algorithm>
#include <cstring>

namespace ItemEntry {
namespace {

// Copies at most N bytes of `bytes` to the start of a zeroed field.
template <size_t N> void put(uint8_t (&field)[N], const QByteArray &bytes) {
    std::memcpy(field, bytes.constData(), std::min<size_t>(N, size_t(bytes.size())));
}

// Text for a zero-terminated field of N bytes: cut so that the terminator fits, and cut at
// any zero byte the text itself holds.
template <size_t N> void putText(uint8_t (&field)[N], const QString &text) {
    QByteArray bytes = Codepage::toWindows1252(text);
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    put(field, bytes.left(qsizetype(N) - 1));
}

bool hasAdjustment(char type) {
    return type == 'A' || type == 'D';
}

} // namespace

TextLimits textLimits(bool oneLine, uint32_t modelCode) {
    if (oneLine)
        return {6, 13};
    return modelCode == ModelA ? TextLimits{13, 174} : TextLimits{18, 200};
}

ItemRecord saleRecord(const Sale &sale) {
    ItemRecord item;
    std::memset(&item, 0, sizeof item);
    item.form = sale.oneLine ? 1 : 0;
    putText(item.code, sale.code);
    putText(item.description, sale.description);
    put(item.price, sale.price);
    put(item.taxCode, sale.taxCode);
    put(item.quantity, sale.quantity);
    QByteArray unit = Codepage::toWindows1252(sale.unit.left(2)).replace('\0', ' ');
    put(item.unit, unit.leftJustified(2, ' ', true));
    item.quantityFormat = sale.decimalQuantity ? 'D' : 'I';
    item.adjustmentType = uint8_t(hasAdjustment(sale.adjustmentType) ? sale.adjustmentType : 'N');
    if (hasAdjustment(sale.adjustmentType)) {
        put(item.adjustment, sale.adjustment);
        item.adjustmentMode = sale.percentage ? 'P' : 'V';
    }
    return item;
}

ItemRecord adjustmentRecord(const QByteArray &itemNumber, char adjustmentType, bool percentage,
                            const QByteArray &adjustment) {
    ItemRecord item;
    std::memset(&item, 0, sizeof item);
    put(item.itemNumber, itemNumber);
    item.adjustmentType = uint8_t(hasAdjustment(adjustmentType) ? adjustmentType : 'N');
    if (hasAdjustment(adjustmentType)) {
        put(item.adjustment, adjustment);
        item.adjustmentMode = percentage ? 'P' : 'V';
    }
    return item;
}

TotalRecord totalRecord(char adjustmentType, bool percentage, const QByteArray &amount) {
    TotalRecord total;
    std::memset(&total, 0, sizeof total);
    total.adjustmentType = uint8_t(hasAdjustment(adjustmentType) ? adjustmentType : 'N');
    if (hasAdjustment(adjustmentType)) {
        put(total.amount, amount);
        total.adjustmentMode = percentage ? 'P' : 'V';
    }
    return total;
}

QByteArray paddedNumber(const QString &typed, int width) {
    QByteArray digits;
    for (QChar c : typed)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += char(c.unicode());
    return digits.right(width).rightJustified(width, '0');
}

} // namespace ItemEntry
