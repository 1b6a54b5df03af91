// Text between the PC (Windows-1252) and the printers: CP850, and model A's own codes for its
// 26 accented letters, one byte for one byte, never the 0xFF that ends a printer text. Then the
// printers' answers as the tool judges them: accepted or refused, the message shown with its
// code and the text of the model's table, the missing answer, and the two tables whole.
#include "link/codepage.h"
#include "link/erros.h"
#include "support/recording_messages.h"
#include "support/test_main.h"

#include <QCryptographicHash>
#include <QStringDecoder>
#include <QTest>

namespace {

constexpr uint B = 1, A = 2;
QByteArray toPrinter(uint model, const QByteArray &pc) {
    QByteArray out(pc.size(), '\0');
    Codepage::ToPrinterText(model, reinterpret_cast<const uint8_t *>(pc.constData()),
                            reinterpret_cast<uint8_t *>(out.data()), size_t(pc.size()));
    return out;
}
QByteArray fromPrinter(uint model, const QByteArray &printer, bool raw = false) {
    QByteArray out(printer.size(), '\0');
    out.resize(qsizetype(Codepage::FromPrinterText(
        model, reinterpret_cast<const uint8_t *>(printer.constData()),
        reinterpret_cast<uint8_t *>(out.data()), size_t(printer.size()), raw)));
    return out;
}

const QString Sep = QStringLiteral("\r\n\n");

// The text shown for the answer, or an empty text when it is accepted (and nothing shows).
QString check(uint model, const QByteArray &buffer, int length) {
    RecordingMessages messages;
    const bool ok =
        CheckResponseFor(model, length, reinterpret_cast<const uint8_t *>(buffer.constData()));
    const QList<Message> shown = messages.shown();
    if (ok != shown.isEmpty() || shown.size() > 1 ||
        (!ok && (shown[0].caption != "Erro" || shown[0].buttons != MessageButtons::Ok)))
        return QStringLiteral("not one error box when refused, and none when accepted");
    return ok ? QString() : shown[0].text;
}

} // namespace

