#pragma once

#include <QByteArray>

// The text line that a command macro holds for one frame the printer accepted:
// ESC and its command byte as "[ESC][ddd]", then the other bytes as they are, except
// LF as "[LF]", CR as "[CR]" and 255 as "[255]"; the line ends with CR LF.
// A frame that does not begin with ESC is written byte by byte.
QByteArray macroLineFor(const QByteArray &frame);

// Whether the model's answer says the printer accepted the frame, as the macro recorder
// judges it: model B (1) when bytes 2-3 are "00", model A (2) unless the answer begins
// with ":E"; any other model code accepts.
bool answerAccepted(unsigned modelCode, const QByteArray &answer);
