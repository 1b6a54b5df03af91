#include "widgets/tool_window.h"

#include <QWindow>

ToolWindow::ToolWindow(QWidget *o, QWidget *m, QPoint offsetFromMain)
    : QWidget(nullptr, Qt::Dialog), opener(o), mainWindow(m), offset(offsetFromMain) {
}

void ToolWindow::showEvent(QShowEvent *event) {
    if (opener)
        opener->setEnabled(false);
    if (mainWindow) {
        move(mainWindow->pos() + offset);
        // Keep this window above the main window without making it a child of it (a child
        // would be disabled with it).
        if (windowHandle() && mainWindow->windowHandle())
            windowHandle()->setTransientParent(mainWindow->windowHandle());
    }
    QWidget::showEvent(event);
}

void ToolWindow::hideEvent(QHideEvent *event) {
    if (opener)
        opener->setEnabled(true);
    QWidget::hideEvent(event);
}
