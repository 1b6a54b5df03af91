#include "protocol/cmd4700.h"

#include "protocol/frame_io.h"

namespace {
constexpr uint8_t StatusPoll = 0x05; // GS 0x05
}

Cmd4700::Cmd4700(Link &l) : link(l) {
}

bool Cmd4700::ReadStatus(StatusRecord &status) {
    return FrameIO::readStatus(link, StatusPoll, WaitShort, status.bytes);
}
