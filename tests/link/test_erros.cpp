// Judging the printer's answers: the error messages of each model's table, the missing
// answer, and whether a recorded command counts as accepted.
#include "link/codepage.h"
#include "link/erros.h"
#include "link/macro_line.h"
#include "support/recording_messages.h"

#include <QSet>
#include <QTest>

namespace {

constexpr uint32_t ModelB = 1;
constexpr uint32_t ModelA = 2;

const QString Separator = QStringLiteral("\r\n\n");
const QString Unknown = QStringLiteral("Erro desconhecido");

const uint8_t *data(const QByteArray &bytes) {
    return reinterpret_cast<const uint8_t *>(bytes.constData());
}

} // namespace

class TestErros : public QObject {
    Q_OBJECT

private slots:
    void accepted_data();
    void accepted();
    void rejected_data();
    void rejected();
    void noAnswer();
    void tables_data();
    void tables();

    // Whether a recorded command's answer counts as accepted, for the macro file.
    void macroLineAccepted_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("B 00") << 1u << QByteArray(":R00xx") << true;
        QTest::newRow("B 10") << 1u << QByteArray(":R10") << false;
        QTest::newRow("B too short") << 1u << QByteArray(":R0") << false;
        QTest::newRow("A data") << 2u << QByteArray(":12") << true;
        QTest::newRow("A error") << 2u << QByteArray(":E01") << false;
        QTest::newRow("A bare E") << 2u << QByteArray(":E") << false;
        QTest::newRow("A one byte") << 2u << QByteArray(":") << true;
        QTest::newRow("other model") << 7u << QByteArray(":E10") << true;
    }
    void macroLineAccepted() {
        QFETCH(uint, model);
        QFETCH(QByteArray, answer);
        QFETCH(bool, accepted);
        QCOMPARE(answerAccepted(model, answer), accepted);
    }
};

void TestErros::accepted_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("A one byte") << uint(ModelA) << QByteArray(":");
    QTest::newRow("A data") << uint(ModelA) << QByteArray("000123");
    QTest::newRow("A lower-case e") << uint(ModelA) << QByteArray(":e10");
    QTest::newRow("B 00") << uint(ModelB)
                          << QByteArray("\x02\x01"
                                        "00");
    QTest::newRow("B 00 with garbage") << uint(ModelB) << QByteArray(":E00\xFF\x00\x99", 7);
    QTest::newRow("no model") << 0u << QByteArray(":E10");
}

void TestErros::accepted() {
    QFETCH(uint, model);
    QFETCH(QByteArray, answer);
    RecordingMessages messages;
    QVERIFY(CheckResponseFor(model, int(answer.size()), data(answer)));
    QCOMPARE(messages.count(), 0);
}

// `length` may be shorter than `buffer`: the bytes past it must not be read.
void TestErros::rejected_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("text");

    QTest::newRow("B 10") << uint(ModelB)
                          << QByteArray("\x02\x01"
                                        "10")
                          << 4 << "ERRO: 10" + Separator + "Documento aberto";
    QTest::newRow("A 10") << uint(ModelA) << QByteArray(":E10") << 4
                          << "ERRO: 10" + Separator + "Documento sendo emitido";
    QTest::newRow("A 26, a B code")
        << uint(ModelA) << QByteArray(":E26") << 4 << "ERRO: 26" + Separator + Unknown;
    QTest::newRow("B 53, an A code")
        << uint(ModelB) << QByteArray("xx53") << 4 << "ERRO: 53" + Separator + Unknown;
    QTest::newRow("B 27") << uint(ModelB) << QByteArray("..27") << 4
                          << "ERRO: 27" + Separator + QString::fromUtf8("Operação abortada ");
    QTest::newRow("B 00 cut to 3")
        << uint(ModelB) << QByteArray("..00") << 3 << "ERRO: 0" + Separator + Unknown;
    QTest::newRow("B 1 byte") << uint(ModelB)
                              << QByteArray("\x15"
                                            "010")
                              << 1 << "ERRO: " + Separator + Unknown;
    QTest::newRow("A :E1") << uint(ModelA) << QByteArray(":E10") << 3
                           << "ERRO: 1" + Separator + Unknown;
    QTest::newRow("A :E") << uint(ModelA) << QByteArray(":E10") << 2
                          << "ERRO: " + Separator + Unknown;
}

void TestErros::rejected() {
    QFETCH(uint, model);
    QFETCH(QByteArray, buffer);
    QFETCH(int, length);
    QFETCH(QString, text);
    RecordingMessages messages;
    QVERIFY(!CheckResponseFor(model, length, data(buffer)));
    QCOMPARE(messages.count(), 1);
    const Message shown = messages.shown().first();
    QCOMPARE(shown.text, text);
    QCOMPARE(shown.caption, QStringLiteral("Erro"));
    QCOMPARE(shown.buttons, MessageButtons::Ok);
}

void TestErros::noAnswer() {
    // The buffer still holds an earlier error answer, which must not be looked at.
    const QByteArray stale(":E10");
    for (uint32_t model : {ModelA, ModelB}) {
        for (int length : {0, -1}) {
            RecordingMessages messages;
            QVERIFY(!CheckResponseFor(model, length, data(stale)));
            QCOMPARE(messages.texts(), QStringList{QString::fromUtf8("ERRO DE COMUNICAÇÃO!")});
            QCOMPARE(messages.shown().first().caption, QStringLiteral("Erro"));
        }
    }
}

void TestErros::tables_data() {
    QTest::addColumn<uint>("model");
    QTest::addColumn<int>("size");
    QTest::newRow("A") << uint(ModelA) << 54;
    QTest::newRow("B") << uint(ModelB) << 59;
}

// Every entry is reached through its code, once, and its text fits a 250-byte buffer in the
// PC's code page.
void TestErros::tables() {
    QFETCH(uint, model);
    QFETCH(int, size);
    const ErrorEntry *table = model == ModelA ? Erros210::Table : Erros4700::Table;
    QCOMPARE(model == ModelA ? Erros210::TableSize : Erros4700::TableSize, size);
    QSet<QByteArray> codes;
    for (int i = 0; i < size; ++i) {
        const QByteArray code(table[i].code);
        QVERIFY2(code.size() == 2 && !codes.contains(code), code.constData());
        codes.insert(code);
        const QByteArray answer = (model == ModelA ? ":E" : "\x02\x01") + code;
        RecordingMessages messages;
        QVERIFY(!CheckResponseFor(model, int(answer.size()), data(answer)));
        const QString text = messages.texts().value(0);
        QCOMPARE(text, "ERRO: " + code + Separator + QString::fromUtf8(table[i].message));
        const QByteArray ansi = Codepage::toWindows1252(text);
        QVERIFY2(ansi.size() < 250 && !ansi.contains('?'), code.constData());
    }
}

QTEST_GUILESS_MAIN(TestErros)
#include "test_erros.moc"
