// The link over a real pseudo-terminal: the serial transport's chunking and byte
// transparency, with the test playing the printer on the master side.
#include "core/clock.h"
#include "core/global.h"
#include "link/serial_new.h"

#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

class TestLinkPty : public QObject {
    Q_OBJECT

    int master = -1;
    QString slavePath;
    Link link;

    void writeMaster(const QByteArray &data) {
        qsizetype done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(master, data.constData() + done, size_t(data.size() - done));
            QVERIFY(n > 0);
            done += n;
        }
    }
    QByteArray readMaster(int want, int timeoutMs = 2000) {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (got.size() < want && t.elapsed() < timeoutMs) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                char buf[4096];
                const ssize_t n = ::read(master, buf, sizeof buf);
                if (n > 0)
                    got.append(buf, n);
            }
        }
        return got;
    }
    QByteArray wait(int mode) {
        const int16_t n = link.WaitResponse(link.RxBuffer, mode);
        return QByteArray(reinterpret_cast<const char *>(link.RxBuffer), n);
    }

private slots:
    void init() {
        resetToolState();
        Clock::setScale(1.0);
        master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
        slavePath = QString::fromLocal8Bit(ptsname(master));
        termios tio{};
        tcgetattr(master, &tio);
        cfmakeraw(&tio);
        tcsetattr(master, TCSANOW, &tio);
        QCOMPARE(link.OpenPort(slavePath, 9600, false), 0);
    }
    void cleanup() {
        link.ClosePort();
        ::close(master);
    }

    void everyByteValueBothWays() {
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all += char(i);
        QVERIFY(link.SendFrame(reinterpret_cast<const uint8_t *>(all.constData()), 256));
        QCOMPARE(readMaster(256), all);
        writeMaster(all);
        QCOMPARE(wait(WaitShort), all);
    }

    void gapEndsAChunk_data() {
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<bool>("split");
        QTest::newRow("40 ms pause, one chunk") << 40 << false;
        QTest::newRow("400 ms pause, two chunks") << 400 << true;
    }
    void gapEndsAChunk() {
        QFETCH(int, pauseMs);
        QFETCH(bool, split);
        // The printer sends while the tool is already waiting.
        std::thread printer([&] {
            QThread::msleep(30);
            writeMaster("first");
            QThread::msleep(unsigned(pauseMs));
            writeMaster("second");
        });
        const QByteArray a = wait(WaitShort);
        const QByteArray b = wait(WaitShort);
        printer.join();
        if (split) {
            QCOMPARE(a, QByteArray("first"));
            QCOMPARE(b, QByteArray("second"));
        } else {
            QCOMPARE(a, QByteArray("firstsecond"));
            QCOMPARE(b, QByteArray());
        }
    }

    void longAnswerComesInChunksOf1500() {
        QByteArray data;
        for (int i = 0; i < 4000; ++i)
            data += char('A' + i % 26);
        writeMaster(data);
        QCOMPARE(wait(WaitShort), data.mid(0, 1500));
        QCOMPARE(wait(WaitShort), data.mid(1500, 1500));
        QCOMPARE(wait(WaitShort), data.mid(3000));
        QCOMPARE(wait(WaitPoll), QByteArray());
    }

    // What waits is dropped by the purge; the silence after it times out with the '9' fill.
    void purgeThenSilence() {
        writeMaster("stale answer");
        QThread::msleep(50);
        QVERIFY(link.PurgePort());
        QElapsedTimer t;
        t.start();
        QCOMPARE(link.WaitResponse(link.RxBuffer, WaitPoll), int16_t(0));
        QVERIFY(t.elapsed() >= 99);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(link.RxBuffer), 7),
                 QByteArray("999999\0", 7));
    }
};

QTEST_MAIN(TestLinkPty)
#include "test_link_pty.moc"
