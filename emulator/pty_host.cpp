#include "pty_host.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace emu {

using namespace std::chrono;

namespace {

// The printer's inter-byte time-out: an unfinished frame is dropped after this much quiet.
constexpr int LineIdleMs = 300;
// How often the host asks the printer for the answers it sends on its own (an authentication
// done once its slip is in).
constexpr int LatePollMs = 50;
// Paced answers leave in pieces this small: one every 8.3 ms at 960 bytes per second, far from
// the 150 ms gap that ends a chunk at the tool.
constexpr qsizetype PieceBytes = 8;
// How long the host keeps trying to hand an answer to a far end that does not read. A real
// printer's UART does not wait for anyone: what nobody reads is lost.
constexpr milliseconds StalledWriteLimit{1000};

steady_clock::duration wire(qsizetype bytes) {
    return duration_cast<steady_clock::duration>(
        duration<double, std::milli>(wireTimeMs(int(bytes))));
}

bool setFlag(int fd, int getCmd, int setCmd, int flag) {
    const int flags = ::fcntl(fd, getCmd);
    return flags >= 0 && ::fcntl(fd, setCmd, flags | flag) == 0;
}

} // namespace

PtyHost::PtyHost(Printer &p) : printer(p) {
}

PtyHost::~PtyHost() {
    stop();
}

bool PtyHost::fail(const QString &what) {
    error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    closeAll();
    return false;
}

bool PtyHost::start() {
    if (thread.joinable())
        return true;
    error.clear();
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        return fail(QStringLiteral("posix_openpt"));
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0)
        return fail(QStringLiteral("grantpt/unlockpt"));
    const char *name = ::ptsname(master);
    if (!name)
        return fail(QStringLiteral("ptsname"));
    path = QString::fromLocal8Bit(name);

    // The host's own hold on the slave side: without it the pseudo-terminal hangs up each time
    // the program that uses it closes it. It also carries the line settings: raw 8-bit bytes,
    // no echo, no translation of CR or LF.
    slave = ::open(name, O_RDWR | O_NOCTTY);
    if (slave < 0)
        return fail(QStringLiteral("open ") + path);
    termios settings{};
    if (::tcgetattr(slave, &settings) != 0)
        return fail(QStringLiteral("tcgetattr"));
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
    if (::tcsetattr(slave, TCSANOW, &settings) != 0)
        return fail(QStringLiteral("tcsetattr"));

    int wake[2];
    if (::pipe(wake) != 0)
        return fail(QStringLiteral("pipe"));
    wakeRead = wake[0];
    wakeWrite = wake[1];
    for (int fd : {master, slave, wakeRead, wakeWrite}) {
        if (!setFlag(fd, F_GETFD, F_SETFD, FD_CLOEXEC))
            return fail(QStringLiteral("fcntl"));
    }
    if (!setFlag(master, F_GETFL, F_SETFL, O_NONBLOCK) ||
        !setFlag(wakeRead, F_GETFL, F_SETFL, O_NONBLOCK))
        return fail(QStringLiteral("fcntl"));

    stopping = false;
    rxLineFree = txLineFree = steady_clock::now();
    thread = std::thread([this] { run(); });
    return true;
}

void PtyHost::stop() {
    stopping = true;
    if (wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
    }
    if (thread.joinable())
        thread.join();
    closeAll();
}

void PtyHost::closeAll() {
    for (int *fd : {&master, &slave, &wakeRead, &wakeWrite}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void PtyHost::run() {
    // When the line's inter-byte time-out ends; never while no bytes are waiting for it.
    constexpr auto Never = steady_clock::time_point::max();
    steady_clock::time_point quietAt = Never;
    char buffer[4096];
    while (!stopping) {
        int timeoutMs = LatePollMs;
        if (quietAt != Never) {
            const auto left = ceil<milliseconds>(quietAt - steady_clock::now()).count();
            timeoutMs = int(std::clamp<decltype(left)>(left, 0, LatePollMs));
        }
        pollfd fds[2] = {{master, POLLIN, 0}, {wakeRead, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (stopping || fds[1].revents != 0)
            break;
        send(printer.poll(), steady_clock::now());
        // The time-out also counts when this thread was late to look: bytes that come after it
        // start a new frame.
        if (quietAt != Never && steady_clock::now() >= quietAt) {
            quietAt = Never;
            send(printer.lineIdle(), steady_clock::now());
            continue;
        }
        if (ready == 0)
            continue;
        if (fds[0].revents & POLLIN) {
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got > 0) {
                steady_clock::time_point at = steady_clock::now();
                if (printer.pacing()) {
                    // The bytes reach the printer one wire time after the line is free for
                    // them: a frame is complete only when its last byte could have arrived.
                    rxLineFree = std::max(at, rxLineFree) + wire(got);
                    at = rxLineFree;
                    if (!sleepUntil(at))
                        break;
                }
                quietAt = at + milliseconds(LineIdleMs);
                send(printer.receive(QByteArray(buffer, qsizetype(got))), at);
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
        }
        // Hang-up or EIO: no slave is open. The host holds one, so this is passing; wait for it
        // to pass without spinning.
        if (!sleepUntil(steady_clock::now() + milliseconds(50)))
            break;
    }
}

void PtyHost::send(const std::vector<Reply> &replies, steady_clock::time_point receivedAt) {
    const bool paced = printer.pacing();
    for (const Reply &reply : replies) {
        steady_clock::time_point t = std::max(receivedAt, txLineFree);
        for (const Segment &segment : reply) {
            t += milliseconds(segment.pauseMs);
            if (!sleepUntil(t))
                return;
            const char *data = segment.bytes.constData();
            const qsizetype size = segment.bytes.size();
            if (!paced) {
                if (!writeAll(data, size))
                    return;
                t = txLineFree = steady_clock::now();
                continue;
            }
            // At 960 bytes per second: each piece is written when its last byte would have
            // arrived, timed from the start of the segment so that the average stays exact.
            for (qsizetype offset = 0; offset < size; offset += PieceBytes) {
                const qsizetype piece = std::min(PieceBytes, size - offset);
                if (!sleepUntil(t + wire(offset + piece)) || !writeAll(data + offset, piece))
                    return;
            }
            t += wire(size);
            txLineFree = t;
        }
    }
}

bool PtyHost::writeAll(const char *data, qsizetype size) {
    steady_clock::time_point stalledSince{};
    bool stalled = false;
    while (size > 0) {
        const ssize_t written = ::write(master, data, size_t(size));
        if (written > 0) {
            data += written;
            size -= written;
            stalled = false;
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN)
            return true; // no far end (EIO): the bytes go nowhere, as on an open line
        const auto now = steady_clock::now();
        if (!stalled) {
            stalled = true;
            stalledSince = now;
        } else if (now - stalledSince >= StalledWriteLimit) {
            return true; // the far end does not read: the rest is lost
        }
        pollfd fds[2] = {{master, POLLOUT, 0}, {wakeRead, POLLIN, 0}};
        if (::poll(fds, 2, 50) > 0 && fds[1].revents != 0)
            return false;
    }
    return !stopping;
}

bool PtyHost::sleepUntil(steady_clock::time_point when) {
    for (;;) {
        if (stopping)
            return false;
        const auto left = ceil<milliseconds>(when - steady_clock::now()).count();
        if (left <= 0)
            return true;
        pollfd wake{wakeRead, POLLIN, 0};
        if (::poll(&wake, 1, int(left)) > 0)
            return false;
    }
}

} // namespace emu
