#include "fiscal_state.h"
#include "printer_internal.h"

// Model A, the MV210.
//
// Answer layout. Every answer begins with ':' and ends with 0xFF CR.
// - Accepted, data read from byte 1:  ':' data 0xFF CR
// - Accepted, data read from byte 2:  ':' <the command byte, echoed> data 0xFF CR
// - Refused:                          ':' 'E' <two-digit error code> 0xFF CR
// The tool tells the two apart by the leading ":E", so no accepted answer to a command may have
// an 'E' after the colon (the echoed command bytes are 0x80 or above; the answers with data
// from byte 1 begin with a digit or with "Opr:"). The status poll's answer is never checked
// that way, so its first digit may well be 'E'.
//
// Frame table: one row per frame the printer knows, in the constructor. A row gives the
// frame's first two bytes, its shape (so the parser knows where the frame ends) and the
// handler that acts on it and builds the answer.

namespace emu {
namespace {

using detail::answerEnd;
using detail::digits;
using detail::Esc;
using detail::Gs;
using detail::OptionField;
using detail::Outcome;
using detail::Refusal;

// The options frame's parameters P0-P39 with a meaning; the others are fixed characters.
const std::vector<OptionField> OptionLayout = {
    {1, 1, OptionField::Flag},    // automatic Redução Z
    {3, 1, OptionField::Flag},    // automatic Leitura X
    {4, 1, OptionField::Flag},    // rounding instead of truncation
    {5, 1, OptionField::Flag},    // daylight-saving time in force
    {7, 1, OptionField::Flag},    // paper cutter
    {10, 1, OptionField::Flag},   // additional coupon
    {11, 1, OptionField::Flag},   // legend on the fiscal coupon
    {15, 2, OptionField::Number}, // line height
    {17, 2, OptionField::Number}, // spacing between coupons
    {19, 2, OptionField::Number}, // fixed "08"
    {21, 2, OptionField::Hour},   // minimum hour for the Redução Z
    {23, 3, OptionField::Number}, // fixed "255"
    {31, 1, OptionField::Flag},   // discount on ISS items
    {33, 1, OptionField::Flag},   // suppress error messages
};

// The factory settings: legend on, line height 18, spacing 02, the rest off.
QByteArray defaultOptions() {
    QByteArray p(40, '0');
    p[8] = '1';
    p[11] = '1';
    p.replace(15, 11,
              "18"
              "02"
              "08"
              "00"
              "255");
    return p;
}

// The user record carries the authorization code from this firmware version on.
constexpr int CodedUserRecordSince = 122;

class ModelA final : public Printer {
public:
    explicit ModelA(const Identity &identity) : Printer(Model::A, identity) {
        state().options = defaultOptions();
        using F = FrameShape;
        // clang-format off
        addCommand({Esc, 0xC3, F::fixed(2), [this](const QByteArray &) { return productCode(); }, 0, true});
        addCommand({Esc, 0xEC, F::fixed(2), [this](const QByteArray &f) { return identification(f); }, 0, true});
        addCommand({Gs,  0xFF, F::fixed(2), [this](const QByteArray &) { return statusAnswer(); }});
        addCommand({Esc, 'p', F::fixed(5), [this](const QByteArray &f) { return openDrawer(f); }});
        addCommand({Esc, 0xDC, F::optionalFlag('S', 6), [this](const QByteArray &f) { return programTaxRate(f); }});
        addCommand({Esc, 0xE7, F::fixed(2), [this](const QByteArray &f) { return readTaxRates(f); }});
        addCommand({Esc, 0xDA, F::fixed(23), [this](const QByteArray &f) { return programMethodOrOperator(f); }});
        addCommand({Esc, 0xE2, F::fixed(24), [this](const QByteArray &f) { return programTotalizer(f); }});
        addCommand({Esc, 0xE4, F::fixed(42), [this](const QByteArray &f) { return programOptions(f); }});
        addCommand({Esc, 0xE5, F::fixed(2), [this](const QByteArray &) { return readOptions(); }});
        addCommand({Esc, 0xEE, F::fixed(2), [this](const QByteArray &) { return configuration(); }});
        addCommand({Esc, 0xE8, F::fixed(2), [this](const QByteArray &) { return readHeader(); }});
        addCommand({Esc, 0xE6, F::fixed(2), [this](const QByteArray &f) { return readClock(f); }});
        addCommand({Esc, 0xC0, F::endsWith('\xFF', 20), [this](const QByteArray &f) { return intervention(f); }});
        addCommand({Esc, 0xBE, F::burst(120, 128), [this](const QByteArray &f) { return userRecord(f); }});
        addCommand({Esc, 0xC1, F::fixed(10), [this](const QByteArray &f) { return firmwareUpdate(f); }});
        addCommand({Esc, 0xCF, F::fixed(2), [this](const QByteArray &f) { return readingX(f); }});
        addCommand({Esc, 0xD0, F::fixed(14), [this](const QByteArray &f) { return reductionZ(f); }});
        addCommand({Esc, 0xD1, F::fixed(15), [this](const QByteArray &f) { return fiscalMemory(f); }});
        // clang-format on
        // The documents: coupon, vouchers, report, authentication (model_a_documents.cpp).
        for (detail::DocumentFrame &d : detail::modelADocumentFrames({state(), jumper, paperEnd}))
            addCommand({d.lead, d.code,
                        d.terminator ? F::endsWith(*d.terminator, d.length) : F::fixed(d.length),
                        std::move(d.handler), d.sinceFirmware});
    }

protected:
    Reply errorAnswer(const QByteArray &code) const override {
        return answer(":E" + code + answerEnd());
    }

