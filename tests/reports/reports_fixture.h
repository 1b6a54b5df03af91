#pragma once

#include "printer.h"

#include <QByteArray>

// Everything the printer sends in answer to `frame`, asked of the printer directly.
inline QByteArray answerOf(emu::Printer &printer, const QByteArray &frame) {
    QByteArray bytes;
    for (const emu::Reply &reply : printer.receive(frame))
        for (const emu::Segment &segment : reply)
            bytes += segment.bytes;
    return bytes;
}
