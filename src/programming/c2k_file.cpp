#include "programming/c2k_file.h"

#include "core/file_replace.h"
#include "link/codepage.h"
#include "programming/rtf_reader.h"

#include <QDir>

#include <array>
#include <cstring>

namespace C2kText {
const QString ConvertQuestion =
    QStringLiteral("Deseja converter arquivo da V.0.50 para o\r\nnovo formato da V.1.00?");
const QString WrongModel = QStringLiteral("O modelo da impressora especificado no arquivo\r\n"
                                          "é diferente do modelo da impressora em uso!\r\n");
const QString Malformed = QStringLiteral("Arquivo de configuração inválido ou incompleto!");
const QString NoModel = QStringLiteral("Nenhum modelo de impressora selecionado!");

QString headerTooLong(int length) {
    return QStringLiteral("O Clichê tem %1 caracteres e o arquivo de configuração guarda no "
                          "máximo %2.\r\nReduza o texto do Clichê antes de salvar.")
        .arg(length)
        .arg(HeaderLimit::Saved);
}

QString notSaved(const QString &path, const QString &reason) {
    QString text = QStringLiteral("Não foi possível gravar o arquivo\r\n%1")
                       .arg(QDir::toNativeSeparators(path));
    if (!reason.isEmpty())
        text += QStringLiteral("\r\n(%1)").arg(reason);
    return text + QStringLiteral("\r\nUm arquivo anterior com esse nome foi mantido como estava.");
}
} // namespace C2kText

bool writeC2kFile(const QString &path, const QByteArray &data, QString *error) {
    return writeFileReplacing(path, data, error);
}

