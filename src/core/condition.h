#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

class QEventLoop;

// A condition that threads wait on until some state, changed under its lock, is ready.
// A waiter wakes as soon as the state changes (no polling). On the UI thread the wait runs
// a local event loop that keeps serving paint, timer and queued-call events (but not user
// input), so windows repaint and workers' steps on the UI thread still run while it waits.
class Condition {
public:
    // Runs `change` under the lock, then wakes every waiter to re-check.
    void update(const std::function<void()> &change);

    // Waits until `ready()`, evaluated under the lock, returns true, or until `timeoutMs`
    // (real milliseconds; negative = no limit) has passed. Returns the last value of ready().
    bool waitUntil(const std::function<bool()> &ready, int timeoutMs);

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<QEventLoop *> uiLoops;
};

// A manual-reset event: stays set until reset; every waiter sees it.
class Event {
public:
    explicit Event(bool initiallySet = false) : flag(initiallySet) {}
    void set();
    void reset();
    bool isSet();
    // Waits until set or `timeoutMs` has passed (negative = no limit); true when set.
    bool wait(int timeoutMs = -1);

private:
    Condition condition;
    bool flag;
};
