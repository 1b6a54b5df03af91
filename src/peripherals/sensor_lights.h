#pragma once

#include <QByteArray>

#include <cstdint>

// What the sensors window asks the printer and how it reads the answer, per model.
namespace SensorLights {

// The six sensors, each 1 when active: drawer open, check mechanism cover open, check in
// place, authentication slip in place, paper end, paper low.
struct Sensors {
    int drawer = 0;
    int cover = 0;
    int check = 0;
    int authentication = 0;
    int paperEnd = 0;
    int paperLow = 0;
    bool operator==(const Sensors &) const = default;
};

// An answer byte read as a hexadecimal digit: below ':' its value minus '0', anything else
// its value minus '7' ('A' to 'F' give 10 to 15). Other bytes give whatever that arithmetic
// gives, as the printer is trusted to send digits.
int hexValue(uint8_t byte);

// Decodes the status poll's answer (`answer` holds at least 15 bytes; the digits s1, s2 are
// bytes 1 and 2). `model` is the tool's model code; another code reads nothing.
Sensors decode(uint32_t model, const uint8_t *answer);

// The status poll: GS 0x05 for model B, GS 0xFF for model A; empty for another code.
QByteArray pollFrame(uint32_t model);
// The drawer frame: ESC "p100" for model B, ESC "p000" for model A; empty for another code.
QByteArray drawerFrame(uint32_t model);
// Model B confirms the drawer frame and the tool waits for that; model A answers nothing.
bool drawerAnswered(uint32_t model);

} // namespace SensorLights
