#pragma once

#include "documents.h"
#include "paper_roll.h"
#include "printer.h"

#include <chrono>
#include <vector>

// What both printers hold and do in the same way: the programming tables, the options, the
// clock, the fiscal day, the fiscal memory and the printing mechanism. The models parse their
// own frames, call these operations and lay out their own answers; where the two firmwares
// differ, the model says which rule applies.
//
// Everything here runs under the printer's lock.

namespace emu::detail {

// Why the printer refuses a frame. Each model answers a refusal with its own two-digit code
// (its `codeFor`).
enum class Refusal {
    NotInMaintenance, // a maintenance command without the jumper
    Syntax,           // the frame's structure: labels, flags, lengths
    NotNumeric,       // a character other than a digit in a numeric field
    BadValue,         // digits that make no date, hour or index
    BadCharacter,     // a control character in a text
    Blank,            // a text of spaces only
    ZeroValue,        // a numeric field of zeros where a value is needed
    TableFull,        // no free slot left
    RateLoaded,       // the tax rate is already in the table
    BadPaymentMethod, // no such payment method, or cash asked to be linked
    MethodDefined,    // the payment method already has another name
    DayOpen,          // the fiscal day has movement: the configuration cannot change
    ReductionDone,    // today's Redução Z has been issued
    ReductionPending, // the Redução Z of an earlier day is still due
    DateBeforeMemory, // a date before the last one in the fiscal memory
    DateNotToday,     // a date other than the printer's own
    BeforeMinimumHour,
    WrongCode,       // authorization code or firmware update password
    NothingToUpdate, // the user record is the one already recorded
    MemoryEmpty,     // no reduction in the period asked for
    MemoryFull,      // the fiscal memory has no room for another reduction
    PaperEnd,        // a report cannot be printed without paper
    DocumentOpen,    // a document is open: no report until it is ended
};
using Outcome = std::optional<Refusal>;

// The fiscal memory's size: room for this many reductions (five and a half years of days).
constexpr int FiscalMemoryCapacity = 2000;

// ---- Field helpers ----
bool allDigits(const QByteArray &field);
int number(const QByteArray &digits); // the value of a field of digits
QByteArray digits(qint64 value, int width);
// "ddmmyyhhmmss" and "ddmmyy". Two-digit years 95-99 are 1995-1999, 00-94 are 2000-2094.
Outcome parseDateTime(const QByteArray &field, QDateTime &out);
Outcome parseDate(const QByteArray &field, QDate &out);
QByteArray dateTimeDigits(const QDateTime &at); // ddmmyyhhmmss
// A name field: all spaces is Blank, a control character is BadCharacter.
Outcome checkName(const QByteArray &name);

// One parameter (or a run of parameters read as one number) of the options frame.
struct OptionField {
    enum Kind {
        Flag,   // '0'/'1'; the printer keeps bit 0 of the byte it is sent
        Number, // digits
        Hour,   // two digits, 00-23
        Fixed,  // a character of the frame's fixed part: a digit, kept as sent
    };
    int first = 0;
    int width = 1;
    Kind kind = Fixed;
};

class PrinterState {
public:
    explicit PrinterState(Model model);

    const Model model;
    const int methodSlots;     // model A 16, model B 32
    const int methodNameWidth; // model A 17, model B 21

    // ---- Programming ----
    std::array<TaxRate, 16> taxRates{};
    std::vector<PaymentMethod> methods;
    std::array<QByteArray, 16> linkedTotalizers{}; // model A
    std::array<NonFiscalTotalizer, 16> totalizers{};
    std::array<QByteArray, 16> reportNames{}; // model B
    QByteArray options;
    QByteArray operatorText;
    QByteArray header;
    std::vector<UserRecord> users; // in the fiscal memory, oldest first
    // Model B's check printer: the banks it can print checks of (bank_table.h). A printer
    // leaves the factory without any; the bank table load replaces them all, and a technical
    // intervention leaves them (they are no fiscal programming).
    QList<BankLayout> banks;
    const BankLayout *bank(int number) const; // nullptr: unknown bank, refused with "81"

