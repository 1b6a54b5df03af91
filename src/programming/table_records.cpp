#include "programming/table_records.h"

#include "link/codepage.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t ModelCodeB = 1;
constexpr uint32_t ModelCodeA = 2;
constexpr int NameWidth = 21;
constexpr int ModelADescription = 17;

bool firmwareAtLeast(double firmware, double version) {
    return firmware >= version - 1e-9;
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

QString nameText(const uint8_t *name, int width) {
    return Codepage::fromWindows1252(QByteArray(reinterpret_cast<const char *>(name), width));
}

bool blankName(const QString &name) {
    return name.trimmed().isEmpty();
}

} // namespace

void taxRatesFromRecords(ProgrammingTables &tables, const TaxRateRecord records[16]) {
    for (int k = 0; k < TaxRateRows; ++k) {
        const TaxRateRecord &r = records[k];
        const QByteArray digits(reinterpret_cast<const char *>(r.rate), 4);
        tables.taxRates[k].iss = r.iss == 1 ? QStringLiteral("    S") : QStringLiteral("    N");
        tables.taxRates[k].rate =
            Codepage::fromWindows1252(digits.left(2) + ',' + digits.mid(2, 2) + '%');
    }
}

void paymentsFromTable(ProgrammingTables &tables, uint32_t model, const PaymentMethodTable &table) {
    const bool modelB = model == ModelCodeB;
    const int slotCount = modelB ? 32 : 16;
    const int width = modelB ? NameWidth : ModelADescription;
    qsizetype row = 0;
    for (int s = 0; s < slotCount && row < tables.payments.size(); ++s) {
        const FlaggedName &entry = table.entries[s];
        const QString description = nameText(entry.name, width);
        if (blankName(description))
            continue;
        if (!modelB && description.startsWith(QLatin1String("Pagamento Tipo ")))
            continue;
        PaymentRow &target = tables.payments[row++];
        target.number = paymentNumberText(s < 16 ? s + 1 : s + 1 + 34);
        target.description = description;
        if (!modelB)
            target.linked = entry.flag == 1 ? QStringLiteral("    V") : QStringLiteral("    N");
    }
}

void reportsFromNames(ProgrammingTables &tables, const NameTable &names) {
    for (int k = 0; k < ReportRows; ++k)
        tables.reports[k].name = nameText(names.names[k], NameWidth);
}

void totalizersFromTable(ProgrammingTables &tables, const TotalizerTable &table) {
    for (int k = 0; k < TotalizerRows; ++k) {
        const FlaggedName &entry = table.entries[k];
        tables.totalizers[k].direction =
            entry.flag == 1 ? QStringLiteral("   S") : QStringLiteral("   E");
        tables.totalizers[k].name = nameText(entry.name, NameWidth);
    }
}

QString textFromField(const uint8_t *field, int width) {
    int length = 0;
    while (length < width && field[length] != 0)
        ++length;
    return Codepage::fromWindows1252(QByteArray(reinterpret_cast<const char *>(field), length))
        .trimmed();
}

void fillTextField(const QString &text, uint8_t *field, int width) {
    const QByteArray bytes = Codepage::toWindows1252(text).left(width);
    std::memset(field, ' ', size_t(width));
    std::memcpy(field, bytes.constData(), size_t(bytes.size()));
}

TaxRateRecord taxRateRecord(bool iss, const QString &rateField) {
    TaxRateRecord record{};
    record.iss = iss ? 1 : 0;
    QString digits;
    for (int i : {0, 1, 3, 4})
        digits += i < rateField.size() ? rateField.at(i) : QChar(u' ');
    const bool anyDigit = std::any_of(digits.begin(), digits.end(), isDigit);
    for (int i = 0; i < 4; ++i) {
        const QChar c = digits.at(i);
        record.rate[i] = !anyDigit ? '/' : c == u' ' ? '0' : uint8_t(c.toLatin1());
    }
    return record;
}

