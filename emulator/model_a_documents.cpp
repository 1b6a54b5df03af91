#include "documents.h"
#include "fiscal_state.h"
#include "printer_internal.h"

// Model A, the MV210: the frames of its documents and their answers.
//
// Answers (every one ':' ... 0xFF CR; a refusal ":E" and two digits):
// - the totalization and the payments: ':' and twelve digits at 1-12 (subtotal, balance);
// - every other accepted frame: ':' and the echoed command byte, then the COO at 2-7 where the
//   frame issues or ends a document (open coupon, non-fiscal voucher, linked voucher, report,
//   closing, cancellation, reversal), the item's number at 2-4 after an item sale, nothing
//   after the others.
//
// Codes in the frames: payment methods, non-fiscal totalizers and linked totalizers by the
// letter of their slot ('A' for the first, 'P' for the sixteenth), as the programming frames
// name them. Amounts: prices of the long item form with three decimals, of the short form with
// two; quantities of the long form with three decimals, of the short form whole ("ddddd") or
// with two ("dd,dd"); every other amount in centavos; percentages with two decimals.

namespace emu::detail {
namespace {

constexpr char Can = 0x18;
// The CAN that stops a waiting authentication came with this firmware; older printers do not
// know it and go on waiting until they are switched off.
constexpr int StopAuthenticationSince = 122;

QByteArray codeFor(DocError error) {
    switch (error) {
    case DocError::Maintenance:
        return "00";
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
        return "76";
    case DocError::Overflow:
        return "17";
    case DocError::BadTotalizer:
        return "30";
    case DocError::VoucherRefused:
        return "43";
    // This model has no codes of its own for the reversal: it calls every refusal of one an
    // invalid payment method.
    case DocError::BadMethod:
    case DocError::LinkedIssued:
    case DocError::ReversalTooLarge:
    case DocError::ReversalNotFound:
        return "38";
    case DocError::NoCopy:
        return "16";
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

// A slot by its letter; -1 for any other character.
int slotOf(char letter) {
    return letter >= 'A' && letter <= 'P' ? letter - 'A' : -1;
}

const ItemLayout LongItem{4, 13, 17, 18, 4, true, 22, 10, 3, 32, false, 40, 42, 0};
const ItemLayout ShortItem{4, 6, 13, 14, 4, true, 18, 9, 2, 27, true, -1, 32, 14};

class Frames {
public:
    explicit Frames(const DocumentDevice &device) : dev(device) {}

    // ESC 0xC8
    Reply openCoupon(const QByteArray &frame) {
        int coo = 0;
        return numbered(docs().openCoupon(coo), frame, coo, 6);
    }

    // ESC 0xDF tax(2) code(13) type adjustment(4) price(10) quantity(8) unit(2) text 0xFF, or
    // ESC 0xCA tax(2) code(6) "000" type adjustment(4) price(9) quantity(5) text(14).
    Reply sellItem(const QByteArray &frame) {
        ItemSale sale;
        const bool longForm = static_cast<unsigned char>(frame[1]) == 0xDF;
        if (const DocOutcome r = decodeItem(frame, longForm ? LongItem : ShortItem, sale))
            return refused(*r);
        int number = 0;
        return numbered(docs().sellItem(sale, number), frame, number, 3);
    }

    // ESC 0xCD item(3)
    Reply cancelItem(const QByteArray &frame) {
        const std::optional<qint64> item = valueOf(frame.mid(2, 3));
        if (!item)
            return refused(DocError::NotNumeric);
        return outcome(docs().cancelItem(int(*item)), frame);
    }

    // ESC 0xCE
    Reply cancelCoupon(const QByteArray &frame) {
        int coo = 0;
        return numbered(docs().cancelCoupon(coo), frame, coo, 6);
    }

    // ESC 0xF1 type adjustment(12): the subtotal at 1-12.
    Reply totalize(const QByteArray &frame) {
        Adjustment adjustment;
        if (const DocOutcome r = decodeAdjustment(frame[2], frame.mid(3, 12), true, adjustment))
            return refused(*r);
        qint64 total = 0;
        if (const DocOutcome r = docs().totalize(adjustment, total))
            return refused(*r);
        return documentAnswer(':' + digits(total, 12) + answerEnd());
    }

    // ESC 0xF2 method amount(12) text 0xFF: the balance at 1-12.
    Reply pay(const QByteArray &frame) {
        const std::optional<qint64> amount = valueOf(frame.mid(3, 12));
        if (!amount)
            return refused(DocError::NotNumeric);
        const QByteArray text = frame.mid(15, frame.size() - 16);
        qint64 balance = 0;
        if (const DocOutcome r = docs().pay(slotOf(frame[2]), *amount, text, balance))
            return refused(*r);
        return documentAnswer(':' + digits(balance, 12) + answerEnd());
    }

    // ESC 0xF8 from to coo(6) amount(12)
    Reply reverse(const QByteArray &frame) {
        const std::optional<qint64> coupon = valueOf(frame.mid(4, 6));
        const std::optional<qint64> amount = valueOf(frame.mid(10, 12));
        if (!coupon || !amount)
            return refused(DocError::NotNumeric);
        int coo = 0;
        return numbered(
            docs().reverse(slotOf(frame[2]), slotOf(frame[3]), int(*coupon), *amount, coo), frame,
            coo, 6);
    }

    // ESC 0xF3 message 0xFF
    Reply close(const QByteArray &frame) {
        int coo = 0;
        return numbered(docs().close(frame.mid(2, frame.size() - 3), coo), frame, coo, 6);
    }

    // ESC 0xD9 totalizer type adjustment(12) "0000" amount(8) 0xFF
    Reply issueVoucher(const QByteArray &frame) {
        if (frame[28] != '\xFF')
            return refused(DocError::Syntax);
        const std::optional<qint64> amount = valueOf(frame.mid(20, 8));
        if (!amount || !valueOf(frame.mid(16, 4)))
            return refused(DocError::NotNumeric);
        Adjustment adjustment;
        if (const DocOutcome r = decodeAdjustment(frame[3], frame.mid(4, 12), true, adjustment))
            return refused(*r);
        int coo = 0;
        return numbered(docs().issueVoucher(slotOf(frame[2]), adjustment, *amount, coo), frame, coo,
                        6);
    }

    // ESC 0xDB linked-totalizer method coo(6) amount(12)
    Reply openLinkedVoucher(const QByteArray &frame) {
        const std::optional<qint64> coupon = valueOf(frame.mid(4, 6));
        const std::optional<qint64> amount = valueOf(frame.mid(10, 12));
        if (!coupon || !amount)
            return refused(DocError::NotNumeric);
        int coo = 0;
        return numbered(docs().openLinkedVoucher(slotOf(frame[3]), int(*coupon), *amount,
                                                 slotOf(frame[2]), coo),
                        frame, coo, 6);
    }

    // ESC 0xD3: the one management report of this model.
    Reply openReport(const QByteArray &frame) {
        int coo = 0;
        return numbered(docs().openReport(0, coo), frame, coo, 6);
    }

    // ESC 0xD5 text 0xFF: a line of the report or the linked voucher.
    Reply printLine(const QByteArray &frame) {
        return outcome(docs().printLine(frame.mid(2, frame.size() - 3)), frame);
    }

    // ESC 0xD4: ends the report or the linked voucher.
    Reply closeReport(const QByteArray &frame) { return outcome(docs().closeReport(), frame); }

    // ESC 'Y' text LF: the stamp prints the text's first 13 characters (the rest does not fit
    // the slip's line and is dropped). Stopped by CAN, the waiting authentication is answered
    // "55" (Autenticação cancelada), and that is the one answer the CAN gets.
    Reply authenticate(const QByteArray &frame) {
        std::optional<Reply> now;
        AuthenticationAnswers answers{echoed(frame), refused("55"),
                                      frame.mid(2, frame.size() - 3).left(13)};
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
        return documentAnswer(":E" + code + answerEnd());
    }
    static Reply refused(DocError error) { return refused(codeFor(error)); }
    static Reply echoed(const QByteArray &frame, const QByteArray &data = {}) {
        return documentAnswer(':' + frame.mid(1, 1) + data + answerEnd());
    }
    static Reply outcome(const DocOutcome &refusal, const QByteArray &frame,
                         const QByteArray &data = {}) {
        return refusal ? refused(*refusal) : echoed(frame, data);
    }
    // Accepted with a number the operation gave back (`value` is read once the operation, an
    // argument of the same call, has run).
    static Reply numbered(const DocOutcome &refusal, const QByteArray &frame, const int &value,
                          int width) {
        return outcome(refusal, frame, digits(value, width));
    }

    DocumentDevice dev;
};

} // namespace

std::vector<DocumentFrame> modelADocumentFrames(const DocumentDevice &device) {
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
        row(Esc, 0xDF, 43, ff, &Frames::sellItem),
        row(Esc, 0xCA, 46, fixed, &Frames::sellItem),
        row(Esc, 0xCD, 5, fixed, &Frames::cancelItem),
        row(Esc, 0xCE, 2, fixed, &Frames::cancelCoupon),
        row(Esc, 0xF1, 15, fixed, &Frames::totalize),
        row(Esc, 0xF2, 16, ff, &Frames::pay),
        row(Esc, 0xF8, 22, fixed, &Frames::reverse),
        row(Esc, 0xF3, 3, ff, &Frames::close),
        row(Esc, 0xD9, 29, fixed, &Frames::issueVoucher),
        row(Esc, 0xDB, 22, fixed, &Frames::openLinkedVoucher),
        row(Esc, 0xD3, 2, fixed, &Frames::openReport),
        row(Esc, 0xD5, 3, ff, &Frames::printLine),
        row(Esc, 0xD4, 2, fixed, &Frames::closeReport),
        row(Esc, 'Y', 3, '\n', &Frames::authenticate),
    };
    table.push_back({Can, -1, 1, fixed, StopAuthenticationSince,
                     [frames](const QByteArray &f) { return frames->stop(f); }});
    return table;
}

} // namespace emu::detail
