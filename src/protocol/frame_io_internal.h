#pragma once

// What the parts of frame_io*.cpp share and nobody else needs.
#include "protocol/frame_layout.h"

#include <QByteArray>
#include <QByteArrayList>

#include <cstdint>

namespace FrameIO::internal {

inline QByteArray frameOf(uint32_t modelCode, FrameLayouts::Id id,
                          const QByteArrayList &values = {}) {
    return FrameLayouts::layout(modelCode, id).build(values);
}

inline const uint8_t *bytesOf(const QByteArray &bytes) {
    return reinterpret_cast<const uint8_t *>(bytes.constData());
}

} // namespace FrameIO::internal
