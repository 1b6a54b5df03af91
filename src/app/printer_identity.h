#pragma once

#include <QString>

#include <cstdint>
#include <initializer_list>

class Link;

// Asks the printer of the chosen model (ToolState::ModelCode) who it is: its model answer,
// then its serial number, firmware version and ECF number, which go into the tool state
// (PrinterSerial, FirmwareVersion, FirmwareVersionNumber, EcfNumber). True when it answered as
// a printer of that model. Holds the link's exchange for the whole conversation.
bool identifyPrinter(Link &link);

// Puts `frame` into the link's transmit buffer and sends it.
bool sendBytes(Link &link, std::initializer_list<uint8_t> frame);

// Reads the leading part of `text` that forms a decimal number ("1.20" gives 1.2).
double firmwareVersionNumber(const QString &text);
