#pragma once

#include "app/printer_identity.h"
#include "core/worker_thread.h"

#include <QString>

#include <atomic>

class Link;

// What the identification thread shows; both steps run on the UI thread while the thread
// waits for them.
class IdentificationView {
public:
    virtual ~IdentificationView() = default;
    // Sets the presence indicator (0 red, 1 yellow, 2 green), puts `statusText` into the
    // status bar when `statusTextPending`, and hides the firmware version message.
    virtual void UpdateIndicator(int indicatorState, bool statusTextPending,
                                 const QString &statusText) = 0;
    // Enables or disables the buttons that need a recent enough firmware.
    virtual void ApplyVersionGate() = 0;
};

// Watches the printer line while a port is open. Each time a device appears (CTS comes on)
// or another model is chosen, it asks the printer who it is, keeps the tool state's
// identity items up to date and shows the outcome through the view. Ending it
// (terminateAndWait) takes at most one identification attempt.
//
// On a port that cannot report CTS (a real adapter whose driver fails the query), the
// printer's answers stand in for the line: it is on the line while it answers a status poll,
// asked about every two seconds while the thread waits for a change.
class ThreadTestaImpr : public WorkerThread {
public:
    ThreadTestaImpr(Link &link, IdentificationView *view);
    ~ThreadTestaImpr() override;

    // One identification of the printer of the chosen model; true when it answered as one.
    bool IdentifyPrinter();

    // Thread fields, as the thread last set them.
    QString StatusText;
    int StatusTextPending = 0;
    int IndicatorState = 0;

protected:
    void work() override;

private:
    void updateIndicator();
    void applyVersionGate();
    void noPrinter(); // what every failure and a dropped line have in common
    // CTS, or where the port cannot report it, whether the printer answers.
    bool lineUp();
    bool printerAnswers();
    // Waits until the line (see lineUp) differs from `lineOn`, the state the pass acted on, or
    // a model is chosen; false when termination was requested.
    bool waitForChange(bool lineOn);

    Link &link;
    IdentificationView *view;
    bool lineWasUp = false;
};
