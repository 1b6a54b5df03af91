#include "protocol/cmd210.h"

#include "protocol/frame_io.h"

namespace {
constexpr uint8_t StatusPoll = 0xFF; // GS 0xFF
}

Cmd210::Cmd210(Link &l) : link(l) {
}

bool Cmd210::ReadStatus(StatusRecord &status) {
    return FrameIO::readStatus(link, StatusPoll, WaitShort, status.bytes);
}
