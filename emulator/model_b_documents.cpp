#include "documents.h"
#include "fiscal_state.h"
#include "printer_internal.h"

// Model B, the MV4700: the frames of its documents and their answers.
//
// Answers: ':' 'R', the two-digit outcome ("00" accepted), "00", data from byte 6, 0xFF CR.
// The data: the COO at 6-11 where the frame issues or ends a document (open coupon, non-fiscal
// voucher, linked voucher, its copy and its cancellation, report, closing, cancellation,
// reversal); the subtotal or the balance, twelve digits at 6-17, after the totalization and the
// payments; the item's number at 6-8 after an item sale; nothing after the others.
//
// Codes in the frames: payment methods by number, 01-16 and the linked ones 51-66, as the
// programming frame numbers them; non-fiscal totalizers and management reports by number,
// 01-16. Amounts: prices of the long item form with three decimals, of the short form with two;
// quantities of the long form with three decimals, of the short form whole ("ddddd") or with
// two ("dd,dd"); every other amount in centavos; percentages with two decimals.

namespace emu::detail {
namespace {

constexpr char Can = 0x18;
// The CAN that stops a waiting authentication came with this firmware; older printers do not
// know it and go on waiting until they are switched off.
constexpr int StopAuthenticationSince = 101;

QByteArray codeFor(DocError error) {
    switch (error) {
    case DocError::Maintenance:
        return "09";
    case DocError::PaperEnd:
        return "50";
    case DocError::NotOpen:
        return "11";
    case DocError::OtherOpen:
        return "10";
    case DocError::Sequence:
        return "39";
    case DocError::NothingToCancel:
        return "12";
    case DocError::ItemNotFound:
        return "15";
    case DocError::Syntax:
        return "16";
    case DocError::NotNumeric:
        return "13";
    case DocError::ZeroValue:
        return "28";
    case DocError::Full:
        return "14";
    case DocError::UndefinedRate:
        return "18";
    case DocError::BadAdjustment:
        return "24";
    case DocError::IssDiscount:
        return "32";
    case DocError::BadMethod:
        return "38";
    case DocError::Overflow:
        return "17";
    case DocError::BadTotalizer:
        return "30";
    case DocError::VoucherRefused:
        return "43";
    case DocError::LinkedIssued:
        return "46";
    case DocError::ReversalTooLarge:
        return "48";
    case DocError::ReversalNotFound:
        return "49";
    case DocError::NoCopy:
        return "47";
    case DocError::CannotAuthenticate:
        return "31";
    case DocError::ReductionPending:
        return "23";
    case DocError::ReductionDone:
        return "22";
    case DocError::NoInitialReadingX:
        return "42";
    }
    return "16";
}

// A two-digit number 01-16 as a slot from 0; -1 for anything else.
int slotOf(const QByteArray &field) {
    const std::optional<qint64> n = valueOf(field);
    return n && *n >= 1 && *n <= 16 ? int(*n - 1) : -1;
}

// A payment method's number: 01-16 are slots 0-15, the linked 51-66 slots 16-31.
int methodOf(const QByteArray &field) {
    const std::optional<qint64> n = valueOf(field);
    if (!n)
        return -1;
    if (*n >= 1 && *n <= 16)
        return int(*n - 1);
    if (*n >= 51 && *n <= 66)
        return int(*n - 51 + 16);
    return -1;
}

const ItemLayout LongItem{4, 18, 22, 23, 9, false, 32, 10, 3, 42, false, 50, 52, 0};
const ItemLayout ShortItem{4, 6, 10, 11, 9, false, 20, 9, 2, 29, true, -1, 34, 13};

class Frames {
public:
    explicit Frames(const DocumentDevice &device) : dev(device) {}

    // ESC 0xC8
    Reply openCoupon(const QByteArray &) {
        int coo = 0;
        return numbered(docs().openCoupon(coo), coo, 6);
    }

    // ESC 0xCA tax(2) code(18) type adjustment(9) price(10) quantity(8) unit(2) text 0xFF, or
    // ESC 0xC9 tax(2) code(6) type adjustment(9) price(9) quantity(5) text(13).
    Reply sellItem(const QByteArray &frame) {
        ItemSale sale;
        const bool longForm = static_cast<unsigned char>(frame[1]) == 0xCA;
        if (const DocOutcome r = decodeItem(frame, longForm ? LongItem : ShortItem, sale))
            return refused(*r);
        int number = 0;
        return numbered(docs().sellItem(sale, number), number, 3);
    }

