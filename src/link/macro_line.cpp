#include "link/macro_line.h"

#include <cstdio>

QByteArray macroLineFor(const QByteArray &frame) {
    QByteArray line;
    int from = 0;
    if (frame.size() >= 2 && quint8(frame[0]) == 27) {
        char code[8];
        std::snprintf(code, sizeof code, "[%03u]", unsigned(quint8(frame[1])));
        line += "[ESC]";
        line += code;
        from = 2;
    }
    for (int i = from; i < frame.size(); ++i) {
        const quint8 byte = quint8(frame[i]);
        if (byte == 10)
            line += "[LF]";
        else if (byte == 13)
            line += "[CR]";
        else if (byte == 255)
            line += "[255]";
        else
            line += char(byte);
    }
    line += "\r\n";
    return line;
}

bool answerAccepted(unsigned modelCode, const QByteArray &answer) {
    if (modelCode == 1)
        return answer.size() >= 4 && answer[2] == '0' && answer[3] == '0';
    if (modelCode == 2)
        return !answer.startsWith(":E");
    return true;
}
