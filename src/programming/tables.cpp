#include "programming/tables.h"

#include "link/codepage.h"

#include <cstring>

namespace {

constexpr uint32_t ModelCodeB = 1;
constexpr uint32_t ModelCodeA = 2;

// Firmware versions are compared as decimal numbers; the margin absorbs the binary
// representation of values such as 1.01.
bool firmwareAtLeast(double firmware, double version) {
    return firmware >= version - 1e-9;
}

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

const QString RateUnused = QStringLiteral("//,//%");
const QString IssOff = QStringLiteral("    N");
const QString IssOn = QStringLiteral("    S");
const QString LinkedOn = QStringLiteral("    V");
const QString LinkedOff = QStringLiteral("    N");
const QString Inflow = QStringLiteral("   E");
const QString Outflow = QStringLiteral("   S");

uint8_t flagByte(bool on) {
    return on ? '1' : '0';
}

bool bitZero(uint8_t byte) {
    return (byte & 1) != 0;
}

QString fieldFromBytes(const uint8_t *bytes) {
    QByteArray text;
    for (int i = 0; i < 2; ++i) {
        if (bytes[i] != 0)
            text.append(char(bytes[i]));
    }
    return Codepage::fromWindows1252(text);
}

void fieldToBytes(const QString &field, uint8_t *bytes) {
    const QByteArray text = Codepage::toWindows1252(field);
    for (int i = 0; i < 2; ++i)
        bytes[i] = i < text.size() ? uint8_t(text.at(i)) : ' ';
}

} // namespace

ProgrammingTables::ProgrammingTables() {
    std::memset(options.bytes, 0, sizeof options.bytes);
    for (int k = 0; k < TaxRateRows; ++k)
        taxRates[k].code = taxCodeText(k + 1);
    for (int k = 0; k < ReportRows; ++k)
        reports[k].number = reportNumberText(k + 1);
    for (int k = 0; k < TotalizerRows; ++k)
        totalizers[k].number = totalizerNumberText(k + 1);
    clearTaxRates(*this);
    clearReports(*this);
    clearTotalizers(*this);
}

bool ProgrammingTables::operator==(const ProgrammingTables &other) const {
    return taxRates == other.taxRates && payments == other.payments && reports == other.reports &&
           totalizers == other.totalizers &&
           std::memcmp(options.bytes, other.options.bytes, sizeof options.bytes) == 0 &&
           controls == other.controls && header == other.header;
}

QString taxCodeText(int row) {
    return QStringLiteral("    T") + QChar(u'A' + (row - 1));
}

QString paymentNumberText(int number) {
    return QStringLiteral(" FP") + twoDigits(number);
}

QString reportNumberText(int row) {
    return QStringLiteral("   RG") + twoDigits(row);
}

QString totalizerNumberText(int row) {
    return QStringLiteral(" CNFNV") + twoDigits(row);
}

int paymentRowCount(uint32_t model) {
    return model == ModelCodeB ? PaymentRowsModelB : PaymentRowsModelA;
}

