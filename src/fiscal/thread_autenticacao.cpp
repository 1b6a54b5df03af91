#include "fiscal/thread_autenticacao.h"

#include "protocol/command_set.h"

namespace {
// How often an abort is repeated while the thread has not ended (real milliseconds).
constexpr int AbortRepeatMs = 50;
} // namespace

ThreadAutenticacao::ThreadAutenticacao(CommandSet &c, QByteArray t, int m)
    : commands(c), text(std::move(t)), mode(m) {
}

ThreadAutenticacao::~ThreadAutenticacao() {
    abortAndWait();
}

void ThreadAutenticacao::abort() {
    requestInterruption();
    commands.AbortAuthentication();
}

void ThreadAutenticacao::abortAndWait() {
    if (isRunning()) {
        do
            abort();
        while (!endedEvent.wait(AbortRepeatMs));
    }
    wait();
}

void ThreadAutenticacao::run() {
    if (!isInterruptionRequested())
        commands.Authenticate(text.constData(), int(text.size()), mode);
    endedEvent.set();
}
