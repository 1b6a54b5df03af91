#pragma once

#include "printer.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <thread>

namespace emu {

// Serves a Printer on a pseudo-terminal, so that a program opens the printer like a serial
// port at the path that slavePath() gives ("/dev/pts/N").
//
// A thread reads what arrives on the line and hands it to the printer, writes the printer's
// answers back (after each answer's pause), also the ones it gives later on its own (asked for
// every 50 ms), and tells the printer when the line has been quiet for 300 ms, its inter-byte
// time-out. With the printer's pacing on, the line runs at 9600 baud
// both ways: a frame counts as received only once its bytes could have crossed the line, and
// answers leave at 960 bytes per second.
//
// The host keeps the slave side open itself, so the pseudo-terminal stays up while programs
// open and close it.
class PtyHost {
public:
    explicit PtyHost(Printer &printer);
    ~PtyHost(); // stops
    PtyHost(const PtyHost &) = delete;
    PtyHost &operator=(const PtyHost &) = delete;

    // Opens the pseudo-terminal and starts serving; false (see errorString) when it cannot.
    bool start();
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
    void closeAll();

    Printer &printer;
    int master = -1;
    int slave = -1;
    int wakeRead = -1; // stop() writes to wakeWrite to interrupt the thread's waits
    int wakeWrite = -1;
    std::thread thread;
    std::atomic<bool> stopping{false};
    QString path;
    QString error;

    Clock::time_point rxLineFree{}; // pacing: when the bytes read so far finished arriving
    Clock::time_point txLineFree{}; // when the last answer byte has left
};

} // namespace emu
