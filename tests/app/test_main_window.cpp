// The main window, the identification and the shell's two windows, against the built-in
// emulated printers. Protocol durations are shortened through the clock.
#include "app/tool_config.h"
#include "app/tool_windows.h"
#include "core/named_event.h"
#include "support/recording_messages.h"
#include "support/scripted_file_dialogs.h"
#include "support/window_fixture.h"
#include "widgets/indicator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <pwd.h>
#include <sys/fsuid.h>
#include <unistd.h>

namespace {
const QColor Red(255, 0, 0), Yellow(255, 255, 0), Green(0, 128, 0);
const QColor White(255, 255, 255), Cyan(0, 255, 255);
const QString ModelAPort = fixture::portOf(fixture::ModelA);
const QString ModelBPort = fixture::portOf(fixture::ModelB);

std::shared_ptr<emu::Printer> printer(const QString &port) {
    return EmulatedPorts::printerFor(port);
}

void writeConfig(const QString &folder, const QString &port, uint32_t model) {
    ToolConfigFile::Record record{};
    if (!port.isEmpty())
        ToolConfig::setPortName(record, port);
    ToolConfig::setModelCode(record, model);
    QFile file(folder + QStringLiteral("/Tool.cfg"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char *>(record.data()), 20);
}

QByteArray readConfig(const QString &folder) {
    QFile file(folder + QStringLiteral("/Tool.cfg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int framesLike(const QString &port, const QByteArray &frame) {
    int n = 0;
    for (const QByteArray &f : printer(port)->receivedFrames())
        n += f == frame;
    return n;
}

// File permissions as an ordinary user meets them (root passes every check). Only this
// thread's file accesses change: the filesystem user is kept per thread.
class AsUserNobody {
public:
    AsUserNobody() {
        const passwd *nobody = getpwnam("nobody");
        if (geteuid() != 0 || !nobody)
            return;
        setfsuid(nobody->pw_uid);
        acting = setfsuid(nobody->pw_uid) == int(nobody->pw_uid);
    }
    ~AsUserNobody() {
        if (acting)
            setfsuid(0);
    }
    AsUserNobody(const AsUserNobody &) = delete;
    AsUserNobody &operator=(const AsUserNobody &) = delete;

private:
    bool acting = false;
};

// A port whose driver fails the modem-line query, in front of an emulated printer.
class NoModemLines : public EmulatorTransport {
public:
    using EmulatorTransport::EmulatorTransport;
    CtsLine cts() override { return CtsLine::Unknown; }
};
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ToolWindows> windows;
    QList<QPair<qint64, QColor>> colors; // every change of the presence light
    QElapsedTimer sinceStart;

    template <class T> T *find(const char *name) {
        T *found = windows->main.findChild<T *>(QLatin1String(name));
        if (!found)
            found = windows->status.findChild<T *>(QLatin1String(name));
        if (!found)
            found = windows->viewer.findChild<T *>(QLatin1String(name));
        return found;
    }
    void start(const QString &folder = QString()) {
        windows = std::make_unique<ToolWindows>(folder.isEmpty() ? dir->path() : folder);
        connect(windows->main.presenceIndicator(), &Indicator::colorChanged, this,
                [this](const QColor &c) {
                    colors.append({sinceStart.elapsed(), c});
                });
        windows->start();
    }
    void shutDown() { windows.reset(); }
    QColor light() const { return windows->main.presenceIndicator()->color(); }
    QString statusBar() const { return windows->main.statusBarText(); }
    void choose(const char *box, const QString &text) {
        QComboBox *combo = find<QComboBox>(box);
        combo->setFocus();
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), text);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        QCoreApplication::processEvents(); // the choice runs once the gesture is complete
    }
    void waitGreen() { QTRY_COMPARE_WITH_TIMEOUT(light(), Green, 10000); }

private slots:
    void init() {
        fixture::freshPrinters(0.02);
        SerialEvent().set();
        ConfiguracaoEvent().set();
        printer(ModelAPort)->setIdentity({"21000123", "1.20", "0001"});
        printer(ModelBPort)->setIdentity({"47000456", "1.05", "0001"});
        dir = std::make_unique<QTemporaryDir>();
        messages = std::make_unique<RecordingMessages>();
        colors.clear();
        sinceStart.start();
    }
    void cleanup() {
        windows.reset();
        printerLink().setTransportFactory({});
        messages.reset();
        Clock::setScale(1.0);
    }

    void firstRunInAnEmptyFolder() {
        start();
        for (const char *sub : {"c2k", "usr", "b2k"})
            QVERIFY(QDir(dir->path()).exists(QLatin1String(sub)));
        QCOMPARE(find<QComboBox>("cbModelo")->currentText(), QStringLiteral("MV210"));
        QCOMPARE(toolState().ModelCode.load(), uint32_t(ModelA));
        QVERIFY(!toolState().PortOpen);
        QVERIFY(!printerLink().isOpen());
        QVERIFY(!find<QCheckBox>("cbHorarioVeraoVigente")->isChecked());
        QVERIFY(!find<QPushButton>("btCheques")->isEnabled());
        QCOMPARE(toolState().PrinterSerial.get(), QStringLiteral("????????"));
        QCOMPARE(light(), Red);
        QCOMPARE(messages->count(), 0);
        shutDown();
        QCOMPARE(readConfig(dir->path()),
                 QByteArray(12, '\0') + QByteArray("\x02\0\0\0\0\0\0\0", 8));
    }

    void choicesAreSavedInToolCfg() {
        start();
        choose("cbPorta", ModelBPort);
        choose("cbModelo", QStringLiteral("MV4700"));
        QTest::mouseClick(find<QCheckBox>("cbHorarioVeraoVigente"), Qt::LeftButton);
        QVERIFY(find<QPushButton>("btCheques")->isEnabled());
        QVERIFY(toolState().PortOpen);
        waitGreen();
        shutDown();
        QCOMPARE(readConfig(dir->path()), QByteArray("EMUL-MV4700 \x01\0\0\0\x01\0\0\0", 20));
        QVERIFY(!printerLink().isOpen()); // the viewer closed the port at shut-down
    }

    // A folder the user cannot write: the saved choices still hold, nothing is saved, and the
    // user is told once.
    void readOnlyWorkingFolder() {
        const QString folder = dir->filePath(QStringLiteral("somente-leitura"));
        QVERIFY(QDir().mkpath(folder));
        writeConfig(folder, ModelBPort, ModelB);
        const QByteArray saved = readConfig(folder);
        const auto readable = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                              QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(dir->path(), readable | QFile::WriteOwner));
        QVERIFY(QFile::setPermissions(folder, readable));
        const auto writableAgain =
            qScopeGuard([&] { QFile::setPermissions(folder, readable | QFile::WriteOwner); });
        {
            const AsUserNobody nobody;
            QFile probe(QDir(folder).filePath(QStringLiteral("probe")));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QSKIP("Run as root with no way to act as another user: a read-only folder is "
                      "writable for root.");
            }
            start(folder);
            QCOMPARE(messages->texts(),
                     QStringList{QStringLiteral("A pasta de trabalho não pode ser gravada:\r\n") +
                                 QDir::toNativeSeparators(folder) +
                                 QStringLiteral("\r\nAs escolhas de porta, modelo e horário de "
                                                "verão não serão salvas.")});
            QCOMPARE(messages->shown().value(0).caption, QStringLiteral("Aviso"));
            QCOMPARE(find<QComboBox>("cbModelo")->currentText(), QStringLiteral("MV4700"));
            waitGreen();
            QVERIFY(statusBar().contains(QStringLiteral("47000456")));
            QTest::mouseClick(find<QCheckBox>("cbHorarioVeraoVigente"), Qt::LeftButton);
            shutDown();
        }
        QCOMPARE(readConfig(folder), saved);
        QCOMPARE(messages->count(), 1);
    }

    // The port box is tried when a choice is made, not at every keystroke.
    void portIsTriedOnlyWhenChosen() {
        start();
        QComboBox *port = find<QComboBox>("cbPorta");
        port->setFocus();
        QTest::keyClicks(port->lineEdit(), QStringLiteral("/dev/no-such-port"));
        QCOMPARE(messages->count(), 0);
        QTest::keyClick(port->lineEdit(), Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(messages->texts(),
                 QStringList{QStringLiteral("Erro ao abrir porta de comunicacao!\r\n")});
        QCOMPARE(messages->shown().value(0).caption, QStringLiteral("Erro"));
        find<QComboBox>("cbModelo")->setFocus(); // leaving the box does not try again
        QCoreApplication::processEvents();
        QCOMPARE(messages->count(), 1);
        QVERIFY(!toolState().PortOpen);
    }

    void identifiesEachModel_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<uint>("model");
        QTest::addColumn<QString>("text");
        QTest::newRow("MV210") << ModelAPort << uint(ModelA)
                               << " Núm. Série: 21000123    SB: V.1.20    Núm. ECF: 0001";
        QTest::newRow("MV4700") << ModelBPort << uint(ModelB)
                                << " Núm. Série: 47000456    SB: V.1.05    Núm. ECF: 0001";
    }
    void identifiesEachModel() {
        QFETCH(QString, port);
        QFETCH(uint, model);
        QFETCH(QString, text);
        writeConfig(dir->path(), port, model);
        start();
        QCOMPARE(find<QComboBox>("cbPorta")->currentText(), port);
        waitGreen();
        QCOMPARE(statusBar(), text);
        QTRY_VERIFY(toolState().PrinterPresent); // set once the light and the gate are done
        QCOMPARE(toolState().FirmwareVersionNumber.load(), model == ModelA ? 1.2 : 1.05);
        // Red before the first answer, then yellow while the line comes up, then green.
        QCOMPARE(colors.value(0).second, Yellow);
        QCOMPARE(colors.last().second, Green);
        QVERIFY(find<QPushButton>("btEmulador")->isVisible());
    }

    void modelBPrinterWhileMV210IsChosen() {
        writeConfig(dir->path(), ModelBPort, ModelA);
        start();
        QTRY_COMPARE_WITH_TIMEOUT(framesLike(ModelBPort, "\x1B\xC3"), 6, 10000);
        QTRY_COMPARE(light(), Red);
        QCOMPARE(statusBar(), QStringLiteral(" Núm. Série: ????????"));
        QVERIFY(!toolState().PrinterPresent);
        QTest::qWait(Clock::scaled(3000));
        QCOMPARE(framesLike(ModelBPort, "\x1B\xC3"), 6); // gave up after six attempts
        QVERIFY(ConfiguracaoEvent().isSet());
    }

    void firmwareGate_data() {
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("1.10") << QByteArray("1.10") << false;
        QTest::newRow("1.20") << QByteArray("1.20") << true;
    }
    void firmwareGate() {
        QFETCH(QByteArray, firmware);
        QFETCH(bool, enabled);
        printer(ModelAPort)->setIdentity({"21000123", firmware, "0001"});
        writeConfig(dir->path(), ModelAPort, ModelA);
        start();
        waitGreen();
        QVERIFY(statusBar().contains(QStringLiteral("SB: V.") + QString::fromLatin1(firmware)));
        for (const char *name : {"btProgLote", "btProgramacao", "btFiscal", "btStatus",
                                 "btSensores", "btGravaUSR", "btRelatorios"})
            QCOMPARE(find<QPushButton>(name)->isEnabled(), enabled);
        for (const char *name : {"btIntervencao", "btVisualizarCOM", "btSair"})
            QVERIFY(find<QPushButton>(name)->isEnabled());
        QLabel *message = find<QLabel>("lbMSG_Version");
        QCOMPARE(message->isVisible(), !enabled);
        if (!enabled)
            QCOMPARE(message->text(), QStringLiteral("TOOL apenas para MV210 V.1.20 ou sup.\r\n"
                                                     "Atualize o SB no menu Intervenção"));
    }

    void printerSwitchedOffAndOn() {
        writeConfig(dir->path(), ModelBPort, ModelB);
        start();
        waitGreen();
        toolState().RecordingState = RecordingOn;
        printer(ModelBPort)->setPowered(false);
        QTRY_COMPARE(light(), Red);
        QCOMPARE(statusBar(), QStringLiteral(" Núm. Série ECF: ????????"));
        QVERIFY(!toolState().PrinterPresent);
        QCOMPARE(toolState().RecordingState.load(), int(RecordingOff)); // put aside
        colors.clear();
        printer(ModelBPort)->setPowered(true);
        waitGreen();
        QCOMPARE(colors.size(), 2);
        QCOMPARE(colors[0].second, Yellow);
        QVERIFY(colors[1].first - colors[0].first >= Clock::scaled(1500) + Clock::scaled(1000));
        QTRY_COMPARE(toolState().RecordingState.load(), int(RecordingOn)); // and back
    }

    // A real port whose driver cannot report CTS: the printer's answers tell whether it is
    // there, and a printer switched off is seen to go.
    void portThatCannotReportCts() {
        printerLink().setTransportFactory([](const QString &name) -> std::unique_ptr<Transport> {
            if (auto emulated = EmulatedPorts::printerFor(name))
                return std::make_unique<NoModemLines>(emulated);
            return Link::defaultTransport(name);
        });
        writeConfig(dir->path(), ModelBPort, ModelB);
        start();
        waitGreen();
        QTRY_VERIFY(toolState().PrinterPresent);
        printer(ModelBPort)->setPowered(false);
        QTRY_COMPARE_WITH_TIMEOUT(statusBar(), QStringLiteral(" Núm. Série ECF: ????????"), 10000);
        QCOMPARE(light(), Red);
        QVERIFY(!toolState().PrinterPresent);
        printer(ModelBPort)->setPowered(true);
        waitGreen();
        QVERIFY(framesLike(ModelBPort, "\x1D\x05") > 0); // asked by the status poll
    }

    // Switched off the moment it was identified, before the thread went back to watching the
    // line: the change is still seen.
    void printerSwitchedOffRightAfterIdentification() {
        writeConfig(dir->path(), ModelBPort, ModelB);
        start();
        QMetaObject::Connection off = connect(windows->main.presenceIndicator(),
                                              &Indicator::colorChanged, this, [](const QColor &c) {
                                                  if (c == Green)
                                                      printer(ModelBPort)->setPowered(false);
                                              });
        QTRY_VERIFY_WITH_TIMEOUT(!printer(ModelBPort)->powered(), 10000);
        disconnect(off);
        QTRY_COMPARE(statusBar(), QStringLiteral(" Núm. Série ECF: ????????"));
        QCOMPARE(light(), Red);
    }

    void modelChangeWhileGreen() {
        writeConfig(dir->path(), ModelAPort, ModelA);
        start();
        waitGreen();
        toolState().TablesStale = false;
        toolState().RecordingState = RecordingOn;
        colors.clear();
        choose("cbModelo", QStringLiteral("MV4700"));
        QTRY_COMPARE(light(), Red);
        QVERIFY(toolState().TablesStale);
        QTRY_COMPARE_WITH_TIMEOUT(framesLike(ModelAPort, "\x1B\xC3"), 7, 10000);
        QCOMPARE(toolState().RecordingState.load(), int(RecordingOff));
        choose("cbModelo", QStringLiteral("MV210"));
        waitGreen();
        // Several failures in a row still give the recording back afterwards.
        QTRY_COMPARE(toolState().RecordingState.load(), int(RecordingOn));
        for (const auto &change : colors)
            QVERIFY(change.second != Yellow); // the line never went down
    }

    void statusLights_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<QByteArray>("digits");
        QTest::addColumn<QList<int>>("lit");
        QTest::addColumn<bool>("rzLabelEnabled");
        QTest::newRow("B old firmware") << ModelBPort << uint(ModelB) << QByteArray("1.00")
                                        << QByteArray("008230080000") << QList<int>{} << false;
        QTest::newRow("A maintenance") << ModelAPort << uint(ModelA) << QByteArray("1.20")
                                       << QByteArray("200C04000000") << QList<int>{4, 5, 6} << true;
    }
    void statusLights() {
        QFETCH(QString, port);
        QFETCH(uint, model);
        QFETCH(QByteArray, firmware);
        QFETCH(QByteArray, digits);
        QFETCH(QList<int>, lit);
        QFETCH(bool, rzLabelEnabled);
        printer(port)->setIdentity({"12345678", firmware, "0001"});
        writeConfig(dir->path(), port, model);
        start();
        waitGreen();
        printer(port)->setStatusOverride(digits);
        printer(port)->clearReceivedFrames();
        QTest::mouseClick(find<QPushButton>("btStatus"), Qt::LeftButton);
        QVERIFY(windows->status.isVisible());
        QVERIFY(!windows->main.isEnabled());
        QTRY_VERIFY(!printer(port)->receivedFrames().isEmpty());
        QTRY_COMPARE(windows->status.light(1)->color() == QColor(192, 192, 192), false);
        for (int n = 1; n <= 14; ++n)
            QCOMPARE(windows->status.light(n)->color(), lit.contains(n) ? Cyan : White);
        QCOMPARE(find<QLabel>("lbRZPendente")->isEnabled(), rzLabelEnabled);
        QCOMPARE(find<QLabel>("lbCFAberto")->isEnabled(), model == ModelA);
        QTest::mouseClick(windows->status.findChild<QPushButton *>("btSair"), Qt::LeftButton);
        QVERIFY(!windows->status.isVisible());
        QVERIFY(windows->main.isEnabled());
    }

    void statusWithoutPrinterLeavesLightsWhite() {
        writeConfig(dir->path(), ModelBPort, ModelB);
        start();
        waitGreen();
        printer(ModelBPort)->setSilent(true);
        windows->status.show();
        QTRY_COMPARE(windows->status.light(1)->color(), White);
        QTest::qWait(Clock::scaled(2000) * 2);
        for (int n = 1; n <= 14; ++n)
            QCOMPARE(windows->status.light(n)->color(), White);
        QCOMPARE(messages->count(), 0);
    }

    void trafficViewer() {
        writeConfig(dir->path(), ModelBPort, ModelB);
        start();
        waitGreen();
        const QPoint before = windows->main.pos();
        QPushButton *toggle = find<QPushButton>("btVisualizarCOM");
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(windows->viewer.isVisible());
        QVERIFY(windows->main.isEnabled()); // the viewer leaves the main window usable
        QCOMPARE(windows->main.pos().y(), before.y() - windows->viewer.height() / 2);
        printer(ModelBPort)->setStatusOverride(QByteArray("000000000000"));
        windows->status.show();
        auto *ascii = find<QTextEdit>("memoVisualizacaoASCII");
        auto *hex = find<QTextEdit>("memoVisualizacaoHEX");
        QTRY_COMPARE(ascii->toPlainText(), QStringLiteral("[GS][005] :000000000000[255][CR]   "));
        QCOMPARE(hex->toPlainText(), QStringLiteral("1D 05    3A 30 30 30 30 30 30 30 30 30 30 30 "
                                                    "30 FF 0D    "));
        QVERIFY(ascii->isVisible() && !hex->isVisible());
        QTest::mouseClick(find<QPushButton>("btHEX"), Qt::LeftButton);
        QVERIFY(hex->isVisible() && !ascii->isVisible());
        QTest::mouseClick(find<QPushButton>("btLimpar"), Qt::LeftButton);
        QCOMPARE(ascii->toPlainText(), QString());
        windows->status.hide();
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(!windows->viewer.isVisible());
        QCOMPARE(windows->main.pos(), before);
        // Hidden, it collects nothing.
        windows->status.show();
        QTRY_VERIFY(printer(ModelBPort)->receivedFrames().size() >= 2);
        QTest::qWait(50);
        QCOMPARE(ascii->toPlainText(), QString());
    }

    // Every file the tool offers lies in the working folder: each dialog starts in its folder
    // ("" for the working folder itself), whichever window asks.
    void everyFileDialogStartsInTheWorkingFolder_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("folder");
        const QList<std::array<const char *, 4>> rows = {
            {"Edit Data import", "prgLote", "btImportar", "c2k"},
            {"Edit Data save", "prgLote", "btSalvar", "c2k"},
            {"Send Data configuration", "programacao", "btOpenArqConf", "c2k"},
            {"Send Data bank table", "programacao", "btArqBancos", ""},
            {"macro recording", "fiscal", "btMacroRec", "b2k"},
            {"macro playback", "fiscal", "btMacroPlay", "b2k"},
            {"user record import", "gravaUsr", "btImportar", "usr"},
            {"fiscal memory to a file", "lmf", "btContinuar", ""},
            {"bank table of the checks", "cheques", "btOpenArqCheques", ""}};
        for (const auto &[name, window, button, folder] : rows)
            QTest::newRow(name) << window << button << folder;
    }
    void everyFileDialogStartsInTheWorkingFolder() {
        QFETCH(QString, window);
        QFETCH(QString, button);
        QFETCH(QString, folder);
        ScriptedFileDialogs dialogs;
        QVERIFY(fixture::connectPrinter(ModelB)); // an MV4700: the bank tables are offered
        windows = std::make_unique<ToolWindows>(dir->path());
        const QHash<QString, QWidget *> shown = {
            {"prgLote", &windows->prgLote}, {"programacao", &windows->programacao},
            {"fiscal", &windows->fiscal},   {"gravaUsr", &windows->gravaUsr},
            {"lmf", &windows->lmf},         {"cheques", &windows->cheques}};
        QWidget *target = shown.value(window);
        target->show();
        if (QCheckBox *toFile = target->findChild<QCheckBox *>("cbLeituraEmArquivo"))
            toFile->setChecked(true);
        fixture::control<QPushButton>(target, button.toLatin1().constData())->click();
        QCOMPARE(dialogs.requests.size(), 1);
        QCOMPARE(QDir(dialogs.requests[0].folder), QDir(QDir(dir->path()).filePath(folder)));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
