#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Printer error reporting: turns an answer into "accepted", or shows the printer's error
// with its code and Portuguese text and returns false. One table and check per model.

struct ErrorEntry {
    const char *code;    // two characters
    const char *message; // UTF-8, line breaks as CR LF
};

// "ERRO: " + code + "\r\n\n" + the table's message (or "Erro desconhecido").
QString errorMessageText(const ErrorEntry *table, int tableSize, const uint8_t *code);
// The same for a code of `codeLength` characters as received; only a code of two characters
// can match an entry.
QString errorMessageText(const ErrorEntry *table, int tableSize, const uint8_t *code,
                         int codeLength);

// Shared by the two checks. Each shows its message box (caption "Erro", OK button) and returns
// false. showErrorAnswer takes the code from bytes 2 and 3 of the answer, or from as many of
// them as arrived; showNoAnswer reports that nothing arrived.
bool showErrorAnswer(const ErrorEntry *table, int tableSize, int length, const uint8_t *answer);
bool showNoAnswer();

// The message of the two-character `code` in the error table of `modelCode` (1 = model B,
// 2 = model A) on one line, or "Erro desconhecido".
QString errorTextFor(uint32_t modelCode, const QByteArray &code);

namespace Erros210 {
extern const ErrorEntry Table[];
extern const int TableSize;
// Accepted when the answer does not begin with ":E"; the code is at bytes 2-3.
bool CheckResponse(int length, const uint8_t *answer);
} // namespace Erros210

namespace Erros4700 {
extern const ErrorEntry Table[];
extern const int TableSize;
// Accepted when bytes 2-3 of the answer are "00"; otherwise they hold the code.
bool CheckResponse(int length, const uint8_t *answer);
} // namespace Erros4700

// Dispatches on the model code (1 = model B, 2 = model A); other codes accept everything.
bool CheckResponseFor(uint32_t modelCode, int length, const uint8_t *answer);
