#include "fiscal/programming_lists.h"

#include "core/global.h"
#include "link/codepage.h"
#include "protocol/command_set.h"

#include <algorithm>
#include <cstring>

namespace {

// One candidate item of a list: the text as the printer's table holds it (names keep their
// trailing blanks until they are listed) and the code the commands want for it.
struct Entry {
    QByteArray text;
    QByteArray code;
};

// The tables are ordered by their stored texts, byte by byte as unsigned values, up to the
// first zero byte; a shorter text that is a prefix of a longer one comes first.
QByteArray upToNul(const QByteArray &text) {
    const qsizetype nul = text.indexOf('\0');
    return nul < 0 ? text : text.left(nul);
}

bool textBefore(const Entry &a, const Entry &b) {
    const QByteArray x = upToNul(a.text), y = upToNul(b.text);
    const qsizetype n = std::min(x.size(), y.size());
    const int c = n > 0 ? std::memcmp(x.constData(), y.constData(), size_t(n)) : 0;
    return c != 0 ? c < 0 : x.size() < y.size();
}

void sortByText(QList<Entry>::iterator first, QList<Entry>::iterator last) {
    std::stable_sort(first, last, textBefore);
}

bool beginsWithDigit(const QByteArray &text) {
    return !text.isEmpty() && text[0] >= '0' && text[0] <= '9';
}

// Only names that begin with a plain letter are offered: empty slots (blank) and names that
// begin with a digit, a sign or an accented letter are left out.
bool beginsWithLetter(const QByteArray &text) {
    if (text.isEmpty())
        return false;
    const char c = text[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

QString listed(const QByteArray &name) {
    QByteArray text = upToNul(name);
    while (!text.isEmpty() && text.endsWith(' '))
        text.chop(1);
    return Codepage::fromWindows1252(text);
}

QByteArray bytesOf(const uint8_t *bytes, int count) {
    return QByteArray(reinterpret_cast<const char *>(bytes), count);
}

QByteArray twoDigits(int value) {
    return QByteArray::number(value).rightJustified(2, '0');
}

char slotLetter(int slot) {
    return char('A' + slot);
}

void addNamed(CodedList &list, const QList<Entry> &entries) {
    for (const Entry &e : entries)
        if (beginsWithLetter(e.text))
            list.add(listed(e.text), e.code);
}

bool loadTaxRates(CommandSet &commands, ProgrammingLists &lists) {
    TaxRateRecord rates[16];
    std::memset(rates, 0, sizeof rates);
    if (!commands.ReadTaxRates(rates))
        return false;
    QList<Entry> icms, iss;
    for (int s = 0; s < 16; ++s) {
        const uint8_t *d = rates[s].rate;
        Entry e;
        e.text = bytesOf(d, 2) + ',' + bytesOf(d + 2, 2) + '%';
        e.code = QByteArray("T") + slotLetter(s);
        (rates[s].iss == 1 ? iss : icms).append(e);
    }
    sortByText(icms.begin(), icms.end());
    sortByText(iss.begin(), iss.end());
    for (const Entry &e : icms)
        if (beginsWithDigit(e.text))
            lists.icms.add(QString::fromLatin1(e.text), e.code);
    for (const Entry &e : iss)
        if (beginsWithDigit(e.text))
            lists.iss.add(QString::fromLatin1(e.text), e.code);
    return true;
}

bool loadPaymentMethods(CommandSet &commands, uint32_t modelCode, ProgrammingLists &lists) {
    PaymentMethodTable table;
    std::memset(&table, ' ', sizeof table);
    if (!commands.ReadPaymentMethods(table))
        return false;
    QList<Entry> unlinked, linked;
    bool cashFirst = false; // slot 0 heads the unlinked list
    if (modelCode == ModelB) {
        for (int s = 0; s < 32; ++s) {
            const FlaggedName &m = table.entries[s];
            const bool isLinked = m.flag == 1;
            const Entry e{bytesOf(m.name, 21), twoDigits(s < 16 ? s + 1 : s + 35)};
            if (s < 16 && !isLinked) {
                cashFirst |= s == 0;
                unlinked.append(e);
            } else if (s >= 16 && isLinked) {
                linked.append(e);
            }
        }
    } else {
        for (int s = 0; s < 16; ++s) {
            const FlaggedName &m = table.entries[s];
            const QByteArray name = bytesOf(m.name, 17);
            if (name.startsWith("Pagamento Tipo ")) // the printer's default: never programmed
                continue;
            const Entry e{name, QByteArray(1, slotLetter(s)) + '\0'};
            if (m.flag == 1) {
                linked.append(e);
            } else {
                cashFirst |= s == 0;
                unlinked.append(e);
            }
        }
    }
    sortByText(unlinked.begin() + (cashFirst ? 1 : 0), unlinked.end());
    sortByText(linked.begin(), linked.end());
    addNamed(lists.unlinkedPayments, unlinked);
    addNamed(lists.linkedPayments, linked);
    return true;
}

bool loadTotalizers(CommandSet &commands, uint32_t modelCode, ProgrammingLists &lists) {
    TotalizerTable table;
    std::memset(&table, ' ', sizeof table);
    if (!commands.ReadNonFiscalTotalizers(table))
        return false;
    QList<Entry> entries;
    for (int s = 0; s < 16; ++s) {
        const FlaggedName &t = table.entries[s];
        const char kind = t.flag == 0 ? 'E' : 'S'; // entrada ('+') or saída
        const QByteArray number =
            modelCode == ModelB ? twoDigits(s + 1) : QByteArray(1, slotLetter(s));
        entries.append({bytesOf(t.name, 21), kind + number});
    }
    sortByText(entries.begin(), entries.end());
    addNamed(lists.totalizers, entries);
    return true;
}

bool loadNames(CommandSet &commands, bool (CommandSet::*read)(NameTable &), QList<Entry> &out,
               uint32_t modelCode) {
    NameTable table;
    std::memset(&table, ' ', sizeof table);
    if (!(commands.*read)(table))
        return false;
    for (int s = 0; s < 16; ++s) {
        const QByteArray code =
            modelCode == ModelB ? twoDigits(s + 1) : QByteArray(1, slotLetter(s));
        out.append({bytesOf(table.names[s], 21), code});
    }
    sortByText(out.begin(), out.end());
    return true;
}

} // namespace

void ProgrammingLists::clear() {
    icms.clear();
    iss.clear();
    linkedPayments.clear();
    unlinkedPayments.clear();
    totalizers.clear();
    linkedTotalizerLetters.clear();
    reports.clear();
}

bool LoadProgrammingLists(CommandSet &commands, uint32_t modelCode, ProgrammingLists &lists) {
    lists.clear();
    lists.icms.add(QStringLiteral("I"), "I ");
    lists.icms.add(QStringLiteral("F"), "F ");
    lists.icms.add(QStringLiteral("N"), "N ");
    if (modelCode != ModelA && modelCode != ModelB)
        return false;
    if (!loadTaxRates(commands, lists) || !loadPaymentMethods(commands, modelCode, lists) ||
        !loadTotalizers(commands, modelCode, lists))
        return false;
    QList<Entry> names;
    if (modelCode == ModelA) {
        // The linked totalizers fill no list: the credit/debit voucher takes the letter at
        // the index of the linked payment method chosen.
        if (!loadNames(commands, &CommandSet::ReadLinkedTotalizers, names, modelCode))
            return false;
        for (const Entry &e : names)
            if (beginsWithLetter(e.text))
                lists.linkedTotalizerLetters += e.code;
        return true;
    }
    if (!loadNames(commands, &CommandSet::ReadReportNames, names, modelCode))
        return false;
    addNamed(lists.reports, names);
    return true;
}
