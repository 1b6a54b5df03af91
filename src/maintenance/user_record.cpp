#include "maintenance/user_record.h"

#include "link/codepage.h"
#include "maintenance/usr_file.h"

#include <algorithm>
#include <cstring>

namespace UserRecord {
namespace {

void put(uint8_t (&field)[20], const QString &text) {
    const QByteArray bytes = Codepage::toWindows1252(text);
    std::memcpy(field, bytes.constData(), size_t(std::min<qsizetype>(bytes.size(), 20)));
}

} // namespace

bool passwordRequired(uint32_t modelCode, double firmwareVersion) {
    // The version is read from text such as "1.22"; the margin keeps 1.22 itself above the
    // line whatever the binary rounding of the two numbers.
    constexpr double Margin = 1e-6;
    return (modelCode == 2 && firmwareVersion + Margin >= 1.22) ||
           (modelCode == 1 && firmwareVersion + Margin >= 1.01);
}

bool codeUsable(const QString &code) {
    const QString trimmed = code.trimmed();
    return trimmed.size() >= 8 && trimmed != UserFile::NoCode;
}

UserRecordBlock build(const QString &cnpj, const QString &ie, const QString &im,
                      const QString &code) {
    UserRecordBlock block;
    std::memset(&block, ' ', sizeof block);
    put(block.cnpj, cnpj);
    put(block.ie, ie);
    put(block.im, im);
    put(block.authorization, code);
    return block;
}

} // namespace UserRecord
