#include "reports/fiscal_memory.h"

#include "core/file_replace.h"
#include "core/working_folder.h"

#include "core/global.h"
#include "core/messages.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cctype>

namespace FiscalMemory {

namespace {
const QString YearText = QStringLiteral("Ano deve estar entre\r\n 1995 e 2094.");
const QString ErrorCaption = QStringLiteral("Erro");

void showError(const QString &text) {
    showMessage(text, ErrorCaption, MessageButtons::Ok, MessageStyle::Error);
}

void showWriteError(const QString &fileName, const QString &reason) {
    showError(QStringLiteral("Não foi possível gravar o arquivo\r\n%1\r\n(%2).\r\n"
                             "O arquivo não foi alterado.")
                  .arg(QDir::toNativeSeparators(fileName), reason));
}

// "mf.txt" -> "mf.incompleta.txt": where a reading that ended early is kept.
QString incompleteFileName(const QString &chosen) {
    const QFileInfo info(chosen);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? info.fileName() : info.completeBaseName();
    return info.dir().filePath(base + QStringLiteral(".incompleta") +
                               (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix));
}

Result readToFile(CommandSet &commands, const QByteArray &start, const QByteArray &end,
                  char destination, const Progress &progress) {
    Result result;
    result.fileName = askSaveFileName(saveRequest());
    if (result.fileName.isEmpty())
        return result; // Cancelled: nothing is sent

    // The report goes to a temporary file beside the chosen one, which takes its place only
    // when the reading is over and every byte was written.
    QSaveFile file(result.fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        result.outcome = Outcome::WriteFailed;
        showWriteError(result.fileName, file.errorString());
        return result;
    }
    bool writeFailed = false;
    QByteArray arrived; // kept aside for a reading that ends early (see below)
    CommandSet::ReadingEnd how = CommandSet::ReadingEnd::Failed;
    commands.ReadFiscalMemory(
        start.constData(), end.constData(), destination,
        [&](const QByteArray &text, qint64 received) {
            // Runs while the link is held: no message here, only note what happened.
            result.bytesReceived = received;
            result.textBytes += text.size();
            arrived += text;
            // Each chunk goes out at once, so that a full disk shows in the flush rather than
            // slipping past the final commit.
            if (!writeFailed && (file.write(text) != text.size() || !file.flush()))
                writeFailed = true;
            if (progress)
                progress(received);
        },
        &how);

    switch (how) {
    case CommandSet::ReadingEnd::Failed:
        // The printer's refusal has been shown by the command.
        file.cancelWriting();
        result.outcome = Outcome::Refused;
        return result;
    case CommandSet::ReadingEnd::Silent:
        if (result.textBytes == 0) {
            file.cancelWriting();
            result.outcome = Outcome::NothingReceived;
            showError(QStringLiteral("A impressora não enviou a leitura da memória fiscal.\r\n"
                                     "Nenhum arquivo foi gravado."));
            return result;
        }
        // A reading the printer broke off never takes the chosen file's place (an earlier
        // reading there stays as it was); what arrived goes beside it, under a name that says
        // it is incomplete.
        file.cancelWriting();
        result.outcome = Outcome::Incomplete;
        result.fileName = incompleteFileName(result.fileName);
        if (QString reason; !writeFileReplacing(result.fileName, arrived, &reason)) {
            result.outcome = Outcome::WriteFailed;
            showWriteError(result.fileName, reason);
            return result;
        }
        showMessage(QStringLiteral("A leitura da memória fiscal terminou incompleta: a impressora "
                                   "parou de enviar dados.\r\n"
                                   "O que foi recebido (%1 bytes) foi gravado em\r\n%2")
                        .arg(result.textBytes)
                        .arg(QDir::toNativeSeparators(result.fileName)),
                    QStringLiteral("Aviso"), MessageButtons::Ok, MessageStyle::Warning);
        return result;
    case CommandSet::ReadingEnd::Complete:
        result.outcome = Outcome::Saved;
        break;
    }
    if (writeFailed || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        result.outcome = Outcome::WriteFailed;
        showWriteError(result.fileName, reason);
        return result;
    }
    return result;
}
} // namespace

DateCheck checkDate(const QString &ddmmyyyy) {
    const QString year = ddmmyyyy.mid(4, 4);
    if (year < QLatin1String("1995"))
        return {false, YearText, QStringLiteral("Ano inválido")};
    if (year > QLatin1String("2094"))
        return {false, YearText, ErrorCaption};
    if (ddmmyyyy.mid(2, 2) > QLatin1String("12"))
        return {false, QStringLiteral("Mês inválido."), ErrorCaption};
    return {};
}

QByteArray counterField(const QString &digits) {
    QByteArray counter;
    for (QChar c : digits) {
        if (c.isDigit())
            counter.append(char(c.unicode()));
    }
    return "00" + counter.right(4).rightJustified(4, '0');
}

QByteArray dateField(const QString &ddmmyyyy) {
    const QByteArray text = ddmmyyyy.toLatin1().leftJustified(8, ' ');
    return text.left(4) + text.mid(6, 2);
}

char destination(bool toFile, bool summarised) {
    const char letter = toFile ? 'S' : 'X';
    return summarised ? letter : char(std::tolower(letter));
}

Prepared prepare(const Request &request) {
    Prepared prepared;
    const auto refuse = [&](const QString &date, Field field) {
        const DateCheck check = checkDate(date);
        if (!check.accepted) {
            showMessage(check.text, check.caption, MessageButtons::Ok, MessageStyle::Error);
            prepared.refused = field;
        }
        return !check.accepted;
    };
    if ((request.byDate && refuse(request.from, Field::From)) ||
        (!request.endDate.isEmpty() && refuse(request.endDate, Field::EndDate)))
        return prepared;
    prepared.destination = destination(request.toFile, request.summarised);
    prepared.start = request.byDate ? dateField(request.from) : counterField(request.from);
    prepared.end = request.byDate ? dateField(request.to) : counterField(request.to);
    return prepared;
}

FileDialogRequest saveRequest() {
    return {QStringLiteral("Leitura da Memória Fiscal"), WorkingFolder::path(),
            QStringLiteral("Arquivo texto (*.txt)"), QStringLiteral("txt")};
}

Result read(CommandSet &commands, const QByteArray &start, const QByteArray &end, char destination,
            const Progress &progress) {
    if (std::toupper(uint8_t(destination)) == 'S')
        return readToFile(commands, start, end, destination, progress);
    Result result;
    // The printer prints the reading; the command waits until it is idle again.
    commands.ReadFiscalMemory(start.constData(), end.constData(), destination);
    result.outcome = Outcome::Printed;
    return result;
}

} // namespace FiscalMemory
