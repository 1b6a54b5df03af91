#pragma once

#include "protocol/records.h"

#include <QByteArray>

#include <cstdint>
#include <functional>

// The printer's operations, one interface for both models. A window fills an argument
// record, calls the operation of the model chosen (commandSetFor(ModelCode)) and acts on
// the boolean it returns; the printer's own error messages are shown inside the operation.
//
// An operation that a model lacks is never called for it; here it returns false.
class CommandSet {
public:
    virtual ~CommandSet() = default;

    // ---- Programming and read-back ----
    virtual bool ProgramTaxRate(const TaxRateRecord &rate) = 0;
    virtual bool ReadTaxRates(TaxRateRecord rates[16]) = 0;
    virtual bool ProgramPaymentMethod(const PaymentMethodRecord &method) = 0;
    virtual bool ProgramLinkedTotalizer(const PaymentMethodRecord &) { return false; } // A
    virtual bool ReadPaymentMethods(PaymentMethodTable &table) = 0;
    virtual bool ProgramReportName(const uint8_t[21]) { return false; } // B
    virtual bool ReadReportNames(NameTable &) { return false; }         // B
    virtual bool ReadLinkedTotalizers(NameTable &) { return false; }    // A
    virtual bool ProgramNonFiscalTotalizer(const TotalizerRecord &totalizer) = 0;
    virtual bool ReadNonFiscalTotalizers(TotalizerTable &table) = 0;
    virtual bool ProgramOptions(const OptionsBlock &options) = 0;
    virtual bool ReadOptions(OptionsBlock &options) = 0;
    virtual bool SetDaylightSavingTime(int flag) = 0;
    // False when the printer reports no daylight-saving time, or when it could not be read.
    virtual bool IsDaylightSavingTime() = 0;
    virtual bool ProgramOperator(const OperatorRecord &op) = 0;
    virtual bool ReadOperator(OperatorRecord &op) = 0;
    virtual bool ReadConfiguration() = 0;

    // ---- Fiscal documents ----
    // Each sends one frame, waits in the normal wait and checks the answer; output fields (a
    // COO of six digits, a subtotal or balance of twelve) are written only when the printer
    // accepted the frame and its answer is long enough to hold them.
    virtual bool OpenCoupon(char coo[6]) = 0;
    virtual bool SellItem(const ItemRecord &item) = 0;
    virtual bool AdjustItem(const ItemRecord &) { return false; } // B
    virtual bool CancelItem(const char itemNumber[3]) = 0;
    virtual bool CancelCoupon() = 0;
    virtual bool CancelVoucher(const char[6]) { return false; } // B
    virtual bool Totalize(TotalRecord &total) = 0;
    virtual bool RegisterPayment(PaymentRecord &payment) = 0;
    virtual bool ReversePayment(const ReversalRecord &reversal) = 0;
    // `text`: the promotional message, zero-terminated; lines end with CR LF.
    virtual bool CloseCoupon(const char *text) = 0;
    virtual bool IssueNonFiscalVoucher(const VoucherRecord &voucher, char coo[6]) = 0;
    virtual bool OpenVoucher(const LinkedVoucherRecord &voucher, char coo[6]) = 0;
    virtual bool ReprintVoucher() { return false; } // B
    // `report`: model B's two-digit report number; model A has one report and ignores it.
    virtual bool OpenManagementReport(const char report[2], char coo[6]) = 0;
    // Prints `text` (zero-terminated) in the open management report or linked voucher, one
    // frame per line; line breaks are CR and LF in any run, and empty lines are dropped. Stops
    // at the first line the printer refuses. The text is left as it was.
    virtual bool PrintReportLines(const char *text) = 0;
    virtual bool CloseReport() = 0;
    // Prints `length` bytes of `text` on the document in the printer and waits, for as long as
    // it takes, until the printer answers or AbortAuthentication is called from another
    // thread. `mode` (model B): 1 asks for ESC 'y' instead of ESC 'Y'. Returns true once the
    // printer answered (its error, if any, shown) or the wait was aborted.
    virtual bool Authenticate(const char *text, int length, int mode = 0) = 0;
    // Thread-safe: ends the wait of an Authenticate running on another thread.
    virtual bool AbortAuthentication() = 0;

    // ---- Maintenance, status, reports and the fiscal memory ----
    virtual bool ReadCliche(ClicheRecord &cliche) = 0;
    virtual bool TechnicalIntervention(bool clearProgramming, bool withHeader,
                                       ClicheRecord &cliche) = 0;
    virtual bool RecordUser(const UserRecordBlock &user) = 0;
    virtual bool StartFirmwareUpdate() = 0;
    virtual bool IsInMaintenanceMode() = 0;
    virtual bool ReadClock(ClockRecord &clock) = 0;
    // GS status poll with the short wait. False when no (whole) answer came; no message.
    virtual bool ReadStatus(StatusRecord &status) = 0;
    virtual bool WaitPrinterIdle() = 0;
    virtual bool ReadingX() = 0;
    virtual bool ReductionZ() = 0;

    // Receives the report text of a fiscal memory reading sent to the PC, chunk by chunk,
    // already converted to Windows-1252, with the count of bytes received so far.
    using FiscalMemorySink = std::function<void(const QByteArray &text, qint64 bytesReceived)>;
    enum class ReadingEnd { Complete, Silent, Failed };
    // `start` and `end`: 6 characters each, both dates "ddmmyy" or both reduction counters
    // "00" + 4 digits. `destination`: 'X'/'x' print, 'S'/'s' send to the PC (upper case for
    // the summarised reading). For 'S', `end` tells how the reading ended: Complete (the end
    // mark came), Silent (the printer stopped sending first) or Failed (refused).
    virtual bool ReadFiscalMemory(const char start[6], const char end[6], char destination,
                                  const FiscalMemorySink &sink = {}, ReadingEnd *how = nullptr) = 0;
};

// The command set for a model code (1 = MV4700, 2 = MV210), or nullptr for any other code.
CommandSet *commandSetFor(uint32_t modelCode);

// The printer's programming block (the answer to the configuration command: model A the whole
// answer, model B its first 1425 bytes), read once and cached. Anything that may change it,
// and the identification whenever no printer is identified, marks the cache invalid.
struct ConfigurationBlock {
    QByteArray bytes;
};
// Shared by both command sets; its bytes are used from one thread at a time (the link's
// exchange rule); the validity flag may be cleared from any thread.
ConfigurationBlock &configurationBlock();
void invalidateConfigurationCache();
bool configurationCacheValid();
void setConfigurationCacheValid(bool valid);
