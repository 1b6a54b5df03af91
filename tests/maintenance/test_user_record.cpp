// The user record: the CNPJ check digits, when the authorization code is needed, which codes
// may be sent, the record block, and the frames each model and firmware send for it (through the
// emulated printers, which keep what arrived).
#include "core/clock.h"
#include "core/global.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "maintenance/cnpj.h"
#include "maintenance/user_record.h"
#include "printer.h"
#include "protocol/command_set.h"
#include "support/recording_messages.h"

#include <QtTest>

namespace {

constexpr uint B = 1;
constexpr uint A = 2;

QString portOf(uint model) {
    return QString::fromLatin1(model == A ? EmulatedPorts::ModelAPort : EmulatedPorts::ModelBPort);
}

std::shared_ptr<emu::Printer> printer(uint model) {
    return EmulatedPorts::printerFor(portOf(model));
}

QByteArray blockBytes(const UserRecordBlock &block) {
    return QByteArray(reinterpret_cast<const char *>(&block), sizeof block);
}

QByteArray lastFrameStartingWith(uint model, const QByteArray &start) {
    QByteArray found;
    for (const QByteArray &frame : printer(model)->receivedFrames())
        if (frame.startsWith(start))
            found = frame;
    return found;
}

} // namespace

class TestUserRecord : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingMessages> messages;

    void usePrinter(uint model, const QByteArray &serial, const QByteArray &firmware) {
        printer(model)->setIdentity({serial, firmware, "0001"});
        printer(model)->setMaintenanceJumper(true);
        toolState().ModelCode = model;
        toolState().FirmwareVersionNumber = firmware.toDouble();
        toolState().PrinterSerial.set(QString::fromLatin1(serial));
        toolState().PrinterPresent = true;
        QCOMPARE(printerLink().OpenPort(portOf(model), 9600, false), 0);
    }

