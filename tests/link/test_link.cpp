#include "core/clock.h"
#include "core/global.h"
#include "link/serial_new.h"
#include "support/scripted_transport.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <thread>

namespace {
QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out += char(v);
    return out;
}
} // namespace

class TestLink : public QObject {
    Q_OBJECT

    std::shared_ptr<ScriptedTransport::Shared> device;
    Link link;

    void openScripted() {
        device = std::make_shared<ScriptedTransport::Shared>();
        link.setTransportFactory(
            [this](const QString &) { return std::make_unique<ScriptedTransport>(device); });
        QCOMPARE(link.OpenPort("TEST", 9600, false), 0);
    }
    void script(const QByteArray &chunk) {
        std::lock_guard lock(device->mutex);
        device->chunks.push_back(chunk);
    }
    bool send(const QByteArray &frame) {
        return link.SendFrame(reinterpret_cast<const uint8_t *>(frame.constData()),
                              int(frame.size()));
    }

private slots:
    void init() {
        resetToolState();
        Clock::setScale(0.01);
    }
    void cleanup() {
        link.ClosePort();
        link.setTrafficObserver({});
        link.setMacroSink({});
        link.setTransportFactory({});
        Clock::setScale(1.0);
    }

    void callsBeforeAnyPortIsOpen() {
        uint8_t answer[Link::RxBufferSize];
        memset(answer, 'x', sizeof answer);
        const uint8_t frame[] = {27, 0xC8};
        QVERIFY(!link.SendFrame(frame, 2));
        QCOMPARE(link.WaitResponse(answer, WaitNormal), int16_t(0));
        QCOMPARE(answer[0], uint8_t('x')); // untouched: no wait took place
        QVERIFY(!link.PurgePort());
        QCOMPARE(link.IsCtsOn(), CtsLine::Off);
        QVERIFY(!link.isOpen());
    }

    void openFailureAndProbe() {
        device = std::make_shared<ScriptedTransport::Shared>();
        link.setTransportFactory(
            [this](const QString &) { return std::make_unique<ScriptedTransport>(device); });
        QCOMPARE(link.OpenPort("COM1", 9600, true), 0);
        QVERIFY(!link.isOpen());
        device->opens = false;
        QCOMPARE(link.OpenPort("COM1", 9600, false), 1);
        QVERIFY(!link.isOpen());
        QCOMPARE(Link::defaultTransport("/nonexistent/port")->open(), false);
    }

