// The UI thread and its workers: the clock's scaled waits, which keep the UI thread serving
// timers and queued calls, the events threads wake each other with, and the message routine
// the application installs (a message box on the UI thread, also when a worker asks, which
// then waits for the user's answer).
#include "core/clock.h"
#include "core/condition.h"
#include "widgets/qt_messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <thread>

class TestQtMessages : public QObject {
    Q_OBJECT

    // Answers the next message box by pressing the button with `text`, and notes what it saw.
    void answerWith(const QString &buttonText) {
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [=, this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (!box || !box->isVisible())
                    continue;
                seenText = box->text();
                seenCaption = box->windowTitle();
                for (QAbstractButton *b : box->buttons())
                    if (b->text() == buttonText)
                        b->click();
                timer->deleteLater();
                return;
            }
        });
        timer->start(10);
    }

    QString seenText, seenCaption;

private slots:
    void cleanup() { Clock::setScale(1.0); }

    void scaling_data() {
        QTest::addColumn<double>("factor");
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("expected");
        QTest::newRow("real time") << 1.0 << 6000 << 6000;
        QTest::newRow("shortened") << 0.01 << 6000 << 60;
        QTest::newRow("never below 1 ms") << 0.001 << 100 << 1;
        QTest::newRow("zero stays zero") << 0.01 << 0 << 0;
        QTest::newRow("bad factor means real time") << -3.0 << 250 << 250;
    }
    void scaling() {
        QFETCH(double, factor);
        QFETCH(int, ms);
        QFETCH(int, expected);
        Clock::setScale(factor);
        QCOMPARE(Clock::scaled(ms), expected);
    }

    void sleepOnUiThreadKeepsTimersRunning() {
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(5);
        QElapsedTimer elapsed;
        elapsed.start();
        Clock::sleep(120);
        QVERIFY(elapsed.elapsed() >= 119);
        QVERIFY(ticks >= 3);
    }

    // An event set by another thread wakes the waiter, on the UI thread and off it.
    void eventWakesWaiters_data() {
        QTest::addColumn<bool>("onUiThread");
        QTest::newRow("UI thread") << true;
        QTest::newRow("worker") << false;
    }
    void eventWakesWaiters() {
        QFETCH(bool, onUiThread);
        Event event;
        bool woke = false;
        std::thread setter([&] {
            QThread::msleep(20);
            event.set();
        });
        if (onUiThread) {
            QVERIFY(Clock::onUiThread());
            woke = event.wait(10000);
        } else {
            std::thread waiter([&] { woke = !Clock::onUiThread() && event.wait(10000); });
            waiter.join();
        }
        setter.join();
        QVERIFY(woke);
        QVERIFY(event.isSet());
        event.reset();
        QVERIFY(!event.isSet());
        QVERIFY(!event.wait(1));
    }

    // A step queued to the UI thread by a worker runs while the UI thread waits.
    void uiWaitServesQueuedCalls() {
        Event done;
        bool ranOnUi = false;
        std::thread worker([&] {
            QMetaObject::invokeMethod(
                qApp, [&] { ranOnUi = Clock::onUiThread(); }, Qt::BlockingQueuedConnection);
            done.set();
        });
        QVERIFY(done.wait(10000));
        worker.join();
        QVERIFY(ranOnUi);
    }

    void nowHonoursOffset() {
        const QDateTime before = QDateTime::currentDateTime();
        Clock::setNowOffsetSeconds(3600);
        const qint64 ahead = before.secsTo(Clock::now());
        Clock::setNowOffsetSeconds(0);
        QVERIFY(ahead >= 3599 && ahead <= 3700);
    }

    void questionFromAWorkerWaitsForTheAnswer() {
        QtMessages messages;
        answerWith(QStringLiteral("Sim"));
        MessageAnswer answer = MessageAnswer::Ok;
        std::atomic<bool> done = false; // polled here while the worker sets it
        std::thread worker([&] {
            answer =
                messages.show({QStringLiteral("Confirma a Redução Z?"), QStringLiteral("Atenção"),
                               MessageButtons::YesNo, MessageStyle::Question});
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
        worker.join();
        QCOMPARE(answer, MessageAnswer::Yes);
        QCOMPARE(seenText, QStringLiteral("Confirma a Redução Z?"));
        QCOMPARE(seenCaption, QStringLiteral("Atenção"));
    }

    void okOnTheUiThread() {
        QtMessages messages;
        answerWith(QStringLiteral("OK"));
        QCOMPARE(messages.show({QStringLiteral("ERRO DE COMUNICAÇÃO!"), QStringLiteral("Erro"),
                                MessageButtons::Ok, MessageStyle::Error}),
                 MessageAnswer::Ok);
        QCOMPARE(seenCaption, QStringLiteral("Erro"));
    }
};

QTEST_MAIN(TestQtMessages)
#include "test_qt_messages.moc"
