// The tool as the user starts it, against the built-in emulated printers: Tool.cfg, the
// identification (the light and the status bar), the status window, the traffic viewer, the
// file dialogs' folders, and the windows' printer actions with no model chosen. Protocol
// durations are shortened through the clock.
#include "app/tool_config.h"
#include "app/tool_windows.h"
#include "core/named_event.h"
#include "protocol/command_set.h"
#include "support/recording_messages.h"
#include "support/reliability_nobody.h"
#include "support/scripted_file_dialogs.h"
#include "support/test_main.h"
#include "support/window_driver.h"
#include "widgets/indicator.h"
#include "widgets/qt_messages.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTcpServer>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

namespace {
const QColor Red(255, 0, 0), Yellow(255, 255, 0), Green(0, 128, 0);
const QColor White(255, 255, 255), Cyan(0, 255, 255);
const QString PortA = fixture::portOf(ModelA), PortB = fixture::portOf(ModelB);
const QString PortFailed = QStringLiteral("Erro ao abrir porta de comunicacao!\r\n");

QByteArray record(const QString &port, uint32_t model) {
    ToolConfigFile::Record r{};
    ToolConfig::setPortName(r, port);
    ToolConfig::setModelCode(r, model);
    return QByteArray(reinterpret_cast<const char *>(r.data()), 20);
}
QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("-");
}
// A port whose driver fails the modem-line query, in front of an emulated printer.
class NoModemLines : public EmulatorTransport {
public:
    using EmulatorTransport::EmulatorTransport;
    CtsLine cts() override { return CtsLine::Unknown; }
};
// The rows of the tables below: Tool.cfg as saved ("-": none), the set-up, the user's steps,
// what the user is told, the port and model shown, Tool.cfg at exit ("=": as saved); the port,
// model, firmware, status bar and what happens next; the model, firmware, status digits (none:
// silent) and lights lit; a window, a button, whether it needs a printer, its dialog's folder.
using CfgRow = std::tuple<QByteArray, QString, QString, QStringList, QString, QString, QByteArray>;
using IdRow = std::tuple<QString, uint, QByteArray, QString, QString>;
using StatusRow = std::tuple<uint, QByteArray, QByteArray, QString>;
using ActionRow = std::tuple<QString, QByteArray, bool, QString>;
} // namespace

Q_DECLARE_METATYPE(CfgRow)
Q_DECLARE_METATYPE(IdRow)
Q_DECLARE_METATYPE(StatusRow)
Q_DECLARE_METATYPE(ActionRow)

class ShellTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ToolWindows> tool;
    WindowDriver main;
    QList<QPair<qint64, QColor>> colors; // every change of the presence light
    QElapsedTimer clock;

    // One of the tool's windows, by its class name without "Tfm".
    static QWidget *window(const QString &name) {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == "Tfm" + name)
                return w;
        qFatal("no window %s", qPrintable(name));
    }
    QString cfg() const { return dir->filePath(QStringLiteral("Tool.cfg")); }
    void writeCfg(const QByteArray &bytes) {
        QFile file(cfg());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    void start(const QString &folder = {}) {
        tool = std::make_unique<ToolWindows>(folder.isEmpty() ? dir->path() : folder);
        main.drive(&tool->main);
        connect(tool->main.presenceIndicator(), &Indicator::colorChanged, this,
                [this](const QColor &c) {
                    colors.append({clock.elapsed(), c});
                });
        tool->start();
    }
    QColor light() const { return tool->main.presenceIndicator()->color(); }
    QString statusBar() const { return tool->main.statusBarText(); }
    void waitGreen() { QTRY_COMPARE_WITH_TIMEOUT(light(), Green, 10000); }
    // Types a choice into the port or model box and confirms it with Enter.
    void choose(const char *box, const QString &text) {
        main.find<QComboBox>(box)->lineEdit()->selectAll();
        main.type(box, text + '\r');
        QCoreApplication::processEvents(); // the choice runs once the gesture is complete
    }
    int identifications(const QString &port) {
        return int(EmulatedPorts::printerFor(port)->receivedFrames().count("\x1B\xC3"));
    }

private slots:
    void init() {
        fixture::freshPrinters(0.02);
        SerialEvent().set();
        ConfiguracaoEvent().set();
        fixture::printer(ModelA)->setIdentity({"21000123", "1.20", "0001"});
        fixture::printer(ModelB)->setIdentity({"47000456", "1.05", "0001"});
        dir = std::make_unique<QTemporaryDir>();
        messages = std::make_unique<RecordingMessages>();
        colors.clear();
        clock.start();
    }
    void cleanup() {
        tool.reset();
        printerLink().setTransportFactory({});
        fixture::disconnectPrinter();
        messages.reset();
    }

    // Tool.cfg as found at start-up, what the user then does, what the tool shows, and the 20
    // bytes at exit. A saved port that can no longer be opened is tried and reported; its name
    // stays in the box and in the file.
    void toolCfg_data() {
        QTest::addColumn<CfgRow>("row");
        const QByteArray zero(12, '\0'), a("\2\0\0\0\0\0\0\0", 8);
        const QByteArray gone = record("/dev/ttyUSB9", ModelB);
        const QString notSaved = "\r\nAs escolhas de porta, modelo e "
                                 "horário de verão não serão salvas.";
        const QString roFolder = "A pasta de trabalho não pode ser gravada:\r\n%1";
        const QString roFile = "O arquivo de configuração não pode ser gravado:\r\n%1/Tool.cfg";
        const QStringList failed{PortFailed};
        // clang-format off
        const QByteArray c = record(PortB, ModelB), choices("EMUL-MV4700 \1\0\0\0\1\0\0\0", 20);
        QTest::newRow("first run") << CfgRow{"-", "", "", {}, "", "MV210", zero + a};
        QTest::newRow("choices") << CfgRow{"-", "", "port:" + PortB + " model:MV4700 dst", {}, PortB, "MV4700", choices};
        QTest::newRow("short file") << CfgRow{"COM3 ", "", "", failed, "COM3", "MV210", QByteArray("COM3 ").leftJustified(12, '\0') + a};
        QTest::newRow("port gone") << CfgRow{gone, "", "dst", failed, "/dev/ttyUSB9", "MV4700", gone.left(16) + QByteArray("\1\0\0\0", 4)};
        QTest::newRow("typed port") << CfgRow{"-", "", "port:/dev/no-such-port leave", failed, "/dev/no-such-port", "MV210", zero + a};
        QTest::newRow("held elsewhere") << CfgRow{c, "held", "dst", {}, "", "MV210", "="};
        QTest::newRow("read-only folder") << CfgRow{c, "folder", "dst", {roFolder + notSaved}, PortB, "MV4700", "="};
        QTest::newRow("read-only file") << CfgRow{c, "file", "dst", {roFile + notSaved}, PortB, "MV4700", "="};
        // clang-format on
    }
    void toolCfg() {
        QFETCH(CfgRow, row);
        auto &[saved, setup, steps, told, port, model, atExit] = row;
        if (saved != "-")
            writeCfg(saved);
        ToolConfigFile other;
        ToolConfigFile::Record ignored{};
        if (setup == "held")
            QCOMPARE(other.open(dir->path(), ignored), ToolConfigFile::Opening::Opened);
        std::unique_ptr<AsUserNobody> nobody; // for whom the folder or the file is read-only
        if (setup == "folder" || setup == "file") {
            // Acting as nobody keeps root's group: the group's permissions apply.
            const auto all =
                QFile::ReadOwner | QFile::ReadGroup | QFile::ExeOwner | QFile::ExeGroup;
            QVERIFY(QFile::setPermissions(cfg(), QFile::ReadOwner | QFile::ReadGroup));
            QVERIFY(QFile::setPermissions(dir->path(),
                                          setup == "file" ? all | QFile::WriteGroup : all));
            nobody = std::make_unique<AsUserNobody>();
            if (!nobody->holds())
                QSKIP("Run as root with no way to act as another user.");
        }
        start();
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            if (step.startsWith("port:"))
                choose("cbPorta", step.mid(5));
            else if (step.startsWith("model:"))
                choose("cbModelo", step.mid(6));
            else if (step == "dst")
                main.find<QAbstractButton>("cbHorarioVeraoVigente")->click();
            else // leaving the box does not try the port again
                main.find("cbModelo")->setFocus();
            QCoreApplication::processEvents();
        }
        QCOMPARE(messages->texts(), told.replaceInStrings("%1", dir->path()));
        for (const Message &m : messages->shown())
            QCOMPARE(m.caption,
                     m.text == PortFailed ? QStringLiteral("Erro") : QStringLiteral("Aviso"));
        QCOMPARE(main.text("cbPorta"), port);
        QCOMPARE(main.text("cbModelo"), model);
        QCOMPARE(toolState().ModelCode.load(), main.text("cbModelo") == "MV210" ? ModelA : ModelB);
        QCOMPARE(main.enabled("btCheques"), toolState().ModelCode == ModelB);
        for (const char *sub : {"c2k", "usr", "b2k"})
            QCOMPARE(QDir(dir->path()).exists(sub), setup != "folder");
        QCOMPARE(toolState().PortOpen.load(), main.text("cbPorta").startsWith("EMUL"));
        if (toolState().PortOpen)
            waitGreen();
        else
            QCOMPARE(light(), Red);
        tool.reset();
        nobody.reset();
        QCOMPARE(readFile(cfg()), atExit == "=" ? saved : atExit);
        QVERIFY(!printerLink().isOpen()); // the viewer closed the port at shut-down
    }

    // A port name longer than the record's 12 bytes (a printer on the network) is kept whole in
    // Tool.prt, and the record, still 20 bytes, holds the mark that leads there: the name comes
    // back at the next start. Without Tool.prt the box stays empty, as on a first run.
    void longPortName() {
        QTcpServer printer; // the far end; it answers nothing, which is not the point here
        QVERIFY(printer.listen(QHostAddress::LocalHost));
        const QString name = QStringLiteral("tcp://127.0.0.1:%1").arg(printer.serverPort());
        start();
        choose("cbPorta", name);
        QVERIFY(toolState().PortOpen);
        tool.reset();
        QCOMPARE(readFile(cfg()), record("@Tool.prt", ModelA));
        QCOMPARE(readFile(dir->filePath("Tool.prt")), name.toUtf8() + '\n');
        for (const QString &shown : {name, QString()}) {
            start();
            QCOMPARE(main.text("cbPorta"), shown);
            QCOMPARE(messages->texts(), QStringList());
            tool.reset();
            QCOMPARE(QFile::remove(dir->filePath("Tool.prt")), !shown.isEmpty());
        }
    }

    // The built-in printers keep their state in the working folder, and the panel shows what
    // they print: a Leitura X on the roll, saved and cleared; its COO kept across a restart of
    // the tool; "Restaurar padrão de fábrica"; a damaged state file refused at start, untouched.
    void emulatedPrinterKept() {
        writeCfg(record(PortB, ModelB));
        start();
        waitGreen();
        const int factory = fixture::printer(ModelB)->documentCounter();
        QVERIFY(commandSetFor(ModelB)->ReadingX());
        WindowDriver panel(&tool->emulatorPanel);
        QTRY_VERIFY(panel.text("memoBobina").contains("LEITURA X"));
        ScriptedFileDialogs dialogs;
        dialogs.answer(dir->filePath("bobina.txt"));
        panel.press("btSalvarBobina");
        QCOMPARE(readFile(dir->filePath("bobina.txt")), panel.text("memoBobina").toUtf8() + '\n');
        panel.press("btLimparBobina");
        QCOMPARE(panel.text("memoBobina"), QString());
        const auto restart = [&] {
            tool.reset();
            EmulatedPorts::replacePrinters(); // as a new run of the tool finds them
            start();
            waitGreen();
        };
        restart();
        QCOMPARE(fixture::printer(ModelB)->documentCounter(), factory + 1);
        messages->scriptAnswer(MessageAnswer::Yes);
        panel.drive(&tool->emulatorPanel);
        panel.press("btFabrica");
        QCOMPARE(fixture::printer(ModelB)->documentCounter(), factory);
        QCOMPARE(messages->count(), 1); // the question

        QFile state(dir->filePath("emulador-MV4700.json"));
        QVERIFY(state.open(QIODevice::WriteOnly) && state.write("{\"coo\": 7") > 0);
        state.close();
        restart();
        QCOMPARE(fixture::printer(ModelB)->documentCounter(), factory);
        QVERIFY2(messages->texts().last().contains("recusado"),
                 qPrintable(messages->texts().last()));
        QCOMPARE(readFile(state.fileName()), "{\"coo\": 7");
    }

    // The light and the status bar as the printer on the saved port is identified (yellow while
    // the line comes up, green, or red after six attempts), the firmware gate; then the printer
    // switched off and on, or another model chosen and the first again: red, the recording put
    // aside, and back (yellow for at least 2.5 s, unless only the model changed).
    void identification_data() {
        QTest::addColumn<IdRow>("row");
        const QString a = " Núm. Série: 21000123    SB: V.%1    Núm. ECF: 0001";
        const QString b = " Núm. Série: 47000456    SB: V.1.05    Núm. ECF: 0001";
        // clang-format off
        QTest::newRow("MV210 1.20") << IdRow{PortA, ModelA, "1.20", a.arg("1.20"), ""};
        QTest::newRow("MV210 1.10") << IdRow{PortA, ModelA, "1.10", a.arg("1.10"), ""};
        QTest::newRow("MV4700") << IdRow{PortB, ModelB, "1.05", b, ""};
        QTest::newRow("MV4700 while MV210 is chosen") << IdRow{PortB, ModelA, "1.05", " Núm. Série: ????????", ""};
        QTest::newRow("switched off and on") << IdRow{PortB, ModelB, "1.05", b, "power"};
        QTest::newRow("port without modem lines") << IdRow{PortB, ModelB, "1.05", b, "no cts"};
        QTest::newRow("other model and back") << IdRow{PortA, ModelA, "1.20", a.arg("1.20"), "model"};
        // clang-format on
    }
    void identification() {
        QFETCH(IdRow, row);
        const auto &[port, model, firmware, bar, then] = row;
        const auto printer = EmulatedPorts::printerFor(port);
        printer->setIdentity({port == PortA ? "21000123" : "47000456", firmware, "0001"});
        if (then == "no cts") // the port's driver fails the modem-line query
            printerLink().setTransportFactory([](const QString &name) {
                return std::make_unique<NoModemLines>(EmulatedPorts::printerFor(name));
            });
        writeCfg(record(port, model));
        start();
        const bool identified = (port == PortA) == (model == ModelA);
        QTRY_COMPARE_WITH_TIMEOUT(identifications(port), identified ? 1 : 6, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(light(), identified ? Green : Red, 10000);
        QCOMPARE(statusBar(), bar);
        QCOMPARE(colors.value(0).second, Yellow);
        QTRY_COMPARE(toolState().PrinterPresent.load(), identified);
        QCOMPARE(toolState().FirmwareVersionNumber.load(), identified ? firmware.toDouble() : 0);
        const bool gated = firmware == "1.10";
        for (const char *name : {"btProgLote", "btProgramacao", "btFiscal", "btStatus",
                                 "btSensores", "btGravaUSR", "btRelatorios"})
            QCOMPARE(main.enabled(name), !gated);
        QVERIFY(main.enabled("btIntervencao") && main.enabled("btVisualizarCOM"));
        QCOMPARE(main.visible("lbMSG_Version"), gated);
        if (gated)
            QCOMPARE(main.text("lbMSG_Version"),
                     QStringLiteral("TOOL apenas para MV210 V.1.20 ou "
                                    "sup.\r\nAtualize o SB no menu Intervenção"));
        QTest::qWait(Clock::scaled(3000));
        QCOMPARE(identifications(port), identified ? 1 : 6); // gave up after six attempts
        QVERIFY(ConfiguracaoEvent().isSet());
        if (then.isEmpty())
            return;
        toolState().RecordingState = RecordingOn;
        then == "model" ? choose("cbModelo", "MV4700") : printer->setPowered(false);
        QTRY_COMPARE_WITH_TIMEOUT(light(), Red, 10000);
        const QString unknown =
            then == "model" ? " Núm. Série: ????????" : " Núm. Série ECF: ????????";
        QTRY_COMPARE_WITH_TIMEOUT(statusBar(), unknown, 10000);
        QVERIFY(!toolState().PrinterPresent && toolState().RecordingState == RecordingOff);
        QVERIFY(then != "model" || toolState().TablesStale);
        colors.clear();
        then == "model" ? choose("cbModelo", "MV210") : printer->setPowered(true);
        waitGreen();
        QTRY_COMPARE(toolState().RecordingState.load(), int(RecordingOn)); // given back
        QCOMPARE(colors.first().second == Yellow, then != "model");
        if (then == "power") // yellow for 1.5 s, then a second before the first attempt
            QVERIFY(colors.last().first - colors.first().first >= Clock::scaled(2500));
    }

    // The status window reads the printer's status digits and lights what they say (the
    // model's own bits, some from a firmware on); a printer that does not answer leaves every
    // light white, without a message.
    void statusWindow_data() {
        QTest::addColumn<StatusRow>("row");
        const uint a = ModelA, b = ModelB;
        // clang-format off
        QTest::newRow("B all zero") << StatusRow{b, "1.05", "000000000000", "4,10"};
        QTest::newRow("B everything") << StatusRow{b, "1.05", "FFF7FFFFFFFF", "2,3,7,8,9,11,12,13,14,15"};
        QTest::newRow("B RZ pending, 1.01") << StatusRow{b, "1.01", "008230080000", "3"};
        QTest::newRow("B RZ pending, 1.00") << StatusRow{b, "1.00", "008230080000", ""};
        QTest::newRow("A maintenance") << StatusRow{a, "1.20", "200C04000000", "4,5,6"};
        QTest::newRow("A everything") << StatusRow{a, "1.20", "FFF7FBFFFFFF", "1,2,3,6,7,8,9,10,11,12,13,14,15"};
        QTest::newRow("silent") << StatusRow{b, "1.05", "", ""};
        // clang-format on
    }
    void statusWindow() {
        QFETCH(StatusRow, row);
        const auto &[model, firmware, digits, expected] = row;
        const QString port = fixture::portOf(model);
        const auto printer = EmulatedPorts::printerFor(port);
        printer->setIdentity({"12345678", firmware, "0001"});
        writeCfg(record(port, model));
        start();
        waitGreen();
        printer->setStatusOverride(digits);
        printer->setSilent(digits.isEmpty());
        printer->clearReceivedFrames();
        main.press("btStatus");
        WindowDriver status(&tool->status);
        QVERIFY(status.widget()->isVisible() && !tool->main.isEnabled());
        QTRY_VERIFY(!printer->receivedFrames().isEmpty());
        QTRY_VERIFY(tool->status.light(1)->color() != QColor(192, 192, 192));
        QTest::qWait(digits.isEmpty() ? Clock::scaled(4000) : 0);
        QStringList lit;
        for (int n = 1; n <= 15; ++n)
            if (tool->status.light(n)->color() == Cyan)
                lit << QString::number(n);
            else if (n < 15) // the hidden light 15 only ever turns on
                QCOMPARE(tool->status.light(n)->color(), White);
        QCOMPARE(lit.join(','), expected);
        QCOMPARE(status.enabled("lbRZPendente"), firmware != "1.00");
        QCOMPARE(status.enabled("lbCFAberto"), model == ModelA);
        QCOMPARE(messages->count(), 0);
        status.press("btSair");
        QVERIFY(!status.widget()->isVisible() && tool->main.isEnabled());
    }

    // The traffic viewer docks under the main window and leaves it usable; it shows what the
    // line carries, as text or in hexadecimal, and collects nothing while hidden.
    void trafficViewer() {
        writeCfg(record(PortB, ModelB));
        start();
        waitGreen();
        const QPoint before = tool->main.pos();
        main.press("btVisualizarCOM");
        WindowDriver viewer(&tool->viewer);
        QVERIFY(viewer.widget()->isVisible() && tool->main.isEnabled());
        QCOMPARE(tool->main.pos().y(), before.y() - viewer.widget()->height() / 2);
        fixture::printer(ModelB)->setStatusOverride("000000000000");
        tool->status.show();
        QTRY_COMPARE(viewer.text("memoVisualizacaoASCII"),
                     QStringLiteral("[GS][005] :000000000000[255][CR]   "));
        QCOMPARE(viewer.text("memoVisualizacaoHEX"),
                 QStringLiteral("1D 05    3A 30 30 30 30 30 30 30 30 30 30 30 30 FF 0D    "));
        QVERIFY(viewer.visible("memoVisualizacaoASCII") && !viewer.visible("memoVisualizacaoHEX"));
        viewer.press("btHEX");
        QVERIFY(viewer.visible("memoVisualizacaoHEX") && !viewer.visible("memoVisualizacaoASCII"));
        viewer.press("btLimpar");
        QCOMPARE(viewer.text("memoVisualizacaoHEX"), QString());
        tool->status.hide();
        main.press("btVisualizarCOM");
        QVERIFY(!viewer.widget()->isVisible());
        QCOMPARE(tool->main.pos(), before);
    }

    // A window's action, run three times. With no model chosen and a printer present, it sends
    // nothing to either printer. Without a printer, an action that needs one says so, sends
    // nothing and leaves the window open. With an MV4700 present, a file dialog starts in its
    // subfolder of the working folder ("" for the folder itself), whichever window asks.
    void windowActions_data() {
        QTest::addColumn<ActionRow>("row");
        // clang-format off
        const ActionRow rows[] = {
            {"Fiscal", "btAbreCF", true, "-"}, {"Fiscal", "btLX", true, "-"},
            {"Relatorios", "btLX", true, "-"}, {"Relatorios", "btRZ", true, "-"},
            {"VendaItem", "btProceder", true, "-"}, {"Cancelamento", "btProceder", true, "-"},
            {"Totalizacao", "btProceder", true, "-"}, {"Pagamento", "btProceder", true, "-"},
            {"Pagamento", "btEstorno", true, "-"}, {"Fechamento", "btProceder", true, "-"},
            {"CNFNV", "btProceder", true, "-"}, {"CCD", "btEmiteCCD", true, "-"},
            {"CCD", "bt2ndVia", true, "-"}, {"RG", "btEmiteRG", false, "-"},
            {"Autenticacao", "btEnviar", false, "-"}, {"GravaUSR", "btContGrava", true, "-"},
            {"Intervencao", "btProceder", true, "-"}, {"Intervencao", "btAjusteRelogio", true, "-"},
            {"Sensores", "btGaveta", false, "-"}, {"Status", "btLerImpr", false, "-"},
            {"PrgLote", "btLerTodos", true, "-"}, {"Programacao", "btProceder", true, "-"},
            {"PrgLote", "btImportar", false, "c2k"}, {"PrgLote", "btSalvar", false, "c2k"},
            {"Programacao", "btOpenArqConf", false, "c2k"}, {"Programacao", "btArqBancos", false, ""},
            {"Fiscal", "btMacroRec", false, "b2k"}, {"Fiscal", "btMacroPlay", true, "b2k"},
            {"GravaUSR", "btImportar", false, "usr"}, {"LMF", "btContinuar", true, ""},
            {"Cheques", "btOpenArqCheques", false, ""}};
        // clang-format on
        for (const ActionRow &row : rows)
            QTest::addRow("%s %s", qPrintable(std::get<0>(row)), std::get<1>(row).data()) << row;
    }

    void windowActions() {
        QFETCH(ActionRow, row);
        const auto [name, button, needsPrinter, folder] = row;
        ScriptedFileDialogs dialogs;
        for (const int run : {0, 1, 2}) { // no model; no printer; an MV4700
            tool = std::make_unique<ToolWindows>(dir->path());
            QVERIFY(fixture::connectPrinter(ModelB));
            toolState().ModelCode = run == 0 ? 0u : uint(ModelB);
            toolState().PrinterPresent = run != 1;
            WindowDriver w(window(name));
            QVERIFY(w.show());
            QCoreApplication::processEvents();
            if (name == "LMF")
                w.check("cbLeituraEmArquivo");
            if (name == "GravaUSR")
                w.setText("meCNPJ", "11.222.333/0001-81");
            if (run == 1) // what the window read when shown
                fixture::printer(ModelB)->clearReceivedFrames();
            messages->clear();
            messages->scriptAnswer(MessageAnswer::Yes);
            dialogs.requests.clear();
            if (run == 2 && folder == "-")
                return;
            w.press(button);
            QTest::qWait(20);
            if (run == 0 || (run == 1 && needsPrinter)) {
                QCOMPARE(fixture::printer(ModelA)->receivedFrames(), QList<QByteArray>());
                QCOMPARE(fixture::printer(ModelB)->receivedFrames(), QList<QByteArray>());
            }
            if (run == 1 && needsPrinter) // the window stays, for the user to try again
                QVERIFY(messages->texts().endsWith("Não existe impressora!") &&
                        w.widget()->isVisible());
            if (run == 2) {
                QCOMPARE(dialogs.requests.size(), 1);
                QCOMPARE(QDir(dialogs.requests[0].folder),
                         QDir(QDir(dir->path()).filePath(folder)));
            }
        }
    }

    // The message box the tool shows, also when a worker thread asks (it then waits for the
    // answer): its icon, its buttons in Portuguese, and the answer by the button pressed or
    // by Enter, which picks the safe choice of a question.
    void messageBox_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("press");
        QTest::addColumn<bool>("fromWorker");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("icon");
        using B = MessageButtons;
        using S = MessageStyle;
        using A = MessageAnswer;
        // clang-format off
        QTest::newRow("worker asks, Sim") << int(B::YesNo) << int(S::Question) << "Sim" << true << int(A::Yes) << int(QMessageBox::Question);
        QTest::newRow("Enter on a question") << int(B::YesNo) << int(S::Warning) << "\r" << false << int(A::No) << int(QMessageBox::Warning);
        QTest::newRow("Enter on OK or Cancel") << int(B::OkCancel) << int(S::Error) << "\r" << true << int(A::Cancel) << int(QMessageBox::Critical);
        QTest::newRow("Não of three") << int(B::YesNoCancel) << int(S::Information) << "Não" << false << int(A::No) << int(QMessageBox::Information);
        QTest::newRow("Cancelar of three") << int(B::YesNoCancel) << int(S::Question) << "Cancelar" << false << int(A::Cancel) << int(QMessageBox::Question);
        QTest::newRow("OK") << int(B::Ok) << int(S::Error) << "OK" << false << int(A::Ok) << int(QMessageBox::Critical);
        // clang-format on
    }
    void messageBox() {
        QFETCH(int, buttons);
        QFETCH(int, style);
        QFETCH(QString, press);
        QFETCH(bool, fromWorker);
        QString seen;
        int icon = -1;
        QTimer answering;
        connect(&answering, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            answering.stop();
            seen = box->windowTitle() + '|' + box->text();
            icon = box->icon();
            if (press == QLatin1String("\r"))
                QTest::keyClick(box, Qt::Key_Return);
            for (QAbstractButton *button : box->buttons())
                if (button->text() == press)
                    button->click();
        });
        answering.start(10);
        const Message message{QStringLiteral("Confirma?"), QStringLiteral("Atenção"),
                              MessageButtons(buttons), MessageStyle(style)};
        QtMessages boxes;
        std::atomic<int> answer = -1;
        std::thread worker;
        if (fromWorker)
            worker = std::thread([&] { answer = int(boxes.show(message)); });
        else
            answer = int(boxes.show(message));
        QTRY_VERIFY_WITH_TIMEOUT(answer >= 0, 10000);
        if (worker.joinable())
            worker.join();
        QTEST(int(answer), "answer");
        QTEST(icon, "icon");
        QCOMPARE(seen, QStringLiteral("Atenção|Confirma?"));
    }
};

TOOL_TEST_CLASS(ShellTest)
#include "test_shell.moc"
