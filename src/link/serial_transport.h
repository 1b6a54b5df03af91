#pragma once

#include "link/transport.h"

#include <QString>

#include <memory>
#include <optional>

class QSerialPort;

// A real serial port, or a pseudo-terminal, through QSerialPort.
class SerialTransport : public Transport {
public:
    explicit SerialTransport(QString portName);
    ~SerialTransport() override;

    bool open() override;
    bool permissionDenied() const override { return denied; }
    void close() override;
    bool write(const QByteArray &frame) override;
    QByteArray readChunk(int totalMs, const std::atomic<bool> &cancel) override;
    bool purge() override;
    CtsLine cts() override;

private:
    QString name;
    std::unique_ptr<QSerialPort> port;
    bool denied = false;
    // Whether the system lists the port as a serial port (a pseudo-terminal it does not);
    // looked up once, the first time the modem lines cannot be read.
    std::optional<bool> systemPort;
};
