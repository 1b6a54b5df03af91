#pragma once

#include "link/transport.h"

#include <QString>

#include <memory>

class QSerialPort;

// A real serial port, or a pseudo-terminal, through QSerialPort.
class SerialTransport : public Transport {
public:
    explicit SerialTransport(QString portName);
    ~SerialTransport() override;

    bool open() override;
    void close() override;
    bool write(const QByteArray &frame) override;
    QByteArray readChunk(int totalMs, const std::atomic<bool> &cancel) override;
    bool purge() override;
    bool ctsOn() override;

private:
    QString name;
    std::unique_ptr<QSerialPort> port;
};
