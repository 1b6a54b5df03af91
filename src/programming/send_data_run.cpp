#include "programming/send_data_run.h"

#include "core/file_replace.h"
#include "core/global.h"
#include "core/messages.h"
#include "programming/c2k_file.h"
#include "programming/tables.h"
#include "programming/tags.h"
#include "protocol/command_set.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace SendDataText {
const QString NoPrinter = QStringLiteral("Não existe impressora!");
const QString FileMissing = QStringLiteral("Arquivo de Configuração Inexistente");
const QString OldFileAtChoice =
    QStringLiteral("Arquivos antigos da V.0.50 deverão ser convertidos\r\npara o novo formato da "
                   "V.1.00 no menu Editar Dados!");
const QString OldFileAtRun =
    QStringLiteral("Arquivos antigos não são compatíveis\r\ncom versão atual do TOOL!");
const QString WrongModel =
    QStringLiteral("O modelo da impressora especificado no arquivo \r\né diferente do modelo da "
                   "impressora em uso!\r\nNão é possível continuar!\r\n");
const QString EmptyCliche = QStringLiteral("O Clichê está vazio!\r\n Deseja continuar?");
const QString Done = QStringLiteral("Iniciação executada com sucesso!");

QString headerTooLong(int length) {
    return QStringLiteral("O Clichê do arquivo tem %1 caracteres e a impressora recebe no "
                          "máximo %2.\r\nReduza o texto do Clichê no menu Editar Dados.")
        .arg(length)
        .arg(HeaderLimit::Sent);
}

QString bankTableNotSent(const QString &path, const QString &reason) {
    QString text =
        QStringLiteral("Iniciação executada com sucesso, mas a tabela de bancos não foi enviada.");
    if (!path.isEmpty())
        text += QStringLiteral("\r\nArquivo: ") + QDir::toNativeSeparators(path);
    return text + QStringLiteral("\r\nMotivo: ") + reason + QLatin1Char('.');
}

QString copyNotWritten(const QString &path) {
    return QStringLiteral("Não foi possível gravar o arquivo\r\n%1\r\n"
                          "Um arquivo anterior com esse nome foi mantido como estava.")
        .arg(QDir::toNativeSeparators(path));
}
} // namespace SendDataText

