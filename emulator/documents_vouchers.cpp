#include "documents.h"

#include "document_rules.h"
#include "fiscal_state.h"

#include <algorithm>

// The documents beside the coupon: the non-fiscal voucher, the linked (credit/debit) voucher,
// the management report and the authentication stamp.

namespace emu::detail {

using namespace rules;
using paper::wrapped;

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

} // namespace emu::detail
