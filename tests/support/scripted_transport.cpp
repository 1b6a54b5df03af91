#include "support/scripted_transport.h"

#include <chrono>
#include <thread>

bool ScriptedTransport::open() {
    std::lock_guard lock(s->mutex);
    return s->opens;
}

bool ScriptedTransport::write(const QByteArray &frame) {
    std::lock_guard lock(s->mutex);
    s->written << frame;
    return true;
}

QByteArray ScriptedTransport::readChunk(int totalMs, const std::atomic<bool> &cancel) {
    {
        std::lock_guard lock(s->mutex);
        ++s->reads;
        s->readTimeouts << totalMs;
        if (!s->chunks.empty()) {
            QByteArray chunk = s->chunks.front();
            s->chunks.pop_front();
            return chunk;
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(totalMs);
    while (!cancel && (totalMs < 0 || std::chrono::steady_clock::now() < deadline))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return {};
}

bool ScriptedTransport::purge() {
    std::lock_guard lock(s->mutex);
    ++s->purges;
    s->chunks.clear();
    return true;
}

CtsLine ScriptedTransport::cts() {
    std::lock_guard lock(s->mutex);
    return s->cts;
}
