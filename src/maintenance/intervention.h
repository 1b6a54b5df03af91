#pragma once

#include "protocol/records.h"

#include <QByteArray>
#include <QString>

class CommandSet;

// The technical intervention as the technician runs it: an optional intervention that clears
// the printer's programming, then the intervention that sends the receipt header (the one the
// printer holds, or an empty one) with the ECF number. Every intervention also sets the
// printer's clock to the PC's, and switches the printer's daylight-saving time off; the
// procedure switches it on again when it was on before.
namespace Intervention {

struct Request {
    bool clearProgramming = false; // "ZZZ R" without the header first
    bool clearHeader = false;      // send an empty header (CR LF) instead of the printer's
    QByteArray ecfNumber;          // 4 digits
};

// Runs the procedure with `commands` (the chosen model's set), using `cliche` for the header.
// Stops at the first step the printer refuses (the refusal has been shown) and returns false;
// on success the tool state's ECF number becomes the one sent. Clears the configuration cache
// before the header is sent: the intervention changes what the printer holds.
bool run(CommandSet &commands, const Request &request, ClicheRecord &cliche);

// Tells the user that the procedure (`clockOnly`: the clock adjustment) succeeded.
void tellDone(bool clockOnly);

// The four digits of a typed ECF number: a shorter entry is filled with zeros on the left
// ("12" is ECF 0012); characters other than digits are left out.
QByteArray ecfDigits(const QString &typed);

// The main window's status line after an intervention.
QString statusLine(const QString &serial, const QString &firmware, const QString &ecfNumber);

} // namespace Intervention
