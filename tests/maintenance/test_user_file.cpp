// The user file (.usr): its reading (its layout as written is checked by the user record
// window's test, byte for byte); and the CNPJ check digits.
// Writing it over an earlier file is tested in tests/reliability/test_file_writes.
#include "maintenance/cnpj.h"
#include "maintenance/usr_file.h"
#include "support/programming_maintenance_tables.h"
#include "support/test_main.h"

#include <QtTest>

using fixture::columns;

namespace {

// A file image laid out by hand, independent of the builder.
QByteArray image(const QByteArray &model, const QByteArray &serial, const QByteArray &ie,
                 const QByteArray &im, const QByteArray &code) {
    return model.leftJustified(15) + serial + QByteArray(13, ' ') +
           QByteArray("11.222.333/0001-81").leftJustified(20) + ie.leftJustified(20) +
           im.leftJustified(20) + code.leftJustified(8) + QByteArray(16, ' ');
}

} // namespace

class UserFileTest : public QObject {
    Q_OBJECT
private slots:
    // Read as laid over 150 spaces, whatever the file's length; the model name is one of
    // three, whichever model is chosen; another printer's file loses its code.
    void reading_data() {
        columns<QByteArray, int, QString>({"bytes", "problem", "read"}); // cnpj|ie|im|code
        const QByteArray own = image("MV210", "21000123", " IE 1  ", "IM", "A1B2C3D4");
        const QString whole = "11.222.333/0001-81|IE 1|IM|A1B2C3D4";
        const int none = int(UserFile::Problem::None), bad = int(UserFile::Problem::WrongFormat);
        // clang-format off
        QTest::newRow("own printer") << own << none << whole;
        QTest::newRow("MV4700") << "MV4700    " + own.mid(10) << none << whole;
        QTest::newRow("either model") << "MV210_4700" + own.mid(10) << none << whole;
        QTest::newRow("another printer") << image("MV210", "21000999", "IE 1", "IM", "A1B2C3D4") << none
                                         << "11.222.333/0001-81|IE 1|IM|00000000";
        QTest::newRow("100 bytes") << own.left(100) << none << "11.222.333/0001-81|IE 1|IM|A1B2";
        QTest::newRow("121 bytes") << own + '\n' << none << whole;
        QTest::newRow("200 bytes") << own + QByteArray(80, 'x') << none << whole;
        QTest::newRow("lower case name") << "mv210     " + own.mid(10) << bad << "";
        QTest::newRow("name run on") << "MV2100    " + own.mid(10) << bad << "";
        QTest::newRow("name without padding") << QByteArray("MV210\0\0\0\0\0", 10) + own.mid(10) << bad << "";
        QTest::newRow("empty") << QByteArray() << int(UserFile::Problem::Empty) << "";
        // clang-format on
    }
    void reading() {
        QFETCH(QByteArray, bytes);
        const UserFile::Reading r = UserFile::read(bytes, "21000123");
        QTEST(int(r.problem), "problem");
        const UserFile::Contents &c = r.contents;
        const QString read = QStringList{c.cnpj, c.ie, c.im, c.code}.join(u'|');
        QTEST(r.problem == UserFile::Problem::None ? read : QString(), "read");
        QCOMPARE(r.serialMatches, c.code == "A1B2C3D4" || c.code == "A1B2");
    }

    // `text` as the masked edit holds it; the check runs on its digits.
    void cnpj_data() {
        columns<QString, bool>({"text", "valid"});
        // clang-format off
        const std::pair<const char *, bool> rows[] = {
            {"11.222.333/0001-81", true},  {"11.222.333/0001-82", false}, {"11.222.333/0001-91", false},
            {"12.122.333/0001-81", false}, {"11.222.333/0001-18", false}, {"11222333000181", true},
            {"96.253.980/0001-03", true},  {"85.209.555/0001-09", true},  {"81.056.775/0001-80", true},
            {"73.045.210/0001-70", true},  {"85.209.555/0001-19", false}, {"33.000.167/0001-01", true},
            {"00.000.000/0001-91", true},  {"00.000.000/0000-00", false}, {"11.111.111/1111-11", false},
            {"99.999.999/9999-99", false}, {"11.222.333/0001-8_", false}, {"1122233300018", false},
            {"112223330001810", false},    {"", false},                   {"__.___.___/____-__", false},
            {"11.222.333/000A-81", false}};
        // clang-format on
        for (auto [text, valid] : rows)
            QTest::newRow(text) << QString(text) << valid;
    }
    void cnpj() {
        QFETCH(QString, text);
        QTEST(Cnpj::isValid(Cnpj::digitsOf(text)), "valid");
        QVERIFY(!Cnpj::isValid(text.contains(u'.') ? text : QStringLiteral("١١٢٢٢٣٣٣٠٠٠١٨١")));
    }
};

TOOL_TEST_CLASS(UserFileTest)
#include "test_user_file.moc"