namespace {

constexpr uint32_t ModelCodeB = 1;
constexpr uint32_t ModelCodeA = 2;
constexpr int ModelANameWidth = 15;   // report and totalizer names imported on model A
constexpr int ModelADescription = 17; // payment descriptions of model A
constexpr int NameWidth = 21;

void appendLe32(QByteArray &out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

uint32_t readLe32(const QByteArray &data, int offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | uint8_t(data.at(offset + i));
    return value;
}

// The cell's first `width` characters in Windows-1252, space-padded to `width`.
QByteArray textField(const QString &cell, int width) {
    QByteArray bytes = Codepage::toWindows1252(cell).left(width);
    bytes.append(QByteArray(width - bytes.size(), ' '));
    return bytes;
}

// The last character of a flag cell ("    S" gives 'S'); `fallback` for an empty cell.
char lastCharacter(const QString &cell, char fallback) {
    const QByteArray bytes = Codepage::toWindows1252(cell);
    return bytes.isEmpty() ? fallback : bytes.back();
}

bool allSpaces(const QByteArray &bytes) {
    for (char c : bytes) {
        if (c != ' ')
            return false;
    }
    return true;
}

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QByteArray paymentSection(uint32_t model, const QList<PaymentRow> &rows) {
    std::array<QByteArray, C2k::PaymentSlots> records;
    std::array<bool, C2k::PaymentSlots> described{};
    records.fill(QByteArray(22, ' '));
    const qsizetype rowCount = qMin<qsizetype>(rows.size(), paymentRowCount(model));
    for (qsizetype r = 0; r < rowCount; ++r) {
        const PaymentRow &row = rows.at(r);
        if (row.number.isEmpty())
            continue;
        const std::optional<int> number = paymentNumber(row.number);
        if (!number)
            continue;
        int slot = 0;
        char flag = 'N';
        QByteArray description;
        if (model == ModelCodeB) {
            if (*number >= 1 && *number <= 16) {
                slot = *number;
            } else if (*number >= 51 && *number <= 66) {
                slot = *number - 34;
                flag = 'V';
            } else {
                continue;
            }
            description = textField(row.description, NameWidth);
        } else {
            if (*number < 1 || *number > 16)
                continue;
            slot = *number;
            flag = row.linked.trimmed() == QLatin1String("V") ? 'V' : 'N';
            description = textField(row.description, ModelADescription) + QByteArray(4, ' ');
        }
        const bool hasText = !allSpaces(description);
        if (!hasText && described[slot - 1])
            continue;
        records[slot - 1] = flag + description;
        described[slot - 1] = hasText;
    }
    QByteArray out;
    for (const QByteArray &record : records)
        out += record + ';';
    return out;
}

// The version field as a decimal number ("02.00", "00.50"; a comma is taken as the point).
std::optional<double> versionNumber(const QByteArray &data) {
    if (data.size() < 5)
        return std::nullopt;
    QByteArray text = data.left(5).trimmed();
    text.replace(',', '.');
    if (text.isEmpty())
        return std::nullopt;
    for (char c : text) {
        if ((c < '0' || c > '9') && c != '.')
            return std::nullopt;
    }
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

C2kReadResult refusal(C2kReadStatus status, const QString &message, const QString &caption) {
    C2kReadResult result;
    result.status = status;
    result.message = message;
    result.caption = caption;
    return result;
}

QString nameFromFile(const QByteArray &data, int offset, int width) {
    return Codepage::fromWindows1252(data.mid(offset, width));
}

void loadTables(const QByteArray &data, uint32_t model, bool old, C2kReadResult &result) {
    ProgrammingTables &t = result.tables;
    clearAll(t, model, 0.0);

    for (int k = 0; k < TaxRateRows; ++k) {
        const int at = C2k::TaxRatesOffset + k * C2k::TaxRateRecordSize;
        const QByteArray digits = data.mid(at + 1, 4);
        t.taxRates[k].iss = QStringLiteral("    ") + Codepage::fromWindows1252(data.mid(at, 1));
        t.taxRates[k].rate =
            Codepage::fromWindows1252(digits.left(2) + ',' + digits.mid(2, 2) + '%');
    }

    int row = 0;
    const int slotCount = model == ModelCodeB ? C2k::PaymentSlots : 16;
    const int width = model == ModelCodeB ? NameWidth : ModelADescription;
    for (int s = 0; s < slotCount && row < t.payments.size(); ++s) {
        const int at = C2k::PaymentsOffset + s * C2k::PaymentRecordSize;
        const QByteArray description = data.mid(at + 1, width);
        if (allSpaces(description))
            continue;
        PaymentRow &target = t.payments[row++];
        const int number = s < 16 ? s + 1 : s + 1 + 34;
        target.number = QStringLiteral(" FP") + twoDigits(number);
        target.description = Codepage::fromWindows1252(description);
        if (model == ModelCodeA)
            target.linked = data.at(at) == 'V' ? QStringLiteral("    V") : QStringLiteral("    N");
    }

    const int nameWidth = model == ModelCodeB ? NameWidth : ModelANameWidth;
    for (int k = 0; k < ReportRows; ++k)
        t.reports[k].name =
            nameFromFile(data, C2k::ReportsOffset + k * C2k::ReportRecordSize, nameWidth);
    for (int k = 0; k < TotalizerRows; ++k) {
        const int at = C2k::TotalizersOffset + k * C2k::TotalizerRecordSize;
        t.totalizers[k].direction =
            QStringLiteral("   ") + Codepage::fromWindows1252(data.mid(at, 1));
        t.totalizers[k].name = nameFromFile(data, at + 1, nameWidth);
    }

    std::memcpy(t.options.bytes, data.constData() + C2k::OptionsOffset, sizeof t.options.bytes);
    t.controls = optionControlsFromBlock(t.options);

    if (old) {
        const RtfConversion header = rtfToTaggedText(data.mid(C2k::OldHeaderOffset));
        t.header = header.text;
        result.headerCut = header.cut;
    } else {
        t.header = data.mid(C2k::HeaderOffset, int(readLe32(data, C2k::HeaderLengthOffset)));
    }
}

} // namespace

QString c2kModelName(uint32_t model) {
    if (model == ModelCodeB)
        return QStringLiteral("MV4700");
    if (model == ModelCodeA)
        return QStringLiteral("MV210");
    return {};
}

QByteArray writeC2k(uint32_t model, const ProgrammingTables &tables, QString *refusal) {
    if (model != ModelCodeA && model != ModelCodeB) {
        if (refusal)
            *refusal = C2kText::NoModel;
        return {};
    }
    if (headerExceeds(tables.header, HeaderLimit::Saved)) {
        if (refusal)
            *refusal = C2kText::headerTooLong(int(tables.header.size()));
        return {};
    }

    QByteArray out;
    out.reserve(C2k::HeaderOffset + tables.header.size());
    out += "02.00";
    appendLe32(out, model);
    out += textField(c2kModelName(model), 20);
    out += ':';

    for (const TaxRateRow &row : tables.taxRates) {
        out += lastCharacter(row.iss, 'N');
        const QByteArray rate = Codepage::toWindows1252(row.rate);
        for (int i : {0, 1, 3, 4}) {
            const char c = i < rate.size() ? rate.at(i) : ' ';
            out += c == ' ' ? '0' : c;
        }
        out += ';';
    }
    out += ':';

    out += paymentSection(model, tables.payments);
    out += ':';

    for (const ReportRow &row : tables.reports)
        out += textField(row.name, NameWidth) + ';';
    out += ':';

    for (const TotalizerRow &row : tables.totalizers)
        out += lastCharacter(row.direction, 'E') + textField(row.name, NameWidth) + ';';
    out += ':';

    out += "0000000000";
    out += ':';
    out += QByteArray(reinterpret_cast<const char *>(tables.options.bytes),
                      sizeof tables.options.bytes);
    out += ':';
    appendLe32(out, uint32_t(tables.header.size()));
    out += tables.header;
    return out;
}

C2kFileInfo inspectC2k(const QByteArray &data) {
    C2kFileInfo info;
    const std::optional<double> version = versionNumber(data);
    if (!version)
        return info;
    info.version = *version;
    info.old = *version < 2.0;
    if (data.size() >= 9)
        info.model = readLe32(data, 5);
    if (info.old) {
        if (data.size() < C2k::OldHeaderOffset)
            return info;
        info.complete = rtfToTaggedText(data.mid(C2k::OldHeaderOffset)).complete;
    } else {
        if (data.size() < C2k::HeaderOffset)
            return info;
        const qint64 length = readLe32(data, C2k::HeaderLengthOffset);
        info.complete = C2k::HeaderOffset + length <= data.size();
    }
    return info;
}

C2kReadResult readC2k(const QByteArray &data, uint32_t selectedModel, bool convertOld) {
    const C2kFileInfo info = inspectC2k(data);
    if (!info.complete)
        return refusal(C2kReadStatus::Malformed, C2kText::Malformed, QStringLiteral("Erro"));
    if (info.old && !convertOld)
        return refusal(C2kReadStatus::NeedsConversion, C2kText::ConvertQuestion,
                       QStringLiteral("Aviso"));
    if (info.model != selectedModel)
        return refusal(C2kReadStatus::WrongModel, C2kText::WrongModel, QStringLiteral("Erro"));
    if (selectedModel != ModelCodeA && selectedModel != ModelCodeB)
        return refusal(C2kReadStatus::WrongModel, C2kText::WrongModel, QStringLiteral("Erro"));

    C2kReadResult result;
    result.status = C2kReadStatus::Loaded;
    result.oldFormat = info.old;
    loadTables(data, selectedModel, info.old, result);
    return result;
}

C2kReadResult importC2k(ProgrammingTables &workingCopy, const QByteArray &data,
                        uint32_t selectedModel, bool convertOld) {
    C2kReadResult result = readC2k(data, selectedModel, convertOld);
    if (result.status == C2kReadStatus::Loaded)
        workingCopy = result.tables;
    return result;
}
