#include "reports/daily_reports.h"

#include "core/messages.h"
#include "protocol/command_set.h"
#include "reports/printer_clock.h"

namespace DailyReports {

bool confirmReductionZ() {
    return showMessage(QStringLiteral("Confirma a operação?\r\nA impressora poderá ficar "
                                      "bloqueada até às 24:00h"),
                       QStringLiteral("REDUÇÃO Z"), MessageButtons::YesNo,
                       MessageStyle::Question) == MessageAnswer::Yes;
}

bool print(CommandSet &commands, Report report) {
    const bool taken = report == Report::ReadingX ? commands.ReadingX() : commands.ReductionZ();
    commands.WaitPrinterIdle();
    ReadPrinterClock(&commands);
    return taken;
}

} // namespace DailyReports
