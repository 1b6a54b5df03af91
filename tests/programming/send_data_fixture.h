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

// Tax rates 1, 2 and 4 in use (3 empty), two payment methods beside cash (model B: 03 and the
// linked 51 with accented letters; model A: a linked "Cartao" and "Ticket"), two report names
// (sent by model B only), two totalizers (an outflow and an inflow), options and the header.
inline ProgrammingTables sampleTables(uint32_t model) {
    ProgrammingTables t;
    t.taxRates[0].rate = QStringLiteral("18,00%");
    t.taxRates[1] = {taxCodeText(2), QStringLiteral("05,00%"), QStringLiteral("    S")};
    t.taxRates[3].rate = QStringLiteral("12,00%");
    t.payments = clearedPaymentRows(model);
    if (model == ModelB) {
        t.payments[1] = {QStringLiteral(" FP03"), QStringLiteral("Cheque"), QString()};
        t.payments[2] = {QStringLiteral(" FP51"), QStringLiteral("Cartão Crédito"), QString()};
    } else {
        t.payments[1] = {QStringLiteral(" FP02"), QStringLiteral("Cartao"),
                         QStringLiteral("    V")};
        t.payments[2].description = QStringLiteral("Ticket");
    }
    t.reports[0].name = QStringLiteral("Sangria");
    t.reports[1].name = QStringLiteral("Conferencia de Caixa");
    t.totalizers[0] = {totalizerNumberText(1), QStringLiteral("Sangria"), QStringLiteral("   S")};
    t.totalizers[1].name = QStringLiteral("Suprimento");
    t.controls.autoReadingX = t.controls.couponLegend = t.controls.suppressErrors = true;
    t.controls.lineHeight = defaultLineHeight(model);
    t.controls.couponSpacing = defaultCouponSpacing(model);
    t.controls.minHourReductionZ = QStringLiteral("05");
    rebuildOptionsBlock(t.options, t.controls, model, model == ModelB ? 1.05 : 1.22);
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