    // Status digits s1..s12 (answer bytes 1..12), the bits the tool reads and the ones we give
    // meaning to ourselves:
    //   s1  bit 3 drawer open; bit 2 mechanical failure; bit 1 CLEAR = authentication slip in
    //       place; bit 0 paper end (sensor)
    //   s2  bit 3 off-line; bit 1 Redução Z pending; bit 0 paper low (sensor)
    //   s3  bit 3 CLEAR = maintenance mode
    //   s4  bit 3 management report or linked voucher open; bit 2 fiscal coupon or non-fiscal
    //       voucher open; bit 1 idle; bit 0 busy
    //   s5  bit 2 blocked; bit 1 fiscal memory not initialised (no user); bit 0 training mode
    //   s6  bit 3 document issued after the Redução Z (the fiscal day has movement);
    //       bit 2 initial Leitura X issued; bit 1 Redução Z of the day issued
    //   s9  bit 0 totalizer error;  s10 bit 1 clock error, bit 0 header damaged
    // The printer goes off-line when the paper runs out: it stops taking documents until a
    // new roll is in, and says so in the off-line bit as well as in the sensor bit.
    QByteArray statusDigits() const override {
        const detail::PrinterState &s = state();
        std::array<int, 12> d{};
        d[0] =
            (drawerIsOpen() ? 0x8 : 0) | (s.documents.inserted() ? 0 : 0x2) | (paperEnd ? 0x1 : 0);
        d[1] = (paperEnd ? 0x8 : 0) | (s.reductionPending() ? 0x2 : 0) | (paperLow ? 0x1 : 0);
        d[2] = jumper ? 0 : 0x8;
        const DocumentKind open = s.documents.openKind();
        const bool sale = open == DocumentKind::Coupon || open == DocumentKind::NonFiscalVoucher;
        const bool report =
            open == DocumentKind::ManagementReport || open == DocumentKind::LinkedVoucher;
        d[3] = (s.printing() ? 0x1 : 0x2) | (sale ? 0x4 : 0) | (report ? 0x8 : 0);
        d[4] = s.users.empty() ? 0x2 : 0;
        d[5] = (s.fiscalDay ? 0x8 : 0) | (s.initialReadingXIssued() ? 0x4 : 0) |
               (s.reductionToday() ? 0x2 : 0);
        return hexDigits(d);
    }

private:
    // ESC 'p' ddd: pulses the drawer connector and kicks the drawer open. The three digits
    // choose the connector pin and the pulse length, which a single drawer does not notice.
    // This printer sends nothing back for the frame (the tool does not wait for an answer),
    // so a frame whose digits it cannot read is dropped just as silently.
    Reply openDrawer(const QByteArray &frame) {
        if (detail::allDigits(frame.mid(2, 3)))
            kickDrawer();
        return {};
    }

