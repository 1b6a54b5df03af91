#pragma once

#include "protocol/records.h"

#include <QString>

#include <cstdint>

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

} // namespace UserRecord
