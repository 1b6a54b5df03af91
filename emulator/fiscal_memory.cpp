#include "fiscal_state.h"
#include "paper_roll.h"

// The fiscal memory: the reductions it records, the history a new emulated printer starts
// with, the selection of a reading's period and the reading's text; and the authorization
// code of the user record.

namespace emu {

QByteArray authorizationCode(const QByteArray &serial, const QByteArray &cnpj) {
    QByteArray input = serial.left(8).leftJustified(8, ' ');
    for (char c : cnpj) {
        if (c >= '0' && c <= '9')
            input.append(c);
    }
    quint32 crc = 0xFFFFFFFFu;
    for (char c : input) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return QByteArray::number(~crc, 16).toUpper().rightJustified(8, '0');
}

namespace detail {

namespace {

using paper::Columns;
using paper::date;
using paper::money;
using paper::percent;

const QByteArray Rule(Columns, '-');

// Lines of the reading's text end with CR LF.
QByteArray row(const QByteArray &label, const QByteArray &value) {
    return paper::row(label, value) + "\r\n";
}

QByteArray centred(const QByteArray &text) {
    return paper::centred(text) + "\r\n";
}

QByteArray line(const QByteArray &text) {
    return text + "\r\n";
}

} // namespace

// A new emulated printer has been in service for a few days: a user recorded, a one-line
// header (the maker's, as the user record procedure leaves it), five reductions up to
// yesterday and no movement today. Its programming tables are empty, as a technician leaves
// them after clearing them.
void PrinterState::seed() {
    operatorText = model == Model::A ? QByteArray("Opr:").leftJustified(20, ' ')
                                     : QByteArray("Lj:0001  Opr:").leftJustified(26, ' ');
    header = "KORVEL S.A.\r\n";
    addPastReductions(5);
    const QDate recorded = reductions.front().movementDate.addDays(-1);
    users.push_back({recorded.toString(QStringLiteral("ddMMyy")).toLatin1(),
                     QByteArray("11.222.333/0001-81").leftJustified(20, ' '),
                     QByteArray("123.456.789.110").leftJustified(20, ' '), QByteArray(20, ' ')});
}

// The record of a day in service before the emulator started. The figures come from the day
// itself, so the same day always gives the same record.
Reduction PrinterState::pastReduction(const QDate &day, int &documents) const {
    quint32 x = quint32(day.toJulianDay()) * 2654435761u;
    const auto next = [&x] {
        x = x * 1664525u + 1013904223u;
        return x >> 8;
    };
    Reduction r;
    r.cro = 1;
    r.movementDate = day;
    r.issuedAt = QDateTime(day, QTime(22, int(next() % 60), int(next() % 60)), Qt::UTC);
    r.grossSales = 20000 + next() % 480000;
    r.cancellations = r.grossSales * (next() % 3) / 100;
    r.discounts = r.grossSales * (next() % 2) / 100;
    r.rates[0] = {false, "1800"};
    r.rates[1] = {false, "1200"};
    r.rates[2] = {true, "0500"};
    const qint64 net = r.grossSales - r.cancellations - r.discounts;
    r.byRate[0] = net * 50 / 100;
    r.byRate[1] = net * 25 / 100;
    r.byRate[2] = net * 10 / 100;
    r.substitution = net * 10 / 100;
    r.exempt = net * 3 / 100;
    r.notLevied = net - r.byRate[0] - r.byRate[1] - r.byRate[2] - r.substitution - r.exempt;
    documents = 10 + int(next() % 50);
    return r;
}

void PrinterState::addPastReductions(int count) {
    count = std::min(count, FiscalMemoryCapacity - int(reductions.size()));
    if (count <= 0)
        return;
    const QDate last =
        reductions.empty() ? today().addDays(-1) : reductions.front().movementDate.addDays(-1);
    std::vector<Reduction> added;
    int documents = 0;
    qint64 sales = 0;
    for (int k = count - 1; k >= 0; --k) {
        int day = 0;
        Reduction r = pastReduction(last.addDays(-k), day);
        documents += day + 1; // the day's documents and the Redução Z itself
        sales += r.grossSales;
        r.coo = documents;
        r.grandTotal = sales;
        added.push_back(r);
    }
    for (Reduction &r : reductions) {
        r.coo += documents;
        r.grandTotal += sales;
    }
    coo += documents;
    grandTotal += sales;
    reductions.insert(reductions.begin(), added.begin(), added.end());
    for (size_t i = 0; i < reductions.size(); ++i)
        reductions[i].crz = int(i) + 1;
}

// A period of dates selects by the day of movement; a period of counters by CRZ. A date never
// has day 00, so the "00" in front of a counter tells the two apart.
Outcome PrinterState::select(const QByteArray &start, const QByteArray &end,
                             std::vector<const Reduction *> &chosen, QByteArray &period) const {
    if (!allDigits(start) || !allDigits(end))
        return Refusal::NotNumeric;
    const bool counters = start.startsWith("00");
    if (counters != end.startsWith("00"))
        return Refusal::Syntax;
    chosen.clear();
    if (counters) {
        const int first = number(start.mid(2));
        const int last = number(end.mid(2));
        for (const Reduction &r : reductions) {
            if (r.crz >= first && r.crz <= last)
                chosen.push_back(&r);
        }
        period = "PERIODO: CRZ " + start.mid(2) + " A " + end.mid(2);
    } else {
        QDate first, last;
        if (const Outcome refused = parseDate(start, first))
            return refused;
        if (const Outcome refused = parseDate(end, last))
            return refused;
        for (const Reduction &r : reductions) {
            if (r.movementDate >= first && r.movementDate <= last)
                chosen.push_back(&r);
        }
        period = "PERIODO: " + date(first) + " A " + date(last);
    }
    if (chosen.empty())
        return Refusal::MemoryEmpty;
    return {};
}

// The reading as the printer prints it, 48 columns: who and which printer, the period, then
// one line per reduction (summarised) or its every total (full), and the period's totals.
QByteArray PrinterState::readingText(const Identity &identity,
                                     const std::vector<const Reduction *> &chosen,
                                     const QByteArray &period, bool full) const {
    QByteArray text;
    text += centred("LEITURA DA MEMORIA FISCAL");
    text += centred(full ? "LEITURA COMPLETA" : "LEITURA SIMPLIFICADA");
    text += line((model == Model::A ? "MV210" : "MV4700") + QByteArray("  NS:") + identity.serial +
                 "  ECF:" + identity.ecfNumber);
    if (!users.empty()) {
        const UserRecord &user = users.back();
        text += line("CNPJ:" + user.cnpj.trimmed());
        text += line("IE:" + user.ie.trimmed());
        text += line("IM:" + user.im.trimmed());
    }
    text += line(period);
    text += line(Rule);
    if (!full)
        text += line("CRZ  MOVIMENTO   COO           VENDA BRUTA");
    qint64 sales = 0;
    for (const Reduction *r : chosen) {
        sales += r->grossSales;
        if (!full) {
            text += row(digits(r->crz, 4) + ' ' + date(r->movementDate) + ' ' + digits(r->coo, 6),
                        money(r->grossSales));
            continue;
        }
        text += line("CRZ:" + digits(r->crz, 4) + "  CRO:" + digits(r->cro, 4) +
                     "  COO:" + digits(r->coo, 6));
        text +=
            line("MOVIMENTO:" + date(r->movementDate) + "  EMISSAO:" + date(r->issuedAt.date()) +
                 ' ' + r->issuedAt.time().toString(QStringLiteral("HH:mm:ss")).toLatin1());
        text += row("VENDA BRUTA:", money(r->grossSales));
        text += row("CANCELAMENTOS:", money(r->cancellations));
        text += row("DESCONTOS:", money(r->discounts));
        text += row("GT:", money(r->grandTotal));
        for (size_t i = 0; i < r->rates.size(); ++i) {
            const TaxRate &rate = r->rates[i];
            if (!rate.rate.isEmpty())
                text += row('T' + digits(int(i) + 1, 2) + (rate.iss ? " ISS  " : " ICMS ") +
                                percent(rate.rate),
                            money(r->byRate[i]));
        }
        text += row("F  SUBSTITUICAO TRIBUTARIA", money(r->substitution));
        text += row("I  ISENTO", money(r->exempt));
        text += row("N  NAO INCIDENCIA", money(r->notLevied));
        text += line(Rule);
    }
    if (!full)
        text += line(Rule);
    text += row("REDUCOES NO PERIODO:", QByteArray::number(qsizetype(chosen.size())));
    text += row("VENDA BRUTA NO PERIODO:", money(sales));
    text += row("GT FINAL:", money(chosen.back()->grandTotal));
    return text;
}

} // namespace detail
} // namespace emu
