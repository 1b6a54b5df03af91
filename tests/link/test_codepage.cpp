#include "link/codepage.h"

#include <QStringDecoder>
#include <QTest>

#include <vector>

namespace {

constexpr uint32_t ModelB = 1;
constexpr uint32_t ModelA = 2;

enum Direction { Both, ToPrinterOnly, FromPrinterOnly };

QByteArray bytes(std::initializer_list<uint8_t> list) {
    return QByteArray(reinterpret_cast<const char *>(std::data(list)), qsizetype(list.size()));
}

QByteArray convertToPrinter(uint32_t model, const QByteArray &pc) {
    QByteArray out(pc.size(), '\0');
    Codepage::ToPrinterText(model, reinterpret_cast<const uint8_t *>(pc.constData()),
                            reinterpret_cast<uint8_t *>(out.data()), std::size_t(pc.size()));
    return out;
}

QByteArray convertFromPrinter(uint32_t model, const QByteArray &printer, bool raw = false) {
    QByteArray out(printer.size(), '\0');
    out.resize(qsizetype(Codepage::FromPrinterText(
        model, reinterpret_cast<const uint8_t *>(printer.constData()),
        reinterpret_cast<uint8_t *>(out.data()), std::size_t(printer.size()), raw)));
    return out;
}

} // namespace

class TestCodepage : public QObject {
    Q_OBJECT

private slots:
    void modelALetters_data();
    void modelALetters();
    void convert_data();
    void convert();
    void neverEndOfText();
    void cp850MatchesReference();
    void inPlace();
    void countLimit();
    void windows1252Strings();
};

// The 26 accented letters that model A prints, with their CP850 and model A codes.
void TestCodepage::modelALetters_data() {
    QTest::addColumn<QString>("letter");
    QTest::addColumn<int>("cp850");
    QTest::addColumn<int>("modelA");
    const struct {
        const char *letter;
        int cp850, modelA;
    } letters[] = {
        {"Ç", 0x80, 0xA6}, {"ü", 0x81, 0xD9}, {"é", 0x82, 0xC8}, {"â", 0x83, 0xC3},
        {"ç", 0x87, 0xC6}, {"ê", 0x88, 0xC9}, {"É", 0x90, 0xA8}, {"ô", 0x93, 0xD2},
        {"Ü", 0x9A, 0xB9}, {"á", 0xA0, 0xC2}, {"í", 0xA1, 0xCC}, {"ó", 0xA2, 0xD1},
        {"ú", 0xA3, 0xD7}, {"ª", 0xA6, 0xDC}, {"º", 0xA7, 0xDD}, {"Á", 0xB5, 0xA2},
        {"Â", 0xB6, 0xA3}, {"ã", 0xC6, 0xC4}, {"Ã", 0xC7, 0xA4}, {"Ê", 0xD2, 0xA9},
        {"Í", 0xD6, 0xAC}, {"Ó", 0xE0, 0xB1}, {"Ô", 0xE2, 0xB2}, {"õ", 0xE4, 0xD3},
        {"Õ", 0xE5, 0xB3}, {"Ú", 0xE9, 0xB7},
    };
    for (const auto &l : letters)
        QTest::newRow(l.letter) << QString::fromUtf8(l.letter) << l.cp850 << l.modelA;
}

void TestCodepage::modelALetters() {
    QFETCH(QString, letter);
    QFETCH(int, cp850);
    QFETCH(int, modelA);
    const QByteArray pc = Codepage::toWindows1252(letter);
    QCOMPARE(pc.size(), 1);
    QCOMPARE(convertToPrinter(ModelA, pc), bytes({uint8_t(modelA)}));
    QCOMPARE(convertToPrinter(ModelB, pc), bytes({uint8_t(cp850)}));
    QCOMPARE(convertFromPrinter(ModelA, bytes({uint8_t(modelA)})), pc);
    QCOMPARE(convertFromPrinter(ModelA, bytes({uint8_t(cp850)}), true), pc);
    QCOMPARE(convertFromPrinter(ModelB, bytes({uint8_t(cp850)})), pc);
}