    static QByteArray codeFor(Refusal refusal) {
        switch (refusal) {
        case Refusal::NotInMaintenance:
            return "01";
        case Refusal::Syntax:
            return "16";
        case Refusal::NotNumeric:
            return "13";
        case Refusal::BadValue:
            return "16";
        case Refusal::BadCharacter:
            return "25";
        case Refusal::Blank:
            return "45";
        case Refusal::ZeroValue:
            return "28";
        case Refusal::TableFull:
            return "14";
        case Refusal::RateLoaded:
            return "37";
        case Refusal::BadPaymentMethod:
        case Refusal::MethodDefined:
            return "38";
        case Refusal::DayOpen:
            return "40";
        case Refusal::ReductionDone:
            return "22";
        case Refusal::ReductionPending:
            return "23";
        case Refusal::DateBeforeMemory:
        case Refusal::DateNotToday:
            return "41";
        case Refusal::BeforeMinimumHour:
            return "78";
        case Refusal::WrongCode:
            return "53";
        case Refusal::NothingToUpdate:
            return "20";
        case Refusal::MemoryEmpty:
            return "19";
        case Refusal::MemoryFull:
            return "03";
        case Refusal::PaperEnd:
            return "50";
        case Refusal::DocumentOpen:
            return "10";
        }
        return "16";
    }

    Reply refused(Refusal refusal) const { return errorAnswer(codeFor(refusal)); }
    // Accepted: ':', the echoed command byte, the data.
    static Reply echoed(const QByteArray &frame, const QByteArray &data = {}) {
        return answer(':' + frame.mid(1, 1) + data + answerEnd());
    }
    Reply outcome(const Outcome &refusal, const QByteArray &frame, const QByteArray &data = {}) {
        return refusal ? refused(*refusal) : echoed(frame, data);
    }

    // ESC 0xC3: the product code. The tool checks bytes 1-5 for "10043"; the firmware version
    // follows it, as the printer's boot banner shows it.
    Reply productCode() const {
        return answer(':' + QByteArray("10043") + id.firmware + answerEnd());
    }

    // ESC 0xEC: ':' 0xEC, serial 2-9, firmware version 10-13, ECF number 14-17.
    Reply identification(const QByteArray &frame) const {
        return echoed(frame, id.serial + id.firmware + id.ecfNumber);
    }

    // ESC 0xDC ['S'] rate: the next free slot; the answer gives it at 2-3 ("01" = T A).
    Reply programTaxRate(const QByteArray &frame) {
        const bool iss = frame.size() == 7;
        int slot = 0;
        const Outcome r = state().programTaxRate(iss, frame.mid(iss ? 3 : 2, 4), true, slot);
        return outcome(r, frame, digits(slot + 1, 2));
    }

    // ESC 0xE7: from byte 2, 16 entries of a type byte and 4 digits. The type byte is the
    // slot's letter, lower case for an ISS rate and upper case for ICMS; an unused slot is its
    // upper-case letter and "////".
    Reply readTaxRates(const QByteArray &frame) const {
        QByteArray data;
        for (int i = 0; i < 16; ++i) {
            const TaxRate &t = state().taxRates[size_t(i)];
            data += char((t.iss ? 'a' : 'A') + i);
            data += t.rate.isEmpty() ? QByteArray("////") : t.rate;
        }
        return echoed(frame, data);
    }

