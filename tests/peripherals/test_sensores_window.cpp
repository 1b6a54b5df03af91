// The sensors window and its polling thread against the built-in emulated printers of both
// models. Protocol durations are shortened through the clock.
#include "core/named_event.h"
#include "peripherals/sensores.h"
#include "support/recording_messages.h"
#include "support/screenshot.h"
#include "support/window_fixture.h"
#include "widgets/indicator.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {
const QColor Grey(192, 192, 192), White(255, 255, 255), Cyan(0, 255, 255);

using Control = std::function<void(emu::Printer &, bool)>;

int framesLike(emu::Printer &printer, const QByteArray &frame) {
    int n = 0;
    for (const QByteArray &f : printer.receivedFrames())
        n += f == frame;
    return n;
}
} // namespace

Q_DECLARE_METATYPE(Control)

class TestSensoresWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingMessages> messages;
    std::shared_ptr<emu::Printer> printer;
    std::unique_ptr<QWidget> main;
    std::unique_ptr<TfmSensores> window;
    QByteArray poll;

    void start(uint model) {
        poll = model == ModelA ? QByteArray("\x1D\xFF", 2) : QByteArray("\x1D\x05", 2);
        printer = fixture::printer(model);
        printer->setDrawerAutoCloseMs(0);
        QVERIFY(fixture::connectPrinter(model));
        main = std::make_unique<QWidget>();
        main->resize(400, 300);
        main->move(200, 200);
        main->show();
        window = std::make_unique<TfmSensores>(main.get());
    }
    QList<Indicator *> lights() const {
        return {window->LedGaveta(),   window->LedPapel(),  window->LedPoucoPapel(),
                window->LedTampaQBK(), window->LedCheque(), window->LedAutent()};
    }
    // Waits for `count` more polls to have reached the printer.
    void waitPolls(int count) {
        const int before = framesLike(*printer, poll);
        QTRY_VERIFY_WITH_TIMEOUT(framesLike(*printer, poll) >= before + count, 5000);
    }
    void waitAllWhite() {
        for (Indicator *led : lights())
            QTRY_COMPARE_WITH_TIMEOUT(led->color(), White, 5000);
    }
    void click(const char *name) { fixture::click(window.get(), name); }

