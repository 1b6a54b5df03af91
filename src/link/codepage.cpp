#include "link/codepage.h"

#include <QChar>

#include <algorithm>
#include <array>

// The tool types its texts in Windows-1252 and the printers print CP850. Both code pages are
// single-byte, so the conversion is a lookup per byte through Unicode: Windows-1252 byte ->
// code point -> CP850 byte, and back. The lookup tables are built at compile time from the two
// code pages' definitions below, so there is no dependency on the platform's converters and
// the result is the same on every system.
//
// Model A understands only 26 Portuguese letters above 0x7F, at codes of its own; its two
// tables translate between CP850 and those codes and turn everything else into a space.

namespace Codepage {

// clang-format off
// Defined constexpr (the header declares them extern) so that the conversion tables below
// are built at compile time.
constexpr uint8_t CP850ToModelA[128] = {
    0xA6, 0xD9, 0xC8, 0xC3, 0x20, 0x20, 0x20, 0xC6, 0xC9, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0xA8, 0x20, 0x20, 0xD2, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0xB9, 0x20, 0x20, 0x20, 0x20, 0x20,
    0xC2, 0xCC, 0xD1, 0xD7, 0x20, 0x20, 0xDC, 0xDD, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x20, 0x20, 0x20, 0x20, 0x20, 0xA2, 0xA3, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0xC4, 0xA4, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x20, 0x20, 0xA9, 0x20, 0x20, 0x20, 0xAC, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0xB1, 0x20, 0xB2, 0x20, 0xD3, 0xB3, 0x20, 0x20, 0x20, 0xB7, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
};

constexpr uint8_t ModelAToCP850[128] = {
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x20, 0x20, 0xB5, 0xB6, 0xC7, 0x20, 0x80, 0x20, 0x90, 0xD2, 0x20, 0x20, 0xD6, 0x20, 0x20, 0x20,
    0x20, 0xE0, 0xE2, 0xE5, 0x20, 0x20, 0x20, 0xE9, 0x20, 0x9A, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x20, 0x20, 0xA0, 0x83, 0xC6, 0x20, 0x87, 0x20, 0x82, 0x88, 0x20, 0x20, 0xA1, 0x20, 0x20, 0x20,
    0x20, 0xA2, 0x93, 0xE4, 0x20, 0x20, 0x20, 0xA3, 0x20, 0x81, 0x20, 0x20, 0xA6, 0xA7, 0x20, 0x20,
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
};
// clang-format on

namespace {

constexpr uint8_t Space = 0x20;
constexpr uint8_t DefaultChar = '?';
// Ends every variable text in a printer frame; a text field must never contain it.
constexpr uint8_t TextEnd = 0xFF;
constexpr uint32_t ModelACode = 2;

// Windows-1252 0x80-0x9F. The five bytes that Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) stand for the C1 control of the same value, as Windows converts them.
// 0xA0-0xFF are ISO 8859-1, so they equal their code points.
constexpr char16_t Windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98
};

// IBM code page 850, 0x80-0xFF; the lower half is ASCII (controls included).
constexpr char16_t CP850High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, // A0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, // B0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510, // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, // C8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE, // D0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, // D8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, // E0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4, // E8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8, // F0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0, // F8
};

constexpr char16_t windows1252ToUnicode(uint8_t byte) {
    return byte >= 0x80 && byte < 0xA0 ? Windows1252High[byte - 0x80] : char16_t(byte);
}

constexpr char16_t cp850ToUnicode(uint8_t byte) {
    return byte < 0x80 ? char16_t(byte) : CP850High[byte - 0x80];
}

// Returns the byte that stands for `code` in the code page given by `toUnicode`, or -1.
template <typename ToUnicode> constexpr int findByte(char16_t code, ToUnicode toUnicode) {
    for (int byte = 0; byte < 256; ++byte) {
        if (toUnicode(uint8_t(byte)) == code)
            return byte;
    }
    return -1;
}

using ByteTable = std::array<uint8_t, 256>;