    // The tables as a clearing intervention leaves them.
    void clearProgramming();

    // Tax rates go into the next free slot, T A to T P.
    Outcome programTaxRate(bool iss, const QByteArray &rate, bool refuseLoaded, int &slot);
    Outcome programPaymentMethod(int slot, bool linked, const QByteArray &name, bool refuseRename);
    Outcome programLinkedTotalizer(const QByteArray &name, int &slot);
    Outcome programNonFiscalTotalizer(bool outflow, const QByteArray &name, int &slot);
    Outcome programReportName(const QByteArray &name, int &slot);
    // P0.. as the frame carries them; 'X' (all of a field's characters) leaves a field as it is.
    Outcome programOptions(const QByteArray &parameters, const std::vector<OptionField> &layout);

    // ---- Clock ----
    // The printer keeps standard time; with the daylight-saving option on it shows (and
    // lives by) one hour more. Times are wall-clock times without a zone.
    QDateTime clock() const;
    QDate today() const { return clock().date(); }
    void setStandardClock(const QDateTime &at);
    qint64 clockOffset = 0; // seconds from the PC's clock to the printer's standard time
    int dstParameter;       // the option that holds daylight-saving time: A P5, B P2
    bool daylightSaving() const;
    void setDaylightSaving(bool on);
    int minimumReductionHour() const;
    int minimumHourParameter; // A P21-22, B P11-12

    // ---- Fiscal day ----
    // The day's movement begins with its first document after a Redução Z (for this printer,
    // the initial Leitura X) and ends with the next Redução Z.
    std::optional<QDate> fiscalDay;
    bool reductionPending() const;
    bool reductionToday() const;
    bool initialReadingXIssued() const; // the open fiscal day is today's

    // ---- Fiscal memory and counters ----
    std::vector<Reduction> reductions;
    int coo = 0; // the last document's number
    int cro = 1; // restarts of operation: the first, plus one per technical intervention
    qint64 grandTotal = 0;
    void addPastReductions(int count);
    // The reductions a reading asks for: both bounds dates "ddmmyy" or both counters
    // "00" + 4 digits. `period` receives the line that names the period.
    Outcome select(const QByteArray &start, const QByteArray &end,
                   std::vector<const Reduction *> &chosen, QByteArray &period) const;

    // ---- Maintenance ----
    // The technical intervention (ESC 0xC0), laid out alike on both models.
    Outcome intervention(const QByteArray &frame, Identity &identity);
    Outcome recordUser(const UserRecord &user);

    // ---- Reports ----
    // Leitura X: the first one after a Redução Z is the day's initial one and opens the
    // fiscal day.
    Outcome readingX(bool paperOut);
    // What both models check before a Redução Z; the model adds its own date checks.
    Outcome canReduce(bool paperOut) const;
    void reduce();
    // The reading's text: lines ended by CR LF, in plain ASCII.
    QByteArray readingText(const Identity &identity, const std::vector<const Reduction *> &chosen,
                           const QByteArray &period, bool full) const;

    // ---- The printing mechanism ----
    using Steady = std::chrono::steady_clock;
    int printMs = 4000;
    Steady::time_point busyUntil{};
    bool printing() const { return Steady::now() < busyUntil; }
    int remainingPrintMs() const;
    void startPrinting();

    // ---- Firmware update ----
    bool updateMode = false; // until switched off

    // ---- Documents ----
    // What the printer has printed and not yet handed on (paper_roll.h).
    PaperRoll paper{*this};
    // The coupon, vouchers and reports the printer issues, and the day's sales (documents.h).
    Documents documents{*this, model};

private:
    void seed();
    Reduction pastReduction(const QDate &day, int &documents) const;
};

} // namespace emu::detail