std::optional<int> paymentNumber(const QString &cell) {
    const QString text = cell.trimmed();
    if (!text.startsWith(QLatin1String("FP")))
        return std::nullopt;
    const QString digits = text.mid(2).trimmed();
    if (digits.isEmpty() || digits.size() > 2)
        return std::nullopt;
    int value = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

void clearTaxRates(ProgrammingTables &tables) {
    for (TaxRateRow &row : tables.taxRates) {
        row.rate = RateUnused;
        row.iss = IssOff;
    }
}

QList<PaymentRow> clearedPaymentRows(uint32_t model) {
    QList<PaymentRow> rows;
    rows.append({paymentNumberText(1), QStringLiteral("Dinheiro"), LinkedOff});
    const int count = paymentRowCount(model);
    for (int row = 2; row <= count; ++row) {
        const QString number = model == ModelCodeB ? QString() : paymentNumberText(row);
        rows.append({number, QString(), LinkedOff});
    }
    return rows;
}

void clearPayments(ProgrammingTables &tables, uint32_t model) {
    tables.payments = clearedPaymentRows(model);
}

void clearReports(ProgrammingTables &tables) {
    for (ReportRow &row : tables.reports)
        row.name.clear();
}

void clearTotalizers(ProgrammingTables &tables) {
    for (TotalizerRow &row : tables.totalizers) {
        row.name.clear();
        row.direction = Inflow;
    }
}

void clearHeader(ProgrammingTables &tables) {
    tables.header.clear();
}

QString defaultLineHeight(uint32_t model) {
    return model == ModelCodeA ? QStringLiteral("18") : QStringLiteral("31");
}

QString defaultCouponSpacing(uint32_t model) {
    return model == ModelCodeA ? QStringLiteral("02") : QStringLiteral("06");
}

void optionDefaults(OptionControls &controls, uint32_t model, double firmware) {
    controls.autoReadingX = false;
    controls.autoReductionZ = false;
    controls.issDiscount = false;
    controls.paperCutter = false;
    controls.couponLegend = true;
    controls.minHourReductionZ = QStringLiteral("00");
    controls.lineHeight = defaultLineHeight(model);
    controls.couponSpacing = defaultCouponSpacing(model);
    if (model == ModelCodeA) {
        controls.rounding = false;
    } else if (firmwareAtLeast(firmware, 1.01)) {
        controls.boldCheck = false;
        controls.suppressErrors = false;
    }
}

void clearAll(ProgrammingTables &tables, uint32_t model, double firmware) {
    clearHeader(tables);
    optionDefaults(tables.controls, model, firmware);
    clearTotalizers(tables);
    clearReports(tables);
    clearPayments(tables, model);
    clearTaxRates(tables);
}

void rebuildOptionsBlock(OptionsBlock &block, const OptionControls &controls, uint32_t model,
                         double firmware) {
    uint8_t *b = block.bytes;
    b[OptionsBlock::AutoReadingX] = flagByte(controls.autoReadingX);
    const bool offersReductionZ = model == ModelCodeA && !firmwareAtLeast(firmware, 1.22);
    b[OptionsBlock::AutoReductionZ] = offersReductionZ ? flagByte(controls.autoReductionZ) : 0;
    b[OptionsBlock::DaylightSaving] = 'X';
    b[OptionsBlock::IssDiscount] = flagByte(controls.issDiscount);
    b[OptionsBlock::CouponLegend] = flagByte(controls.couponLegend);
    fieldToBytes(controls.lineHeight, b + OptionsBlock::LineHeight);
    fieldToBytes(controls.couponSpacing, b + OptionsBlock::CouponSpacing);
    fieldToBytes(controls.minHourReductionZ, b + OptionsBlock::ReductionZMinHour);
    b[OptionsBlock::AdditionalCoupon] = flagByte(controls.additionalCoupon);
    b[OptionsBlock::SuppressErrors] = flagByte(controls.suppressErrors);
    b[OptionsBlock::BoldCheck] = flagByte(controls.boldCheck);
    b[OptionsBlock::Rounding] = flagByte(controls.rounding);
    b[OptionsBlock::PaperCutter] = flagByte(controls.paperCutter);
}

OptionControls optionControlsFromBlock(const OptionsBlock &block) {
    const uint8_t *b = block.bytes;
    OptionControls controls;
    controls.autoReadingX = bitZero(b[OptionsBlock::AutoReadingX]);
    controls.autoReductionZ = bitZero(b[OptionsBlock::AutoReductionZ]);
    controls.issDiscount = bitZero(b[OptionsBlock::IssDiscount]);
    controls.couponLegend = bitZero(b[OptionsBlock::CouponLegend]);
    controls.additionalCoupon = bitZero(b[OptionsBlock::AdditionalCoupon]);
    controls.suppressErrors = bitZero(b[OptionsBlock::SuppressErrors]);
    controls.boldCheck = bitZero(b[OptionsBlock::BoldCheck]);
    controls.rounding = bitZero(b[OptionsBlock::Rounding]);
    controls.paperCutter = bitZero(b[OptionsBlock::PaperCutter]);
    controls.lineHeight = fieldFromBytes(b + OptionsBlock::LineHeight);
    controls.couponSpacing = fieldFromBytes(b + OptionsBlock::CouponSpacing);
    controls.minHourReductionZ = fieldFromBytes(b + OptionsBlock::ReductionZMinHour);
    return controls;
}

std::optional<QString> flagCellAfterKey(FlagColumn column, const QString &cell, QChar key) {
    const QChar upper = key.toUpper();
    QChar on, off;
    QString onText, offText;
    switch (column) {
    case FlagColumn::Iss:
        on = u'S', off = u'N', onText = IssOn, offText = IssOff;
        break;
    case FlagColumn::Linked:
        on = u'V', off = u'N', onText = LinkedOn, offText = LinkedOff;
        break;
    case FlagColumn::Direction:
        // The "on" text is the one that a space turns back into the other.
        on = u'S', off = u'E', onText = Outflow, offText = Inflow;
        break;
    }
    if (upper == on)
        return onText;
    if (upper == off)
        return offText;
    if (upper != u' ')
        return std::nullopt;
    if (column == FlagColumn::Iss)
        return cell == IssOff ? IssOn : IssOff;
    return cell == onText ? offText : onText;
}

bool headerExceeds(const QByteArray &header, int limit) {
    return header.size() > limit;
}

QByteArray headerCutToLimit(const QByteArray &header, int limit) {
    QByteArray cut = header.left(qMax(0, limit));
    if (cut.size() < header.size() && cut.endsWith('\r'))
        cut.chop(1);
    return cut;
}

QString memoTextFromHeader(const QByteArray &header) {
    QByteArray bytes = header;
    bytes.replace("\r\n", "\n");
    return Codepage::fromWindows1252(bytes);
}

QByteArray headerFromMemoText(const QString &text) {
    QByteArray bytes = Codepage::toWindows1252(text);
    bytes.replace("\r\n", "\n");
    bytes.replace("\n", "\r\n");
    return bytes;
}
