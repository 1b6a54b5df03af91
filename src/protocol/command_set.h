#pragma once

#include <cstdint>

// The printer's operations, one interface for both models. A window fills an argument
// record, calls the operation of the model chosen (commandSetFor(ModelCode)) and acts on
// the boolean it returns; the printer's own error messages are shown inside the operation.

// The twelve status digits of the GS poll: bytes 1 to 12 hold their values (0 to 15);
// byte 0 is not written.
struct StatusRecord {
    uint8_t bytes[13] = {};
};

class CommandSet {
public:
    virtual ~CommandSet() = default;

    // GS status poll with the short wait. False when no (whole) answer came; no message.
    virtual bool ReadStatus(StatusRecord &status) = 0;
};

// The command set for a model code (1 = MV4700, 2 = MV210), or nullptr for any other code.
CommandSet *commandSetFor(uint32_t modelCode);

// The printer's programming block is read once and cached; anything that may change it, and
// the identification whenever no printer is identified, marks the cache invalid.
void invalidateConfigurationCache();
bool configurationCacheValid();
void setConfigurationCacheValid(bool valid);
