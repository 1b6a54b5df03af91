#pragma once

// Start-up shared by the fuzz targets: an application object on the fuzzing thread (the
// link's waits and the clock behave as they do in the tool), protocol durations shrunk so
// that a silent device costs next to nothing, and messages answered without showing anything.

#include "core/clock.h"
#include "core/global.h"
#include "core/messages.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

namespace fuzzcommon {

inline void start() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    Clock::setScale(0.0001);
    installMessages(nullptr);
}

inline QByteArray bytes(const uint8_t *data, size_t size) {
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Stops the fuzzer with a finding when a property of the code does not hold.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);         \
            abort();                                                                               \
        }                                                                                          \
    } while (0)

} // namespace fuzzcommon
