#include "core/condition.h"

#include "core/clock.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>

void Condition::update(const std::function<void()> &change) {
    std::lock_guard lock(mutex);
    change();
    changed.notify_all();
    for (QEventLoop *loop : uiLoops)
        QMetaObject::invokeMethod(loop, &QEventLoop::quit, Qt::QueuedConnection);
}

bool Condition::waitUntil(const std::function<bool()> &ready, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock lock(mutex);
    if (!Clock::onUiThread()) {
        if (timeoutMs < 0) {
            changed.wait(lock, ready);
            return true;
        }
        return changed.wait_until(lock, deadline, ready);
    }
    for (;;) {
        if (ready())
            return true;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (timeoutMs >= 0 && left.count() <= 0)
            return false;
        QEventLoop loop;
        QTimer timer;
        if (timeoutMs >= 0) {
            timer.setSingleShot(true);
            timer.setTimerType(Qt::PreciseTimer);
            QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
            timer.start(int(left.count()));
        }
        uiLoops.push_back(&loop);
        lock.unlock();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        lock.lock();
        uiLoops.erase(std::find(uiLoops.begin(), uiLoops.end(), &loop));
    }
}

void Event::set() {
    condition.update([this] { flag = true; });
}

void Event::reset() {
    condition.update([this] { flag = false; });
}

bool Event::isSet() {
    bool value = false;
    condition.waitUntil(
        [&] {
            value = flag;
            return true;
        },
        0);
    return value;
}

bool Event::wait(int timeoutMs) {
    return condition.waitUntil([this] { return flag; }, timeoutMs);
}
