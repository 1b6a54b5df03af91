#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace emu {

// A fault the printer or its line shows on demand, counted from the moment it is armed: at the
// `step`-th frame the printer takes (1: the next one), or at the `step`-th piece of an answer it
// sends. An answer is usually one piece; a long one (the fiscal memory reading sent to the PC)
// leaves in several.
//
// The same faults serve the tests, the emulator panel and printer-emulator's --fault option.
struct Fault {
    enum Kind {
        // At a frame:
        Silent,    // stops answering from that frame on, until the fault is cleared
        PowerOff,  // takes the frame, acts on it, and is switched off before it answers
        ErrorCode, // refuses the frame (the next command from it on) with `code`
        // At an answer:
        Garbage,             // every byte changed, the length kept (noise on the line)
        Truncated,           // the line drops after a few bytes; the rest of the answer is lost
        PowerOffAfterAnswer, // switched off once that piece has left
        Late,                // that piece leaves `delayMs` later
    };
    Kind kind = Silent;
    int step = 1;
    QByteArray code = "16"; // ErrorCode: two digits
    int delayMs = 0;        // Late
    bool atAnswer() const { return kind >= Garbage; }
};

// Reads a fault as printer-emulator's --fault option writes it: KIND[=VALUE][@N], with KIND one
// of silent, off, error=CODE, garbage, cut, off-after-answer, late=MS, and N the frame or
// answer it strikes (1 unless given). On a mistake, nothing and a message in `error`.
std::optional<Fault> parseFault(const QString &text, QString *error = nullptr);
// The fault written as parseFault reads it.
QString faultText(const Fault &fault);

} // namespace emu
