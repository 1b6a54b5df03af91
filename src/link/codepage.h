#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// Conversion between the PC's text (Windows-1252) and the printer's (CP850; model A also
// uses its own codes for 26 Portuguese letters). One byte maps to one byte, so fixed-width
// fields keep their widths. Applied to text fields only, never to a whole frame.

namespace Codepage {

// The longest text converted at once. A larger count converts only the first MaxCount bytes
// and leaves the rest of the destination as it was.
constexpr std::size_t MaxCount = 2048;

// Converts `count` bytes of Windows-1252 text into printer text for `modelCode` (2 = model A,
// anything else = plain CP850). `src` and `dst` may be the same buffer. A character that the
// printer cannot print becomes '?' in CP850 and a space on model A; the result never
// contains 0xFF, which ends the printer's variable texts.
void ToPrinterText(uint32_t modelCode, const uint8_t *src, uint8_t *dst, std::size_t count);

// Converts `count` bytes of printer text to Windows-1252; returns the number of bytes written.
// With `raw` set the model A table is skipped (model A's fiscal memory text is plain CP850).
std::size_t FromPrinterText(uint32_t modelCode, const uint8_t *src, uint8_t *dst, std::size_t count,
                            bool raw);

// The two model A tables (index = byte - 0x80).
extern const uint8_t CP850ToModelA[128];
extern const uint8_t ModelAToCP850[128];

// Windows-1252 bytes and Qt strings, for the windows and tests.
QByteArray toWindows1252(const QString &text);
QString fromWindows1252(const QByteArray &bytes);

} // namespace Codepage
