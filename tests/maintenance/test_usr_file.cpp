// The .usr file: its 120-byte layout and reading it back. Writing it over an earlier file
// (whole or not at all) is tested through the window in tests/reliability/test_file_writes.
#include "maintenance/usr_file.h"

#include <QtTest>

namespace {

QByteArray spaces(int n) {
    return QByteArray(n, ' ');
}

// A file image laid out by hand, independent of the builder.
QByteArray image(const QByteArray &model, const QByteArray &serial, const QByteArray &cnpj,
                 const QByteArray &ie, const QByteArray &im, const QByteArray &code) {
    return model.leftJustified(15, ' ') + serial + spaces(13) + cnpj.leftJustified(20, ' ') +
           ie.leftJustified(20, ' ') + im.leftJustified(20, ' ') + code.leftJustified(8, ' ') +
           spaces(16);
}

} // namespace

class TestUsrFile : public QObject {
    Q_OBJECT

private slots:
    void layout_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("MV210") << 2u << QByteArray("MV210     ");
        QTest::newRow("MV4700") << 1u << QByteArray("MV4700    ");
    }
    void layout() {
        QFETCH(uint, model);
        QFETCH(QByteArray, name);
        const QByteArray file =
            UserFile::build(model, QStringLiteral("21000123"),
                            {QStringLiteral("11.222.333/0001-81"), QStringLiteral("123456789"),
                             QStringLiteral("98765"), QStringLiteral("A1B2C3D4")});
        QCOMPARE(file.size(), 120);
        QCOMPARE(file.left(10), name);
        QCOMPARE(file, image(name.trimmed(), "21000123", "11.222.333/0001-81", "123456789", "98765",
                             "A1B2C3D4"));
        QCOMPARE(file.mid(36, 20), QByteArray("11.222.333/0001-81  "));
    }

    // Texts are stored as typed, trailing spaces included, cut to their fields; a field
    // left empty is spaces.
    void fieldsAsTyped_data() {
        QTest::addColumn<QString>("ie");
        QTest::addColumn<QString>("im");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("trailing spaces")
            << "IE  "
            << " IM"
            << "CODE " << image("MV210", "21000123", "X", "IE  ", " IM", "CODE ");
        QTest::newRow("empty") << ""
                               << ""
                               << "" << image("MV210", "21000123", "X", "", "", "");
        QTest::newRow("too long") << "123456789012345678901234"
                                  << ""
                                  << "1234567890"
                                  << image("MV210", "21000123", "X", "12345678901234567890", "",
                                           "12345678");
        QTest::newRow("accented") << QStringLiteral("ISENTO SÃO") << ""
                                  << "" << image("MV210", "21000123", "X", "ISENTO S\xC3O", "", "");
    }
    void fieldsAsTyped() {
        QFETCH(QString, ie);
        QFETCH(QString, im);
        QFETCH(QString, code);
        QFETCH(QByteArray, expected);
        QCOMPARE(
            UserFile::build(2, QStringLiteral("21000123"), {QStringLiteral("X"), ie, im, code}),
            expected);
    }

    void reading_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("problem");
        QTest::addColumn<bool>("serialMatches");
        QTest::addColumn<QString>("code");
        const QByteArray own =
            image("MV210", "21000123", "11.222.333/0001-81", " 123 ", "IM  ", "A1B2C3D4");
        const auto None = int(UserFile::Problem::None);
        const auto Empty = int(UserFile::Problem::Empty);
        const auto WrongFormat = int(UserFile::Problem::WrongFormat);
        QTest::newRow("own printer") << own << None << true << "A1B2C3D4";
        QTest::newRow("MV4700") << QByteArray("MV4700    ") + own.mid(10) << None << true
                                << "A1B2C3D4";
        QTest::newRow("either model")
            << QByteArray("MV210_4700") + own.mid(10) << None << true << "A1B2C3D4";
        QTest::newRow("another printer")
            << image("MV210", "21000999", "11.222.333/0001-81", " 123 ", "IM  ", "A1B2C3D4") << None
            << false << "00000000";
        QTest::newRow("lower case name")
            << QByteArray("mv210     ") + own.mid(10) << WrongFormat << false << "";
        QTest::newRow("name run on")
            << QByteArray("MV2100    ") + own.mid(10) << WrongFormat << false << "";
        QTest::newRow("name without padding")
            << QByteArray("MV210\0\0\0\0\0", 10) + own.mid(10) << WrongFormat << false << "";
        QTest::newRow("empty") << QByteArray() << Empty << false << "";
    }
    void reading() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, problem);
        QFETCH(bool, serialMatches);
        QFETCH(QString, code);
        const UserFile::Reading reading = UserFile::read(bytes, QStringLiteral("21000123"));
        QCOMPARE(int(reading.problem), problem);
        if (reading.problem != UserFile::Problem::None)
            return;
        QCOMPARE(reading.serialMatches, serialMatches);
        // Spaces around the texts are gone; the CNPJ is its 18 punctuated characters.
        QCOMPARE(reading.contents.cnpj, QStringLiteral("11.222.333/0001-81"));
        QCOMPARE(reading.contents.ie, QStringLiteral("123"));
        QCOMPARE(reading.contents.im, QStringLiteral("IM"));
        QCOMPARE(reading.contents.code, code);
    }

    // What is saved comes back, without the spaces around it.
    void roundTrip() {
        const UserFile::Contents typed{QStringLiteral("11.222.333/0001-81"),
                                       QStringLiteral("ISENTO  "), QStringLiteral("  ÇÃO"),
                                       QStringLiteral("ABCD")};
        const UserFile::Reading back = UserFile::read(
            UserFile::build(1, QStringLiteral("47000456"), typed), QStringLiteral("47000456"));
        QCOMPARE(int(back.problem), int(UserFile::Problem::None));
        QCOMPARE(back.contents.cnpj, typed.cnpj);
        QCOMPARE(back.contents.ie, QStringLiteral("ISENTO"));
        QCOMPARE(back.contents.im, QStringLiteral("ÇÃO"));
        QCOMPARE(back.contents.code, QStringLiteral("ABCD"));
    }
};

QTEST_APPLESS_MAIN(TestUsrFile)
#include "test_usr_file.moc"
