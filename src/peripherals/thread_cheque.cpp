#include "peripherals/thread_cheque.h"

#include "app/clock.h"

#include <QCoreApplication>

namespace {

void runOnUiThread(const std::function<void()> &step) {
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || Clock::onUiThread())
        step();
    else
        QMetaObject::invokeMethod(app, step, Qt::BlockingQueuedConnection);
}

} // namespace

ThreadCheque::ThreadCheque(Link &l, View v, bool h, QByteArray a)
    : link(l), view(std::move(v)), horizontal(h), amount(std::move(a)) {
}

ThreadCheque::~ThreadCheque() {
    terminateAndWait();
}

void ThreadCheque::terminateAndWait() {
    requestInterruption();
    if (isRunning())
        finishedEvent.wait();
    wait();
}

void ThreadCheque::run() {
    ChequeRun::Hooks hooks;
    hooks.show = [this](const QString &text) { runOnUiThread([&] { view.showMessage(text); }); };
    hooks.stopRequested = [this] { return isInterruptionRequested(); };
    hooks.backText = [this] {
        QString text;
        runOnUiThread([&] { text = view.backText(); });
        return text;
    };
    end = ChequeRun(link, hooks).run(horizontal, amount);
    finishedEvent.set();
}
