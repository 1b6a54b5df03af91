#include "documents.h"

#include "document_rules.h"
#include "fiscal_state.h"

#include <algorithm>
#include <numeric>

// The documents both printers issue and the rules they share. Where the two firmwares differ
// (the options that govern rounding and discounts, how a coupon with linked vouchers is
// cancelled) the rule says which model does what.

namespace emu::detail {

using namespace rules;

std::optional<Adjustment> adjustmentOf(char type, qint64 value) {
    if (type < '0' || type > '3')
        return std::nullopt;
    return Adjustment{type >= '2', type == '0' || type == '2', value};
}

std::optional<qint64> valueOf(const QByteArray &digits) {
    if (!allDigits(digits) || digits.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

DocOutcome decodeItem(const QByteArray &frame, const ItemLayout &l, ItemSale &sale) {
    const std::optional<qint64> adjustment = valueOf(frame.mid(l.adjustment, l.adjustmentWidth));
    const std::optional<qint64> price = valueOf(frame.mid(l.price, l.priceWidth));
    QByteArray quantity = frame.mid(l.quantity, l.shortQuantity ? 5 : 8);
    const bool decimal = l.shortQuantity && quantity.size() == 5 && quantity[2] == ',';
    if (decimal)
        quantity.remove(2, 1);
    const std::optional<qint64> count = valueOf(quantity);
    if (!adjustment || !price || !count)
        return DocError::NotNumeric;
    const char type = frame[l.type];
    if (l.percentOnly) {
        if (type != '0' && type != '1')
            return DocError::Syntax;
        sale.adjustment = {type == '1', true, *adjustment};
    } else {
        const std::optional<Adjustment> coded = adjustmentOf(type, *adjustment);
        if (!coded)
            return DocError::Syntax;
        sale.adjustment = *coded;
    }
    sale.taxCode = frame.mid(2, 2);
    sale.code = frame.mid(l.code, l.codeWidth);
    sale.unitPrice = l.priceDecimals == 3 ? *price : *price * 10;
    sale.quantity = !l.shortQuantity ? *count : decimal ? *count * 10 : *count * 1000;
    sale.unit = l.unit >= 0 ? frame.mid(l.unit, 2) : QByteArray();
    sale.description = l.descriptionWidth > 0
                           ? frame.mid(l.description, l.descriptionWidth)
                           : frame.mid(l.description, frame.size() - l.description - 1);
    return {};
}

DocOutcome decodeAdjustment(char type, const QByteArray &field, bool percentFirst,
                            Adjustment &adjustment) {
    const std::optional<qint64> whole = valueOf(field);
    if (!whole)
        return DocError::NotNumeric;
    const std::optional<Adjustment> coded = adjustmentOf(type, *whole);
    if (!coded)
        return DocError::Syntax;
    adjustment = *coded;
    if (adjustment.percentage && percentFirst) {
        if (*valueOf(field.mid(4)) != 0)
            return DocError::BadAdjustment;
        adjustment.value = *valueOf(field.left(4));
    }
    return {};
}

// ---- Documents ----

qint64 Documents::Document::subtotal() const {
    qint64 sum = 0;
    for (const SoldItem &item : items)
        sum += item.cancelled ? 0 : item.total();
    return sum;
}

qint64 Documents::Document::total() const {
    return kind == DocumentKind::Coupon ? subtotal() + adjustment : registered;
}

qint64 Documents::Document::paid() const {
    return std::accumulate(paidBy.begin(), paidBy.end(), qint64(0));
}

qint64 Documents::Document::vouchered(int method) const {
    qint64 sum = 0;
    for (const LinkedVoucher &v : vouchers)
        sum += !v.cancelled && v.method == method ? v.amount : 0;
    return sum;
}

Documents::Documents(PrinterState &state, Model m) : st(state), model(m) {
}

DocOutcome Documents::mayWork(bool maintenance, bool paperOut) const {
    if (maintenance)
        return DocError::Maintenance;
    if (paperOut)
        return DocError::PaperEnd;
    return {};
}

// A new document needs the printer free and its fiscal day open. The day opens with its first
// Leitura X: a printer whose option asks for it issues that reading itself before the day's
// first document; otherwise the operator must (the printer refuses until then).
DocOutcome Documents::mayOpen() {
    if (current)
        return DocError::OtherOpen;
    if (st.reductionPending())
        return DocError::ReductionPending;
    if (st.fiscalDay)
        return {};
    if (st.reductionToday())
        return DocError::ReductionDone;
    if (!optionOn(st.options, rulesOf(model).automaticReadingX))
        return DocError::NoInitialReadingX;
    return {};
}

int Documents::nextCoo() {
    if (!st.fiscalDay)
        st.readingX(false); // the automatic initial Leitura X (mayOpen allowed it)
    return ++st.coo;
}

DocOutcome Documents::need(DocumentKind kind) const {
    if (!current)
        return DocError::NotOpen;
    if (current->kind != kind)
        return DocError::OtherOpen;
    return {};
}

DocOutcome Documents::needSale() const {
    if (!current)
        return DocError::NotOpen;
    if (current->kind != DocumentKind::Coupon && current->kind != DocumentKind::NonFiscalVoucher)
        return DocError::OtherOpen;
    return {};
}

// Nothing has been printed since the last document of the last coupon's chain (its closing,
// its linked vouchers, their copies and cancellations, reversals).
bool Documents::chainIntact() const {
    return last && st.coo == chainCoo;
}

bool Documents::rounding() const {
    return optionOn(st.options, rulesOf(model).rounding);
}

bool Documents::issDiscountAllowed() const {
    return optionOn(st.options, rulesOf(model).issDiscount);
}

bool Documents::isIss(int group) const {
    return group < 16 && st.taxRates[size_t(group)].iss;
}

// Amounts are worked out in the exact fraction first and then brought to centavos once:
// truncated, or rounded half up when the rounding option is on (model A only: model B always
// truncates, as the fiscal rules ask of a printer without that option).
qint64 Documents::divide(qint64 numerator, qint64 denominator) const {
    return rounding() ? (numerator + denominator / 2) / denominator : numerator / denominator;
}

// The surcharge or discount on `base`, in centavos (a discount negative); -1 when invalid.
qint64 Documents::applied(qint64 base, const Adjustment &adjustment) const {
    if (adjustment.percentage && adjustment.value > Whole)
        return -1;
    const qint64 amount =
        adjustment.percentage ? divide(base * adjustment.value, Whole) : adjustment.value;
    if (!adjustment.surcharge && amount > base)
        return -1;
    return amount;
}

// Tax codes: "TA".."TP" or the slot's number "01".."16" name a programmed rate; "F", "I" and
// "N" (written "F " as the tool's lists do, or doubled "FF") are substitution, exempt and not
// levied. -1: not a tax code.
int Documents::groupOf(const QByteArray &taxCode) const {
    if (taxCode.size() != 2)
        return -1;
    if (taxCode[0] == 'T' && taxCode[1] >= 'A' && taxCode[1] <= 'P')
        return taxCode[1] - 'A';
    if (allDigits(taxCode)) {
        const int n = number(taxCode);
        return n >= 1 && n <= 16 ? n - 1 : -1;
    }
    if (taxCode[1] != ' ' && taxCode[1] != taxCode[0])
        return -1;
    switch (taxCode[0]) {
    case 'F':
        return Substitution;
    case 'I':
        return Exempt;
    case 'N':
        return NotLevied;
    }
    return -1;
}

bool Documents::methodExists(int method) const {
    return method >= 0 && method < st.methodSlots && !st.methods[size_t(method)].name.isEmpty();
}

// ---- Observation and the day ----

DocumentView Documents::view() const {
    DocumentView v;
    if (!current)
        return v;
    const Document &d = *current;
    v.kind = d.kind;
    v.phase = d.phase;
    v.coo = d.coo;
    v.slot = d.slot;
    v.items = QList<SoldItem>(d.items.begin(), d.items.end());
    v.subtotal = d.kind == DocumentKind::Coupon ? d.subtotal() : d.registered;
    v.adjustment = d.adjustment;
    v.total = d.total();
    v.paid = d.paid();
    const bool sale = d.kind == DocumentKind::Coupon || d.kind == DocumentKind::NonFiscalVoucher;
    v.balance = sale ? std::max<qint64>(0, v.total - v.paid) : 0;
    v.change = d.phase == DocumentPhase::Paid ? std::max<qint64>(0, v.paid - v.total) : 0;
    v.payments = QList<PaymentEntry>(d.payments.begin(), d.payments.end());
    v.lines = d.lines;
    return v;
}

void Documents::closeDay(Reduction &reduction) {
    reduction.grossSales = day.gross;
    reduction.cancellations = day.cancellations;
    reduction.discounts = day.discounts;
    for (size_t g = 0; g < 16; ++g)
        reduction.byRate[g] = day.byGroup[g];
    reduction.substitution = day.byGroup[Substitution];
    reduction.exempt = day.byGroup[Exempt];
    reduction.notLevied = day.byGroup[NotLevied];
    day = {};
}

} // namespace emu::detail
