#include "fiscal/macro_player.h"

#include "core/clock.h"
#include "core/global.h"
#include "core/messages.h"
#include "link/erros.h"
#include "link/serial_new.h"
#include "protocol/command_set.h"
#include "protocol/frame_io.h"

#include <QDir>
#include <QFile>

#include <cstring>

MacroPlayer::MacroPlayer(Link &l, CommandSet *c, uint32_t modelCode, Hooks h)
    : link(l), commands(c), model(modelCode), hooks(std::move(h)) {
}

QString MacroPlayer::badLineMessage(MacroFile::LineStatus status, int lineNumber) {
    const QString what = status == MacroFile::LineStatus::TooLong
                             ? QStringLiteral("é longa demais para ser enviada à impressora")
                             : QStringLiteral("está incompleta (falta o fim de linha)");
    return QStringLiteral("A linha %1 do arquivo de comandos %2.\r\nNada dessa linha foi "
                          "enviado e a execução foi interrompida.")
        .arg(lineNumber)
        .arg(what);
}

std::optional<QByteArray> MacroPlayer::load(const QString &path, uint32_t modelCode) {
    const auto error = [](const QString &text) {
        showMessage(text, QStringLiteral("Erro"), MessageButtons::Ok, MessageStyle::Error);
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return error(QStringLiteral("Não foi possível abrir o arquivo de comandos\r\n%1\r\n(%2)")
                         .arg(QDir::toNativeSeparators(path), file.errorString()));
    const QByteArray data = file.readAll();
    if (!MacroFile::headerMatches(modelCode, data))
        return error(QStringLiteral("O arquivo especificado é incompatível\r\ncom a impressora "
                                    "em uso!\r\n"));
    return data;
}

void MacroPlayer::tellEnd(End end) {
    if (end == End::NoAnswer)
        showMessage(QStringLiteral("A impressora não respondeu.\r\nO envio da seqüência de "
                                   "comandos foi interrompido."),
                    QStringLiteral("Erro"), MessageButtons::Ok, MessageStyle::Error);
}

bool MacroPlayer::askAfterRefusal(uint32_t modelCode, const QByteArray &answer) {
    CheckResponseFor(modelCode, int(answer.size()),
                     reinterpret_cast<const uint8_t *>(answer.data()));
    return showMessage(QStringLiteral("Deseja continuar?"), QStringLiteral("Erro"),
                       MessageButtons::YesNo, MessageStyle::Question) != MessageAnswer::No;
}

MacroPlayer::End MacroPlayer::play(const QByteArray &data, int passes) {
    End end = End::Done;
    for (int pass = 1; pass <= passes && end == End::Done; ++pass) {
        end = playPass(data);
        if (end == End::Done && hooks.passDone)
            hooks.passDone(passes - pass);
    }
    toolState().ViewerFeed = true;
    return end;
}

MacroPlayer::End MacroPlayer::playPass(const QByteArray &data) {
    qsizetype pos = MacroFile::HeaderSize;
    for (int lineNumber = 2;; ++lineNumber) {
        const MacroFile::Line line = MacroFile::decodeLine(data, pos, Link::TxBufferSize);
        if (line.status == MacroFile::LineStatus::End)
            return End::Done;
        if (line.status != MacroFile::LineStatus::Frame) {
            showMessage(badLineMessage(line.status, lineNumber), QStringLiteral("Erro"),
                        MessageButtons::Ok, MessageStyle::Error);
            return End::BadLine;
        }
        pos = line.next;
        if (line.frame.isEmpty())
            continue; // an empty line holds no frame

        QByteArray frame = line.frame;
        MacroFile::patchDocumentNumber(model, frame, toolState().CurrentCOO.get().toLatin1());
        if (stopRequested())
            return End::Stopped;
        bool stopped = false;
        const QByteArray answer = exchange(frame, stopped);
        if (stopped)
            return End::Stopped;
        if (answer.isEmpty())
            return End::NoAnswer;
        ++sent;

        if (FrameIO::isErrorAnswer(model, answer)) {
            if (hooks.refused && !hooks.refused(answer))
                return End::Declined;
        } else if (const auto coo = MacroFile::documentNumber(model, frame, answer)) {
            // Only a document the printer opened has a number: a refused frame keeps the last.
            toolState().CurrentCOO.set(QString::fromLatin1(*coo));
        }

        if (MacroFile::printsAfter(model, frame)) {
            // The idle polls are not worth showing in the traffic viewer.
            toolState().ViewerFeed = false;
            if (stopRequested())
                return End::Stopped;
            if (commands)
                commands->WaitPrinterIdle();
            toolState().ViewerFeed = true;
        }
    }
}

QByteArray MacroPlayer::exchange(const QByteArray &frame, bool &stopped) {
    Link::Exchange hold(link);
    std::memcpy(link.TxBuffer, frame.constData(), size_t(frame.size()));
    link.SendFrame(link.TxBuffer, int(frame.size()));
    int length = link.WaitResponse(link.RxBuffer, WaitNormal);
    for (int attempt = 0; length == 0 && attempt < Retries; ++attempt) {
        if (stopRequested()) {
            stopped = true;
            return {};
        }
        Clock::sleep(RetryPauseMs);
        length = link.WaitResponse(link.RxBuffer, WaitPoll);
    }
    return QByteArray(reinterpret_cast<const char *>(link.RxBuffer), length);
}
