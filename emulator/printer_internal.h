#pragma once

#include "printer.h"

// Pieces shared by the common machinery (printer.cpp) and the two models (model_a.cpp,
// model_b.cpp). Not part of the emulator's public face.

namespace emu::detail {

constexpr char Esc = 0x1B;
constexpr char Gs = 0x1D;

// Every answer of both printers ends with these two bytes.
inline QByteArray answerEnd() {
    return QByteArray("\xFF\r", 2);
}

// Both error tables call code 16 a syntax error: the answer to a frame the printer cannot parse.
inline QByteArray syntaxError() {
    return QByteArrayLiteral("16");
}

// A long answer (the fiscal memory reading sent to the PC) leaves in pieces of at most this
// many bytes, half a second of the line at 9600 baud, one right after the other: the printer
// keeps the line full while it produces the text.
constexpr qsizetype StreamPieceBytes = 480;

inline Reply streamed(const QByteArray &bytes) {
    Reply reply;
    for (qsizetype at = 0; at < bytes.size(); at += StreamPieceBytes)
        reply.push_back(Segment{0, bytes.mid(at, StreamPieceBytes)});
    return reply;
}

// The printers' own factories; Printer::create picks one by model.
std::unique_ptr<Printer> makeModelA(const Identity &identity);
std::unique_ptr<Printer> makeModelB(const Identity &identity);

} // namespace emu::detail
