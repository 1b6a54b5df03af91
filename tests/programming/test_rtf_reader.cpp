#include "programming/rtf_reader.h"

#include <QtTest>

namespace {
const QByteArray FontTable = "{\\fonttbl{\\f0\\fnil\\fcharset0 Korvel Exp;}"
                             "{\\f1\\fnil\\fcharset0 Courier New;}}";
} // namespace

class TestRtfReader : public QObject {
    Q_OBJECT
private slots:
    void convert_data() {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QByteArray>("tagged");
        QTest::newRow("expanded font and back")
            << "{\\rtf1\\ansi" + FontTable + "\\f0 A\\f1 B\\par}" << QByteArray("<W>A</W>B\r\n");
        QTest::newRow("fonts in the other order")
            << QByteArray("{{\\fonttbl{\\f0\\fnil\\fcharset0 Courier New;}"
                          "{\\f1\\fnil\\fcharset0 Korvel Exp;}}\\f1 A\\f0 B}")
            << QByteArray("<W>A</W>B");
        QTest::newRow("Courier New without expanded text")
            << "{" + FontTable + "\\f1 A\\f1 B}" << QByteArray("AB");
        QTest::newRow("undeclared font") << "{" + FontTable + "\\f7 A}" << QByteArray("A");
        QTest::newRow("font number past the table")
            << "{" + FontTable + "\\f12 A}" << QByteArray("A");
        QTest::newRow("bold") << QByteArray("{\\b Total\\b0}") << QByteArray("<N>Total</N>");
        QTest::newRow("b with any parameter closes")
            << QByteArray("{\\b1 x\\b y}") << QByteArray("</N>x<N>y");
        QTest::newRow("underline") << QByteArray("{\\ul X\\ulnone}") << QByteArray("<S>X</S>");
        QTest::newRow("ul with a parameter writes nothing")
            << QByteArray("{\\ul0 X}") << QByteArray("X");
        QTest::newRow("hex lower") << QByteArray("{\\'e7}") << QByteArray("\xe7");
        QTest::newRow("hex upper") << QByteArray("{a\\'E7b}")
                                   << QByteArray("a\xe7"
                                                 "b");
        QTest::newRow("info group")
            << QByteArray("{\\rtf1{\\info{\\title T}{\\author Eu}}Corpo}") << QByteArray("Corpo");
        QTest::newRow("* and unknown word")
            << QByteArray("{{\\*\\unknownword oculto}visto}") << QByteArray("visto");
        QTest::newRow("* and known word") << QByteArray("{{\\*\\b x}y}") << QByteArray("<N>xy");
        QTest::newRow("skip ends with its group")
            << QByteArray("{a{\\stylesheet{b}c}d}") << QByteArray("ad");
        QTest::newRow("tags not written while skipping")
            << QByteArray("{{\\header \\b h\\par}x}") << QByteArray("x");
        QTest::newRow("paragraph, tab and quotes")
            << QByteArray("{a\\par b\\tab c\\ldblquote d\\rdblquote}")
            << QByteArray("a\r\nb\r\nc\r\nd\r\n");
        QTest::newRow("control symbols write line breaks")
            << QByteArray("{a\\{b\\}c\\\\d\\\r\ne}") << QByteArray("a\r\nb\r\nc\r\nd\r\ne");
        QTest::newRow("raw CR LF ignored") << QByteArray("{a\r\nb\nc\r}") << QByteArray("abc");
        QTest::newRow("one space belongs to the word")
            << QByteArray("{\\b  x}") << QByteArray("<N> x");
        QTest::newRow("other delimiter read again") << QByteArray("{\\b;x}") << QByteArray("<N>;x");
        QTest::newRow("minus sign is text") << QByteArray("{\\li-20 x}") << QByteArray("-20 x");
        QTest::newRow("unknown word ignored")
            << QByteArray("{\\pard\\plain\\fs20 x}") << QByteArray("x");
        QTest::newRow("properties write nothing")
            << QByteArray("{\\i\\qc\\margl1800 x}") << QByteArray("x");
        QTest::newRow("unmatched } ends") << QByteArray("{a}b}c") << QByteArray("ab");
        QTest::newRow("bin ends") << QByteArray("{a\\bin5 xyz}") << QByteArray("a");
        QTest::newRow("bad hex ends") << QByteArray("{a\\'zzb}") << QByteArray("a");
        QTest::newRow("hex zero left out") << QByteArray("{a\\'00b}") << QByteArray("ab");
        QTest::newRow("hex ignored while skipping")
            << QByteArray("{{\\info \\'zz}b}") << QByteArray("b");
        QTest::newRow("NUL ends") << QByteArray("{a}\0b", 5) << QByteArray("a");
        QTest::newRow("backslash at the end") << QByteArray("{a\\") << QByteArray("a");
        QTest::newRow("font rule at the start of the text")
            << QByteArray("\\fcharset0 Korvel Exp;\\f0 A") << QByteArray("Korvel Exp;A");
        QTest::newRow("font name without ;")
            << QByteArray("{\\f3\\fnil\\fcharset0 Korvel Exp") << QByteArray("Korvel Exp");
    }
    void convert() {
        QFETCH(QByteArray, rtf);
        QFETCH(QByteArray, tagged);
        const RtfConversion result = rtfToTaggedText(rtf);
        QCOMPARE(result.text, tagged);
        QVERIFY(!result.cut);
    }

