#include "app/tool_config.h"

#include "core/file_replace.h"

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
void readInto(QFile &file, ToolConfigFile::Record &record) {
    const QByteArray stored = file.read(ToolConfigFile::RecordSize);
    std::copy(stored.begin(), stored.end(), record.begin());
}
// The record of a file that will not be written: read as it is (zero when it cannot be read).
void readOnly(const QString &path, ToolConfigFile::Record &record) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        readInto(file, record);
}
} // namespace

ToolConfigFile::~ToolConfigFile() = default;

ToolConfigFile::Opening ToolConfigFile::open(const QString &where, Record &record) {
    record.fill(0);
    folder = where;
    longPort.clear();
    const QDir dir(folder);
    const QString path = dir.filePath(QStringLiteral("Tool.cfg"));
    lock = std::make_unique<QLockFile>(dir.filePath(QStringLiteral(".Tool.cfg.lock")));
    // Stale only when its owner is gone (never by age: the file is held for the whole run).
    lock->setStaleLockTime(std::numeric_limits<int>::max());
    if (!lock->tryLock()) {
        const bool folderReadOnly = lock->error() == QLockFile::PermissionError;
        lock.reset();
        if (!folderReadOnly)
            return Opening::HeldElsewhere;
        readOnly(path, record);
        return Opening::FolderReadOnly;
    }
    file = std::make_unique<QFile>(path);
    if (file->open(QIODevice::ReadWrite)) {
        readInto(*file, record);
        return Opening::Opened;
    }
    file.reset();
    lock.reset();
    readOnly(path, record);
    return Opening::FileReadOnly;
}

void ToolConfigFile::saveAndClose(const Record &record) {
    if (!file)
        return;
    file->seek(0);
    file->write(reinterpret_cast<const char *>(record.data()), RecordSize);
    if (!longPort.isEmpty() && ToolConfig::portName(record) == QLatin1String(LongPortMark))
        writeFileReplacing(QDir(folder).filePath(QLatin1String(LongPortMark + 1)),
                           longPort.toUtf8() + '\n');
    file->close();
    file.reset();
    lock.reset();
}

QString ToolConfigFile::portName(const Record &record) const {
    const QString name = ToolConfig::portName(record);
    if (name != QLatin1String(LongPortMark))
        return name;
    QFile side(QDir(folder).filePath(QLatin1String(LongPortMark + 1)));
    if (!side.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(side.read(1024)).section(QLatin1Char('\n'), 0, 0).trimmed();
}

void ToolConfigFile::setPortName(Record &record, const QString &name) {
    const bool fits = name.size() <= 12 && QString::fromLatin1(name.toLatin1()) == name &&
                      !name.contains(QLatin1Char(' ')) && !name.startsWith(QLatin1Char('@'));
    longPort = fits ? QString() : name;
    ToolConfig::setPortName(record, fits ? name : QLatin1String(LongPortMark));
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

QString notSavedText(ToolConfigFile::Opening opening, const QString &folder) {
    const QString notSaved =
        QStringLiteral("\r\nAs escolhas de porta, modelo e horário de verão não serão salvas.");
    switch (opening) {
    case ToolConfigFile::Opening::FolderReadOnly:
        return QStringLiteral("A pasta de trabalho não pode ser gravada:\r\n") +
               QDir::toNativeSeparators(QDir(folder).absolutePath()) + notSaved;
    case ToolConfigFile::Opening::FileReadOnly:
        return QStringLiteral("O arquivo de configuração não pode ser gravado:\r\n") +
               QDir::toNativeSeparators(QDir(folder).absoluteFilePath(QStringLiteral("Tool.cfg"))) +
               notSaved;
    default:
        return {};
    }
}

} // namespace ToolConfig
