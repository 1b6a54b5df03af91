#include "link/serial_transport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QThread>

#include <algorithm>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace {
// Longest single blocking wait, so that a cancel request is seen promptly.
constexpr int SliceMs = 50;
} // namespace

SerialTransport::SerialTransport(QString portName) : name(std::move(portName)) {
}

SerialTransport::~SerialTransport() = default;

bool SerialTransport::open() {
    port = std::make_unique<QSerialPort>();
    port->setPortName(name);
    port->setBaudRate(QSerialPort::Baud9600);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    port->setReadBufferSize(0); // unlimited: nothing the printer sends is dropped
    denied = false;
    if (!port->open(QIODevice::ReadWrite)) {
        // QSerialPort reports a port held by another program the same way; only a device the
        // user may not read and write is a matter of permission.
#if defined(Q_OS_UNIX)
        const QByteArray path = port->portName().startsWith(QLatin1Char('/'))
                                    ? QFile::encodeName(port->portName())
                                    : QFile::encodeName(QStringLiteral("/dev/") + port->portName());
        denied = port->error() == QSerialPort::PermissionError &&
                 faccessat(AT_FDCWD, path.constData(), R_OK | W_OK, AT_EACCESS) != 0 &&
                 errno == EACCES;
#else
        denied = port->error() == QSerialPort::PermissionError;
#endif
        port.reset();
        return false;
    }
    // A pseudo-terminal has no modem lines; the printer's own port does.
    systemPort.reset();
    if (!port->setDataTerminalReady(true))
        port->clearError();
    if (!port->setRequestToSend(true))
        port->clearError();
    return true;
}

void SerialTransport::close() {
    if (port)
        port->close();
    port.reset();
}

bool SerialTransport::write(const QByteArray &frame) {
    if (!port)
        return false;
    if (port->write(frame) != frame.size())
        return false;
    while (port->bytesToWrite() > 0) {
        if (!port->waitForBytesWritten(1000))
            return false;
    }
    // The driver has the bytes; wait until the last one has left the line.
#if defined(Q_OS_UNIX)
    tcdrain(int(port->handle()));
#elif defined(Q_OS_WIN)
    FlushFileBuffers(port->handle());
#endif
    return true;
}

QByteArray SerialTransport::readChunk(int totalMs, const std::atomic<bool> &cancel) {
    QByteArray chunk;
    if (!port)
        return chunk;
    QElapsedTimer elapsed;
    elapsed.start();
    auto timeLeft = [&]() -> qint64 { return totalMs < 0 ? SliceMs : totalMs - elapsed.elapsed(); };

    // Wait for the first byte.
    chunk = port->read(MaxChunk);
    while (chunk.isEmpty()) {
        const qint64 left = timeLeft();
        if (cancel || left <= 0)
            return chunk;
        const qint64 before = elapsed.elapsed();
        if (!port->waitForReadyRead(int(std::min<qint64>(left, SliceMs)))) {
            port->clearError();
            // A device that has gone away fails at once; do not spin on it.
            if (elapsed.elapsed() - before < 2)
                QThread::msleep(5);
        }
        chunk = port->read(MaxChunk);
    }
    // Then take bytes until the line has been quiet for the gap.
    while (chunk.size() < MaxChunk && !cancel) {
        if (port->bytesAvailable() == 0) {
            qint64 wait = ChunkGapMs;
            if (totalMs >= 0)
                wait = std::min(wait, timeLeft());
            if (wait <= 0 || !port->waitForReadyRead(int(wait))) {
                port->clearError();
                break;
            }
        }
        chunk += port->read(MaxChunk - chunk.size());
    }
    return chunk;
}

bool SerialTransport::purge() {
    return port && port->clear(QSerialPort::AllDirections);
}

CtsLine SerialTransport::cts() {
    if (!port)
        return CtsLine::Off;
    const QSerialPort::PinoutSignals lines = port->pinoutSignals();
    if (port->error() != QSerialPort::NoError) {
        port->clearError();
        // A pseudo-terminal has no modem lines: the printer at its other end counts as on the
        // line. A port the system lists as a serial port that fails the query says nothing
        // about the printer.
        if (!systemPort)
            systemPort = !QSerialPortInfo(*port).isNull();
        return *systemPort ? CtsLine::Unknown : CtsLine::On;
    }
    return lines.testFlag(QSerialPort::ClearToSendSignal) ? CtsLine::On : CtsLine::Off;
}
