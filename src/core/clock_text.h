#pragma once

#include <QDateTime>
#include <QString>

// The clock texts of the main window's one-second tick.
namespace ClockText {

// A date-time as the tool keeps the printer clock: whole days plus the fraction of the day,
// counted from 30 December 1899.
double toDays(const QDateTime &dateTime);
QDateTime fromDays(double days);

// "dd/mm/yyyy hh:mm:ss", with "V" appended when daylight-saving time is on.
QString format(const QDateTime &dateTime, bool daylightSaving);

// Printer clock minus PC clock in whole seconds, truncated toward zero: "12", "(-) 7";
// "XXXXXXXXX" when no printer is present.
QString difference(double printerDays, const QDateTime &now, bool printerPresent);

constexpr double OneSecond = 1.157407407e-5; // of a day

} // namespace ClockText
