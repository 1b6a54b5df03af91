#pragma once

#include "protocol/frame_layout.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

// Reads the bytes on the line back into commands and answers with the frame layouts that the
// command sets build from (frame_layout.h).
namespace FrameDecoder {

struct DecodedField {
    QString name;
    QString value;
};

struct DecodedFrame {
    const FrameLayouts::Layout *layout = nullptr; // null: no known frame
    QString command;                              // the layout's name, or "desconhecido"
    QList<DecodedField> fields; // an unknown frame: one field "bytes" with its hex
    // "name: value; name: value"
    QString fieldsText() const;
};

// The frame of `model` (model code 1 or 2; with any other code both models are tried, model A
// first). Among the layouts whose prefix the frame starts with, the one whose fixed bytes and
// choices all match and whose length fits is taken; a frame cut short (a cleared frame ends
// at its first zero byte) still decodes as far as it goes.
DecodedFrame decodeFrame(uint32_t model, const QByteArray &frame);

enum class AnswerState { Accepted, Refused, Silent, Unknown };

struct DecodedAnswer {
    AnswerState state = AnswerState::Silent;
    // "aceito" (with the answer's fields), "recusado: código 16 – Erro de sintaxe no comando",
    // "sem resposta", or "desconhecido: " and the hex of bytes with no frame to answer.
    QString text;
};

// The answer to a frame decoded with `frame` (an unknown frame: any answer is "desconhecido").
DecodedAnswer decodeAnswer(uint32_t model, const DecodedFrame &frame, const QByteArray &answer);

// Bytes as upper-case hexadecimal pairs separated by spaces.
QString hexText(const QByteArray &bytes);

} // namespace FrameDecoder
