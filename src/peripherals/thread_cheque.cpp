#include "peripherals/thread_cheque.h"

ThreadCheque::ThreadCheque(Link &l, View v, bool h, QByteArray a)
    : link(l), view(std::move(v)), horizontal(h), amount(std::move(a)) {
}

ThreadCheque::~ThreadCheque() {
    terminateAndWait();
}

void ThreadCheque::work() {
    ChequeRun::Hooks hooks;
    hooks.show = [this](const QString &text) { runOnUiThread([&] { view.showMessage(text); }); };
    hooks.stopRequested = [this] { return isInterruptionRequested(); };
    hooks.backText = [this] {
        QString text;
        runOnUiThread([&] { text = view.backText(); });
        return text;
    };
    end = ChequeRun(link, hooks).run(horizontal, amount);
}
