// The header's print-format tags both ways for each model, and the RTF reader that turns the
// header of an old configuration file into tagged text.
#include "core/global.h"
#include "programming/rtf_reader.h"
#include "programming/tags.h"
#include "support/programming_maintenance_tables.h"
#include "support/test_main.h"

#include <QtTest>

namespace {

constexpr uint B = ModelB;
constexpr uint A = ModelA;

// `way` '>': tagged text to printer codes (and back again); '<': printer codes to tagged text.
void row(const char *name, char way, uint model, const QByteArray &in, const QByteArray &out) {
    QTest::newRow(name) << way << model << in << out;
}
// `read`: how the RTF text ended ("whole", "open": inside a group, "cut": output limit).
void rtfRow(const char *name, const QByteArray &in, const QByteArray &out,
            const char *read = "whole") {
    QTest::newRow(name) << in << out << QString(read);
}
const QByteArray Fonts =
    "{\\fonttbl{\\f0\\fnil\\fcharset0 Korvel Exp;}{\\f1\\fnil\\fcharset0 Courier New;}}";

} // namespace

class TagsTest : public QObject {
    Q_OBJECT
private slots:
    void tags_data() {
        fixture::columns<char, uint, QByteArray, QByteArray>({"way", "model", "in", "out"});
        // clang-format off
        row("B bold", '>', B, "<N>Loja</N>", "\033E1Loja\033E0");
        row("A bold", '>', A, "<N>Loja</N>", "\033ELoja\033F");
        row("no model: B's bold", '>', 0, "</N>", "\033E0");
        row("every other tag", '>', A, "<W>a</W><S>b</S><C>c</C><W1>d",
            "\033W1a\033W0\033-1b\033-0\017c\022\016d");
        row("unknown tag, lone <", '>', B, "<X> 1 < 2", "<X> 1 < 2");
        row("cut by the end", '>', B, "ab<W", "ab<W");
        row("< before a tag", '>', B, "<<N>", "<\033E1");
        row("line breaks, end mark", '>', A, "L1\r\n<W1>L2\r\n\xff", "L1\r\n\016L2\r\n\xff");
        row("SO ABC LF", '<', B, "\016ABC\n\xff", "<W1>ABC\r\n\xff");
        row("B drops ESC F", '<', B, "a\033Fb", "ab");
        row("A ESC E has no parameter", '<', A, "\033E1x", "<N>1x");
        row("ESC G n", '<', A, "\033G\001x\033G\002", "<N>x</N>");
        row("bit 0 of n", '<', B, "\033-3u\033W\002w", "<S>u</W>w");
        row("ESC SO", '<', B, "\033\016x", "<W1>x");
        row("CR and DC4 dropped", '<', B, "a\r\n\024b", "a\r\nb");
        row("unknown ESC pair dropped", '<', A, "a\033@b", "ab");
        row("ESC NUL pair dropped", '<', A, QByteArray("a\033\000b", 4), "ab");
        row("ends after the end mark", '<', B, "ab\xff\016cd", "ab\xff");
        row("lone ESC at the end", '<', B, "ab\033", "ab");
        row("parameter missing", '<', B, "ab\033W", "ab");
        row("ESC before the end mark", '<', A, "ab\033\xff", "ab\xff");
        row("parameter would be the end mark", '<', B, "ab\033E\xffzz", "ab\xff");
        // clang-format on
    }
    void tags() {
        QFETCH(char, way);
        QFETCH(uint, model);
        QFETCH(QByteArray, in);
        QFETCH(QByteArray, out);
        if (way == '<') {
            QCOMPARE(printerToTaggedText(model, in), out);
        } else {
            QCOMPARE(taggedTextToPrinter(model, in), out);
            QCOMPARE(printerToTaggedText(model, out + '\xff'),
                     in.endsWith('\xff') ? in : in + '\xff');
        }
    }

    void rtf_data() {
        fixture::columns<QByteArray, QByteArray, QString>({"rtf", "tagged", "read"});
        const QByteArray a1021(1021, 'a'), a1023(1023, 'a');
        // clang-format off
        rtfRow("expanded font and back", "{\\rtf1\\ansi" + Fonts + "\\f0 A\\f1 B\\par}", "<W>A</W>B\r\n");
        rtfRow("Courier New alone, undeclared", "{" + Fonts + "\\f1 A\\f7 B\\f12 C}", "ABC");
        rtfRow("bold", "{\\b Total\\b0 x\\b1 y}", "<N>Total</N>x</N>y");
        rtfRow("underline", "{\\ul X\\ulnone\\ul0 Y}", "<S>X</S>Y");
        rtfRow("hex escapes", "{\\'e7a\\'E7\\'00b}", "\xe7" "a\xe7" "b");
        rtfRow("skipped destinations",
               "{\\rtf1{\\info{\\title T}}{\\header \\b h}{\\stylesheet{b}c}C}", "C");
        rtfRow("* and an unknown word", "{{\\*\\unknownword x}{\\*\\b y}z}", "<N>yz");
        rtfRow("line breaks", "{a\\par b\\tab c\\ldblquote d\\rdblquote\\{\\}\\\\\\\r\n}",
               "a\r\nb\r\nc\r\nd\r\n\r\n\r\n\r\n\r\n");
        rtfRow("delimiters", "{\\b  x\\b;y\\li-20 z}", "<N> x<N>;y-20 z");
        rtfRow("unknown words, properties", "{\\pard\\fs20\\i\\qc\\margl1800 x}", "x");
        rtfRow("unmatched } ends", "{a}b}c", "ab");
        rtfRow("bin ends", "{a\\bin5 xyz}", "a");
        rtfRow("bad hex ends", "{a\\'zzb}", "a");
        rtfRow("NUL ends", QByteArray("{a{b\0c", 6), "ab");
        rtfRow("backslash at the end", "{a\\", "a", "open");
        rtfRow("font rule at the start", "\\fcharset0 Korvel Exp;\\f0 A", "Korvel Exp;A", "open");
        rtfRow("1023 characters", "{" + a1023 + "}", a1023);
        rtfRow("1500 characters", "{" + QByteArray(1500, 'a') + "}", a1023, "cut");
        rtfRow("tag across the limit", "{" + a1021 + "a\\b b}", a1021 + "a", "cut");
        rtfRow("break across the limit", "{" + a1021 + "a\\par}", a1021 + "a", "cut");
        rtfRow("group left open", "{a{b}", "ab", "open");
        rtfRow("no group", "a", "a", "open");
        // clang-format on
    }
    void rtf() {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, read);
        const RtfConversion result = rtfToTaggedText(rtf);
        QTEST(result.text, "tagged");
        QCOMPARE(result.cut, read == "cut");
        QCOMPARE(result.complete, read != "open");
    }
};

TOOL_TEST_CLASS(TagsTest)
#include "test_tags.moc"
