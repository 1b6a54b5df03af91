#pragma once

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

// Process-wide state read by every window and worker thread.

// Model codes as stored in Tool.cfg and used for every dispatch.
enum : uint32_t { ModelNone = 0, ModelB = 1 /* "MV4700" */, ModelA = 2 /* "MV210" */ };

// Macro recording: 0 off, 1 recording, 2 paused, 3 playing back.
enum RecordingStateValue : int {
    RecordingOff = 0,
    RecordingOn = 1,
    RecordingPaused = 2,
    RecordingPlayback = 3
};

// A text item shared between the UI thread and workers, always read and written whole.
class SharedText {
public:
    explicit SharedText(QString initial = {}) : value(std::move(initial)) {}
    QString get() const {
        std::lock_guard lock(mutex);
        return value;
    }
    void set(const QString &text) {
        std::lock_guard lock(mutex);
        value = text;
    }

private:
    mutable std::mutex mutex;
    QString value;
};

struct ToolState {
    std::atomic<uint32_t> ModelCode{ModelNone};
    std::atomic<bool> PortOpen{false};
    std::atomic<bool> PrinterPresent{false};
    std::atomic<bool> ModelChanged{false};
    std::atomic<bool> TablesStale{true};
    SharedText PrinterSerial{QStringLiteral("????????")};
    SharedText FirmwareVersion;
    std::atomic<double> FirmwareVersionNumber{0.0};
    SharedText EcfNumber;
    // Whole days plus the fraction of the day, as the printer clock is kept and shown.
    std::atomic<double> PrinterClock{0.0};
    std::atomic<bool> PrinterDst{false};
    // PrinterClock holds a time the printer gave: false until its clock has been read, and
    // again after a read that failed. The clock tick then shows the printer time as unknown.
    std::atomic<bool> PrinterClockKnown{false};
    SharedText CurrentCOO{QStringLiteral("000000")};
    std::atomic<int> RecordingState{RecordingOff};
    std::atomic<int> SavedRecordingState{RecordingOff};
    // Recording is put aside (in SavedRecordingState) while no printer answers.
    std::atomic<bool> RecordingSuspended{false};
    // The main window's "PC em Horário de Verão": the PC clock is in daylight-saving time, so
    // the commands that send the PC's date and time subtract one hour.
    std::atomic<bool> PcDaylightSaving{false};
    // While on, the link passes every frame and answer to the traffic viewer.
    std::atomic<bool> ViewerFeed{true};
    QString ProgramDirectory;
    // The folder that holds Tool.cfg and the c2k, usr and b2k folders (see WorkingFolder).
    SharedText WorkingFolder;
    std::array<uint8_t, 20> ToolConfigRecord{};
};

ToolState &toolState();

// Puts every item back to its value at program start (tests use it between cases).
void resetToolState();
