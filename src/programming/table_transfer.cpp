#include "programming/table_transfer.h"

#include "core/global.h"
#include "core/messages.h"
#include "link/serial_new.h"
#include "programming/table_records.h"
#include "programming/tags.h"
#include "protocol/command_set.h"

#include <cstring>

namespace {

void showWarning(const QString &text) {
    showMessage(text, QStringLiteral("Aviso"), MessageButtons::Ok, MessageStyle::Warning);
}

void showError(const QString &text) {
    showMessage(text, QStringLiteral("Erro"), MessageButtons::Ok, MessageStyle::Error);
}

} // namespace

void clearTable(EditDataCopy &copy, ProgrammingTable table, uint32_t model) {
    ProgrammingTables &t = copy.tables;
    switch (table) {
    case ProgrammingTable::TaxRates:
        clearTaxRates(t);
        break;
    case ProgrammingTable::Payments:
        clearPayments(t, model);
        break;
    case ProgrammingTable::Reports:
        clearReports(t);
        break;
    case ProgrammingTable::Totalizers:
        clearTotalizers(t);
        break;
    case ProgrammingTable::Header:
        clearHeader(t);
        break;
    case ProgrammingTable::Operator:
        copy.operatorPage.name.clear();
        copy.operatorPage.store.clear();
        break;
    case ProgrammingTable::Options:
        break;
    }
}

void readTableFromPrinter(CommandSet &set, ProgrammingTable table, EditDataCopy &copy,
                          uint32_t model) {
    ProgrammingTables &t = copy.tables;
    switch (table) {
    case ProgrammingTable::TaxRates: {
        TaxRateRecord records[16] = {};
        if (set.ReadTaxRates(records))
            taxRatesFromRecords(t, records);
        break;
    }
    case ProgrammingTable::Payments: {
        PaymentMethodTable methods;
        std::memset(&methods, ' ', sizeof methods);
        toolState().TablesStale = false;
        if (set.ReadPaymentMethods(methods))
            paymentsFromTable(t, model, methods);
        break;
    }
    case ProgrammingTable::Reports: {
        NameTable names;
        std::memset(&names, ' ', sizeof names);
        if (model == ModelB && set.ReadReportNames(names))
            reportsFromNames(t, names);
        break;
    }
    case ProgrammingTable::Totalizers: {
        TotalizerTable totalizers;
        std::memset(&totalizers, ' ', sizeof totalizers);
        if (set.ReadNonFiscalTotalizers(totalizers))
            totalizersFromTable(t, totalizers);
        break;
    }
    case ProgrammingTable::Header: {
        ClicheRecord record{};
        if (!set.ReadCliche(record))
            break;
        QByteArray header = taggedTextFromCliche(model, record);
        if (headerExceeds(header, HeaderLimit::ReadFromPrinter)) {
            showWarning(QStringLiteral("O Clichê lido da impressora tem %1 caracteres.\r\n"
                                       "Serão mostrados apenas os primeiros %2.")
                            .arg(header.size())
                            .arg(HeaderLimit::ReadFromPrinter));
            header = headerCutToLimit(header, HeaderLimit::ReadFromPrinter);
        }
        t.header = header;
        break;
    }
    case ProgrammingTable::Options:
        if (set.ReadOptions(t.options))
            t.controls = optionControlsFromBlock(t.options);
        break;
    case ProgrammingTable::Operator: {
        copy.operatorPage.daylightSaving = set.IsDaylightSavingTime();
        OperatorRecord op{};
        if (set.ReadOperator(op)) {
            copy.operatorPage.name = textFromField(op.name, sizeof op.name);
            if (model == ModelB)
                copy.operatorPage.store = textFromField(op.store, sizeof op.store);
        }
        break;
    }
    }
}

void readAllTables(CommandSet &set, EditDataCopy &copy, uint32_t model, double firmware,
                   const std::function<void()> &changed) {
    auto shown = [&] {
        if (changed)
            changed();
    };
    clearAll(copy.tables, model, firmware);
    shown();
    printerLink().PurgePort();
    for (ProgrammingTable table : EveryProgrammingTable) {
        clearTable(copy, table, model);
        shown();
        readTableFromPrinter(set, table, copy, model);
        shown();
    }
}

bool sendTaxRate(CommandSet &set, bool iss, const QString &rateField) {
    return set.ProgramTaxRate(taxRateRecord(iss, rateField));
}

bool sendPaymentMethod(CommandSet &set, uint32_t model, int number, bool linkedBox,
                       const QString &description) {
    const PaymentMethodRecord record = paymentMethodRecord(model, number, linkedBox, description);
    invalidateConfigurationCache();
    return set.ProgramPaymentMethod(record);
}

void sendLinkedVoucher(CommandSet &set, uint32_t model, int number, bool linkedBox,
                       const QString &description) {
    if (model != ModelA)
        return;
    set.ProgramLinkedTotalizer(paymentMethodRecord(model, number, linkedBox, description));
    invalidateConfigurationCache();
}

bool sendReportName(CommandSet &set, uint32_t model, const QString &name) {
    if (model != ModelB)
        return false;
    uint8_t field[21];
    fillTextField(name, field, sizeof field);
    invalidateConfigurationCache();
    return set.ProgramReportName(field);
}

bool sendTotalizer(CommandSet &set, bool inflow, const QString &name) {
    const TotalizerRecord record = totalizerRecord(inflow, name);
    invalidateConfigurationCache();
    return set.ProgramNonFiscalTotalizer(record);
}

bool sendOptions(CommandSet &set, EditDataCopy &copy, uint32_t model, double firmware) {
    rebuildOptionsBlock(copy.tables.options, copy.tables.controls, model, firmware);
    return set.ProgramOptions(copy.tables.options);
}

bool sendDaylightSaving(CommandSet &set, bool on) {
    return set.SetDaylightSavingTime(on ? 1 : 0);
}

bool sendOperator(CommandSet &set, uint32_t model, const QString &name, const QString &store) {
    const bool taken =
        set.ProgramOperator(operatorRecord(name, model == ModelB ? store : QString()));
    invalidateConfigurationCache();
    return taken;
}

bool sendHeader(CommandSet &set, uint32_t model, const QByteArray &taggedHeader) {
    ClicheRecord current{};
    if (!set.ReadCliche(current))
        return false;
    if (taggedHeader.isEmpty()) {
        showError(QStringLiteral("Clichê inválido!"));
        return false;
    }
    ClicheRecord header{};
    const QByteArray ecfNumber(reinterpret_cast<const char *>(current.ecfNumber), 4);
    if (headerExceeds(taggedHeader, HeaderLimit::Sent) ||
        !clicheForSending(model, ecfNumber, taggedHeader, header)) {
        showError(QStringLiteral("O Clichê tem mais de %1 caracteres e não pode ser enviado!")
                      .arg(HeaderLimit::Sent));
        return false;
    }
    return set.TechnicalIntervention(false, true, header);
}
