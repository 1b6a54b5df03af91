#include "link/serial_new.h"

#include "core/clock.h"
#include "core/global.h"
#include "link/emulator_transport.h"
#include "link/macro_line.h"
#include "link/serial_transport.h"
#include "link/tcp_transport.h"

#include <QThread>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

// The port thread: runs the device calls that callers hand it, one at a time, and sleeps on a
// condition variable in between. Each wait hands it exactly one read.
class SerialInThread : public QThread {
public:
    void post(std::function<void()> job) {
        std::lock_guard lock(mutex);
        jobs.push_back(std::move(job));
        wake.notify_one();
    }
    void finish() {
        {
            std::lock_guard lock(mutex);
            quitting = true;
            wake.notify_one();
        }
        wait();
    }

protected:
    void run() override {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return quitting || !jobs.empty(); });
                if (jobs.empty())
                    return;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            job();
        }
    }

private:
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> jobs;
    bool quitting = false;
};

namespace {
constexpr uint8_t GS = 29;

void runOn(SerialInThread &thread, const std::function<void()> &job) {
    Event done;
    thread.post([&] {
        job();
        done.set();
    });
    done.wait();
}
} // namespace

Link::Link() = default;

Link::~Link() {
    ClosePort();
}

Link::Exchange::Exchange(Link &l) : link(l) {
    link.lockExchange();
}

Link::Exchange::~Exchange() {
    link.unlockExchange();
}

void Link::lockExchange() {
    const std::thread::id me = std::this_thread::get_id();
    exchangeCondition.waitUntil(
        [&] {
            if (exchangeDepth != 0 && exchangeOwner != me)
                return false;
            exchangeOwner = me;
            ++exchangeDepth;
            return true;
        },
        -1);
}

void Link::unlockExchange() {
    exchangeCondition.update([this] {
        if (--exchangeDepth == 0)
            exchangeOwner = std::thread::id();
    });
}

void Link::runOnPortThread(const std::function<void()> &job) {
    runOn(*portThread, job);
}

std::unique_ptr<Transport> Link::defaultTransport(const QString &portName) {
    if (auto printer = EmulatedPorts::printerFor(portName))
        return std::make_unique<EmulatorTransport>(std::move(printer));
    if (TcpTransport::isTcpName(portName))
        return std::make_unique<TcpTransport>(portName);
    return std::make_unique<SerialTransport>(portName);
}

void Link::setTransportFactory(TransportFactory factory) {
    std::lock_guard lock(hooksMutex);
    transportFactory = std::move(factory);
}

void Link::setTrafficObserver(TrafficObserver observer) {
    std::lock_guard lock(hooksMutex);
    trafficObserver = std::move(observer);
}

void Link::setMacroSink(MacroSink sink) {
    std::lock_guard lock(hooksMutex);
    macroSink = std::move(sink);
}

int Link::timeoutFor(int mode) {
    switch (mode) {
    case WaitUnlimited:
        return -1;
    case WaitPoll:
        return Clock::scaled(100);
    case WaitShort:
        return Clock::scaled(2000);
    default:
        return Clock::scaled(6000);
    }
}

// Every caller asks for 9600 baud, the printers' only speed; the transports always set it.
int Link::OpenPort(const QString &portName, uint32_t /*baud*/, bool probeOnly) {
    if (open)
        ClosePort();
    Exchange exchange(*this);
    TransportFactory factory;
    {
        std::lock_guard lock(hooksMutex);
        factory = transportFactory;
    }
    std::unique_ptr<Transport> device = factory ? factory(portName) : defaultTransport(portName);
    if (!device)
        return 1;
    auto thread = std::make_unique<SerialInThread>();
    thread->start();
    bool opened = false;
    bool denied = false;
    runOn(*thread, [&] {
        opened = device->open();
        denied = !opened && device->permissionDenied();
        if (opened && probeOnly)
            device->close();
    });
    if (!opened || probeOnly) {
        thread->finish();
        return opened ? 0 : denied ? PortDenied : 1;
    }
    transport = std::move(device);
    portThread = std::move(thread);
    cancelRead = false;
    lastFrame.clear();
    open = true;
    return 0;
}

int Link::ClosePort() {
    if (!open)
        return 0;
    cancelRead = true; // a wait in progress on another thread gives up at once
    Exchange exchange(*this);
    if (open) {
        runOnPortThread([this] { transport->close(); });
        portThread->finish();
        portThread.reset();
        transport.reset();
        open = false;
    }
    cancelRead = false;
    return 0;
}

bool Link::SendFrame(const uint8_t *frame, int length) {
    if (!open)
        return false;
    Exchange exchange(*this);
    if (!open)
        return false;
    if (length < 0)
        length = 0;
    if (frame == TxBuffer && length > TxBufferSize)
        length = TxBufferSize;
    const QByteArray bytes(reinterpret_cast<const char *>(frame), length);
    runOnPortThread([&] { transport->write(bytes); });
    if (toolState().ViewerFeed) {
        std::lock_guard lock(hooksMutex);
        if (trafficObserver)
            trafficObserver(TrafficDirection::Sent, bytes);
    }
    lastFrame = bytes;
    return true;
}

int16_t Link::WaitResponse(uint8_t *answer, int mode) {
    if (!open)
        return 0;
    Exchange exchange(*this);
    if (!open)
        return 0;
    std::memset(answer, 0, 1000);
    const int total = timeoutFor(mode);
    QByteArray chunk;
    runOnPortThread([&] { chunk = transport->readChunk(total, cancelRead); });
    // A transport hands over at most one chunk of RxBufferSize; never trust it with the buffer.
    if (chunk.size() > RxBufferSize)
        chunk.truncate(RxBufferSize);
    if (chunk.isEmpty()) {
        std::memset(answer, '9', 6);
        return 0;
    }
    recordAccepted(chunk);
    if (toolState().ViewerFeed) {
        std::lock_guard lock(hooksMutex);
        if (trafficObserver)
            trafficObserver(TrafficDirection::Received, chunk);
    }
    std::memcpy(answer, chunk.constData(), size_t(chunk.size()));
    return int16_t(chunk.size());
}

void Link::recordAccepted(const QByteArray &answer) {
    // A frame is written at most once: on the first answer that arrives after it.
    const QByteArray frame = std::exchange(lastFrame, QByteArray());
    if (toolState().RecordingState != RecordingOn || frame.isEmpty() || uint8_t(frame[0]) == GS)
        return;
    if (!answerAccepted(toolState().ModelCode, answer))
        return;
    std::lock_guard lock(hooksMutex);
    if (macroSink)
        macroSink(macroLineFor(frame));
}

bool Link::PurgePort() {
    if (!open)
        return false;
    Exchange exchange(*this);
    if (!open)
        return false;
    bool done = false;
    runOnPortThread([&] { done = transport->purge(); });
    return done;
}

CtsLine Link::IsCtsOn() {
    if (!open)
        return CtsLine::Off;
    Exchange exchange(*this);
    if (!open)
        return CtsLine::Off;
    CtsLine line = CtsLine::Off;
    runOnPortThread([&] { line = transport->cts(); });
    return line;
}

Link &printerLink() {
    static Link link;
    return link;
}
