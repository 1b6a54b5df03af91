#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class EmulatorPanel;
}
namespace emu {
class Printer;
}

// Controls of a built-in emulated printer: power, the maintenance jumper, the paper sensors
// and faults on demand; and its paper roll, live. It does not disable the main window, so a person
// can switch the printer off and on while watching the tool react.
class EmulatorPanel : public QWidget {
    Q_OBJECT
public:
    explicit EmulatorPanel(QWidget *mainWindow);
    ~EmulatorPanel() override;

    // The printer the controls act on (none: the controls are disabled).
    void setPrinter(std::shared_ptr<emu::Printer> printer, const QString &portName);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void refresh();
    void applyFault();
    void savePaper();

    std::unique_ptr<Ui::EmulatorPanel> ui;
    std::shared_ptr<emu::Printer> printer;
    QWidget *mainWindow;
};
