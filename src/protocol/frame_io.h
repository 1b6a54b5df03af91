#pragma once

#include "link/serial_new.h"

#include <QByteArray>

// Helpers shared by both command sets.
namespace FrameIO {

// Sends the first `length` bytes of the link's TxBuffer and waits for the answer in `mode`,
// as one exchange. Returns the answer length (0 when nothing came).
int exchange(Link &link, int length, int mode);

// The value of a status digit: '0'-'9' and 'A'-'F' as the printer sends them (anything else
// is masked to four bits).
uint8_t statusDigitValue(uint8_t character);

// Sends the GS poll `command` and, when an answer of at least 13 bytes came, copies the values
// of its twelve status digits (answer bytes 1 to 12) to `status`.
bool readStatus(Link &link, uint8_t command, int mode, uint8_t status[13]);

} // namespace FrameIO
