#pragma once

#include <QMainWindow>

#include <cstdint>
#include <functional>

class QLabel;

// The main window as the other windows see it: the one-second clock tick whose labels they
// show, the model choice they follow and its status bar. The windows of the subsystems know
// the main window only through this.
class ToolShell : public QMainWindow {
public:
    using QMainWindow::QMainWindow;

    // Labels that the clock tick keeps (any of them may be null).
    virtual void addClockLabels(QLabel *pcClock, QLabel *printerClock, QLabel *difference) = 0;
    // The tick runs only while a window that shows the clocks is up.
    virtual void setClockRunning(bool running) = 0;
    // Called after every model choice with the new model code.
    virtual void onModelChosen(std::function<void(uint32_t)> listener) = 0;
};
