#pragma once

#include "app/thread_testa_impr.h"
#include "app/tool_config.h"

#include "widgets/tool_shell.h"

#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

namespace Ui {
class TfmMain;
}
class Indicator;
class QLabel;
class QPushButton;
class EmulatorPanel;

// The main window: port and model choice, the printer's presence light and identity, and
// a button for every other window.
class TfmMain : public ToolShell, public IdentificationView {
    Q_OBJECT
public:
    // With a folder, the working folder becomes that folder (see WorkingFolder).
    explicit TfmMain(const QString &workingFolder = QString());
    ~TfmMain() override; // writes Tool.cfg

    // Runs once every window exists: restores model, port and daylight-saving choice from
    // Tool.cfg, which opens the port and starts the identification.
    void startUp();

    // The window a button shows (hidden again by the window itself). With `needsModel`, the
    // button shows it only once a model has been chosen.
    void setWindowFor(QPushButton *button, QWidget *window, bool needsModel = false);
    // Controls that need a firmware recent enough (beside the main window's own).
    void addGatedControl(QWidget *control);
    // The emulator control panel, offered while an emulated printer is in use.
    void setEmulatorPanel(EmulatorPanel *panel);

    // Ends the identification thread (the traffic viewer does this at shut-down).
    void stopIdentification();
    Indicator *presenceIndicator() const { return ShapeNoImpr; }
    QString statusBarText() const;
    ToolConfigFile::Record configRecord() const { return record; }
    bool daylightSavingChecked() const;
    QTimer &clockTimer() { return TimerHoraPC; }
    void clockTick();

    // ToolShell
    void addClockLabels(QLabel *pcClock, QLabel *printerClock, QLabel *difference) override;
    void setClockRunning(bool running) override;
    void onModelChosen(std::function<void(uint32_t)> listener) override;

    // IdentificationView
    void UpdateIndicator(int indicatorState, bool statusTextPending,
                         const QString &statusText) override;
    void ApplyVersionGate() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void fillPortList();
    void choosePort();
    void chooseModel();
    void commitPortChoice(bool retry);
    void runPendingPortChoice();
    void commitModelChoice();
    void setStatusText(const QString &text);

    std::unique_ptr<Ui::TfmMain> ui;
    ToolConfigFile configFile;
    ToolConfigFile::Record record{};
    std::unique_ptr<ThreadTestaImpr> identification;
    Indicator *ShapeNoImpr = nullptr;
    QTimer TimerHoraPC;
    QString lastPortChoice;
    bool portChoicePending = false;
    bool portChoiceRetry = false;
    QString lastModelChoice;
    QList<QWidget *> gated;
    struct ClockLabels {
        QPointer<QLabel> pc, printer, difference;
    };
    QList<ClockLabels> clockLabels;
    QList<std::function<void(uint32_t)>> modelListeners;
    QPointer<EmulatorPanel> emulatorPanel;
};
