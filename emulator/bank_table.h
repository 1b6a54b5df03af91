#pragma once

#include "printer.h"

#include <QByteArray>
#include <QList>

#include <optional>

// The bank table of model B's check printer, in the one form the printer takes it: a single
// frame that the tool copies from a ".QBK" file without looking inside. The tool sends it in
// pieces of up to 500 bytes, one right after the other; the printer counts the bytes itself
// and answers once, when the whole table is in.
//
//   offset       size  content
//        0          2  ESC 0xF9: load the bank table
//        2          3  N, the number of banks, three ASCII digits (001-100)
//        5     N x 35  the banks, one record each (below)
//   5 + 35N         1  0xFF, the end of the table
//
// A bank record, ASCII digits only:
//
//   offset  size  content
//        0     3  bank number, 001-999
//        3     4  amount in figures: line (2 digits) and column (2 digits)
//        7     4  amount in words, first line: line and column
//       11     4  amount in words, second line: line and column
//       15     4  payee
//       19     4  city
//       23     4  day of the date
//       27     4  month of the date (written in words)
//       31     4  year of the date
//
// Lines count from 01 at the top edge of the check (1/6 inch apart) up to 16; columns from 01
// at its left edge up to 99. A load replaces the whole table. Answers: ":R0000" and the end mark
// when the table is taken; otherwise one of the printer's codes:
//   16  the count is not three digits, or the byte after the last bank is not 0xFF
//   28  a count of 000
//   86  more banks than the printer has room for (BankTable::Capacity)
//   13  a record with a character other than a digit, bank 000, a line or a column out of
//       range, or a bank that appears twice
// A refused load leaves the table that was there before.

namespace emu::BankTable {

constexpr char Command = char(0xF9);
constexpr int CountDigits = 3;
constexpr int HeaderBytes = 2 + CountDigits;
constexpr int RecordBytes = 35;
constexpr int TrailerBytes = 1;
constexpr int Capacity = 100; // banks the printer's memory holds
constexpr int LastLine = 16;
constexpr int LastColumn = 99;

// The table frame (and so the file) holding `banks`, which must fit the layout above (bank
// numbers 1-999, positions of two digits); the count is written as it is, even when it is
// beyond the printer's capacity.
QByteArray encode(const QList<BankLayout> &banks);

// Reads a whole table frame. Returns the banks, or the two-digit code of the refusal.
struct Decoded {
    QList<BankLayout> banks;
    QByteArray refusal; // empty when the table is good
};
Decoded decode(const QByteArray &frame);

// A table for demonstrations and tests: 32 Brazilian banks with the common layout of the
// national check standard, a few of them with their own small shifts. encode(sample()) is the
// file tools/bancos.QBK (written by "printer-emulator --write-bank-table FILE").
QList<BankLayout> sample();

} // namespace emu::BankTable
