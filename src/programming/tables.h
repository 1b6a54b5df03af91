#pragma once

#include "protocol/records.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The working copy of the printer's programming tables, held the way the Edit Data window's
// grids and controls show it: every grid cell is the text of the cell, leading spaces
// included (they right-align the short codes in the grid and are part of the value).
//
//   tax rates     code "    TA".."    TP", rate "18,00%" or "//,//%", ISS "    S" / "    N"
//   payments      number " FP01", description, linked "    V" / "    N" (model A's third
//                 column; model B's grid has no such column and its number tells the link)
//   reports       number "   RG01".."   RG16", name (model B only; model A keeps it empty)
//   totalizers    number " CNFNV01".." CNFNV16", name, direction "   E" (inflow) / "   S"
//
// The header text ("Clichê") is held as Windows-1252 bytes with CR LF line breaks: the very
// bytes that a .c2k file stores and that the tag conversion turns into printer codes. Its
// length in bytes is its length in characters. The memo of the window shows it as a QString
// through memoTextFromHeader / headerFromMemoText.

constexpr int TaxRateRows = 16;
constexpr int ReportRows = 16;
constexpr int TotalizerRows = 16;
constexpr int PaymentRowsModelB = 32;
constexpr int PaymentRowsModelA = 16;

struct TaxRateRow {
    QString code; // "    TA" .. "    TP", fixed
    QString rate; // "dd,dd%", "//,//%" when unused
    QString iss;  // "    S" or "    N"
    bool operator==(const TaxRateRow &) const = default;
};

struct PaymentRow {
    QString number;      // " FP" and two digits; empty in an unused model B row
    QString description; // up to 21 characters (model B) or 17 (model A)
    QString linked;      // "    V" or "    N"
    bool operator==(const PaymentRow &) const = default;
};

struct ReportRow {
    QString number; // "   RG01" .. "   RG16", fixed
    QString name;
    bool operator==(const ReportRow &) const = default;
};

struct TotalizerRow {
    QString number; // " CNFNV01" .. " CNFNV16", fixed
    QString name;
    QString direction; // "   E" or "   S"
    bool operator==(const TotalizerRow &) const = default;
};

// The option controls of the "Configurações 1" page. The options block is rebuilt from them
// when the page is left and they are set from the block after a read or an import.
struct OptionControls {
    bool autoReadingX = false;                    // cbLXAut, byte 0
    bool autoReductionZ = false;                  // cbRZAut, byte 1 (model A below firmware 1.22)
    bool issDiscount = false;                     // cbDescISS, byte 4
    bool couponLegend = false;                    // cbLegCF, byte 5
    bool additionalCoupon = false;                // cbCupomAdicional, byte 13 (model A)
    bool paperCutter = false;                     // cbGuilhotina, byte 16 (model A)
    bool rounding = false;                        // cbArredondamento, byte 20 (model A)
    bool boldCheck = false;                       // cbChequeNegrito, byte 30
    bool suppressErrors = false;                  // cbSuprimeMsgErro, byte 31
    QString lineHeight = QStringLiteral("31");    // meAlturaLinha, bytes 7-8
    QString couponSpacing = QStringLiteral("06"); // meEspacCupom, bytes 9-10
    QString minHourReductionZ = QStringLiteral("00"); // meHoraMinRZ, bytes 11-12
    bool operator==(const OptionControls &) const = default;
};

struct ProgrammingTables {
    // As the window is built: fixed first columns, every rate "//,//%" with "    N", every
    // direction "   E", empty names, no payment rows, the options block zero-filled, the
    // option controls at their initial values, an empty header.
    ProgrammingTables();

    std::array<TaxRateRow, TaxRateRows> taxRates;
    QList<PaymentRow> payments; // 32 rows on model B, 16 on model A once cleared or loaded
    std::array<ReportRow, ReportRows> reports;
    std::array<TotalizerRow, TotalizerRows> totalizers;
    OptionsBlock options;
    OptionControls controls;
    QByteArray header; // Windows-1252, CR LF line breaks

    bool operator==(const ProgrammingTables &other) const;
};

// Texts of the fixed cells. `row` counts from 1.
QString taxCodeText(int row);          // "    T" and the letter A..P
QString paymentNumberText(int number); // " FP" and two digits
QString reportNumberText(int row);     // "   RG" and two digits
QString totalizerNumberText(int row);  // " CNFNV" and two digits
int paymentRowCount(uint32_t model);   // 32 on model B (1), 16 on model A (2) and otherwise

