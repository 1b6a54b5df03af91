#include "app/thread_testa_impr.h"

#include "app/printer_identity.h"

#include "core/clock.h"
#include "core/global.h"
#include "core/named_event.h"
#include "core/worker_thread.h"
#include "link/serial_new.h"
#include "protocol/command_set.h"

namespace {

constexpr uint8_t GS = 29;
const QString Unknown = QStringLiteral("????????");
// How often the printer is asked whether it is there when the port cannot report CTS.
constexpr int AskEveryMs = 2000;
constexpr int LinePollMs = 100;

// Recording is put aside while no printer answers. It is saved only on the way into that
// state, so that a second failure in a row does not overwrite the saved value with the 0 the
// first one left, and restored only on the way out, so that an identification that follows
// another (a model change) leaves a recording started meanwhile alone.
void suspendRecording() {
    ToolState &state = toolState();
    if (state.RecordingSuspended.exchange(true))
        return;
    state.SavedRecordingState = state.RecordingState.load();
    state.RecordingState = RecordingOff;
}

void resumeRecording() {
    ToolState &state = toolState();
    if (!state.RecordingSuspended.exchange(false))
        return;
    state.RecordingState = state.SavedRecordingState.load();
}

} // namespace

ThreadTestaImpr::ThreadTestaImpr(Link &l, IdentificationView *v) : link(l), view(v) {
}

ThreadTestaImpr::~ThreadTestaImpr() {
    terminateAndWait();
    toolState().PrinterSerial.set(Unknown);
}

bool ThreadTestaImpr::IdentifyPrinter() {
    return identifyPrinter(link);
}

void ThreadTestaImpr::updateIndicator() {
    if (!view)
        return;
    const int indicator = IndicatorState;
    const bool pending = StatusTextPending == 1;
    const QString text = StatusText;
    runOnUiThread([&] { view->UpdateIndicator(indicator, pending, text); });
}

void ThreadTestaImpr::applyVersionGate() {
    if (view)
        runOnUiThread([&] { view->ApplyVersionGate(); });
}

// The chosen model's status poll: it changes nothing in the printer, and a GS frame never goes
// into a recorded macro. The wait is a command's own, so a printer busy printing is not taken
// for gone.
bool ThreadTestaImpr::printerAnswers() {
    Link::Exchange exchange(link);
    link.PurgePort();
    const uint8_t poll = toolState().ModelCode == ModelB ? 0x05 : 0xFF;
    return sendBytes(link, {GS, poll}) && link.WaitResponse(link.RxBuffer, WaitNormal) > 0;
}

bool ThreadTestaImpr::lineUp() {
    switch (link.IsCtsOn()) {
    case CtsLine::On:
        return true;
    case CtsLine::Off:
        return false;
    case CtsLine::Unknown:
        break;
    }
    return printerAnswers();
}

void ThreadTestaImpr::noPrinter() {
    ToolState &state = toolState();
    state.PrinterPresent = false;
    invalidateConfigurationCache();
    suspendRecording();
    state.PrinterSerial.set(Unknown);
}

// The line is compared with the state the pass acted on, not read again on entry: a printer
// switched off between its identification and this wait would otherwise be noted as "off" and
// never seen to go.
bool ThreadTestaImpr::waitForChange(bool lineOn) {
    ToolState &state = toolState();
    int sinceAsked = 0;
    for (;;) {
        if (isInterruptionRequested())
            return false;
        if (state.ModelChanged)
            break;
        Clock::sleep(LinePollMs);
        const CtsLine cts = link.IsCtsOn();
        if (cts != CtsLine::Unknown) {
            if ((cts == CtsLine::On) != lineOn)
                break;
        } else if ((sinceAsked += LinePollMs) >= AskEveryMs) {
            sinceAsked = 0;
            if (printerAnswers() != lineOn)
                break;
        }
    }
    if (state.ModelChanged.exchange(false))
        state.TablesStale = true;
    StatusTextPending = 1;
    IndicatorState = 0;
    updateIndicator();
    Clock::sleep(100);
    return true;
}

void ThreadTestaImpr::work() {
    ToolState &state = toolState();
    lineWasUp = false;
    state.ModelChanged = false;
    link.PurgePort();
    Clock::sleep(200);
    int failures = 0;
    while (!isInterruptionRequested()) {
        if (state.ModelCode == ModelNone) {
            Clock::sleep(100);
            continue;
        }
        if (!lineUp()) {
            lineWasUp = false;
            noPrinter();
            StatusText = QStringLiteral(" Núm. Série ECF: ") + state.PrinterSerial.get();
            StatusTextPending = 1;
            IndicatorState = 0;
            updateIndicator();
            if (!waitForChange(false))
                break;
            continue;
        }
        if (!lineWasUp) {
            IndicatorState = 1;
            StatusTextPending = 0;
            updateIndicator();
            Clock::sleep(1500);
        }
        lineWasUp = true;
        Clock::sleep(1000);
        SerialEvent().wait();
        ConfiguracaoEvent().reset();
        if (IdentifyPrinter()) {
            StatusText = QStringLiteral(" Núm. Série: ") + state.PrinterSerial.get() +
                         QStringLiteral("    SB: V.") + state.FirmwareVersion.get() +
                         QStringLiteral("    Núm. ECF: ") + state.EcfNumber.get();
            StatusTextPending = 1;
            IndicatorState = 2;
            updateIndicator();
            applyVersionGate();
            state.PrinterPresent = true;
            failures = 0;
            resumeRecording();
            ConfiguracaoEvent().set();
            if (!waitForChange(true))
                break;
            continue;
        }
        noPrinter();
        StatusText = QStringLiteral(" Núm. Série: ") + state.PrinterSerial.get();
        StatusTextPending = 1;
        updateIndicator();
        if (++failures <= 5)
            continue;
        IndicatorState = 0;
        updateIndicator();
        ConfiguracaoEvent().set();
        if (!waitForChange(true))
            break;
    }
    // An identification cut short must not leave the sensor thread waiting.
    ConfiguracaoEvent().set();
}