    // ESC 0xCB item(3) type adjustment(9)
    Reply adjustItem(const QByteArray &frame) {
        const std::optional<qint64> item = valueOf(frame.mid(2, 3));
        const std::optional<qint64> value = valueOf(frame.mid(6, 9));
        if (!item || !value)
            return refused(DocError::NotNumeric);
        const std::optional<Adjustment> adjustment = adjustmentOf(frame[5], *value);
        if (!adjustment)
            return refused(DocError::Syntax);
        return outcome(docs().adjustItem(int(*item), *adjustment));
    }

    // ESC 0xCC item(3)
    Reply cancelItem(const QByteArray &frame) {
        const std::optional<qint64> item = valueOf(frame.mid(2, 3));
        if (!item)
            return refused(DocError::NotNumeric);
        return outcome(docs().cancelItem(int(*item)));
    }

    // ESC 0xD3
    Reply cancelCoupon(const QByteArray &) {
        int coo = 0;
        return numbered(docs().cancelCoupon(coo), coo, 6);
    }

    // ESC 0xD9 coo(6): a linked voucher of the last coupon.
    Reply cancelLinkedVoucher(const QByteArray &frame) {
        const std::optional<qint64> voucher = valueOf(frame.mid(2, 6));
        if (!voucher)
            return refused(DocError::NotNumeric);
        int coo = 0;
        return numbered(docs().cancelLinkedVoucher(int(*voucher), coo), coo, 6);
    }

    // ESC 0xCE type adjustment(12): the subtotal at 6-17.
    Reply totalize(const QByteArray &frame) {
        Adjustment adjustment;
        if (const DocOutcome r = decodeAdjustment(frame[2], frame.mid(3, 12), false, adjustment))
            return refused(*r);
        qint64 total = 0;
        const DocOutcome r = docs().totalize(adjustment, total);
        return outcome(r, digits(total, 12));
    }

    // ESC 0xCF method(2) amount(12) text 0xFF: the balance at 6-17.
    Reply pay(const QByteArray &frame) {
        const std::optional<qint64> amount = valueOf(frame.mid(4, 12));
        if (!amount)
            return refused(DocError::NotNumeric);
        const QByteArray text = frame.mid(16, frame.size() - 17);
        qint64 balance = 0;
        const DocOutcome r = docs().pay(methodOf(frame.mid(2, 2)), *amount, text, balance);
        return outcome(r, digits(balance, 12));
    }

    // ESC 0xDB from(2) to(2) coo(6) amount(12)
    Reply reverse(const QByteArray &frame) {
        const std::optional<qint64> coupon = valueOf(frame.mid(6, 6));
        const std::optional<qint64> amount = valueOf(frame.mid(12, 12));
        if (!coupon || !amount)
            return refused(DocError::NotNumeric);
        int coo = 0;
        return numbered(docs().reverse(methodOf(frame.mid(2, 2)), methodOf(frame.mid(4, 2)),
                                       int(*coupon), *amount, coo),
                        coo, 6);
    }

    // ESC 0xD1 'X' message 0xFF. 'X' is the only closing this printer knows.
    Reply close(const QByteArray &frame) {
        if (frame[2] != 'X')
            return refused(DocError::Syntax);
        int coo = 0;
        return numbered(docs().close(frame.mid(3, frame.size() - 4), coo), coo, 6);
    }

    // ESC 0xD4 totalizer(2) type adjustment(12) "0000" amount(8) 0xFF
    Reply issueVoucher(const QByteArray &frame) {
        if (frame[29] != '\xFF')
            return refused(DocError::Syntax);
        const std::optional<qint64> amount = valueOf(frame.mid(21, 8));
        if (!amount || !valueOf(frame.mid(17, 4)))
            return refused(DocError::NotNumeric);
        Adjustment adjustment;
        if (const DocOutcome r = decodeAdjustment(frame[4], frame.mid(5, 12), false, adjustment))
            return refused(*r);
        int coo = 0;
        return numbered(docs().issueVoucher(slotOf(frame.mid(2, 2)), adjustment, *amount, coo), coo,
                        6);
    }

    // ESC 0xD5 method(2) coo(6) amount(12)
    Reply openLinkedVoucher(const QByteArray &frame) {
        const std::optional<qint64> coupon = valueOf(frame.mid(4, 6));
        const std::optional<qint64> amount = valueOf(frame.mid(10, 12));
        if (!coupon || !amount)
            return refused(DocError::NotNumeric);
        int coo = 0;
        return numbered(
            docs().openLinkedVoucher(methodOf(frame.mid(2, 2)), int(*coupon), *amount, -1, coo),
            coo, 6);
    }

    // ESC 0xDA: the second copy of the linked voucher just closed.
    Reply reprintLinkedVoucher(const QByteArray &) {
        int coo = 0;
        return numbered(docs().reprintLinkedVoucher(coo), coo, 6);
    }

