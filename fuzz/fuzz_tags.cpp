// The header tag conversions both ways, and the header record built for the printer and read
// back from it. Byte 0 chooses the model.

#include "fuzz_common.h"

#include "programming/tags.h"

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzzcommon::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    const uint32_t model = (data[0] & 1) ? 1 : 2;
    const QByteArray text = fuzzcommon::bytes(data + 1, size - 1);

    const QByteArray codes = taggedTextToPrinter(model, text);
    printerToTaggedText(model, codes);
    printerToTaggedText(model, text);

    ClicheRecord record{};
    if (clicheForSending(model, QByteArray("0001"), text, record)) {
        FUZZ_CHECK(record.length <= sizeof record.text);
        taggedTextFromCliche(model, record);
    }

    // A record as the printer returns it: any bytes and any stored length.
    ClicheRecord fromPrinter{};
    std::memcpy(&fromPrinter, text.constData(),
                std::min<size_t>(sizeof fromPrinter, size_t(text.size())));
    taggedTextFromCliche(model, fromPrinter);
    return 0;
}
