#pragma once

#include "core/worker_thread.h"
#include "peripherals/cheque_run.h"

class Link;

// Guides one check through the printer (ChequeRun) on its own thread, so that the window stays
// usable for its "Cancelar" button. Each progress text, and the look at the back text, run on
// the UI thread while this thread waits for them.
class ThreadCheque : public WorkerThread {
public:
    struct View {
        std::function<void(const QString &)> showMessage; // into lbMSG, window refreshed
        std::function<QString()> backText;                // empty: no back to print
    };
    ThreadCheque(Link &link, View view, bool horizontal, QByteArray amountDigits);
    ~ThreadCheque() override;

    ChequeRun::End outcome() const { return end; }

protected:
    void work() override;

private:
    Link &link;
    View view;
    bool horizontal;
    QByteArray amount;
    ChequeRun::End end = ChequeRun::End::Stopped;
};
