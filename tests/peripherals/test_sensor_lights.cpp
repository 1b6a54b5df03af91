// Reading the sensors from the status poll's answer, per model.
#include "core/global.h"
#include "peripherals/sensor_lights.h"

#include <QtTest>

using SensorLights::Sensors;

Q_DECLARE_METATYPE(Sensors)

namespace {
// A poll answer: ':' then the digits s1, s2 and ten more, then 0xFF CR.
QByteArray answer(char s1, char s2) {
    QByteArray bytes = QByteArray(":") + s1 + s2 + QByteArray(10, '0') + "\xFF\r";
    bytes.append(QByteArray(32, '\0'));
    return bytes;
}
Sensors sensors(int drawer, int cover, int check, int authentication, int paperEnd, int paperLow) {
    return {drawer, cover, check, authentication, paperEnd, paperLow};
}
} // namespace

class TestSensorLights : public QObject {
    Q_OBJECT
private slots:
    void decode_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<char>("s1");
        QTest::addColumn<char>("s2");
        QTest::addColumn<Sensors>("expected");
        // Model B: drawer s1.3, cover s1.1, check s2.3, slip s2.2, paper end s2.1, low s2.0.
        QTest::newRow("B nothing") << uint(ModelB) << '0' << '0' << sensors(0, 0, 0, 0, 0, 0);
        QTest::newRow("B drawer") << uint(ModelB) << '8' << '0' << sensors(1, 0, 0, 0, 0, 0);
        QTest::newRow("B cover") << uint(ModelB) << '2' << '0' << sensors(0, 1, 0, 0, 0, 0);
        QTest::newRow("B s1 other bits") << uint(ModelB) << '5' << '0' << sensors(0, 0, 0, 0, 0, 0);
        QTest::newRow("B check") << uint(ModelB) << '0' << '8' << sensors(0, 0, 1, 0, 0, 0);
        QTest::newRow("B slip") << uint(ModelB) << '0' << '4' << sensors(0, 0, 0, 1, 0, 0);
        QTest::newRow("B paper end") << uint(ModelB) << '0' << '2' << sensors(0, 0, 0, 0, 1, 0);
        QTest::newRow("B paper low") << uint(ModelB) << '0' << '1' << sensors(0, 0, 0, 0, 0, 1);
        QTest::newRow("B all") << uint(ModelB) << 'A' << 'F' << sensors(1, 1, 1, 1, 1, 1);
        // Model A: drawer s1.3, slip when s1.1 is CLEAR, paper end s1.0, low s2.0; no cover,
        // no check whatever the bits say.
        QTest::newRow("A slip out") << uint(ModelA) << '2' << '0' << sensors(0, 0, 0, 0, 0, 0);
        QTest::newRow("A slip in") << uint(ModelA) << '0' << '0' << sensors(0, 0, 0, 1, 0, 0);
        QTest::newRow("A drawer") << uint(ModelA) << 'A' << '0' << sensors(1, 0, 0, 0, 0, 0);
        QTest::newRow("A paper end") << uint(ModelA) << '3' << '0' << sensors(0, 0, 0, 0, 1, 0);
        QTest::newRow("A paper low") << uint(ModelA) << '2' << '1' << sensors(0, 0, 0, 0, 0, 1);
        QTest::newRow("A s2 other bits") << uint(ModelA) << '2' << 'E' << sensors(0, 0, 0, 0, 0, 0);
        QTest::newRow("A all") << uint(ModelA) << '9' << 'F' << sensors(1, 0, 0, 1, 1, 1);
        QTest::newRow("no model") << uint(ModelNone) << 'F' << 'F' << sensors(0, 0, 0, 0, 0, 0);
    }
    void decode() {
        QFETCH(uint, model);
        QFETCH(char, s1);
        QFETCH(char, s2);
        QFETCH(Sensors, expected);
        const QByteArray bytes = answer(s1, s2);
        const Sensors got =
            SensorLights::decode(model, reinterpret_cast<const uint8_t *>(bytes.constData()));
        QCOMPARE(got.drawer, expected.drawer);
        QCOMPARE(got.cover, expected.cover);
        QCOMPARE(got.check, expected.check);
        QCOMPARE(got.authentication, expected.authentication);
        QCOMPARE(got.paperEnd, expected.paperEnd);
        QCOMPARE(got.paperLow, expected.paperLow);
    }

    void frames_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("poll");
        QTest::addColumn<QByteArray>("drawer");
        QTest::addColumn<bool>("answered");
        QTest::newRow("MV4700") << uint(ModelB) << QByteArray("\x1D\x05", 2)
                                << QByteArray("\x1Bp100") << true;
        QTest::newRow("MV210") << uint(ModelA) << QByteArray("\x1D\xFF", 2)
                               << QByteArray("\x1Bp000") << false;
        QTest::newRow("none") << uint(ModelNone) << QByteArray() << QByteArray() << false;
    }
    void frames() {
        QFETCH(uint, model);
        QFETCH(QByteArray, poll);
        QFETCH(QByteArray, drawer);
        QFETCH(bool, answered);
        QCOMPARE(SensorLights::pollFrame(model), poll);
        QCOMPARE(SensorLights::drawerFrame(model), drawer);
        QCOMPARE(SensorLights::drawerAnswered(model), answered);
    }
};

QTEST_GUILESS_MAIN(TestSensorLights)
#include "test_sensor_lights.moc"
