#include "protocol/cmd210.h"

#include "core/global.h"
#include "core/messages.h"
#include "protocol/frame_io.h"
#include "protocol/frame_layout.h"

#include <algorithm>
#include <cctype>
#include <cstring>

using namespace FrameIO;

namespace {

constexpr uint32_t Model = ModelA;

using FrameLayouts::Id;
// The frame of `id` from the model's layout table.
QByteArray frameOf(Id id, const QByteArrayList &values = {}) {
    return FrameLayouts::layout(Model, id).build(values);
}
QByteArray one(char c) {
    return QByteArray(1, c);
}

// Frames and fields gained from this firmware version on.
constexpr double NewerFirmware = 1.22;

// The configuration block as the printer sends it (answer to ESC 0xEE).
constexpr int OperatorAt = 1;    // 20 bytes: "Opr:" and the name
constexpr int TotalizersAt = 21; // 16 x (sign byte, 21-byte name)
constexpr int LinkedAt = 373;    // 16 x 21-byte linked totalizer name
constexpr int PaymentsAt = 709;  // 16 x (flag byte, 17-byte name)
constexpr int PaymentNameWidth = 17;
constexpr int ConfigurationLength = PaymentsAt + 16 * (1 + PaymentNameWidth); // 997

// Answer positions.
constexpr int TaxRatesAt = 2;  // 16 x (type byte, 4 digits)
constexpr int OptionsAt = 1;   // P(i) at byte i + 1
constexpr int ClockAt = 2;     // ddmmyyhhmmss
constexpr int ClicheEcfAt = 1; // ECF number, then the text
constexpr int IdleDigit = 4;   // status digit tested while the printer prints
constexpr int FiscalMemoryHeader = 9;

// Status digit 4 while printing: bit 0 set = still busy; then bit 1 set = idle.
bool idleStatus(uint8_t value) {
    return (value & 0x01) == 0 && (value & 0x02) != 0;
}

} // namespace

Cmd210::Cmd210(Link &l) : link(l) {
}

// ---- Programming and read-back ----

