#include "fiscal/macro_file.h"

namespace MacroFile {

namespace {
constexpr uint8_t ESC = 27;
constexpr uint32_t ModelB = 1, ModelA = 2;

bool startsWith(const QByteArray &data, qsizetype pos, const char *text) {
    return data.mid(pos, qsizetype(qstrlen(text))) == text;
}

uint8_t command(const QByteArray &frame) {
    return frame.size() >= 2 && uint8_t(frame[0]) == ESC ? uint8_t(frame[1]) : 0;
}

void putAt(QByteArray &frame, int at, const QByteArray &coo) {
    if (frame.size() >= at + 6 && coo.size() >= 6)
        frame.replace(at, 6, coo.left(6));
}
} // namespace

QByteArray header(uint32_t modelCode) {
    return modelCode == ModelB ? QByteArrayLiteral(":MV4700    \r\n")
                               : QByteArrayLiteral(":MV210     \r\n");
}

bool headerMatches(uint32_t modelCode, const QByteArray &data) {
    return data.startsWith(header(modelCode).left(11));
}

Line decodeLine(const QByteArray &data, qsizetype pos, int maxFrame) {
    Line line;
    if (startsWith(data, pos, ":FIM:") || pos >= data.size() - 1)
        return line; // End
    qsizetype i = pos;
    while (i < data.size() && data[i] != '\r') {
        if (line.frame.size() >= maxFrame) {
            line.frame.clear();
            line.status = LineStatus::TooLong;
            return line;
        }
        if (data[i] != '[') {
            line.frame += data[i++];
        } else if (startsWith(data, i, "[ESC]")) {
            line.frame += char(ESC);
            i += 5;
        } else if (startsWith(data, i, "[CR]")) {
            line.frame += '\r';
            i += 4;
        } else if (startsWith(data, i, "[LF]")) {
            line.frame += '\n';
            i += 4;
        } else if (startsWith(data, i, "[255]")) {
            line.frame += char(255);
            i += 5;
        } else {
            const QByteArray digits = data.mid(i + 1, 3);
            if (digits.size() < 3 || digits > QByteArrayLiteral("255")) {
                line.frame += '['; // a bracket that starts no code stands for itself
                i += 1;
            } else {
                // The character in the closing bracket's place is not examined.
                const int value =
                    (digits[0] - '0') * 100 + (digits[1] - '0') * 10 + (digits[2] - '0');
                line.frame += char(uint8_t(value));
                i += 5;
            }
        }
    }
    if (i >= data.size()) {
        line.frame.clear();
        line.status = LineStatus::NoLineEnd;
        return line;
    }
    line.status = LineStatus::Frame;
    line.next = i + 1;
    if (line.next < data.size() && data[line.next] == '\n')
        ++line.next;
    return line;
}

void patchDocumentNumber(uint32_t modelCode, QByteArray &frame, const QByteArray &coo) {
    const uint8_t code = command(frame);
    if (modelCode == ModelB) {
        if (code == 0xD5)
            putAt(frame, 4, coo); // linked voucher
        else if (code == 0xD9)
            putAt(frame, 2, coo); // its cancellation
        else if (code == 0xDB)
            putAt(frame, 6, coo); // reversal
        else if (code == 0xD7 && frame.size() < 50)
            frame = frame.leftJustified(50, ' '); // a report line is always 48 characters
    } else if (modelCode == ModelA) {
        if (code == 0xDB || code == 0xF8)
            putAt(frame, 4, coo);
    }
}

std::optional<QByteArray> documentNumber(uint32_t modelCode, const QByteArray &frame,
                                         const QByteArray &answer) {
    const uint8_t code = command(frame);
    if (modelCode == ModelB && (code == 0xC8 || code == 0xD5 || code == 0xD4) &&
        answer.size() >= 12)
        return answer.mid(6, 6);
    if (modelCode == ModelA && (code == 0xC8 || code == 0xD9 || code == 0xDB) && answer.size() >= 8)
        return answer.mid(2, 6);
    return std::nullopt;
}

bool printsAfter(uint32_t modelCode, const QByteArray &frame) {
    const uint8_t code = command(frame);
    if (modelCode == ModelB)
        return code == 0xFA;
    return modelCode == ModelA && (code == 0xCF || code == 0xD3);
}

int passes(const QString &text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 1)
        return 1;
    return value >= 200 ? 199 : value;
}

} // namespace MacroFile
