// The RTF reader of old .c2k headers.

#include "fuzz_common.h"

#include "programming/rtf_reader.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzzcommon::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const RtfConversion conversion = rtfToTaggedText(fuzzcommon::bytes(data, size));
    FUZZ_CHECK(conversion.text.size() <= RtfOutputLimit);
    return 0;
}
