#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>

// Writes a command macro file (.b2k) while it is being recorded: the model's header, one line
// per frame that the printer accepted (the link hands them over from whatever thread waited
// for the answer), and the terminator when the recording is stopped while not paused.
//
// Every write goes to the device at once, so a full disk or a lost medium is seen on the
// line that could not be written; such a line is taken back out of the file, so that a file
// never ends in half a line, and the recorder closes: nothing more is claimed to be recorded.
class MacroRecorder {
public:
    MacroRecorder() = default;
    ~MacroRecorder();
    MacroRecorder(const MacroRecorder &) = delete;
    MacroRecorder &operator=(const MacroRecorder &) = delete;

    // Creates (or truncates) the file and writes the header. False, with the reason in
    // errorString(), when it cannot; nothing is open then.
    bool start(const QString &fileName, uint32_t modelCode);
    // The same on a device that the recorder opens for writing and owns from now on.
    bool start(std::unique_ptr<QIODevice> device, uint32_t modelCode);

    // Appends one line. False when nothing is open or the write failed (the recorder is
    // closed then).
    bool append(const QByteArray &line);

    // Writes the terminator (when asked) and closes. False when the terminator could not be
    // written; the file is closed either way.
    bool finish(bool withTerminator);

    bool isOpen() const;
    QString errorString() const;
    QString fileName() const;

private:
    bool write(const QByteArray &bytes); // with the lock held
    void closeDevice();                  // with the lock held

    mutable std::mutex mutex;
    std::unique_ptr<QIODevice> device;
    QString name;
    QString error;
};
