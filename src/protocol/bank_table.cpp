#include "protocol/bank_table.h"

#include "link/serial_new.h"
#include "protocol/frame_io.h"

namespace BankTableText {
const QString Loaded = QStringLiteral("Envio efetuado com sucesso!");
const QString FileMissing = QStringLiteral("Arquivo de Cheques Inexistente");

QString refused(const QByteArray &code) {
    return QStringLiteral("Erro ao carregar tabela!\r\nCódigo de Erro: ") +
           QString::fromLatin1(code);
}
} // namespace BankTableText

BankTableResult loadBankTable(Link &link, const QByteArray &file) {
    BankTableResult result;
    QByteArray answer;
    bool sentWhole = true;
    {
        FrameIO::Session session(link);
        for (qsizetype at = 0; at < file.size(); at += BankTablePieceBytes) {
            if (!session.send(file.mid(at, BankTablePieceBytes))) {
                sentWhole = false; // the port is closed: nothing more can go out
                break;
            }
        }
        // The printer answers once, for the whole table. With the port closed the wait returns
        // at once with nothing.
        answer = session.wait(WaitNormal);
    }

    if (answer.isEmpty()) {
        result.code = "99";
    } else {
        result.code = answer.mid(2, 2);
        while (result.code.size() < 2)
            result.code += '?';
    }
    if (!sentWhole)
        result.outcome = BankTableResult::Outcome::NotSent;
    else if (result.code == "00")
        result.outcome = BankTableResult::Outcome::Accepted;
    else
        result.outcome = BankTableResult::Outcome::Refused;
    return result;
}
