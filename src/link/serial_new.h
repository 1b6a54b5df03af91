#pragma once

#include "core/condition.h"
#include "link/transport.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

class SerialInThread;

// Wait modes of WaitResponse: how long to wait for the printer's answer.
enum WaitMode : int {
    WaitNormal = 0,    // 6000 ms
    WaitUnlimited = 1, // until an answer comes
    WaitPoll = 2,      // 100 ms
    WaitShort = 3      // 2000 ms
};

enum class TrafficDirection { Sent, Received };

// The only road between the tool and the printer: one port, one frame out and one answer
// back at a time.
//
// Every call to the device runs on the link's own port thread (SerialInThread), which also
// performs exactly one read per wait. A wait wakes as soon as its chunk is there.
//
// One exchange at a time: SendFrame and WaitResponse each hold the exchange lock while they
// run; an operation that needs several of them in a row (a frame and its answer, a reading
// in chunks) holds an Exchange for its whole length, so that no other thread's frame can
// come between. The lock is recursive for its owning thread. Never hold it while a message
// box shows.
class Link {
public:
    static constexpr int RxBufferSize = 1500;
    // Holds the longest frame: the technical intervention with a 1200-byte header
    // (23 + 1204 bytes) and model B's closing frame with its 450-byte text area.
    static constexpr int TxBufferSize = 2048;

    uint8_t TxBuffer[TxBufferSize] = {};
    uint8_t RxBuffer[RxBufferSize] = {};

    using TransportFactory = std::function<std::unique_ptr<Transport>(const QString &portName)>;
    using TrafficObserver = std::function<void(TrafficDirection, const QByteArray &)>;
    using MacroSink = std::function<void(const QByteArray &line)>;

    Link();
    ~Link();
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

    // 0 on success, 1 when the port cannot be opened, PortDenied when the user may not use
    // it (see Transport::permissionDenied). With `probeOnly` the port is closed again at once
    // (the port list uses this to find the ports that exist).
    static constexpr int PortDenied = 2;
    int OpenPort(const QString &portName, uint32_t baud, bool probeOnly);
    int ClosePort();
    bool isOpen() const { return open; }

    // Sends `length` bytes of `frame`; returns once the last byte has left. False when no
    // port is open.
    bool SendFrame(const uint8_t *frame, int length);
    // Waits for the answer in the given mode and copies it into `answer` (which must hold
    // RxBufferSize bytes; its first 1000 bytes are zeroed first). Returns the length, or 0
    // when no port is open or nothing came, in which case the first six bytes are '9'.
    int16_t WaitResponse(uint8_t *answer, int mode);
    bool PurgePort();
    // The printer's CTS line (Off when no port is open).
    CtsLine IsCtsOn();

    // The traffic viewer: gets every frame sent and every chunk received while
    // ViewerFeed is on. Called on the thread that sends or waits; it must not block.
    void setTrafficObserver(TrafficObserver observer);
    // The macro recorder: gets the line of each accepted frame while recording.
    void setMacroSink(MacroSink sink);
    // Where OpenPort gets its devices; the default opens the built-in emulated printers by
    // their names and serial ports otherwise.
    void setTransportFactory(TransportFactory factory);
    static std::unique_ptr<Transport> defaultTransport(const QString &portName);

    // The mode's time-out in real milliseconds after the clock's scaling (-1 = none).
    static int timeoutFor(int mode);

    class Exchange {
    public:
        explicit Exchange(Link &link);
        ~Exchange();
        Exchange(const Exchange &) = delete;
        Exchange &operator=(const Exchange &) = delete;

    private:
        Link &link;
    };

private:
    void lockExchange();
    void unlockExchange();
    void runOnPortThread(const std::function<void()> &job);
    void recordAccepted(const QByteArray &answer);

    std::atomic<bool> open{false};
    std::unique_ptr<SerialInThread> portThread;
    std::unique_ptr<Transport> transport;
    std::atomic<bool> cancelRead{false};

    // Exchange lock.
    Condition exchangeCondition;
    std::thread::id exchangeOwner;
    int exchangeDepth = 0;

    // The last frame sent, for the macro recorder; cleared once written.
    QByteArray lastFrame;

    std::mutex hooksMutex;
    TrafficObserver trafficObserver;
    MacroSink macroSink;
    TransportFactory transportFactory;
};

// The process's one link.
Link &printerLink();
