#pragma once

#include <QByteArray>

#include <atomic>

// The printer's CTS line as a port reports it. Unknown: the port has modem lines but could not
// report them (a real adapter whose driver fails the query); whether a printer is there is then
// for its answers to tell.
enum class CtsLine { Off, On, Unknown };

// The seam between the link and a device: a serial port, or the emulator in process.
// The link calls every function from its own port thread, one call at a time.
class Transport {
public:
    static constexpr int MaxChunk = 1500;
    static constexpr int ChunkGapMs = 150;

    virtual ~Transport() = default;

    // Opens the device at 9600 baud, 8 data bits, no parity, one stop bit, DTR and RTS on,
    // no flow control.
    virtual bool open() = 0;
    // Whether the last open failed because the user may not use the device (on Linux a
    // USB-serial adapter belongs to the group dialout).
    virtual bool permissionDenied() const { return false; }
    virtual void close() = 0;
    // Writes the frame and returns once its last byte has left.
    virtual bool write(const QByteArray &frame) = 0;
    // Reads one chunk: waits up to `totalMs` (negative = no limit) for the first byte, then
    // takes bytes until none has come for ChunkGapMs, `totalMs` has passed since the call,
    // or MaxChunk bytes are in. Returns early, with what it has, once `cancel` is set.
    virtual QByteArray readChunk(int totalMs, const std::atomic<bool> &cancel) = 0;
    // Discards whatever waits in both directions.
    virtual bool purge() = 0;
    // Clear To Send. A device without modem lines that is there whenever it is open (a
    // pseudo-terminal, the built-in emulator, a network port) reports On.
    virtual CtsLine cts() = 0;
};
