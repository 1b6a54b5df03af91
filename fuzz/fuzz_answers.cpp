// Every operation of both command sets, fed arbitrary answers of any length: the answer
// parsers must never read or write outside their buffers, and every operation must return.

#include "answer_ops.h"
#include "fuzz_common.h"

#include "link/serial_new.h"
#include "protocol/cmd210.h"
#include "protocol/cmd4700.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

namespace {

// The device: answers each wait with the next answer of the input, then stays silent. A wait
// returns at once instead of running out its time, so a silent device costs nothing.
struct Script {
    std::mutex mutex;
    std::deque<QByteArray> answers;
    bool cts = true;
    int silentReads = 0;
    std::atomic<CommandSet *> abortTarget{nullptr};
};

class FuzzTransport : public Transport {
public:
    explicit FuzzTransport(Script &script) : s(script) {}
    bool open() override { return true; }
    void close() override {}
    bool write(const QByteArray &) override { return true; }
    QByteArray readChunk(int, const std::atomic<bool> &) override {
        std::lock_guard lock(s.mutex);
        if (!s.answers.empty()) {
            QByteArray answer = s.answers.front();
            s.answers.pop_front();
            return answer;
        }
        // An authentication waits until the printer answers or the user gives up: after a
        // while of silence the user gives up.
        if (++s.silentReads > 64) {
            if (CommandSet *target = s.abortTarget.load())
                target->AbortAuthentication();
        }
        return {};
    }
    // What waits on the line belongs to later waits here: nothing is dropped.
    bool purge() override { return true; }
    CtsLine cts() override {
        std::lock_guard lock(s.mutex);
        return s.cts ? CtsLine::On : CtsLine::Off;
    }

private:
    Script &s;
};

Script script;

Link &fuzzLink() {
    static Link *link = [] {
        auto *l = new Link;
        l->setTransportFactory(
            [](const QString &) { return std::make_unique<FuzzTransport>(script); });
        l->OpenPort(QStringLiteral("FUZZ"), 9600, false);
        return l;
    }();
    return *link;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzzcommon::start();
    fuzzLink();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < size_t(fuzzops::AnswerInputHeader))
        return 0;
    const auto &ops = fuzzops::operations();
    const bool modelB = data[0] & 1;
    const auto &op = ops[data[1] % ops.size()];
    {
        std::lock_guard lock(script.mutex);
        script.answers.clear();
        script.cts = !(data[0] & 2);
        script.silentReads = 0;
        size_t at = fuzzops::AnswerInputHeader;
        while (at + 2 <= size) {
            const size_t length = size_t(data[at]) | (size_t(data[at + 1]) << 8);
            at += 2;
            const size_t take = std::min(length, size - at);
            script.answers.push_back(fuzzcommon::bytes(data + at, take));
            at += take;
        }
    }
    resetToolState();
    toolState().ModelCode = modelB ? 1 : 2;
    invalidateConfigurationCache();
    configurationBlock().bytes.clear();

    Link &link = fuzzLink();
    Cmd210 a(link);
    Cmd4700 b(link);
    CommandSet &commands = modelB ? static_cast<CommandSet &>(b) : a;
    script.abortTarget = &commands;
    op.call(commands);
    script.abortTarget = nullptr;
    return 0;
}
