#pragma once

#include "programming/tables.h"
#include "protocol/records.h"

#include <QString>

#include <cstdint>
#include <optional>

// Between the working copy of the programming tables and the argument records of the
// printer's operations: what the Edit Data window sends for one entry, and how the tables it
// reads back from the printer fill its grids. Names in the records are Windows-1252 bytes,
// space-padded; the operations convert them to the printer's code themselves.

// ---- Reading back ----

// Row k of the tax grid from entry k: "    S" for an ISS rate, else "    N"; the rate as
// "dd,dd%" (an unused entry, "////", gives "//,//%").
void taxRatesFromRecords(ProgrammingTables &tables, const TaxRateRecord records[16]);

// The payment methods packed into the grid from row 1 in slot order, over the rows as they
// are (the window clears them first). Model B: every slot with a description gives a row
// numbered by the slot (slots 1-16) or the slot + 34 (slots 17-32, the linked numbers 51-66).
// Model A: slots 1-16, skipping those the printer names "Pagamento Tipo " (its name for a
// method never programmed); the row is numbered by the slot and carries "    V" or "    N".
void paymentsFromTable(ProgrammingTables &tables, uint32_t model, const PaymentMethodTable &table);

// Row k of the report grid gets the k-th name (21 characters as read).
void reportsFromNames(ProgrammingTables &tables, const NameTable &names);

// Row k of the totalizer grid: "   S" for an outflow, else "   E", and the 21-character name.
void totalizersFromTable(ProgrammingTables &tables, const TotalizerTable &table);

// A text field of a record read from the printer: the bytes up to the first zero byte, as
// Windows-1252, without leading and trailing spaces (the operator and the store).
QString textFromField(const uint8_t *field, int width);

// ---- Sending one entry ----

// `width` characters of `text` in Windows-1252, cut or space-padded to that width.
void fillTextField(const QString &text, uint8_t *field, int width);

// The rate field of "Adicionar Alíq." (its text as shown, "dd,dd%") with the ISS flag. The
// four rate characters are the field's characters 1-2 and 4-5; a field holding no digit at all
// gives "////", the unused entry that the operation skips; otherwise every blank position
// counts as the digit 0 ("5 ,  %" gives "5000").
TaxRateRecord taxRateRecord(bool iss, const QString &rateField);

// The value of the two-digit number field of "Adicionar FP": nothing when it holds no number
// or the number 0, which no payment method carries.
std::optional<int> paymentNumberField(const QString &text);

// A payment method as the window sends it. Model B: a number from 51 to 66 goes as the linked
// method number - 50 (the operation adds 50 back on the wire); any other number goes as typed
// and not linked. Model A: linked when the "Vinculado" box is checked. The description is
// space-padded to 21 characters.
PaymentMethodRecord paymentMethodRecord(uint32_t model, int number, bool linkedBox,
                                        const QString &description);

// A non-fiscal totalizer: inflow ('+') or outflow ('-'), the name space-padded to 21.
TotalizerRecord totalizerRecord(bool inflow, const QString &name);

// The operator and, on model B, the store number, space-padded to their fields.
OperatorRecord operatorRecord(const QString &name, const QString &store);

// ---- The window's set-up for the selected model ----

struct EditDataSetup {
    int paymentColumns = 3;            // model B has no V/N column: its numbers tell the link
    int paymentGridRows = 17;          // the title row included
    int paymentDescriptionLength = 17; // the grid's in-place editor
    bool linkedBoxShown = true;        // cbFPVinc
    bool reportsEnabled = false;       // the "Relatório Gerencial" page
    QString reportsLabel;              // lbRG
    QString lineHeight;                // meAlturaLinha
    QString couponSpacing;             // meEspacCupom
    bool autoReductionZShown = false;  // cbRZAut
    bool suppressErrorsShown = false;  // cbSuprimeMsgErro
    bool boldCheckShown = false;       // cbChequeNegrito
    bool modelAOptionsShown = false;   // cbCupomAdicional, cbArredondamento, cbGuilhotina
    bool storeShown = false;           // edLoja and its label
    int operatorMaxLength = 20;        // edOperador
};

// Model B (1): two payment columns and 33 rows, reports enabled, "31"/"06", the bold check and
// the suppressed messages from firmware 1.01, the store shown, operators of 13 characters.
// Model A (2): three columns and 17 rows, "Vinculado" shown, reports disabled, "18"/"02",
// automatic Redução Z below firmware 1.22 and suppressed messages from 1.22, the model A
// options shown, no store, operators of 20 characters.
EditDataSetup editDataSetup(uint32_t model, double firmware);

// The payment rule the window shows after a model change (CR LF line breaks).
QString paymentRuleText(uint32_t model);

// The column ruler above the header editor, two lines for a fixed-pitch font: the numbers 10,
// 20, 30, 40 and 48 ending on their column, and below them a scale with '|' on those columns
// and '+' halfway between the tens.
QString headerRulerText();
