#include "app/status_lights.h"

#include "core/global.h"

namespace StatusLights {

namespace {
// One light: digit sN (1-based), bit value, lit when the bit is set (or when it is clear).
struct Bit {
    int digit = 0; // 0: never lit
    uint8_t mask = 0;
    bool whenSet = true;
};

constexpr Bit Never{};

// Lights 1 to 15 for model B ("MV4700") and model A ("MV210").
constexpr Bit ModelBBits[Count] = {
    Never,  {3, 1},        {8, 8}, {3, 8, false}, Never,   Never,   {3, 2}, {5, 4},
    {5, 8}, {4, 2, false}, {4, 4}, {9, 1},        {10, 2}, {10, 1}, {4, 1},
};
constexpr Bit ModelABits[Count] = {
    {1, 4}, {2, 8},        {2, 2}, {3, 8, false}, {4, 8},  {4, 4},  {5, 4}, {5, 2},
    {5, 1}, {6, 4, false}, {6, 2}, {9, 1},        {10, 2}, {10, 1}, {6, 8},
};
constexpr const char *Names[Count] = {
    "Falha mecânica",
    "Off Line",
    "RZ pendente",
    "Em MIT",
    "RG aberto",
    "CF aberto",
    "ECF bloqueado",
    "MF ausente/não iniciada",
    "Modo Treinamento",
    "LX inicial não emitida",
    "Já emitiu RZ",
    "Erro nos totalizadores",
    "Erro RTC",
    "Clichê danificado",
    "Documento emitido após RZ",
};
} // namespace

QString name(int index) {
    return index >= 0 && index < Count ? QString::fromUtf8(Names[index]) : QString();
}

bool reductionPendingKnown(uint32_t modelCode, double firmwareVersion) {
    return modelCode != ModelB || firmwareVersion >= 1.01 - 1e-9;
}

Lights decode(uint32_t modelCode, double firmwareVersion, const StatusRecord &status) {
    Lights lights{};
    const Bit *bits = modelCode == ModelB ? ModelBBits : modelCode == ModelA ? ModelABits : nullptr;
    if (!bits)
        return lights;
    for (int i = 0; i < Count; ++i) {
        const Bit &bit = bits[i];
        if (bit.digit == 0)
            continue;
        const bool set = (status.bytes[bit.digit] & bit.mask) != 0;
        lights[i] = set == bit.whenSet;
    }
    if (!reductionPendingKnown(modelCode, firmwareVersion))
        lights[2] = false;
    return lights;
}

} // namespace StatusLights
