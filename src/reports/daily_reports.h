#pragma once

class CommandSet;

// The two daily reports, Leitura X and Redução Z, as the reports window and the command line
// run them.
namespace DailyReports {

enum class Report { ReadingX, ReductionZ };

// The Redução Z may leave the printer blocked until midnight: the user is asked first
// ("REDUÇÃO Z", Yes/No). True when the answer was Yes.
bool confirmReductionZ();

// Sends the report; whatever its answer, the printer may be printing, so the run then waits
// until the printer is idle and reads its clock again. Returns whether the printer took the
// report (a refusal has been shown by the command's own check).
bool print(CommandSet &commands, Report report);

} // namespace DailyReports
