#include "core/worker_thread.h"

#include "core/clock.h"

#include <QCoreApplication>

#include <condition_variable>
#include <mutex>

void runOnUiThread(const std::function<void()> &step) {
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || Clock::onUiThread()) {
        step();
        return;
    }
    // The hand-over and the wake-up go through a lock of our own rather than Qt's blocking
    // queued call alone, so that the order of the two threads' accesses to what the step
    // shares with the worker is plain to see (and to the thread sanitizer).
    std::mutex mutex;
    std::condition_variable ran;
    bool done = false;
    { std::lock_guard lock(mutex); } // everything the worker wrote so far goes with the step
    QMetaObject::invokeMethod(
        app,
        [&] {
            { std::lock_guard lock(mutex); }
            step();
            std::lock_guard lock(mutex);
            done = true;
            ran.notify_one();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mutex);
    ran.wait(lock, [&] { return done; });
}

void WorkerThread::terminateAndWait() {
    requestInterruption();
    if (isRunning())
        finishedEvent.wait();
    wait();
}

void WorkerThread::run() {
    work();
    finishedEvent.set();
}
