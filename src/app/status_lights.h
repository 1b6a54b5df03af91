#pragma once

#include "protocol/command_set.h"

#include <QString>

#include <array>
#include <cstdint>

// Which of the status window's fifteen lights are lit for a status read, by model.
namespace StatusLights {

constexpr int Count = 15;
using Lights = std::array<bool, Count>; // [0] is light 1

Lights decode(uint32_t modelCode, double firmwareVersion, const StatusRecord &status);

// The name of light `index` (0 is light 1) as the status window shows it beside the light.
QString name(int index);

// Model B reports "RZ pendente" from firmware 1.01 on.
bool reductionPendingKnown(uint32_t modelCode, double firmwareVersion);

} // namespace StatusLights
