#pragma once

#include <QDateTime>

#include <cstdint>

// Every sleep, deadline, tick count and "now" of the tool goes through here.
//
// Protocol durations (the 6000 ms answer time-out, the pauses the printer needs) are given
// in the printer's real milliseconds and pass through scaled(); tests shrink the scale so that
// the suite never waits out a real time-out. On the UI thread a sleep keeps serving paint,
// timer and queued-call events, so no window freezes while the printer works.
namespace Clock {

// Milliseconds of a monotonic clock.
int64_t tickMs();

// A protocol duration after scaling (at least 1 ms when `ms` > 0).
int scaled(int ms);
void setScale(double factor);
double scale();

// Pauses for the protocol duration `ms` (scaled).
void sleep(int ms);

// The PC's local date and time, moved by the offset that tests may set.
QDateTime now();
void setNowOffsetSeconds(int64_t seconds);

// True on the thread that runs the application's event loop (when an application exists).
bool onUiThread();

} // namespace Clock
