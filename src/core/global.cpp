#include "core/global.h"

namespace {
ToolState state;
}

ToolState &toolState() {
    return state;
}

void resetToolState() {
    state.ModelCode = ModelNone;
    state.PortOpen = false;
    state.PrinterPresent = false;
    state.ModelChanged = false;
    state.TablesStale = true;
    state.PrinterSerial.set(QStringLiteral("????????"));
    state.FirmwareVersion.set({});
    state.FirmwareVersionNumber = 0.0;
    state.EcfNumber.set({});
    state.PrinterClock = 0.0;
    state.PrinterDst = false;
    state.PrinterClockKnown = false;
    state.CurrentCOO.set(QStringLiteral("000000"));
    state.RecordingState = RecordingOff;
    state.SavedRecordingState = RecordingOff;
    state.RecordingSuspended = false;
    state.ViewerFeed = true;
    state.PcDaylightSaving = false;
    state.ProgramDirectory.clear();
    state.WorkingFolder.set({});
    state.ToolConfigRecord.fill(0);
}
