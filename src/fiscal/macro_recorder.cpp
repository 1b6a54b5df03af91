#include "fiscal/macro_recorder.h"

#include "fiscal/macro_file.h"

#include <QFile>
#include <QFileDevice>

MacroRecorder::~MacroRecorder() {
    std::lock_guard lock(mutex);
    closeDevice();
}

bool MacroRecorder::start(const QString &fileName, uint32_t modelCode) {
    auto file = std::make_unique<QFile>(fileName);
    if (!start(std::move(file), modelCode))
        return false;
    std::lock_guard lock(mutex);
    name = fileName;
    return true;
}

bool MacroRecorder::start(std::unique_ptr<QIODevice> newDevice, uint32_t modelCode) {
    std::lock_guard lock(mutex);
    closeDevice();
    name.clear();
    error.clear();
    // A file is written unbuffered: every line reaches the disk, or fails, at once.
    QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate;
    if (qobject_cast<QFileDevice *>(newDevice.get()))
        mode |= QIODevice::Unbuffered;
    if (!newDevice || !newDevice->open(mode)) {
        error = newDevice ? newDevice->errorString() : QString();
        return false;
    }
    device = std::move(newDevice);
    return write(MacroFile::header(modelCode));
}

bool MacroRecorder::append(const QByteArray &line) {
    std::lock_guard lock(mutex);
    return write(line);
}

bool MacroRecorder::finish(bool withTerminator) {
    std::lock_guard lock(mutex);
    if (!device)
        return !withTerminator;
    const bool written = !withTerminator || write(MacroFile::Terminator);
    closeDevice();
    return written;
}

bool MacroRecorder::isOpen() const {
    std::lock_guard lock(mutex);
    return device != nullptr;
}

QString MacroRecorder::errorString() const {
    std::lock_guard lock(mutex);
    return error;
}

QString MacroRecorder::fileName() const {
    std::lock_guard lock(mutex);
    return name;
}

bool MacroRecorder::write(const QByteArray &bytes) {
    if (!device)
        return false;
    const qint64 before = device->pos();
    if (device->write(bytes) == bytes.size())
        return true;
    error = device->errorString();
    // Take the unfinished line back out, so that the file ends after the last whole one.
    if (auto *file = qobject_cast<QFileDevice *>(device.get()))
        file->resize(before);
    closeDevice();
    return false;
}

void MacroRecorder::closeDevice() {
    if (device) {
        device->close();
        device.reset();
    }
}
