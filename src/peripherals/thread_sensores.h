#pragma once

#include "core/worker_thread.h"
#include "peripherals/sensor_lights.h"

#include <atomic>
#include <cstdint>

class Link;

// Where the sensor thread shows what it read; runs on the UI thread while the thread waits.
class SensorsView {
public:
    virtual ~SensorsView() = default;
    virtual void ShowSensors(const SensorLights::Sensors &sensors) = 0;
};

// Polls the printer's sensors while the sensors window is shown, and opens the cash drawer
// when asked. It keeps out of the identification thread's way through the two named events:
// it starts polling only once no identification is in progress (Configuracao set) and holds
// Serial reset while it polls, so that no identification starts meanwhile. Ending it
// (terminateAndWait) lasts up to the end of an identification in progress when the thread has
// not begun to poll yet.
class ThreadSensores : public WorkerThread {
public:
    ThreadSensores(Link &link, SensorsView *view);
    ~ThreadSensores() override;

    // "Acionar Gaveta": the drawer opens at the start of the next pass. Presses within one
    // pass open it once.
    void requestDrawer() { DrawerRequest = 1; }

    // The values of the last answered poll (0 or 1 each); all 0 at creation.
    std::atomic<int> Drawer{0}, Cover{0}, Check{0}, Authentication{0}, PaperEnd{0}, PaperLow{0};
    std::atomic<uint8_t> DrawerRequest{0};

protected:
    void work() override;

private:
    void send(const QByteArray &frame);
    void pass(uint32_t model);

    Link &link;
    SensorsView *view;
};
