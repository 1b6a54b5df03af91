#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QString>

#include <cstdint>

// The frames of both command sets described field by field: one table per model with one row
// per command, each a command prefix and its fields in order. The command sets build their
// frames from these rows and the protocol monitor decodes the frames on the line with them, so
// a layout is written once.
namespace FrameLayouts {

// How a field's bytes read.
enum class Kind {
    Fixed,       // bytes the layout itself supplies (a label, a filler); `choices` holds them
    Text,        // printer text, shown as typed
    Digits,      // a code or counter kept as its digits (COO, item number, index)
    Number,      // digits with `decimals` implied decimals
    Quantity,    // the short item form: "12,34" or five whole digits
    Choice,      // one of `choices`
    Letter,      // an index as a letter: 'A' = 01 ... 'P' = 16
    LinkedIndex, // model B's payment number: 01-16, or 51-66 for a linked method
    Adjustment,  // amount with 2 decimals, or a percentage when the preceding choice says so
    Date,        // ddmmyy
    DateTime,    // ddmmyyhhmmss
};

struct Choice {
    QByteArray code;
    QString label;
};

// A field of `width` bytes, or of a variable length (`Variable`) that runs to its `end` byte
// (kept out of the value) or, without one, to the end of the frame.
struct Field {
    static constexpr int Variable = -1;
    QString name; // empty: not shown
    int width = 0;
    Kind kind = Kind::Text;
    int decimals = 0;
    QString unit;              // after a number: " %"
    QList<Choice> choices;     // Fixed: the one value; Choice: every value
    int end = -1;              // Variable: the byte that ends it, -1 for none
    int at = 0;                // answer fields only: the answer byte the field starts at
    bool percentFirst = false; // Adjustment: the percentage is in the first four digits
};

// Every command of both models. A model that lacks one has no layout for it.
enum class Id {
    StatusPoll,
    IdleCr,
    CancelWait,
    ProgramTaxRate,    // model A: the ICMS form (no type byte)
    ProgramIssTaxRate, // model A: the ISS form
    ReadTaxRates,
    ProgramPaymentMethod,
    ProgramLinkedTotalizer,
    ProgramReportName,
    ProgramNonFiscalTotalizer,
    ProgramOptions,
    ReadOptions,
    ProgramOperator,
    ReadConfiguration,
    OpenCoupon,
    SellItemShort,
    SellItemLong,
    AdjustItem,
    CancelItem,
    CancelCoupon,
    CancelVoucher,
    Totalize,
    RegisterPayment,
    ReversePayment,
    CloseCoupon,
    IssueNonFiscalVoucher,
    OpenVoucher,
    ReprintVoucher,
    OpenManagementReport,
    ReportLine,
    CloseReport,
    Authenticate,
    AuthenticateAlternate, // model B's ESC 'y'
    ReadCliche,
    TechnicalIntervention,
    RecordUser,
    StartFirmwareUpdate,
    ReadClock,
    ReadingX,
    ReductionZ,
    ReadFiscalMemory,
};

struct Layout {
    Id id;
    uint32_t model;
    QString name; // the command's name as the monitor shows it
    QByteArray prefix;
    QList<Field> fields;
    QList<Field> answer;      // fields of an accepted answer, at their answer bytes
    bool plainAnswer = false; // the answer carries no error mark (the status poll)

    // The frame: the prefix, then each field in order: a Fixed field's own bytes, every other
    // field the next of `values` as it is, a variable field followed by its end byte. The
    // values must have their fields' widths; the bytes are never padded or cut here.
    QByteArray build(const QByteArrayList &values = {}) const;
};

// The layout of `id` on `model` (fatal when the model has none: a programming error).
const Layout &layout(uint32_t model, Id id);
// Every layout of `model` (none for an unknown model).
const QList<Layout> &layouts(uint32_t model);

} // namespace FrameLayouts
