#include "app/thread_testa_impr.h"

#include "core/clock.h"
#include "core/global.h"
#include "core/named_event.h"
#include "core/worker_thread.h"
#include "link/serial_new.h"
#include "protocol/command_set.h"

#include <cstring>

namespace {

constexpr uint8_t ESC = 27;
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

QString field(const uint8_t *answer, int from, int count) {
    return QString::fromLatin1(reinterpret_cast<const char *>(answer) + from, count);
}

bool send(Link &link, std::initializer_list<uint8_t> frame) {
    int length = 0;
    for (uint8_t byte : frame)
        link.TxBuffer[length++] = byte;
    return link.SendFrame(link.TxBuffer, length);
}

} // namespace

double firmwareVersionNumber(const QString &text) {
    QString number;
    bool point = false;
    for (QChar c : text.trimmed()) {
        if (c.isDigit())
            number += c;
        else if (c == QLatin1Char('.') && !point)
            point = true, number += c;
        else
            break;
    }
    return number.toDouble();
}

ThreadTestaImpr::ThreadTestaImpr(Link &l, IdentificationView *v) : link(l), view(v) {
}

ThreadTestaImpr::~ThreadTestaImpr() {
    terminateAndWait();
    toolState().PrinterSerial.set(Unknown);
}

bool ThreadTestaImpr::IdentifyPrinter() {
    Link::Exchange exchange(link);
    link.PurgePort();
    if (!send(link, {ESC, 0xC3}))
        return false;
    Clock::sleep(250);
    const int length = link.WaitResponse(link.RxBuffer, WaitShort);
    if (length == 0)
        return false;
    switch (toolState().ModelCode.load()) {
    case ModelB:
        return length >= 7 && identifyModelB();
    case ModelA:
        return length >= 6 && identifyModelA();
    default:
        return false;
    }
}

bool ThreadTestaImpr::identifyModelB() {
    ToolState &state = toolState();
    const uint8_t *answer = link.RxBuffer;
    if (std::memcmp(answer + 1, "100047", 6) != 0)
        return false; // another model answered
    if (!send(link, {ESC, 0xE9}) || link.WaitResponse(link.RxBuffer, WaitNormal) < 32)
        return false;
    link.PurgePort();
    state.PrinterSerial.set(field(answer, 16, 8));
    state.EcfNumber.set(field(answer, 28, 4));
    QString version = field(answer, 24, 4);
    // Newer firmware reports its version on its own; older firmware stays silent.
    send(link, {ESC, 0xF3, '0', '1', '0'});
    Clock::sleep(500);
    if (link.WaitResponse(link.RxBuffer, WaitPoll) >= 13)
        version = field(answer, 9, 4);
    state.FirmwareVersion.set(version);
    state.FirmwareVersionNumber = firmwareVersionNumber(version);
    return true;
}

bool ThreadTestaImpr::identifyModelA() {
    ToolState &state = toolState();
    const uint8_t *answer = link.RxBuffer;
    if (std::memcmp(answer + 1, "10043", 5) != 0)
        return false;
    if (!send(link, {ESC, 0xEC}) || link.WaitResponse(link.RxBuffer, WaitNormal) < 18)
        return false;
    link.PurgePort();
    const QString version = field(answer, 10, 4);
    state.FirmwareVersion.set(version);
    state.PrinterSerial.set(field(answer, 2, 8));
    state.FirmwareVersionNumber = firmwareVersionNumber(version);
    state.EcfNumber.set(field(answer, 14, 4));
    return true;
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
    return send(link, {GS, poll}) && link.WaitResponse(link.RxBuffer, WaitNormal) > 0;
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
