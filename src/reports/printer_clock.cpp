#include "reports/printer_clock.h"

#include "core/clock_text.h"
#include "core/global.h"
#include "protocol/command_set.h"

#include <QDateTime>

bool ReadPrinterClock(CommandSet *commands) {
    ToolState &state = toolState();
    ClockRecord clock{};
    if (!commands || !commands->ReadClock(clock)) {
        state.PrinterClockKnown = false;
        return false;
    }
    // The printer sends its digits as they are; a date or time that does not exist (a month
    // 13, a minute 65) is no clock reading.
    const QDate date(clock.year, clock.month, clock.day);
    const QTime time(clock.hour, clock.minute, clock.second, clock.zero);
    const QDateTime at(date, time);
    if (!date.isValid() || !time.isValid() || !at.isValid()) {
        state.PrinterClockKnown = false;
        return false;
    }
    state.PrinterDst = commands->IsDaylightSavingTime();
    state.PrinterClock = ClockText::toDays(at);
    state.PrinterClockKnown = true;
    return true;
}
