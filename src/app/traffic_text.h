#pragma once

#include <QByteArray>
#include <QString>

// The two forms in which the traffic viewer shows the bytes on the line.
namespace TrafficText {

// Each byte as two upper-case hexadecimal digits and a space; three spaces after the last.
QString hex(const QByteArray &bytes);

// Printable characters as themselves, a space as "b", CR and LF as "[CR]" and "[LF]", ESC and
// GS of a sent frame as "[ESC]" and "[GS]", and every other byte as "[ddd]". One space follows
// a sent frame, three a received answer.
QString text(const QByteArray &bytes, bool sent);

} // namespace TrafficText
