#pragma once

#include "widgets/tool_window.h"

#include <memory>

namespace Ui {
class TfmStatus;
}
class Indicator;

// "Status Fiscais": the printer's status digits as lights, read when the window is shown and
// on each "Ler Impr.".
class TfmStatus : public ToolWindow {
    Q_OBJECT
public:
    explicit TfmStatus(QWidget *mainWindow);
    ~TfmStatus() override;

    Indicator *light(int number) const; // 1 to 15

protected:
    void showEvent(QShowEvent *event) override;

private:
    void read();

    std::unique_ptr<Ui::TfmStatus> ui;
    QList<Indicator *> leds;
};
