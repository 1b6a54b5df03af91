#pragma once

#include "protocol/records.h"

#include <QByteArray>

#include <cstdint>

// Print-format tags of the receipt header and the printer codes they stand for.
//
//   tag     model B (1)   model A (2)
//   <W>     ESC W 1       same          expanded on
//   </W>    ESC W 0       same
//   <S>     ESC - 1       same          underline on
//   </S>    ESC - 0       same
//   <N>     ESC E 1       ESC E         bold on
//   </N>    ESC E 0       ESC F
//   <C>     SI (15)       same          condensed on
//   </C>    DC2 (18)      same
//   <W1>    SO (14)       same          expanded for one line
//
// Tags are case-sensitive and hold no spaces; any other text, a '<' that starts no tag
// included, is printed as it is. Model code 2 selects model A's bold codes, any other code
// model B's.

// The end mark of the printer's variable texts.
constexpr char HeaderEndMark = char(0xFF);

// Tagged text to printer codes: at each '<' the tags are tried in the order of the table
// above (a tag cut off by the end of the data is no tag); every other byte, CR, LF and the
// end mark included, is copied. The caller appends the end mark when the printer needs it.
QByteArray taggedTextToPrinter(uint32_t model, const QByteArray &tagged);

// Printer codes (a header as the printer returns it) to tagged text. The walk ends after the
// end mark, which is copied; without one it ends with the data.
//   LF -> CR LF; CR and DC4 (20) -> nothing; SO -> "<W1>"; SI -> "<C>"; DC2 -> "</C>";
//   ESC W n / ESC - n / ESC G n -> "<W>"/"</W>", "<S>"/"</S>", "<N>"/"</N>" by bit 0 of n;
//   model B: ESC E n -> "<N>"/"</N>" by bit 0 of n, ESC F -> nothing;
//   model A: ESC E -> "<N>" (no parameter), ESC F -> "</N>";
//   ESC SO -> "<W1>"; ESC and any other byte -> nothing (both dropped); other bytes copied.
// An ESC at the end of the data, or whose sequence would take the end mark as a parameter,
// is dropped and the end mark kept.
QByteArray printerToTaggedText(uint32_t model, const QByteArray &codes);

// The tagged text of a header read from the printer, without the end mark: the record's text
// (its stored length, at most the 1200 bytes of the record) through printerToTaggedText.
QByteArray taggedTextFromCliche(uint32_t model, const ClicheRecord &record);

// Fills a header record for the technical intervention: the first four characters of
// `ecfNumber` (space-padded), the tagged text converted to printer codes followed by the end
// mark, and its length including the mark. False, with the record untouched, when the
// converted text and its mark do not fit in the record's 1200 bytes.
bool clicheForSending(uint32_t model, const QByteArray &ecfNumber, const QByteArray &tagged,
                      ClicheRecord &record);