namespace {

const QString Error = QStringLiteral("Erro");
const QString Warning = QStringLiteral("Aviso");
constexpr int NameWidth = 21;
constexpr int ModelADescription = 17; // model A keeps 17 characters of a payment description

void tell(const QString &text, const QString &caption) {
    showMessage(text, caption, MessageButtons::Ok, MessageStyle::Information);
}

// Copies `count` bytes of the image at `offset` into a record field of `width` bytes, padding
// with spaces.
void copyField(uint8_t *field, int width, const QByteArray &image, int offset, int count) {
    std::memset(field, ' ', size_t(width));
    std::memcpy(field, image.constData() + offset, size_t(std::min(width, count)));
}

void putIndex(uint8_t index[2], int number) {
    index[0] = uint8_t('0' + number / 10);
    index[1] = uint8_t('0' + number % 10);
}

// ---- The steps, each reading its section of the image ----

bool sendOptions(CommandSet &commands, const QByteArray &image, bool daylightSaving) {
    OptionsBlock options;
    std::memcpy(options.bytes, image.constData() + C2k::OptionsOffset, sizeof options.bytes);
    options.bytes[OptionsBlock::DaylightSaving] = daylightSaving ? '1' : '0';
    return commands.ProgramOptions(options);
}

bool sendTaxRates(CommandSet &commands, const QByteArray &image) {
    for (int k = 0; k < 16; ++k) {
        const int at = C2k::TaxRatesOffset + k * C2k::TaxRateRecordSize;
        TaxRateRecord rate;
        rate.iss = image.at(at) == 'S' ? 1 : 0;
        std::memcpy(rate.rate, image.constData() + at + 1, sizeof rate.rate);
        if (!commands.ProgramTaxRate(rate))
            return false;
    }
    return true;
}

bool sendPaymentMethods(CommandSet &commands, uint32_t model, const QByteArray &image) {
    if (model == ModelB) {
        // Slots 1-16 are methods 01-16; slots 17-32 the linked ones, which the command set puts
        // on the wire as 51-66. Empty descriptions send nothing.
        for (int s = 1; s <= C2k::PaymentSlots; ++s) {
            const int at = C2k::PaymentsOffset + (s - 1) * C2k::PaymentRecordSize;
            PaymentMethodRecord method;
            method.linked = s > 16 ? 1 : 0;
            putIndex(method.index, s > 16 ? s - 16 : s);
            copyField(method.name, NameWidth, image, at + 1, NameWidth);
            if (!commands.ProgramPaymentMethod(method))
                return false;
        }
        return true;
    }
    for (int s = 1; s <= 16; ++s) {
        const int at = C2k::PaymentsOffset + (s - 1) * C2k::PaymentRecordSize;
        PaymentMethodRecord method;
        method.linked = image.at(at) == 'V' ? 1 : 0;
        putIndex(method.index, s);
        copyField(method.name, NameWidth, image, at + 1, ModelADescription);
        if (!commands.ProgramPaymentMethod(method))
            return false;
        // The printer creates the linked voucher of a linked method; a refusal there has been
        // shown and does not stop the run.
        commands.ProgramLinkedTotalizer(method);
    }
    return true;
}

bool sendReportNames(CommandSet &commands, uint32_t model, const QByteArray &image) {
    if (model != ModelB)
        return true; // model A has no management reports
    for (int k = 0; k < 16; ++k) {
        uint8_t name[NameWidth];
        copyField(name, NameWidth, image, C2k::ReportsOffset + k * C2k::ReportRecordSize,
                  NameWidth);
        if (!commands.ProgramReportName(name))
            return false;
    }
    return true;
}

bool sendTotalizers(CommandSet &commands, const QByteArray &image) {
    for (int k = 0; k < 16; ++k) {
        const int at = C2k::TotalizersOffset + k * C2k::TotalizerRecordSize;
        TotalizerRecord totalizer;
        totalizer.sign = image.at(at) == 'E' ? 0 : 1;
        totalizer.unused[0] = totalizer.unused[1] = ' ';
        copyField(totalizer.name, NameWidth, image, at + 1, NameWidth);
        if (!commands.ProgramNonFiscalTotalizer(totalizer))
            return false;
    }
    return true;
}

bool sendBankTable(Link &link, uint32_t model, const std::optional<QByteArray> &table) {
    if (model != ModelB || !table)
        return true; // model A has no check printer
    const BankTableResult result = loadBankTable(link, *table);
    if (result.accepted())
        return true;
    tell(BankTableText::refused(result.code), Error);
    return false;
}

QByteArray headerOf(const QByteArray &image) {
    const uint32_t length = uint8_t(image.at(C2k::HeaderLengthOffset)) |
                            uint32_t(uint8_t(image.at(C2k::HeaderLengthOffset + 1))) << 8 |
                            uint32_t(uint8_t(image.at(C2k::HeaderLengthOffset + 2))) << 16 |
                            uint32_t(uint8_t(image.at(C2k::HeaderLengthOffset + 3))) << 24;
    return image.mid(C2k::HeaderOffset, qsizetype(length));
}

// Makes sure that the run's controls come back whatever way it ends.
class ButtonsBack {
public:
    explicit ButtonsBack(SendDataView &v) : view(v) { view.setButtonsEnabled(false); }
    ~ButtonsBack() {
        view.setButtonsEnabled(true);
        view.hideProgress();
    }
    ButtonsBack(const ButtonsBack &) = delete;
    ButtonsBack &operator=(const ButtonsBack &) = delete;

private:
    SendDataView &view;
};

} // namespace