    // ESC 0xDA "PG" 'V'|'X' letter name(17): a payment method, by letter ('A' = 1, cash).
    // ESC 0xDA 'O' "Opr:" name(16): the operator.
    Reply programMethodOrOperator(const QByteArray &frame) {
        if (frame.mid(2, 2) == "PG") {
            const char flag = frame[4];
            if (flag != 'V' && flag != 'X')
                return refused(Refusal::Syntax);
            const int slot = frame[5] - 'A';
            return outcome(state().programPaymentMethod(slot, flag == 'V', frame.mid(6, 17), false),
                           frame);
        }
        if (frame.mid(2, 5) != "OOpr:")
            return refused(Refusal::Syntax);
        // The operator may be blank (no operator), but carries no control characters.
        if (detail::checkName(frame.mid(7, 16)) == Refusal::BadCharacter)
            return refused(Refusal::BadCharacter);
        state().operatorText = frame.mid(3, 20);
        return echoed(frame);
    }

    // ESC 0xE2 'V' name(21): a linked totalizer; ESC 0xE2 '+'|'-' name(21): a non-fiscal
    // totalizer. Both go into the next free slot, given in the answer at 2-3.
    Reply programTotalizer(const QByteArray &frame) {
        const char kind = frame[2];
        const QByteArray name = frame.mid(3, 21);
        int slot = 0;
        Outcome r;
        if (kind == 'V')
            r = state().programLinkedTotalizer(name, slot);
        else if (kind == '+' || kind == '-')
            r = state().programNonFiscalTotalizer(kind == '-', name, slot);
        else
            return refused(Refusal::Syntax);
        return outcome(r, frame, digits(slot + 1, 2));
    }

    // ESC 0xE4 P0..P39.
    Reply programOptions(const QByteArray &frame) {
        return outcome(state().programOptions(frame.mid(2, 40), OptionLayout), frame);
    }

    // ESC 0xE5: P(i) at answer byte i + 1.
    Reply readOptions() const { return answer(':' + state().options + answerEnd()); }

    // ESC 0xEE: the configuration block from byte 1: operator (20) at 1; 16 non-fiscal
    // totalizers (sign, name of 21) at 21; 16 linked totalizer names (21) at 373; 16 payment
    // methods ('V' linked or 'X', name of 17) at 709; 997 bytes in all, then the end mark.
    // A slot never programmed reads as erased memory, 0xFF; an empty totalizer keeps its '+'.
    Reply configuration() const {
        const detail::PrinterState &s = state();
        const QByteArray erased(21, '\xFF');
        QByteArray block = ':' + s.operatorText;
        for (const NonFiscalTotalizer &t : s.totalizers)
            block += (t.outflow ? '-' : '+') + (t.name.isEmpty() ? erased : t.name);
        for (const QByteArray &name : s.linkedTotalizers)
            block += name.isEmpty() ? erased : name;
        for (const PaymentMethod &m : s.methods)
            block += (m.linked ? 'V' : 'X') + m.name;
        return answer(block + answerEnd());
    }

    // ESC 0xE8: ECF number at 1-4, the header text from 5, then the end mark.
    Reply readHeader() const { return answer(':' + id.ecfNumber + state().header + answerEnd()); }

    // ESC 0xE6: ddmmyyhhmmss at 2-13.
    Reply readClock(const QByteArray &frame) const {
        return echoed(frame, detail::dateTimeDigits(state().clock()));
    }

    Reply intervention(const QByteArray &frame) {
        if (!jumper)
            return refused(Refusal::NotInMaintenance);
        return outcome(state().intervention(frame, id), frame);
    }

