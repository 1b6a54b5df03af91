#include "programming/tags.h"

#include <QtTest>

#include <cstring>

namespace {
constexpr uint32_t B = 1;
constexpr uint32_t A = 2;
} // namespace

class TestTags : public QObject {
    Q_OBJECT
private slots:
    void toPrinter_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("tagged");
        QTest::addColumn<QByteArray>("codes");
        QTest::newRow("B bold Loja")
            << uint(B) << QByteArray("<N>Loja</N>") << QByteArray("\033E1Loja\033E0");
        QTest::newRow("A bold Loja")
            << uint(A) << QByteArray("<N>Loja</N>") << QByteArray("\033ELoja\033F");
        QTest::newRow("B every tag") << uint(B) << QByteArray("<W>a</W><S>b</S><C>c</C><W1>d")
                                     << QByteArray("\033W1a\033W0\033-1b\033-0\017c\022\016d");
        QTest::newRow("A every tag") << uint(A) << QByteArray("<W>a</W><S>b</S><C>c</C><W1>d")
                                     << QByteArray("\033W1a\033W0\033-1b\033-0\017c\022\016d");
        QTest::newRow("unknown tag and lone <")
            << uint(B) << QByteArray("<X> 1 < 2") << QByteArray("<X> 1 < 2");
        QTest::newRow("tags are case-sensitive")
            << uint(A) << QByteArray("<n><w1></s>") << QByteArray("<n><w1></s>");
        QTest::newRow("tag cut by the end") << uint(B) << QByteArray("ab<W") << QByteArray("ab<W");
        QTest::newRow("< before a tag") << uint(B) << QByteArray("<<N>") << QByteArray("<\033E1");
        QTest::newRow("line breaks and end mark kept")
            << uint(A) << QByteArray("L1\r\n<W1>L2\r\n\xff") << QByteArray("L1\r\n\016L2\r\n\xff");
        QTest::newRow("other model codes are B's")
            << 0u << QByteArray("</N>") << QByteArray("\033E0");
        QTest::newRow("empty") << uint(A) << QByteArray() << QByteArray();
    }
    void toPrinter() {
        QFETCH(uint, model);
        QFETCH(QByteArray, tagged);
        QFETCH(QByteArray, codes);
        QCOMPARE(taggedTextToPrinter(model, tagged), codes);
    }

    void fromPrinter_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("codes");
        QTest::addColumn<QByteArray>("tagged");
        QTest::newRow("SO ABC LF")
            << uint(B) << QByteArray("\016ABC\n\xff") << QByteArray("<W1>ABC\r\n\xff");
        QTest::newRow("B drops ESC F") << uint(B) << QByteArray("a\033Fb") << QByteArray("ab");
        QTest::newRow("A ESC F closes bold")
            << uint(A) << QByteArray("a\033Fb") << QByteArray("a</N>b");
        QTest::newRow("B ESC E n")
            << uint(B) << QByteArray("\033E1x\033E0") << QByteArray("<N>x</N>");
        QTest::newRow("A ESC E has no parameter")
            << uint(A) << QByteArray("\033E1x") << QByteArray("<N>1x");
        QTest::newRow("ESC G n both ways")
            << uint(A) << QByteArray("\033G\001x\033G\002") << QByteArray("<N>x</N>");
        QTest::newRow("ESC - and ESC W by bit 0")
            << uint(B) << QByteArray("\033-1u\033-0\033W\003w\033W0")
            << QByteArray("<S>u</S><W>w</W>");
        QTest::newRow("ESC SO") << uint(B) << QByteArray("\033\016x") << QByteArray("<W1>x");
        QTest::newRow("SI DC2") << uint(A) << QByteArray("\017c\022") << QByteArray("<C>c</C>");
        QTest::newRow("CR and DC4 dropped")
            << uint(B) << QByteArray("a\r\n\024b") << QByteArray("a\r\nb");
        QTest::newRow("unknown ESC pair dropped")
            << uint(A) << QByteArray("a\033@b") << QByteArray("ab");
        QTest::newRow("walk ends after the end mark")
            << uint(B) << QByteArray("ab\xff\016cd") << QByteArray("ab\xff");
        QTest::newRow("lone ESC at the end") << uint(B) << QByteArray("ab\033") << QByteArray("ab");
        QTest::newRow("parameter missing at the end")
            << uint(B) << QByteArray("ab\033W") << QByteArray("ab");
        QTest::newRow("ESC before the end mark")
            << uint(A) << QByteArray("ab\033\xff") << QByteArray("ab\xff");
        QTest::newRow("parameter would be the end mark")
            << uint(B) << QByteArray("ab\033E\xffzz") << QByteArray("ab\xff");
        QTest::newRow("accented text copied")
            << uint(A) << QByteArray("Caf\xe9\xff") << QByteArray("Caf\xe9\xff");
    }
    void fromPrinter() {
        QFETCH(uint, model);
        QFETCH(QByteArray, codes);
        QFETCH(QByteArray, tagged);
        QCOMPARE(printerToTaggedText(model, codes), tagged);
    }

    // Tagged text sent and read back comes out as it went in.
    void roundTrip_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("tagged");
        const QByteArray text = "<N>Loja</N> <S>Centro</S>\r\n<W>Grande</W>\r\n<W1>Linha\r\n"
                                "<C>miudo</C> <X> a < b\r\n\xff";
        QTest::newRow("model B") << uint(B) << text;
        QTest::newRow("model A") << uint(A) << text;
    }
    void roundTrip() {
        QFETCH(uint, model);
        QFETCH(QByteArray, tagged);
        QCOMPARE(printerToTaggedText(model, taggedTextToPrinter(model, tagged)), tagged);
    }

    void fromClicheRecord_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<uint>("length");
        QTest::addColumn<QByteArray>("tagged");
        QTest::newRow("stored length")
            << QByteArray("\016AB\n\xffjunk") << 5u << QByteArray("<W1>AB\r\n");
        QTest::newRow("length shorter than the mark")
            << QByteArray("ABCD\xff") << 2u << QByteArray("AB");
        QTest::newRow("length past the record")
            << QByteArray("xyz") << 0xFFFFFFFFu << QByteArray("xyz");
    }
    void fromClicheRecord() {
        QFETCH(QByteArray, text);
        QFETCH(uint, length);
        QFETCH(QByteArray, tagged);
        ClicheRecord record;
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.text, text.constData(), size_t(text.size()));
        record.length = length;
        QCOMPARE(taggedTextFromCliche(B, record).replace('\0', QByteArray()), tagged);
    }

    void forSending_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<int>("plainLength");
        QTest::addColumn<bool>("fits");
        QTest::newRow("fits exactly") << uint(B) << 1199 << true;
        QTest::newRow("one too many") << uint(B) << 1200 << false;
    }
    void forSending() {
        QFETCH(uint, model);
        QFETCH(int, plainLength);
        QFETCH(bool, fits);
        ClicheRecord record;
        std::memset(&record, 0x55, sizeof record);
        QCOMPARE(clicheForSending(model, "12", QByteArray(plainLength, 'x'), record), fits);
        if (fits) {
            QCOMPARE(QByteArray(reinterpret_cast<char *>(record.ecfNumber), 4), QByteArray("12  "));
            QCOMPARE(record.length, uint32_t(plainLength + 1));
            QCOMPARE(uint8_t(record.text[plainLength]), uint8_t(0xFF));
        } else {
            QCOMPARE(record.length, 0x55555555u);
        }
    }

    void forSendingConverts() {
        ClicheRecord record;
        QVERIFY(clicheForSending(A, "0001", "<N>Loja</N>\r\n", record));
        QCOMPARE(QByteArray(reinterpret_cast<char *>(record.text), int(record.length)),
                 QByteArray("\033ELoja\033F\r\n\xff"));
    }
};

QTEST_GUILESS_MAIN(TestTags)
#include "test_tags.moc"
