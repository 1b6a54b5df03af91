#pragma once

#include "app/thread_testa_impr.h"
#include "app/tool_config.h"

#include <QMainWindow>
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
class TfmMain : public QMainWindow, public IdentificationView {
    Q_OBJECT
public:
    explicit TfmMain(QString workingFolder = QString());
    ~TfmMain() override; // writes Tool.cfg

    // Runs once every window exists: restores model, port and daylight-saving choice from
    // Tool.cfg, which opens the port and starts the identification.
    void startUp();

    // The window a button shows (hidden again by the window itself). With `needsModel`, the
    // button shows it only once a model has been chosen.
    void setWindowFor(QPushButton *button, QWidget *window, bool needsModel = false);
    // Labels that the clock tick keeps (any of them may be null).
    void addClockLabels(QLabel *pcClock, QLabel *printerClock, QLabel *difference);
    // Controls that need a firmware recent enough (beside the main window's own).
    void addGatedControl(QWidget *control);
    // Called after every model choice with the new model code.
    void onModelChosen(std::function<void(uint32_t)> listener);
    // The emulator control panel, offered while an emulated printer is in use.
    void setEmulatorPanel(EmulatorPanel *panel);

    // Ends the identification thread (the traffic viewer does this at shut-down).
    void stopIdentification();
    Indicator *presenceIndicator() const { return ShapeNoImpr; }
    QString statusBarText() const;
    ToolConfigFile::Record configRecord() const { return record; }
    // The folder that holds Tool.cfg and the c2k, usr and b2k folders.
    QString workingFolder() const { return folder; }
    bool daylightSavingChecked() const;
    QTimer &clockTimer() { return TimerHoraPC; }
    void clockTick();

    // IdentificationView
    void UpdateIndicator(int indicatorState, bool statusTextPending,
                         const QString &statusText) override;
    void ApplyVersionGate() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void choosePort();
    void chooseModel();
    void commitPortChoice(bool retry);
    void runPendingPortChoice();
    void commitModelChoice();
    void setStatusText(const QString &text);

    std::unique_ptr<Ui::TfmMain> ui;
    QString folder;
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