private slots:
    void init() {
        fixture::freshPrinters(0.05);
        toolState().ViewerFeed = false;
        SerialEvent().set();
        ConfiguracaoEvent().set();
        messages = std::make_unique<RecordingMessages>();
    }
    void cleanup() {
        ConfiguracaoEvent().set();
        window.reset();
        main.reset();
        fixture::disconnectPrinter();
        printer.reset();
        messages.reset();
        SerialEvent().set();
    }

    void showingPlacesGreysAndPolls_data() {
        QTest::addColumn<uint>("model");
        QTest::newRow("MV210") << uint(ModelA);
        QTest::newRow("MV4700") << uint(ModelB);
    }
    void showingPlacesGreysAndPolls() {
        QFETCH(uint, model);
        start(model);
        ConfiguracaoEvent().reset(); // hold the first poll back to see the grey lights
        window->show();
        QCOMPARE(window->pos(), main->pos() + QPoint(window->width() / 4, 25));
        QVERIFY(!main->isEnabled());
        for (Indicator *led : lights())
            QCOMPARE(led->color(), Grey);
        const bool modelB = model == ModelB;
        QCOMPARE(window->findChild<QLabel *>("lbTampaQBK")->isEnabled(), modelB);
        QCOMPARE(window->findChild<QLabel *>("lbCheque")->isEnabled(), modelB);
        QVERIFY(!(window->windowFlags() & Qt::WindowCloseButtonHint));
        ConfiguracaoEvent().set();
        // Nothing active on the printer: every light white once a poll has been answered,
        // the check mechanism's lights of model A included.
        waitAllWhite();
        QCOMPARE(
            framesLike(*printer, modelB ? QByteArray("\x1D\xFF", 2) : QByteArray("\x1D\x05", 2)),
            0); // only the chosen model's poll
        click("btSair");
        QVERIFY(!window->isVisible());
        QVERIFY(main->isEnabled());
        QVERIFY(!window->thread());
        QCOMPARE(messages->count(), 0);
    }

    void lightsFollowTheSensors_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<Control>("control");
        QTest::addColumn<int>("light"); // index in lights()
        const Control drawer = [](emu::Printer &p, bool on) { p.setDrawerOpen(on); };
        const Control paperEnd = [](emu::Printer &p, bool on) { p.setPaperEnd(on); };
        const Control paperLow = [](emu::Printer &p, bool on) { p.setPaperLow(on); };
        const Control cover = [](emu::Printer &p, bool on) { p.setCoverOpen(on); };
        const Control check = [](emu::Printer &p, bool on) { p.setCheckInserted(on); };
        const Control slip = [](emu::Printer &p, bool on) { p.setDocumentInserted(on); };
        QTest::newRow("MV4700 drawer") << uint(ModelB) << drawer << 0;
        QTest::newRow("MV4700 paper end") << uint(ModelB) << paperEnd << 1;
        QTest::newRow("MV4700 paper low") << uint(ModelB) << paperLow << 2;
        QTest::newRow("MV4700 cover") << uint(ModelB) << cover << 3;
        QTest::newRow("MV4700 check") << uint(ModelB) << check << 4;
        QTest::newRow("MV4700 slip") << uint(ModelB) << slip << 5;
        QTest::newRow("MV210 drawer") << uint(ModelA) << drawer << 0;
        QTest::newRow("MV210 paper end") << uint(ModelA) << paperEnd << 1;
        QTest::newRow("MV210 paper low") << uint(ModelA) << paperLow << 2;
        QTest::newRow("MV210 slip") << uint(ModelA) << slip << 5;
        // Model A has no check mechanism: its cover and check lights stay white.
        QTest::newRow("MV210 cover") << uint(ModelA) << cover << -1;
        QTest::newRow("MV210 check") << uint(ModelA) << check << -1;
    }
    void lightsFollowTheSensors() {
        QFETCH(uint, model);
        QFETCH(Control, control);
        QFETCH(int, light);
        start(model);
        window->show();
        waitAllWhite();
        control(*printer, true);
        if (light >= 0)
            QTRY_COMPARE_WITH_TIMEOUT(lights()[light]->color(), Cyan, 5000);
        else
            waitPolls(2);
        for (int i = 0; i < lights().size(); ++i)
            if (i != light)
                QCOMPARE(lights()[i]->color(), White);
        control(*printer, false);
        waitAllWhite();
    }

    void twoPressesInOnePassOpenTheDrawerOnce_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("MV210") << uint(ModelA) << QByteArray("\x1Bp000");
        QTest::newRow("MV4700") << uint(ModelB) << QByteArray("\x1Bp100");
    }
    void twoPressesInOnePassOpenTheDrawerOnce() {
        QFETCH(uint, model);
        QFETCH(QByteArray, frame);
        start(model);
        window->show();
        waitAllWhite();
        {
            // Holding the link keeps the thread inside one pass while both presses land.
            Link::Exchange hold(printerLink());
            click("btGaveta");
            click("btGaveta");
        }
        QTRY_COMPARE_WITH_TIMEOUT(window->LedGaveta()->color(), Cyan, 5000);
        waitPolls(3);
        QCOMPARE(framesLike(*printer, frame), 1);
        QCOMPARE(printer->drawerOpenings(), 1);
        // The drawer is shut by hand; a later press opens it again.
        printer->setDrawerOpen(false);
        QTRY_COMPARE_WITH_TIMEOUT(window->LedGaveta()->color(), White, 5000);
        click("btGaveta");
        QTRY_COMPARE_WITH_TIMEOUT(window->LedGaveta()->color(), Cyan, 5000);
        QCOMPARE(framesLike(*printer, frame), 2);
        QCOMPARE(messages->count(), 0);
    }

    void silentPrinterKeepsTheLights() {
        start(ModelB);
        printer->setPaperLow(true);
        window->show();
        QTRY_COMPARE_WITH_TIMEOUT(window->LedPoucoPapel()->color(), Cyan, 5000);
        printer->setSilent(true);
        printer->setPaperLow(false);
        waitPolls(3); // polls go unanswered
        QCOMPARE(window->LedPoucoPapel()->color(), Cyan);
        QCOMPARE(window->LedGaveta()->color(), White);
        printer->setSilent(false);
        QTRY_COMPARE_WITH_TIMEOUT(window->LedPoucoPapel()->color(), White, 5000);
        QCOMPARE(messages->count(), 0);
    }

    void serialIsHeldWhilePolling() {
        start(ModelA);
        ConfiguracaoEvent().reset(); // an identification is in progress
        window->show();
        QTest::qWait(100);
        QVERIFY(SerialEvent().isSet()); // not taken before the identification has ended
        QCOMPARE(framesLike(*printer, poll), 0);
        ConfiguracaoEvent().set();
        QTRY_VERIFY(!SerialEvent().isSet());
        waitPolls(2);
        QVERIFY(!SerialEvent().isSet());
        click("btSair");
        QVERIFY(SerialEvent().isSet());
        QVERIFY(!window->isVisible());
    }

    void sairWaitsForTheIdentificationInProgress() {
        start(ModelB);
        ConfiguracaoEvent().reset();
        window->show();
        QElapsedTimer elapsed;
        elapsed.start();
        // The identification ends later; the timer runs while "Sair" waits.
        QTimer::singleShot(400, [] { ConfiguracaoEvent().set(); });
        click("btSair");
        QVERIFY(elapsed.elapsed() >= 390);
        QVERIFY(!window->isVisible());
        QVERIFY(main->isEnabled());
        QVERIFY(SerialEvent().isSet());
        QCOMPARE(framesLike(*printer, poll), 0); // it never polled
    }

    void hidingWhileAPollRunsDoesNotBlock() {
        start(ModelB);
        window->show();
        // Hide at many moments of the pass, including while the thread waits for its
        // colour step on the UI thread.
        for (int i = 0; i < 10; ++i) {
            QTest::qWait(7 * i);
            window->hide();
            QVERIFY(!window->thread());
            QVERIFY(SerialEvent().isSet());
            window->show();
        }
        waitAllWhite();
    }

    void picture() {
        start(ModelB);
        printer->setDrawerOpen(true);
        printer->setPaperLow(true);
        window->show();
        QTRY_COMPARE_WITH_TIMEOUT(window->LedGaveta()->color(), Cyan, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(window->LedPoucoPapel()->color(), Cyan, 5000);
        QVERIFY(saveScreenshot(window->grab(), QStringLiteral("sensors.png")));
    }
};

QTEST_MAIN(TestSensoresWindow)
#include "test_sensores_window.moc"