private slots:
    void init() {
        printerLink().ClosePort();
        EmulatedPorts::replacePrinters();
        resetToolState();
        Clock::setScale(0.01);
        messages = std::make_unique<RecordingMessages>();
    }
    void cleanup() {
        printerLink().ClosePort();
        messages.reset();
        Clock::setScale(1.0);
    }

    // `text` is what the masked edit holds; the check runs on its digits.
    void checkDigits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("example") << "11.222.333/0001-81" << true;
        QTest::newRow("second digit off by one") << "11.222.333/0001-82" << false;
        QTest::newRow("first digit off by one") << "11.222.333/0001-91" << false;
        QTest::newRow("digits swapped in the base") << "12.122.333/0001-81" << false;
        QTest::newRow("check digits swapped") << "11.222.333/0001-18" << false;
        QTest::newRow("bare digits") << "11222333000181" << true;
        QTest::newRow("first remainder 0") << "96.253.980/0001-03" << true;
        QTest::newRow("first remainder 1") << "85.209.555/0001-09" << true;
        QTest::newRow("second remainder 0") << "81.056.775/0001-80" << true;
        QTest::newRow("second remainder 1") << "73.045.210/0001-70" << true;
        QTest::newRow("remainder 1 taken as 1") << "85.209.555/0001-19" << false;
        QTest::newRow("first digit 0, second 1") << "33.000.167/0001-01" << true;
        QTest::newRow("branch 0001, base 1") << "00.000.000/0001-91" << true;
        QTest::newRow("all zeros") << "00.000.000/0000-00" << false;
        QTest::newRow("all ones") << "11.111.111/1111-11" << false;
        QTest::newRow("all nines") << "99.999.999/9999-99" << false;
        QTest::newRow("one digit missing") << "11.222.333/0001-8_" << false;
        QTest::newRow("13 digits") << "1122233300018" << false;
        QTest::newRow("15 digits") << "112223330001810" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("empty mask") << "__.___.___/____-__" << false;
        QTest::newRow("letter in place of a digit") << "11.222.333/000A-81" << false;
    }
    void checkDigits() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(Cnpj::isValid(Cnpj::digitsOf(text)), valid);
    }

    // The check takes digits only: the punctuated text itself, or digits with other
    // characters among them, are not a CNPJ.
    void onlyDigitsAreChecked_data() {
        QTest::addColumn<QString>("digits");
        QTest::newRow("punctuated") << "11.222.333/0001-81";
        QTest::newRow("spaces") << "11222333 0001 81";
        QTest::newRow("14 with a letter") << "1122233300A181";
        QTest::newRow("non-ASCII digits") << QStringLiteral("١١٢٢٢٣٣٣٠٠٠١٨١");
    }
    void onlyDigitsAreChecked() {
        QFETCH(QString, digits);
        QVERIFY(!Cnpj::isValid(digits));
    }

    void passwordRequired_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<double>("firmware");
        QTest::addColumn<bool>("required");
        QTest::newRow("A 1.20") << A << 1.20 << false;
        QTest::newRow("A 1.21") << A << 1.21 << false;
        QTest::newRow("A 1.22") << A << 1.22 << true;
        QTest::newRow("A 1.22 as read from text") << A << QByteArray("1.22").toDouble() << true;
        QTest::newRow("A 1.3") << A << 1.3 << true;
        QTest::newRow("A 1.01 is model B's line") << A << 1.01 << false;
        QTest::newRow("B 1.00") << B << 1.00 << false;
        QTest::newRow("B 1.01") << B << 1.01 << true;
        QTest::newRow("B 1.05") << B << 1.05 << true;
        QTest::newRow("no model") << 0u << 2.0 << false;
        QTest::newRow("unknown model") << 3u << 2.0 << false;
    }
    void passwordRequired() {
        QFETCH(uint, model);
        QFETCH(double, firmware);
        QFETCH(bool, required);
        QCOMPARE(UserRecord::passwordRequired(model, firmware), required);
    }

    void codeUsable_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("usable");
        QTest::newRow("eight characters") << "A1B2C3D4" << true;
        QTest::newRow("eight digits") << "12345678" << true;
        QTest::newRow("placeholder") << "00000000" << false;
        QTest::newRow("placeholder with spaces") << " 00000000 " << false;
        QTest::newRow("seven") << "A1B2C3D" << false;
        QTest::newRow("seven and a space after") << "A1B2C3D " << false;
        QTest::newRow("seven and a space before") << " A1B2C3D" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("spaces") << "        " << false;
    }
    void codeUsable() {
        QFETCH(QString, code);
        QFETCH(bool, usable);
        QCOMPARE(UserRecord::codeUsable(code), usable);
    }

    void block() {
        const UserRecordBlock block =
            UserRecord::build(QStringLiteral("11.222.333/0001-81"), QStringLiteral("ISENTO "),
                              QString(), QStringLiteral("A1B2C3D4"));
        QCOMPARE(blockBytes(block), QByteArray("11.222.333/0001-81  "
                                               "ISENTO              "
                                               "                    "
                                               "A1B2C3D4            "));
        const UserRecordBlock empty = UserRecord::build({}, {}, {}, {});
        QCOMPARE(blockBytes(empty), QByteArray(80, ' '));
        const UserRecordBlock cut =
            UserRecord::build(QStringLiteral("x"), QStringLiteral("123456789012345678901234"),
                              QStringLiteral("Ç"), QString());
        QCOMPARE(blockBytes(cut).mid(20, 40),
                 QByteArray("12345678901234567890\xC7") + QByteArray(19, ' '));
    }

    // The frame that carries the user, per model and firmware, as the printer received and
    // stored it. The printer checks the authorization code where its firmware asks for one.
    void recordFrame_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<QString>("im");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("codeAt"); // -1: no code in the frame
        QTest::addColumn<int>("imAt");   // where "IM:" would begin
        QTest::newRow("A 1.20 with IM") << A << QByteArray("1.20") << "IM-77" << 120 << -1 << 72;
        QTest::newRow("A 1.20 no IM") << A << QByteArray("1.20") << "" << 120 << -1 << 72;
        QTest::newRow("A 1.22") << A << QByteArray("1.22") << "IM-77" << 128 << 120 << 72;
        QTest::newRow("B 1.00 with IM") << B << QByteArray("1.00") << "IM-77" << 104 << -1 << 56;
        QTest::newRow("B 1.00 no IM") << B << QByteArray("1.00") << "" << 104 << -1 << 56;
        QTest::newRow("B 1.01") << B << QByteArray("1.01") << "IM-77" << 112 << 104 << 56;
        QTest::newRow("B 1.05 no IM") << B << QByteArray("1.05") << "" << 112 << 104 << 56;
    }
    void recordFrame() {
        QFETCH(uint, model);
        QFETCH(QByteArray, firmware);
        QFETCH(QString, im);
        QFETCH(int, length);
        QFETCH(int, codeAt);
        QFETCH(int, imAt);
        const QByteArray serial = model == A ? "21000123" : "47000456";
        usePrinter(model, serial, firmware);
        const QByteArray cnpj = "11.222.333/0001-81";
        const QByteArray code = UserRecord::passwordRequired(model, firmware.toDouble())
                                    ? emu::authorizationCode(serial, cnpj)
                                    : QByteArray();
        const UserRecordBlock block =
            UserRecord::build(QString::fromLatin1(cnpj), QStringLiteral("123.456.789"), im,
                              QString::fromLatin1(code));
        QVERIFY(commandSetFor(model)->RecordUser(block));
        QCOMPARE(messages->texts(), QStringList{QStringLiteral("Usuário gravado!")});

        const QByteArray frame = lastFrameStartingWith(model, "\x1B\xBE");
        QCOMPARE(frame.size(), length);
        if (codeAt >= 0)
            QCOMPARE(frame.mid(codeAt), code);
        if (im.isEmpty())
            QCOMPARE(frame.mid(imAt, 23), QByteArray(23, ' '));
        else
            QCOMPARE(frame.mid(imAt, 23), "IM:" + im.toLatin1().leftJustified(20, ' '));

        const std::optional<emu::UserRecord> stored = printer(model)->userRecord();
        QVERIFY(stored.has_value());
        QCOMPARE(stored->cnpj, cnpj + "  ");
        QCOMPARE(stored->ie, QByteArray("123.456.789").leftJustified(20, ' '));
        QCOMPARE(stored->im, im.toLatin1().leftJustified(20, ' '));

        // The intervention that comes first clears the programming and sets the maker's
        // one-line header.
        const QByteArray intervention = lastFrameStartingWith(model, "\x1B\xC0");
        QCOMPARE(intervention.size(), 37);
        QCOMPARE(intervention.mid(14), QByteArray("ZZZ R0001KORVEL S.A.\r\n\xFF"));
    }

    // A wrong code is refused by the printer with newer firmware: the user is not stored.
    void wrongCodeIsRefused_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("firmware");
        QTest::newRow("A") << A << QByteArray("1.22");
        QTest::newRow("B") << B << QByteArray("1.05");
    }
    void wrongCodeIsRefused() {
        QFETCH(uint, model);
        QFETCH(QByteArray, firmware);
        usePrinter(model, "12345678", firmware);
        const std::optional<emu::UserRecord> before = printer(model)->userRecord();
        QVERIFY(before.has_value());
        const UserRecordBlock block =
            UserRecord::build(QStringLiteral("11.222.333/0001-81"), QStringLiteral("1"), QString(),
                              QStringLiteral("ABCDEFGH"));
        QVERIFY(!commandSetFor(model)->RecordUser(block));
        QVERIFY(!messages->texts().contains(QStringLiteral("Usuário gravado!")));
        QCOMPARE(printer(model)->userRecord()->ie, before->ie); // the factory record stays
    }
};

QTEST_GUILESS_MAIN(TestUserRecord)
#include "test_user_record.moc"
