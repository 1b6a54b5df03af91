#pragma once

#include "printer.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <thread>

namespace emu {

// Serves a Printer on a line: a pseudo-terminal, so that a program opens the printer like a
// serial port at the path that slavePath() gives ("/dev/pts/N"), or a TCP port, where one
// client at a time talks to the printer as over a serial device server that passes raw bytes
// (a new client replaces the one connected before; the printer drops its unfinished frame).
// Over TCP the connection stands for the CTS line: while the printer is off, nobody listens
// and the client is dropped, as a serial device server does when its device goes away.
//
// A thread reads what arrives on the line and hands it to the printer, writes the printer's
// answers back (after each answer's pause), also the ones it gives later on its own (asked for
// every 50 ms), and tells the printer when the line has been quiet for 300 ms, its inter-byte
// time-out. With the printer's pacing on, the line runs at 9600 baud
// both ways: a frame counts as received only once its bytes could have crossed the line, and
// answers leave at 960 bytes per second.
//
// The host keeps the slave side open itself, so the pseudo-terminal stays up while programs
// open and close it. Over TCP the same timing holds: the bytes of an answer go out as the line
// would carry them, and a pause of 150 ms or more still ends the tool's chunk.
class LineHost {
public:
    explicit LineHost(Printer &printer);
    ~LineHost(); // stops
    LineHost(const LineHost &) = delete;
    LineHost &operator=(const LineHost &) = delete;

    // Opens the pseudo-terminal and starts serving; false (see errorString) when it cannot.
    bool start();
    // Listens on `address` (an IPv4 address or host name) and `port` (0: a free one, see
    // tcpPort) and starts serving; false (see errorString) when it cannot.
    bool startTcp(const QString &address, quint16 port);
    quint16 tcpPort() const { return listenPort; }
    // Ends the thread and closes the pseudo-terminal. Safe to call more than once.
    void stop();

    QString slavePath() const { return path; }
    QString errorString() const { return error; }

private:
    using Clock = std::chrono::steady_clock;

    void run();
    void send(const std::vector<Reply> &replies, Clock::time_point receivedAt);
    bool writeAll(const char *data, qsizetype size);
    bool sleepUntil(Clock::time_point when); // false: stop was asked for
    bool fail(const QString &what);
    bool startThread();
    void closeAll();
    void accept();
    void dropClient();
    bool listen();
    void followPower();

    Printer &printer;
    int master = -1; // the line: the pseudo-terminal's master side, or the TCP client
    int slave = -1;
    bool tcp = false;
    int listener = -1; // TCP: the listening socket, closed while the printer is off
    quint16 listenPort = 0;
    QByteArray listenAddress; // TCP: a sockaddr_in
    int wakeRead = -1;        // stop() writes to wakeWrite to interrupt the thread's waits
    int wakeWrite = -1;
    std::thread thread;
    std::atomic<bool> stopping{false};
    QString path;
    QString error;

    Clock::time_point rxLineFree{}; // pacing: when the bytes read so far finished arriving
    Clock::time_point txLineFree{}; // when the last answer byte has left
};

} // namespace emu
