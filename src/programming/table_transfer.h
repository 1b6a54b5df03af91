#pragma once

#include "programming/tables.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

class CommandSet;

// What Edit Data does with the printer, page by page, without its controls: reading a table
// back into the working copy and sending one entry of it. The window shows the copy; the
// command line reads the same tables the same way.

// The tables of Edit Data, one a page, in the order "Ler Todos Impr." reads them.
enum class ProgrammingTable { TaxRates, Payments, Reports, Totalizers, Header, Options, Operator };
inline constexpr ProgrammingTable EveryProgrammingTable[] = {
    ProgrammingTable::TaxRates,   ProgrammingTable::Payments, ProgrammingTable::Reports,
    ProgrammingTable::Totalizers, ProgrammingTable::Header,   ProgrammingTable::Options,
    ProgrammingTable::Operator};

// The "Configurações 2" page: the printer's daylight-saving flag, the operator and (model B)
// the store number.
struct OperatorPage {
    bool daylightSaving = false;
    QString name;
    QString store;
};

// Everything Edit Data holds.
struct EditDataCopy {
    ProgrammingTables tables;
    OperatorPage operatorPage;
};

// One page's "Limpar": the table emptied as the window is built (the operator page loses the
// operator and the store; the options are not cleared).
void clearTable(EditDataCopy &copy, ProgrammingTable table, uint32_t model);

// Fills one table of the copy from the printer (the caller has cleared it). A read that fails
// leaves the table as it was; the operation has reported why. Model A has no report names. A
// header longer than the window shows is cut there, and the user told.
void readTableFromPrinter(CommandSet &set, ProgrammingTable table, EditDataCopy &copy,
                          uint32_t model);

// "Ler Todos Impr.": everything cleared as "Limpar Todos" does it, the line purged, then every
// table cleared and read in turn. `changed` (when given) is called after each of these steps,
// so that a window can show the copy as it fills.
void readAllTables(CommandSet &set, EditDataCopy &copy, uint32_t model, double firmware,
                   const std::function<void()> &changed = {});

// ---- Sending one entry; each returns whether the printer took it ----

// "Adicionar Alíq.": the rate field as shown ("dd,dd%") with the ISS box.
bool sendTaxRate(CommandSet &set, bool iss, const QString &rateField);
// "Adicionar FP". On model A the window then sends the method's linked voucher too, after the
// table has been read back (for a method that is not linked the operation sends nothing).
bool sendPaymentMethod(CommandSet &set, uint32_t model, int number, bool linkedBox,
                       const QString &description);
void sendLinkedVoucher(CommandSet &set, uint32_t model, int number, bool linkedBox,
                       const QString &description);
// "Adicionar RG" (model B only; nothing is sent on model A).
bool sendReportName(CommandSet &set, uint32_t model, const QString &name);
// "Adicionar CNFNV".
bool sendTotalizer(CommandSet &set, bool inflow, const QString &name);
// The options block rebuilt from the option controls of the copy, then sent.
bool sendOptions(CommandSet &set, EditDataCopy &copy, uint32_t model, double firmware);
// The printer's daylight-saving flag.
bool sendDaylightSaving(CommandSet &set, bool on);
// The operator and, on model B, the store.
bool sendOperator(CommandSet &set, uint32_t model, const QString &name, const QString &store);

// The header goes to the printer by the technical intervention that keeps the programming,
// with the ECF number the printer holds. Nothing is sent for an empty header or one longer
// than the printer takes; the user is told which.
bool sendHeader(CommandSet &set, uint32_t model, const QByteArray &taggedHeader);
