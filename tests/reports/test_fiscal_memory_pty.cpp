// A fiscal memory reading into a text file over a pseudo-terminal, the printer's line running
// at 9600 baud: the window keeps painting while the report arrives, and the file holds what
// the printer sent.
#include "support/test_main.h"
#include "app/main_window.h"
#include "core/clock.h"
#include "core/global.h"
#include "link/serial_new.h"
#include "pty_host.h"
#include "reports/leituramf.h"
#include "reports/relatorios.h"
#include "reports_fixture.h"
#include "support/recording_messages.h"
#include "support/scripted_file_dialogs.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestFiscalMemoryPty : public QObject {
    Q_OBJECT

private slots:
    void readingKeepsTheWindowPainting() {
        resetToolState();
        const QByteArray frame("\x1B\xFBs000001005000");
        auto printer = emu::Printer::create(emu::Model::B);
        printer->addPastReductions(35);
        const QByteArray sent = answerOf(*printer, frame);
        QVERIFY2(sent.size() >= 20 * 1024, qPrintable(QString::number(sent.size())));
        printer->setPacing(true);
        emu::PtyHost host(*printer);
        QVERIFY2(host.start(), qPrintable(host.errorString()));
        QCOMPARE(printerLink().OpenPort(host.slavePath(), 9600, false), 0);
        toolState().ModelCode = ModelB;
        toolState().PrinterPresent = true;

        QTemporaryDir dir;
        RecordingMessages messages;
        ScriptedFileDialogs dialogs;
        dialogs.answer(dir.filePath(QStringLiteral("mf.txt")));
        TfmMain main(dir.path());
        main.show();
        TfmRelatorios reports(&main);
        TfmLMF reading(&main, &reports);
        reports.setFiscalMemoryWindow(&reading);
        reports.show();
        QTRY_VERIFY_WITH_TIMEOUT(main.clockTimer().isActive(), 15000);
        QTest::mouseClick(reports.findChild<QPushButton *>("btLMF"), Qt::LeftButton);
        reading.findChild<QCheckBox *>("cbLeituraEmArquivo")->setChecked(true);
        auto *received = reading.findChild<QLabel *>("lbRecebidos");

        // A 5 ms timer on the UI thread: the longest gap between its ticks is the longest
        // time the window could not paint.
        QElapsedTimer clock;
        qint64 last = 0, longest = 0;
        QStringList shown;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
            if (shown.value(shown.size() - 1) != received->text())
                shown << received->text();
        });
        clock.start();
        timer.start(5);
        QTest::mouseClick(reading.findChild<QPushButton *>("btContinuar"), Qt::LeftButton);
        timer.stop();
        qInfo("%lld bytes in %lld ms; longest UI stall %lld ms; the byte count changed %lld times",
              static_cast<long long>(sent.size()), static_cast<long long>(clock.elapsed()),
              static_cast<long long>(longest), static_cast<long long>(shown.size()));
        QVERIFY(longest < 1000);
        QVERIFY(shown.size() >= 5); // the count went up as the chunks came
        QCOMPARE(received->text(), QStringLiteral("Recebidos: %1 bytes").arg(sent.size()));

        printerLink().ClosePort();
        host.stop();
        QCOMPARE(printer->receivedFrames().count(frame), 2); // ours and the test's own
        QCOMPARE(messages.count(), 0);
        QFile file(dir.filePath(QStringLiteral("mf.txt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), sent.mid(14, sent.size() - 16));
    }
};

TOOL_TEST_CLASS(TestFiscalMemoryPty)
#include "test_fiscal_memory_pty.moc"
