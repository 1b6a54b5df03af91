// The configuration file (.c2k): its layout as Save writes it, Import's reading of it for each
// model, old files with their RTF header, and the files and saves that are refused.
#include "link/codepage.h"
#include "programming/c2k_file.h"
#include "send_data_fixture.h"
#include "support/programming_maintenance_tables.h"
#include "support/test_main.h"

#include <QtTest>

#include <cstring>

using fixture::columns;

namespace {

constexpr uint B = ModelB;
constexpr uint A = ModelA;

QByteArray pad(const QByteArray &text, int width) {
    return text.leftJustified(width, ' ', true);
}
QByteArray le32(quint32 n) {
    return QByteArray(reinterpret_cast<const char *>(&n), 4); // the test hosts are little-endian
}
ProgrammingTables cleared(uint model) {
    ProgrammingTables tables;
    clearAll(tables, model, 1.22);
    return tables;
}
// The file with bytes written over it at each "offset:bytes" patch.
QByteArray patched(QByteArray file, const QByteArrayList &patches) {
    for (const QByteArray &p : patches)
        file.replace(p.left(p.indexOf(':')).toInt(), p.size() - p.indexOf(':') - 1,
                     p.mid(p.indexOf(':') + 1));
    return file;
}
// An old file: the current layout up to offset 1666, seven bytes the reader skips, the RTF.
QByteArray oldFile(uint model, const QByteArray &rtf) {
    QByteArray file = writeC2k(model, fixture::sampleTables(model)).left(1667);
    return file.replace(0, 5, "00.50") + QByteArray("\x3a\x07\0\0\0\1\2\3", 8) + rtf;
}
const QByteArray Rtf = "{\\rtf1{\\fonttbl{\\f0\\fnil\\fcharset0 Korvel Exp;}{\\f1\\fnil\\fcharset0 "
                       "Courier New;}}\r\n{\\info{\\title T}}\\f0 A\\f1 B\\par\\b Total\\b0\\par}";
const QByteArray RtfTagged = "<W>A</W>B\r\n<N>Total</N>\r\n";

} // namespace

