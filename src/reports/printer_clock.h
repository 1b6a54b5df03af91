#pragma once

class CommandSet;

// Reads the printer's clock and daylight-saving flag into the tool state (PrinterClock,
// PrinterDst), for the windows that show the printer clock beside the PC clock: the reports
// window and the technical intervention.
//
// When the clock cannot be read (no command set, a silent printer, a refusal, or digits that
// make no date and time) the printer clock becomes unknown (PrinterClockKnown false) and
// PrinterClock and PrinterDst keep their values; the clock tick then shows the printer time as
// unknown until a read succeeds. A silent printer shows no message; a refusal has been shown
// by the command's own check. Returns whether the clock was read.
bool ReadPrinterClock(CommandSet *commands);
