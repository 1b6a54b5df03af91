#include "protocol/cmd4700.h"

#include "core/clock.h"
#include "core/global.h"
#include "core/messages.h"
#include "protocol/frame_io.h"
#include "protocol/frame_layout.h"

#include <algorithm>
#include <cctype>
#include <cstring>

using namespace FrameIO;

namespace {

constexpr uint32_t Model = ModelB;

using FrameLayouts::Id;
// The frame of `id` from the model's layout table.
QByteArray frameOf(Id id, const QByteArrayList &values = {}) {
    return FrameLayouts::layout(Model, id).build(values);
}
QByteArray one(char c) {
    return QByteArray(1, c);
}

// Frames and fields gained from this firmware version on.
constexpr double NewerFirmware = 1.01;

// The configuration block as the printer sends it (answer to ESC 0xEA); the tool keeps its
// first 1425 bytes.
constexpr int OperatorAt = 6;      // 26 bytes: "Lj:", store, "  Opr:", operator
constexpr int TotalizersAt = 32;   // 16 x (sign byte, 21-byte name)
constexpr int ReportNamesAt = 384; // 16 x 21-byte management report name
constexpr int PaymentsAt = 720;    // 32 x (flag byte, 21-byte name)
constexpr int ConfigurationLength = PaymentsAt + 32 * 22; // 1424: the end of the last part
constexpr int ConfigurationKept = 1425;

// Answer positions: data from byte 6.
constexpr int TaxRatesAt = 6;  // 16 x (type byte, 4 digits)
constexpr int OptionsAt = 6;   // P(i) at byte i + 6
constexpr int ClockAt = 6;     // ddmmyyhhmmss
constexpr int ClicheEcfAt = 6; // ECF number, then the text
constexpr int IdleDigit = 5;   // status digit tested while the printer prints
constexpr int FiscalMemoryHeader = 14;

// Status digit 5 while printing: bits 0 and 1 both set = idle.
bool idleStatus(uint8_t value) {
    return (value & 0x03) == 0x03;
}

} // namespace

Cmd4700::Cmd4700(Link &l) : link(l) {
}

// ---- Programming and read-back ----

