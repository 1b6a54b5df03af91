// How long the UI thread's event loop goes without serving a timer:
//  1. while a printer command waits its whole 6000 ms for a silent printer, on the UI thread;
//  2. while the identification of an emulated printer runs (about 3 s, mostly on its thread).
// A 5 ms timer stamps every tick; the figure is the longest gap between two ticks.
#include "app/tool_config.h"
#include "app/tool_windows.h"
#include "core/global.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "printer.h"
#include "widgets/indicator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

class StallMeter {
public:
    StallMeter() {
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
    }
    void start() {
        clock.start();
        last = 0;
        longest = 0;
        timer.start(5);
    }
    double stop() {
        timer.stop();
        const qint64 now = clock.nsecsElapsed();
        return std::max(longest, now - last) / 1e6;
    }

private:
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
};

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    StallMeter meter;

    // 1. A command waiting for a silent printer on the UI thread.
    {
        const QString port = QString::fromLatin1(EmulatedPorts::ModelBPort);
        auto printer = EmulatedPorts::printerFor(port);
        printer->setSilent(true);
        Link &link = printerLink();
        link.OpenPort(port, 9600, false);
        QElapsedTimer waited;
        meter.start();
        QTimer::singleShot(20, [&] {
            waited.start();
            Link::Exchange exchange(link);
            link.TxBuffer[0] = 29;
            link.TxBuffer[1] = 0x05;
            link.SendFrame(link.TxBuffer, 2);
            link.WaitResponse(link.RxBuffer, WaitNormal);
            const qint64 ms = waited.elapsed();
            const double stall = meter.stop();
            std::printf("silent printer, %lld ms wait on the UI thread: longest UI stall %.1f ms\n",
                        static_cast<long long>(ms), stall);
            app.quit();
        });
        app.exec();
        link.ClosePort();
        printer->setSilent(false);
    }

    // 2. The identification of the emulated MV4700, from start-up to green.
    {
        QTemporaryDir dir;
        ToolConfigFile::Record record{};
        ToolConfig::setPortName(record, QString::fromLatin1(EmulatedPorts::ModelBPort));
        ToolConfig::setModelCode(record, ModelB);
        QFile file(dir.filePath(QStringLiteral("Tool.cfg")));
        file.open(QIODevice::WriteOnly);
        file.write(reinterpret_cast<const char *>(record.data()), 20);
        file.close();

        ToolWindows windows(dir.path());
        QElapsedTimer identified;
        QObject::connect(windows.main.presenceIndicator(), &Indicator::colorChanged,
                         [&](const QColor &color) {
                             if (color == QColor(0, 128, 0)) {
                                 const double stall = meter.stop();
                                 std::printf("identification (%lld ms until green): longest UI "
                                             "stall %.1f ms\n",
                                             static_cast<long long>(identified.elapsed()), stall);
                                 app.quit();
                             }
                         });
        meter.start();
        identified.start();
        windows.start();
        app.exec();
    }
    return 0;
}
