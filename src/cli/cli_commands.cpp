#include "cli/cli_commands.h"

#include "app/printer_identity.h"
#include "app/status_lights.h"
#include "cli/cli_console.h"
#include "core/clock.h"
#include "core/clock_text.h"
#include "core/global.h"
#include "core/working_folder.h"
#include "fiscal/macro_player.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "maintenance/intervention.h"
#include "maintenance/user_record.h"
#include "programming/c2k_file.h"
#include "programming/send_data_run.h"
#include "programming/table_transfer.h"
#include "protocol/command_set.h"
#include "reports/daily_reports.h"
#include "reports/fiscal_memory.h"
#include "reports/printer_clock.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

namespace Cli {

namespace {

const QString ErrorCaption = QStringLiteral("Erro");

// A fiscal memory reading's outcome: its name in the JSON result, and in words for the user.
const std::pair<const char *, const char *> OutcomeNames[] = {
    {"printed", "impressa"},
    {"saved", "gravada no arquivo"},
    {"cancelled", "cancelada"},
    {"incomplete", "incompleta"},
    {"nothing received", "nada recebido"},
    {"refused", "recusada pela impressora"},
    {"write failed", "falha ao gravar o arquivo"}};

QString outcomeInWords(const QString &name) {
    for (const auto &[json, words] : OutcomeNames)
        if (name == QLatin1String(json))
            return QString::fromUtf8(words);
    return name;
}

void tellError(const QString &text) {
    showMessage(text, ErrorCaption, MessageButtons::Ok, MessageStyle::Error);
}

QString absolute(const QString &path) {
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

QString modelName(uint32_t model) {
    return model == ModelA ? QStringLiteral("MV210") : QStringLiteral("MV4700");
}

// The models to try on a port: the built-in printers say theirs by name.
QList<uint32_t> modelsFor(const Options &o, const QString &port) {
    if (o.model != ModelNone)
        return {o.model};
    if (port == QLatin1String(EmulatedPorts::ModelAPort))
        return {ModelA};
    if (port == QLatin1String(EmulatedPorts::ModelBPort))
        return {ModelB};
    return {ModelB, ModelA};
}

// The port open and the printer identified, as the identification thread leaves the tool
// state; the port is closed again when it goes.
class Session {
public:
    ~Session() {
        printerLink().ClosePort();
        ToolState &state = toolState();
        state.PortOpen = false;
        state.PrinterPresent = false;
        invalidateConfigurationCache();
    }
    int open(const Options &o, const QString &port, QJsonObject &r) {
        ToolState &state = toolState();
        if (printerLink().OpenPort(port, 9600, false) != 0) {
            tellError(QStringLiteral("Não foi possível abrir a porta %1.").arg(port));
            return NoPrinter;
        }
        state.PortOpen = true;
        for (uint32_t model : modelsFor(o, port)) {
            state.ModelCode = model;
            if (!identifyPrinter(printerLink()))
                continue;
            state.PrinterPresent = true;
            r.insert(QStringLiteral("model"), modelName(model));
            r.insert(QStringLiteral("serial"), state.PrinterSerial.get());
            r.insert(QStringLiteral("firmware"), state.FirmwareVersion.get());
            r.insert(QStringLiteral("ecf"), state.EcfNumber.get());
            return Done;
        }
        tellError(QStringLiteral("Nenhuma impressora respondeu na porta %1.").arg(port));
        return NoPrinter;
    }
};

int status(QJsonObject &r) {
    const ToolState &state = toolState();
    StatusRecord status;
    if (!commandSetFor(state.ModelCode)->ReadStatus(status)) {
        tellError(QStringLiteral("A impressora não respondeu ao pedido de status."));
        return Failed;
    }
    const double firmware = state.FirmwareVersionNumber;
    const StatusLights::Lights lit = StatusLights::decode(state.ModelCode, firmware, status);
    // The lights the status window leaves greyed for the model are not told.
    const bool modelA = state.ModelCode == ModelA;
    QJsonArray flags;
    for (int i = 0; i < StatusLights::Count; ++i) {
        if ((!modelA && (i == 0 || i == 4 || i == 5)) ||
            (i == 2 && !StatusLights::reductionPendingKnown(state.ModelCode, firmware)))
            continue;
        flags.append(QJsonObject{{QStringLiteral("name"), StatusLights::name(i)},
                                 {QStringLiteral("on"), lit[size_t(i)]}});
    }
    r.insert(QStringLiteral("status"), flags);
    return Done;
}

int readConfig(const Options &o, CommandSet &set, QJsonObject &r, const ConsoleMessages &shown,
               Progress &progress) {
    const ToolState &state = toolState();
    const int errorsBefore = shown.count(MessageStyle::Error);
    EditDataCopy copy;
    int step = 0;
    readAllTables(set, copy, state.ModelCode, state.FirmwareVersionNumber,
                  [&] { progress.show(QStringLiteral("Lendo tabelas"), ++step, 15); });
    // A table that could not be read has been told; a partial copy is never saved.
    if (shown.count(MessageStyle::Error) > errorsBefore)
        return Failed;
    QString refusal;
    const QByteArray data = writeC2k(state.ModelCode, copy.tables, &refusal);
    if (data.isEmpty()) {
        tellError(refusal);
        return Failed;
    }
    QString reason;
    const QString path = absolute(o.output);
    if (!writeC2kFile(path, data, &reason)) {
        tellError(C2kText::notSaved(path, reason));
        return BadUsage;
    }
    r.insert(QStringLiteral("file"), path);
    return Done;
}

class ProgressView : public SendDataView {
public:
    explicit ProgressView(Progress &p) : progress(p) {}
    void setButtonsEnabled(bool) override {}
    void showProgress(int value) override {
        progress.show(QStringLiteral("Enviando dados"), value, SendDataProgress::Maximum);
    }
    void hideProgress() override {}

private:
    Progress &progress;
};

int sendData(const Options &o, CommandSet &set, QJsonObject &r, Progress &progress) {
    const ToolState &state = toolState();
    const ChosenConfiguration chosen = examineConfigurationFile(o.file, state.ModelCode);
    if (!chosen.message.isEmpty())
        showMessage(chosen.message, chosen.caption, MessageButtons::Ok,
                    chosen.keep ? MessageStyle::Warning : MessageStyle::Error);
    if (!chosen.keep)
        return BadUsage;
    SendDataRequest request;
    request.model = state.ModelCode;
    request.printerPresent = state.PrinterPresent;
    request.serial = state.PrinterSerial.get();
    request.configurationPath = o.file;
    request.ecfNumber = o.ecf.isEmpty() ? chosen.ecfNumber : o.ecf;
    request.sendCliche = !o.noHeader;
    request.daylightSaving = o.daylightSaving;
    request.workingFolder = WorkingFolder::path();
    // Model B's check printer gets the bank table named, or the one that comes with the program.
    if (state.ModelCode == ModelB) {
        request.bankTablePath = o.bankTable.isEmpty()
                                    ? WorkingFolder::bundledFile(QStringLiteral("bancos.QBK"))
                                    : absolute(o.bankTable);
        // As in the window, a table that cannot be read leaves the rest of the run alone and
        // is told at its end; a table named on the command line must be there.
        QString reason;
        request.sendBankTable = true;
        if (!o.bankTable.isEmpty() && !readBankTableFile(request.bankTablePath, reason)) {
            tellError(QStringLiteral("A tabela de bancos %1 não pode ser enviada: %2.")
                          .arg(request.bankTablePath, reason));
            return BadUsage;
        }
    }
    ProgressView view(progress);
    const SendDataResult result = runSendData(request, &set, printerLink(), view);
    if (result.completed)
        r.insert(QStringLiteral("next_ecf"), result.ecfNumber);
    if (!result.copyPath.isEmpty())
        r.insert(QStringLiteral("copy"), result.copyPath);
    return result.completed ? Done : Failed;
}

int clock(const Options &o, CommandSet &set, QJsonObject &r) {
    ToolState &state = toolState();
    if (o.setClock) {
        // The intervention that keeps programming, header and ECF number: it only brings the
        // PC's date and time, which every intervention frame carries, to the printer.
        Intervention::Request request;
        request.ecfNumber = Intervention::ecfDigits(state.EcfNumber.get());
        ClicheRecord cliche;
        if (!Intervention::run(set, request, cliche))
            return Failed;
    }
    if (!ReadPrinterClock(&set)) {
        tellError(QStringLiteral("Não foi possível ler o relógio da impressora."));
        return Failed;
    }
    if (o.setClock)
        Intervention::tellDone(true);
    const QDateTime printer = ClockText::fromDays(state.PrinterClock);
    r.insert(QStringLiteral("clock"), printer.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
    r.insert(QStringLiteral("daylight_saving"), state.PrinterDst.load());
    r.insert(QStringLiteral("difference_seconds"), Clock::now().secsTo(printer));
    return Done;
}

int fiscalMemory(const Options &o, CommandSet &set, QJsonObject &r, Progress &progress) {
    FiscalMemory::Request request;
    request.byDate = o.byDate;
    request.from = o.from;
    request.to = o.to;
    request.endDate = o.byDate ? o.to : QString();
    request.toFile = !o.output.isEmpty();
    request.summarised = toolState().ModelCode == ModelB && !o.full;
    const FiscalMemory::Prepared prepared = FiscalMemory::prepare(request);
    if (prepared.refused != FiscalMemory::Field::None)
        return BadUsage;
    const FiscalMemory::Result result = FiscalMemory::read(
        set, prepared.start, prepared.end, prepared.destination, [&](qint64 received) {
            progress.show(QStringLiteral("Recebendo"), received, 0, QStringLiteral("bytes"));
        });
    using FiscalMemory::Outcome;
    r.insert(QStringLiteral("outcome"), QLatin1String(OutcomeNames[int(result.outcome)].first));
    r.insert(QStringLiteral("bytes"), result.bytesReceived);
    if (result.outcome == Outcome::Saved || result.outcome == Outcome::Incomplete)
        r.insert(QStringLiteral("file"), result.fileName);
    switch (result.outcome) {
    case Outcome::Printed:
    case Outcome::Saved:
        return Done;
    case Outcome::WriteFailed:
    case Outcome::Cancelled:
        return BadUsage;
    default:
        return Failed;
    }
}

int recordUser(const Options &o, QJsonObject &r) {
    const ToolState &state = toolState();
    const QString serial = state.PrinterSerial.get();
    const std::optional<UserFile::Contents> contents = UserRecord::importFile(o.file, serial);
    if (!contents)
        return BadUsage;
    UserRecord::Run run;
    run.entry = *contents;
    run.passwordRequired =
        UserRecord::passwordRequired(state.ModelCode, state.FirmwareVersionNumber.load());
    switch (UserRecord::record(run)) {
    case UserRecord::Outcome::Recorded:
        return Done;
    case UserRecord::Outcome::NotRecorded:
        return Failed;
    case UserRecord::Outcome::NoPrinter:
        return NoPrinter;
    case UserRecord::Outcome::NeedsCode: {
        // As the window does: the request file for the maker's code, in the working folder.
        const QString path = QDir(WorkingFolder::path())
                                 .filePath(UserFile::defaultFileName(state.ModelCode, serial));
        if (UserRecord::writeFile(path, UserFile::build(state.ModelCode, serial, run.entry)))
            r.insert(QStringLiteral("request_file"), path);
        return BadUsage;
    }
    default:
        return BadUsage;
    }
}

int playMacro(const Options &o, CommandSet &set, QJsonObject &r, Progress &progress) {
    const uint32_t model = toolState().ModelCode;
    const std::optional<QByteArray> data = MacroPlayer::load(o.file, model);
    if (!data)
        return BadUsage;
    MacroPlayer::Hooks hooks;
    hooks.refused = [model](const QByteArray &answer) {
        return MacroPlayer::askAfterRefusal(model, answer);
    };
    hooks.passDone = [&](int remaining) {
        progress.show(QStringLiteral("Executando"), o.times - remaining, o.times);
    };
    MacroPlayer player(printerLink(), &set, model, hooks);
    const MacroPlayer::End end = player.play(*data, o.times);
    MacroPlayer::tellEnd(end);
    r.insert(QStringLiteral("frames"), player.framesSent());
    switch (end) {
    case MacroPlayer::End::Done:
        return Done;
    case MacroPlayer::End::BadLine:
        return BadUsage;
    default:
        return Failed;
    }
}

int runCommand(const Options &o, QJsonObject &r, const ConsoleMessages &shown, Progress &progress) {
    CommandSet &set = *commandSetFor(toolState().ModelCode);
    const QString &c = o.command;
    if (c == QLatin1String("identify"))
        return Done;
    if (c == QLatin1String("status"))
        return status(r);
    if (c == QLatin1String("read-config"))
        return readConfig(o, set, r, shown, progress);
    if (c == QLatin1String("send-data"))
        return sendData(o, set, r, progress);
    if (c == QLatin1String("leitura-x"))
        return DailyReports::print(set, DailyReports::Report::ReadingX) ? Done : Failed;
    if (c == QLatin1String("reducao-z")) {
        if (!DailyReports::confirmReductionZ())
            return BadUsage;
        return DailyReports::print(set, DailyReports::Report::ReductionZ) ? Done : Failed;
    }
    if (c == QLatin1String("clock"))
        return clock(o, set, r);
    if (c == QLatin1String("fiscal-memory"))
        return fiscalMemory(o, set, r, progress);
    if (c == QLatin1String("record-user"))
        return recordUser(o, r);
    if (c == QLatin1String("play-macro"))
        return playMacro(o, set, r, progress);
    return BadUsage;
}

} // namespace

QJsonObject runOnPort(const Options &o, const QString &port, FILE *err) {
    ConsoleMessages messages(err, o.yes, o.quiet);
    ConsoleFileDialogs dialogs(absolute(o.file), absolute(o.output));
    QJsonObject result{{QStringLiteral("port"), port}, {QStringLiteral("command"), o.command}};
    int exit = Done;
    {
        Progress progress(err, o.quiet);
        Session session;
        exit = session.open(o, port, result);
        if (exit == Done)
            exit = runCommand(o, result, messages, progress);
    }
    result.insert(QStringLiteral("exit"), exit);
    result.insert(QStringLiteral("messages"), messages.shown());
    return result;
}

QString describe(const QJsonObject &r) {
    static const std::pair<const char *, const char *> Labels[] = {
        {"model", "Modelo"},
        {"serial", "Número de série"},
        {"firmware", "Software básico"},
        {"ecf", "Número do ECF"},
        {"clock", "Relógio da impressora"},
        {"daylight_saving", "Horário de verão"},
        {"difference_seconds", "Diferença para o PC (s)"},
        {"file", "Arquivo"},
        {"copy", "Cópia com número de série"},
        {"next_ecf", "Próximo número do ECF"},
        {"request_file", "Arquivo para pedir a senha"},
        {"outcome", "Resultado da leitura"},
        {"bytes", "Bytes recebidos"},
        {"frames", "Comandos enviados"},
    };
    QString text;
    for (const auto &[key, label] : Labels) {
        const QJsonValue value = r.value(QLatin1String(key));
        if (value.isUndefined())
            continue;
        const QString shown = value.isBool()     ? (value.toBool() ? "sim" : "não")
                              : value.isDouble() ? QString::number(qint64(value.toDouble()))
                              : QLatin1String(key) == QLatin1String("outcome")
                                  ? outcomeInWords(value.toString())
                                  : value.toString();
        text += QString::fromUtf8(label) + QStringLiteral(": ") + shown + u'\n';
    }
    for (const QJsonValue &flag : r.value(QStringLiteral("status")).toArray())
        text += (flag[QStringLiteral("on")].toBool() ? QStringLiteral("[x] ")
                                                     : QStringLiteral("[ ] ")) +
                flag[QStringLiteral("name")].toString() + u'\n';
    return text;
}

} // namespace Cli