    // ESC 0xBE: 2-7 date, 8-23 spaces, 24-28 "CNPJ:", 29-48 CNPJ, 49-51 "IE:", 52-71 IE,
    // 72-74 "IM:" and 75-94 IM (or spaces), spaces to 119; from firmware 1.22 on, the
    // authorization code at 120-127. A frame of the other length is a syntax error.
    Reply userRecord(const QByteArray &frame) {
        if (!jumper)
            return refused(Refusal::NotInMaintenance);
        const bool coded = firmwareHundredths() >= CodedUserRecordSince;
        if (frame.size() != (coded ? 128 : 120) || frame.mid(8, 16) != QByteArray(16, ' ') ||
            frame.mid(24, 5) != "CNPJ:" || frame.mid(49, 3) != "IE:")
            return refused(Refusal::Syntax);
        QDate date;
        if (const Outcome r = detail::parseDate(frame.mid(2, 6), date))
            return refused(*r);
        const bool withIm = frame.mid(72, 3) == "IM:";
        const UserRecord user{frame.mid(2, 6), frame.mid(29, 20), frame.mid(52, 20),
                              withIm ? frame.mid(75, 20) : QByteArray(20, ' ')};
        if (coded && frame.mid(120, 8) != authorizationCode(id.serial, user.cnpj))
            return refused(Refusal::WrongCode);
        return outcome(state().recordUser(user), frame);
    }

    // ESC 0xC1 and the printer's own serial number: the boot loader takes over.
    Reply firmwareUpdate(const QByteArray &frame) {
        if (!jumper)
            return refused(Refusal::NotInMaintenance);
        if (frame.mid(2, 8) != id.serial)
            return refused(Refusal::WrongCode);
        state().updateMode = true;
        return echoed(frame);
    }

    // ESC 0xCF: the report's COO at 2-7; the printer then prints for a while.
    Reply readingX(const QByteArray &frame) {
        const Outcome r = state().readingX(paperEnd);
        return outcome(r, frame, digits(state().coo, 6));
    }

    // ESC 0xD0 ddmmyyhhmmss. This model takes the PC's date and time as a check on its own
    // clock against the fiscal memory: a time before the last reduction is refused. The
    // minimum hour option holds back the day's reduction, not an overdue one. Answer: the
    // COO at 2-7 and the CRZ at 8-11.
    Reply reductionZ(const QByteArray &frame) {
        detail::PrinterState &s = state();
        QDateTime at;
        if (const Outcome r = detail::parseDateTime(frame.mid(2, 12), at))
            return refused(*r);
        if (const Outcome r = s.canReduce(paperEnd))
            return refused(*r);
        if (!s.reductions.empty() && at < s.reductions.back().issuedAt)
            return refused(Refusal::DateBeforeMemory);
        if (!s.reductionPending() && s.clock().time().hour() < s.minimumReductionHour())
            return refused(Refusal::BeforeMinimumHour);
        s.reduce();
        return echoed(frame, digits(s.coo, 6) + digits(s.reductions.back().crz, 4));
    }

    // ESC 0xD1 destination start end. This model has one reading, the full one; its firmware
    // reads the destination letter without regard to case. 'X' prints it (answer: the COO at
    // 2-7); 'S' sends it: a 9-byte header (':', 0xD1, the text's length in 7 digits), the
    // text, the end mark.
    Reply fiscalMemory(const QByteArray &frame) {
        detail::PrinterState &s = state();
        const char destination = char(frame[2] & ~0x20);
        if (destination != 'X' && destination != 'S')
            return refused(Refusal::Syntax);
        std::vector<const Reduction *> chosen;
        QByteArray period;
        if (const Outcome r = s.select(frame.mid(3, 6), frame.mid(9, 6), chosen, period))
            return refused(*r);
        if (destination == 'X') {
            if (paperEnd)
                return refused(Refusal::PaperEnd);
            ++s.coo;
            s.paper.fiscalMemory(s.readingText(id, chosen, period, true));
            s.startPrinting();
            return echoed(frame, digits(s.coo, 6));
        }
        const QByteArray text = s.readingText(id, chosen, period, true);
        return detail::streamed(':' + frame.mid(1, 1) + digits(text.size(), 7) + text +
                                answerEnd());
    }
};

} // namespace

std::unique_ptr<Printer> detail::makeModelA(const Identity &identity) {
    return std::make_unique<ModelA>(identity);
}

} // namespace emu
