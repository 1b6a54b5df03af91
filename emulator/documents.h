#pragma once

#include "document_types.h"
#include "printer.h"

#include <array>
#include <functional>
#include <optional>
#include <vector>

// The document state machine that both printers share: the fiscal coupon with its items,
// totalization, payments and closing; the non-fiscal voucher; the linked credit/debit voucher;
// the management report; the authentication stamp; and the day's sales totals that the next
// Redução Z records. The models decode their own frames into the calls below and lay out
// their own answers; each refusal is a DocError that the model turns into its own code.
//
// Everything here runs under the printer's lock.

namespace emu::detail {

class PrinterState;

enum class DocError {
    Maintenance,        // the maintenance jumper is in: no fiscal work
    PaperEnd,           // no paper
    NotOpen,            // no document is open
    OtherOpen,          // another document is open
    Sequence,           // the step does not fit where the document is (closing sequence)
    NothingToCancel,    // no document, or none that may still be cancelled
    ItemNotFound,       // no such item, or it is cancelled already
    Syntax,             // a frame's fixed parts or flags are wrong
    NotNumeric,         // a numeric field holds something other than digits
    ZeroValue,          // a quantity, price or amount of zero
    Full,               // no room: item 999 has been sold
    UndefinedRate,      // the tax code names a slot without a rate
    BadAdjustment,      // a discount beyond the amount, a percentage above 100 %
    IssDiscount,        // a discount on ISS items while the option does not allow it
    BadMethod,          // no such payment method
    Overflow,           // the total no longer fits its 12 digits
    BadTotalizer,       // no such non-fiscal totalizer (or linked totalizer, or report)
    VoucherRefused,     // the linked voucher does not fit the last coupon's payments
    LinkedIssued,       // linked vouchers must be cancelled first
    ReversalTooLarge,   // more than the method took in the coupon
    ReversalNotFound,   // the method (or the coupon) of the reversal is not there
    NoCopy,             // no linked voucher to print a second copy of
    CannotAuthenticate, // nothing to authenticate, or four stamps done
    ReductionPending,   // the Redução Z of an earlier day is still due
    ReductionDone,      // today's Redução Z is out: closed until midnight
    NoInitialReadingX,  // the day's first Leitura X has not been issued
};
using DocOutcome = std::optional<DocError>;

// A surcharge (acréscimo) or discount (desconto), as a value in centavos or a percentage in
// hundredths of a percent (1000 = 10,00 %). A value of zero is no adjustment.
struct Adjustment {
    bool surcharge = false;
    bool percentage = false;
    qint64 value = 0;
};

// The adjustment type digit of the totalization, the non-fiscal voucher and model B's items:
// '0' discount in percent, '1' discount in value (also "none" with a zero value), '2' surcharge
// in percent, '3' surcharge in value. Anything else is a syntax error.
std::optional<Adjustment> adjustmentOf(char type, qint64 value);

// The value of a field of digits (up to 18), or nothing when it holds anything else.
std::optional<qint64> valueOf(const QByteArray &digits);

// One item as a sale frame carries it, decoded into the common units.
struct ItemSale {
    QByteArray taxCode;
    QByteArray code;
    QByteArray description;
    QByteArray unit;
    qint64 quantity = 0;  // thousandths
    qint64 unitPrice = 0; // thousandths of a real
    Adjustment adjustment;
};

// Where a model's item sale frame keeps its fields (offsets from the frame's first byte).
struct ItemLayout {
    int code, codeWidth;
    int type;                        // the adjustment type digit
    int adjustment, adjustmentWidth; // digits
    bool percentOnly;                // model A: '0' discount, '1' surcharge, in percent only
    int price, priceWidth, priceDecimals;
    int quantity;       // 8 digits with three decimals, or (short form) 5 characters
    bool shortQuantity; // "ddddd" whole, or "dd,dd" with two decimals
    int unit;           // -1: none (short form)
    int description;    // to the end mark (long form) or `descriptionWidth` characters
    int descriptionWidth;
};
DocOutcome decodeItem(const QByteArray &frame, const ItemLayout &layout, ItemSale &sale);

// The 12-digit adjustment field of the totalization and of the non-fiscal voucher, with its
// type digit. A percentage takes four digits: the field's first four (model A, the rest
// zeros) or its last four (model B).
DocOutcome decodeAdjustment(char type, const QByteArray &field, bool percentFirst,
                            Adjustment &adjustment);

inline Reply documentAnswer(const QByteArray &bytes) {
    return Reply{Segment{0, bytes}};
}

// What the authentication answers once it is done, and what it answers when the operator
// stops it (the model's own layouts).
struct AuthenticationAnswers {
    Reply done;
    Reply aborted;
    QByteArray stamp;  // the text the stamp prints
    bool left = false; // on the slip's left side (model B); else its right
};

// The day's sales as the next Redução Z records them, in centavos.
struct DayTotals {
    qint64 gross = 0; // venda bruta: every item sold, cancelled ones too
    qint64 cancellations = 0;
    qint64 discounts = 0;
    // The net sales by tax group: slots 0-15 (T A to T P), then F, I and N.
    std::array<qint64, 19> byGroup{};
};

// One frame of the documents in a model's frame table: its first two bytes (or a single
// control byte, code -1), its shape (fixed length, or a shortest length and a terminator),
// the firmware that introduced it, and its handler.
struct DocumentFrame {
    char lead = 0;
    int code = -1;
    int length = 2;
    std::optional<char> terminator;
    int sinceFirmware = 0;
    std::function<Reply(const QByteArray &)> handler;
};

// What a model's document frames work on: the printer's state and its sensors.
struct DocumentDevice {
    PrinterState &state;
    const bool &jumper;
    const bool &paperEnd;
};

std::vector<DocumentFrame> modelADocumentFrames(const DocumentDevice &device);
std::vector<DocumentFrame> modelBDocumentFrames(const DocumentDevice &device);

class Documents {
public:
    Documents(PrinterState &state, Model model);
    Documents(const Documents &) = delete;
    Documents &operator=(const Documents &) = delete;

