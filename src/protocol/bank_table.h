#pragma once

#include <QByteArray>
#include <QString>

class Link;

// The bank table of model B's check printer: a file prepared for the printer (".QBK"), which
// the tool neither reads nor changes. Its layout is the printer's business; the tool sends its
// bytes exactly as stored, in pieces of at most BankTablePieceBytes, one right after the other,
// and then waits once (WaitNormal) for the printer's verdict on the whole table.
//
// The check window and the printer initialisation both load a table through loadBankTable.

constexpr int BankTablePieceBytes = 500;

struct BankTableResult {
    enum class Outcome {
        Accepted, // answer bytes 2-3 are "00"
        Refused,  // the printer's code, or "99" when it did not answer in time
        NotSent,  // the port closed while sending: the table did not reach the printer whole
    };
    Outcome outcome = Outcome::NotSent;
    // Answer bytes 2-3: "00" when accepted, else the error code. A printer that does not answer
    // leaves "99" (the link fills the first six bytes of an empty answer with '9'), and so does
    // a closed port. An answer too short to hold a code shows '?' for each missing character.
    QByteArray code;

    bool accepted() const { return outcome == Outcome::Accepted; }
};

// Sends the table and waits for the answer, all as one exchange: no other frame can come
// between the pieces or before the answer. Shows no message (the caller reports the result,
// once the exchange is over).
BankTableResult loadBankTable(Link &link, const QByteArray &file);

namespace BankTableText {
// After an accepted table, caption "Aviso".
extern const QString Loaded;
// The bank table file cannot be opened, caption "Erro".
extern const QString FileMissing;
// A refused table (or no answer): the text and the two code characters, caption "Erro".
QString refused(const QByteArray &code);
} // namespace BankTableText
