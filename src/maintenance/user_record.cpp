#include "maintenance/user_record.h"

#include "core/global.h"
#include "core/messages.h"
#include "core/working_folder.h"
#include "link/codepage.h"
#include "maintenance/cnpj.h"
#include "maintenance/usr_file.h"
#include "protocol/command_set.h"

#include <QDir>

#include <algorithm>
#include <cstring>

namespace UserRecord {
namespace {

void put(uint8_t (&field)[20], const QString &text) {
    const QByteArray bytes = Codepage::toWindows1252(text);
    std::memcpy(field, bytes.constData(), size_t(std::min<qsizetype>(bytes.size(), 20)));
}

const QString Error = QStringLiteral("Erro");
const QString Notice = QStringLiteral("Aviso");

bool blank(const QString &text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == QLatin1Char(' '); });
}

bool declined(const QString &question) {
    return showMessage(question, Notice, MessageButtons::YesNo, MessageStyle::Question) !=
           MessageAnswer::Yes;
}

} // namespace

bool passwordRequired(uint32_t modelCode, double firmwareVersion) {
    // The version is read from text such as "1.22"; the margin keeps 1.22 itself above the
    // line whatever the binary rounding of the two numbers.
    constexpr double Margin = 1e-6;
    return (modelCode == 2 && firmwareVersion + Margin >= 1.22) ||
           (modelCode == 1 && firmwareVersion + Margin >= 1.01);
}

bool codeUsable(const QString &code) {
    const QString trimmed = code.trimmed();
    return trimmed.size() >= 8 && trimmed != UserFile::NoCode;
}

UserRecordBlock build(const QString &cnpj, const QString &ie, const QString &im,
                      const QString &code) {
    UserRecordBlock block;
    std::memset(&block, ' ', sizeof block);
    put(block.cnpj, cnpj);
    put(block.ie, ie);
    put(block.im, im);
    put(block.authorization, code);
    return block;
}

Outcome record(const Run &run) {
    const ToolState &state = toolState();
    const UserFile::Contents &entry = run.entry;
    if (!state.PrinterPresent) {
        showMessage(QStringLiteral("Não existe impressora!"), Error, MessageButtons::Ok,
                    MessageStyle::Error);
        return Outcome::NoPrinter;
    }
    if (!Cnpj::isValid(Cnpj::digitsOf(entry.cnpj))) {
        showMessage(QStringLiteral("CNPJ inválido!"), QStringLiteral("AVISO"), MessageButtons::Ok,
                    MessageStyle::Warning);
        return Outcome::InvalidCnpj;
    }
    const bool noIe = blank(entry.ie);
    const bool noIm = blank(entry.im);
    if (noIe && declined(QStringLiteral("Campo IE em branco!\r\nContinua a gravação?")))
        return Outcome::IeDeclined;
    if (noIm && declined(QStringLiteral("Campo IM em branco!\r\nContinua a gravação?")))
        return Outcome::ImDeclined;
    if (noIe && noIm) {
        showMessage(QStringLiteral("Não é permitido IE e IM em branco!!"), Error,
                    MessageButtons::Ok, MessageStyle::Error);
        return Outcome::BothBlank;
    }
    // Without the maker's code the printer would refuse the user: the request file is written
    // instead, for the technician to send in.
    if (run.passwordRequired && !codeUsable(entry.code)) {
        showMessage(QStringLiteral("Campo Senha Inválido!\r\nSerá gerado um arquivo de "
                                   "configuração para envio à Korvel."),
                    Error, MessageButtons::Ok, MessageStyle::Error);
        return Outcome::NeedsCode;
    }
    const QString code = run.passwordRequired ? entry.code : QString();
    const UserRecordBlock block = build(entry.cnpj, entry.ie, entry.im, code);
    CommandSet *commands = commandSetFor(state.ModelCode);
    if (!commands)
        return Outcome::NotRecorded;
    if (run.busy)
        run.busy(true);
    const bool recorded = commands->RecordUser(block);
    if (recorded && run.writeSerialCopy) {
        const QString serial = state.PrinterSerial.get();
        const QByteArray image =
            UserFile::build(state.ModelCode, serial, {entry.cnpj, entry.ie, entry.im, code});
        writeFile(QDir(WorkingFolder::path()).filePath(UserFile::serialCopyName(serial)), image);
    }
    if (run.busy)
        run.busy(false);
    return recorded ? Outcome::Recorded : Outcome::NotRecorded;
}

std::optional<UserFile::Contents> importFile(const QString &path, const QString &serial) {
    bool opened = false;
    const QByteArray bytes = UserFile::readForImport(path, opened);
    if (!opened) {
        showMessage(QStringLiteral("Não foi possível ler o arquivo\r\n%1").arg(path), Error,
                    MessageButtons::Ok, MessageStyle::Error);
        return std::nullopt;
    }
    const UserFile::Reading reading = UserFile::read(bytes, serial);
    switch (reading.problem) {
    case UserFile::Problem::Empty:
        showMessage(QStringLiteral("O arquivo está vazio e não pode ser importado:\r\n%1")
                        .arg(QDir::toNativeSeparators(path)),
                    Error, MessageButtons::Ok, MessageStyle::Error);
        return std::nullopt;
    case UserFile::Problem::WrongFormat:
        showMessage(QStringLiteral("O formato do arquivo não é válido!"), Error, MessageButtons::Ok,
                    MessageStyle::Error);
        return std::nullopt;
    case UserFile::Problem::None:
        break;
    }
    if (!reading.serialMatches)
        showMessage(QStringLiteral("O número de série da impressora não\r\nconfere com o "
                                   "número lido do arquivo!\r\n"),
                    Notice, MessageButtons::Ok, MessageStyle::Warning);
    return reading.contents;
}

bool writeFile(const QString &path, const QByteArray &image) {
    QString reason;
    if (UserFile::writeReplacing(path, image, &reason))
        return true;
    showMessage(QStringLiteral("Não foi possível gravar o arquivo\r\n%1\r\n%2").arg(path, reason),
                Error, MessageButtons::Ok, MessageStyle::Error);
    return false;
}

} // namespace UserRecord
