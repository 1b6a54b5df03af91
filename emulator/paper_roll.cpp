#include "paper_roll.h"

#include "fiscal_state.h"

namespace emu::detail {

namespace paper {

QByteArray money(qint64 cents) {
    const QByteArray sign = cents < 0 ? "-" : "";
    cents = std::abs(cents);
    QByteArray units = QByteArray::number(cents / 100);
    for (qsizetype i = units.size() - 3; i > 0; i -= 3)
        units.insert(i, '.');
    return sign + units + ',' + digits(cents % 100, 2);
}

QByteArray date(const QDate &day) {
    return day.toString(QStringLiteral("dd/MM/yyyy")).toLatin1();
}

QByteArray percent(const QByteArray &rate) {
    return rate.left(2) + ',' + rate.mid(2, 2) + '%';
}

QByteArray row(const QByteArray &label, const QByteArray &value) {
    const qsizetype gap = std::max<qsizetype>(1, Columns - label.size() - value.size());
    return label + QByteArray(gap, ' ') + value;
}

QByteArray centred(const QByteArray &text) {
    return QByteArray(std::max<qsizetype>(0, (Columns - text.size()) / 2), ' ') + text;
}

QByteArrayList wrapped(const QByteArray &text) {
    QByteArrayList lines;
    for (qsizetype at = 0; at < text.size(); at += Columns)
        lines.append(text.mid(at, Columns));
    if (lines.isEmpty())
        lines.append(QByteArray()); // an empty line feeds the paper
    return lines;
}

} // namespace paper

using namespace paper;

namespace {

const QByteArray Rule(Columns, '-');

// A text of several lines (CR, LF or CR LF between them) as the paper's lines.
QByteArrayList textLines(QByteArray text, bool dropEmpty) {
    text.replace("\r\n", "\n").replace('\r', '\n');
    if (text.endsWith('\n'))
        text.chop(1);
    QByteArrayList lines;
    if (text.isEmpty())
        return lines;
    for (const QByteArray &line : text.split('\n'))
        if (!dropEmpty || !line.trimmed().isEmpty())
            lines += wrapped(line);
    return lines;
}

// The header as it reads: the print attributes (ESC sequences, SO, SI, DC2) leave no mark of
// their own. Model A's bold is ESC 'E' or ESC 'F' alone; every other ESC takes a digit.
QByteArray withoutAttributes(const QByteArray &header, Model model) {
    QByteArray plain;
    for (qsizetype i = 0; i < header.size(); ++i) {
        const char c = header[i];
        if (c == 0x1B) {
            const char kind = i + 1 < header.size() ? header[i + 1] : 0;
            i += model == Model::A && (kind == 'E' || kind == 'F') ? 1 : 2;
        } else if (c != 0x0E && c != 0x0F && c != 0x12) {
            plain += c;
        }
    }
    return plain;
}

// A quantity in thousandths, "2,000"; a unit price in thousandths of a real, with two
// decimals unless the third one counts.
QByteArray thousandths(qint64 value) {
    return QByteArray::number(value / 1000) + ',' + digits(value % 1000, 3);
}
QByteArray price(qint64 value) {
    return value % 10 ? thousandths(value) : money(value / 10);
}

QByteArray dateTime(const QDateTime &at) {
    return date(at.date()) + ' ' + at.time().toString(QStringLiteral("HH:mm:ss")).toLatin1();
}

QByteArray cooText(int coo) {
    return "COO:" + digits(coo, 6);
}

} // namespace

void PaperRoll::add(const QByteArray &line) {
    QByteArray text = line.left(Columns);
    while (text.endsWith(' '))
        text.chop(1);
    printed += text;
}

void PaperRoll::add(const QByteArrayList &more) {
    for (const QByteArray &line : more)
        add(line);
}

QByteArrayList PaperRoll::take() {
    QByteArrayList lines;
    lines.swap(printed);
    return lines;
}

QByteArray PaperRoll::methodName(int method) const {
    return method >= 0 && method < int(st.methods.size())
               ? st.methods[size_t(method)].name.trimmed()
               : QByteArray();
}

void PaperRoll::opening(int coo, const QByteArray &title) {
    add(textLines(withoutAttributes(st.header, st.model), false));
    add(Rule);
    add(row(dateTime(st.clock()), cooText(coo)));
    if (!title.isEmpty())
        add(centred(title));
}

void PaperRoll::foot(int coo) {
    add(Rule);
    if (!st.operatorText.trimmed().isEmpty())
        add(st.operatorText.trimmed());
    if (identity)
        add((st.model == Model::A ? "MV210" : "MV4700") + QByteArray("  SB:") + identity->firmware +
            "  ECF:" + identity->ecfNumber + "  NS:" + identity->serial);
    add(row(cooText(coo), dateTime(st.clock())));
    add(QByteArray());
}

void PaperRoll::item(const SoldItem &item) {
    add(wrapped(digits(item.number, 3) + ' ' + item.code.trimmed() + ' ' +
                item.description.trimmed()));
    const QByteArray unit = item.unit.trimmed();
    add(row("    " + thousandths(item.quantity) + (unit.isEmpty() ? "" : ' ' + unit) + " x " +
                price(item.unitPrice) + "  " + item.taxCode.trimmed(),
            money(item.gross)));
    if (item.adjustment != 0)
        itemAdjusted(item);
}

void PaperRoll::itemAdjusted(const SoldItem &item) {
    add(row((item.adjustment > 0 ? "    ACRESCIMO ITEM " : "    DESCONTO ITEM ") +
                digits(item.number, 3),
            money(item.adjustment)));
}

void PaperRoll::itemCancelled(const SoldItem &item) {
    add(row("    CANCELAMENTO ITEM " + digits(item.number, 3), money(-item.total())));
}

void PaperRoll::totals(qint64 subtotal, qint64 adjustment, qint64 total) {
    add(Rule);
    if (adjustment != 0) {
        add(row("SUBTOTAL R$", money(subtotal)));
        add(row(adjustment > 0 ? "ACRESCIMO R$" : "DESCONTO R$", money(adjustment)));
    }
    add(row("TOTAL R$", money(total)));
}

void PaperRoll::payment(int method, qint64 amount, const QByteArray &text) {
    add(row(methodName(method), money(amount)));
    if (!text.trimmed().isEmpty())
        add("    " + text.trimmed());
}

void PaperRoll::reversal(int from, int to, qint64 amount) {
    add(row("ESTORNO " + methodName(from) + " > " + methodName(to), money(amount)));
}

void PaperRoll::closing(qint64 change, const QByteArray &message, int coo) {
    if (change > 0)
        add(row("TROCO R$", money(change)));
    const QByteArrayList lines = textLines(message, false);
    if (!lines.isEmpty()) {
        add(Rule);
        add(lines);
    }
    foot(coo);
}

void PaperRoll::lines(const QByteArrayList &text) {
    add(text);
}

void PaperRoll::labelled(const QByteArray &label, const QByteArray &value) {
    add(row(label, value));
}

void PaperRoll::stamp(int coo, const QByteArray &text, bool left) {
    add(row("AUTENTICACAO " + cooText(coo), dateTime(st.clock())));
    add(left ? text : text.rightJustified(Columns));
    add(QByteArray());
}

// The rates in force and what each tax group took, F, I and N after them.
void PaperRoll::taxGroups(const std::array<TaxRate, 16> &rates,
                          const std::array<qint64, 19> &byGroup) {
    for (size_t i = 0; i < rates.size(); ++i)
        if (!rates[i].rate.isEmpty())
            add(row('T' + digits(int(i) + 1, 2) + (rates[i].iss ? " ISS  " : " ICMS ") +
                        percent(rates[i].rate),
                    money(byGroup[i])));
    add(row("F  SUBSTITUICAO TRIBUTARIA", money(byGroup[16])));
    add(row("I  ISENTO", money(byGroup[17])));
    add(row("N  NAO INCIDENCIA", money(byGroup[18])));
}

void PaperRoll::readingX(const DayTotals &day) {
    opening(st.coo, "LEITURA X");
    add("CRZ:" + digits(int(st.reductions.size()), 4) + "  CRO:" + digits(st.cro, 4) + "  " +
        cooText(st.coo));
    add(row("VENDA BRUTA DO DIA:", money(day.gross)));
    add(row("CANCELAMENTOS:", money(day.cancellations)));
    add(row("DESCONTOS:", money(day.discounts)));
    taxGroups(st.taxRates, day.byGroup);
    add(row("GT:", money(st.grandTotal)));
    foot(st.coo);
}

void PaperRoll::reductionZ(const Reduction &r) {
    opening(r.coo, "REDUCAO Z");
    add("CRZ:" + digits(r.crz, 4) + "  CRO:" + digits(r.cro, 4) + "  " + cooText(r.coo));
    add("MOVIMENTO DO DIA: " + date(r.movementDate));
    add(row("VENDA BRUTA DIARIA:", money(r.grossSales)));
    add(row("CANCELAMENTOS:", money(r.cancellations)));
    add(row("DESCONTOS:", money(r.discounts)));
    std::array<qint64, 19> byGroup{};
    std::copy(r.byRate.begin(), r.byRate.end(), byGroup.begin());
    byGroup[16] = r.substitution;
    byGroup[17] = r.exempt;
    byGroup[18] = r.notLevied;
    taxGroups(r.rates, byGroup);
    add(row("GT:", money(r.grandTotal)));
    foot(r.coo);
}

void PaperRoll::fiscalMemory(const QByteArray &text) {
    opening(st.coo, {});
    add(textLines(text, false));
    foot(st.coo);
}

QString printerText(Model model, const QByteArray &bytes) {
    // CP850's upper half.
    static const QString Cp850 = QStringLiteral(
        "ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜø£Ø×ƒáíóúñÑªº¿®¬½¼¡«»░▒▓│┤ÁÂÀ©╣║╗╝¢¥┐"
        "└┴┬├─┼ãÃ╚╔╩╦╠═╬¤ðÐÊËÈıÍÎÏ┘┌█▄¦Ì▀ÓßÔÒõÕµþÞÚÛÙýÝ¯´\u00AD±‗¾¶§÷¸°¨·¹³²■\u00A0");
    // Model A's codes of its 26 letters, each followed by the letter's CP850 byte.
    static const QByteArray ModelA("\xA6\x80\xD9\x81\xC8\x82\xC3\x83\xC6\x87\xC9\x88\xA8\x90"
                                   "\xD2\x93\xB9\x9A\xC2\xA0\xCC\xA1\xD1\xA2\xD7\xA3\xDC\xA6"
                                   "\xDD\xA7\xA2\xB5\xA3\xB6\xC4\xC6\xA4\xC7\xA9\xD2\xAC\xD6"
                                   "\xB1\xE0\xB2\xE2\xD3\xE4\xB3\xE5\xB7\xE9");
    QString text;
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && model == Model::A) {
            qsizetype at = 0;
            while (at < ModelA.size() && ModelA[at] != c)
                at += 2;
            byte = at < ModelA.size() ? static_cast<unsigned char>(ModelA[at + 1]) : ' ';
        }
        text += byte < 0x80 ? QChar(byte < 0x20 ? ' ' : byte) : Cp850[byte - 0x80];
    }
    return text;
}

} // namespace emu::detail

namespace emu {

// Waits for a delivery under way: once replaced, the old observer is called no more.
void Printer::setPaperObserver(std::function<void(const QStringList &)> observer) {
    std::lock_guard telling(observerMutex);
    std::lock_guard lock(mutex);
    paperObserver = std::move(observer);
}

// Hands what has been printed to the observer, outside the printer's lock, in order.
void Printer::paperMoved() {
    std::lock_guard telling(observerMutex);
    std::function<void(const QStringList &)> observer;
    QByteArrayList lines;
    {
        std::lock_guard lock(mutex);
        observer = paperObserver;
        lines = st->paper.take();
    }
    if (!observer || lines.isEmpty())
        return;
    QStringList text;
    for (const QByteArray &line : lines)
        text << detail::printerText(printerModel, line);
    observer(text);
}

} // namespace emu
