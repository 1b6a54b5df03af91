#pragma once

// Configuration files for the programming tests, written the way the Edit Data window saves
// them, and reading and writing them on disk.

#include "core/global.h"
#include "link/codepage.h"
#include "programming/c2k_file.h"
#include "programming/tables.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace fixture {

inline QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
inline bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The header of the sample files: bold shop name, an address, a condensed line.
inline QByteArray sampleHeader() {
    return QByteArray(
        "<N>LOJA MODELO</N>\r\nRua das Flores, 100\r\n<C>CNPJ 00.000.000/0001-00</C>");
}

// Tax rates 1, 2 and 4 in use (3 empty), two payment methods beside cash (model B: 03 and the
// linked 51 with accented letters; model A: a linked "Cartao" and "Ticket"), two report names
// (sent by model B only), two totalizers (an outflow and an inflow), options and the header.
inline ProgrammingTables sampleTables(uint32_t model) {
    ProgrammingTables t;
    t.taxRates[0].rate = QStringLiteral("18,00%");
    t.taxRates[1].rate = QStringLiteral("05,00%");
    t.taxRates[1].iss = QStringLiteral("    S");
    t.taxRates[3].rate = QStringLiteral("12,00%");
    t.payments = clearedPaymentRows(model);
    if (model == ModelB) {
        t.payments[1] = {QStringLiteral(" FP03"), QStringLiteral("Cheque"), QString()};
        t.payments[2] = {QStringLiteral(" FP51"), QStringLiteral("Cartão Crédito"), QString()};
    } else {
        t.payments[1].description = QStringLiteral("Cartao");
        t.payments[1].linked = QStringLiteral("    V");
        t.payments[2].description = QStringLiteral("Ticket");
    }
    t.reports[0].name = QStringLiteral("Sangria");
    t.reports[1].name = QStringLiteral("Conferencia de Caixa");
    t.totalizers[0].name = QStringLiteral("Sangria");
    t.totalizers[0].direction = QStringLiteral("   S");
    t.totalizers[1].name = QStringLiteral("Suprimento");
    t.controls.autoReadingX = true;
    t.controls.couponLegend = true;
    t.controls.suppressErrors = true;
    t.controls.lineHeight = model == ModelB ? QStringLiteral("31") : QStringLiteral("18");
    t.controls.couponSpacing = model == ModelB ? QStringLiteral("06") : QStringLiteral("02");
    t.controls.minHourReductionZ = QStringLiteral("05");
    rebuildOptionsBlock(t.options, t.controls, model, model == ModelB ? 1.05 : 1.22);
    t.header = sampleHeader();
    return t;
}

inline QByteArray withEcf(QByteArray file, const QByteArray &ecf) {
    file.replace(C2k::EcfNumberOffset, 4, ecf);
    return file;
}

inline QByteArray sampleFile(uint32_t model, const QByteArray &ecf = "0000") {
    return withEcf(writeC2k(model, sampleTables(model)), ecf);
}

// The file with its header replaced, without the length check of the save.
inline QByteArray withHeader(QByteArray file, const QByteArray &header) {
    file.truncate(C2k::HeaderLengthOffset);
    const quint32 n = quint32(header.size());
    for (int i = 0; i < 4; ++i)
        file += char((n >> (8 * i)) & 0xFF);
    return file + header;
}

// A name as the printer stores it: printer code, space-padded.
inline QByteArray printerName(uint32_t model, const QString &text, int width) {
    QByteArray bytes = Codepage::toWindows1252(text).leftJustified(width, ' ');
    Codepage::ToPrinterText(model, reinterpret_cast<const uint8_t *>(bytes.constData()),
                            reinterpret_cast<uint8_t *>(bytes.data()), size_t(bytes.size()));
    return bytes;
}

} // namespace fixture
