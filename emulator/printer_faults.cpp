#include "printer.h"

// Faults on demand (faults.h): the printer's own (silence, a refusal, switched off while it
// works on a frame) strike at a frame; the line's (noise, a cut, a late answer, switched off
// once an answer has left) at a piece of an answer.

namespace emu {

void Printer::injectFault(const Fault &fault) {
    std::lock_guard lock(mutex);
    const int now = fault.atAnswer() ? answerCount : frameCount;
    armed.push_back({fault, now + std::max(1, fault.step)});
}

void Printer::clearFaults() {
    std::lock_guard lock(mutex);
    armed.clear();
    silent = false;
    failCode.reset();
}

int Printer::framesTaken() const {
    std::lock_guard lock(mutex);
    return frameCount;
}

int Printer::answersSent() const {
    std::lock_guard lock(mutex);
    return answerCount;
}

void Printer::segmentSent(const Segment &segment) {
    if (segment.thenOff)
        setPowered(false);
}

bool Printer::frameFaults() {
    ++frameCount;
    bool off = false;
    std::erase_if(armed, [&](const ArmedFault &a) {
        if (a.fault.atAnswer() || a.at != frameCount)
            return false;
        if (a.fault.kind == Fault::Silent)
            silent = true;
        else if (a.fault.kind == Fault::ErrorCode)
            failCode = a.fault.code;
        else
            off = true;
        return true;
    });
    return off;
}

void Printer::answerFaults(Reply &reply) {
    for (size_t i = 0; i < reply.size(); ++i) {
        Segment &segment = reply[i];
        if (segment.bytes.isEmpty())
            continue;
        ++answerCount;
        bool rest = true; // the rest of the reply still leaves
        std::erase_if(armed, [&](const ArmedFault &a) {
            if (!a.fault.atAnswer() || a.at != answerCount)
                return false;
            QByteArray &bytes = segment.bytes;
            switch (a.fault.kind) {
            case Fault::Garbage:
                for (qsizetype b = 0; b < bytes.size(); ++b)
                    bytes[b] = char(uint8_t(bytes[b]) ^ uint8_t(0x5A + 13 * b));
                break;
            case Fault::Truncated: // never enough for the answer's code
                bytes.truncate(std::min<qsizetype>(3, bytes.size() / 2));
                rest = false;
                break;
            case Fault::PowerOffAfterAnswer:
                segment.thenOff = true;
                rest = false;
                break;
            default: // Late
                segment.pauseMs += a.fault.delayMs;
                break;
            }
            return true;
        });
        if (!rest) {
            reply.resize(i + 1);
            return;
        }
    }
}

} // namespace emu
