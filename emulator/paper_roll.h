#pragma once

#include "document_types.h"
#include "printer.h"

#include <QByteArrayList>
#include <QStringList>

// The paper roll: what the printer puts on paper for each document and report it accepts, as
// text lines of the paper's width. The layout is ours, made to be read on a screen or in a
// file; it carries what the printer prints (header, items, adjustments, totals, payments, the
// closing message, COO and date-time, the reports' figures), not the printer's exact layout.
//
// Lines are kept in the printer's own code (CP850; model A's own codes for its accented
// letters) until they leave the printer (printerText()). Everything here runs under the
// printer's lock.

namespace emu::detail {

class PrinterState;
struct DayTotals;

namespace paper {
constexpr int Columns = 48;
QByteArray money(qint64 cents); // 123456 -> "1.234,56"
QByteArray date(const QDate &day);
QByteArray percent(const QByteArray &rate); // "1800" -> "18,00%"
// A label on the left and its value on the right of one line.
QByteArray row(const QByteArray &label, const QByteArray &value);
QByteArray centred(const QByteArray &text);
// A text as lines of the paper's width; an empty text is one empty line.
QByteArrayList wrapped(const QByteArray &text);
} // namespace paper

class PaperRoll {
public:
    explicit PaperRoll(const PrinterState &state) : st(state) {}
    PaperRoll(const PaperRoll &) = delete;
    PaperRoll &operator=(const PaperRoll &) = delete;

    const Identity *identity = nullptr; // the printer's, for the foot of each document

    // A document's top: the header, the date-time and COO, the title.
    void opening(int coo, const QByteArray &title);
    // Its foot: the operator, the printer, the COO and date-time again, a blank line.
    void foot(int coo);

    void item(const SoldItem &item);
    void itemAdjusted(const SoldItem &item);
    void itemCancelled(const SoldItem &item);
    void totals(qint64 subtotal, qint64 adjustment, qint64 total);
    void payment(int method, qint64 amount, const QByteArray &text);
    void reversal(int from, int to, qint64 amount);
    void closing(qint64 change, const QByteArray &message, int coo);
    void couponCancelled(int coo, qint64 total);
    void nonFiscalVoucher(int totalizer, qint64 amount, qint64 adjusted);
    void linkedVoucher(int method, int coupon, qint64 amount);
    void lines(const QByteArrayList &text);
    void labelled(const QByteArray &label, const QByteArray &value);
    void stamp(int coo, const QByteArray &text, bool left);
    void readingX(const DayTotals &day);
    void reductionZ(const Reduction &reduction);
    void fiscalMemory(const QByteArray &text); // lines ended by CR LF

    // The lines printed since the last call, oldest first.
    QByteArrayList take();

private:
    void add(const QByteArray &line);
    void add(const QByteArrayList &more);
    QByteArray methodName(int method) const;
    void taxGroups(const std::array<TaxRate, 16> &rates, const std::array<qint64, 19> &byGroup);

    const PrinterState &st;
    QByteArrayList printed;
};

// The printer's text as it reads on paper: CP850 (model B) or model A's own codes; a byte
// either has no letter for becomes a space.
QString printerText(Model model, const QByteArray &bytes);

} // namespace emu::detail
