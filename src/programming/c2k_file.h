#pragma once

#include "programming/tables.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// The configuration file (".c2k"): a flat binary record of fixed-size sections separated by
// ':' bytes, records inside a section ended by ';'. Text is single-byte Windows-1252; numbers
// are 32-bit little-endian.
//
//   offset  size  content
//        0     5  version "02.00"
//        5     4  model code: 1 = model B ("MV4700"), 2 = model A ("MV210")
//        9    20  model name, space-padded (informative; readers use the code)
//       29     1  ':'
//       30    96  16 tax rates:        ISS flag 'S'/'N', 4 rate digits or "////", ';'
//      126     1  ':'
//      127   736  32 payment slots:    flag 'V'/'N'/' ', 21-byte description, ';'
//      863     1  ':'
//      864   352  16 report names:     21 bytes, ';'
//     1216     1  ':'
//     1217   368  16 totalizers:       'E'/'S', 21-byte name, ';'
//     1585     1  ':'
//     1586    10  ECF number "0000" and "000000"
//     1596     1  ':'
//     1597    70  options block, verbatim
//     1667     1  ':'
//     1668     4  header text length N
//     1672     N  header text, no terminator
//
// Payment slots: model B slot s holds method s (01-16, not linked) for s = 1..16 and method
// s + 34 (51-66, linked) for s = 17..32; model A slot s (1..16) holds method s with its own
// flag, the description in 17 bytes followed by 4 spaces, and slots 17-32 stay empty. An
// empty slot is 22 spaces.
//
// Old files (version below 2.00) share the layout up to offset 1666; their header is RTF text
// from offset 1675 up to the first NUL or the end of the file. They are converted on import
// and must be saved again in the current format.

namespace C2k {
constexpr int TaxRatesOffset = 30;
constexpr int PaymentsOffset = 127;
constexpr int ReportsOffset = 864;
constexpr int TotalizersOffset = 1217;
constexpr int EcfNumberOffset = 1586;
constexpr int OptionsOffset = 1597;
constexpr int HeaderLengthOffset = 1668;
constexpr int HeaderOffset = 1672;    // also the size of a file with an empty header
constexpr int OldHeaderOffset = 1675; // RTF header of an old file
constexpr int TaxRateRecordSize = 6;
constexpr int PaymentRecordSize = 23;
constexpr int ReportRecordSize = 22;
constexpr int TotalizerRecordSize = 23;
constexpr int PaymentSlots = 32;
} // namespace C2k

// Messages of the file procedures (the window shows them; captions in the comments).
namespace C2kText {
// Question on an old file, caption "Aviso", Yes/No with No the default.
extern const QString ConvertQuestion;
// The file belongs to the other model, caption "Erro".
extern const QString WrongModel;
// The file is shorter than its layout or its header runs past its end, caption "Erro".
extern const QString Malformed;
// writeC2k refuses a header longer than HeaderLimit::Saved, caption "Erro".
QString headerTooLong(int length);
// writeC2k refuses a model code other than 1 or 2, caption "Erro".
extern const QString NoModel;
// writeC2kFile could not write `path` for `reason`; the earlier file is kept. Caption "Erro".
QString notSaved(const QString &path, const QString &reason);
} // namespace C2kText

// "MV4700" for model B (1), "MV210" for model A (2), empty otherwise.
QString c2kModelName(uint32_t model);

// The working copy as a .c2k file, byte for byte as the Save procedure writes it:
// - tax rates: the last character of the ISS cell; the rate cell's characters 1-2 and 4-5
//   with every space replaced by '0' ("5 ,  %" gives "5000", "//,//%" gives "////");
// - payment methods from the rows whose number cell is not empty: model B numbers 01-16 and
//   51-66 go to their slots, model A numbers 01-16 with the flag of the V/N cell; any other
//   number, or a cell holding none, is not stored. Descriptions are cut to 21 (model B) or
//   17 (model A) characters. When two rows carry the same number the later row's content is
//   stored, except that a row with an empty description never replaces a described method:
//   the grid may hold a numbered but empty row beside a method packed into an earlier row
//   with the same number (model A rows are numbered by position), and that row must not
//   erase the method;
// - report and totalizer names cut to 21 characters; the direction is the last character of
//   its cell;
// - the ECF number field "0000000000", the options block as it is, the header text.
// The header is never cut: up to HeaderLimit::Saved (255) characters it is written whole, and
// a longer one makes the save refuse, so that no typed text is lost without the user knowing.
// On refusal (also for a model code other than 1 or 2) the result is empty and `refusal`
// receives the message.
QByteArray writeC2k(uint32_t model, const ProgrammingTables &tables, QString *refusal = nullptr);

// Saves the bytes of writeC2k as `path`: they go to a temporary file beside it, which takes the
// name only once it is whole, so a failed save (no permission, a full disk) leaves the file
// that was there byte for byte as it was. False, with the system's reason in `error`, then.
bool writeC2kFile(const QString &path, const QByteArray &data, QString *error = nullptr);

// What a file's fixed part says, checked against the data's length.
struct C2kFileInfo {
    bool complete = false; // the layout fits in the data (the header included)
    bool old = false;      // version below 2.00
    double version = 0;
    uint32_t model = 0;
};
// A file is complete when its version reads as a decimal number and: a current file holds
// 1672 bytes and the N header bytes that its length field announces; an old file reaches
// offset 1675 and its RTF header is complete (ended by a NUL, or with every group it opened
// closed again when the data ends). Bytes after the header of a current file are ignored.
C2kFileInfo inspectC2k(const QByteArray &data);

enum class C2kReadStatus {
    Loaded,          // `tables` holds the file's content
    NeedsConversion, // an old file: ask ConvertQuestion and call again with convertOld set
    WrongModel,      // the file belongs to the other model
    Malformed,       // shorter than its layout, header beyond the end, or no version number
};

struct C2kReadResult {
    C2kReadStatus status = C2kReadStatus::Malformed;
    QString message;          // for every status but Loaded
    QString caption;          // "Aviso" for the question, "Erro" otherwise
    bool oldFormat = false;   // loaded from an old file: the window saves it again at once
    bool headerCut = false;   // the old file's RTF header gave more than 1023 characters: cut
    ProgrammingTables tables; // meaningful only when Loaded
};

// Reads a file for the selected model into a fresh working copy, as the Import procedure
// does: everything cleared as "Limpar Todos" leaves it; tax cells rebuilt ("    " + flag,
// "dd,dd%"); payment methods packed into the rows from row 1 in slot order, skipping empty
// slots (model B numbers from the slot, descriptions of 21 characters as stored; model A the
// slot number, 17 characters and "    V"/"    N"); report and totalizer names of 21 (model B)
// or 15 (model A) characters, directions "   " + flag; the options block replaced and the
// option controls set from it; the header text (an old file's RTF converted to tagged text).
// A current file's header is loaded whole, whatever its length: the window compares it with
// the HeaderLimit values and warns. An old file's header is cut at 1023 characters by the
// conversion, which `headerCut` reports; the save that follows the conversion refuses a header
// longer than 255 characters, so the user shortens it instead of losing the end unseen.
// The checks come in this order: malformed, old file (unless convertOld), model.
C2kReadResult readC2k(const QByteArray &data, uint32_t selectedModel, bool convertOld);

// readC2k, handing the tables over to `workingCopy` only when the file loaded whole: on any
// other status the working copy is left exactly as it was.
C2kReadResult importC2k(ProgrammingTables &workingCopy, const QByteArray &data,
                        uint32_t selectedModel, bool convertOld);