std::optional<int> paymentNumberField(const QString &text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 2 ||
        !std::all_of(digits.begin(), digits.end(), isDigit))
        return std::nullopt;
    const int value = digits.toInt();
    if (value == 0)
        return std::nullopt;
    return value;
}

PaymentMethodRecord paymentMethodRecord(uint32_t model, int number, bool linkedBox,
                                        const QString &description) {
    PaymentMethodRecord record{};
    bool linked = false;
    if (model == ModelCodeB) {
        linked = number >= 51 && number <= 66;
        if (linked)
            number -= 50;
    } else {
        linked = linkedBox;
    }
    record.linked = linked ? 1 : 0;
    record.index[0] = uint8_t('0' + (number / 10) % 10);
    record.index[1] = uint8_t('0' + number % 10);
    fillTextField(description, record.name, NameWidth);
    return record;
}

TotalizerRecord totalizerRecord(bool inflow, const QString &name) {
    TotalizerRecord record{};
    record.sign = inflow ? 0 : 1;
    record.unused[0] = record.unused[1] = ' ';
    fillTextField(name, record.name, NameWidth);
    return record;
}

OperatorRecord operatorRecord(const QString &name, const QString &store) {
    OperatorRecord record{};
    fillTextField(store, record.store, sizeof record.store);
    fillTextField(name, record.name, sizeof record.name);
    return record;
}

EditDataSetup editDataSetup(uint32_t model, double firmware) {
    EditDataSetup setup;
    if (model == ModelCodeB) {
        setup.paymentColumns = 2;
        setup.paymentGridRows = PaymentRowsModelB + 1;
        setup.paymentDescriptionLength = NameWidth;
        setup.linkedBoxShown = false;
        setup.reportsEnabled = true;
        setup.reportsLabel = QStringLiteral("Relatório Gerencial");
        setup.autoReductionZShown = false;
        setup.suppressErrorsShown = firmwareAtLeast(firmware, 1.01);
        setup.boldCheckShown = firmwareAtLeast(firmware, 1.01);
        setup.modelAOptionsShown = false;
        setup.storeShown = true;
        setup.operatorMaxLength = 13;
    } else {
        setup.paymentColumns = 3;
        setup.paymentGridRows = PaymentRowsModelA + 1;
        setup.paymentDescriptionLength = ModelADescription;
        setup.linkedBoxShown = true;
        setup.reportsEnabled = false;
        setup.reportsLabel = QStringLiteral("Relatório Gerencial\r\n(Apenas MV4700)");
        setup.autoReductionZShown = !firmwareAtLeast(firmware, 1.22);
        setup.suppressErrorsShown = firmwareAtLeast(firmware, 1.22);
        setup.boldCheckShown = false;
        setup.modelAOptionsShown = true;
        setup.storeShown = false;
        setup.operatorMaxLength = 20;
    }
    setup.lineHeight = defaultLineHeight(model);
    setup.couponSpacing = defaultCouponSpacing(model);
    return setup;
}

QString paymentRuleText(uint32_t model) {
    if (model == ModelCodeB)
        return QStringLiteral(
            "Os pagamentos de número 01 a 16 não permitem\r\na emissão de CNFV.\r\n"
            "\nOs de número 51 a 66, se utilizados, permitem\r\na emissão.");
    return QStringLiteral("Para cada pagamento vinculado será criado\r\nautomaticamente um "
                          "Comprovante Não Fiscal\r\nVinculado com o mesmo nome. Utilizar o "
                          "menu\r\nde Intervenção Técnica->Limpar Programações\r\nantes de se "
                          "alterar o nome de uma Forma de\r\nPagamento já programada.");
}

QString headerRulerText() {
    constexpr int Marks[] = {10, 20, 30, 40, 48};
    constexpr int Width = 48;
    QString numbers(Width, u' ');
    QString scale(Width, u'-');
    for (int mark : Marks) {
        const QString label = QString::number(mark);
        numbers.replace(mark - label.size(), label.size(), label);
        scale[mark - 1] = u'|';
    }
    for (int half = 5; half < Width; half += 10)
        scale[half - 1] = u'+';
    return numbers + u'\n' + scale;
}
