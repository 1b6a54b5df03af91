#include "core/clock.h"

#include "core/condition.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cmath>

namespace {
std::atomic<double> scaleFactor{1.0};
std::atomic<int64_t> nowOffset{0};
} // namespace

namespace Clock {

int64_t tickMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int scaled(int ms) {
    if (ms <= 0)
        return ms;
    const double value = std::ceil(ms * scaleFactor.load());
    return value < 1.0 ? 1 : int(value);
}

void setScale(double factor) {
    scaleFactor = factor > 0.0 ? factor : 1.0;
}

double scale() {
    return scaleFactor;
}

void sleep(int ms) {
    const int duration = scaled(ms);
    if (duration <= 0)
        return;
    if (!onUiThread()) {
        QThread::msleep(unsigned(duration));
        return;
    }
    Event never;
    never.wait(duration);
}

QDateTime now() {
    return QDateTime::currentDateTime().addSecs(nowOffset.load());
}

void setNowOffsetSeconds(int64_t seconds) {
    nowOffset = seconds;
}

bool onUiThread() {
    QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace Clock
