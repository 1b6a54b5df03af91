#pragma once

#include "core/file_dialogs.h"
#include "protocol/command_set.h"

#include <QByteArray>
#include <QString>

#include <functional>

// The fiscal memory reading as the technician asks for it: the period, by reduction counters
// (CRZ) or by dates, the destination letter, and the reading received into a text file.
namespace FiscalMemory {

// ---- The period ----

// The check of a date field before a reading. `ddmmyyyy`: the field's 8 characters without
// its slashes, a position left blank as a space. The year must lie between 1995 and 2094 and
// the month must not be above 12, both compared as text; the day is the printer's to judge.
struct DateCheck {
    bool accepted = true;
    QString text; // the message shown when refused
    QString caption;
};
DateCheck checkDate(const QString &ddmmyyyy);

// A reduction counter of the CRZ field as the frame carries it: "00" and 4 digits (a counter
// typed with fewer digits is read as a number, "12" as 0012).
QByteArray counterField(const QString &digits);
// A date field (ddmmyyyy) as the frame carries it: ddmmyy.
QByteArray dateField(const QString &ddmmyyyy);
// 'X' prints the reading, 'S' sends it to the PC; upper case asks for the summarised reading.
char destination(bool toFile, bool summarised);

// What "Continuar" asks for: the period by dates (ddmmyyyy fields) or by counters (digits),
// the end date field, which is checked whichever the kind of period (empty: there is none),
// and where the reading goes.
struct Request {
    bool byDate = false;
    QString from;
    QString to;
    QString endDate;
    bool toFile = false;
    bool summarised = false;
};
enum class Field { None, From, EndDate };
struct Prepared {
    Field refused = Field::None; // the date refused, its message shown; nothing is to be sent
    QByteArray start;
    QByteArray end;
    char destination = 'x';
};
// Checks the first date of a period by dates, then the end date, showing the first refusal
// (caption and text of checkDate, an error box), and builds the frame's fields.
Prepared prepare(const Request &request);

// ---- The reading ----

// Called with the number of bytes the printer has sent so far (its header included).
using Progress = std::function<void(qint64 bytesReceived)>;

enum class Outcome {
    Printed,         // the printer printed the reading and became idle again
    Saved,           // the whole report is in the file
    Cancelled,       // the user cancelled the file dialog; nothing was sent
    Incomplete,      // the printer stopped sending: what arrived is beside the chosen file
    NothingReceived, // the printer sent no text; no file was written
    Refused,         // the printer refused the reading; no file was written
    WriteFailed      // the file could not be created or written; it was left as it was
};

struct Result {
    Outcome outcome = Outcome::Cancelled;
    QString fileName;
    qint64 bytesReceived = 0; // from the printer, header and end mark included
    qint64 textBytes = 0;     // of report text (what the file holds when it was saved)
};

// The save dialog of the file variant.
FileDialogRequest saveRequest();

// Runs the reading. 'X'/'x' has the printer print it. 'S'/'s' asks for a file name and
// receives the report into that file: exactly the report text as the printer sent it (its
// header and end mark left out), converted to the PC's code page. The file is written whole or
// not at all: it replaces an existing file only once the reading is over, and a write error,
// a refusal or a printer that sent nothing leaves the old file as it was. A printer that stops
// sending part-way leaves the file with what arrived, and the user is told that the reading
// is incomplete. Messages are shown after the reading, never while the link is held.
Result read(CommandSet &commands, const QByteArray &start, const QByteArray &end, char destination,
            const Progress &progress = {});

} // namespace FiscalMemory
