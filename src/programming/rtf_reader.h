#pragma once

#include <QByteArray>

// The RTF reader that turns the RTF header of an old configuration file into tagged header
// text. It is the classic table-driven reader: a stack of groups, each saving whether its
// destination is skipped; control words looked up in a keyword table; hexadecimal escapes.
//
// - The text ends at the first NUL byte or at the end of the data. Raw CR and LF are ignored.
//   '{' saves the destination state, '}' restores it; a '}' with no group open ends the
//   conversion. Other bytes are text, written unless the destination is skipped.
// - A control word is '\' and letters, then optionally decimal digits as its parameter (a
//   minus sign is not part of it and reads as text); one space after it belongs to it. '\'
//   and a non-letter is a control symbol.
// - par, tab, ldblquote, rdblquote and the symbols '{', '}', '\', CR and LF write CR LF.
//   Destinations (fonttbl, info, stylesheet, pict, header, ...) skip their group. "\'" takes
//   the next two hexadecimal digits as one byte (a zero byte is left out); any other character
//   there ends the conversion. "bin" ends the conversion. "\*" skips its group when the next
//   control word is unknown. Properties (b, i, margins, page numbering, ...) have no effect of
//   their own.
// - Fonts: at "fcharset" (also inside the skipped font table) the font number is the digit 17
//   bytes before the read position and its name runs from the read position to the next ';'.
//   That fits entries written as "{\f0\fnil\fcharset0 Korvel Exp;}". Fonts 0 to 9 are kept,
//   names up to 63 characters. Where the digit would lie before the start of the text, or is
//   no digit, no font is recorded.
// - Tags, when the destination is not skipped: "b" without parameter "<N>", with any
//   parameter "</N>"; "ul" without parameter "<S>"; "ulnone" "</S>"; "f" with parameter k
//   "<W>" when font k is "Korvel Exp" (the printer's expanded font), "</W>" when it is
//   "Courier New" and expanded text is open.
//
// The output holds at most RtfOutputLimit characters; a piece (a character, a tag or CR LF)
// that would pass the limit is dropped with everything after it, and `cut` tells so.

constexpr int RtfOutputLimit = 1023;

struct RtfConversion {
    QByteArray text; // tagged text, Windows-1252, CR LF line breaks, no terminator
    bool cut = false;
    // The text was read to its end: a NUL ended it, a rule ended the conversion, or the data
    // ended with every group closed again after at least one was opened. False when the data
    // ends inside a group (or before any group), that is, when the RTF text was cut short.
    bool complete = false;
};

RtfConversion rtfToTaggedText(const QByteArray &rtf);
