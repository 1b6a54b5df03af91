#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// The user file (".usr"): the user to record in a printer, tied to that printer's serial
// number. The technician sends it to the maker to obtain the authorization code that newer
// firmware checks, and imports it again to record the user. Binary, 120 bytes as written, no
// line ends; every byte a space unless a field covers it. Text is single-byte Windows-1252.
// A file of another length is still read: a shorter one by what it has (the rest reads as
// spaces), a longer one (a line end added by an editor, a file from another program) by its
// first ReadLimit bytes.
//
//   offset  size  content
//        0    15  model name "MV210" or "MV4700", space-padded ("MV210_4700" when the file
//                 is valid for either model; the tool reads that but never writes it)
//       15     8  the printer's serial number
//       23    13  spaces
//       36    20  CNPJ with its punctuation (18 characters), space-padded
//       56    20  IE (state registration), space-padded
//       76    20  IM (municipal registration), space-padded
//       96     8  authorization code, space-padded
//      104    16  spaces
namespace UserFile {

constexpr int Size = 120;
constexpr int ReadLimit = 150; // the most an import reads
constexpr int ModelOffset = 0;
constexpr int ModelWidth = 15;
constexpr int SerialOffset = 15;
constexpr int SerialWidth = 8;
constexpr int CnpjOffset = 36;
constexpr int CnpjWidth = 20;
constexpr int CnpjShown = 18; // the punctuated CNPJ; the two bytes after it are spaces
constexpr int IeOffset = 56;
constexpr int ImOffset = 76;
constexpr int TextWidth = 20;
constexpr int CodeOffset = 96;
constexpr int CodeWidth = 8;

// The authorization code field when there is no code yet.
inline const QString NoCode = QStringLiteral("00000000");

// What a user file holds, as typed (trailing spaces are kept when written).
struct Contents {
    QString cnpj;
    QString ie;
    QString im;
    QString code;
};

// The model name written for a model code: "MV210" (2), "MV4700" (1); empty for any other.
QByteArray modelName(uint32_t modelCode);

// The 120-byte image for a printer of `modelCode` whose serial number is `serial`. Each
// text is cut to its field.
QByteArray build(uint32_t modelCode, const QString &serial, const Contents &contents);

// The name offered by the save dialog: "_210NS" (model code 2) or "_4700NS" (1), the serial
// number and ".usr".
QString defaultFileName(uint32_t modelCode, const QString &serial);
// The copy written after a user has been recorded: "NS", the serial number and ".usr".
QString serialCopyName(const QString &serial);

// Reading a file.
enum class Problem {
    None,
    Empty,       // nothing to read
    WrongFormat, // bytes 0-9 are none of "MV210     ", "MV4700    ", "MV210_4700"
};
struct Reading {
    Problem problem = Problem::None;
    Contents contents;          // leading and trailing spaces removed
    bool serialMatches = false; // bytes 15-22 are the printer's serial number
};

// Reads `bytes` (the file's first ReadLimit bytes, or all of a shorter one) for the printer
// whose serial number is `printerSerial`, as laid over a buffer of spaces. The model name is
// checked for being one of the three names, not against the model chosen. A file written for
// another printer keeps its CNPJ, IE and IM, but its code is replaced by NoCode: the maker's
// code is only good for the printer it was made for.
Reading read(const QByteArray &bytes, const QString &printerSerial);

// Writes `data` to `path`, replacing the file that is there. The bytes go to a temporary file
// beside it that then takes the name, so a failure leaves any earlier file as it was. On
// failure returns false and puts the reason in `error` when given.
bool writeReplacing(const QString &path, const QByteArray &data, QString *error = nullptr);

// Reads `path` for import: at most ReadLimit bytes. Empty with `ok` false when the file
// cannot be opened.
QByteArray readForImport(const QString &path, bool &ok);

} // namespace UserFile
