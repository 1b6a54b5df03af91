// The logic behind the shell's windows: Tool.cfg, the clock texts, the status lights and the
// traffic viewer's two forms.
#include "app/status_lights.h"
#include "app/tool_config.h"
#include "app/traffic_text.h"
#include "core/clock_text.h"
#include "core/global.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
StatusRecord statusFrom(const QByteArray &digits) {
    StatusRecord status;
    for (int i = 0; i < 12; ++i) {
        const char c = digits[i];
        status.bytes[i + 1] = uint8_t(c <= '9' ? c - '0' : c - '7');
    }
    return status;
}
QString litNames(const StatusLights::Lights &lights) {
    QStringList on;
    for (int i = 0; i < StatusLights::Count; ++i)
        if (lights[i])
            on << QString::number(i + 1);
    return on.join(QLatin1Char(','));
}
} // namespace

class TestShellLogic : public QObject {
    Q_OBJECT
private slots:
    // The record's layout is checked in the bytes the main window saves; here the port name's
    // 12 bytes.
    void toolConfigPortName() {
        ToolConfigFile::Record record{};
        QCOMPARE(ToolConfig::portName(record), QString());
        ToolConfig::setModelCode(record, ModelB);
        ToolConfig::setPortName(record, QStringLiteral("/dev/ttyUSB0-long-name"));
        QCOMPARE(ToolConfig::portName(record), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(ToolConfig::modelCode(record), uint32_t(ModelB)); // not overwritten
    }

    void toolConfigFileIsHeldAndShortFilesReadAsZero() {
        QTemporaryDir dir;
        {
            QFile f(dir.filePath("Tool.cfg"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("COM3 ", 5); // shorter than the record
        }
        ToolConfigFile first;
        ToolConfigFile::Record record{};
        QCOMPARE(first.open(dir.path(), record), ToolConfigFile::Opening::Opened);
        QCOMPARE(ToolConfig::portName(record), QStringLiteral("COM3"));
        QCOMPARE(ToolConfig::modelCode(record), 0u);
        // A second instance in the same folder neither reads nor saves.
        ToolConfigFile second;
        ToolConfigFile::Record other{};
        QCOMPARE(second.open(dir.path(), other), ToolConfigFile::Opening::HeldElsewhere);
        other.fill(7);
        second.saveAndClose(other);
        ToolConfig::setModelCode(record, ModelA);
        first.saveAndClose(record);
        QFile f(dir.filePath("Tool.cfg"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("COM3 \0\0\0\0\0\0\0\x02\0\0\0\0\0\0\0", 20));
    }

    void clockDifference_data() {
        QTest::addColumn<double>("offsetSeconds");
        QTest::addColumn<bool>("present");
        QTest::addColumn<QString>("text");
        QTest::newRow("ahead") << 12.4 << true << "12";
        QTest::newRow("behind") << -7.6 << true << "(-) 7";
        QTest::newRow("five ahead") << 5.0 << true << "5";
        QTest::newRow("five behind") << -5.0 << true << "(-) 5";
        QTest::newRow("no printer") << 3.0 << false << "XXXXXXXXX";
    }
    void clockDifference() {
        QFETCH(double, offsetSeconds);
        QFETCH(bool, present);
        QFETCH(QString, text);
        const QDateTime now(QDate(2026, 12, 6), QTime(10, 30, 0));
        const double printer = ClockText::toDays(now) + offsetSeconds / 86400.0;
        QCOMPARE(ClockText::difference(printer, now, present), text);
    }

    void clockFormat() {
        const QDateTime t(QDate(2006, 12, 31), QTime(23, 59, 59));
        QCOMPARE(ClockText::format(t, false), QStringLiteral("31/12/2006 23:59:59"));
        QCOMPARE(ClockText::format(t, true), QStringLiteral("31/12/2006 23:59:59V"));
        QCOMPARE(ClockText::fromDays(ClockText::toDays(t)), t);
        QCOMPARE(ClockText::format(ClockText::fromDays(ClockText::toDays(t) + ClockText::OneSecond),
                                   false),
                 QStringLiteral("01/01/2007 00:00:00"));
    }

    void statusLights_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<double>("firmware");
        QTest::addColumn<QByteArray>("digits");
        QTest::addColumn<QString>("lit");
        QTest::newRow("B all zero") << uint(ModelB) << 1.05 << QByteArray("000000000000") << "4,10";
        QTest::newRow("B normal") << uint(ModelB) << 1.05 << QByteArray("008230000000") << "";
        QTest::newRow("B everything")
            << uint(ModelB) << 1.05 << QByteArray("FFF7FFFFFFFF") << "2,3,7,8,9,11,12,13,14,15";
        QTest::newRow("B RZ pending on 1.01")
            << uint(ModelB) << 1.01 << QByteArray("008230080000") << "3";
        QTest::newRow("B RZ pending ignored below 1.01")
            << uint(ModelB) << 1.00 << QByteArray("008230080000") << "";
        QTest::newRow("A maintenance") << uint(ModelA) << 1.20 << QByteArray("200204000000") << "4";
        QTest::newRow("A all zero") << uint(ModelA) << 1.20 << QByteArray("000000000000") << "4,10";
        QTest::newRow("A everything") << uint(ModelA) << 1.20 << QByteArray("FFF7FBFFFFFF")
                                      << "1,2,3,6,7,8,9,10,11,12,13,14,15";
        QTest::newRow("no model") << 0u << 1.20 << QByteArray("FFFFFFFFFFFF") << "";
    }
    void statusLights() {
        QFETCH(uint, model);
        QFETCH(double, firmware);
        QFETCH(QByteArray, digits);
        QFETCH(QString, lit);
        QCOMPARE(litNames(StatusLights::decode(model, firmware, statusFrom(digits))), lit);
    }

    void trafficText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("text");
        QTest::newRow("clock frame") << QByteArray("\x1B\xE6") << true << "1B E6    "
                                     << "[ESC][230] ";
        QTest::newRow("status poll") << QByteArray("\x1D\x05") << true << "1D 05    "
                                     << "[GS][005] ";
        QTest::newRow("received ESC") << QByteArray("\x1B", 1) << false << "1B    "
                                      << "[027]   ";
        QTest::newRow("spaces") << QByteArray("     ") << true << "20 20 20 20 20    "
                                << "bbbbb ";
        QTest::newRow("end mark") << QByteArray(":\xFF\r\n") << false << "3A FF 0D 0A    "
                                  << ":[255][CR][LF]   ";
        QTest::newRow("low and DEL")
            << QByteArray("\x02\x7F!", 3) << false << "02 7F 21    " << QString("[002]\x7F!   ");
    }
    void trafficText() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, sent);
        QFETCH(QString, hex);
        QFETCH(QString, text);
        QCOMPARE(TrafficText::hex(bytes), hex);
        QCOMPARE(TrafficText::text(bytes, sent), text);
    }
};

QTEST_GUILESS_MAIN(TestShellLogic)
#include "test_shell_logic.moc"
