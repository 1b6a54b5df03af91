#include "documents.h"

#include "fiscal_state.h"

#include <algorithm>
#include <numeric>

// The documents both printers issue and the rules they share. Where the two firmwares differ
// (the options that govern rounding and discounts, how a coupon with linked vouchers is
// cancelled) the rule says which model does what.

namespace emu::detail {

namespace {

// The largest amount a 12-digit field holds, in centavos.
constexpr qint64 MaxAmount = 999'999'999'999;
// Item numbers have three digits.
constexpr int MaxItems = 999;
// A percentage in hundredths: 10000 = 100,00 %.
constexpr qint64 Whole = 10000;
// A stamp per document, at most; the fifth is refused.
constexpr int MaxStamps = 4;

// The tax groups after the 16 rate slots.
constexpr int Substitution = 16; // F
constexpr int Exempt = 17;       // I
constexpr int NotLevied = 18;    // N

// Option parameters, per model (index into P0..): the firmware reads bit 0 of the byte.
struct ModelRules {
    int rounding;          // -1: this model always truncates
    int issDiscount;       // discounts allowed on ISS items
    int automaticReadingX; // the printer issues the day's first Leitura X by itself
    // Cancelling the last coupon takes its linked vouchers along (model A, which has no
    // frame of its own to cancel them); model B refuses until each one has been cancelled.
    bool cancelLinkedWithCoupon;
};

ModelRules rulesOf(Model model) {
    return model == Model::A ? ModelRules{4, 31, 3, true} : ModelRules{-1, 4, 0, false};
}

bool optionOn(const QByteArray &options, int parameter) {
    return parameter >= 0 && parameter < options.size() && (options[parameter] & 1);
}

} // namespace

using paper::Columns;
using paper::wrapped;

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

// ---- The fiscal coupon ----

DocOutcome Documents::openCoupon(int &coo) {
    if (const DocOutcome refused = mayOpen())
        return refused;
    Document coupon;
    coupon.kind = DocumentKind::Coupon;
    coupon.coo = coo = nextCoo();
    current = std::move(coupon);
    last.reset();
    st.paper.opening(coo, "CUPOM FISCAL");
    return {};
}

DocOutcome Documents::sellItem(const ItemSale &sale, int &number) {
    if (const DocOutcome refused = need(DocumentKind::Coupon))
        return refused;
    Document &coupon = *current;
    if (coupon.phase != DocumentPhase::Registering)
        return DocError::Sequence;
    if (int(coupon.items.size()) >= MaxItems)
        return DocError::Full;
    const int group = groupOf(sale.taxCode);
    if (group < 0)
        return DocError::Syntax;
    if (group < 16 && st.taxRates[size_t(group)].rate.isEmpty())
        return DocError::UndefinedRate;
    if (sale.quantity == 0 || sale.unitPrice == 0)
        return DocError::ZeroValue;

    SoldItem item;
    // quantity (thousandths) x price (thousandths of a real) = ten-thousandths of a centavo
    item.gross = divide(sale.quantity * sale.unitPrice, 10000);
    if (sale.adjustment.value != 0) {
        if (!sale.adjustment.surcharge && isIss(group) && !issDiscountAllowed())
            return DocError::IssDiscount;
        const qint64 amount = applied(item.gross, sale.adjustment);
        if (amount < 0)
            return DocError::BadAdjustment;
        item.adjustment = sale.adjustment.surcharge ? amount : -amount;
    }
    if (coupon.subtotal() + item.total() > MaxAmount)
        return DocError::Overflow;
    item.number = int(coupon.items.size()) + 1;
    item.code = sale.code;
    item.description = sale.description;
    item.unit = sale.unit;
    item.taxCode = sale.taxCode;
    item.quantity = sale.quantity;
    item.unitPrice = sale.unitPrice;
    coupon.items.push_back(item);
    coupon.groups.push_back(group);
    number = item.number;
    st.paper.item(item);
    return {};
}

// An item takes one surcharge or discount, in its sale or afterwards (model B); a second one
// is refused.
DocOutcome Documents::adjustItem(int number, const Adjustment &adjustment) {
    if (const DocOutcome refused = need(DocumentKind::Coupon))
        return refused;
    Document &coupon = *current;
    if (coupon.phase != DocumentPhase::Registering)
        return DocError::Sequence;
    if (number < 1 || number > int(coupon.items.size()) ||
        coupon.items[size_t(number - 1)].cancelled)
        return DocError::ItemNotFound;
    SoldItem &item = coupon.items[size_t(number - 1)];
    if (adjustment.value == 0)
        return DocError::ZeroValue;
    if (item.adjustment != 0)
        return DocError::BadAdjustment;
    if (!adjustment.surcharge && isIss(coupon.groups[size_t(number - 1)]) && !issDiscountAllowed())
        return DocError::IssDiscount;
    const qint64 amount = applied(item.gross, adjustment);
    if (amount < 0)
        return DocError::BadAdjustment;
    if (adjustment.surcharge && coupon.subtotal() + amount > MaxAmount)
        return DocError::Overflow;
    item.adjustment = adjustment.surcharge ? amount : -amount;
    st.paper.itemAdjusted(item);
    return {};
}

// Items are cancelled until the coupon is totalized.
DocOutcome Documents::cancelItem(int number) {
    if (const DocOutcome refused = need(DocumentKind::Coupon))
        return refused;
    Document &coupon = *current;
    if (coupon.phase != DocumentPhase::Registering)
        return DocError::Sequence;
    if (number < 1 || number > int(coupon.items.size()) ||
        coupon.items[size_t(number - 1)].cancelled)
        return DocError::ItemNotFound;
    coupon.items[size_t(number - 1)].cancelled = true;
    st.paper.itemCancelled(coupon.items[size_t(number - 1)]);
    return {};
}

// The open coupon (or non-fiscal voucher) is cancelled in itself: the printer prints the
// cancellation on it and closes it, under its own COO. The last one closed may be cancelled
// while nothing else has been printed since (its linked vouchers aside): that takes a
// cancellation document with a COO of its own.
DocOutcome Documents::cancelCoupon(int &coo) {
    if (current) {
        if (const DocOutcome refused = needSale())
            return refused;
        st.paper.labelled("CUPOM CANCELADO R$", paper::money(current->total()));
        st.paper.foot(current->coo);
        for (SoldItem &item : current->items) {
            day.gross += item.gross;
            st.grandTotal += item.gross;
            day.cancellations += item.gross;
            item.cancelled = true;
        }
        coo = current->coo;
        current.reset();
        last.reset();
        return {};
    }
    if (!chainIntact())
        return DocError::NothingToCancel;
    const bool linked = std::any_of(last->vouchers.begin(), last->vouchers.end(),
                                    [](const LinkedVoucher &v) { return !v.cancelled; });
    if (linked && !rulesOf(model).cancelLinkedWithCoupon)
        return DocError::LinkedIssued;
    if (last->kind == DocumentKind::Coupon) {
        day.cancellations += last->total();
        for (size_t g = 0; g < day.byGroup.size(); ++g)
            day.byGroup[g] -= last->added.byGroup[g];
    }
    coo = nextCoo();
    st.paper.opening(coo, "CANCELAMENTO DE CUPOM");
    st.paper.labelled("COO DO DOCUMENTO CANCELADO:", digits(last->coo, 6));
    st.paper.labelled("CANCELADO R$", paper::money(last->total()));
    st.paper.foot(coo);
    last.reset();
    lastVoucher.reset();
    return {};
}

// The totalization fixes the coupon's total, with a surcharge or discount on it. A discount
// falls on the ICMS items alone while discounts on ISS are not allowed.
DocOutcome Documents::totalize(const Adjustment &adjustment, qint64 &total) {
    if (current && current->kind == DocumentKind::NonFiscalVoucher)
        return DocError::Sequence; // the voucher's one registration is its total
    if (const DocOutcome refused = need(DocumentKind::Coupon))
        return refused;
    Document &coupon = *current;
    if (coupon.phase != DocumentPhase::Registering)
        return DocError::Sequence;
    const bool anyLive = std::any_of(coupon.items.begin(), coupon.items.end(),
                                     [](const SoldItem &item) { return !item.cancelled; });
    if (!anyLive)
        return DocError::Sequence;
    qint64 base = coupon.subtotal();
    if (adjustment.value != 0 && !adjustment.surcharge && !issDiscountAllowed()) {
        base = 0;
        for (size_t i = 0; i < coupon.items.size(); ++i)
            base +=
                coupon.items[i].cancelled || isIss(coupon.groups[i]) ? 0 : coupon.items[i].total();
        if (base == 0)
            return DocError::IssDiscount;
    }
    const qint64 amount = applied(base, adjustment);
    if (amount < 0)
        return DocError::BadAdjustment;
    const qint64 adjusted = adjustment.surcharge ? amount : -amount;
    if (coupon.subtotal() + adjusted > MaxAmount)
        return DocError::Overflow;
    coupon.adjustment = adjusted;
    coupon.phase = coupon.total() == 0 ? DocumentPhase::Paid : DocumentPhase::Totalized;
    total = coupon.total();
    st.paper.totals(coupon.subtotal(), coupon.adjustment, total);
    return {};
}

// Payments follow the totalization. Paying more than the balance is allowed: the excess is
// the change (troco) and the balance answered is zero. The additional text takes one line.
DocOutcome Documents::pay(int method, qint64 amount, const QByteArray &text, qint64 &balance) {
    if (const DocOutcome refused = needSale())
        return refused;
    Document &doc = *current;
    if (doc.phase != DocumentPhase::Totalized && doc.phase != DocumentPhase::Paying)
        return DocError::Sequence;
    if (!methodExists(method))
        return DocError::BadMethod;
    if (amount == 0)
        return DocError::ZeroValue;
    if (doc.paid() + amount > MaxAmount)
        return DocError::Overflow;
    doc.payments.push_back({method, amount, text.left(Columns)});
    doc.paidBy[size_t(method)] += amount;
    st.paper.payment(method, amount, text.left(Columns));
    doc.phase = doc.paid() >= doc.total() ? DocumentPhase::Paid : DocumentPhase::Paying;
    balance = std::max<qint64>(0, doc.total() - doc.paid());
    return {};
}

// A reversal (estorno) moves an amount paid by one method to another, in the coupon being
// paid or in the last coupon closed (printed then on a slip of its own, with a COO). What a
// linked voucher has taken from a method stays with it.
DocOutcome Documents::reverse(int from, int to, int coupon, qint64 amount, int &coo) {
    Document *doc = nullptr;
    const bool inOpenCoupon = current.has_value();
    if (inOpenCoupon) {
        if (current->kind != DocumentKind::Coupon)
            return DocError::OtherOpen;
        if (current->coo != coupon || current->payments.empty())
            return DocError::ReversalNotFound;
        doc = &*current;
    } else if (chainIntact() && last->kind == DocumentKind::Coupon && last->coo == coupon) {
        doc = &*last;
    } else {
        return DocError::ReversalNotFound;
    }
    if (!methodExists(from) || !methodExists(to) || from == to)
        return DocError::BadMethod;
    if (amount == 0)
        return DocError::ZeroValue;
    const qint64 taken = doc->paidBy[size_t(from)];
    if (taken == 0)
        return DocError::ReversalNotFound;
    if (amount > taken)
        return DocError::ReversalTooLarge;
    if (amount > taken - doc->vouchered(from))
        return DocError::LinkedIssued;
    doc->paidBy[size_t(from)] -= amount;
    doc->paidBy[size_t(to)] += amount;
    doc->payments.push_back({from, -amount, "ESTORNO"});
    doc->payments.push_back({to, amount, "ESTORNO"});
    if (inOpenCoupon) {
        coo = doc->coo;
        st.paper.reversal(from, to, amount);
    } else {
        coo = nextCoo();
        chainCoo = st.coo;
        st.paper.opening(coo, "ESTORNO DE FORMA DE PAGAMENTO");
        st.paper.labelled("COO DO CUPOM:", digits(coupon, 6));
        st.paper.reversal(from, to, amount);
        st.paper.foot(coo);
    }
    return {};
}

// The closing prints the message and ends the coupon once it is paid; the coupon's sales go
// into the day's totals.
DocOutcome Documents::close(const QByteArray &message, int &coo) {
    if (const DocOutcome refused = needSale())
        return refused;
    if (current->phase != DocumentPhase::Paid)
        return DocError::Sequence;
    st.paper.closing(std::max<qint64>(0, current->paid() - current->total()), message,
                     current->coo);
    if (current->kind == DocumentKind::Coupon)
        commit(*current);
    coo = current->coo;
    last = std::move(current);
    current.reset();
    chainCoo = authCoo = st.coo;
    stamps = 0;
    lastVoucher.reset();
    return {};
}

// Into the day: every item's gross (cancelled ones as cancellations), the discounts, and the
// net by tax group, the adjustment on the total spread over the groups it fell on in
// proportion to their amounts (the odd centavos to the largest).
void Documents::commit(Document &coupon) {
    DayTotals &added = coupon.added;
    for (size_t i = 0; i < coupon.items.size(); ++i) {
        const SoldItem &item = coupon.items[i];
        added.gross += item.gross;
        if (item.cancelled) {
            added.cancellations += item.gross;
            continue;
        }
        added.discounts += std::max<qint64>(0, -item.adjustment);
        added.byGroup[size_t(coupon.groups[i])] += item.total();
    }
    added.discounts += std::max<qint64>(0, -coupon.adjustment);
    std::array<qint64, 19> weight{};
    const bool skipIss = coupon.adjustment < 0 && !issDiscountAllowed();
    for (size_t g = 0; g < weight.size(); ++g)
        weight[g] = skipIss && isIss(int(g)) ? 0 : std::max<qint64>(0, added.byGroup[g]);
    const qint64 sum = std::accumulate(weight.begin(), weight.end(), qint64(0));
    if (sum > 0 && coupon.adjustment != 0) {
        qint64 spread = 0;
        for (size_t g = 0; g < weight.size(); ++g) {
            const qint64 share = coupon.adjustment * weight[g] / sum;
            added.byGroup[g] += share;
            spread += share;
        }
        const auto largest = std::max_element(weight.begin(), weight.end()) - weight.begin();
        added.byGroup[size_t(largest)] += coupon.adjustment - spread;
    }
    day.gross += added.gross;
    day.cancellations += added.cancellations;
    day.discounts += added.discounts;
    for (size_t g = 0; g < day.byGroup.size(); ++g)
        day.byGroup[g] += added.byGroup[g];
    st.grandTotal += added.gross;
}

// ---- The non-fiscal voucher ----

// One registration in a non-fiscal totalizer makes the whole voucher. An inflow is then paid
// like a coupon; an outflow (money taken from the drawer) needs no payment and may be closed
// at once.
DocOutcome Documents::issueVoucher(int totalizer, const Adjustment &adjustment, qint64 amount,
                                   int &coo) {
    if (const DocOutcome refused = mayOpen())
        return refused;
    if (totalizer < 0 || totalizer >= 16 || st.totalizers[size_t(totalizer)].name.isEmpty())
        return DocError::BadTotalizer;
    if (amount == 0)
        return DocError::ZeroValue;
    const qint64 adjusted = applied(amount, adjustment);
    if (adjusted < 0)
        return DocError::BadAdjustment;
    Document voucher;
    voucher.kind = DocumentKind::NonFiscalVoucher;
    voucher.slot = totalizer;
    voucher.outflow = st.totalizers[size_t(totalizer)].outflow;
    voucher.registered = amount + (adjustment.surcharge ? adjusted : -adjusted);
    voucher.phase =
        voucher.outflow || voucher.registered == 0 ? DocumentPhase::Paid : DocumentPhase::Totalized;
    voucher.coo = coo = nextCoo();
    st.paper.opening(coo, "COMPROVANTE NAO FISCAL");
    st.paper.labelled(st.totalizers[size_t(totalizer)].name.trimmed() +
                          (voucher.outflow ? " (-)" : " (+)"),
                      paper::money(amount));
    if (adjusted != 0)
        st.paper.labelled(adjustment.surcharge ? "ACRESCIMO R$" : "DESCONTO R$",
                          paper::money(adjustment.surcharge ? adjusted : -adjusted));
    st.paper.labelled("TOTAL R$", paper::money(voucher.registered));
    current = std::move(voucher);
    last.reset();
    return {};
}

// ---- The linked voucher ----

// A linked voucher (CCD) follows the coupon that was paid with a linked method, before
// anything else is printed, for no more than that method took in the coupon (less what
// earlier vouchers took).
DocOutcome Documents::openLinkedVoucher(int method, int coupon, qint64 amount, int linkedTotalizer,
                                        int &coo) {
    if (current)
        return DocError::OtherOpen;
    if (!chainIntact() || last->kind != DocumentKind::Coupon || last->coo != coupon)
        return DocError::VoucherRefused;
    if (!methodExists(method))
        return DocError::BadMethod;
    if (model == Model::A && (linkedTotalizer < 0 || linkedTotalizer >= 16 ||
                              st.linkedTotalizers[size_t(linkedTotalizer)].isEmpty()))
        return DocError::BadTotalizer;
    if (amount == 0)
        return DocError::ZeroValue;
    const qint64 open = last->paidBy[size_t(method)] - last->vouchered(method);
    if (!st.methods[size_t(method)].linked || amount > open)
        return DocError::VoucherRefused;
    Document voucher;
    voucher.kind = DocumentKind::LinkedVoucher;
    voucher.phase = DocumentPhase::Printing;
    voucher.slot = method;
    voucher.registered = amount;
    voucher.coo = coo = nextCoo();
    st.paper.opening(coo, "COMPROVANTE CREDITO OU DEBITO");
    st.paper.labelled("COO DO CUPOM:", digits(coupon, 6));
    st.paper.labelled(st.methods[size_t(method)].name.trimmed(), paper::money(amount));
    last->vouchers.push_back({coo, method, amount, false});
    current = std::move(voucher);
    return {};
}

// Model B prints one second copy of the linked voucher just closed, as a document of its own.
DocOutcome Documents::reprintLinkedVoucher(int &coo) {
    if (current)
        return DocError::OtherOpen;
    if (!lastVoucher || copyPrinted || !chainIntact())
        return DocError::NoCopy;
    copyPrinted = true;
    coo = nextCoo();
    st.paper.opening(coo, "SEGUNDA VIA - CREDITO OU DEBITO");
    st.paper.labelled("COO DO COMPROVANTE:", digits(lastVoucher->coo, 6));
    st.paper.labelled(st.methods[size_t(lastVoucher->slot)].name.trimmed(),
                      paper::money(lastVoucher->registered));
    st.paper.lines(lastVoucher->lines);
    st.paper.foot(coo);
    chainCoo = authCoo = st.coo;
    stamps = 0;
    return {};
}

// Model B cancels a linked voucher of the last coupon by its COO, with a document of its own.
DocOutcome Documents::cancelLinkedVoucher(int voucher, int &coo) {
    if (current)
        return DocError::OtherOpen;
    if (!chainIntact())
        return DocError::NothingToCancel;
    const auto it = std::find_if(last->vouchers.begin(), last->vouchers.end(),
                                 [&](const LinkedVoucher &v) { return v.coo == voucher; });
    if (it == last->vouchers.end() || it->cancelled)
        return DocError::NothingToCancel;
    it->cancelled = true;
    if (lastVoucher && lastVoucher->coo == voucher)
        lastVoucher.reset();
    coo = nextCoo();
    chainCoo = st.coo;
    st.paper.opening(coo, "ESTORNO DE CREDITO OU DEBITO");
    st.paper.labelled("COO DO COMPROVANTE:", digits(voucher, 6));
    st.paper.labelled(st.methods[size_t(it->method)].name.trimmed(), paper::money(it->amount));
    st.paper.foot(coo);
    return {};
}

// ---- The management report ----

// Model B keeps 16 named reports (a number that names none is refused); model A has one.
DocOutcome Documents::openReport(int report, int &coo) {
    if (const DocOutcome refused = mayOpen())
        return refused;
    if (model == Model::B &&
        (report < 0 || report >= 16 || st.reportNames[size_t(report)].isEmpty()))
        return DocError::BadTotalizer;
    Document rg;
    rg.kind = DocumentKind::ManagementReport;
    rg.phase = DocumentPhase::Printing;
    rg.slot = std::max(report, 0);
    rg.coo = coo = nextCoo();
    st.paper.opening(coo, "RELATORIO GERENCIAL");
    if (model == Model::B)
        st.paper.lines({st.reportNames[size_t(report)].trimmed()});
    current = std::move(rg);
    last.reset();
    return {};
}

DocOutcome Documents::printLine(const QByteArray &line) {
    if (!current)
        return DocError::NotOpen;
    if (current->phase != DocumentPhase::Printing)
        return DocError::OtherOpen;
    current->lines += wrapped(line);
    st.paper.lines(wrapped(line));
    return {};
}

DocOutcome Documents::closeReport() {
    if (!current)
        return DocError::NotOpen;
    if (current->phase != DocumentPhase::Printing)
        return DocError::OtherOpen;
    st.paper.foot(current->coo);
    if (current->kind == DocumentKind::LinkedVoucher) {
        lastVoucher = std::move(current);
        copyPrinted = false;
        chainCoo = authCoo = st.coo;
        stamps = 0;
    }
    current.reset();
    return {};
}

// ---- Authentication ----

// The printer stamps the last document it issued (a coupon, a non-fiscal voucher, a linked
// voucher or its copy) while nothing else has been printed since and no document is open, up
// to four times. It stamps when the slip is in place; until then it waits for it.
DocOutcome Documents::authenticate(AuthenticationAnswers answers, std::optional<Reply> &now) {
    if (current || authCoo < 0 || authCoo != st.coo || stamps >= MaxStamps)
        return DocError::CannotAuthenticate;
    if (slipInserted) {
        ++stamps;
        st.paper.stamp(authCoo, answers.stamp, answers.left);
        now = std::move(answers.done);
    } else {
        pending = std::move(answers);
    }
    return {};
}

std::optional<Reply> Documents::stopWaiting() {
    if (!pending)
        return std::nullopt;
    Reply aborted = std::move(pending->aborted);
    pending.reset();
    return aborted;
}

void Documents::setInserted(bool on) {
    slipInserted = on;
    if (on && pending) {
        ++stamps;
        st.paper.stamp(authCoo, pending->stamp, pending->left);
        late.push_back(std::move(pending->done));
        pending.reset();
    }
}

std::vector<Reply> Documents::takeLateAnswers() {
    std::vector<Reply> answers;
    answers.swap(late);
    return answers;
}

// Switched off, the printer forgets the stamp it waited for and what it had not yet sent.
// The documents themselves survive in its working memory.
void Documents::powerLost() {
    pending.reset();
    late.clear();
}

void Documents::forget() {
    powerLost();
    current.reset();
    last.reset();
    lastVoucher.reset();
    chainCoo = authCoo = -1;
    stamps = 0;
    copyPrinted = false;
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