    // What every document frame checks first.
    DocOutcome mayWork(bool maintenance, bool paperOut) const;

    // ---- The fiscal coupon ----
    DocOutcome openCoupon(int &coo);
    DocOutcome sellItem(const ItemSale &sale, int &number);
    DocOutcome adjustItem(int number, const Adjustment &adjustment);
    DocOutcome cancelItem(int number);
    // The open coupon or non-fiscal voucher, else the last one closed. `coo`: the document
    // that carries the cancellation.
    DocOutcome cancelCoupon(int &coo);
    DocOutcome totalize(const Adjustment &adjustment, qint64 &total);
    DocOutcome pay(int method, qint64 amount, const QByteArray &text, qint64 &balance);
    DocOutcome reverse(int from, int to, int coupon, qint64 amount, int &coo);
    DocOutcome close(const QByteArray &message, int &coo);

    // ---- The non-fiscal voucher ----
    DocOutcome issueVoucher(int totalizer, const Adjustment &adjustment, qint64 amount, int &coo);

    // ---- The linked voucher ----
    // `linkedTotalizer`: model A's totalizer slot; model B has none (-1).
    DocOutcome openLinkedVoucher(int method, int coupon, qint64 amount, int linkedTotalizer,
                                 int &coo);
    DocOutcome reprintLinkedVoucher(int &coo);
    DocOutcome cancelLinkedVoucher(int voucher, int &coo);

    // ---- The management report ----
    DocOutcome openReport(int report, int &coo);
    DocOutcome printLine(const QByteArray &line);
    DocOutcome closeReport();

    // ---- Authentication ----
    // Accepted: `now` holds the answer when the slip is in place; otherwise the printer waits
    // for it (waiting()).
    DocOutcome authenticate(AuthenticationAnswers answers, std::optional<Reply> &now);
    bool waiting() const { return pending.has_value(); }
    // The operator stops the wait (CAN): the answer that ends it, or nothing when none waits.
    std::optional<Reply> stopWaiting();
    void setInserted(bool on);
    bool inserted() const { return slipInserted; }
    std::vector<Reply> takeLateAnswers();
    void powerLost();
    // Every document forgotten, open or last closed, as when the printer's state is replaced.
    void forget();

    // ---- Observation and the day ----
    DocumentKind openKind() const { return current ? current->kind : DocumentKind::None; }
    DocumentView view() const;
    // The Redução Z takes the day's totals and starts a new day.
    void closeDay(Reduction &reduction);

private:
    struct LinkedVoucher {
        int coo = 0;
        int method = 0;
        qint64 amount = 0;
        bool cancelled = false;
    };
    struct Document {
        DocumentKind kind = DocumentKind::None;
        DocumentPhase phase = DocumentPhase::Registering;
        int coo = 0;
        int slot = 0;
        bool outflow = false;
        std::vector<SoldItem> items;
        std::vector<int> groups; // the tax group of each item
        qint64 registered = 0;   // CNFNV: the amount with its adjustment
        qint64 adjustment = 0;
        std::vector<PaymentEntry> payments;
        std::array<qint64, 32> paidBy{};
        QByteArrayList lines;
        // Once closed: what the coupon added to the day, and the vouchers linked to it.
        DayTotals added;
        std::vector<LinkedVoucher> vouchers;
        qint64 subtotal() const;
        qint64 total() const;
        qint64 paid() const;
        qint64 vouchered(int method) const;
    };

    DocOutcome mayOpen();
    DocOutcome need(DocumentKind kind) const;
    DocOutcome needSale() const;
    // The sold item `number` of the open coupon, while items may still change.
    DocOutcome itemToChange(int number, SoldItem *&item);
    bool chainIntact() const;
    int nextCoo();
    qint64 applied(qint64 base, const Adjustment &adjustment) const;
    qint64 divide(qint64 numerator, qint64 denominator) const;
    bool rounding() const;
    bool issDiscountAllowed() const;
    bool isIss(int group) const;
    int groupOf(const QByteArray &taxCode) const;
    bool methodExists(int method) const;
    void commit(Document &coupon);

    PrinterState &st;
    const Model model;
    std::optional<Document> current;
    // The last coupon or non-fiscal voucher closed: cancellable, and the coupon that linked
    // vouchers and reversals refer to, for as long as nothing else has been printed since
    // (`chainCoo` is the COO the printer had after the last document of that chain).
    std::optional<Document> last;
    int chainCoo = -1;
    // The last linked voucher, for model B's second copy.
    std::optional<Document> lastVoucher;
    bool copyPrinted = false;
    // The document that may be authenticated (its COO while nothing has been printed after
    // it) and the stamps it has had.
    int authCoo = -1;
    int stamps = 0;
    bool slipInserted = false;
    std::optional<AuthenticationAnswers> pending;
    std::vector<Reply> late;

public:
    DayTotals day;
};

} // namespace emu::detail