bool Cmd210::ProgramTaxRate(const TaxRateRecord &rate) {
    if (rate.rate[0] == '/') // unused entry: nothing to program
        return true;
    // ISS rates carry an 'S' before the digits; ICMS rates go without it.
    const QByteArray frame =
        frameOf(rate.iss == 1 ? Id::ProgramIssTaxRate : Id::ProgramTaxRate, {field(rate.rate, 4)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd210::ReadTaxRates(TaxRateRecord rates[16]) {
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

bool Cmd210::ProgramPaymentMethod(const PaymentMethodRecord &method) {
    const int index = indexValue(method.index);
    if (index == 0)
        return false;
    if (allSpaces(method.name, PaymentNameWidth))
        return true;
    // The method is named by a letter: 'A' for 01 up to 'P' for 16.
    const QByteArray frame = frameOf(Id::ProgramPaymentMethod,
                                     {one(method.linked == 1 ? 'V' : 'X'), one(char(0x40 + index)),
                                      printerText(Model, method.name, PaymentNameWidth)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd210::ProgramLinkedTotalizer(const PaymentMethodRecord &method) {
    // Model A keeps a linked non-fiscal voucher of the same name for every linked method.
    if (method.linked != 1)
        return true;
    if (allSpaces(method.name, PaymentNameWidth))
        return true;
    uint8_t field[21];
    std::memset(field, ' ', sizeof field);
    std::memcpy(field, method.name, PaymentNameWidth);
    const QByteArray frame =
        frameOf(Id::ProgramLinkedTotalizer, {printerText(Model, field, sizeof field)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd210::ReadPaymentMethods(PaymentMethodTable &table) {
    if (!ReadConfiguration())
        return false;
    const QByteArray &block = configurationBlock().bytes;
    std::memset(&table, ' ', sizeof table);
    for (int i = 0; i < 16; ++i) {
        const int at = PaymentsAt + i * (1 + PaymentNameWidth);
        table.entries[i].flag = block[at] == 'V' ? 1 : 0;
        readName(Model, block, at + 1, PaymentNameWidth, table.entries[i].name);
    }
    return true;
}

bool Cmd210::ReadLinkedTotalizers(NameTable &names) {
    if (!ReadConfiguration())
        return false;
    const QByteArray &block = configurationBlock().bytes;
    for (int i = 0; i < 16; ++i)
        readName(Model, block, LinkedAt + i * 21, 21, names.names[i]);
    return true;
}

bool Cmd210::ProgramNonFiscalTotalizer(const TotalizerRecord &totalizer) {
    if (allSpaces(totalizer.name, 21))
        return true;
    const QByteArray frame =
        frameOf(Id::ProgramNonFiscalTotalizer,
                {one(totalizer.sign == 1 ? '-' : '+'), printerText(Model, totalizer.name, 21)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd210::ReadNonFiscalTotalizers(TotalizerTable &table) {
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

bool Cmd210::ProgramOptions(const OptionsBlock &options) {
    // Forty parameter characters P0-P39. The ones the tool does not offer keep fixed values
    // (P8 '1', P14 'X' = unchanged, P19-P20 "08", P23-P25 "255"); the rest are '0'. The block's
    // bytes go as they are, a zero byte included.
    const uint8_t *o = options.bytes;
    QByteArray p(40, '0');
    const auto set = [&p](int at, uint8_t value) { p[at] = char(value); };
    set(1, o[OptionsBlock::AutoReductionZ]);
    set(3, o[OptionsBlock::AutoReadingX]);
    set(4, o[OptionsBlock::Rounding]);
    set(5, o[OptionsBlock::DaylightSaving]);
    set(7, o[OptionsBlock::PaperCutter]);
    set(8, '1');
    set(10, o[OptionsBlock::AdditionalCoupon]);
    set(11, o[OptionsBlock::CouponLegend]);
    set(14, 'X');
    set(15, o[OptionsBlock::LineHeight]);
    set(16, o[OptionsBlock::LineHeight + 1]);
    set(17, o[OptionsBlock::CouponSpacing]);
    set(18, o[OptionsBlock::CouponSpacing + 1]);
    set(19, '0');
    set(20, '8');
    set(21, o[OptionsBlock::ReductionZMinHour]);
    set(22, o[OptionsBlock::ReductionZMinHour + 1]);
    set(23, '2');
    set(24, '5');
    set(25, '5');
    set(31, o[OptionsBlock::IssDiscount]);
    if (firmwareAtLeast(NewerFirmware))
        set(33, o[OptionsBlock::SuppressErrors]);
    return checkAnswer(Model, transact(link, frameOf(Id::ProgramOptions, {p}), WaitNormal), 0);
}

bool Cmd210::ReadOptions(OptionsBlock &options) {
    // Checked like any answer: a silent or refusing printer leaves the block as it was.
    const QByteArray answer = transact(link, frameOf(Id::ReadOptions), WaitNormal);
    if (!checkAnswer(Model, answer, OptionsAt + 32))
        return false;
    const auto p = [&answer](int i) { return uint8_t(answer[OptionsAt + i]); };
    uint8_t *o = options.bytes;
    o[OptionsBlock::AutoReadingX] = p(3);
    o[OptionsBlock::AutoReductionZ] = p(1);
    o[OptionsBlock::DaylightSaving] = p(5);
    o[OptionsBlock::IssDiscount] = p(31);
    o[OptionsBlock::CouponLegend] = p(11);
    o[OptionsBlock::LineHeight] = p(15);
    o[OptionsBlock::LineHeight + 1] = p(16);
    o[OptionsBlock::CouponSpacing] = p(17);
    o[OptionsBlock::CouponSpacing + 1] = p(18);
    o[OptionsBlock::ReductionZMinHour] = p(21);
    o[OptionsBlock::ReductionZMinHour + 1] = p(22);
    o[OptionsBlock::AdditionalCoupon] = p(10);
    o[OptionsBlock::PaperCutter] = p(7);
    o[OptionsBlock::Rounding] = p(4);
    return true;
}

bool Cmd210::SetDaylightSavingTime(int flag) {
    // Every other option goes as 'X' (unchanged); the result is the printer's answer, so that
    // a refused change is not reported as done.
    OptionsBlock options;
    std::memset(options.bytes, 'X', sizeof options.bytes);
    options.bytes[OptionsBlock::DaylightSaving] = uint8_t('0' + (flag & 1));
    return ProgramOptions(options);
}

bool Cmd210::IsDaylightSavingTime() {
    OptionsBlock options{};
    if (!ReadOptions(options))
        return false;
    return (options.bytes[OptionsBlock::DaylightSaving] & 1) != 0;
}

bool Cmd210::ProgramOperator(const OperatorRecord &op) {
    if (allSpaces(op.name, 16))
        return true;
    const QByteArray frame = frameOf(Id::ProgramOperator, {printerText(Model, op.name, 16)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd210::ReadOperator(OperatorRecord &op) {
    if (!ReadConfiguration())
        return false;
    const QByteArray field = pcText(Model, configurationBlock().bytes.constData() + OperatorAt, 20);
    QByteArray name;
    if (!valueAfterLabel(field, "Opr:", 16, name))
        return false;
    std::memset(op.name, 0, sizeof op.name);
    std::memcpy(op.name, name.constData(), size_t(name.size()));
    return true;
}

bool Cmd210::ReadConfiguration() {
    // The whole answer is kept, once the printer has accepted the command and sent every part.
    return readConfiguration(link, Model, ConfigurationLength, -1);
}

// ---- Fiscal documents ----
//
// The item sale and the payment are built in a cleared area and sent up to its first zero
// byte; so is the non-fiscal voucher, which has no text of its own. Texts go as typed. Each
// variable text is cut where its frame would otherwise outgrow its cleared area or TxBuffer:
//  - item description (long form): the record's 210 bytes, far below the 256 that the
//    cleared 300 would leave after the 42 fixed bytes, the 0xFF and a zero byte;
//  - payment text: 43 bytes (cleared 60 - 15 fixed bytes - the 0xFF - a zero byte);
//  - closing text, report line and authentication text: TxBuffer less their 3 other bytes.

namespace {

constexpr int ItemArea = 300;
constexpr int LongItemFixed = 42;
constexpr int DescriptionRoom =
    std::min<int>(sizeof ItemRecord::description, textRoom(ItemArea, LongItemFixed));
constexpr int PaymentArea = 60;
constexpr int PaymentTextRoom = textRoom(PaymentArea, 15);
constexpr int VoucherArea = 60;
constexpr int FreeTextRoom = Link::TxBufferSize - 3;

// Answer positions.
constexpr int CooAt = 2;    // six digits
constexpr int AmountAt = 1; // twelve digits: the subtotal or the balance

// The twelve digits of a totalization or voucher adjustment: a percentage goes first, the
// eight zeros after it.
QByteArray adjustment12(uint8_t type, uint8_t mode, const uint8_t *digits, int amountDigits) {
    if (!hasAdjustment(type))
        return QByteArray(12, '0');
    if (isPercentage(mode))
        return field(digits, 4) + QByteArray(8, '0');
    return QByteArray(12 - amountDigits, '0') + field(digits, amountDigits);
}

QByteArray reportLineFrame(const QByteArray &line) {
    return frameOf(Id::ReportLine, {line.left(FreeTextRoom)});
}

} // namespace

bool Cmd210::OpenCoupon(char coo[6]) {
    return readAnswerField(Model, transact(link, frameOf(Id::OpenCoupon), WaitNormal), CooAt, 6,
                           coo);
}

bool Cmd210::SellItem(const ItemRecord &item) {
    // The item sale knows only surcharge ('1') or not ('0'), always by a percentage of four
    // digits.
    const bool adjusted = hasAdjustment(item.adjustmentType);
    const char type = item.adjustmentType == 'A' ? '1' : '0';
    const QByteArray value = adjusted ? field(item.adjustment, 4) : QByteArray("0000");
    QByteArray frame;
    if (item.form == 1) {
        const QByteArray quantity =
            item.quantityFormat == 'D' ? field(item.quantity, 2) + ',' + field(item.quantity + 2, 2)
                                       : field(item.quantity, 5);
        frame = frameOf(Id::SellItemShort,
                        {field(item.taxCode, 2), paddedText(item.code, sizeof item.code, 6, 6),
                         one(type), value, field(item.price, 9), quantity,
                         paddedText(item.description, sizeof item.description, 13, 14)});
    } else {
        frame = frameOf(Id::SellItemLong,
                        {field(item.taxCode, 2), paddedText(item.code, sizeof item.code, 13, 13),
                         one(type), value, field(item.price, 10), field(item.quantity, 8),
                         field(item.unit, 2),
                         fieldText(item.description, sizeof item.description, DescriptionRoom)});
    }
    return checkAnswer(Model, transactCleared(link, frame, ItemArea, WaitNormal), 0);
}

bool Cmd210::CancelItem(const char itemNumber[3]) {
    const QByteArray frame = frameOf(Id::CancelItem, {field(itemNumber, 3)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd210::CancelCoupon() {
    return checkAnswer(Model, transact(link, frameOf(Id::CancelCoupon), WaitNormal), 0);
}

bool Cmd210::Totalize(TotalRecord &total) {
    const QByteArray frame = frameOf(
        Id::Totalize, {one(adjustmentDigit(total.adjustmentType, total.adjustmentMode)),
                       adjustment12(total.adjustmentType, total.adjustmentMode, total.amount, 12)});
    return readAnswerField(Model, transact(link, frame, WaitNormal), AmountAt, 12, total.amount);
}

bool Cmd210::RegisterPayment(PaymentRecord &payment) {
    const QByteArray frame = frameOf(
        Id::RegisterPayment, {field(payment.method, 1), field(payment.amount, 12),
                              fieldText(payment.text, sizeof payment.text, PaymentTextRoom)});
    return readAnswerField(Model, transactCleared(link, frame, PaymentArea, WaitNormal), AmountAt,
                           12, payment.amount);
}

bool Cmd210::ReversePayment(const ReversalRecord &reversal) {
    const QByteArray frame =
        frameOf(Id::ReversePayment, {field(reversal.from, 1), field(reversal.to, 1),
                                     field(reversal.coo, 6), field(reversal.amount, 12)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd210::CloseCoupon(const char *text) {
    const QByteArray message = text ? fieldText(text, FreeTextRoom, FreeTextRoom) : QByteArray();
    const QByteArray frame = frameOf(Id::CloseCoupon, {message});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd210::IssueNonFiscalVoucher(const VoucherRecord &voucher, char coo[6]) {
    const QByteArray frame = frameOf(
        Id::IssueNonFiscalVoucher,
        {field(voucher.totalizer, 1),
         one(adjustmentDigit(voucher.adjustmentType, voucher.adjustmentMode)),
         adjustment12(voucher.adjustmentType, voucher.adjustmentMode, voucher.adjustment, 8),
         field(voucher.amount, 8)});
    return readAnswerField(Model, transactCleared(link, frame, VoucherArea, WaitNormal), CooAt, 6,
                           coo);
}

bool Cmd210::OpenVoucher(const LinkedVoucherRecord &voucher, char coo[6]) {
    const QByteArray frame =
        frameOf(Id::OpenVoucher, {one(char(voucher.linkedTotalizer)), field(voucher.method, 1),
                                  field(voucher.coo, 6), field(voucher.amount, 12)});
    return readAnswerField(Model, transact(link, frame, WaitNormal), CooAt, 6, coo);
}

bool Cmd210::OpenManagementReport(const char *, char coo[6]) {
    return readAnswerField(Model, transact(link, frameOf(Id::OpenManagementReport), WaitNormal),
                           CooAt, 6, coo);
}

bool Cmd210::PrintReportLines(const char *text) {
    return text == nullptr || printReportLines(link, Model, text, reportLineFrame);
}

bool Cmd210::CloseReport() {
    return checkAnswer(Model, transact(link, frameOf(Id::CloseReport), WaitNormal), 0);
}

bool Cmd210::Authenticate(const char *text, int length, int) {
    const int count = text ? std::clamp(length, 0, FreeTextRoom) : 0;
    const QByteArray frame = frameOf(Id::Authenticate, {QByteArray(text, count)});
    return authenticate(link, Model, frame, authenticationAborted, NewerFirmware);
}

bool Cmd210::AbortAuthentication() {
    authenticationAborted = true;
    return true;
}

// ---- Maintenance, status, reports and the fiscal memory ----

bool Cmd210::ReadCliche(ClicheRecord &cliche) {
    const QByteArray answer = transact(link, frameOf(Id::ReadCliche), WaitNormal);
    if (answer.isEmpty()) {
        showMessage(QStringLiteral("Erro de Comunicação"), QStringLiteral("Erro"),
                    MessageButtons::Ok, MessageStyle::Error);
        return false;
    }
    // An error answer is shown, not taken for a header.
    return parseCliche(Model, answer, ClicheEcfAt, cliche);
}

bool Cmd210::TechnicalIntervention(bool clearProgramming, bool withHeader, ClicheRecord &cliche) {
    return technicalIntervention(link, Model, clearProgramming, withHeader, cliche);
}

bool Cmd210::RecordUser(const UserRecordBlock &user) {
    if (!requireMaintenanceMode(link, Model))
        return false;
    // First an intervention that clears the programming and sets a one-line header with the
    // maker's name, with the PC's time as the printer keeps it (daylight saving taken off).
    const QByteArray intervention = interventionFrame(Model, true, true, "0001KORVEL S.A.\r\n");
    if (!checkAnswer(Model, maintenanceExchange(link, intervention, true), 0))
        return false;

    // Then the user itself, dated with the PC's calendar date.
    QByteArray im(48, ' ');
    if (!allSpaces(user.im, 20)) {
        im.replace(0, 3, "IM:");
        im.replace(3, 20, reinterpret_cast<const char *>(user.im), 20);
    }
    const QByteArray authorization =
        firmwareAtLeast(NewerFirmware) ? field(user.authorization, 8) : QByteArray();
    const QByteArray frame = frameOf(Id::RecordUser, {dateText(false), field(user.cnpj, 20),
                                                      field(user.ie, 20), im, authorization});
    if (!checkAnswer(Model, transact(link, frame, WaitNormal), 0))
        return false;
    showMessage(QStringLiteral("Usuário gravado!"), QStringLiteral("Informação"),
                MessageButtons::Ok, MessageStyle::Information);
    return true;
}

bool Cmd210::StartFirmwareUpdate() {
    if (!requireMaintenanceMode(link, Model))
        return false;
    // The printer checks its own serial number before it enters the update mode.
    const QByteArray serial =
        toolState().PrinterSerial.get().toLatin1().left(8).leftJustified(8, ' ');
    const QByteArray frame = frameOf(Id::StartFirmwareUpdate, {serial});
    return checkAnswer(Model, maintenanceExchange(link, frame, false), 0);
}

bool Cmd210::IsInMaintenanceMode() {
    return isInMaintenanceMode(link, Model);
}

bool Cmd210::ReadClock(ClockRecord &clock) {
    // Silence is left to the caller, which reports a clock it could not read. An error answer
    // is shown rather than read as digits, and an answer that ends before its twelve digits is
    // not read at all.
    const QByteArray answer = transact(link, frameOf(Id::ReadClock), WaitNormal);
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

bool Cmd210::ReadStatus(StatusRecord &status) {
    return readStatus(link, Model, WaitShort, status.bytes);
}

bool Cmd210::WaitPrinterIdle() {
    return waitPrinterIdle(link, Model, IdleDigit, idleStatus);
}

bool Cmd210::ReadingX() {
    // The printer's refusal (a day already closed, paper out...) is shown and reported.
    return checkAnswer(Model, transact(link, frameOf(Id::ReadingX), WaitNormal), 0);
}

bool Cmd210::ReductionZ() {
    const QByteArray frame = frameOf(Id::ReductionZ, {dateTimeText(false)});
    return checkAnswer(Model, transact(link, frame, WaitNormal), 0);
}

bool Cmd210::ReadFiscalMemory(const char start[6], const char end[6], char destination,
                              const FiscalMemorySink &sink, ReadingEnd *how) {
    // Model A has no summarised reading: it always gets the destination in upper case. Its
    // report text is plain CP850, without the model's own letter codes. It is given 100 ms
    // before a reading sent to the PC.
    static const FiscalMemoryFrame frame{Model, FiscalMemoryHeader, true,
                                         100,   IdleDigit,          idleStatus};
    return readFiscalMemory(link, frame, start, end, char(std::toupper(uint8_t(destination))), sink,
                            how);
}