class C2kFileTest : public QObject {
    Q_OBJECT
private slots:
    // Saving right after "Limpar Todos": every section, byte for byte.
    void clearedFile_data() {
        columns<uint, QByteArray, QByteArray>({"model", "name", "slot"});
        QTest::newRow("MV4700") << B << QByteArray("MV4700") << QByteArray(22, ' ');
        QTest::newRow("MV210") << A << QByteArray("MV210") << pad("N", 22); // rows keep numbers
    }
    void clearedFile() {
        QFETCH(uint, model);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, slot);
        QCOMPARE(writeC2k(model, cleared(model)),
                 "02.00" + le32(model) + pad(name, 20) + ':' + QByteArray("N////;").repeated(16) +
                     ':' + pad("NDinheiro", 22) + ';' + (slot + ';').repeated(15) +
                     (pad("", 22) + ';').repeated(16) + ':' + (pad("", 21) + ';').repeated(16) +
                     ':' + (pad("E", 22) + ';').repeated(16) +
                     ":0000000000:" + QByteArray(70, '\0') + ':' + le32(0));
    }

    // The record of the seventh entry, from the cells as the grids hold them; and the saves
    // that are refused (header beyond 255 characters, no model).
    void records_data() {
        columns<uint, QString, QString, QString, QByteArray>(
            {"model", "kind", "text", "flag", "record"});
        auto row = [](const char *kind, const char *text, const char *flag, const char *record,
                      uint model = B) {
            QTest::addRow("%s %s", kind, record)
                << model << kind << text << flag << QByteArray(record);
        };
        // clang-format off
        row("rate", "18,00%", "    N", "N1800;");
        row("rate", "05,25%", "    S", "S0525;");
        row("rate", "//,//%", "    N", "N////;");
        row("rate", "5 ,  %", "    N", "N5000;");
        row("rate", "1 ,5 %", "    S", "S1050;");
        row("rate", "7", "", "N7000;");
        row("report", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "", "ABCDEFGHIJKLMNOPQRSTU;");
        row("totalizer", "abcdefghijklmnopqrstuvwxyz", "   S", "Sabcdefghijklmnopqrstu;");
        row("totalizer", "Caixa", "   E", "ECaixa                ;");
        row("header", "255", "", "");
        row("header", "256", "O Clichê tem 256 caracteres e o arquivo de configuração guarda no máximo 255.\r\nReduza o texto do Clichê antes de salvar.", "");
        row("header", "0", "Nenhum modelo de impressora selecionado!", "", 3);
        row("header", "0", "Nenhum modelo de impressora selecionado!", "", 0);
        // clang-format on
    }
    void records() {
        QFETCH(uint, model);
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, flag);
        ProgrammingTables t = cleared(model);
        int at = C2k::TotalizersOffset + 6 * C2k::TotalizerRecordSize;
        if (kind == "rate")
            t.taxRates[6] = {taxCodeText(7), text, flag}, at = C2k::TaxRatesOffset + 36;
        else if (kind == "report")
            t.reports[6].name = text, at = C2k::ReportsOffset + 6 * C2k::ReportRecordSize;
        else if (kind == "totalizer")
            t.totalizers[6] = {totalizerNumberText(7), text, flag};
        else
            t.header = QByteArray(text.toInt(), 'h'), at = C2k::HeaderOffset;
        QString refusal;
        const QByteArray file = writeC2k(model, t, &refusal);
        QFETCH(QByteArray, record);
        QCOMPARE(refusal, kind == "header" ? flag : QString());
        if (kind == "header")
            QCOMPARE(file.mid(at), flag.isEmpty() ? t.header : QByteArray());
        else
            QCOMPARE(file.mid(at, record.size()), record);
    }

    // Which grid rows ("number|description|V/N") reach which slots ("slot=record"; every other
    // slot is 22 spaces).
    void paymentSlots_data() {
        columns<uint, QStringList, QStringList>({"model", "rows", "filled"});
        auto row = [](const char *name, uint model, QStringList rows, QStringList filled) {
            QTest::newRow(name) << model << QStringList{" FP01|Dinheiro|    N"} + rows
                                << QStringList{"1=NDinheiro"} + filled;
        };
        // clang-format off
        row("B 03 and 52 in any order", B, {" FP52|Cartão", " FP03|Cheque"}, {"3=NCheque", "18=VCartão"});
        row("B ends of both ranges", B, {" FP16|a", " FP51|b", " FP66|c"}, {"16=Na", "17=Vb", "32=Vc"});
        row("B numbers outside", B, {" FP17|a", " FP50|b", " FP67|c", " FP00|d"}, {});
        row("B no number", B, {" FPxx|a", "03|b", " FP|c", "|d"}, {});
        row("B 21 characters", B, {" FP04|1234567890123456789012"}, {"4=N123456789012345678901"});
        row("B later row wins", B, {" FP05|Primeiro", " FP05|Segundo"}, {"5=NSegundo"});
        row("B empty row keeps", B, {" FP05|Primeiro", " FP05|"}, {"5=NPrimeiro"});
        row("B V/N cell ignored", B, {" FP06|Vale|    V"}, {"6=NVale"});
        row("A 17 characters", A, {" FP02|123456789012345678901|    V"}, {"2=V12345678901234567"});
        row("A flags", A, {" FP03|Ticket|    N", " FP04|Vale|"}, {"3=NTicket", "4=NVale"});
        row("A numbers outside", A, {" FP17|a|    V", " FP51|b|    V"}, {});
        row("A packed beside numbered", A, {" FP05|Ticket|    V", " FP03||    N", " FP05||    N"}, {"3=N", "5=VTicket"});
        // clang-format on
    }
    void paymentSlots() {
        QFETCH(uint, model);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, filled);
        ProgrammingTables t = cleared(model);
        t.payments.clear();
        for (const QString &row : rows)
            t.payments.append(
                {row.section(u'|', 0, 0), row.section(u'|', 1, 1), row.section(u'|', 2)});
        QByteArray expected = (QByteArray(22, ' ') + ';').repeated(32);
        for (const QString &s : filled)
            expected.replace(s.section(u'=', 0, 0).toInt() * 23 - 23, 22,
                             pad(Codepage::toWindows1252(s.section(u'=', 1)), 22));
        QCOMPARE(writeC2k(model, t).mid(C2k::PaymentsOffset, 32 * 23), expected);
    }

    // Import of a cleared file with "offset:bytes" written over it: the cells that differ.
    void reading_data() {
        columns<uint, QByteArrayList, QStringList>({"model", "patches", "shown"});
        const QString cash = QStringLiteral(" FP01 Dinheiro    N");
        // clang-format off
        QTest::newRow("B rates") << B << QByteArrayList{"30:S0525", "36:N1800"} << QStringList{"T1 05,25%    S", "T2 18,00%    N", cash};
        QTest::newRow("B methods in slot order, flag not read") << B << QByteArrayList{"518:VCartao", "173:VCheque"}
                                                                << QStringList{cash, " FP03 Cheque    N", " FP52 Cartao    N"};
        QTest::newRow("A 17 characters, flags") << A << QByteArrayList{"150:V12345678901234567890", "219:NTicket"}
                                                << QStringList{cash, " FP02 12345678901234567    V", " FP05 Ticket    N"};
        QTest::newRow("B names of 21") << B << QByteArrayList{"864:Conferencia de Caixa!", "1217:SSangria"}
                                       << QStringList{"R1 Conferencia de Caixa!", "N1 Sangria   S", cash};
        QTest::newRow("options, header") << B << QByteArrayList{"1597:10X0110183106", "1668:\3\0\0\0", "1672:a\r\n"}
                                         << QStringList{cash, "H a\r\n"};
        QTest::newRow("A names cut to 15") << A << QByteArrayList{"864:Nome de relatorio", "1217:SSuprimento de caixa"}
                                           << QStringList{"R1 Nome de relator", "N1 Suprimento de c   S", cash};
        // clang-format on
    }
    void reading() {
        QFETCH(uint, model);
        QFETCH(QByteArrayList, patches);
        const C2kReadResult r =
            readC2k(patched(writeC2k(model, cleared(model)), patches), model, false);
        QCOMPARE(r.status, C2kReadStatus::Loaded);
        QTEST(fixture::cells(r.tables), "shown");
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(r.tables.options.bytes), 70),
                 patched(writeC2k(model, cleared(model)), patches).mid(C2k::OptionsOffset, 70));
        QCOMPARE(r.tables.controls, optionControlsFromBlock(r.tables.options));
    }

    // Files refused at import, or not what they seem; a refused one leaves the copy untouched.
    void refusedFiles_data() {
        columns<QByteArray, uint, bool, int, QString>(
            {"file", "selected", "convert", "status", "message"});
        const QByteArray fileB = writeC2k(B, cleared(B)), old = oldFile(B, Rtf);
        const QString wrong =
            "O modelo da impressora especificado no arquivo\r\né diferente do modelo da "
            "impressora em uso!\r\n";
        const QString ask = "Deseja converter arquivo da V.0.50 para o\r\nnovo formato da V.1.00?";
        const int Loaded = int(C2kReadStatus::Loaded), Bad = int(C2kReadStatus::Malformed);
        const int Old = int(C2kReadStatus::NeedsConversion), Wrong = int(C2kReadStatus::WrongModel);
        const QString &bad = C2kText::Malformed;
        // clang-format off
        QTest::newRow("A file, B chosen") << writeC2k(A, cleared(A)) << B << false << Wrong << wrong;
        QTest::newRow("B file, none chosen") << fileB << 0u << true << Wrong << wrong;
        QTest::newRow("old B file, A chosen") << old << A << true << Wrong << wrong;
        QTest::newRow("old file") << old << B << false << Old << ask;
        QTest::newRow("01.99") << patched(old, {"0:01.99"}) << B << false << Old << ask;
        QTest::newRow("00,50") << patched(old, {"0:00,50"}) << B << false << Old << ask;
        QTest::newRow("03.10") << patched(fileB, {"0:03.10"}) << B << false << Loaded << QString();
        QTest::newRow("letters") << patched(fileB, {"0:V.0.5"}) << B << false << Bad << bad;
        QTest::newRow("bytes after the header") << fileB + "x" << B << false << Loaded << QString();
        QTest::newRow("length one past") << patched(fileB + "x", {"1668:" + le32(2)}) << B << false << Bad << bad;
        QTest::newRow("length 2^32-1") << patched(fileB, {"1668:" + le32(~0u)}) << B << false << Bad << bad;
        QTest::newRow("cut before the length") << fileB.left(1671) << B << false << Bad << bad;
        QTest::newRow("empty") << QByteArray() << B << false << Bad << bad;
        QTest::newRow("old, cut in the RTF") << old.left(1690) << B << true << Bad << bad;
        QTest::newRow("old, cut before the RTF") << old.left(1674) << B << true << Bad << bad;
        // clang-format on
    }
    void refusedFiles() {
        QFETCH(QByteArray, file);
        QFETCH(uint, selected);
        QFETCH(bool, convert);
        ProgrammingTables working = fixture::sampleTables(B);
        const ProgrammingTables before = working;
        const C2kReadResult r = importC2k(working, file, selected, convert);
        QTEST(int(r.status), "status");
        QTEST(r.message, "message");
        const bool loaded = r.status == C2kReadStatus::Loaded;
        const bool asked = r.status == C2kReadStatus::NeedsConversion;
        QCOMPARE(r.caption, QString(loaded ? "" : asked ? "Aviso" : "Erro"));
        QCOMPARE(working == before, !loaded);
    }

    // An old file converts on request: its RTF header becomes tagged text (cut at 1023
    // characters, which the save then refuses rather than cut again), the rest as it was.
    void oldFileConverts() {
        C2kReadResult r = readC2k(oldFile(A, Rtf + QByteArray("\0garbage", 8)), A, true);
        QVERIFY(r.status == C2kReadStatus::Loaded && r.oldFormat && !r.headerCut);
        QCOMPARE(r.tables.header, RtfTagged);
        const QByteArray current = writeC2k(A, r.tables);
        const ProgrammingTables same =
            readC2k(writeC2k(A, fixture::sampleTables(A)), A, false).tables;
        QCOMPARE(current.left(1667), writeC2k(A, same).left(1667));
        QCOMPARE(current.mid(C2k::HeaderOffset), RtfTagged);

        r = readC2k(oldFile(B, "{\\rtf1 " + QByteArray(1500, 'a') + "}"), B, true);
        QVERIFY(r.headerCut);
        QCOMPARE(r.tables.header, QByteArray(1023, 'a'));
        QString message;
        QVERIFY(writeC2k(B, r.tables, &message).isEmpty());
        QCOMPARE(message, C2kText::headerTooLong(1023));
    }
};

TOOL_TEST_CLASS(C2kFileTest)
#include "test_c2k_file.moc"
