#pragma once

#include "maintenance/usr_file.h"
#include "protocol/records.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// Building the user record that the printer stores in its fiscal memory.
namespace UserRecord {

// Newer firmware takes the user only with the maker's authorization code: model A ("MV210",
// code 2) from version 1.22, model B ("MV4700", code 1) from version 1.01.
bool passwordRequired(uint32_t modelCode, double firmwareVersion);

// An authorization code that may be sent: 8 characters once leading and trailing spaces are
// removed, and not the eight-zero placeholder that stands for "no code yet".
bool codeUsable(const QString &code);

// The record for RecordUser: every byte a space, then each text copied to the start of its
// 20-byte field with no terminator (the CNPJ with its punctuation, the IE, the IM and the
// authorization code as typed). Texts are Windows-1252 and cut to their field.
UserRecordBlock build(const QString &cnpj, const QString &ie, const QString &im,
                      const QString &code);

// "Continuar Gravação": the checks, the questions and the record, as the window and the command
// line run them. Every refusal and question goes through the messages.
enum class Outcome {
    Recorded,    // the printer took the user (and the serial-numbered copy was written if asked)
    NoPrinter,   // "Não existe impressora!"
    InvalidCnpj, // "CNPJ inválido!"
    IeDeclined,  // the IE is blank and the user chose not to go on
    ImDeclined,  // the same for the IM
    BothBlank,   // neither IE nor IM
    NeedsCode,   // newer firmware and no usable code: the caller writes the request file
    NotRecorded, // no command set, or the printer refused (its error has been shown)
};
struct Run {
    UserFile::Contents entry;            // as typed
    bool passwordRequired = false;       // passwordRequired() of the printer identified
    bool writeSerialCopy = false;        // "NS<serial>.usr" in the working folder after the record
    std::function<void(bool busy)> busy; // around the printer's part
};
Outcome record(const Run &run);

// "Importar": the user file at `path` read for the printer whose serial number is `serial`.
// An unreadable, empty or foreign file is refused with its message (nothing); a file of
// another printer is read with a warning (its code replaced, see UserFile::read).
std::optional<UserFile::Contents> importFile(const QString &path, const QString &serial);

// Writes a user file, replacing the one there; a failure is shown ("Erro") and leaves it.
bool writeFile(const QString &path, const QByteArray &image);

} // namespace UserRecord