class PrinterTextTest : public QObject {
    Q_OBJECT

private slots:
    // Each row: the text on the PC, on the printer, and which ways it goes: '>' to the printer
    // only, '<' from it only, '=' both ways; 'r' from model A's printer with the raw flag.
    void convert_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QString>("pc");
        QTest::addColumn<QByteArray>("printer");
        QTest::addColumn<char>("way");
        // clang-format off
        // The 26 letters of model A, their CP850 codes and their model A codes.
        const QString letters = QString::fromUtf8("ÇüéâçêÉôÜáíóúªºÁÂãÃÊÍÓÔõÕÚ");
        const QByteArray cp850 = "\x80\x81\x82\x83\x87\x88\x90\x93\x9A\xA0\xA1\xA2\xA3\xA6\xA7\xB5\xB6\xC6\xC7\xD2\xD6\xE0\xE2\xE4\xE5\xE9";
        const QByteArray modelA = "\xA6\xD9\xC8\xC3\xC6\xC9\xA8\xD2\xB9\xC2\xCC\xD1\xD7\xDC\xDD\xA2\xA3\xC4\xA4\xA9\xAC\xB1\xB2\xD3\xB3\xB7";
        for (int i = 0; i < 26; ++i) {
            const QString letter = letters.mid(i, 1);
            QTest::newRow(qPrintable("A " + letter)) << A << letter << modelA.mid(i, 1) << '=';
            QTest::newRow(qPrintable("B " + letter)) << B << letter << cp850.mid(i, 1) << '=';
            QTest::newRow(qPrintable("A raw " + letter)) << A << letter << cp850.mid(i, 1) << 'r';
        }
        const QString acao = QString::fromUtf8("Ação");
        QTest::newRow("Ação A") << A << acao << QByteArray("A\xC6\xC4o") << '=';
        QTest::newRow("Ação B") << B << acao << QByteArray("A\x87\xC6o") << '=';
        QTest::newRow("Ação, no model") << 0u << acao << QByteArray("A\x87\xC6o") << '=';
        QTest::newRow("ascii A") << A << QString::fromLatin1("A1 ?~\x01\x1b\x7f") << QByteArray("A1 ?~\x01\x1b\x7f") << '=';
        // Missing from CP850: a space on model A, the default character on model B.
        QTest::newRow("euro A") << A << QString::fromUtf8("€") << QByteArray(" ") << '>';
        QTest::newRow("euro B") << B << QString::fromUtf8("€") << QByteArray("?") << '>';
        QTest::newRow("C1 0x81 B") << B << QString(QChar(0x81)) << QByteArray("?") << '>';
        QTest::newRow("pound A, not a model A letter") << A << QString::fromUtf8("£") << QByteArray(" ") << '>';
        // CP850 has the non-breaking space at 0xFF, which would end a printer text.
        QTest::newRow("nbsp B") << B << QString(QChar(0xA0)) << QByteArray(" ") << '>';
        QTest::newRow("0x87 A, no model A code") << A << QStringLiteral(" ") << QByteArray("\x87") << '<';
        // clang-format on
    }
    void convert() {
        QFETCH(uint, model);
        QFETCH(QString, pc);
        QFETCH(QByteArray, printer);
        QFETCH(char, way);
        const QByteArray ansi = Codepage::toWindows1252(pc);
        QCOMPARE(ansi.size(), pc.size());
        if (way == '=' || way == '>')
            QCOMPARE(toPrinter(model, ansi).toHex(' '), printer.toHex(' '));
        if (way != '>')
            QCOMPARE(Codepage::fromWindows1252(fromPrinter(model, printer, way == 'r')), pc);
    }

    // Every byte both ways against the system's own CP850 and Windows-1252 tables; no byte
    // ever becomes 0xFF on its way to a printer.
    void cp850RoundTrip() {
        QStringDecoder cp850("IBM850"), ansi("windows-1252");
        if (!cp850.isValid() || !ansi.isValid())
            QSKIP("no IBM850 or windows-1252 converter in this Qt build");
        QHash<char16_t, int> ansiByte;
        QByteArray all;
        for (int b = 0; b < 256; ++b) {
            ansiByte.insert(QString(ansi(QByteArray(1, char(b)))).at(0).unicode(), b);
            all += char(b);
        }
        for (int b = 0x80; b < 0x100; ++b) {
            const char16_t code = QString(cp850(QByteArray(1, char(b)))).at(0).unicode();
            const QByteArray pc(1, char(ansiByte.value(code, '?')));
            QCOMPARE(fromPrinter(B, QByteArray(1, char(b))), pc);
            if (pc != "?" && b != 0xFF)
                QCOMPARE(toPrinter(B, pc), QByteArray(1, char(b)));
        }
        for (uint model : {0u, B, A})
            QVERIFY(!toPrinter(model, all).contains('\xFF'));
    }

    // At most MaxCount bytes at once, the rest left alone. Outside Windows-1252 (one outside
    // the BMP, U+0080): the default character.
    void limitsAndStrings() {
        const size_t max = Codepage::MaxCount;
        std::vector<uint8_t> src(max + 10, 0x87), dst(max + 10, 0x55);
        Codepage::ToPrinterText(A, src.data(), dst.data(), src.size());
        QCOMPARE(QList<int>({dst[max - 1], dst[max]}), QList<int>({0x20, 0x55}));
        QCOMPARE(Codepage::FromPrinterText(B, src.data(), dst.data(), src.size(), false), max);
        QCOMPARE(QList<int>({dst[max - 1], dst[max]}), QList<int>({0xE7, 0x55}));
        QCOMPARE(Codepage::toWindows1252(QString::fromUtf8("a\u2500😀\u0080b")), "a???b");
        QCOMPARE(Codepage::fromWindows1252("\x80\x8D\x9F"), QString::fromUtf8("€\u008DŸ"));
    }

    // `length` may be shorter than the buffer: the bytes past it are never read.
    void errorAnswers_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("text"); // empty: accepted
        const QString unknown = QStringLiteral("Erro desconhecido");
        // clang-format off
        QTest::newRow("A one byte") << A << QByteArray(":") << 1 << "";
        QTest::newRow("A lower-case e") << A << QByteArray(":e10") << 4 << "";
        QTest::newRow("B 00") << B << QByteArray("\x02\x01" "00") << 4 << "";
        QTest::newRow("B 00 with garbage") << B << QByteArray(":E00\xFF\x00\x99", 7) << 7 << "";
        QTest::newRow("no model accepts") << 0u << QByteArray(":E10") << 4 << "";
        QTest::newRow("other model accepts") << 7u << QByteArray(":E10") << 4 << "";
        QTest::newRow("B 10") << B << QByteArray("\x02\x01" "10") << 4 << "ERRO: 10" + Sep + "Documento aberto";
        QTest::newRow("B 1 byte") << B << QByteArray("\x15" "010") << 1 << "ERRO: " + Sep + unknown;
        QTest::newRow("A :E1") << A << QByteArray(":E10") << 3 << "ERRO: 1" + Sep + unknown;
        QTest::newRow("A :E") << A << QByteArray(":E10") << 2 << "ERRO: " + Sep + unknown;
        // No answer: the buffer still holds an earlier error answer, never looked at.
        QTest::newRow("A nothing") << A << QByteArray(":E10") << 0 << "ERRO DE COMUNICAÇÃO!";
        QTest::newRow("B nothing") << B << QByteArray("..10") << 0 << "ERRO DE COMUNICAÇÃO!";
        // clang-format on
    }
    void errorAnswers() {
        QFETCH(uint, model);
        QFETCH(QByteArray, buffer);
        QFETCH(int, length);
        QFETCH(QString, text);
        QCOMPARE(check(model, buffer, length), text);
    }

    // Every code 00 to 99 of each model (model B accepts 00): how many the table knows, and a
    // digest of the texts shown, taken from the printers' own tables, so that any text, code or
    // entry that differs is caught. Each text fits the 250-byte buffer in the PC's code page.
    void errorTables() {
        for (const auto &[model, known, sha1] :
             {std::tuple{A, 54, "b1ef7708ef625cb8a6ef055ed495d0dfc404ff38"},
              std::tuple{B, 59, "01ab8c7e938c0835cc0dd64cf5c3f1517154dfee"}}) {
            QStringList texts;
            for (int code = model == B ? 1 : 0; code < 100; ++code) {
                const QByteArray digits = QByteArray::number(code).rightJustified(2, '0');
                texts << check(model, (model == A ? ":E" : "\x02\x01") + digits, 4);
                QVERIFY(Codepage::toWindows1252(texts.last()).size() < 250);
            }
            QCOMPARE(texts.size() - texts.filter("Erro desconhecido").size(), known);
            QCOMPARE(QCryptographicHash::hash(texts.join('\n').toUtf8(), QCryptographicHash::Sha1),
                     QByteArray::fromHex(sha1));
        }
    }
};

TOOL_TEST_CLASS(PrinterTextTest)
#include "test_printer_text.moc"
