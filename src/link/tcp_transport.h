#pragma once

#include "link/transport.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>

class QTcpSocket;

// A printer on the network: the emulator's TCP port, or a serial device server that passes the
// line's bytes raw. The port is named "tcp://HOST:PORT". A connection stands for the CTS line:
// connected is on, a dropped connection is the printer switched off, and while it is off the
// transport tries now and then to connect again, as a printer switched on raises CTS.
class TcpTransport : public Transport {
public:
    static constexpr const char *Scheme = "tcp://";
    static bool isTcpName(const QString &portName);

    explicit TcpTransport(QString portName);
    ~TcpTransport() override;

    bool open() override;
    void close() override;
    bool write(const QByteArray &frame) override;
    QByteArray readChunk(int totalMs, const std::atomic<bool> &cancel) override;
    bool purge() override;
    CtsLine cts() override;

private:
    bool connected();
    bool connectNow();

    QString host;
    quint16 port = 0;
    std::unique_ptr<QTcpSocket> socket;
    QElapsedTimer lastTry; // when the last connection attempt was made
};
