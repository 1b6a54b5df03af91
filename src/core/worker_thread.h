#pragma once

#include "core/condition.h"

#include <QThread>

#include <functional>

// Runs `step` on the UI thread and returns once it has run. A worker thread waits there; the UI
// thread itself (or a program without an application object) runs the step at once.
void runOnUiThread(const std::function<void()> &step);

// A thread that does one job (work()) and can be told to end and waited for from the UI thread.
// The wait for the end runs through an Event, so that on the UI thread it keeps serving the
// steps the job runs there (runOnUiThread) instead of blocking on them.
//
// A subclass calls terminateAndWait() in its own destructor: the job uses the subclass's
// members, which are gone by the time this class's destructor runs.
class WorkerThread : public QThread {
public:
    // Asks the job to end (isInterruptionRequested) and waits until it has.
    void terminateAndWait();

protected:
    // The job; it looks at isInterruptionRequested() wherever it may stop.
    virtual void work() = 0;

private:
    void run() final;

    Event finishedEvent;
};