bool Cmd4700::ProgramTaxRate(const TaxRateRecord &rate) {
    if (rate.rate[0] == '/') // unused entry: nothing to program
        return true;
    const QByteArray frame =
        frameOf(Id::ProgramTaxRate, {one(rate.iss == 1 ? 'S' : 'N'), field(rate.rate, 4)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd4700::ReadTaxRates(TaxRateRecord rates[16]) {
    // The printer's answer is checked like any other: a silent or refusing printer leaves the
    // table as it was instead of filling it with the time-out fill or the error text.
    const QByteArray answer = transact(link, frameOf(Id::ReadTaxRates), WaitNormal);
    if (!checkAnswer(Model, answer, TaxRatesAt + 16 * 5))
        return false;
    for (int i = 0; i < 16; ++i) {
        const char *entry = answer.constData() + TaxRatesAt + i * 5;
        // The printer marks ISS rates with a lower-case type letter.
        rates[i].iss = std::islower(uint8_t(entry[0])) ? 1 : 0;
        std::memcpy(rates[i].rate, entry + 1, 4);
    }
    return true;
}

bool Cmd4700::ProgramPaymentMethod(const PaymentMethodRecord &method) {
    const int index = indexValue(method.index);
    if (index == 0)
        return false;
    if (allSpaces(method.name, 21))
        return true;
    // Linked methods are numbered 51 to 66, the others 01 to 16.
    const int number = method.linked == 1 ? index + 50 : index;
    const QByteArray frame =
        frameOf(Id::ProgramPaymentMethod, {QByteArray::number(number).rightJustified(2, '0'),
                                           printerText(Model, method.name, 21)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd4700::ReadPaymentMethods(PaymentMethodTable &table) {
    if (!ReadConfiguration())
        return false;
    const QByteArray &block = configurationBlock().bytes;
    std::memset(&table, ' ', sizeof table);
    for (int i = 0; i < 32; ++i) {
        const int at = PaymentsAt + i * 22;
        table.entries[i].flag = block[at] == 'V' ? 1 : 0;
        readName(Model, block, at + 1, 21, table.entries[i].name);
    }
    return true;
}

bool Cmd4700::ProgramReportName(const uint8_t name[21]) {
    // The printer adds the name as its next management report; the frame has no index.
    if (allSpaces(name, 21))
        return true;
    const QByteArray frame = frameOf(Id::ProgramReportName, {printerText(Model, name, 21)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd4700::ReadReportNames(NameTable &names) {
    if (!ReadConfiguration())
        return false;
    const QByteArray &block = configurationBlock().bytes;
    for (int i = 0; i < 16; ++i)
        readName(Model, block, ReportNamesAt + i * 21, 21, names.names[i]);
    return true;
}

bool Cmd4700::ProgramNonFiscalTotalizer(const TotalizerRecord &totalizer) {
    if (allSpaces(totalizer.name, 21))
        return true;
    const QByteArray frame =
        frameOf(Id::ProgramNonFiscalTotalizer,
                {one(totalizer.sign == 1 ? '-' : '+'), printerText(Model, totalizer.name, 21)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd4700::ReadNonFiscalTotalizers(TotalizerTable &table) {
    if (!ReadConfiguration())
        return false;
    const QByteArray &block = configurationBlock().bytes;
    for (int i = 0; i < 16; ++i) {
        const int at = TotalizersAt + i * 22;
        table.entries[i].flag = block[at] == '+' ? 0 : 1;
        readName(Model, block, at + 1, 21, table.entries[i].name);
    }
    return true;
}

bool Cmd4700::ProgramOptions(const OptionsBlock &options) {
    // Twenty parameter characters P0-P19; P3 and P6 always 'X' (unchanged). From firmware
    // 1.01 on P18 and P19 carry the bold check and the suppressed error messages. The block's
    // bytes go as they are, a zero byte included.
    const uint8_t *o = options.bytes;
    QByteArray p(20, '0');
    const auto set = [&p](int at, uint8_t value) { p[at] = char(value); };
    set(0, o[OptionsBlock::AutoReadingX]);
    set(1, o[OptionsBlock::AutoReductionZ]);
    set(2, o[OptionsBlock::DaylightSaving]);
    set(3, 'X');
    set(4, o[OptionsBlock::IssDiscount]);
    set(5, o[OptionsBlock::CouponLegend]);
    set(6, 'X');
    set(7, o[OptionsBlock::LineHeight]);
    set(8, o[OptionsBlock::LineHeight + 1]);
    set(9, o[OptionsBlock::CouponSpacing]);
    set(10, o[OptionsBlock::CouponSpacing + 1]);
    set(11, o[OptionsBlock::ReductionZMinHour]);
    set(12, o[OptionsBlock::ReductionZMinHour + 1]);
    if (firmwareAtLeast(NewerFirmware)) {
        set(18, o[OptionsBlock::BoldCheck]);
        set(19, o[OptionsBlock::SuppressErrors]);
    }
    return checkAnswer(Model, transact(link, frameOf(Id::ProgramOptions, {p}), WaitNormal), 0);
}

bool Cmd4700::ReadOptions(OptionsBlock &options) {
    // Checked like any answer: a silent or refusing printer leaves the block as it was.
    const QByteArray answer = transact(link, frameOf(Id::ReadOptions), WaitNormal);
    if (!checkAnswer(Model, answer, OptionsAt + 13))
        return false;
    uint8_t *o = options.bytes;
    for (int offset : {0, 1, 2, 4, 5, 7, 8, 9, 10, 11, 12})
        o[offset] = uint8_t(answer[OptionsAt + offset]); // P(i) fills offset i
    return true;
}

bool Cmd4700::SetDaylightSavingTime(int flag) {
    // Every other option goes as 'X' (unchanged); the result is the printer's answer, so that
    // a refused change is not reported as done.
    OptionsBlock options;
    std::memset(options.bytes, 'X', sizeof options.bytes);
    options.bytes[OptionsBlock::DaylightSaving] = uint8_t('0' + (flag & 1));
    return ProgramOptions(options);
}

bool Cmd4700::IsDaylightSavingTime() {
    OptionsBlock options{};
    if (!ReadOptions(options))
        return false;
    return (options.bytes[OptionsBlock::DaylightSaving] & 1) != 0;
}

bool Cmd4700::ProgramOperator(const OperatorRecord &op) {
    // The printer takes an operator only with a name in its first ten characters.
    if (allSpaces(op.name, 10))
        return true;
    const QByteArray frame = frameOf(
        Id::ProgramOperator, {printerText(Model, op.store, 4), printerText(Model, op.name, 13)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd4700::ReadOperator(OperatorRecord &op) {
    if (!ReadConfiguration())
        return false;
    const QByteArray field = pcText(Model, configurationBlock().bytes.constData() + OperatorAt, 26);
    QByteArray store;
    QByteArray name;
    if (!valueAfterLabel(field, "Lj:", 4, store) || !valueAfterLabel(field, "Opr:", 13, name))
        return false;
    std::memset(op.store, 0, sizeof op.store);
    std::memcpy(op.store, store.constData(), size_t(store.size()));
    std::memset(op.name, 0, sizeof op.name);
    std::memcpy(op.name, name.constData(), size_t(name.size()));
    return true;
}

bool Cmd4700::ReadConfiguration() {
    return readConfiguration(link, Model, ConfigurationLength, ConfigurationKept);
}

// ---- Fiscal documents ----
//
// The item sale, its adjustment, the payment, the closing and the non-fiscal voucher are
// built in a cleared area and sent up to its first zero byte. Texts go as typed. Each variable
// text is cut where its frame would otherwise outgrow its cleared area or TxBuffer:
//  - item description (long form): the record's 210 bytes, far below the 246 that the
//    cleared 300 would leave after the 52 fixed bytes, the 0xFF and a zero byte;
//  - payment text: 42 bytes (cleared 60 - 16 fixed bytes - the 0xFF - a zero byte);
//  - closing text: 445 bytes with its final CR LF (cleared 450 - ESC 0xD1 'X' - the 0xFF - a
//    zero byte);
//  - report line: 48 characters, the printer's line; authentication text: TxBuffer less its
//    3 other bytes.

namespace {

constexpr int ItemArea = 300;
constexpr int LongItemFixed = 52;
constexpr int DescriptionRoom =
    std::min<int>(sizeof ItemRecord::description, textRoom(ItemArea, LongItemFixed));
constexpr int PaymentArea = 60;
constexpr int PaymentTextRoom = textRoom(PaymentArea, 16);
constexpr int ClosingArea = 450;
constexpr int ClosingTextRoom = textRoom(ClosingArea, 3); // the CR LF included
constexpr int VoucherArea = 60;
constexpr int ReportLineWidth = 48;
constexpr int FreeTextRoom = Link::TxBufferSize - 3;

// Answer positions.
constexpr int CooAt = 6;    // six digits
constexpr int AmountAt = 6; // twelve digits: the subtotal or the balance

// The nine adjustment characters of an item sale or item adjustment: a percentage goes last.
QByteArray itemAdjustment(const ItemRecord &item) {
    if (!hasAdjustment(item.adjustmentType))
        return QByteArray(9, '0');
    if (isPercentage(item.adjustmentMode))
        return "00000" + field(item.adjustment, 4);
    return field(item.adjustment, 9);
}

// The twelve digits of a totalization or voucher adjustment: a percentage goes last, after
// eight zeros.
QByteArray adjustment12(uint8_t type, uint8_t mode, const uint8_t *digits, int amountDigits) {
    if (!hasAdjustment(type))
        return QByteArray(12, '0');
    if (isPercentage(mode))
        return QByteArray(8, '0') + field(digits, 4);
    return QByteArray(12 - amountDigits, '0') + field(digits, amountDigits);
}

QByteArray reportLineFrame(const QByteArray &line) {
    return frameOf(Id::ReportLine,
                   {line.left(ReportLineWidth).leftJustified(ReportLineWidth, ' ')});
}

} // namespace

bool Cmd4700::OpenCoupon(char coo[6]) {
    return readAnswerField(Model, transact(link, frameOf(Id::OpenCoupon), WaitNormal), CooAt, 6,
                           coo);
}

bool Cmd4700::SellItem(const ItemRecord &item) {
    const char type = adjustmentDigit(item.adjustmentType, item.adjustmentMode);
    QByteArray frame;
    if (item.form == 1) {
        const QByteArray quantity =
            item.quantityFormat != 'I' ? field(item.quantity, 2) + ',' + field(item.quantity + 2, 2)
                                       : field(item.quantity, 5);
        frame = frameOf(Id::SellItemShort,
                        {field(item.taxCode, 2), paddedText(item.code, sizeof item.code, 6, 6),
                         one(type), itemAdjustment(item), field(item.price, 9), quantity,
                         paddedText(item.description, sizeof item.description, 13, 13)});
    } else {
        frame = frameOf(Id::SellItemLong,
                        {field(item.taxCode, 2), paddedText(item.code, sizeof item.code, 18, 18),
                         one(type), itemAdjustment(item), field(item.price, 10),
                         field(item.quantity, 8), field(item.unit, 2),
                         fieldText(item.description, sizeof item.description, DescriptionRoom)});
    }
    return checkAnswer(Model, transactCleared(link, frame, ItemArea, WaitNormal), 0);
}

bool Cmd4700::AdjustItem(const ItemRecord &item) {
    const QByteArray frame =
        frameOf(Id::AdjustItem, {field(item.itemNumber, 3),
                                 one(adjustmentDigit(item.adjustmentType, item.adjustmentMode)),
                                 itemAdjustment(item)});
    return checkAnswer(Model, transactCleared(link, frame, ItemArea, WaitNormal), 0);
}

bool Cmd4700::CancelItem(const char itemNumber[3]) {
    const QByteArray frame = frameOf(Id::CancelItem, {field(itemNumber, 3)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd4700::CancelCoupon() {
    return checkAnswer(Model, transact(link, frameOf(Id::CancelCoupon), WaitNormal), 0);
}

bool Cmd4700::CancelVoucher(const char coo[6]) {
    const QByteArray frame = frameOf(Id::CancelVoucher, {field(coo, 6)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd4700::Totalize(TotalRecord &total) {
    const QByteArray frame = frameOf(
        Id::Totalize, {one(adjustmentDigit(total.adjustmentType, total.adjustmentMode)),
                       adjustment12(total.adjustmentType, total.adjustmentMode, total.amount, 12)});
    return readAnswerField(Model, transact(link, frame, WaitNormal), AmountAt, 12, total.amount);
}

bool Cmd4700::RegisterPayment(PaymentRecord &payment) {
    const QByteArray frame = frameOf(
        Id::RegisterPayment, {field(payment.method, 2), field(payment.amount, 12),
                              fieldText(payment.text, sizeof payment.text, PaymentTextRoom)});
    return readAnswerField(Model, transactCleared(link, frame, PaymentArea, WaitNormal), AmountAt,
                           12, payment.amount);
}

bool Cmd4700::ReversePayment(const ReversalRecord &reversal) {
    const QByteArray frame =
        frameOf(Id::ReversePayment, {field(reversal.from, 2), field(reversal.to, 2),
                                     field(reversal.coo, 6), field(reversal.amount, 12)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd4700::CloseCoupon(const char *text) {
    // The printer wants the message to end with a line break; an empty one goes without.
    QByteArray message = text ? fieldText(text, ClosingTextRoom, ClosingTextRoom) : QByteArray();
    if (!message.isEmpty() && !message.endsWith("\r\n")) {
        message.truncate(ClosingTextRoom - 2);
        message += "\r\n";
    }
    const QByteArray frame = frameOf(Id::CloseCoupon, {message});
    return checkAnswer(Model, transactCleared(link, frame, ClosingArea, WaitNormal), 0);
}

bool Cmd4700::IssueNonFiscalVoucher(const VoucherRecord &voucher, char coo[6]) {
    const QByteArray frame = frameOf(
        Id::IssueNonFiscalVoucher,
        {field(voucher.totalizer, 2),
         one(adjustmentDigit(voucher.adjustmentType, voucher.adjustmentMode)),
         adjustment12(voucher.adjustmentType, voucher.adjustmentMode, voucher.adjustment, 8),
         field(voucher.amount, 8)});
    return readAnswerField(Model, transactCleared(link, frame, VoucherArea, WaitNormal), CooAt, 6,
                           coo);
}

bool Cmd4700::OpenVoucher(const LinkedVoucherRecord &voucher, char coo[6]) {
    const QByteArray frame =
        frameOf(Id::OpenVoucher,
                {field(voucher.method, 2), field(voucher.coo, 6), field(voucher.amount, 12)});
    return readAnswerField(Model, transact(link, frame, WaitNormal), CooAt, 6, coo);
}

bool Cmd4700::ReprintVoucher() {
    return checkAnswer(Model, transact(link, frameOf(Id::ReprintVoucher), WaitNormal), 0);
}

bool Cmd4700::OpenManagementReport(const char report[2], char coo[6]) {
    if (report == nullptr)
        return false;
    const QByteArray frame = frameOf(Id::OpenManagementReport, {field(report, 2)});
    return readAnswerField(Model, transact(link, frame, WaitNormal), CooAt, 6, coo);
}

bool Cmd4700::PrintReportLines(const char *text) {
    return text == nullptr || printReportLines(link, Model, text, reportLineFrame);
}

bool Cmd4700::CloseReport() {
    return checkAnswer(Model, transact(link, frameOf(Id::CloseReport), WaitNormal), 0);
}

bool Cmd4700::Authenticate(const char *text, int length, int mode) {
    const int count = text ? std::clamp(length, 0, FreeTextRoom) : 0;
    const QByteArray frame = frameOf(mode == 1 ? Id::AuthenticateAlternate : Id::Authenticate,
                                     {QByteArray(text, count)});
    return authenticate(link, Model, frame, authenticationAborted, NewerFirmware);
}

bool Cmd4700::AbortAuthentication() {
    authenticationAborted = true;
    return true;
}

// ---- Maintenance, status, reports and the fiscal memory ----

bool Cmd4700::ReadCliche(ClicheRecord &cliche) {
    // A silent printer is reported by the caller; an error answer is shown, not taken for a
    // header.
    const QByteArray answer = transact(link, frameOf(Id::ReadCliche), WaitNormal);
    if (answer.isEmpty())
        return false;
    return parseCliche(Model, answer, ClicheEcfAt, cliche);
}

bool Cmd4700::TechnicalIntervention(bool clearProgramming, bool withHeader, ClicheRecord &cliche) {
    return technicalIntervention(link, Model, clearProgramming, withHeader, cliche);
}

bool Cmd4700::RecordUser(const UserRecordBlock &user) {
    if (!requireMaintenanceMode(link, Model))
        return false;
    // First an intervention that clears the programming and sets a one-line header with the
    // maker's name; model B takes the PC's wall-clock time here...
    const QByteArray intervention = interventionFrame(Model, false, true, "0001KORVEL S.A.\r\n");
    if (!checkAnswer(Model, maintenanceExchange(link, intervention, true), 0))
        return false;

    // ...and the date of the user record as the printer keeps it (daylight saving taken off).
    const QByteArray im = allSpaces(user.im, 20) ? QByteArray(23, ' ') : "IM:" + field(user.im, 20);
    const QByteArray authorization =
        firmwareAtLeast(NewerFirmware) ? field(user.authorization, 8) : QByteArray();
    const QByteArray frame = frameOf(Id::RecordUser, {dateText(true), field(user.cnpj, 20),
                                                      field(user.ie, 20), im, authorization});
    if (!checkAnswer(Model, transact(link, frame, WaitNormal), 0))
        return false;
    showMessage(QStringLiteral("Usuário gravado!"), QStringLiteral("Informação"),
                MessageButtons::Ok, MessageStyle::Information);
    return true;
}

bool Cmd4700::StartFirmwareUpdate() {
    if (!requireMaintenanceMode(link, Model))
        return false;
    const QByteArray frame = frameOf(Id::StartFirmwareUpdate, {"XXXXXXXX"});
    return checkAnswer(Model, maintenanceExchange(link, frame, false), 0);
}

bool Cmd4700::IsInMaintenanceMode() {
    return isInMaintenanceMode(link, Model);
}

bool Cmd4700::ReadClock(ClockRecord &clock) {
    // Silence is left to the caller, which reports a clock it could not read. An error answer
    // is shown rather than read as digits, and an answer that ends before its twelve digits is
    // not read at all.
    const QByteArray answer = transact(link, frameOf(Id::ReadClock), WaitShort);
    if (!checkDataAnswer(Model, answer, ClockAt + 12))
        return false;
    const auto pair = [&answer](int i) {
        return uint16_t((answer[ClockAt + 2 * i] - '0') * 10 + (answer[ClockAt + 2 * i + 1] - '0'));
    };
    clock.day = pair(0);
    clock.month = pair(1);
    clock.year = uint16_t(2000 + pair(2));
    clock.hour = pair(3);
    clock.minute = pair(4);
    clock.second = pair(5);
    clock.zero = 0;
    return true;
}

bool Cmd4700::ReadStatus(StatusRecord &status) {
    return readStatus(link, Model, WaitShort, status.bytes);
}

bool Cmd4700::WaitPrinterIdle() {
    return waitPrinterIdle(link, Model, IdleDigit, idleStatus);
}

bool Cmd4700::ReadingX() {
    // The printer's refusal (a day already closed, paper out...) is shown and reported.
    return checkAnswer(Model, transact(link, frameOf(Id::ReadingX), WaitNormal), 0);
}

bool Cmd4700::ReductionZ() {
    // Model B starts printing before it answers: the tool gives it 1500 ms first.
    const QByteArray frame = frameOf(Id::ReductionZ, {dateTimeText(false)});
    QByteArray answer;
    {
        Session session(link);
        if (session.send(frame)) {
            Clock::sleep(1500);
            answer = session.wait(WaitNormal);
        }
    }
    return checkAnswer(Model, answer, 0);
}

bool Cmd4700::ReadFiscalMemory(const char start[6], const char end[6], char destination,
                               const FiscalMemorySink &sink, ReadingEnd *how) {
    // Upper case asks for the summarised reading, lower case for the full one.
    static const FiscalMemoryFrame frame{Model, FiscalMemoryHeader, false,
                                         0,     IdleDigit,          idleStatus};
    return readFiscalMemory(link, frame, start, end, destination, sink, how);
}
