#pragma once

#include "link/transport.h"

#include <QByteArrayList>

#include <deque>
#include <memory>
#include <mutex>

// A device for link tests: records what is written and answers from a script. Each
// scripted chunk is handed to one read; with the script empty a read waits out its time.
class ScriptedTransport : public Transport {
public:
    struct Shared {
        std::mutex mutex;
        QByteArrayList written;
        std::deque<QByteArray> chunks;
        CtsLine cts = CtsLine::On;
        bool opens = true;
        int purges = 0;
        int reads = 0;
        QList<int> readTimeouts;
    };

    explicit ScriptedTransport(std::shared_ptr<Shared> shared) : s(std::move(shared)) {}

    bool open() override;
    void close() override {}
    bool write(const QByteArray &frame) override;
    QByteArray readChunk(int totalMs, const std::atomic<bool> &cancel) override;
    bool purge() override;
    CtsLine cts() override;

private:
    std::shared_ptr<Shared> s;
};
