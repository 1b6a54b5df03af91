#include "protocol/frame_io.h"

namespace FrameIO {

int exchange(Link &link, int length, int mode) {
    Link::Exchange hold(link);
    if (!link.SendFrame(link.TxBuffer, length))
        return 0;
    return link.WaitResponse(link.RxBuffer, mode);
}

uint8_t statusDigitValue(uint8_t character) {
    const int value = character <= '9' ? character - '0' : character - '7';
    return uint8_t(value & 0x0F);
}

bool readStatus(Link &link, uint8_t command, int mode, uint8_t status[13]) {
    link.TxBuffer[0] = 29; // GS
    link.TxBuffer[1] = command;
    const int length = exchange(link, 2, mode);
    // A short answer would leave stale bytes in the status positions: count it as none.
    if (length < 13)
        return false;
    for (int i = 1; i <= 12; ++i)
        status[i] = statusDigitValue(link.RxBuffer[i]);
    return true;
}

} // namespace FrameIO
