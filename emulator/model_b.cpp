#include "bank_table.h"
#include "check_printer.h"
#include "fiscal_state.h"
#include "printer_internal.h"

// Model B, the MV4700.
//
// Answer layout. Every answer begins with ':' and ends with 0xFF CR.
// - Accepted:  ':' 'R' "00" "00" data 0xFF CR    (data from byte 6)
// - Refused:   ':' 'R' <two-digit error code> "00" 0xFF CR    (no data)
// Bytes 2-3 carry the outcome, which is all the tool looks at; bytes 4-5 are a reserved pair
// that this printer always sends as "00". Two answers do not follow the layout: the product
// code (ESC 0xC3) and the status poll (GS 0x05), which put their data right after the colon.
//
// Frame table: one row per frame the printer knows, in the constructor. A row gives the
// frame's first two bytes, its shape (so the parser knows where the frame ends), the handler
// that acts on it and builds the answer, and the firmware version that introduced the frame
// where it is not as old as the printer.

namespace emu {
namespace {

using detail::answerEnd;
using detail::digits;
using detail::Esc;
using detail::Gs;
using detail::OptionField;
using detail::Outcome;
using detail::Refusal;

// CAN: stops the check printer, or a waiting authentication.
constexpr char CheckCancel = 0x18;

// Bytes 6-15 of the identification answer: the model name, space-padded.
const QByteArray ModelName = QByteArrayLiteral("MV4700    ");

// The version-information frame ESC 0xF3 came with firmware 1.01. Older printers do not know
// it and, unlike with other unknown frames, give no answer at all (no syntax error either);
// the tool allows for that by waiting only briefly for this one.
constexpr int VersionFrameSince = 101;
// The user record carries the authorization code from this firmware version on.
constexpr int CodedUserRecordSince = 101;
// The firmware update command's password: this model takes no serial number there.
const QByteArray UpdatePassword = QByteArrayLiteral("XXXXXXXX");

// The options frame's parameters P0-P19 with a meaning; the others are fixed characters.
const std::vector<OptionField> OptionLayout = {
    {0, 1, OptionField::Flag},   // automatic Leitura X
    {1, 1, OptionField::Flag},   // automatic Redução Z
    {2, 1, OptionField::Flag},   // daylight-saving time in force
    {4, 1, OptionField::Flag},   // discount on ISS items
    {5, 1, OptionField::Flag},   // legend on the fiscal coupon
    {7, 2, OptionField::Number}, // line height
    {9, 2, OptionField::Number}, // spacing between coupons
    {11, 2, OptionField::Hour},  // minimum hour for the Redução Z
    {18, 1, OptionField::Flag},  // horizontal check in bold (firmware 1.01)
    {19, 1, OptionField::Flag},  // suppress error messages (firmware 1.01)
};

// The factory settings: legend on, line height 31, spacing 06, the rest off.
QByteArray defaultOptions() {
    QByteArray p(20, '0');
    p[5] = '1';
    p.replace(7, 6,
              "31"
              "06"
              "00");
    return p;
}

class ModelB final : public Printer {
public:
    explicit ModelB(const Identity &identity) : Printer(Model::B, identity) {
        state().options = defaultOptions();
        using F = FrameShape;
        // clang-format off
        addCommand({Esc, 0xC3, F::fixed(2), [this](const QByteArray &) { return productCode(); }, 0, true});
        addCommand({Esc, 0xE9, F::fixed(2), [this](const QByteArray &) { return identification(); }, 0, true});
        addCommand({Esc, 0xF3, F::fixed(5), [this](const QByteArray &f) { return versionItem(f); },
                    VersionFrameSince, true});
        addCommand({Gs,  0x05, F::fixed(2), [this](const QByteArray &) { return statusAnswer(); }});
        addCommand({Esc, 'p', F::fixed(5), [this](const QByteArray &f) { return openDrawer(f); }});
        addCommand({Esc, 0xDC, F::fixed(7), [this](const QByteArray &f) { return programTaxRate(f); }});
        addCommand({Esc, 0xE7, F::fixed(2), [this](const QByteArray &) { return readTaxRates(); }});
        addCommand({Esc, 0xDE, F::fixed(25), [this](const QByteArray &f) { return programMethod(f); }});
        addCommand({Esc, 0xDF, F::fixed(24), [this](const QByteArray &f) { return programTotalizer(f); }});
        addCommand({Esc, 0xE0, F::fixed(23), [this](const QByteArray &f) { return programReportName(f); }});
        addCommand({Esc, 0xE4, F::fixed(22), [this](const QByteArray &f) { return programOptions(f); }});
        addCommand({Esc, 0xE5, F::fixed(2), [this](const QByteArray &) { return accepted(state().options); }});
        addCommand({Esc, 0xDD, F::fixed(28), [this](const QByteArray &f) { return programOperator(f); }});
        addCommand({Esc, 0xEA, F::fixed(2), [this](const QByteArray &) { return configuration(); }});
        addCommand({Esc, 0xE8, F::fixed(2), [this](const QByteArray &) { return accepted(id.ecfNumber + state().header); }});
        addCommand({Esc, 0xE6, F::fixed(2), [this](const QByteArray &) { return accepted(detail::dateTimeDigits(state().clock())); }});
        addCommand({Esc, 0xC0, F::endsWith('\xFF', 20), [this](const QByteArray &f) { return intervention(f); }});
        addCommand({Esc, 0xBE, F::burst(104, 112), [this](const QByteArray &f) { return userRecord(f); }});
        addCommand({Esc, 0xC1, F::fixed(10), [this](const QByteArray &f) { return firmwareUpdate(f); }});
        addCommand({Esc, 0xFA, F::fixed(2), [this](const QByteArray &) { return readingX(); }});
        addCommand({Esc, 0xFC, F::fixed(14), [this](const QByteArray &f) { return reductionZ(f); }});
        addCommand({Esc, 0xFB, F::fixed(15), [this](const QByteArray &f) { return fiscalMemory(f); }});
        addCommand({Esc, 0xF9, F::counted(BankTable::CountDigits, BankTable::RecordBytes, BankTable::TrailerBytes),
                    [this](const QByteArray &f) { return loadBankTable(f); }});
        // clang-format on
        // The check printer (check_printer.h).
        // clang-format off
        addCommand({Esc, 'b', F::fixed(5), [this](const QByteArray &f) { return checkPrinter.bankFrame(f); }});
        addCommand({Esc, 'c', F::endsWith('\xFF', 3), [this](const QByteArray &f) { return checkPrinter.cityFrame(f); }});
        addCommand({Esc, 'd', F::fixed(10), [this](const QByteArray &f) { return checkPrinter.dateFrame(f); }});
        addCommand({Esc, 'f', F::endsWith('\xFF', 3), [this](const QByteArray &f) { return checkPrinter.payeeFrame(f); }});
        addCommand({Esc, 'v', F::fixed(14), [this](const QByteArray &f) { return front(f); }});
        addCommand({Esc, 'V', F::fixed(14), [this](const QByteArray &f) { return front(f); }});
        addCommand({Esc, 't', F::endsWith('\xFF', 3), [this](const QByteArray &f) { return checkPrinter.backFrame(f); }});
        // clang-format on
        // The documents: coupon, vouchers, report, authentication (model_b_documents.cpp).
        for (detail::DocumentFrame &d : detail::modelBDocumentFrames({state(), jumper, paperEnd})) {
            if (d.lead == CheckCancel && d.code < 0) {
                // One CAN for the whole printer: it stops the check printer's work when there
                // is any, else what the documents wait for (an authentication).
                d.handler = [this, since = d.sinceFirmware,
                             stop = std::move(d.handler)](const QByteArray &f) {
                    Reply reply;
                    if (checkPrinter.cancel(reply))
                        return reply;
                    return firmwareHundredths() >= since ? stop(f) : Reply{};
                };
                d.sinceFirmware = 0; // the check printer has always known CAN
            }
            addCommand({d.lead, d.code,
                        d.terminator ? F::endsWith(*d.terminator, d.length) : F::fixed(d.length),
                        std::move(d.handler), d.sinceFirmware});
        }
    }

protected:
    Reply errorAnswer(const QByteArray &code) const override {
        return answer(":R" + code + "00" + answerEnd());
    }

