// The check printer's frames byte for byte, the status bits as the check thread reads them, the
// calculator-style amount and the back text's limits.
#include "core/global.h"
#include "peripherals/cheque_frames.h"

#include <QtTest>

class TestChequeFrames : public QObject {
    Q_OBJECT

private slots:
    void frames_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("expected");
        // The other frames reach the emulated printer in the check window's test, which
        // reads back what it printed.
        QTest::newRow("payee in CP850")
            << ChequeFrames::payee(ModelB, QStringLiteral("Açaí & Café"))
            << QByteArray("\x1B"
                          "fA\x87"
                          "a\xA1 & Caf\x82\xFF");
        QTest::newRow("empty payee") << ChequeFrames::payee(ModelB, QString())
                                     << QByteArray("\x1B"
                                                   "f\xFF");
        QTest::newRow("front vertical") << ChequeFrames::front(false, "999999999999")
                                        << QByteArray("\x1B"
                                                      "V999999999999");
    }
    void frames() {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, expected);
        QCOMPARE(frame, expected);
    }

    void status_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<bool>("released");
        //                                 s2    s6
        QTest::newRow("empty slot") << QByteArray(":0000000000000") << 13 << true << false << true;
        QTest::newRow("check in place")
            << QByteArray(":0800000000000") << 13 << true << true << true;
        QTest::newRow("hex digit C: in place, not released")
            << QByteArray(":0C00000000000") << 13 << true << true << false;
        QTest::newRow("s6 bit 3: held")
            << QByteArray(":0000080000000") << 13 << true << false << false;
        QTest::newRow("s6 A: held") << QByteArray(":00000A0000000") << 13 << true << false << false;
        QTest::newRow("other bits only")
            << QByteArray(":F300070000000") << 13 << true << false << true;
        // No answer: the link's time-out fill of '9's would read as a check in place and as
        // one still held; unanswered, it is neither.
        QTest::newRow("time-out fill") << QByteArray("999999") << 0 << false << false << false;
        QTest::newRow("too short") << QByteArray(":08") << 3 << false << false << false;
    }
    void status() {
        QFETCH(QByteArray, answer);
        QFETCH(int, length);
        QFETCH(bool, answered);
        QFETCH(bool, inPlace);
        QFETCH(bool, released);
        answer.resize(20, '\0');
        const ChequeFrames::CheckStatus s = ChequeFrames::decodeStatus(
            reinterpret_cast<const uint8_t *>(answer.constData()), length);
        QCOMPARE(s.answered, answered);
        QCOMPARE(s.inPlace, inPlace);
        QCOMPARE(s.released(), released);
    }

    void amountShiftsLeft() {
        QString amount = ChequeAmount::zero();
        for (QChar digit : QStringLiteral("12345"))
            amount = ChequeAmount::shiftIn(amount, digit);
        QCOMPARE(amount, QStringLiteral("000000012345"));
        for (int i = 0; i < 8; ++i)
            amount = ChequeAmount::shiftIn(amount, QLatin1Char('9'));
        QCOMPARE(amount, QStringLiteral("234599999999")); // the first digits fall off
        QCOMPARE(ChequeAmount::digitsOf(QStringLiteral("0000000123,45")),
                 QStringLiteral("000000012345"));
    }

    void backText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("five lines stay") << "a\nb\nc\nd\ne"
                                         << "a\nb\nc\nd\ne";
        QTest::newRow("sixth line blanked") << "a\nb\nc\nd\ne\nf"
                                            << "a\nb\nc\nd\ne\n";
        QTest::newRow("an empty sixth line stays") << "a\nb\nc\nd\ne\n"
                                                   << "a\nb\nc\nd\ne\n";
        QTest::newRow("seven pasted") << "a\nb\nc\nd\ne\nf\ng"
                                      << "a\nb\nc\nd\ne\n";
        QTest::newRow("120 characters")
            << QString(130, QLatin1Char('x')) << QString(120, QLatin1Char('x'));
    }
    void backText() {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QCOMPARE(ChequeBackText::limited(typed), kept);
    }
};

QTEST_GUILESS_MAIN(TestChequeFrames)
#include "test_cheque_frames.moc"
