#include "programming/c2k_file.h"

#include "link/codepage.h"

#include <QtTest>

#include <cstring>

// Tables and files for the cases: payment rows are written "number|description|linked".

namespace {

constexpr uint32_t B = 1;
constexpr uint32_t A = 2;

QList<PaymentRow> rowsFrom(const QStringList &texts) {
    QList<PaymentRow> rows;
    for (const QString &text : texts) {
        const QStringList parts = text.split(u'|');
        rows.append({parts.value(0), parts.value(1), parts.value(2)});
    }
    return rows;
}

ProgrammingTables cleared(uint32_t model) {
    ProgrammingTables tables;
    clearAll(tables, model, 1.22);
    return tables;
}

QByteArray slotAt(const QByteArray &file, int slot) {
    return file.mid(C2k::PaymentsOffset + (slot - 1) * C2k::PaymentRecordSize, 22);
}

QByteArray padded(const QByteArray &text, int width) {
    return text + QByteArray(width - text.size(), ' ');
}

// A well-filled working copy of the model, as a user would leave it.
ProgrammingTables sample(uint32_t model) {
    ProgrammingTables t = cleared(model);
    t.taxRates[0].rate = QStringLiteral("18,00%");
    t.taxRates[1].rate = QStringLiteral("05,00%");
    t.taxRates[1].iss = QStringLiteral("    S");
    t.taxRates[15].rate = QStringLiteral("25,50%");
    if (model == B) {
        t.payments[1] = {QStringLiteral(" FP52"), QStringLiteral("Cartão Crédito"), {}};
        t.payments[2] = {QStringLiteral(" FP03"), QStringLiteral("Cheque"), {}};
        t.reports[0].name = QStringLiteral("Sangria");
        t.reports[15].name = QStringLiteral("Relatório de vendas!"); // 20 characters
    } else {
        t.payments[1] = {QStringLiteral(" FP02"), QStringLiteral("Cheque"),
                         QStringLiteral("    V")};
        t.payments[4] = {QStringLiteral(" FP05"), QStringLiteral("Ticket"),
                         QStringLiteral("    N")};
    }
    t.totalizers[0].name = QStringLiteral("Suprimento");
    t.totalizers[1].name = QStringLiteral("Sangria");
    t.totalizers[1].direction = QStringLiteral("   S");
    for (int i = 0; i < 70; ++i)
        t.options.bytes[i] = uint8_t(i * 7 + 3);
    t.header = QByteArray("<N>Loja Exemplo</N>\r\nRua das Flores, 10\r\n<W1>Obrigado");
    return t;
}

// An old file: the current layout up to offset 1666, seven bytes the reader skips, the RTF.
QByteArray oldFile(uint32_t model, const QByteArray &rtf) {
    QByteArray file = writeC2k(model, sample(model)).left(1667);
    file.replace(0, 5, "00.50");
    file += QByteArray("\x3a\x07\x00\x00\x00\x01\x02\x03", 8);
    file += rtf;
    return file;
}

const QByteArray SampleRtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Korvel Exp;}"
                             "{\\f1\\fnil\\fcharset0 Courier New;}}\r\n"
                             "{\\info{\\title Cabe\\'e7alho}}\\f0 A\\f1 B\\par\r\n"
                             "\\b Total\\b0 \\ul X\\ulnone\\par}";
const QByteArray SampleTagged = "<W>A</W>B\r\n<N>Total</N><S>X</S>\r\n";

} // namespace

