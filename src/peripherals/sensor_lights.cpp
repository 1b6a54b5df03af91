#include "peripherals/sensor_lights.h"

#include "core/global.h"

namespace SensorLights {

int hexValue(uint8_t byte) {
    return byte < ':' ? byte - '0' : byte - '7';
}

Sensors decode(uint32_t model, const uint8_t *answer) {
    const int s1 = hexValue(answer[1]);
    const int s2 = hexValue(answer[2]);
    const auto bit = [](int digit, int mask) { return (digit & mask) ? 1 : 0; };
    Sensors sensors;
    switch (model) {
    case ModelB:
        sensors.drawer = bit(s1, 8);
        sensors.cover = bit(s1, 2);
        sensors.check = bit(s2, 8);
        sensors.authentication = bit(s2, 4);
        sensors.paperEnd = bit(s2, 2);
        sensors.paperLow = bit(s2, 1);
        break;
    case ModelA:
        // No check mechanism: cover and check stay off. The slip sensor reads 0 with a
        // slip in place.
        sensors.drawer = bit(s1, 8);
        sensors.authentication = 1 - bit(s1, 2);
        sensors.paperEnd = bit(s1, 1);
        sensors.paperLow = bit(s2, 1);
        break;
    default:
        break;
    }
    return sensors;
}

QByteArray pollFrame(uint32_t model) {
    switch (model) {
    case ModelB:
        return QByteArray("\x1D\x05", 2);
    case ModelA:
        return QByteArray("\x1D\xFF", 2);
    default:
        return {};
    }
}

QByteArray drawerFrame(uint32_t model) {
    switch (model) {
    case ModelB:
        return QByteArray("\x1Bp100", 5);
    case ModelA:
        return QByteArray("\x1Bp000", 5);
    default:
        return {};
    }
}

bool drawerAnswered(uint32_t model) {
    return model == ModelB;
}

} // namespace SensorLights
