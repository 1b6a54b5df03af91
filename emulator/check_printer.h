#pragma once

#include "printer.h"

#include <QByteArray>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

// Model B's check printer: a slot at the front of the MV4700 where the operator puts a bank
// check; the mechanism pulls it in, prints it and pushes it back out, where it stays until the
// operator takes it.
//
// How the tool drives it (all frames ESC <letter>, answered like every other model B frame):
//   ESC 'b' ddd              the bank of the next check (three digits)
//   ESC 'c' text 0xFF        the city (place of issue)
//   ESC 'd' ddmmyyyy         the date
//   ESC 'f' text 0xFF        the payee
//   ESC 'v' | 'V' 12 digits  print the front, horizontally or vertically, with the amount in
//                            centavos (10 whole digits, 2 decimal)
//   ESC 't' text 0xFF        print a free text on the back (lines separated by CR LF)
//   CAN                      stop: a print under way is abandoned and the check let go
//
// The data frames are stored and answered at once; the bank is checked against the loaded bank
// table only when the front prints. The print frames are answered when the print is done,
// printTimeMs after the frame (3000 ms unless set): the answer comes later, on the printer's
// own, like the late answer of an authentication. A CAN while printing drops that answer and is
// itself answered "00"; a CAN with nothing to stop is also answered "00".
//
// The choices this emulator makes where the printer's documentation is silent:
//   - refusals: "13" a data frame whose digits are not digits; "81" a bank not in the table;
//     "88" an amount of zero or one that is not all digits; "82" (nothing to print) a print
//     frame without a check in the slot, or a back with an empty text; "87" a back before the
//     front of the same check was printed.
//   - once printed, the check is held at the slot's mouth until the operator pulls it out; the
//     status shows it held (s6 bit 3, and s2 bit 2: the slot's document sensor sees paper)
//     until then. A CAN lets it go: held clears, but the check is still in the slot (s2 bit 3)
//     until removed.
//   - the back may be printed once after each front (the check is taken out and put back
//     turned over in between); a new bank frame starts a new check.
namespace emu::detail {

class CheckPrinter {
public:
    using Clock = std::chrono::steady_clock;

    // What the printer answers, in the owning model's layout.
    struct Answers {
        std::function<Reply(const QByteArray &data)> accepted;
        std::function<Reply(const QByteArray &code)> refused;
    };
    // `slot` is the slot's check sensor, which the printer's controls set.
    CheckPrinter(const bool &slot, Answers answers) : inSlot(slot), answers(std::move(answers)) {}

    // ---- The operator ----
    // The check sensor changed: a check taken out is no longer held.
    void slotChanged();
    bool held() const { return isHeld && inSlot; }
    bool printing() const { return job.has_value(); }
    void setPrintTimeMs(int ms) { printMs = ms; }
    int printTimeMs() const { return printMs; }
    // ---- The frames (handlers of model B); `knownBank` tells whether a bank is loaded ----
    Reply bankFrame(const QByteArray &frame);
    Reply cityFrame(const QByteArray &frame);
    Reply dateFrame(const QByteArray &frame);
    Reply payeeFrame(const QByteArray &frame);
    Reply frontFrame(const QByteArray &frame, const std::function<bool(int)> &knownBank);
    Reply backFrame(const QByteArray &frame);
    // CAN: true when it stopped something of the check printer (its answer is then `reply`).
    bool cancel(Reply &reply);

    // The answer of a print that has finished by now, if any.
    std::vector<Reply> takeLateAnswers();

    // What the mechanism printed, for observers: one entry per finished print.
    std::vector<PrintedCheck> printed;

private:
    struct Job {
        Clock::time_point doneAt;
        Reply answer;
        PrintedCheck result;
    };
    const bool &inSlot;
    Answers answers;
    bool isHeld = false;
    bool frontDone = false; // the front of the current check is printed; the back may follow
    int printMs = 3000;
    std::optional<int> bank;
    QByteArray city, date, payee;
    std::optional<Job> job;
};

} // namespace emu::detail
