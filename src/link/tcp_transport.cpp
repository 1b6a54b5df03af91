#include "link/tcp_transport.h"

#include <QTcpSocket>
#include <QThread>
#include <QUrl>

#include <algorithm>

namespace {
// Longest single blocking wait, so that a cancel request is seen promptly.
constexpr int SliceMs = 50;
// How long one connection attempt may take, and how often a dropped connection is tried again.
constexpr int ConnectMs = 1000;
constexpr int RetryMs = 500;
} // namespace

bool TcpTransport::isTcpName(const QString &portName) {
    return portName.startsWith(QLatin1String(Scheme), Qt::CaseInsensitive);
}

TcpTransport::TcpTransport(QString portName) {
    const QUrl url(portName.trimmed());
    if (url.isValid() && url.port() > 0 && !url.host().isEmpty() && url.path().isEmpty()) {
        host = url.host();
        port = quint16(url.port());
    }
}

TcpTransport::~TcpTransport() = default;

bool TcpTransport::open() {
    if (host.isEmpty())
        return false;
    socket = std::make_unique<QTcpSocket>();
    if (!connectNow()) {
        socket.reset();
        return false;
    }
    return true;
}

bool TcpTransport::connectNow() {
    lastTry.start();
    socket->abort();
    socket->connectToHost(host, port);
    if (!socket->waitForConnected(ConnectMs))
        return false;
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return true;
}

// Whether the connection stands; the socket learns of a drop only when it looks.
bool TcpTransport::connected() {
    if (!socket)
        return false;
    if (socket->state() == QAbstractSocket::ConnectedState)
        socket->waitForReadyRead(0);
    return socket->state() == QAbstractSocket::ConnectedState;
}

void TcpTransport::close() {
    if (socket)
        socket->abort();
    socket.reset();
}

// A printer switched off loses what is sent to it, as on a serial line.
bool TcpTransport::write(const QByteArray &frame) {
    if (!connected())
        return socket != nullptr;
    if (socket->write(frame) != frame.size())
        return false;
    while (socket->bytesToWrite() > 0) {
        if (!socket->waitForBytesWritten(1000))
            return !connected();
    }
    return true;
}

QByteArray TcpTransport::readChunk(int totalMs, const std::atomic<bool> &cancel) {
    QByteArray chunk;
    if (!socket)
        return chunk;
    QElapsedTimer elapsed;
    elapsed.start();
    auto timeLeft = [&]() -> qint64 { return totalMs < 0 ? SliceMs : totalMs - elapsed.elapsed(); };

    chunk = socket->read(MaxChunk);
    while (chunk.isEmpty()) {
        const qint64 left = timeLeft();
        if (cancel || left <= 0)
            return chunk;
        const int wait = int(std::min<qint64>(left, SliceMs));
        if (socket->state() != QAbstractSocket::ConnectedState)
            QThread::msleep(wait); // nobody there: nothing comes until the time is up
        else
            socket->waitForReadyRead(wait);
        chunk = socket->read(MaxChunk);
    }
    while (chunk.size() < MaxChunk && !cancel) {
        if (socket->bytesAvailable() == 0) {
            qint64 wait = ChunkGapMs;
            if (totalMs >= 0)
                wait = std::min(wait, timeLeft());
            if (wait <= 0 || socket->state() != QAbstractSocket::ConnectedState ||
                !socket->waitForReadyRead(int(wait)))
                break;
        }
        chunk += socket->read(MaxChunk - chunk.size());
    }
    return chunk;
}

bool TcpTransport::purge() {
    if (!socket)
        return false;
    if (connected())
        socket->readAll();
    return true;
}

CtsLine TcpTransport::cts() {
    if (!socket)
        return CtsLine::Off;
    if (connected())
        return CtsLine::On;
    if (lastTry.isValid() && lastTry.elapsed() < RetryMs)
        return CtsLine::Off;
    return connectNow() ? CtsLine::On : CtsLine::Off;
}
