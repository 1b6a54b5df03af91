// The reports window and the fiscal memory reading window, against emulated printers of both
// models. Protocol durations are shortened through the clock.
#include "support/test_main.h"
#include "app/main_window.h"
#include "core/clock_text.h"
#include "reports/leituramf.h"
#include "reports/relatorios.h"
#include "reports_fixture.h"
#include "support/recording_messages.h"
#include "support/screenshot.h"
#include "support/scripted_file_dialogs.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {
const QByteArray ClockFrame("\x1B\xE6");
}

class TestReportsWindows : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ScriptedFileDialogs> dialogs;
    std::shared_ptr<emu::Printer> printer;
    std::unique_ptr<TfmMain> main;
    std::unique_ptr<TfmRelatorios> reports;
    std::unique_ptr<TfmLMF> reading;

    template <class T = QPushButton> T *control(QWidget *window, const char *name) {
        return fixture::control<T>(window, name);
    }
    QString label(const char *name) { return control<QLabel>(reports.get(), name)->text(); }
    void click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }

    // The windows as the tool wires them, on a fresh printer of `model`; the reports window
    // shown and its clock read.
    void start(uint model) {
        printer = fixture::printer(model);
        printer->setPrintTimeMs(200);
        QVERIFY(fixture::connectPrinter(model));
        main = std::make_unique<TfmMain>(dir->path());
        main->move(300, 300);
        main->show();
        reports = std::make_unique<TfmRelatorios>(main.get());
        reading = std::make_unique<TfmLMF>(main.get(), reports.get());
        reports->setFiscalMemoryWindow(reading.get());
        reports->show();
        QTRY_VERIFY(main->clockTimer().isActive());
    }
    void showReading() {
        click(control(reports.get(), "btLMF"));
        QVERIFY(reading->isVisible());
        printer->clearReceivedFrames();
    }

