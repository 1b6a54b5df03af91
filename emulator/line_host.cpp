#include "line_host.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
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

LineHost::LineHost(Printer &p) : printer(p) {
}

LineHost::~LineHost() {
    stop();
}

bool LineHost::fail(const QString &what) {
    error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    closeAll();
    return false;
}

bool LineHost::start() {
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
    for (int fd : {master, slave}) {
        if (!setFlag(fd, F_GETFD, F_SETFD, FD_CLOEXEC))
            return fail(QStringLiteral("fcntl"));
    }
    if (!setFlag(master, F_GETFL, F_SETFL, O_NONBLOCK))
        return fail(QStringLiteral("fcntl"));
    return startThread();
}

bool LineHost::startTcp(const QString &address, quint16 port) {
    if (thread.joinable())
        return true;
    error.clear();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (::getaddrinfo(address.toLocal8Bit().constData(), nullptr, &hints, &found) != 0 || !found) {
        error = QStringLiteral("endereço desconhecido: ") + address;
        return false;
    }
    sockaddr_in where = *reinterpret_cast<const sockaddr_in *>(found->ai_addr);
    ::freeaddrinfo(found);
    where.sin_port = htons(port);
    tcp = true;
    listenAddress = QByteArray(reinterpret_cast<const char *>(&where), sizeof where);
    if (!listen())
        return fail(QStringLiteral("%1:%2").arg(address).arg(port));
    socklen_t size = sizeof where;
    if (::getsockname(listener, reinterpret_cast<sockaddr *>(&where), &size) != 0)
        return fail(QStringLiteral("getsockname"));
    // The port chosen stays the printer's port while it is switched off and on.
    listenPort = ntohs(where.sin_port);
    std::memcpy(listenAddress.data(), &where, sizeof where);
    path = QStringLiteral("%1:%2").arg(address).arg(listenPort);
    return startThread();
}

bool LineHost::listen() {
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener < 0)
        return false;
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const auto *where = reinterpret_cast<const sockaddr *>(listenAddress.constData());
    if (::bind(listener, where, socklen_t(listenAddress.size())) != 0 ||
        ::listen(listener, 4) != 0) {
        const int saved = errno;
        ::close(listener);
        listener = -1;
        errno = saved;
        return false;
    }
    return true;
}

// Over TCP the printer's power is the connection: off, the client is dropped and the port
// refuses connections; on again, it listens again.
void LineHost::followPower() {
    if (!tcp)
        return;
    const bool on = printer.powered();
    if (!on && listener >= 0) {
        dropClient();
        ::close(listener);
        listener = -1;
    } else if (on && listener < 0) {
        listen(); // tried again on the next turn if the port is taken meanwhile
    }
}

bool LineHost::startThread() {
    int wake[2];
    if (::pipe(wake) != 0)
        return fail(QStringLiteral("pipe"));
    wakeRead = wake[0];
    wakeWrite = wake[1];
    for (int fd : {wakeRead, wakeWrite}) {
        if (!setFlag(fd, F_GETFD, F_SETFD, FD_CLOEXEC))
            return fail(QStringLiteral("fcntl"));
    }
    if (!setFlag(wakeRead, F_GETFL, F_SETFL, O_NONBLOCK))
        return fail(QStringLiteral("fcntl"));

    stopping = false;
    rxLineFree = txLineFree = steady_clock::now();
    thread = std::thread([this] { run(); });
    return true;
}

void LineHost::stop() {
    stopping = true;
    if (wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
    }
    if (thread.joinable())
        thread.join();
    closeAll();
}

void LineHost::closeAll() {
    for (int *fd : {&master, &slave, &listener, &wakeRead, &wakeWrite}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void LineHost::run() {
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
        followPower();
        // A negative descriptor is left out of the poll: no client yet, or no listener.
        pollfd fds[3] = {{master, POLLIN, 0}, {wakeRead, POLLIN, 0}, {listener, POLLIN, 0}};
        const int ready = ::poll(fds, 3, timeoutMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (stopping || fds[1].revents != 0)
            break;
        if (fds[2].revents & POLLIN) {
            accept();
            quietAt = Never;
            continue;
        }
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
        if (tcp) { // the client has gone
            dropClient();
            quietAt = Never;
            continue;
        }
        // Hang-up or EIO: no slave is open. The host holds one, so this is passing; wait for it
        // to pass without spinning.
        if (!sleepUntil(steady_clock::now() + milliseconds(50)))
            break;
    }
}

void LineHost::send(const std::vector<Reply> &replies, steady_clock::time_point receivedAt) {
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
            } else {
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
            printer.segmentSent(segment);
            if (segment.thenOff)
                return;
        }
    }
}

// A new client replaces the one before: a serial device server gives its one line to the
// last to connect. The printer drops the frame the old client left unfinished.
void LineHost::accept() {
    const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0)
        return;
    dropClient();
    const int on = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    master = client;
    rxLineFree = txLineFree = steady_clock::now();
}

void LineHost::dropClient() {
    if (master >= 0)
        ::close(master);
    master = -1;
    printer.lineIdle();
}

bool LineHost::writeAll(const char *data, qsizetype size) {
    steady_clock::time_point stalledSince{};
    bool stalled = false;
    while (size > 0) {
        if (master < 0)
            return true; // no client: the bytes go nowhere
        // MSG_NOSIGNAL: a client that has gone is no reason to end the program.
        const ssize_t written = tcp ? ::send(master, data, size_t(size), MSG_NOSIGNAL)
                                    : ::write(master, data, size_t(size));
        if (written > 0) {
            data += written;
            size -= written;
            stalled = false;
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN)
            return true; // no far end (EIO, EPIPE): the bytes go nowhere, as on an open line
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

bool LineHost::sleepUntil(steady_clock::time_point when) {
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
