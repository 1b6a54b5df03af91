#include "protocol/command_set.h"

#include "core/global.h"
#include "link/serial_new.h"
#include "protocol/cmd210.h"
#include "protocol/cmd4700.h"

#include <atomic>

namespace {
ConfigurationBlock block;
std::atomic<bool> cacheValid{false};
} // namespace

CommandSet *commandSetFor(uint32_t modelCode) {
    static Cmd4700 modelB(printerLink());
    static Cmd210 modelA(printerLink());
    switch (modelCode) {
    case ModelB:
        return &modelB;
    case ModelA:
        return &modelA;
    default:
        return nullptr;
    }
}

void invalidateConfigurationCache() {
    cacheValid = false;
}
bool configurationCacheValid() {
    return cacheValid;
}
void setConfigurationCacheValid(bool valid) {
    cacheValid = valid;
}

ConfigurationBlock &configurationBlock() {
    return block;
}