class TestC2kFile : public QObject {
    Q_OBJECT
private slots:
    // A save right after "Limpar Todos" writes the empty tables and a header length of 0.
    void writeAfterClearAll_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("slotAfterCash"); // slots 2-16
        QTest::newRow("model B") << uint(B) << QByteArray("MV4700") << QByteArray(22, ' ');
        // Model A rows keep their numbers when cleared, so slots 2-16 hold a numbered method
        // with an empty description.
        QTest::newRow("model A") << uint(A) << QByteArray("MV210") << padded("N", 22);
    }
    void writeAfterClearAll() {
        QFETCH(uint, model);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, slotAfterCash);
        const QByteArray file = writeC2k(model, cleared(model));
        QCOMPARE(file.size(), 1672);
        QCOMPARE(file.left(5), QByteArray("02.00"));
        QCOMPARE(file.mid(5, 4), QByteArray(1, char(model)) + QByteArray(3, '\0'));
        QCOMPARE(file.mid(9, 20), padded(name, 20));
        for (int at : {29, 126, 863, 1216, 1585, 1596, 1667})
            QCOMPARE(file.at(at), ':');
        for (int k = 0; k < 16; ++k) {
            QCOMPARE(file.mid(30 + 6 * k, 6), QByteArray("N////;"));
            QCOMPARE(file.mid(864 + 22 * k, 22), padded("", 21) + ';');
            QCOMPARE(file.mid(1217 + 23 * k, 23), padded("E", 22) + ';');
        }
        QCOMPARE(slotAt(file, 1), padded("NDinheiro", 22));
        for (int s = 2; s <= 16; ++s)
            QCOMPARE(slotAt(file, s), slotAfterCash);
        for (int s = 17; s <= 32; ++s)
            QCOMPARE(slotAt(file, s), QByteArray(22, ' '));
        for (int s = 1; s <= 32; ++s)
            QCOMPARE(file.at(C2k::PaymentsOffset + s * 23 - 1), ';');
        QCOMPARE(file.mid(1586, 10), QByteArray("0000000000"));
        QCOMPARE(file.mid(1597, 70), QByteArray(70, '\0')); // never read, loaded or edited
        QCOMPARE(file.mid(1668, 4), QByteArray(4, '\0'));
    }

    void optionsAndHeaderVerbatim() {
        ProgrammingTables t = cleared(B);
        for (int i = 0; i < 70; ++i)
            t.options.bytes[i] = uint8_t(255 - i);
        t.header = QByteArray("Caf\xe9\r\n<N>x</N>");
        const QByteArray file = writeC2k(B, t);
        QCOMPARE(file.size(), 1672 + t.header.size());
        QCOMPARE(file.mid(1597, 70),
                 QByteArray(reinterpret_cast<const char *>(t.options.bytes), 70));
        QCOMPARE(file.mid(1668, 4), QByteArray("\x0e\x00\x00\x00", 4));
        QCOMPARE(file.mid(1672), t.header);
    }

    void rateCells_data() {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("iss");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("full") << "18,00%"
                              << "    N" << QByteArray("N1800;");
        QTest::newRow("iss") << "05,25%"
                             << "    S" << QByteArray("S0525;");
        QTest::newRow("unused") << "//,//%"
                                << "    N" << QByteArray("N////;");
        QTest::newRow("5 typed first") << "5 ,  %"
                                       << "    N" << QByteArray("N5000;");
        QTest::newRow("1 and 5 half typed") << "1 ,5 %"
                                            << "    S" << QByteArray("S1050;");
        QTest::newRow("short cell") << "7"
                                    << "    N" << QByteArray("N7000;");
        QTest::newRow("empty cells") << ""
                                     << "" << QByteArray("N0000;");
    }
    void rateCells() {
        QFETCH(QString, rate);
        QFETCH(QString, iss);
        QFETCH(QByteArray, record);
        ProgrammingTables t = cleared(B);
        t.taxRates[6] = {taxCodeText(7), rate, iss};
        const QByteArray file = writeC2k(B, t);
        QCOMPARE(file.mid(30 + 6 * 6, 6), record);
    }

    // Which grid rows reach which slots. `expectedSlots` lists "slot=content" for every slot that
    // is not 22 spaces (the cash row is always there).
    void paymentSlots_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("expectedSlots");
        const QString cash = QStringLiteral(" FP01|Dinheiro|    N");
        QTest::newRow("B 03 and 52 in any order")
            << uint(B) << QStringList{cash, " FP52|Cartão", " FP03|Cheque"}
            << QStringList{"1=NDinheiro", "3=NCheque", "18=VCartão"};
        QTest::newRow("B ends of both ranges")
            << uint(B) << QStringList{cash, " FP16|Dezesseis", " FP51|Cinquenta e um", " FP66|X"}
            << QStringList{"1=NDinheiro", "16=NDezesseis", "17=VCinquenta e um", "32=VX"};
        QTest::newRow("B numbers outside the ranges")
            << uint(B) << QStringList{cash, " FP17|a", " FP50|b", " FP67|c", " FP00|d"}
            << QStringList{"1=NDinheiro"};
        QTest::newRow("B cells holding no number")
            << uint(B) << QStringList{cash, " FPxx|a", "03|b", " FP|c", "|d"}
            << QStringList{"1=NDinheiro"};
        QTest::newRow("B 21 characters kept, more cut")
            << uint(B)
            << QStringList{cash, " FP02|123456789012345678901", " FP04|1234567890123456789012"}
            << QStringList{"1=NDinheiro", "2=N123456789012345678901", "4=N123456789012345678901"};
        QTest::newRow("B later row wins")
            << uint(B) << QStringList{cash, " FP05|Primeiro", " FP05|Segundo"}
            << QStringList{"1=NDinheiro", "5=NSegundo"};
        QTest::newRow("B an empty row does not erase a method")
            << uint(B) << QStringList{cash, " FP05|Primeiro", " FP05|"}
            << QStringList{"1=NDinheiro", "5=NPrimeiro"};
        QTest::newRow("B V/N cell ignored") << uint(B) << QStringList{cash, " FP06|Vale|    V"}
                                            << QStringList{"1=NDinheiro", "6=NVale"};
        QTest::newRow("A description cut to 17")
            << uint(A) << QStringList{cash, " FP02|123456789012345678901|    V"}
            << QStringList{"1=NDinheiro", "2=V12345678901234567"};
        QTest::newRow("A flags") << uint(A)
                                 << QStringList{cash, " FP02|Cheque|    V", " FP03|Ticket|    N",
                                                " FP04|Vale|"}
                                 << QStringList{"1=NDinheiro", "2=VCheque", "3=NTicket", "4=NVale"};
        QTest::newRow("A numbers outside 1-16")
            << uint(A) << QStringList{cash, " FP17|a|    V", " FP51|b|    V"}
            << QStringList{"1=NDinheiro"};
        QTest::newRow("A packed row beside its numbered empty row")
            << uint(A)
            << QStringList{cash, " FP05|Ticket|    V", " FP03||    N", " FP04||    N",
                           " FP05||    N"}
            << QStringList{"1=NDinheiro", "3=N", "4=N", "5=VTicket"};
        // Sixteen numbered rows fill the model's slots; a seventeenth row is not read.
        QStringList sixteen{cash}, numbered{"1=NDinheiro"};
        for (int n = 2; n <= 16; ++n) {
            sixteen << QStringLiteral(" FP%1").arg(n, 2, 10, QChar(u'0'));
            numbered << QStringLiteral("%1=N").arg(n);
        }
        QTest::newRow("A rows past 16 ignored")
            << uint(A) << sixteen + QStringList{" FP07|Extra|    V"} << numbered;
    }
    void paymentSlots() {
        QFETCH(uint, model);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, expectedSlots);
        ProgrammingTables t = cleared(model);
        t.payments = rowsFrom(rows);
        const QByteArray file = writeC2k(model, t);
        QCOMPARE(file.size(), 1672);
        QMap<int, QByteArray> expected;
        for (const QString &s : expectedSlots) {
            const int eq = int(s.indexOf(u'='));
            expected[s.left(eq).toInt()] = padded(Codepage::toWindows1252(s.mid(eq + 1)), 22);
        }
        for (int s = 1; s <= 32; ++s)
            QCOMPARE(slotAt(file, s), expected.value(s, QByteArray(22, ' ')));
    }

    void namesCutTo21() {
        ProgrammingTables t = cleared(B);
        t.reports[3].name = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        t.totalizers[4].name = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
        t.totalizers[4].direction = QStringLiteral("   S");
        const QByteArray file = writeC2k(B, t);
        QCOMPARE(file.mid(864 + 22 * 3, 22), QByteArray("ABCDEFGHIJKLMNOPQRSTU;"));
        QCOMPARE(file.mid(1217 + 23 * 4, 23), QByteArray("Sabcdefghijklmnopqrstu;"));
    }

    void refusals_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<int>("headerLength");
        QTest::addColumn<bool>("written");
        QTest::newRow("255 characters") << uint(B) << 255 << true;
        QTest::newRow("256 characters") << uint(B) << 256 << false;
        QTest::newRow("1023 characters, model A") << uint(A) << 1023 << false;
        QTest::newRow("no model") << 0u << 0 << false;
        QTest::newRow("unknown model") << 3u << 0 << false;
    }
    void refusals() {
        QFETCH(uint, model);
        QFETCH(int, headerLength);
        QFETCH(bool, written);
        ProgrammingTables t = cleared(model);
        t.header = QByteArray(headerLength, 'h');
        QString message;
        const QByteArray file = writeC2k(model, t, &message);
        QCOMPARE(!file.isEmpty(), written);
        QCOMPARE(message.isEmpty(), written);
        if (written)
            QCOMPARE(file.mid(1672), t.header);
    }

    // Import: packing, cuts and cells rebuilt from a file written by the tool.
    void importModelB() {
        ProgrammingTables source = sample(B);
        source.payments[5] = {QStringLiteral(" FP10"), QStringLiteral("Vinte e um caracteres"),
                              QStringLiteral("    N")};
        const C2kReadResult r = readC2k(writeC2k(B, source), B, false);
        QCOMPARE(r.status, C2kReadStatus::Loaded);
        QVERIFY(!r.oldFormat);
        const ProgrammingTables &t = r.tables;
        QCOMPARE(t.payments.size(), 32);
        QCOMPARE(t.payments[0].number, QStringLiteral(" FP01"));
        QCOMPARE(t.payments[0].description, QStringLiteral("Dinheiro             "));
        QCOMPARE(t.payments[1].number, QStringLiteral(" FP03"));
        QCOMPARE(t.payments[1].description, QStringLiteral("Cheque               "));
        QCOMPARE(t.payments[2].number, QStringLiteral(" FP10"));
        QCOMPARE(t.payments[2].description, QStringLiteral("Vinte e um caracteres"));
        QCOMPARE(t.payments[3].number, QStringLiteral(" FP52"));
        QCOMPARE(t.payments[3].description, QStringLiteral("Cartão Crédito       "));
        for (int row = 4; row < 32; ++row)
            QVERIFY(t.payments[row].number.isEmpty());
        QCOMPARE(t.taxRates[0].rate, QStringLiteral("18,00%"));
        QCOMPARE(t.taxRates[0].iss, QStringLiteral("    N"));
        QCOMPARE(t.taxRates[1].rate, QStringLiteral("05,00%"));
        QCOMPARE(t.taxRates[1].iss, QStringLiteral("    S"));
        QCOMPARE(t.taxRates[2].rate, QStringLiteral("//,//%"));
        QCOMPARE(t.taxRates[15].code, QStringLiteral("    TP"));
        QCOMPARE(t.reports[15].name, QStringLiteral("Relatório de vendas! "));
        QCOMPARE(t.reports[15].number, QStringLiteral("   RG16"));
        QCOMPARE(t.totalizers[1].name, QStringLiteral("Sangria              "));
        QCOMPARE(t.totalizers[1].direction, QStringLiteral("   S"));
        QCOMPARE(t.totalizers[2].direction, QStringLiteral("   E"));
        QCOMPARE(std::memcmp(t.options.bytes, source.options.bytes, 70), 0);
        QCOMPARE(t.controls, optionControlsFromBlock(source.options));
        QCOMPARE(t.header, source.header);
    }

    void importModelA() {
        ProgrammingTables source = sample(A);
        source.reports[0].name = QStringLiteral("Nome de relatório longo");
        source.totalizers[0].name = QStringLiteral("Suprimento de caixa 1");
        const C2kReadResult r = readC2k(writeC2k(A, source), A, false);
        QCOMPARE(r.status, C2kReadStatus::Loaded);
        const ProgrammingTables &t = r.tables;
        QCOMPARE(t.payments.size(), 16);
        QCOMPARE(t.payments[0].description, QStringLiteral("Dinheiro         "));
        QCOMPARE(t.payments[1].number, QStringLiteral(" FP02"));
        QCOMPARE(t.payments[1].description, QStringLiteral("Cheque           "));
        QCOMPARE(t.payments[1].linked, QStringLiteral("    V"));
        QCOMPARE(t.payments[2].number, QStringLiteral(" FP05"));
        QCOMPARE(t.payments[2].linked, QStringLiteral("    N"));
        QCOMPARE(t.payments[3].number, QStringLiteral(" FP04")); // as cleared
        QCOMPARE(t.payments[3].description, QString());
        QCOMPARE(t.reports[0].name, QStringLiteral("Nome de relatór"));
        QCOMPARE(t.totalizers[0].name, QStringLiteral("Suprimento de c"));
        QCOMPARE(t.totalizers[1].name, QStringLiteral("Sangria        "));
    }

    // Saving the tables that an import produced and importing them again gives the same
    // tables, although model A's packed rows sit beside numbered empty rows (one of them with
    // the number of a packed method). Model B gives the same bytes too.
    void saveOfImportIsStable_data() {
        QTest::addColumn<uint>("model");
        QTest::newRow("model B") << uint(B);
        QTest::newRow("model A") << uint(A);
    }
    void saveOfImportIsStable() {
        QFETCH(uint, model);
        const QByteArray first = writeC2k(model, sample(model));
        const C2kReadResult r = readC2k(first, model, false);
        QCOMPARE(r.status, C2kReadStatus::Loaded);
        const QByteArray second = writeC2k(model, r.tables);
        const C2kReadResult again = readC2k(second, model, false);
        QCOMPARE(again.status, C2kReadStatus::Loaded);
        QVERIFY(again.tables == r.tables);
        QCOMPARE(slotAt(second, 5), slotAt(first, 5));
        if (model == B)
            QCOMPARE(second, first);
    }

    void wrongModel_data() {
        QTest::addColumn<uint>("fileModel");
        QTest::addColumn<uint>("selected");
        QTest::addColumn<bool>("old");
        QTest::newRow("A file, B selected") << uint(A) << uint(B) << false;
        QTest::newRow("B file, A selected") << uint(B) << uint(A) << false;
        QTest::newRow("B file, none selected") << uint(B) << 0u << false;
        QTest::newRow("old B file, A selected") << uint(B) << uint(A) << true;
    }
    void wrongModel() {
        QFETCH(uint, fileModel);
        QFETCH(uint, selected);
        QFETCH(bool, old);
        ProgrammingTables working = sample(B == selected ? B : A);
        const ProgrammingTables before = working;
        const QByteArray file =
            old ? oldFile(fileModel, SampleRtf) : writeC2k(fileModel, sample(fileModel));
        const C2kReadResult r = importC2k(working, file, selected, true);
        QCOMPARE(r.status, C2kReadStatus::WrongModel);
        QCOMPARE(r.message, QStringLiteral("O modelo da impressora especificado no arquivo\r\n"
                                           "é diferente do modelo da impressora em uso!\r\n"));
        QCOMPARE(r.caption, QStringLiteral("Erro"));
        QVERIFY(working == before);
    }

    // Every prefix of a valid file is refused and leaves the working copy as it was.
    void truncatedFiles_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<bool>("old");
        QTest::newRow("current B") << uint(B) << false;
        QTest::newRow("current A") << uint(A) << false;
        QTest::newRow("old B") << uint(B) << true;
        QTest::newRow("old A") << uint(A) << true;
    }
    void truncatedFiles() {
        QFETCH(uint, model);
        QFETCH(bool, old);
        const QByteArray file =
            old ? oldFile(model, SampleRtf + QByteArray(1, '\0')) : writeC2k(model, sample(model));
        ProgrammingTables working = sample(model);
        working.header = "before";
        const ProgrammingTables before = working;
        for (qsizetype size = 0; size < file.size(); ++size) {
            const QByteArray prefix = file.left(size);
            const C2kReadResult r = importC2k(working, prefix, model, true);
            // An old file's RTF may end with the data once its groups are closed.
            if (old && size >= C2k::OldHeaderOffset + SampleRtf.size()) {
                QCOMPARE(r.status, C2kReadStatus::Loaded);
                working = before;
                continue;
            }
            QVERIFY2(r.status == C2kReadStatus::Malformed, qPrintable(QString::number(size)));
            QCOMPARE(r.message, QStringLiteral("Arquivo de configuração inválido ou incompleto!"));
            QVERIFY2(working == before, qPrintable(QString::number(size)));
            // Asked without the conversion, a short old file is still malformed first.
            QCOMPARE(readC2k(prefix, model, false).status, C2kReadStatus::Malformed);
        }
        QCOMPARE(importC2k(working, file, model, true).status, C2kReadStatus::Loaded);
    }

    void headerLengthPastEnd_data() {
        QTest::addColumn<quint32>("length");
        QTest::addColumn<int>("extra"); // header bytes present
        QTest::addColumn<bool>("loaded");
        QTest::newRow("exact") << quint32(10) << 10 << true;
        QTest::newRow("trailing bytes ignored") << quint32(4) << 10 << true;
        QTest::newRow("one past") << quint32(11) << 10 << false;
        QTest::newRow("2^31") << quint32(0x80000000u) << 10 << false;
        QTest::newRow("2^32 - 1") << quint32(0xFFFFFFFFu) << 10 << false;
        QTest::newRow("2^32 - 1672") << quint32(0xFFFFFFFFu - 1671) << 0 << false;
    }
    void headerLengthPastEnd() {
        QFETCH(quint32, length);
        QFETCH(int, extra);
        QFETCH(bool, loaded);
        QByteArray file = writeC2k(B, cleared(B)) + QByteArray(extra, 'x');
        for (int i = 0; i < 4; ++i)
            file[1668 + i] = char((length >> (8 * i)) & 0xFF);
        const C2kReadResult r = readC2k(file, B, false);
        QCOMPARE(r.status == C2kReadStatus::Loaded, loaded);
        if (loaded)
            QCOMPARE(r.tables.header, QByteArray(int(length), 'x'));
    }

    void versions_data() {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("oldLayout");
        QTest::addColumn<int>("status");
        QTest::newRow("02.00") << QByteArray("02.00") << false << int(C2kReadStatus::Loaded);
        QTest::newRow("03.10") << QByteArray("03.10") << false << int(C2kReadStatus::Loaded);
        QTest::newRow("00.50") << QByteArray("00.50") << true
                               << int(C2kReadStatus::NeedsConversion);
        QTest::newRow("01.99") << QByteArray("01.99") << true
                               << int(C2kReadStatus::NeedsConversion);
        QTest::newRow("comma") << QByteArray("00,50") << true
                               << int(C2kReadStatus::NeedsConversion);
        QTest::newRow("letters") << QByteArray("V.0.5") << false << int(C2kReadStatus::Malformed);
        QTest::newRow("blank") << QByteArray("     ") << false << int(C2kReadStatus::Malformed);
    }
    void versions() {
        QFETCH(QByteArray, version);
        QFETCH(bool, oldLayout);
        QFETCH(int, status);
        QByteArray file = oldLayout ? oldFile(B, SampleRtf) : writeC2k(B, cleared(B));
        file.replace(0, 5, version);
        const C2kReadResult r = readC2k(file, B, false);
        QCOMPARE(int(r.status), status);
        if (r.status == C2kReadStatus::NeedsConversion) {
            QCOMPARE(r.message, QStringLiteral("Deseja converter arquivo da V.0.50 para o\r\n"
                                               "novo formato da V.1.00?"));
            QCOMPARE(r.caption, QStringLiteral("Aviso"));
        }
    }

    void oldFileConverts() {
        const QByteArray file = oldFile(A, SampleRtf + QByteArray("\0garbage after", 14));
        ProgrammingTables working = cleared(A);
        const ProgrammingTables before = working;
        C2kReadResult r = importC2k(working, file, A, false);
        QCOMPARE(r.status, C2kReadStatus::NeedsConversion); // the user answers No
        QVERIFY(working == before);

        r = importC2k(working, file, A, true);
        QCOMPARE(r.status, C2kReadStatus::Loaded);
        QVERIFY(r.oldFormat);
        QVERIFY(!r.headerCut);
        QCOMPARE(working.header, SampleTagged);
        QCOMPARE(working.payments[1].description, QStringLiteral("Cheque           "));
        QCOMPARE(working.taxRates[0].rate, QStringLiteral("18,00%"));

        // Saved again it is a current file with the same content.
        const QByteArray current = writeC2k(A, working);
        QCOMPARE(current.left(5), QByteArray("02.00"));
        QCOMPARE(current.mid(5, 122), file.mid(5, 122));     // model, name, tax rates
        QCOMPARE(current.mid(863, 804), file.mid(863, 804)); // reports to options
        QCOMPARE(current.mid(1672), SampleTagged);
        const C2kReadResult again = readC2k(current, A, false);
        QCOMPARE(again.status, C2kReadStatus::Loaded);
        QVERIFY(again.tables == working);
    }

    void oldHeaderCutAt1023() {
        const QByteArray rtf = "{\\rtf1 " + QByteArray(1500, 'a') + "}";
        const C2kReadResult r = readC2k(oldFile(B, rtf), B, true);
        QCOMPARE(r.status, C2kReadStatus::Loaded);
        QVERIFY(r.headerCut);
        QCOMPARE(r.tables.header, QByteArray(1023, 'a'));
        // Too long to be saved as it is: the save refuses instead of cutting again.
        QString message;
        QVERIFY(writeC2k(B, r.tables, &message).isEmpty());
        QVERIFY(message.contains(QStringLiteral("1023")));
    }
};

QTEST_GUILESS_MAIN(TestC2kFile)
#include "test_c2k_file.moc"
