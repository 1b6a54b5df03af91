// The .usr reader. What a file gives, written again for the same printer, reads back the same.

#include "fuzz_common.h"

#include "maintenance/usr_file.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzzcommon::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray file = fuzzcommon::bytes(data, size);
    const QString serial = QStringLiteral("47000456");
    const UserFile::Reading reading = UserFile::read(file, serial);
    if (reading.problem != UserFile::Problem::None)
        return 0;
    for (uint32_t model : {1u, 2u}) {
        const QByteArray image = UserFile::build(model, serial, reading.contents);
        FUZZ_CHECK(image.size() == UserFile::Size);
        const UserFile::Reading back = UserFile::read(image, serial);
        FUZZ_CHECK(back.problem == UserFile::Problem::None && back.serialMatches);
        FUZZ_CHECK(back.contents.cnpj == reading.contents.cnpj);
        FUZZ_CHECK(back.contents.ie == reading.contents.ie);
        FUZZ_CHECK(back.contents.im == reading.contents.im);
        FUZZ_CHECK(back.contents.code == reading.contents.code);
    }
    return 0;
}