// Windows-1252 -> CP850 as sent to model B (and to any printer other than model A).
constexpr ByteTable makeToCP850() {
    ByteTable table{};
    for (int byte = 0; byte < 256; ++byte) {
        const int cp850 = findByte(windows1252ToUnicode(uint8_t(byte)), cp850ToUnicode);
        table[byte] = cp850 < 0 ? DefaultChar : uint8_t(cp850);
    }
    // CP850 has the non-breaking space at 0xFF, which the printer reads as the end of the
    // text; a plain space prints the same.
    table[0xA0] = Space;
    return table;
}

// Windows-1252 -> model A. A character missing from CP850 prints as a space on model A, like
// the CP850 characters that model A lacks, rather than as the CP850 default character.
constexpr ByteTable makeToModelA() {
    ByteTable table{};
    for (int byte = 0; byte < 256; ++byte) {
        const int cp850 = findByte(windows1252ToUnicode(uint8_t(byte)), cp850ToUnicode);
        if (cp850 < 0)
            table[byte] = Space;
        else if (cp850 < 0x80)
            table[byte] = uint8_t(cp850);
        else
            table[byte] = CP850ToModelA[cp850 - 0x80];
    }
    return table;
}

// CP850 -> Windows-1252; a character that Windows-1252 lacks (box drawing and the like)
// becomes the default character.
constexpr ByteTable makeFromCP850() {
    ByteTable table{};
    for (int byte = 0; byte < 256; ++byte) {
        const int ansi = findByte(cp850ToUnicode(uint8_t(byte)), windows1252ToUnicode);
        table[byte] = ansi < 0 ? DefaultChar : uint8_t(ansi);
    }
    return table;
}

// Model A -> Windows-1252, through CP850.
constexpr ByteTable makeFromModelA(const ByteTable &fromCP850) {
    ByteTable table{};
    for (int byte = 0; byte < 256; ++byte)
        table[byte] = byte < 0x80 ? uint8_t(byte) : fromCP850[ModelAToCP850[byte - 0x80]];
    return table;
}

constexpr ByteTable ToCP850 = makeToCP850();
constexpr ByteTable ToModelA = makeToModelA();
constexpr ByteTable FromCP850 = makeFromCP850();
constexpr ByteTable FromModelA = makeFromModelA(FromCP850);

constexpr bool neverTextEnd(const ByteTable &table) {
    for (uint8_t byte : table) {
        if (byte == TextEnd)
            return false;
    }
    return true;
}
static_assert(neverTextEnd(ToCP850) && neverTextEnd(ToModelA));

void translate(const ByteTable &table, const uint8_t *src, uint8_t *dst, std::size_t count) {
    // Byte for byte, so converting in place is safe.
    for (std::size_t i = 0; i < count; ++i)
        dst[i] = table[src[i]];
}

} // namespace

// Callers pass the width of a frame field, which never exceeds MaxCount; a larger count
// converts only the first MaxCount bytes and leaves the rest of `dst` untouched.
void ToPrinterText(uint32_t modelCode, const uint8_t *src, uint8_t *dst, std::size_t count) {
    if (!src || !dst)
        return;
    translate(modelCode == ModelACode ? ToModelA : ToCP850, src, dst, std::min(count, MaxCount));
}

// Returns the number of bytes written: `count`, or MaxCount when `count` is larger.
std::size_t FromPrinterText(uint32_t modelCode, const uint8_t *src, uint8_t *dst, std::size_t count,
                            bool raw) {
    if (!src || !dst)
        return 0;
    count = std::min(count, MaxCount);
    translate(modelCode == ModelACode && !raw ? FromModelA : FromCP850, src, dst, count);
    return count;
}

QByteArray toWindows1252(const QString &text) {
    QByteArray result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            // One character outside the BMP: one default character, not two.
            ++i;
            result.append(char(DefaultChar));
            continue;
        }
        const int byte = findByte(c.unicode(), windows1252ToUnicode);
        result.append(char(byte < 0 ? DefaultChar : byte));
    }
    return result;
}

QString fromWindows1252(const QByteArray &bytes) {
    QString result;
    result.reserve(bytes.size());
    for (char byte : bytes)
        result.append(QChar(windows1252ToUnicode(uint8_t(byte))));
    return result;
}

} // namespace Codepage