    void completeness_data() {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<bool>("complete");
        QTest::newRow("closed group") << QByteArray("{a}") << true;
        QTest::newRow("open group at the end") << QByteArray("{a{b}") << false;
        QTest::newRow("open group ended by NUL") << QByteArray("{a\0", 3) << true;
        QTest::newRow("no group") << QByteArray("a") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("bin") << QByteArray("{a\\bin") << true;
        QTest::newRow("trailing line break") << QByteArray("{a}\r\n") << true;
    }
    void completeness() {
        QFETCH(QByteArray, rtf);
        QFETCH(bool, complete);
        QCOMPARE(rtfToTaggedText(rtf).complete, complete);
    }

    void outputLimit_data() {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QByteArray>("tagged");
        QTest::addColumn<bool>("cut");
        QTest::newRow("exactly 1023")
            << "{" + QByteArray(1023, 'a') + "}" << QByteArray(1023, 'a') << false;
        QTest::newRow("1500 characters")
            << "{" + QByteArray(1500, 'a') + "}" << QByteArray(1023, 'a') << true;
        QTest::newRow("tag across the limit")
            << "{" + QByteArray(1021, 'a') + "\\b b}" << QByteArray(1021, 'a') << true;
        QTest::newRow("line break across the limit")
            << "{" + QByteArray(1022, 'a') + "\\par b}" << QByteArray(1022, 'a') << true;
    }
    void outputLimit() {
        QFETCH(QByteArray, rtf);
        QFETCH(QByteArray, tagged);
        QFETCH(bool, cut);
        const RtfConversion result = rtfToTaggedText(rtf);
        QCOMPARE(result.text, tagged);
        QCOMPARE(result.cut, cut);
        QVERIFY(result.complete);
    }

    // Every prefix of a document, and the document cut at each byte and padded with
    // special characters, converts without reading outside the data (run under ASan).
    void everyPrefix() {
        const QByteArray rtf = "{\\rtf1\\ansi" + FontTable +
                               "{\\*\\generator x;}\\f0\\b A\\'e7\\f1\\b0\\ul B\\ulnone\\par}";
        for (qsizetype n = 0; n <= rtf.size(); ++n) {
            const RtfConversion result = rtfToTaggedText(rtf.left(n));
            QVERIFY(result.text.size() <= RtfOutputLimit);
            QCOMPARE(result.complete, n == rtf.size());
            for (const char *tail : {"\\", "\\'", "\\'e", "\\f", "{", "}"})
                rtfToTaggedText(rtf.left(n) + tail);
        }
        QCOMPARE(rtfToTaggedText(rtf).text, QByteArray("<W><N>A\xe7</W></N><S>B</S>\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestRtfReader)
#include "test_rtf_reader.moc"