void TestCodepage::convert_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<int>("direction");
    QTest::addColumn<bool>("raw");
    QTest::addColumn<QString>("pc");
    QTest::addColumn<QByteArray>("printer");

    const QString acao = QString::fromUtf8("Ação");
    const QString spaces(21, ' ');
    QTest::newRow("Ação A") << uint(ModelA) << int(Both) << false << acao
                            << bytes({0x41, 0xC6, 0xC4, 0x6F});
    QTest::newRow("Ação B") << uint(ModelB) << int(Both) << false << acao
                            << bytes({0x41, 0x87, 0xC6, 0x6F});
    QTest::newRow("Ação no model")
        << 0u << int(Both) << false << acao << bytes({0x41, 0x87, 0xC6, 0x6F});
    QTest::newRow("spaces A") << uint(ModelA) << int(Both) << false << spaces
                              << QByteArray(21, ' ');
    QTest::newRow("spaces B") << uint(ModelB) << int(Both) << false << spaces
                              << QByteArray(21, ' ');
    QTest::newRow("ascii A") << uint(ModelA) << int(Both) << false
                             << QString::fromLatin1("A1 ?~\x01\x1b\x7f")
                             << QByteArray("A1 ?~\x01\x1b\x7f");
    // Missing from CP850: a space on model A, the default character on model B.
    QTest::newRow("euro A") << uint(ModelA) << int(ToPrinterOnly) << false << QString::fromUtf8("€")
                            << bytes({0x20});
    QTest::newRow("euro B") << uint(ModelB) << int(ToPrinterOnly) << false << QString::fromUtf8("€")
                            << QByteArray("?");
    QTest::newRow("C1 0x81 B") << uint(ModelB) << int(ToPrinterOnly) << false
                               << QString(QChar(0x81)) << QByteArray("?");
    // In CP850 but not among model A's letters.
    QTest::newRow("pound A") << uint(ModelA) << int(ToPrinterOnly) << false
                             << QString::fromUtf8("£") << bytes({0x20});
    QTest::newRow("symbols B") << uint(ModelB) << int(Both) << false << QString::fromUtf8("£ß°µ§¿ƒ")
                               << bytes({0x9C, 0xE1, 0xF8, 0xE6, 0xF5, 0xA8, 0x9F});
    // CP850 has the non-breaking space at 0xFF, which ends a printer text.
    QTest::newRow("nbsp B") << uint(ModelB) << int(ToPrinterOnly) << false << QString(QChar(0xA0))
                            << bytes({0x20});
    QTest::newRow("ÿ B") << uint(ModelB) << int(Both) << false << QString::fromUtf8("ÿ")
                         << bytes({0x98});
    // 0x87 is ç in CP850 but no model A code.
    QTest::newRow("0x87 A raw") << uint(ModelA) << int(FromPrinterOnly) << true
                                << QString::fromUtf8("ç") << bytes({0x87});
    QTest::newRow("0x87 A") << uint(ModelA) << int(FromPrinterOnly) << false << QStringLiteral(" ")
                            << bytes({0x87});
    QTest::newRow("box drawing B") << uint(ModelB) << int(FromPrinterOnly) << false
                                   << QStringLiteral("???") << bytes({0xB0, 0xC4, 0xFE});
}

void TestCodepage::convert() {
    QFETCH(uint, model);
    QFETCH(int, direction);
    QFETCH(bool, raw);
    QFETCH(QString, pc);
    QFETCH(QByteArray, printer);
    if (direction != FromPrinterOnly)
        QCOMPARE(convertToPrinter(model, Codepage::toWindows1252(pc)), printer);
    if (direction != ToPrinterOnly)
        QCOMPARE(Codepage::fromWindows1252(convertFromPrinter(model, printer, raw)), pc);
}

void TestCodepage::neverEndOfText() {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    for (uint32_t model : {0u, ModelB, ModelA}) {
        const QByteArray out = convertToPrinter(model, all);
        QCOMPARE(out.size(), 256);
        QVERIFY2(!out.contains('\xFF'), qPrintable(QString("model %1").arg(model)));
    }
}

// The code page tables against the system's, where Qt has them.
void TestCodepage::cp850MatchesReference() {
    QStringDecoder cp850("IBM850"), ansi("windows-1252");
    if (!cp850.isValid() || !ansi.isValid())
        QSKIP("no IBM850 or windows-1252 converter in this Qt build");
    QHash<char16_t, int> ansiByte;
    for (int b = 0; b < 256; ++b)
        ansiByte.insert(QString(ansi(QByteArray(1, char(b)))).at(0).unicode(), b);
    for (int b = 0x80; b < 0x100; ++b) {
        const char16_t code = QString(cp850(QByteArray(1, char(b)))).at(0).unicode();
        const QByteArray pc(1, char(ansiByte.value(code, '?')));
        QCOMPARE(convertFromPrinter(ModelB, QByteArray(1, char(b))), pc);
        if (pc != "?" && b != 0xFF)
            QCOMPARE(convertToPrinter(ModelB, pc), QByteArray(1, char(b)));
    }
}

void TestCodepage::inPlace() {
    const QByteArray pc = Codepage::toWindows1252(QString::fromUtf8("Opção Ú  "));
    QByteArray buffer = pc;
    auto *data = reinterpret_cast<uint8_t *>(buffer.data());
    Codepage::ToPrinterText(ModelA, data, data, std::size_t(buffer.size()));
    QCOMPARE(buffer, convertToPrinter(ModelA, pc));
    Codepage::FromPrinterText(ModelA, data, data, std::size_t(buffer.size()), false);
    QCOMPARE(buffer, pc);
}

void TestCodepage::countLimit() {
    const std::size_t max = Codepage::MaxCount;
    std::vector<uint8_t> src(max + 10, 0x87), dst(max + 10, 0x55);
    Codepage::ToPrinterText(ModelA, src.data(), dst.data(), src.size());
    QCOMPARE(dst[max - 1], uint8_t(0x20));
    QCOMPARE(dst[max], uint8_t(0x55));
    QCOMPARE(Codepage::FromPrinterText(ModelB, src.data(), dst.data(), src.size(), false), max);
    QCOMPARE(dst[max - 1], uint8_t(0xE7));
    QCOMPARE(dst[max], uint8_t(0x55));
}

void TestCodepage::windows1252Strings() {
    QCOMPARE(Codepage::fromWindows1252(bytes({0x80, 0x8D, 0x9F})), QString::fromUtf8("€\u008DŸ"));
    // Outside Windows-1252, one of them outside the BMP; U+0080 too (0x80 is the euro sign).
    QCOMPARE(Codepage::toWindows1252(QString::fromUtf8("a\u2500😀\u0080b")), QByteArray("a???b"));
}

QTEST_GUILESS_MAIN(TestCodepage)
#include "test_codepage.moc"
