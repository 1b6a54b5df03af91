#pragma once

#include "peripherals/thread_sensores.h"
#include "widgets/tool_window.h"

#include <memory>

namespace Ui {
class TfmSensores;
}

// "Teste de Sensores e Acionamentos": the printer's sensors as six lights, polled by a
// ThreadSensores while the window is shown, and the cash drawer's "Acionar Gaveta". The
// window has no title-bar buttons: "Sair" is the only way out.
class TfmSensores : public ToolWindow, public SensorsView {
    Q_OBJECT
public:
    explicit TfmSensores(QWidget *mainWindow);
    ~TfmSensores() override;

    // The thread of the current showing; nullptr while hidden.
    ThreadSensores *thread() const { return sensorThread.get(); }

    void ShowSensors(const SensorLights::Sensors &sensors) override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void btGavetaClick();
    void btSairClick();
    void stopThread();

    std::unique_ptr<Ui::TfmSensores> ui;
    std::unique_ptr<ThreadSensores> sensorThread;
};
