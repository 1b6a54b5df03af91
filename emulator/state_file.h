#pragma once

#include <QString>

namespace emu {

class Printer;

// A printer's state (Printer::saveState) kept in a JSON file, written whole after each change:
// the bytes go to a temporary file beside it, which takes the file's name once complete, so a
// crash or a full disk never leaves half a state behind.
namespace StateFile {
// Loads `path` into the printer. True when loaded, or when there is no such file (the printer
// stays as it left the factory). False, with the reason in `error`, when the file cannot be
// read or is damaged: nothing is loaded then.
bool load(Printer &printer, const QString &path, QString *error);
// From now on writes the printer's state to `path` after each change (warnings on stderr
// when it cannot).
void keep(Printer &printer, const QString &path);
bool write(const QString &path, const QByteArray &json, QString *error = nullptr);
} // namespace StateFile

} // namespace emu