private slots:
    void init() {
        fixture::freshPrinters(0.05);
        toolState().ViewerFeed = false;
        dir = std::make_unique<QTemporaryDir>();
        messages = std::make_unique<RecordingMessages>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
    }
    void cleanup() {
        reading.reset();
        reports.reset();
        main.reset();
        fixture::disconnectPrinter();
        printer.reset();
        dialogs.reset(); // before the next test's own are installed
        messages.reset();
    }

    void models_data() {
        QTest::addColumn<uint>("model");
        QTest::newRow("MV210") << uint(ModelA);
        QTest::newRow("MV4700") << uint(ModelB);
    }

    // Shown, the window reads the printer clock; a read that fails shows the clock as
    // unknown, without a message.
    void printerClock_data() { models_data(); }
    void printerClock() {
        QFETCH(uint, model);
        start(model);
        QCOMPARE(reports->pos(), main->pos() + QPoint(-25, -35));
        QVERIFY(!main->isEnabled());
        QCOMPARE(printer->receivedFrames().value(0), ClockFrame);
        main->clockTick();
        QCOMPARE(label("lbHoraImpr"),
                 ClockText::format(ClockText::fromDays(toolState().PrinterClock), false));
        QVERIFY(qAbs(label("lbDiferenca").toInt()) <= 2);

        click(control(reports.get(), "btSair"));
        QVERIFY(!main->clockTimer().isActive() && main->isEnabled());
        printer->setSilent(true);
        reports->show();
        QCOMPARE(label("lbHoraImpr"), QString()); // emptied until the first tick
        QTRY_VERIFY(main->clockTimer().isActive());
        main->clockTick();
        QCOMPARE(label("lbHoraImpr"), QStringLiteral("\?\?/\?\?/\?\?\?\? \?\?:\?\?:\?\?"));
        QCOMPARE(label("lbDiferenca"), QStringLiteral("XXXXXXXXX"));
        QCOMPARE(label("lbHoraPC"), ClockText::format(Clock::now(), false));
        QCOMPARE(messages->count(), 0);
    }

    void reductionZAnsweredNo_data() { models_data(); }
    void reductionZAnsweredNo() {
        QFETCH(uint, model);
        start(model);
        printer->clearReceivedFrames();
        click(control(reports.get(), "btRZ")); // the recorder answers No
        QCOMPARE(messages->texts(), QStringList{"Confirma a operação?\r\nA impressora poderá "
                                                "ficar bloqueada até às 24:00h"});
        QCOMPARE(messages->shown()[0].caption, QStringLiteral("REDUÇÃO Z"));
        QCOMPARE(messages->shown()[0].buttons, MessageButtons::YesNo);
        QTest::qWait(Clock::scaled(3000));
        QCOMPARE(printer->receivedFrames(), QList<QByteArray>{});
    }

    // While the Leitura X prints, its button and "Sair" stay disabled until the printer is
    // idle and its clock has been read again.
    void readingX_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("MV210") << uint(ModelA) << QByteArray("\x1B\xCF");
        QTest::newRow("MV4700") << uint(ModelB) << QByteArray("\x1B\xFA");
    }
    void readingX() {
        QFETCH(uint, model);
        QFETCH(QByteArray, command);
        start(model);
        printer->clearReceivedFrames();
        printer->setPrintTimeMs(300);
        printer->setAnswerDelayMs(30); // every answer takes a while, the clock's too
        QPushButton *lx = control(reports.get(), "btLX"), *sair = control(reports.get(), "btSair");
        bool enabledMeanwhile = false, clockReadMeanwhile = false;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] {
            enabledMeanwhile |= lx->isEnabled() || sair->isEnabled();
            clockReadMeanwhile |= printer->receivedFrames().contains(ClockFrame);
        });
        sampler.start(5);
        click(lx);
        sampler.stop();
        QVERIFY(!enabledMeanwhile);
        QVERIFY(clockReadMeanwhile);
        QVERIFY(lx->isEnabled() && sair->isEnabled());
        const QList<QByteArray> frames = printer->receivedFrames();
        QCOMPARE(frames.value(0), command);
        const qsizetype clockAt = frames.indexOf(ClockFrame);
        QVERIFY(clockAt > 2 && frames[clockAt - 1].startsWith('\x1D')); // polled until idle
    }

    void readingWindow_data() { models_data(); }
    void readingWindow() {
        QFETCH(uint, model);
        start(model);
        showReading();
        QCOMPARE(reading->pos(), main->pos() + QPoint(10, 25));
        QVERIFY(!reports->isEnabled() && !main->isEnabled());
        auto *summarised = control<QCheckBox>(reading.get(), "cbLeitResumida");
        QCOMPARE(summarised->isVisible(), model == ModelB); // model B alone has it
        const auto enabled = [this](const char *name) {
            return control<QWidget>(reading.get(), name)->isEnabled();
        };
        auto *clockButton = control<QToolButton>(reading.get(), "btRelogio");
        QVERIFY(enabled("meCRZ") && enabled("lbA1") && !enabled("meData1") && !enabled("lbA2"));
        QVERIFY(!clockButton->isVisible());
        click(control<QRadioButton>(reading.get(), "rbData"));
        QVERIFY(!enabled("meCRZ2") && !enabled("lbA1") && enabled("meData2") && enabled("lbA2"));
        click(clockButton);
        QCOMPARE(control<QLineEdit>(reading.get(), "meData2")->displayText(),
                 Clock::now().toString(QStringLiteral("dd/MM/yyyy")));

        summarised->setChecked(true);
        click(control(reading.get(), "btSair")); // back to the main window
        QVERIFY(!reading->isVisible() && !reports->isVisible() && main->isEnabled());
        reports->show();
        showReading();
        QVERIFY(!summarised->isChecked());
    }

    // The period and the destination as the printer receives them (printed readings).
    void period_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<bool>("byDate");
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("summarised");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("MV210 CRZ")
            << uint(ModelA) << false << "" << false << QByteArray("\x1B\xD1X000001005000");
        QTest::newRow("MV4700 CRZ")
            << uint(ModelB) << false << "" << false << QByteArray("\x1B\xFBx000001005000");
        QTest::newRow("MV4700 CRZ summarised")
            << uint(ModelB) << false << "" << true << QByteArray("\x1B\xFBX000001005000");
        QTest::newRow("MV210 dates")
            << uint(ModelA) << true << "" << false << QByteArray("\x1B\xD1X010195311294");
        QTest::newRow("MV4700 dates")
            << uint(ModelB) << true << "" << false << QByteArray("\x1B\xFBx010195311294");
        QTest::newRow("31/02/2000")
            << uint(ModelB) << true << "31022000" << false << QByteArray("\x1B\xFBx310200311294");
    }
    void period() {
        QFETCH(uint, model);
        QFETCH(bool, byDate);
        QFETCH(QString, start);
        QFETCH(bool, summarised);
        QFETCH(QByteArray, frame);
        this->start(model);
        showReading();
        if (byDate)
            click(control<QRadioButton>(reading.get(), "rbData"));
        if (!start.isEmpty())
            control<QLineEdit>(reading.get(), "meData1")->setText(start);
        control<QCheckBox>(reading.get(), "cbLeitResumida")->setChecked(summarised);
        click(control(reading.get(), "btContinuar"));
        QCOMPARE(printer->receivedFrames().value(0), frame);
        for (const Message &m : messages->shown()) // the printer may refuse a date; not the window
            QVERIFY(m.caption != QStringLiteral("Ano inválido") && m.text != "Mês inválido.");
        QVERIFY(control(reading.get(), "btContinuar")->isEnabled());
        QVERIFY(control(reading.get(), "btSair")->isEnabled());
    }

    void refusedDate_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        const QString year = QStringLiteral("Ano deve estar entre\r\n 1995 e 2094.");
        QTest::newRow("15/13/2000") << "meData1"
                                    << "15132000"
                                    << "Mês inválido."
                                    << "Erro";
        QTest::newRow("end in 2095") << "meData2"
                                     << "01012095" << year << "Erro";
    }
    void refusedDate() {
        QFETCH(QString, field);
        QFETCH(QString, date);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        start(ModelB);
        showReading();
        click(control<QRadioButton>(reading.get(), "rbData"));
        auto *edit = control<QLineEdit>(reading.get(), qPrintable(field));
        edit->setText(date);
        click(control(reading.get(), "btContinuar"));
        QCOMPARE(messages->texts(), QStringList{text});
        QCOMPARE(messages->shown()[0].caption, caption);
        QCOMPARE(reading->focusWidget(), edit);
        QTest::qWait(Clock::scaled(2000));
        QCOMPARE(printer->receivedFrames(), QList<QByteArray>{});
    }

    // The text file holds the report as the printer sent it, without the header before it
    // and the end mark after it.
    void textFile_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<bool>("summarised");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("header");
        QTest::newRow("MV210") << uint(ModelA) << false << QByteArray("\x1B\xD1S000001005000") << 9;
        QTest::newRow("MV4700 summarised")
            << uint(ModelB) << true << QByteArray("\x1B\xFBS000001005000") << 14;
    }
    void textFile() {
        QFETCH(uint, model);
        QFETCH(bool, summarised);
        QFETCH(QByteArray, frame);
        QFETCH(int, header);
        start(model);
        printer->addPastReductions(20);
        showReading();
        const QString name = dir->filePath(QStringLiteral("leitura.txt"));
        dialogs->answer(name);
        control<QCheckBox>(reading.get(), "cbLeituraEmArquivo")->setChecked(true);
        control<QCheckBox>(reading.get(), "cbLeitResumida")->setChecked(summarised);
        click(control(reading.get(), "btContinuar"));
        QCOMPARE(printer->receivedFrames(), QList<QByteArray>{frame});
        const QByteArray sent = answerOf(*printer, frame);
        QVERIFY(sent.size() > 1500 && sent.endsWith("\xFF\r")); // more than one chunk
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), sent.mid(header, sent.size() - header - 2));
        QCOMPARE(control<QLabel>(reading.get(), "lbRecebidos")->text(),
                 QStringLiteral("Recebidos: %1 bytes").arg(sent.size()));
        QCOMPARE(messages->count(), 0);
        QCOMPARE(dialogs->requests.value(0).title, QStringLiteral("Leitura da Memória Fiscal"));
    }

    // No control is clipped or covers another. With TOOL_SCREENSHOT_DIR set, pictures of the
    // two windows are saved there.
    void layout() {
        start(ModelB);
        main->clockTick();
        const QPixmap reportsPicture = reports->grab();
        showReading();
        click(control<QRadioButton>(reading.get(), "rbData"));
        control<QLabel>(reading.get(), "lbRecebidos")->setText("Recebidos: 1234567 bytes");
        control<QLabel>(reports.get(), "lbDiferenca")->setText("(-) 2147483647");
        for (QWidget *window :
             {static_cast<QWidget *>(reports.get()), static_cast<QWidget *>(reading.get())}) {
            const QList<QWidget *> controls =
                window->findChildren<QWidget *>(QRegularExpression("^(bt|lb|cb|rb|me)"));
            for (QWidget *c : controls) {
                if (!c->isVisibleTo(window))
                    continue;
                QSize needed = c->sizeHint();
                if (auto *edit = qobject_cast<QLineEdit *>(c))
                    needed =
                        QSize(edit->fontMetrics().horizontalAdvance(edit->displayText()) + 8, 20);
                QVERIFY2(needed.width() <= c->width() && needed.height() <= c->height(),
                         qPrintable(c->objectName()));
                QVERIFY(c->parentWidget()->rect().contains(c->geometry()));
                for (QWidget *other : controls)
                    QVERIFY2(other == c || other->parentWidget() != c->parentWidget() ||
                                 !c->geometry().intersects(other->geometry()),
                             qPrintable(c->objectName() + " / " + other->objectName()));
            }
        }
        QVERIFY(saveScreenshot(reportsPicture, QStringLiteral("reports.png")));
        QVERIFY(saveScreenshot(reading->grab(), QStringLiteral("fiscal-memory-reading.png")));
    }
};

TOOL_TEST_CLASS(TestReportsWindows)
#include "test_reports_windows.moc"
