#pragma once

#include <QPoint>
#include <QWidget>

// A window opened from another one. While it is shown the window that opened it is disabled,
// so one window is in use at a time; it sits at a fixed offset from the main window and
// stays above it.
class ToolWindow : public QWidget {
    Q_OBJECT
public:
    ToolWindow(QWidget *opener, QWidget *mainWindow, QPoint offsetFromMain);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

    QWidget *opener;
    QWidget *mainWindow;

private:
    QPoint offset;
};
