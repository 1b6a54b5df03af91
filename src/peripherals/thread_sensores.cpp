#include "peripherals/thread_sensores.h"

#include "core/clock.h"
#include "core/global.h"
#include "core/named_event.h"
#include "core/worker_thread.h"
#include "link/serial_new.h"

#include <cstring>

ThreadSensores::ThreadSensores(Link &l, SensorsView *v) : link(l), view(v) {
}

ThreadSensores::~ThreadSensores() {
    terminateAndWait();
}

void ThreadSensores::send(const QByteArray &frame) {
    std::memcpy(link.TxBuffer, frame.constData(), size_t(frame.size()));
    link.SendFrame(link.TxBuffer, int(frame.size()));
}

void ThreadSensores::pass(uint32_t model) {
    if (DrawerRequest) {
        Link::Exchange exchange(link);
        send(SensorLights::drawerFrame(model));
        if (SensorLights::drawerAnswered(model))
            link.WaitResponse(link.RxBuffer, WaitNormal);
        DrawerRequest = 0;
    }
    Clock::sleep(250);
    SensorLights::Sensors read;
    {
        Link::Exchange exchange(link);
        send(SensorLights::pollFrame(model));
        Clock::sleep(500);
        if (link.WaitResponse(link.RxBuffer, WaitPoll) == 0)
            return; // printer off or silent: the lights keep their colours
        read = SensorLights::decode(model, link.RxBuffer);
    }
    Drawer = read.drawer;
    Cover = read.cover;
    Check = read.check;
    Authentication = read.authentication;
    PaperEnd = read.paperEnd;
    PaperLow = read.paperLow;
    if (!view)
        return;
    runOnUiThread([&] { view->ShowSensors(read); });
}

void ThreadSensores::work() {
    ConfiguracaoEvent().wait();
    SerialEvent().reset();
    while (!isInterruptionRequested()) {
        const uint32_t model = toolState().ModelCode;
        if (model != ModelA && model != ModelB) {
            Clock::sleep(250);
            continue;
        }
        pass(model);
    }
    SerialEvent().set();
}