    detail::CheckPrinter *checks() override { return &checkPrinter; }

    // Status digits s1..s12 (answer bytes 1..12), the bits the tool reads and the ones we give
    // meaning to ourselves:
    //   s1  bit 3 drawer open; bit 1 check mechanism cover open
    //   s2  bit 3 check in place; bit 2 authentication slip in place (a check not yet
    //       released); bit 1 paper end (sensor); bit 0 paper low (sensor)
    //   s3  bit 3 CLEAR = maintenance mode; bit 1 blocked; bit 0 off-line
    //   s4  bit 2 Redução Z of the day issued; bit 1 initial Leitura X issued; bit 0 document
    //       issued after the Redução Z (the fiscal day has movement)
    //   s5  bit 3 training mode; bit 2 fiscal memory not initialised (no user); bits 1 and 0
    //       both set = idle (bit 1 mechanism at rest, bit 0 print buffer empty)
    //   s6  bit 3 check still held by the mechanism;  s8 bit 3 Redução Z pending
    //   s7  the open document: bit 0 fiscal coupon; bit 1 non-fiscal voucher; bit 2 linked
    //       voucher; bit 3 management report (the tool reads none of these)
    //   s9  bit 0 totalizer error;  s10 bit 1 clock error, bit 0 header damaged
    // As on model A, running out of paper puts the printer off-line.
    QByteArray statusDigits() const override {
        const detail::PrinterState &s = state();
        std::array<int, 12> d{};
        d[0] = (drawerIsOpen() ? 0x8 : 0) | (coverOpen ? 0x2 : 0);
        d[1] = (checkInserted ? 0x8 : 0) |
               (s.documents.inserted() || checkPrinter.held() ? 0x4 : 0) | (paperEnd ? 0x2 : 0) |
               (paperLow ? 0x1 : 0);
        d[2] = (jumper ? 0 : 0x8) | (paperEnd ? 0x1 : 0);
        d[3] = (s.reductionToday() ? 0x4 : 0) | (s.initialReadingXIssued() ? 0x2 : 0) |
               (s.fiscalDay ? 0x1 : 0);
        d[4] = (s.users.empty() ? 0x4 : 0) | (s.printing() ? 0 : 0x3);
        switch (s.documents.openKind()) {
        case DocumentKind::Coupon:
            d[6] = 0x1;
            break;
        case DocumentKind::NonFiscalVoucher:
            d[6] = 0x2;
            break;
        case DocumentKind::LinkedVoucher:
            d[6] = 0x4;
            break;
        case DocumentKind::ManagementReport:
            d[6] = 0x8;
            break;
        case DocumentKind::None:
            break;
        }
        d[5] = checkPrinter.held() ? 0x8 : 0;
        d[7] = s.reductionPending() ? 0x8 : 0;
        return hexDigits(d);
    }

private:
    detail::CheckPrinter checkPrinter{
        checkInserted,
        {[](const QByteArray &data) { return accepted(data); },
         [this](const QByteArray &code) { return errorAnswer(code); }}};

