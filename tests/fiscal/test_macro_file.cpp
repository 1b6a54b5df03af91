#include "fiscal/macro_file.h"
#include "link/macro_line.h"

#include <QtTest>

class TestMacroFile : public QObject {
    Q_OBJECT
private slots:
    void headers() {
        QCOMPARE(MacroFile::header(1), QByteArray(":MV4700    \r\n"));
        QCOMPARE(MacroFile::header(2), QByteArray(":MV210     \r\n"));
        QVERIFY(MacroFile::headerMatches(1, ":MV4700    \r\n[ESC][200]\r\n"));
        QVERIFY(!MacroFile::headerMatches(2, ":MV4700    \r\n[ESC][200]\r\n"));
        QVERIFY(!MacroFile::headerMatches(1, ":MV47"));
    }

    void decode_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("escapes") << QByteArray("[ESC][228]SN[CR][LF][255]\r\n")
                                 << QByteArray("\x1B\xE4SN\r\n\xFF");
        QTest::newRow("bracket and ABC") << QByteArray("a[ABC]\r\n") << QByteArray("a[ABC]");
        QTest::newRow("123 with any fifth character")
            << QByteArray("[123x9\r\n") << QByteArray("{9");
        QTest::newRow("256 is not a code") << QByteArray("[256]\r\n") << QByteArray("[256]");
        QTest::newRow("zero byte") << QByteArray("[000]A\r\n") << QByteArray("\0A", 2);
        QTest::newRow("CR without LF") << QByteArray("AB\rCD\r\n") << QByteArray("AB");
    }
    void decode() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, frame);
        const QByteArray data = MacroFile::header(1) + line;
        const MacroFile::Line decoded = MacroFile::decodeLine(data, MacroFile::HeaderSize, 2048);
        QCOMPARE(decoded.status, MacroFile::LineStatus::Frame);
        QCOMPARE(decoded.frame, frame);
    }

    // Every line the recorder writes reads back as its frame, one after the other, up to ":FIM:".
    void recordedLinesReadBack() {
        const QList<QByteArray> frames = {QByteArray("\x1B\xC8"),
                                          QByteArray("\x1B\xF3Obrigado\r\n\xFF"),
                                          QByteArray("\x1B\xD2"
                                                     "01"),
                                          QByteArray("plain")};
        QByteArray data = MacroFile::header(2);
        for (const QByteArray &f : frames)
            data += macroLineFor(f);
        data += MacroFile::Terminator;
        qsizetype pos = MacroFile::HeaderSize;
        QList<QByteArray> read;
        for (;;) {
            const MacroFile::Line line = MacroFile::decodeLine(data, pos, 2048);
            if (line.status != MacroFile::LineStatus::Frame)
                break;
            read << line.frame;
            pos = line.next;
        }
        QCOMPARE(read, frames);
        QCOMPARE(MacroFile::decodeLine(data, pos, 2048).status, MacroFile::LineStatus::End);
    }

    void linesThatAreNotSent_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("status");
        QTest::newRow("no CR") << QByteArray("[ESC][200]") << int(MacroFile::LineStatus::NoLineEnd);
        QTest::newRow("too long") << QByteArray(3000, 'A') + "\r\n"
                                  << int(MacroFile::LineStatus::TooLong);
        QTest::newRow("escapes past the limit") << QByteArray("[255]").repeated(2049) + "\r\n"
                                                << int(MacroFile::LineStatus::TooLong);
        QTest::newRow("terminator") << QByteArray(":FIM:") << int(MacroFile::LineStatus::End);
        QTest::newRow("one byte left") << QByteArray("X") << int(MacroFile::LineStatus::End);
    }
    void linesThatAreNotSent() {
        QFETCH(QByteArray, line);
        QFETCH(int, status);
        const QByteArray data = MacroFile::header(1) + line;
        const MacroFile::Line decoded = MacroFile::decodeLine(data, MacroFile::HeaderSize, 2048);
        QCOMPARE(int(decoded.status), status);
        QVERIFY(decoded.frame.isEmpty());
    }

    void documentNumberPatched_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("patched");
        QTest::newRow("B linked voucher") << 1u
                                          << QByteArray("\x1B\xD5"
                                                        "01000000000000001000")
                                          << QByteArray("\x1B\xD5"
                                                        "01123456000000001000");
        QTest::newRow("B voucher cancel") << 1u
                                          << QByteArray("\x1B\xD9"
                                                        "000000")
                                          << QByteArray("\x1B\xD9"
                                                        "123456");
        QTest::newRow("B reversal") << 1u
                                    << QByteArray("\x1B\xDB"
                                                  "0102000000000000000100")
                                    << QByteArray("\x1B\xDB"
                                                  "0102123456000000000100");
        QTest::newRow("B report line padded") << 1u
                                              << QByteArray("\x1B\xD7"
                                                            "abc")
                                              << QByteArray("\x1B\xD7"
                                                            "abc") +
                                                     QByteArray(45, ' ');
        QTest::newRow("A linked voucher") << 2u
                                          << QByteArray("\x1B\xDB"
                                                        "AB000000000000001000")
                                          << QByteArray("\x1B\xDB"
                                                        "AB123456000000001000");
        QTest::newRow("A reversal") << 2u
                                    << QByteArray("\x1B\xF8"
                                                  "AB000000000000000100")
                                    << QByteArray("\x1B\xF8"
                                                  "AB123456000000000100");
        QTest::newRow("A D9 is a voucher, no number") << 2u
                                                      << QByteArray("\x1B\xD9"
                                                                    "A1000000")
                                                      << QByteArray("\x1B\xD9"
                                                                    "A1000000");
        QTest::newRow("too short to patch") << 1u
                                            << QByteArray("\x1B\xD5"
                                                          "01")
                                            << QByteArray("\x1B\xD5"
                                                          "01");
    }
    void documentNumberPatched() {
        QFETCH(uint, model);
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, patched);
        MacroFile::patchDocumentNumber(model, frame, "123456");
        QCOMPARE(frame, patched);
    }

    void documentNumberTaken() {
        QCOMPARE(MacroFile::documentNumber(1, "\x1B\xC8", ":R0000000042\xFF\r").value_or(""),
                 QByteArray("000042"));
        QCOMPARE(MacroFile::documentNumber(2, "\x1B\xDB",
                                           ":\xDB"
                                           "000043\xFF\r")
                     .value_or(""),
                 QByteArray("000043"));
        QVERIFY(!MacroFile::documentNumber(1, "\x1B\xC8", ":R0000").has_value()); // short
        QVERIFY(!MacroFile::documentNumber(2, "\x1B\xCA",
                                           ":\xCA"
                                           "000043")
                     .has_value());
    }

    void passes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::newRow("one") << "1" << 1;
        QTest::newRow("zero") << "0" << 1;
        QTest::newRow("negative") << "-4" << 1;
        QTest::newRow("not a number") << "abc" << 1;
        QTest::newRow("empty") << "" << 1;
        QTest::newRow("199") << "199" << 199;
        QTest::newRow("200") << "200" << 199;
    }
    void passes() {
        QFETCH(QString, text);
        QFETCH(int, count);
        QCOMPARE(MacroFile::passes(text), count);
    }
};

QTEST_GUILESS_MAIN(TestMacroFile)
#include "test_macro_file.moc"
