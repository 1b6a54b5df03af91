#pragma once

#include "protocol/command_set.h"

#include <atomic>

class Link;

// Model A, "MV210". Its answers carry data from byte 1 or 2 and begin with ":E" and a two-digit
// code when the printer refuses a command.
class Cmd210 : public CommandSet {
public:
    explicit Cmd210(Link &link);

    bool ProgramTaxRate(const TaxRateRecord &rate) override;
    bool ReadTaxRates(TaxRateRecord rates[16]) override;
    bool ProgramPaymentMethod(const PaymentMethodRecord &method) override;
    bool ProgramLinkedTotalizer(const PaymentMethodRecord &method) override;
    bool ReadPaymentMethods(PaymentMethodTable &table) override;
    bool ReadLinkedTotalizers(NameTable &names) override;
    bool ProgramNonFiscalTotalizer(const TotalizerRecord &totalizer) override;
    bool ReadNonFiscalTotalizers(TotalizerTable &table) override;
    bool ProgramOptions(const OptionsBlock &options) override;
    bool ReadOptions(OptionsBlock &options) override;
    bool SetDaylightSavingTime(int flag) override;
    bool IsDaylightSavingTime() override;
    bool ProgramOperator(const OperatorRecord &op) override;
    bool ReadOperator(OperatorRecord &op) override;
    bool ReadConfiguration() override;

    bool OpenCoupon(char coo[6]) override;
    bool SellItem(const ItemRecord &item) override;
    bool CancelItem(const char itemNumber[3]) override;
    bool CancelCoupon() override;
    bool Totalize(TotalRecord &total) override;
    bool RegisterPayment(PaymentRecord &payment) override;
    bool ReversePayment(const ReversalRecord &reversal) override;
    bool CloseCoupon(const char *text) override;
    bool IssueNonFiscalVoucher(const VoucherRecord &voucher, char coo[6]) override;
    bool OpenVoucher(const LinkedVoucherRecord &voucher, char coo[6]) override;
    bool OpenManagementReport(const char report[2], char coo[6]) override;
    bool PrintReportLines(const char *text) override;
    bool CloseReport() override;
    bool Authenticate(const char *text, int length, int mode = 0) override;
    bool AbortAuthentication() override;

    bool ReadCliche(ClicheRecord &cliche) override;
    bool TechnicalIntervention(bool clearProgramming, bool withHeader,
                               ClicheRecord &cliche) override;
    bool RecordUser(const UserRecordBlock &user) override;
    bool StartFirmwareUpdate() override;
    bool IsInMaintenanceMode() override;
    bool ReadClock(ClockRecord &clock) override;
    bool ReadStatus(StatusRecord &status) override;
    bool WaitPrinterIdle() override;
    bool ReadingX() override;
    bool ReductionZ() override;
    bool ReadFiscalMemory(const char start[6], const char end[6], char destination,
                          const FiscalMemorySink &sink = {}, ReadingEnd *how = nullptr) override;

private:
    Link &link;
    // Set by AbortAuthentication on the window's thread, read by Authenticate on its own.
    std::atomic<bool> authenticationAborted{false};
};