    // ESC 'v' (horizontal) or ESC 'V' (vertical) and the amount: the front of the check, of a
    // bank that the loaded table knows.
    Reply front(const QByteArray &frame) {
        return checkPrinter.frontFrame(frame, [this](int n) { return state().bank(n) != nullptr; });
    }

    // ESC 'p' ddd: pulses the drawer connector and kicks the drawer open. The three digits
    // choose the connector pin and the pulse length, which a single drawer does not notice.
    // Unlike model A this printer confirms the frame with the usual accepted answer; digits
    // it cannot read are a syntax error.
    Reply openDrawer(const QByteArray &frame) {
        if (!detail::allDigits(frame.mid(2, 3)))
            return errorAnswer(codeFor(Refusal::NotNumeric));
        kickDrawer();
        return accepted();
    }

    static QByteArray codeFor(Refusal refusal) {
        switch (refusal) {
        case Refusal::NotInMaintenance:
            return "01";
        case Refusal::Syntax:
            return "16";
        case Refusal::NotNumeric:
        case Refusal::BadValue:
            return "13";
        case Refusal::BadCharacter:
            return "25";
        case Refusal::Blank:
            return "45";
        case Refusal::ZeroValue:
            return "28";
        case Refusal::TableFull:
            return "14";
        case Refusal::RateLoaded:
            return "26";
        case Refusal::BadPaymentMethod:
            return "38";
        case Refusal::MethodDefined:
            return "44";
        case Refusal::DayOpen:
            return "40";
        case Refusal::ReductionDone:
            return "22";
        case Refusal::ReductionPending:
            return "23";
        case Refusal::DateBeforeMemory:
            return "41";
        case Refusal::DateNotToday:
            return "04";
        case Refusal::BeforeMinimumHour:
            return "26";
        case Refusal::WrongCode:
            return "08";
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
    static Reply accepted(const QByteArray &data = {}) {
        return answer(":R0000" + data + answerEnd());
    }
    Reply outcome(const Outcome &refusal, const QByteArray &data = {}) const {
        return refusal ? refused(*refusal) : accepted(data);
    }

    // ESC 0xC3: the product code. The tool checks bytes 1-6 for "100047"; the firmware version
    // follows it.
    Reply productCode() const {
        return answer(':' + QByteArray("100047") + id.firmware + answerEnd());
    }

    // ESC 0xE9: model name 6-15, serial 16-23, firmware version 24-27, ECF number 28-31.
    Reply identification() const {
        return accepted(ModelName + id.serial + id.firmware + id.ecfNumber);
    }

    // ESC 0xF3 and a three-digit item number. Item "010" is the firmware version: the answer
    // echoes the item at 6-8 and gives the version at 9-12. This printer has no other items;
    // asking for one is a syntax error.
    Reply versionItem(const QByteArray &frame) const {
        const QByteArray item = frame.mid(2, 3);
        if (item != "010")
            return refused(Refusal::Syntax);
        return accepted(item + id.firmware);
    }

    // ESC 0xDC 'S'|'N' rate: the next free slot, given in the answer at 6-7. This model does
    // not look for the rate among the loaded ones: the same rate may take two slots.
    Reply programTaxRate(const QByteArray &frame) {
        const char kind = frame[2];
        if (kind != 'S' && kind != 'N')
            return refused(Refusal::Syntax);
        int slot = 0;
        const Outcome r = state().programTaxRate(kind == 'S', frame.mid(3, 4), false, slot);
        return outcome(r, digits(slot + 1, 2));
    }

    // ESC 0xE7: from byte 6, 16 entries of a type byte and 4 digits, as on model A: the slot's
    // letter, lower case for ISS, upper case for ICMS; an unused slot is its letter and "////".
    Reply readTaxRates() const {
        QByteArray data;
        for (int i = 0; i < 16; ++i) {
            const TaxRate &t = state().taxRates[size_t(i)];
            data += char((t.iss ? 'a' : 'A') + i);
            data += t.rate.isEmpty() ? QByteArray("////") : t.rate;
        }
        return accepted(data);
    }

    // ESC 0xDE number(2) name(21): 01-16 plain methods, 51-66 the linked ones (slots 17-32).
    // A method keeps the name it was given: another name for it is refused (44), the same
    // one accepted.
    Reply programMethod(const QByteArray &frame) {
        const QByteArray field = frame.mid(2, 2);
        if (!detail::allDigits(field))
            return refused(Refusal::NotNumeric);
        const int n = detail::number(field);
        const int slot = n >= 1 && n <= 16 ? n - 1 : n >= 51 && n <= 66 ? n - 51 + 16 : -1;
        return outcome(state().programPaymentMethod(slot, n >= 51, frame.mid(4, 21), true));
    }

    // ESC 0xDF '+'|'-' name(21): the next free slot, given in the answer at 6-7.
    Reply programTotalizer(const QByteArray &frame) {
        const char sign = frame[2];
        if (sign != '+' && sign != '-')
            return refused(Refusal::Syntax);
        int slot = 0;
        const Outcome r = state().programNonFiscalTotalizer(sign == '-', frame.mid(3, 21), slot);
        return outcome(r, digits(slot + 1, 2));
    }

    // ESC 0xE0 name(21): the next free management report, given in the answer at 6-7.
    Reply programReportName(const QByteArray &frame) {
        int slot = 0;
        const Outcome r = state().programReportName(frame.mid(2, 21), slot);
        return outcome(r, digits(slot + 1, 2));
    }

    // ESC 0xE4 P0..P19; ESC 0xE5 answers them from byte 6.
    Reply programOptions(const QByteArray &frame) {
        return outcome(state().programOptions(frame.mid(2, 20), OptionLayout));
    }

    // ESC 0xDD "Lj:" store(4) "  Opr:" operator(13).
    Reply programOperator(const QByteArray &frame) {
        if (frame.mid(2, 3) != "Lj:" || frame.mid(9, 6) != "  Opr:")
            return refused(Refusal::Syntax);
        const QByteArray text = frame.mid(2, 26);
        if (detail::checkName(text) == Refusal::BadCharacter)
            return refused(Refusal::BadCharacter);
        state().operatorText = text;
        return accepted();
    }

    // ESC 0xEA: the configuration block from byte 0: operator (26) at 6; 16 non-fiscal
    // totalizers (sign, name of 21) at 32; 16 report names (21) at 384; 32 payment methods
    // ('V' for 51-66, else 'X'; name of 21) at 720; one reserved byte, '0', at 1424; then the
    // end mark. A slot never programmed reads as erased memory, 0xFF; an empty totalizer keeps
    // its '+'.
    Reply configuration() const {
        const detail::PrinterState &s = state();
        const QByteArray erased(21, '\xFF');
        QByteArray block = s.operatorText;
        for (const NonFiscalTotalizer &t : s.totalizers)
            block += (t.outflow ? '-' : '+') + (t.name.isEmpty() ? erased : t.name);
        for (const QByteArray &name : s.reportNames)
            block += name.isEmpty() ? erased : name;
        for (const PaymentMethod &m : s.methods)
            block += (m.linked ? 'V' : 'X') + (m.name.isEmpty() ? erased : m.name);
        return accepted(block + '0');
    }

    Reply intervention(const QByteArray &frame) {
        if (!jumper)
            return refused(Refusal::NotInMaintenance);
        return outcome(state().intervention(frame, id));
    }

    // ESC 0xBE: 2-7 date, 8-12 "CNPJ:", 13-32 CNPJ, 33-35 "IE:", 36-55 IE, 56-58 "IM:" and
    // 59-78 IM (or 23 spaces), spaces to 103; from firmware 1.01 on, the authorization code
    // at 104-111. A frame of the other length is a syntax error.
    Reply userRecord(const QByteArray &frame) {
        if (!jumper)
            return refused(Refusal::NotInMaintenance);
        const bool coded = firmwareHundredths() >= CodedUserRecordSince;
        if (frame.size() != (coded ? 112 : 104) || frame.mid(8, 5) != "CNPJ:" ||
            frame.mid(33, 3) != "IE:")
            return refused(Refusal::Syntax);
        QDate date;
        if (const Outcome r = detail::parseDate(frame.mid(2, 6), date))
            return refused(*r);
        const bool withIm = frame.mid(56, 3) == "IM:";
        const UserRecord user{frame.mid(2, 6), frame.mid(13, 20), frame.mid(36, 20),
                              withIm ? frame.mid(59, 20) : QByteArray(20, ' ')};
        if (coded && frame.mid(104, 8) != authorizationCode(id.serial, user.cnpj))
            return refused(Refusal::WrongCode);
        return outcome(state().recordUser(user));
    }

    // ESC 0xC1 "XXXXXXXX": the boot loader takes over.
    Reply firmwareUpdate(const QByteArray &frame) {
        if (!jumper)
            return refused(Refusal::NotInMaintenance);
        if (frame.mid(2, 8) != UpdatePassword)
            return refused(Refusal::WrongCode);
        state().updateMode = true;
        return accepted();
    }

    // ESC 0xFA: the report's COO at 6-11; the printer then prints for a while.
    Reply readingX() {
        const Outcome r = state().readingX(paperEnd);
        return outcome(r, digits(state().coo, 6));
    }

    // ESC 0xFC ddmmyyhhmmss. This model insists that the date sent is its own (04). Its
    // minimum hour option holds back the day's reduction, not an overdue one; it has no code
    // of its own for that and answers "command cannot be executed" (26). Answer: the COO at
    // 6-11 and the CRZ at 12-15.
    Reply reductionZ(const QByteArray &frame) {
        detail::PrinterState &s = state();
        QDateTime at;
        if (const Outcome r = detail::parseDateTime(frame.mid(2, 12), at))
            return refused(*r);
        if (const Outcome r = s.canReduce(paperEnd))
            return refused(*r);
        if (at.date() != s.today())
            return refused(Refusal::DateNotToday);
        if (!s.reductionPending() && s.clock().time().hour() < s.minimumReductionHour())
            return refused(Refusal::BeforeMinimumHour);
        s.reduce();
        return accepted(digits(s.coo, 6) + digits(s.reductions.back().crz, 4));
    }

    // ESC 0xFB destination start end: 'X' prints, 'S' sends; upper case the summarised
    // reading, lower case the full one. Printing answers the COO at 6-11; sending answers a
    // 14-byte header (":R0000" and the text's length in 8 digits), the text, the end mark.
    Reply fiscalMemory(const QByteArray &frame) {
        detail::PrinterState &s = state();
        const char destination = frame[2];
        if (QByteArray("XxSs").indexOf(destination) < 0)
            return refused(Refusal::Syntax);
        std::vector<const Reduction *> chosen;
        QByteArray period;
        if (const Outcome r = s.select(frame.mid(3, 6), frame.mid(9, 6), chosen, period))
            return refused(*r);
        if (destination == 'X' || destination == 'x') {
            if (paperEnd)
                return refused(Refusal::PaperEnd);
            ++s.coo;
            s.paper.fiscalMemory(s.readingText(id, chosen, period, destination == 'x'));
            s.startPrinting();
            return accepted(digits(s.coo, 6));
        }
        const QByteArray text = s.readingText(id, chosen, period, destination == 's');
        return detail::streamed(":R0000" + digits(text.size(), 8) + text + answerEnd());
    }

    // ESC 0xF9 count(3) banks(35 each) 0xFF: the check printer's bank table (bank_table.h),
    // taken whole or not at all. It is no fiscal programming: the printer takes it in or out of
    // maintenance mode and with a fiscal day open.
    Reply loadBankTable(const QByteArray &frame) {
        BankTable::Decoded table = BankTable::decode(frame);
        if (!table.refusal.isEmpty())
            return errorAnswer(table.refusal);
        state().banks = std::move(table.banks);
        return accepted();
    }
};

} // namespace

std::unique_ptr<Printer> detail::makeModelB(const Identity &identity) {
    return std::make_unique<ModelB>(identity);
}

} // namespace emu
