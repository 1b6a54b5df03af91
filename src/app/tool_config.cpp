#include "app/tool_config.h"

#include <QDir>

#include <algorithm>
#include <limits>

namespace {
uint32_t readU32(const ToolConfigFile::Record &r, int at) {
    return uint32_t(r[at]) | uint32_t(r[at + 1]) << 8 | uint32_t(r[at + 2]) << 16 |
           uint32_t(r[at + 3]) << 24;
}
void writeU32(ToolConfigFile::Record &r, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        r[at + i] = uint8_t(v >> (8 * i));
}
} // namespace

ToolConfigFile::~ToolConfigFile() = default;

bool ToolConfigFile::open(const QString &folder, Record &record) {
    record.fill(0);
    const QDir dir(folder);
    lock = std::make_unique<QLockFile>(dir.filePath(QStringLiteral(".Tool.cfg.lock")));
    // Stale only when its owner is gone (never by age: the file is held for the whole run).
    lock->setStaleLockTime(std::numeric_limits<int>::max());
    if (!lock->tryLock()) {
        lock.reset();
        return false;
    }
    file = std::make_unique<QFile>(dir.filePath(QStringLiteral("Tool.cfg")));
    if (!file->open(QIODevice::ReadWrite)) {
        file.reset();
        lock.reset();
        return false;
    }
    const QByteArray stored = file->read(RecordSize);
    std::copy(stored.begin(), stored.end(), record.begin());
    return true;
}

void ToolConfigFile::saveAndClose(const Record &record) {
    if (!file)
        return;
    file->seek(0);
    file->write(reinterpret_cast<const char *>(record.data()), RecordSize);
    file->close();
    file.reset();
    lock.reset();
}

namespace ToolConfig {

QString portName(const ToolConfigFile::Record &record) {
    QByteArray name;
    for (int i = 0; i < 12 && record[i] != ' ' && record[i] != 0; ++i)
        name += char(record[i]);
    return QString::fromLatin1(name);
}

void setPortName(ToolConfigFile::Record &record, const QString &name) {
    const QByteArray bytes = name.toLatin1().left(12);
    std::fill(record.begin(), record.begin() + 12, uint8_t(' '));
    std::copy(bytes.begin(), bytes.end(), record.begin());
}

uint32_t modelCode(const ToolConfigFile::Record &record) {
    return readU32(record, 12);
}
void setModelCode(ToolConfigFile::Record &record, uint32_t code) {
    writeU32(record, 12, code);
}
bool daylightSaving(const ToolConfigFile::Record &record) {
    return readU32(record, 16) != 0;
}
void setDaylightSaving(ToolConfigFile::Record &record, bool on) {
    writeU32(record, 16, on ? 1 : 0);
}

} // namespace ToolConfig
