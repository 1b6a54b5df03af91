#pragma once

// Configuration files for the programming tests, written the way the Edit Data window saves
// them, and the working copy of the tables told as a list of texts.

#include "core/global.h"
#include "programming/c2k_file.h"
#include "programming/tables.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace fixture {

// The header of the sample files: bold shop name, an address, a condensed line.
inline QByteArray sampleHeader() {
    return "<N>LOJA MODELO</N>\r\nRua das Flores, 100\r\n<C>CNPJ 00.000.000/0001-00</C>";
}

// The tables as "Limpar Todos" leaves them, with each "<cell>=<texts>" set: "T<k>=rate|ISS",
// "P<row>=number|description|V/N", "R<k>=name", "N<k>=name|E/S", "H=<length of a header of h>".
inline ProgrammingTables tablesWith(uint32_t model, const QStringList &cells) {
    ProgrammingTables t;
    clearAll(t, model, 1.22);
    for (const QString &cell : cells) {
        const int k = cell.section(u'=', 0, 0).mid(1).toInt() - 1;
        const QStringList v = cell.section(u'=', 1).split(u'|');
        const char kind = cell[0].toLatin1();
        if (kind == 'T')
            t.taxRates[k] = {t.taxRates[k].code, v[0], v.value(1)};
        if (kind == 'P')
            t.payments[k] = {v[0], v.value(1), v.value(2)};
        if (kind == 'R')
            t.reports[k].name = v[0];
        if (kind == 'N')
            t.totalizers[k] = {t.totalizers[k].number, v[0], v.value(1)};
        if (kind == 'H')
            t.header = QByteArray(v[0].toInt(), 'h');
    }
    return t;
}

// Tax rates 1, 2 and 4 in use (3 empty), two payment methods beside cash (model B: 03 and the
// linked 51 with accented letters; model A: a linked "Cartao" and "Ticket"), two report names
// (sent by model B only), two totalizers (an outflow and an inflow), options and the header.
inline ProgrammingTables sampleTables(uint32_t model) {
    const bool b = model == ModelB;
    ProgrammingTables t =
        tablesWith(model, {"T1=18,00%|    N", "T2=05,00%|    S", "T4=12,00%|    N",
                           b ? "P2= FP03|Cheque" : "P2= FP02|Cartao|    V",
                           b ? "P3= FP51|Cartão Crédito" : "P3= FP03|Ticket|    N", "R1=Sangria",
                           "R2=Conferencia de Caixa", "N1=Sangria|   S", "N2=Suprimento|   E"});
    t.controls.autoReadingX = t.controls.suppressErrors = true;
    t.controls.minHourReductionZ = QStringLiteral("05");
    rebuildOptionsBlock(t.options, t.controls, model, b ? 1.05 : 1.22);
    t.header = sampleHeader();
    return t;
}

inline QByteArray withEcf(QByteArray file, const QByteArray &ecf) {
    return file.replace(C2k::EcfNumberOffset, 4, ecf);
}

inline QByteArray sampleFile(uint32_t model, const QByteArray &ecf = "0000") {
    return withEcf(writeC2k(model, sampleTables(model)), ecf);
}

// The file with its header replaced, without the length check of the save.
inline QByteArray withHeader(const QByteArray &file, const QByteArray &header) {
    const quint32 n = quint32(header.size());
    return file.left(C2k::HeaderLengthOffset) + QByteArray(reinterpret_cast<const char *>(&n), 4) +
           header;
}

// The cells of a working copy that differ from a cleared one, one text each: tax rates
// "T<k> <rate><ISS>", report names "R<k> <name>", totalizers "N<k> <name><E/S>", then every
// payment row that has a description, "<number> <description><V/N>" (texts trimmed), and the
// header, "H <text>".
inline QStringList cells(const ProgrammingTables &t) {
    QStringList out;
    for (int k = 0; k < 16; ++k) {
        const TaxRateRow &rate = t.taxRates[k];
        if (rate.rate != QLatin1String("//,//%") || rate.iss != QLatin1String("    N"))
            out << QStringLiteral("T%1 %2%3").arg(k + 1).arg(rate.rate, rate.iss);
        if (!t.reports[k].name.trimmed().isEmpty())
            out << QStringLiteral("R%1 %2").arg(k + 1).arg(t.reports[k].name.trimmed());
        const TotalizerRow &n = t.totalizers[k];
        if (!n.name.trimmed().isEmpty() || n.direction != QLatin1String("   E"))
            out << QStringLiteral("N%1 %2%3").arg(k + 1).arg(n.name.trimmed(), n.direction);
    }
    for (const PaymentRow &row : t.payments)
        if (!row.description.trimmed().isEmpty())
            out << row.number + u' ' + row.description.trimmed() + row.linked;
    if (!t.header.isEmpty())
        out << "H " + QString::fromLatin1(t.header);
    return out;
}

} // namespace fixture
