#pragma once

#include "protocol/command_set.h"

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
};
