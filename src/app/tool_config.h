#pragma once

#include <QFile>
#include <QLockFile>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

// Tool.cfg: 20 bytes, little-endian. Bytes 0-11 the port name padded with spaces (12 zero
// bytes in a new file), 12-15 the model code, 16-19 the PC daylight-saving box (1 checked).
//
// A port name longer than the record's 12 bytes (a "tcp://HOST:PORT" name, mostly) is kept
// whole in Tool.prt beside Tool.cfg, and the record holds LongPortMark, "@Tool.prt", in its
// place. An older copy of the tool reads the mark as a port name like any other and fails to
// open it, with its usual message.
//
// The file is held open and locked from start-up to shut-down, so that a second instance of
// the tool in the same folder runs with a zero record and saves nothing. Where the folder or
// the file cannot be written (a read-only share, a protected program folder, a file copied
// with its read-only attribute), there is nothing to lock and nothing to save: the record is
// read as it is and the run goes on without saving it.
class ToolConfigFile {
public:
    static constexpr int RecordSize = 20;
    using Record = std::array<uint8_t, RecordSize>;

    enum class Opening {
        Opened,         // read (or created), saved at shut-down
        HeldElsewhere,  // another instance holds it: the record stays zero, nothing is saved
        FolderReadOnly, // the folder cannot be written: read as it is, nothing is saved
        FileReadOnly,   // the file cannot be written: read as it is, nothing is saved
    };

    ~ToolConfigFile();

    // Opens (or creates) Tool.cfg in `folder` and reads up to 20 bytes of it; a shorter or
    // unreadable file leaves the rest of the record zero.
    Opening open(const QString &folder, Record &record);
    // Writes the record at offset 0 (and a long port name to Tool.prt) and closes the file.
    // Nothing when it was never opened.
    void saveAndClose(const Record &record);

    // The port name of the record, read from Tool.prt when the record holds the mark (empty
    // when that file is missing or unreadable), and the port name put in the record.
    QString portName(const Record &record) const;
    void setPortName(Record &record, const QString &name);

    static constexpr const char *LongPortMark = "@Tool.prt";
    bool isOpen() const { return file != nullptr; }

private:
    std::unique_ptr<QLockFile> lock;
    std::unique_ptr<QFile> file;
    QString folder;
    QString longPort; // the name Tool.prt is to hold at shut-down
};

// Field access to the record.
namespace ToolConfig {
QString portName(const ToolConfigFile::Record &record); // cut at the first space (or zero)
void setPortName(ToolConfigFile::Record &record, const QString &name);
uint32_t modelCode(const ToolConfigFile::Record &record);
void setModelCode(ToolConfigFile::Record &record, uint32_t code);
bool daylightSaving(const ToolConfigFile::Record &record);
void setDaylightSaving(ToolConfigFile::Record &record, bool on);
// What the user is told once at start when the choices cannot be saved in `folder` (caption
// "Aviso"); empty when there is nothing to tell.
QString notSavedText(ToolConfigFile::Opening opening, const QString &folder);
} // namespace ToolConfig
