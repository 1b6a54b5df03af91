#include "bank_table.h"

#include "fiscal_state.h"
#include "printer_internal.h"

#include <QSet>

namespace emu {

namespace BankTable {

namespace {

constexpr char End = char(0xFF);

QByteArray position(const CheckPosition &at) {
    return detail::digits(at.line, 2) + detail::digits(at.column, 2);
}

CheckPosition positionAt(const QByteArray &record, int offset) {
    return {detail::number(record.mid(offset, 2)), detail::number(record.mid(offset + 2, 2))};
}

bool inRange(const CheckPosition &at) {
    return at.line >= 1 && at.line <= LastLine && at.column >= 1 && at.column <= LastColumn;
}

QList<CheckPosition> positionsOf(const BankLayout &bank) {
    return {bank.amount, bank.words, bank.words2, bank.payee,
            bank.city,   bank.day,   bank.month,  bank.year};
}

Decoded refused(const char *code) {
    return {{}, QByteArray(code)};
}

} // namespace

QByteArray encode(const QList<BankLayout> &banks) {
    QByteArray table;
    table += detail::Esc;
    table += Command;
    table += detail::digits(banks.size(), CountDigits);
    for (const BankLayout &bank : banks) {
        table += detail::digits(bank.bank, 3);
        for (const CheckPosition &at : positionsOf(bank))
            table += position(at);
    }
    table += End;
    return table;
}

Decoded decode(const QByteArray &frame) {
    const QByteArray count = frame.mid(2, CountDigits);
    if (count.size() != CountDigits || !detail::allDigits(count))
        return refused("16");
    const int n = detail::number(count);
    if (frame.size() != HeaderBytes + qsizetype(n) * RecordBytes + TrailerBytes ||
        frame.back() != End)
        return refused("16");
    if (n == 0)
        return refused("28");
    if (n > Capacity)
        return refused("86");

    Decoded decoded;
    QSet<int> seen;
    for (int i = 0; i < n; ++i) {
        const QByteArray record = frame.mid(HeaderBytes + qsizetype(i) * RecordBytes, RecordBytes);
        if (!detail::allDigits(record))
            return refused("13");
        BankLayout bank;
        bank.bank = detail::number(record.left(3));
        bank.amount = positionAt(record, 3);
        bank.words = positionAt(record, 7);
        bank.words2 = positionAt(record, 11);
        bank.payee = positionAt(record, 15);
        bank.city = positionAt(record, 19);
        bank.day = positionAt(record, 23);
        bank.month = positionAt(record, 27);
        bank.year = positionAt(record, 31);
        if (bank.bank == 0 || seen.contains(bank.bank))
            return refused("13");
        for (const CheckPosition &at : positionsOf(bank)) {
            if (!inRange(at))
                return refused("13");
        }
        seen.insert(bank.bank);
        decoded.banks.append(bank);
    }
    return decoded;
}

QList<BankLayout> sample() {
    // The common layout: amount at the top right, the amount in words on two lines below it,
    // the payee, then the place and date line.
    const BankLayout common{0,       {2, 62}, {4, 14}, {5, 3}, {7, 10},
                            {9, 30}, {9, 52}, {9, 58}, {9, 77}};
    const int banks[] = {1,   3,   4,   21,  24,  25,  27,  33,  36,  37,  41,
                         47,  70,  104, 151, 208, 212, 237, 244, 263, 291, 318,
                         341, 347, 356, 389, 399, 409, 422, 453, 745, 756};
    QList<BankLayout> table;
    for (int number : banks) {
        BankLayout bank = common;
        bank.bank = number;
        // Some banks print their own checks with the figures a little further right and the
        // date line one line lower.
        if (number == 104 || number == 237 || number == 341) {
            bank.amount.column += 2;
            for (CheckPosition *at : {&bank.city, &bank.day, &bank.month, &bank.year})
                ++at->line;
        }
        table.append(bank);
    }
    return table;
}

} // namespace BankTable

const BankLayout *detail::PrinterState::bank(int number) const {
    for (const BankLayout &b : banks) {
        if (b.bank == number)
            return &b;
    }
    return nullptr;
}

} // namespace emu
