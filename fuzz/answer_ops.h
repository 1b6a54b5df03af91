#pragma once

// The printer operations of both command sets, as the answer fuzzer and the seed generator
// call them: each sends its frames and reads whatever answers the device gives. The
// arguments are fixed, plausible values; what varies is the printer's answers.

#include "protocol/command_set.h"
#include "protocol/records.h"

#include <cstring>
#include <functional>
#include <vector>

namespace fuzzops {

// An argument record with every field empty (zero bytes): texts end at once, which every
// field allows.
template <typename Record> Record empty() {
    Record record;
    std::memset(static_cast<void *>(&record), 0, sizeof record);
    return record;
}

struct Operation {
    const char *name;
    std::function<void(CommandSet &)> call;
};

inline const std::vector<Operation> &operations() {
    static const std::vector<Operation> list = {
        {"ReadTaxRates",
         [](CommandSet &c) {
             TaxRateRecord rates[16]{};
             c.ReadTaxRates(rates);
         }},
        {"ReadPaymentMethods",
         [](CommandSet &c) {
             PaymentMethodTable t{};
             c.ReadPaymentMethods(t);
         }},
        {"ReadReportNames",
         [](CommandSet &c) {
             NameTable t{};
             c.ReadReportNames(t);
         }},
        {"ReadLinkedTotalizers",
         [](CommandSet &c) {
             NameTable t{};
             c.ReadLinkedTotalizers(t);
         }},
        {"ReadNonFiscalTotalizers",
         [](CommandSet &c) {
             TotalizerTable t{};
             c.ReadNonFiscalTotalizers(t);
         }},
        {"ReadOptions",
         [](CommandSet &c) {
             OptionsBlock o{};
             c.ReadOptions(o);
         }},
        {"IsDaylightSavingTime", [](CommandSet &c) { c.IsDaylightSavingTime(); }},
        {"ReadOperator",
         [](CommandSet &c) {
             OperatorRecord o{};
             c.ReadOperator(o);
         }},
        {"ReadConfiguration", [](CommandSet &c) { c.ReadConfiguration(); }},
        {"ProgramTaxRate", [](CommandSet &c) { c.ProgramTaxRate(empty<TaxRateRecord>()); }},
        {"ProgramOptions", [](CommandSet &c) { c.ProgramOptions(empty<OptionsBlock>()); }},
        {"SetDaylightSavingTime", [](CommandSet &c) { c.SetDaylightSavingTime(1); }},
        {"OpenCoupon",
         [](CommandSet &c) {
             char coo[6];
             c.OpenCoupon(coo);
         }},
        {"SellItem", [](CommandSet &c) { c.SellItem(empty<ItemRecord>()); }},
        {"Totalize",
         [](CommandSet &c) {
             TotalRecord t = empty<TotalRecord>();
             c.Totalize(t);
         }},
        {"RegisterPayment",
         [](CommandSet &c) {
             PaymentRecord p = empty<PaymentRecord>();
             c.RegisterPayment(p);
         }},
        {"CloseCoupon", [](CommandSet &c) { c.CloseCoupon("Obrigado\r\nVolte sempre"); }},
        {"IssueNonFiscalVoucher",
         [](CommandSet &c) {
             char coo[6];
             c.IssueNonFiscalVoucher(empty<VoucherRecord>(), coo);
         }},
        {"OpenVoucher",
         [](CommandSet &c) {
             char coo[6];
             c.OpenVoucher(empty<LinkedVoucherRecord>(), coo);
         }},
        {"OpenManagementReport",
         [](CommandSet &c) {
             char coo[6];
             c.OpenManagementReport("01", coo);
         }},
        {"PrintReportLines", [](CommandSet &c) { c.PrintReportLines("linha 1\r\nlinha 2\n\n3"); }},
        {"CloseReport", [](CommandSet &c) { c.CloseReport(); }},
        {"Authenticate", [](CommandSet &c) { c.Authenticate("AUTENTICADO", 11, 0); }},
        {"ReadCliche",
         [](CommandSet &c) {
             ClicheRecord r{};
             c.ReadCliche(r);
         }},
        {"TechnicalIntervention",
         [](CommandSet &c) {
             ClicheRecord r{};
             c.TechnicalIntervention(true, false, r);
         }},
        {"TechnicalInterventionHeader",
         [](CommandSet &c) {
             ClicheRecord r{};
             std::memcpy(r.ecfNumber, "0001", 4);
             const char text[] = "LOJA\r\n\xFF";
             std::memcpy(r.text, text, sizeof text - 1);
             r.length = sizeof text - 1;
             c.TechnicalIntervention(false, true, r);
         }},
        {"RecordUser", [](CommandSet &c) { c.RecordUser(empty<UserRecordBlock>()); }},
        {"StartFirmwareUpdate", [](CommandSet &c) { c.StartFirmwareUpdate(); }},
        {"IsInMaintenanceMode", [](CommandSet &c) { c.IsInMaintenanceMode(); }},
        {"ReadClock",
         [](CommandSet &c) {
             ClockRecord r{};
             c.ReadClock(r);
         }},
        {"ReadStatus",
         [](CommandSet &c) {
             StatusRecord r{};
             c.ReadStatus(r);
         }},
        {"WaitPrinterIdle", [](CommandSet &c) { c.WaitPrinterIdle(); }},
        {"ReadingX", [](CommandSet &c) { c.ReadingX(); }},
        {"ReductionZ", [](CommandSet &c) { c.ReductionZ(); }},
        {"ReadFiscalMemoryToPc",
         [](CommandSet &c) {
             CommandSet::ReadingEnd how{};
             c.ReadFiscalMemory(
                 "010124", "311224", 's', [](const QByteArray &, qint64) {}, &how);
         }},
        {"ReadFiscalMemorySummaryByCounter",
         [](CommandSet &c) {
             CommandSet::ReadingEnd how{};
             c.ReadFiscalMemory(
                 "000001", "000099", 'S', [](const QByteArray &, qint64) {}, &how);
         }},
        {"ReadFiscalMemoryPrinted",
         [](CommandSet &c) { c.ReadFiscalMemory("010124", "311224", 'x'); }},
    };
    return list;
}

// The fuzz input: byte 0 bit 0 chooses the model (0: MV210, 1: MV4700), bit 1 drops CTS;
// byte 1 the operation; then the answers, each a 16-bit little-endian length and that many
// bytes (fewer when the input ends). A length of zero is a wait that brings nothing. Once the
// answers are used up the device stays silent.
constexpr int AnswerInputHeader = 2;

} // namespace fuzzops
