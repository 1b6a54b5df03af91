#include "fiscal_state.h"

#include <algorithm>

// Programming tables, options, clock, fiscal day and maintenance: the rules both printers
// follow. The fiscal memory and its reading are in fiscal_memory.cpp.

namespace emu::detail {

namespace {

QByteArray padded(const QByteArray &text, int width) {
    return text.left(width).leftJustified(width, ' ');
}

// The PC's local wall-clock time, as a time without a zone: the printer's clock knows no zones
// and no daylight-saving jumps of its own, so its arithmetic is done on plain wall time.
QDateTime pcWallClock() {
    const QDateTime now = QDateTime::currentDateTime();
    return QDateTime(now.date(), now.time(), Qt::UTC);
}

int yearOf(int twoDigits) {
    return twoDigits >= 95 ? 1900 + twoDigits : 2000 + twoDigits;
}

} // namespace

// ---- Field helpers ----

bool allDigits(const QByteArray &field) {
    return !field.isEmpty() &&
           std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int number(const QByteArray &digits) {
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

QByteArray digits(qint64 value, int width) {
    return QByteArray::number(value).rightJustified(width, '0').right(width);
}

Outcome parseDate(const QByteArray &field, QDate &out) {
    if (field.size() != 6 || !allDigits(field))
        return Refusal::NotNumeric;
    const QDate date(yearOf(number(field.mid(4, 2))), number(field.mid(2, 2)),
                     number(field.left(2)));
    if (!date.isValid())
        return Refusal::BadValue;
    out = date;
    return {};
}

Outcome parseDateTime(const QByteArray &field, QDateTime &out) {
    if (field.size() != 12 || !allDigits(field))
        return Refusal::NotNumeric;
    QDate date;
    if (const Outcome refused = parseDate(field.left(6), date))
        return refused;
    const QTime time(number(field.mid(6, 2)), number(field.mid(8, 2)), number(field.mid(10, 2)));
    if (!time.isValid())
        return Refusal::BadValue;
    out = QDateTime(date, time, Qt::UTC);
    return {};
}

QByteArray dateTimeDigits(const QDateTime &at) {
    return at.toString(QStringLiteral("ddMMyyHHmmss")).toLatin1();
}

Outcome checkName(const QByteArray &name) {
    if (std::all_of(name.begin(), name.end(), [](char c) { return c == ' '; }))
        return Refusal::Blank;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return Refusal::BadCharacter;
    }
    return {};
}

// ---- The state ----

PrinterState::PrinterState(Model m)
    : model(m), methodSlots(m == Model::A ? 16 : 32), methodNameWidth(m == Model::A ? 17 : 21),
      dstParameter(m == Model::A ? 5 : 2), minimumHourParameter(m == Model::A ? 21 : 11) {
    methods.resize(size_t(methodSlots));
    clearProgramming();
    seed();
}

// What a clearing intervention ("ZZZ R") leaves: no tax rates, totalizers, report names or
// header; the payment methods back to cash alone. Model A always names all 16 of its methods:
// the ones not programmed are "Pagamento Tipo " and their letter. The options, the operator,
// the ECF number and the fiscal memory are not programming and stay.
void PrinterState::clearProgramming() {
    taxRates = {};
    for (int i = 0; i < methodSlots; ++i) {
        PaymentMethod &m = methods[size_t(i)];
        m.linked = model == Model::B && i >= 16; // model B: 51-66 are the linked numbers
        if (i == 0)
            m.name = padded("Dinheiro", methodNameWidth);
        else if (model == Model::A)
            m.name = padded("Pagamento Tipo " + QByteArray(1, char('A' + i)), methodNameWidth);
        else
            m.name.clear();
    }
    linkedTotalizers = {};
    totalizers = {};
    reportNames = {};
    header.clear();
}

Outcome PrinterState::programTaxRate(bool iss, const QByteArray &rate, bool refuseLoaded,
                                     int &slot) {
    if (!allDigits(rate))
        return Refusal::NotNumeric;
    if (number(rate) == 0)
        return Refusal::ZeroValue;
    if (fiscalDay)
        return Refusal::DayOpen;
    if (refuseLoaded && std::any_of(taxRates.begin(), taxRates.end(), [&](const TaxRate &t) {
            return t.iss == iss && t.rate == rate;
        }))
        return Refusal::RateLoaded;
    const auto free = std::find_if(taxRates.begin(), taxRates.end(),
                                   [](const TaxRate &t) { return t.rate.isEmpty(); });
    if (free == taxRates.end())
        return Refusal::TableFull;
    *free = {iss, rate};
    slot = int(free - taxRates.begin());
    return {};
}

// Method 1 is cash; it may be renamed but never linked. `refuseRename`: a method that has a
// name keeps it (model B); otherwise a new name replaces the old one (model A).
Outcome PrinterState::programPaymentMethod(int slot, bool linked, const QByteArray &name,
                                           bool refuseRename) {
    if (const Outcome refused = checkName(name))
        return refused;
    if (slot < 0 || slot >= methodSlots || (slot == 0 && linked))
        return Refusal::BadPaymentMethod;
    if (fiscalDay)
        return Refusal::DayOpen;
    PaymentMethod &method = methods[size_t(slot)];
    if (refuseRename && !method.name.isEmpty() && method.name != name)
        return Refusal::MethodDefined;
    method.name = name;
    if (model == Model::A)
        method.linked = linked;
    return {};
}

// Model A keeps a linked non-fiscal totalizer (the voucher that follows a linked payment) per
// name: asking again for a name it has is answered with that totalizer's slot, so that a whole
// configuration may be sent again.
Outcome PrinterState::programLinkedTotalizer(const QByteArray &name, int &slot) {
    if (const Outcome refused = checkName(name))
        return refused;
    if (fiscalDay)
        return Refusal::DayOpen;
    const auto known = std::find(linkedTotalizers.begin(), linkedTotalizers.end(), name);
    const auto free = std::find(linkedTotalizers.begin(), linkedTotalizers.end(), QByteArray());
    const auto it = known != linkedTotalizers.end() ? known : free;
    if (it == linkedTotalizers.end())
        return Refusal::TableFull;
    *it = name;
    slot = int(it - linkedTotalizers.begin());
    return {};
}

// Non-fiscal totalizers and report names go into the next free slot; the printer does not
// compare names (two entries may share one: they differ by number).
Outcome PrinterState::programNonFiscalTotalizer(bool outflow, const QByteArray &name, int &slot) {
    if (const Outcome refused = checkName(name))
        return refused;
    if (fiscalDay)
        return Refusal::DayOpen;
    const auto free = std::find_if(totalizers.begin(), totalizers.end(),
                                   [](const NonFiscalTotalizer &t) { return t.name.isEmpty(); });
    if (free == totalizers.end())
        return Refusal::TableFull;
    *free = {name, outflow};
    slot = int(free - totalizers.begin());
    return {};
}

Outcome PrinterState::programReportName(const QByteArray &name, int &slot) {
    if (const Outcome refused = checkName(name))
        return refused;
    if (fiscalDay)
        return Refusal::DayOpen;
    const auto free = std::find(reportNames.begin(), reportNames.end(), QByteArray());
    if (free == reportNames.end())
        return Refusal::TableFull;
    *free = name;
    slot = int(free - reportNames.begin());
    return {};
}

// The whole frame is checked before anything changes: a refused frame leaves every option as
// it was. Parameters that the layout does not name are single fixed characters. The options
// may change at any time, also during a fiscal day.
Outcome PrinterState::programOptions(const QByteArray &parameters,
                                     const std::vector<OptionField> &layout) {
    std::vector<OptionField> fields = layout;
    for (int i = 0; i < parameters.size(); ++i) {
        const bool named = std::any_of(layout.begin(), layout.end(), [&](const OptionField &f) {
            return i >= f.first && i < f.first + f.width;
        });
        if (!named)
            fields.push_back({i, 1, OptionField::Fixed});
    }
    const auto unchanged = [](const QByteArray &chunk) {
        return std::all_of(chunk.begin(), chunk.end(), [](char c) { return c == 'X'; });
    };
    for (const OptionField &f : fields) {
        const QByteArray chunk = parameters.mid(f.first, f.width);
        if (unchanged(chunk) || f.kind == OptionField::Flag)
            continue;
        if (!allDigits(chunk))
            return f.kind == OptionField::Fixed ? Refusal::BadCharacter : Refusal::NotNumeric;
        if (f.kind == OptionField::Hour && number(chunk) > 23)
            return Refusal::BadValue;
    }
    for (const OptionField &f : fields) {
        const QByteArray chunk = parameters.mid(f.first, f.width);
        if (unchanged(chunk))
            continue;
        if (f.kind == OptionField::Flag)
            options[f.first] = (chunk[0] & 1) ? '1' : '0';
        else
            options.replace(f.first, f.width, chunk);
    }
    return {};
}

// ---- Clock ----

QDateTime PrinterState::clock() const {
    return pcWallClock().addSecs(clockOffset + (daylightSaving() ? 3600 : 0));
}

void PrinterState::setStandardClock(const QDateTime &at) {
    clockOffset = pcWallClock().secsTo(at);
}

bool PrinterState::daylightSaving() const {
    return options.size() > dstParameter && options[dstParameter] == '1';
}

void PrinterState::setDaylightSaving(bool on) {
    if (options.size() > dstParameter)
        options[dstParameter] = on ? '1' : '0';
}

int PrinterState::minimumReductionHour() const {
    const QByteArray hour = options.mid(minimumHourParameter, 2);
    return allDigits(hour) ? number(hour) : 0;
}

// ---- Fiscal day ----

bool PrinterState::reductionPending() const {
    return fiscalDay && *fiscalDay < today();
}

bool PrinterState::reductionToday() const {
    return !reductions.empty() && reductions.back().issuedAt.date() == today();
}

bool PrinterState::initialReadingXIssued() const {
    return fiscalDay && *fiscalDay == today();
}

// ---- Maintenance ----

// Frame: 2-13 date-time, 14-18 "ZZZ R" (clear the programming) or "XXX R" (keep it), then
// either 0xFF alone (20 bytes) or the ECF number (4 digits), the header text and 0xFF.
// The intervention sets the clock to the time it carries, taken as standard time, and switches
// daylight-saving time off: the technician programs it again when it is in force. Each
// intervention is a restart of operation (CRO). Clearing the programming is refused while a
// fiscal day has movement; an intervention may not put the clock before the last reduction.
Outcome PrinterState::intervention(const QByteArray &frame, Identity &identity) {
    QDateTime at;
    if (const Outcome refused = parseDateTime(frame.mid(2, 12), at))
        return refused;
    const QByteArray mode = frame.mid(14, 5);
    if (mode != "ZZZ R" && mode != "XXX R")
        return Refusal::Syntax;
    const bool clear = mode == "ZZZ R";
    const bool withHeader = frame.size() > 20;
    if (withHeader && frame.size() < 24)
        return Refusal::Syntax;
    const QByteArray ecf = frame.mid(19, 4);
    if (withHeader && !allDigits(ecf))
        return Refusal::NotNumeric;
    const QByteArray text = withHeader ? frame.mid(23, frame.size() - 24) : QByteArray();
    if (text.size() > 1200)
        return Refusal::TableFull;
    if (clear && fiscalDay)
        return Refusal::DayOpen;
    if (!reductions.empty() && at < reductions.back().issuedAt)
        return Refusal::DateBeforeMemory;

    if (clear)
        clearProgramming();
    setDaylightSaving(false);
    setStandardClock(at);
    ++cro;
    if (withHeader) {
        identity.ecfNumber = ecf;
        header = text;
    }
    return {};
}

// A user is recorded in the fiscal memory only between fiscal days, and only when it differs
// from the one recorded last.
Outcome PrinterState::recordUser(const UserRecord &user) {
    if (fiscalDay)
        return Refusal::DayOpen;
    if (!users.empty()) {
        const UserRecord &last = users.back();
        if (last.cnpj == user.cnpj && last.ie == user.ie && last.im == user.im)
            return Refusal::NothingToUpdate;
    }
    users.push_back(user);
    return {};
}

// ---- Reports ----

// With the Redução Z of an earlier day still due the printer is out of fiscal work and prints
// no Leitura X either. After today's Redução Z a Leitura X prints but opens no fiscal day:
// the printer stays closed until midnight. Neither report interrupts an open document: the
// operator ends it first.
Outcome PrinterState::readingX(bool paperOut) {
    if (paperOut)
        return Refusal::PaperEnd;
    if (reductionPending())
        return Refusal::ReductionPending;
    if (documents.openKind() != DocumentKind::None)
        return Refusal::DocumentOpen;
    ++coo;
    if (!fiscalDay && !reductionToday())
        fiscalDay = today();
    paper.readingX(documents.day);
    startPrinting();
    return {};
}

Outcome PrinterState::canReduce(bool paperOut) const {
    if (paperOut)
        return Refusal::PaperEnd;
    if (reductionToday())
        return Refusal::ReductionDone;
    if (documents.openKind() != DocumentKind::None)
        return Refusal::DocumentOpen;
    if (int(reductions.size()) >= FiscalMemoryCapacity)
        return Refusal::MemoryFull;
    if (!reductions.empty() && clock() < reductions.back().issuedAt)
        return Refusal::DateBeforeMemory;
    return {};
}

// The Redução Z closes the fiscal day (or, without movement, records an empty one for today)
// with the day's sales; the grand total carries on.
void PrinterState::reduce() {
    Reduction r;
    r.crz = int(reductions.size()) + 1;
    r.cro = cro;
    r.coo = ++coo;
    r.movementDate = fiscalDay.value_or(today());
    r.issuedAt = clock();
    r.issuedAt.setTime(QTime(r.issuedAt.time().hour(), r.issuedAt.time().minute(),
                             r.issuedAt.time().second())); // the memory keeps whole seconds
    r.grandTotal = grandTotal;
    r.rates = taxRates;
    documents.closeDay(r);
    reductions.push_back(r);
    paper.reductionZ(r);
    fiscalDay.reset();
    startPrinting();
}

// ---- The printing mechanism ----

int PrinterState::remainingPrintMs() const {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(busyUntil - Steady::now());
    return int(std::max<qint64>(0, left.count()));
}

// A report queued behind another one is printed after it.
void PrinterState::startPrinting() {
    busyUntil = std::max(Steady::now(), busyUntil) + std::chrono::milliseconds(printMs);
}

} // namespace emu::detail