// The number that a payment number cell holds: "FP" (after any leading spaces) and one or two
// digits, trailing spaces allowed (" FP03" gives 3). Nothing when the cell holds no number.
std::optional<int> paymentNumber(const QString &cell);

// Clearing, as each page's "Limpar" does it.
void clearTaxRates(ProgrammingTables &tables); // "//,//%" and "    N"
void clearPayments(ProgrammingTables &tables, uint32_t model);
void clearReports(ProgrammingTables &tables);    // names emptied
void clearTotalizers(ProgrammingTables &tables); // names emptied, directions "   E"
void clearHeader(ProgrammingTables &tables);

// Payment rows: row 1 is cash (" FP01", "Dinheiro", "    N"). Model B: 31 further rows with
// an empty number and description. Model A: 15 further rows numbered by their row.
QList<PaymentRow> clearedPaymentRows(uint32_t model);

// "Padrão": sets the option controls to their defaults for the model and firmware version.
// Automatic Leitura X, automatic Redução Z, ISS discount and paper cutter off; legend on;
// minimum Redução Z hour "00". Model B: line height "31", coupon spacing "06", and from
// firmware 1.01 bold check and suppressed messages off. Model A: line height "18", coupon
// spacing "02", rounding off. Every other control keeps its state. The options block itself
// is not touched: it follows the controls when the page is left.
void optionDefaults(OptionControls &controls, uint32_t model, double firmware);

// The two field defaults that the window shows for a model ("31"/"06" or "18"/"02").
QString defaultLineHeight(uint32_t model);
QString defaultCouponSpacing(uint32_t model);

// "Limpar Todos": header emptied, option defaults, totalizers, reports, payment methods and
// tax rates cleared. The options block is kept as it is.
void clearAll(ProgrammingTables &tables, uint32_t model, double firmware);

// The options block rebuilt from the controls (when the page is left, and before sending):
// byte 0 cbLXAut; byte 1 cbRZAut on model A below firmware 1.22, else the byte 0 (zero);
// byte 2 'X' (leave daylight saving unchanged); 4, 5, 13, 16, 20, 30, 31 from their check
// boxes; 7-8, 9-10, 11-12 the first two characters of the three fields (a shorter field is
// padded with spaces). A check box gives '1' or '0'. Hidden controls are written like shown
// ones; every other byte keeps its value.
void rebuildOptionsBlock(OptionsBlock &block, const OptionControls &controls, uint32_t model,
                         double firmware);

// The controls set from a block, as after a read or an import: the check boxes from bit 0 of
// their bytes, the fields from bytes 7-8, 9-10 and 11-12 (zero bytes are left out).
OptionControls optionControlsFromBlock(const OptionsBlock &block);

// Column 2 of the tax, payment (model A) and totalizer grids is set by keys: the cell after
// `key` (taken in upper case), or nothing when the key does not change it.
//   ISS:       S "    S", N "    N", space toggles ("    N" -> "    S", anything else "    N")
//   linked:    V "    V", N "    N", space toggles ("    V" -> "    N", anything else "    V")
//   direction: E "   E",  S "   S",  space toggles ("   S" -> "   E", anything else "   S")
enum class FlagColumn { Iss, Linked, Direction };
std::optional<QString> flagCellAfterKey(FlagColumn column, const QString &cell, QChar key);

// Header text limits, in characters (a line break counts two). The window's buffers bound the
// header at these sizes; the window checks a text with headerExceeds and warns before it cuts
// anything.
namespace HeaderLimit {
constexpr int Saved = 255;           // stored in a .c2k file (writeC2k refuses longer texts)
constexpr int Imported = 1023;       // converted from the RTF header of an old file
constexpr int ReadFromPrinter = 250; // shown after a read from the printer
constexpr int Sent = 499;            // sent to the printer
} // namespace HeaderLimit

bool headerExceeds(const QByteArray &header, int limit);

// The first `limit` characters of the header, without a CR left alone at the cut.
QByteArray headerCutToLimit(const QByteArray &header, int limit);

// Between the header bytes and the memo: CR LF <-> '\n', Windows-1252 <-> Unicode. Towards
// the header every '\n' (with or without a CR before it) becomes CR LF; other bytes are kept.
QString memoTextFromHeader(const QByteArray &header);
QByteArray headerFromMemoText(const QString &text);
