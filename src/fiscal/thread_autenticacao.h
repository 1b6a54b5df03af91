#pragma once

#include "core/condition.h"

#include <QByteArray>
#include <QThread>

class CommandSet;

// Runs one authentication (CommandSet::Authenticate) on its own thread: the printer answers
// only once the operator has put the paper in and it has been stamped, which may take minutes,
// and meanwhile the window must stay usable for its "Cancelar" button.
//
// The window owns the thread and deletes it once it has ended. The text and the side are
// taken on the window's thread when the authentication starts; the thread itself never
// touches a widget.
class ThreadAutenticacao : public QThread {
public:
    // `mode`: the side flag of model B (1 = left side); model A ignores it.
    ThreadAutenticacao(CommandSet &commands, QByteArray text, int mode);
    // Aborts a running authentication and waits until the thread is over.
    ~ThreadAutenticacao() override;

    // Any thread: ends the printer wait. Abort may come before the thread has begun its wait,
    // which clears the printer's abort flag when it starts: call it again until the thread
    // has ended (abortAndWait does).
    void abort();
    // Aborts until the thread is over. On the window's thread the wait keeps serving the
    // steps that the thread runs there (a message of the printer's).
    void abortAndWait();
    bool ended() { return endedEvent.isSet(); }

protected:
    void run() override;

private:
    CommandSet &commands;
    QByteArray text;
    int mode;
    Event endedEvent;
};
