// The configuration file (.c2k): its layout as Save writes it, Import's reading of it for each
// model, old files with their RTF header, and the files and saves that are refused.
#include "link/codepage.h"
#include "programming/c2k_file.h"
#include "send_data_fixture.h"
#include "support/programming_maintenance_tables.h"
#include "support/test_main.h"

#include <QtTest>

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
    return fixture::tablesWith(model, {});
}
// The file with each "<record>=<bytes>" written over it: "V" the version, "T<k>" tax rate k,
// "S<s>" payment slot s, "R<k>" report k, "N<k>" totalizer k, "O" the options block, "L" the
// header length (a number), "H" the header.
QByteArray patched(QByteArray file, const QStringList &patches) {
    for (const QString &patch : patches) {
        const QString record = patch.section(u'=', 0, 0);
        const int k = record.mid(1).toInt() - 1;
        const int i = QStringLiteral("VTSRNOLH").indexOf(record[0]);
        // clang-format off
        const int at = QList<int>{0, C2k::TaxRatesOffset + 6 * k, C2k::PaymentsOffset + 23 * k,
                                  C2k::ReportsOffset + 22 * k, C2k::TotalizersOffset + 23 * k,
                                  C2k::OptionsOffset, C2k::HeaderLengthOffset, C2k::HeaderOffset}[i];
        // clang-format on
        const QString value = patch.section(u'=', 1);
        const QByteArray bytes =
            record == "L" ? le32(value.toUInt()) : Codepage::toWindows1252(value);
        file = file.left(at) + bytes + file.mid(at + bytes.size());
    }
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

    // Save from the cells as the grids hold them: the records that differ from the cleared
    // file, or the refusal (a header beyond 255 characters, no model).
    void write_data() {
        columns<uint, QStringList, QStringList, QString>({"model", "cells", "records", "refusal"});
        auto row = [](const char *name, uint model, QStringList cells, QStringList records,
                      const QString &refusal = {}) {
            QTest::newRow(name) << model << cells << records << refusal;
        };
        const QString noModel = "Nenhum modelo de impressora selecionado!";
        // clang-format off
        row("rate", B, {"T7=18,00%|    N", "T8=05,25%|    S", "T9=//,//%|    N"}, {"T7=N1800", "T8=S0525"});
        row("rate half typed", B, {"T7=5 ,  %|    N", "T8=1 ,5 %|    S", "T9=7"},
            {"T7=N5000", "T8=S1050", "T9=N7000"});
        row("names cut to 21", B, {"R7=ABCDEFGHIJKLMNOPQRSTUVWXYZ", "N7=abcdefghijklmnopqrstuvwxyz|   S"},
            {"R7=ABCDEFGHIJKLMNOPQRSTU", "N7=Sabcdefghijklmnopqrstu"});
        row("B 03 and 52 in any order", B, {"P2= FP52|Cartão", "P3= FP03|Cheque"},
            {"S3=NCheque", "S18=VCartão"});
        row("B ends of both ranges", B, {"P2= FP16|a", "P3= FP51|b", "P4= FP66|c"},
            {"S16=Na", "S17=Vb", "S32=Vc"});
        row("B numbers outside", B, {"P2= FP17|a", "P3= FP50|b", "P4= FP67|c", "P5= FP00|d"}, {});
        row("B no number", B, {"P2= FPxx|a", "P3=03|b", "P4= FP|c", "P5=|d"}, {});
        row("B 21 characters", B, {"P2= FP04|1234567890123456789012"}, {"S4=N123456789012345678901"});
        row("B later row wins", B, {"P2= FP05|Primeiro", "P3= FP05|Segundo"}, {"S5=NSegundo"});
        row("B empty row keeps", B, {"P2= FP05|Primeiro", "P3= FP05|"}, {"S5=NPrimeiro"});
        row("B V/N cell ignored", B, {"P2= FP06|Vale|    V"}, {"S6=NVale"});
        row("A 17 characters", A, {"P2= FP02|123456789012345678901|    V"}, {"S2=V12345678901234567"});
        row("A flags", A, {"P3= FP03|Ticket|    N", "P4= FP04|Vale|"}, {"S3=NTicket", "S4=NVale"});
        row("A numbers outside", A, {"P2= FP17|a|    V", "P3= FP51|b|    V"}, {"S2= ", "S3= "});
        row("A packed beside numbered", A, {"P2= FP05|Ticket|    V"}, {"S2= ", "S5=VTicket"});
        row("header of 255", B, {"H=255"}, {"L=255", "H=" + QString(255, u'h')});
        row("header of 256", B, {"H=256"}, {}, C2kText::headerTooLong(256));
        row("no model", 0, {}, {}, noModel);
        row("unknown model", 3, {}, {}, noModel);
        // clang-format on
    }
    void write() {
        QFETCH(uint, model);
        QFETCH(QStringList, cells);
        QFETCH(QStringList, records);
        QString refusal;
        const QByteArray file = writeC2k(model, fixture::tablesWith(model, cells), &refusal);
        QTEST(refusal, "refusal");
        QCOMPARE(file, refusal.isEmpty() ? patched(writeC2k(model, cleared(model)), records) : "");
    }

    // Import of a cleared file with records written over it: the cells that differ, the
    // options block as it is and the option controls set from it.
    void reading_data() {
        columns<uint, QStringList, QStringList>({"model", "records", "shown"});
        const QString cash = QStringLiteral(" FP01 Dinheiro    N");
        // clang-format off
        auto row = [](const char *name, uint model, const QStringList &records,
                      const QStringList &shown) { QTest::newRow(name) << model << records << shown; };
        row("B rates", B, {"T1=S0525", "T2=N1800"}, {"T1 05,25%    S", "T2 18,00%    N", cash});
        row("B methods in slot order, flag not read", B, {"S18=VCartao", "S3=VCheque"},
            {cash, " FP03 Cheque    N", " FP52 Cartao    N"});
        row("A 17 characters, flags", A, {"S2=V12345678901234567890", "S5=NTicket"},
            {cash, " FP02 12345678901234567    V", " FP05 Ticket    N"});
        row("B names of 21", B, {"R1=Conferencia de Caixa!", "N1=SSangria"},
            {"R1 Conferencia de Caixa!", "N1 Sangria   S", cash});
        row("A names cut to 15", A, {"R1=Nome de relatorio", "N1=SSuprimento de caixa"},
            {"R1 Nome de relator", "N1 Suprimento de c   S", cash});
        row("options, header", B, {"O=10X0110183106", "L=3", "H=a\r\n"}, {cash, "H a\r\n"});
        // clang-format on
    }
    void reading() {
        QFETCH(uint, model);
        QFETCH(QStringList, records);
        const QByteArray file = patched(writeC2k(model, cleared(model)), records);
        const C2kReadResult r = readC2k(file, model, false);
        QCOMPARE(r.status, C2kReadStatus::Loaded);
        QTEST(fixture::cells(r.tables), "shown");
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(r.tables.options.bytes), 70),
                 file.mid(C2k::OptionsOffset, 70));
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
        auto row = [](const char *name, const QByteArray &file, uint selected, bool convert,
                      int status, const QString &message) {
            QTest::newRow(name) << file << selected << convert << status << message;
        };
        row("A file, B chosen", writeC2k(A, cleared(A)), B, false, Wrong, wrong);
        row("old B file, A chosen", old, A, true, Wrong, wrong);
        row("old file", old, B, false, Old, ask);
        row("01.99", patched(old, {"V=01.99"}), B, false, Old, ask);
        row("00,50", patched(old, {"V=00,50"}), B, false, Old, ask);
        row("03.10", patched(fileB, {"V=03.10"}), B, false, Loaded, "");
        row("letters", patched(fileB, {"V=V.0.5"}), B, false, Bad, bad);
        row("bytes after the header", fileB + "x", B, false, Loaded, "");
        row("length one past", patched(fileB + "x", {"L=2"}), B, false, Bad, bad);
        row("length 2^32-1", patched(fileB, {"L=4294967295"}), B, false, Bad, bad);
        row("empty", {}, B, false, Bad, bad);
        row("old, cut in the RTF", old.left(1690), B, true, Bad, bad);
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
        const ProgrammingTables same =
            readC2k(writeC2k(A, fixture::sampleTables(A)), A, false).tables;
        QCOMPARE(writeC2k(A, r.tables), writeC2k(A, same).left(1668) + le32(25) + RtfTagged);

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