std::optional<QByteArray> readWholeFile(const QString &path) {
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

std::optional<QByteArray> readBankTableFile(const QString &path, QString &reason) {
    if (path.isEmpty()) {
        reason = QStringLiteral("nenhum arquivo foi escolhido");
        return std::nullopt;
    }
    if (!QFileInfo::exists(path)) {
        reason = QStringLiteral("o arquivo não existe");
        return std::nullopt;
    }
    std::optional<QByteArray> table = readWholeFile(path);
    if (!table)
        reason = QStringLiteral("o arquivo não pode ser lido");
    else if (table->isEmpty())
        reason = QStringLiteral("o arquivo está vazio");
    else
        return table;
    return std::nullopt;
}

ChosenConfiguration examineConfigurationFile(const QString &path, uint32_t model) {
    return examineConfiguration(readWholeFile(path), model);
}

ChosenConfiguration examineConfiguration(const std::optional<QByteArray> &data, uint32_t model) {
    ChosenConfiguration chosen;
    if (!data) {
        chosen.message = SendDataText::FileMissing;
        chosen.caption = Error;
        return chosen;
    }
    const C2kFileInfo info = inspectC2k(*data);
    if (info.old) {
        chosen.message = SendDataText::OldFileAtChoice;
        chosen.caption = Error;
        return chosen;
    }
    if (!info.complete) {
        chosen.message = C2kText::Malformed;
        chosen.caption = Error;
        return chosen;
    }
    if (info.model != model) {
        chosen.message = SendDataText::WrongModel;
        chosen.caption = Warning;
        return chosen;
    }
    chosen.keep = true;
    chosen.ecfNumber = ecfNumberOfFile(*data);
    return chosen;
}

QString ecfNumberOfFile(const QByteArray &data) {
    const QString ecf = QString::fromLatin1(data.mid(C2k::EcfNumberOffset, 4));
    return ecf == QLatin1String("0000") ? QStringLiteral("0001") : ecf;
}

QByteArray ecfNumberField(const QString &text) {
    QByteArray digits = text.trimmed().toLatin1().left(4);
    digits.replace(' ', '0');
    return digits.rightJustified(4, '0');
}

QString nextEcfNumber(const QString &ecf) {
    int next = 10000 + ecf.toInt() + 1;
    if (next == 20000)
        next = 10001;
    return QString::number(next).right(4);
}

QString serialCopyName(uint32_t model, const QString &serial) {
    const QString prefix = model == ModelB ? QStringLiteral("_4700") : QStringLiteral("_210");
    return prefix + QStringLiteral("NS") + serial + QStringLiteral(".c2k");
}

int sendConfiguration(CommandSet &commands, Link &link, const QByteArray &image,
                      const SendDataSettings &settings, ClicheRecord &cliche,
                      const std::function<void(int)> &advanced) {
    // The run changes the programming: the cached configuration block no longer holds.
    invalidateConfigurationCache();
    const std::function<bool()> steps[] = {
        [&] { return commands.TechnicalIntervention(true, settings.sendCliche, cliche); },
        [&] { return sendOptions(commands, image, settings.daylightSaving); },
        [&] { return sendTaxRates(commands, image); },
        [&] { return sendPaymentMethods(commands, settings.model, image); },
        [&] { return sendReportNames(commands, settings.model, image); },
        [&] { return sendTotalizers(commands, image); },
        [&] { return sendBankTable(link, settings.model, settings.bankTable); },
    };
    int done = 0;
    for (const auto &step : steps) {
        const bool succeeded = step();
        invalidateConfigurationCache();
        if (!succeeded)
            break;
        ++done;
        if (advanced)
            advanced(done);
    }
    return done;
}

SendDataResult runSendData(const SendDataRequest &request, CommandSet *commands, Link &link,
                           SendDataView &view) {
    SendDataResult result;
    result.ecfNumber = request.ecfNumber;
    if (!request.printerPresent || !commands) {
        tell(SendDataText::NoPrinter, Error);
        return result;
    }

    const std::optional<QByteArray> read = readWholeFile(request.configurationPath);
    if (!read) {
        tell(SendDataText::FileMissing, Error);
        return result;
    }
    QByteArray image = *read;
    const C2kFileInfo info = inspectC2k(image);
    if (info.old) {
        tell(SendDataText::OldFileAtRun, Error);
        return result;
    }
    if (!info.complete) {
        tell(C2kText::Malformed, Error);
        return result;
    }
    // The file is read again at every run: one that has been replaced by a file of the other
    // model since it was chosen is refused as at the choice, before its tables reach a printer
    // that lays them out differently.
    if (info.model != request.model) {
        tell(SendDataText::WrongModel, Warning);
        return result;
    }

    SendDataSettings settings;
    settings.model = request.model;
    settings.sendCliche = request.sendCliche;
    settings.daylightSaving = request.daylightSaving;
    QString bankTableProblem;
    if (request.sendBankTable && request.model == ModelB)
        settings.bankTable = readBankTableFile(request.bankTablePath, bankTableProblem);

    settings.ecfNumber = ecfNumberField(request.ecfNumber);
    image.replace(C2k::EcfNumberOffset, 4, settings.ecfNumber);

    const ButtonsBack buttons(view);

    const QByteArray header = headerOf(image);
    ClicheRecord cliche{};
    if (request.sendCliche) {
        if (header.isEmpty() &&
            showMessage(SendDataText::EmptyCliche, QStringLiteral("Atenção"), MessageButtons::YesNo,
                        MessageStyle::Question) != MessageAnswer::Yes)
            return result;
        if (headerExceeds(header, HeaderLimit::Sent) ||
            !clicheForSending(request.model, settings.ecfNumber, header, cliche)) {
            tell(SendDataText::headerTooLong(int(header.size())), Error);
            return result;
        }
    }

    view.showProgress(0);
    const int done = sendConfiguration(*commands, link, image, settings, cliche, [&](int steps) {
        result.progress = steps * SendDataProgress::PerStep;
        view.showProgress(result.progress);
    });
    if (done < SendDataProgress::Steps)
        return result;

    result.completed = true;
    if (request.increment)
        result.ecfNumber = nextEcfNumber(QString::fromLatin1(settings.ecfNumber));
    if (bankTableProblem.isEmpty())
        tell(SendDataText::Done, Warning);
    else
        tell(SendDataText::bankTableNotSent(request.bankTablePath, bankTableProblem), Warning);

    if (request.writeSerialCopy) {
        const QString path =
            QDir(request.workingFolder.isEmpty() ? QDir::currentPath() : request.workingFolder)
                .filePath(serialCopyName(request.model, request.serial));
        // An earlier copy of the same printer stays whole when this one cannot be written.
        if (writeFileReplacing(path, image))
            result.copyPath = path;
        else
            tell(SendDataText::copyNotWritten(path), Error);
    }
    return result;
}
