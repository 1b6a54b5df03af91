#pragma once

#include "app/condition.h"
#include "peripherals/cheque_run.h"

#include <QThread>

class Link;

// Guides one check through the printer (ChequeRun) on its own thread, so that the window stays
// usable for its "Cancelar" button. Each progress text, and the look at the back text, run on
// the UI thread while this thread waits for them.
class ThreadCheque : public QThread {
public:
    struct View {
        std::function<void(const QString &)> showMessage; // into lbMSG, window refreshed
        std::function<QString()> backText;                // empty: no back to print
    };
    ThreadCheque(Link &link, View view, bool horizontal, QByteArray amountDigits);
    ~ThreadCheque() override;

    // Asks the thread to end and waits until it has; on the UI thread the wait keeps serving
    // the steps that the thread runs there.
    void terminateAndWait();

    ChequeRun::End outcome() const { return end; }

protected:
    void run() override;

private:
    Link &link;
    View view;
    bool horizontal;
    QByteArray amount;
    ChequeRun::End end = ChequeRun::End::Stopped;
    Event finishedEvent;
};
