// The .c2k reader, current and old files (whose header is RTF), for both models. A file that
// loads and is saved again must load again.

#include "fuzz_common.h"

#include "programming/c2k_file.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzzcommon::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray file = fuzzcommon::bytes(data, size);
    inspectC2k(file);
    for (uint32_t model : {1u, 2u}) {
        for (bool convertOld : {false, true}) {
            ProgrammingTables workingCopy;
            const C2kReadResult result = importC2k(workingCopy, file, model, convertOld);
            if (result.status != C2kReadStatus::Loaded)
                continue;
            FUZZ_CHECK(!result.oldFormat || convertOld);
            QString refusal;
            const QByteArray saved = writeC2k(model, result.tables, &refusal);
            if (saved.isEmpty()) {
                FUZZ_CHECK(!refusal.isEmpty());
                continue;
            }
            FUZZ_CHECK(inspectC2k(saved).complete);
            const C2kReadResult again = readC2k(saved, model, false);
            FUZZ_CHECK(again.status == C2kReadStatus::Loaded);
        }
    }
    return 0;
}
