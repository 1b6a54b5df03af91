// The .b2k macro reader: lines decoded one after the other to the end of the file, as the
// player does, and the document-number helpers on what they give.

#include "fuzz_common.h"

#include "fiscal/macro_file.h"
#include "link/serial_new.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzzcommon::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray file = fuzzcommon::bytes(data, size);
    const uint32_t model = (size > 0 && (data[0] & 1)) ? 1 : 2;
    MacroFile::headerMatches(model, file);
    QByteArray previous;
    qsizetype pos = size >= size_t(MacroFile::HeaderSize) ? MacroFile::HeaderSize : 0;
    for (;;) {
        const MacroFile::Line line = MacroFile::decodeLine(file, pos, Link::TxBufferSize);
        if (line.status != MacroFile::LineStatus::Frame)
            break;
        FUZZ_CHECK(line.next > pos);                         // every line moves on
        FUZZ_CHECK(line.frame.size() <= Link::TxBufferSize); // never more than the buffer
        QByteArray frame = line.frame;
        MacroFile::patchDocumentNumber(model, frame, "000123");
        MacroFile::documentNumber(model, frame, previous);
        MacroFile::printsAfter(model, frame);
        previous = line.frame;
        pos = line.next;
    }
    MacroFile::passes(QString::fromLatin1(file.left(8)));
    return 0;
}
