#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// The command macro file (.b2k): a 13-byte header naming the model (":MV4700    \r\n" or
// ":MV210     \r\n"), one text line per frame the printer accepted (written by the link's
// recording hook, see macroLineFor), and ":FIM:" when the recording was stopped while not
// paused. Reading is lenient: any '[' followed by three characters not greater than "255"
// stands for that byte value, wherever it is.
namespace MacroFile {

constexpr int HeaderSize = 13;
inline const QByteArray Terminator = QByteArrayLiteral(":FIM:");

QByteArray header(uint32_t modelCode);
// Whether the file was recorded for `modelCode` (its first 11 bytes).
bool headerMatches(uint32_t modelCode, const QByteArray &data);

enum class LineStatus {
    Frame,     // `frame` holds the decoded bytes; continue at `next`
    End,       // the terminator, or the end of the data
    NoLineEnd, // the last line has no CR: nothing of it is to be sent
    TooLong,   // the line decodes to more bytes than the transmit buffer holds
};
struct Line {
    LineStatus status = LineStatus::End;
    QByteArray frame;
    qsizetype next = 0;
};
// Decodes the line that starts at `pos`. A frame longer than `maxFrame` bytes is refused.
Line decodeLine(const QByteArray &data, qsizetype pos, int maxFrame);

// Puts the current document number (6 digits) into a replayed frame that refers to it, so a
// macro that issues a linked voucher or a reversal acts on the document it has just opened.
void patchDocumentNumber(uint32_t modelCode, QByteArray &frame, const QByteArray &coo);

// The document number a replayed frame's answer carries, for frames that open a document.
std::optional<QByteArray> documentNumber(uint32_t modelCode, const QByteArray &frame,
                                         const QByteArray &answer);

// Frames after which the printer prints for a while (Leitura X; model A's management report).
bool printsAfter(uint32_t modelCode, const QByteArray &frame);

// The number of passes typed in the window: 1 to 199; text that is not a number counts as 1.
int passes(const QString &text);

} // namespace MacroFile
