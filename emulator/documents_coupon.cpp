#include "documents.h"

#include "document_rules.h"
#include "fiscal_state.h"

#include <algorithm>
#include <numeric>

// The fiscal coupon: opened, items sold, adjusted and cancelled, totalized, paid, closed or
// cancelled whole, and what a closed coupon adds to the day.

namespace emu::detail {

using namespace rules;
using paper::Columns;
using paper::wrapped;

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
DocOutcome Documents::itemToChange(int number, SoldItem *&item) {
    if (const DocOutcome refused = need(DocumentKind::Coupon))
        return refused;
    Document &coupon = *current;
    if (coupon.phase != DocumentPhase::Registering)
        return DocError::Sequence;
    if (number < 1 || number > int(coupon.items.size()) ||
        coupon.items[size_t(number - 1)].cancelled)
        return DocError::ItemNotFound;
    item = &coupon.items[size_t(number - 1)];
    return {};
}

DocOutcome Documents::adjustItem(int number, const Adjustment &adjustment) {
    SoldItem *sold = nullptr;
    if (const DocOutcome refused = itemToChange(number, sold))
        return refused;
    Document &coupon = *current;
    SoldItem &item = *sold;
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
    SoldItem *item = nullptr;
    if (const DocOutcome refused = itemToChange(number, item))
        return refused;
    item->cancelled = true;
    st.paper.itemCancelled(*item);
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

} // namespace emu::detail