    void timeoutFillsNines_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("unscaledMs");
        QTest::newRow("WaitNormal") << int(WaitNormal) << 6000;
        QTest::newRow("WaitPoll") << int(WaitPoll) << 100;
        QTest::newRow("WaitShort") << int(WaitShort) << 2000;
    }
    void timeoutFillsNines() {
        QFETCH(int, mode);
        QFETCH(int, unscaledMs);
        openScripted();
        memset(link.RxBuffer, 'x', sizeof link.RxBuffer);
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(link.WaitResponse(link.RxBuffer, mode), int16_t(0));
        QVERIFY(elapsed.elapsed() >= Clock::scaled(unscaledMs) - 1);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(link.RxBuffer), 8),
                 QByteArray("999999\0\0", 8));
        QCOMPARE(QByteArray(reinterpret_cast<char *>(link.RxBuffer) + 6, 994),
                 QByteArray(994, '\0'));
        QCOMPARE(link.RxBuffer[1000], uint8_t('x'));
        QCOMPARE(device->readTimeouts, QList<int>{Clock::scaled(unscaledMs)});
    }

    void answerIsCopiedWhole() {
        openScripted();
        memset(link.RxBuffer, 'x', sizeof link.RxBuffer);
        script(":R0000abc");
        QCOMPARE(link.WaitResponse(link.RxBuffer, WaitNormal), int16_t(9));
        QCOMPARE(QByteArray(reinterpret_cast<char *>(link.RxBuffer), 10),
                 QByteArray(":R0000abc\0", 10));
        QCOMPARE(device->reads, 1); // one read per wait
    }

    void unlimitedWaitEndsWhenThePortCloses() {
        openScripted();
        int16_t length = -1;
        std::thread waiter([&] {
            uint8_t answer[Link::RxBufferSize];
            length = link.WaitResponse(answer, WaitUnlimited);
        });
        // The port thread counts its reads under the device's lock: look at them under it too.
        const auto reads = [this] {
            std::lock_guard lock(device->mutex);
            return device->reads;
        };
        QTRY_COMPARE(reads(), 1);
        {
            std::lock_guard lock(device->mutex);
            QCOMPARE(device->readTimeouts.value(0), -1);
        }
        link.ClosePort();
        waiter.join();
        QCOMPARE(length, int16_t(0));
    }

    void recordingHook_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<int>("recording");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("line");
        const QByteArray optionsFrame = bytes({27, 228}) + "SN1";
        QTest::newRow("B accepted") << uint(ModelB) << 1 << optionsFrame << QByteArray(":R0000")
                                    << QByteArray("[ESC][228]SN1\r\n");
        QTest::newRow("B refused")
            << uint(ModelB) << 1 << optionsFrame << QByteArray(":R1000") << QByteArray();
        QTest::newRow("B no answer")
            << uint(ModelB) << 1 << optionsFrame << QByteArray() << QByteArray();
        QTest::newRow("B short answer")
            << uint(ModelB) << 1 << optionsFrame << QByteArray(":R0") << QByteArray();
        QTest::newRow("A accepted") << uint(ModelA) << 1 << bytes({27, 200}) << QByteArray(":x")
                                    << QByteArray("[ESC][200]\r\n");
        QTest::newRow("A refused")
            << uint(ModelA) << 1 << bytes({27, 200}) << QByteArray(":E10") << QByteArray();
        QTest::newRow("A one-byte answer") << uint(ModelA) << 1 << bytes({27, 'Y'})
                                           << QByteArray(":") << QByteArray("[ESC][089]\r\n");
        QTest::newRow("escapes") << uint(ModelA) << 1 << bytes({27, 0xF3, 'a', 13, 10, 255, 0x80})
                                 << QByteArray(":ok")
                                 << QByteArray("[ESC][243]a[CR][LF][255]\x80\r\n");
        QTest::newRow("no ESC") << uint(ModelA) << 1 << bytes({'A', 27, 13}) << QByteArray(":ok")
                                << (QByteArray("A") + char(27) + "[CR]\r\n");
        QTest::newRow("GS never") << uint(ModelB) << 1 << bytes({29, 5}) << QByteArray(":R0000")
                                  << QByteArray();
        QTest::newRow("paused") << uint(ModelB) << 2 << optionsFrame << QByteArray(":R0000")
                                << QByteArray();
        QTest::newRow("playing back")
            << uint(ModelB) << 3 << optionsFrame << QByteArray(":R0000") << QByteArray();
        QTest::newRow("no model") << uint(ModelNone) << 1 << bytes({27, 1}) << QByteArray(":E")
                                  << QByteArray("[ESC][001]\r\n");
    }
    void recordingHook() {
        QFETCH(uint, model);
        QFETCH(int, recording);
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, line);
        openScripted();
        toolState().ModelCode = model;
        toolState().RecordingState = recording;
        QByteArrayList lines;
        link.setMacroSink([&](const QByteArray &l) { lines << l; });
        script(answer);
        script(answer);
        QVERIFY(send(frame));
        QCOMPARE(link.WaitResponse(link.RxBuffer, WaitNormal), int16_t(answer.size()));
        // A second answer to the same frame writes nothing more.
        QCOMPARE(link.WaitResponse(link.RxBuffer, WaitNormal), int16_t(answer.size()));
        QCOMPARE(lines, line.isEmpty() ? QByteArrayList() : QByteArrayList{line});
    }

    void viewerFeed_data() {
        QTest::addColumn<bool>("feed");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    void viewerFeed() {
        QFETCH(bool, feed);
        openScripted();
        toolState().ViewerFeed = feed;
        QList<QPair<TrafficDirection, QByteArray>> seen;
        link.setTrafficObserver([&](TrafficDirection d, const QByteArray &b) {
            seen.append({d, b});
        });
        script(":10043");
        QVERIFY(send(bytes({27, 0xC3})));
        QCOMPARE(link.WaitResponse(link.RxBuffer, WaitShort), int16_t(6));
        QCOMPARE(link.WaitResponse(link.RxBuffer, WaitPoll), int16_t(0)); // silence feeds nothing
        if (!feed) {
            QVERIFY(seen.isEmpty());
            return;
        }
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[0].first, TrafficDirection::Sent);
        QCOMPARE(seen[0].second, bytes({27, 0xC3}));
        QCOMPARE(seen[1].first, TrafficDirection::Received);
        QCOMPARE(seen[1].second, QByteArray(":10043"));
    }

    void sendsOnlyTheGivenLength() {
        openScripted();
        memset(link.TxBuffer, 'z', sizeof link.TxBuffer);
        link.TxBuffer[0] = 27;
        link.TxBuffer[1] = 0xE6;
        QVERIFY(link.SendFrame(link.TxBuffer, 2));
        QVERIFY(link.SendFrame(link.TxBuffer, 100000)); // never past the buffer
        QCOMPARE(device->written.value(0), bytes({27, 0xE6}));
        QCOMPARE(device->written.value(1).size(), Link::TxBufferSize);
    }

    void purgeAndCts() {
        openScripted();
        script("stale");
        QVERIFY(link.PurgePort());
        QCOMPARE(device->purges, 1);
        QCOMPARE(link.WaitResponse(link.RxBuffer, WaitPoll), int16_t(0));
        QCOMPARE(link.IsCtsOn(), CtsLine::On);
        device->cts = CtsLine::Off;
        QCOMPARE(link.IsCtsOn(), CtsLine::Off);
    }

    // A thread that holds an exchange keeps every other thread's frames off the line until
    // its answer is in.
    void exchangesDoNotInterleave() {
        openScripted();
        script("first answer");
        Event holding;
        std::thread owner([&] {
            Link::Exchange exchange(link);
            holding.set();
            send("F1");
            QThread::msleep(50);
            uint8_t answer[Link::RxBufferSize];
            link.WaitResponse(answer, WaitNormal);
        });
        holding.wait();
        QVERIFY(send("F2"));
        owner.join();
        QCOMPARE(device->written, (QByteArrayList{"F1", "F2"}));
    }
};

QTEST_MAIN(TestLink)
#include "test_link.moc"