    // ESC 0xD2 report(2)
    Reply openReport(const QByteArray &frame) {
        if (!valueOf(frame.mid(2, 2)))
            return refused(DocError::NotNumeric);
        int coo = 0;
        return numbered(docs().openReport(slotOf(frame.mid(2, 2)), coo), coo, 6);
    }

    // ESC 0xD7 line(48)
    Reply printLine(const QByteArray &frame) { return outcome(docs().printLine(frame.mid(2))); }

    // ESC 0xD8: ends the report or the linked voucher.
    Reply closeReport(const QByteArray &) { return outcome(docs().closeReport()); }

    // ESC 'Y' (right side of the slip) or ESC 'y' (left side), text, LF: the stamp prints the
    // text's first 18 characters. Stopped by CAN, the waiting authentication is answered "27"
    // (Operação abortada), and that is the one answer the CAN gets.
    Reply authenticate(const QByteArray &frame) {
        std::optional<Reply> now;
        AuthenticationAnswers answers{accepted(), refused("27"),
                                      frame.mid(2, frame.size() - 3).left(18), frame[1] == 'y'};
        if (const DocOutcome r = docs().authenticate(std::move(answers), now))
            return refused(*r);
        return now ? *now : Reply{};
    }

    // CAN: the answer of the authentication it stops; no answer when none waits.
    Reply stop(const QByteArray &) { return docs().stopWaiting().value_or(Reply{}); }

    // Every document frame but the CAN: no fiscal work in maintenance mode or without paper.
    Reply guarded(Reply (Frames::*handler)(const QByteArray &), const QByteArray &frame) {
        if (const DocOutcome r = docs().mayWork(dev.jumper, dev.paperEnd))
            return refused(*r);
        return (this->*handler)(frame);
    }

private:
    Documents &docs() { return dev.state.documents; }
    static Reply refused(const QByteArray &code) {
        return documentAnswer(":R" + code + "00" + answerEnd());
    }
    static Reply refused(DocError error) { return refused(codeFor(error)); }
    static Reply accepted(const QByteArray &data = {}) {
        return documentAnswer(":R0000" + data + answerEnd());
    }
    static Reply outcome(const DocOutcome &refusal, const QByteArray &data = {}) {
        return refusal ? refused(*refusal) : accepted(data);
    }
    // Accepted with a number the operation gave back (`value` is read once the operation, an
    // argument of the same call, has run).
    static Reply numbered(const DocOutcome &refusal, const int &value, int width) {
        return outcome(refusal, digits(value, width));
    }

    DocumentDevice dev;
};

} // namespace

std::vector<DocumentFrame> modelBDocumentFrames(const DocumentDevice &device) {
    const auto frames = std::make_shared<Frames>(device);
    using Handler = Reply (Frames::*)(const QByteArray &);
    const auto row = [&](char lead, int code, int length, std::optional<char> end,
                         Handler handler) {
        return DocumentFrame{
            lead,   code,
            length, end,
            0,      [frames, handler](const QByteArray &f) {
                                 return frames->guarded(handler, f); }};
    };
    const std::optional<char> fixed;
    const char ff = '\xFF';
    std::vector<DocumentFrame> table = {
        row(Esc, 0xC8, 2, fixed, &Frames::openCoupon),
        row(Esc, 0xCA, 53, ff, &Frames::sellItem),
        row(Esc, 0xC9, 47, fixed, &Frames::sellItem),
        row(Esc, 0xCB, 15, fixed, &Frames::adjustItem),
        row(Esc, 0xCC, 5, fixed, &Frames::cancelItem),
        row(Esc, 0xD3, 2, fixed, &Frames::cancelCoupon),
        row(Esc, 0xD9, 8, fixed, &Frames::cancelLinkedVoucher),
        row(Esc, 0xCE, 15, fixed, &Frames::totalize),
        row(Esc, 0xCF, 17, ff, &Frames::pay),
        row(Esc, 0xDB, 24, fixed, &Frames::reverse),
        row(Esc, 0xD1, 4, ff, &Frames::close),
        row(Esc, 0xD4, 30, fixed, &Frames::issueVoucher),
        row(Esc, 0xD5, 22, fixed, &Frames::openLinkedVoucher),
        row(Esc, 0xDA, 2, fixed, &Frames::reprintLinkedVoucher),
        row(Esc, 0xD2, 4, fixed, &Frames::openReport),
        row(Esc, 0xD7, 50, fixed, &Frames::printLine),
        row(Esc, 0xD8, 2, fixed, &Frames::closeReport),
        row(Esc, 'Y', 3, '\n', &Frames::authenticate),
        row(Esc, 'y', 3, '\n', &Frames::authenticate),
    };
    table.push_back({Can, -1, 1, fixed, StopAuthenticationSince,
                     [frames](const QByteArray &f) { return frames->stop(f); }});
    return table;
}

} // namespace emu::detail
