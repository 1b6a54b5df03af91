// The command line against the emulated printers: each sub-command sends the frames the same
// action sends from its window, read-config and send-data carry a configuration from printer
// to printer, and every kind of failure has its exit status. The program itself runs as a
// child process only where it must: several ports at once.
#include "app/status.h"
#include "app/status_lights.h"
#include "app/thread_testa_impr.h"
#include "cli/cli_main.h"
#include "fiscal/fiscal.h"
#include "fiscal/macro_file.h"
#include "link/macro_line.h"
#include "maintenance/gravausr.h"
#include "maintenance/intervencao.h"
#include "maintenance/usr_file.h"
#include "programming/prglote.h"
#include "programming/programacao.h"
#include "programming/send_data_run.h"
#include "reports/leituramf.h"
#include "reports/relatorios.h"
#include "send_data_fixture.h"
#include "support/programming_maintenance_session.h"
#include "support/scripted_transport.h"
#include "support/test_main.h"
#include "widgets/indicator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <cstdio>
#include <functional>

using fixture::printer;

namespace {

const QByteArray Serial = "12345678";
QByteArray firmwareOf(uint model) {
    return model == ModelA ? "1.22" : "1.05";
}

// What the program printed and returned.
struct Run {
    int exit = -1;
    QByteArray out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

QByteArray readBack(FILE *file) {
    std::fflush(file);
    std::rewind(file);
    QByteArray bytes;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, qsizetype(n));
    std::fclose(file);
    return bytes;
}

// The program run in this process (its single-port path), on the tool's link. It installs
// its own messages and dialogs; the session's are put back after it.
Run cli(const QStringList &arguments, fixture::WindowSession *session = nullptr) {
    FILE *out = std::tmpfile(), *err = std::tmpfile();
    Run run;
    run.exit = Cli::main(arguments, QStringLiteral(ECF_PROGRAM), out, err);
    run.out = readBack(out);
    run.err = QString::fromUtf8(readBack(err));
    if (session) {
        installMessages(session->messages.get());
        installFileDialogs(session->dialogs.get());
    }
    return run;
}

// A factory-fresh printer of `model` as the window tests find it: serial 12345678, the
// maintenance jumper on, reports printed in 100 ms.
void freshPrinter(uint model) {
    printerLink().ClosePort();
    EmulatedPorts::replacePrinters();
    printer(model)->setMaintenanceJumper(true);
    printer(model)->setIdentity({Serial, firmwareOf(model), "0001"});
    printer(model)->setPrintTimeMs(100);
}

// Frames compared: the PC's date and time that some frames carry is masked, and a status
// poll repeated while the printer prints counts once (how often depends on the machine).
QByteArrayList normalised(const QList<QByteArray> &frames) {
    const QRegularExpression now(Clock::now().toString(QStringLiteral("ddMMyy")) +
                                 QStringLiteral("\\d{6}"));
    QByteArrayList out;
    for (const QByteArray &frame : frames) {
        const QByteArray masked = QString::fromLatin1(frame).replace(now, "<agora>").toLatin1();
        if (out.isEmpty() || out.last() != masked)
            out << masked;
    }
    return out;
}

// Who the printer is, asked first by the command line: model A two frames, model B three.
QList<QByteArray> withoutIdentification(const QList<QByteArray> &frames, uint model) {
    const int asked = model == ModelA ? 2 : 3;
    return frames.value(0) == QByteArray("\x1B\xC3") ? frames.mid(asked) : frames;
}

struct Case {
    QString dir;
    uint model;
    QString path(const char *name) const { return QDir(dir).filePath(QLatin1String(name)); }
};

using Step = std::function<void(fixture::WindowSession &, const Case &)>;
struct Row {
    const char *name;
    Step setup;  // on each fresh printer, before the window or the command line
    Step window; // the user's steps in the window; its frames are kept from its first step
    QStringList arguments;
    QStringList files; // written by both: compared byte for byte
};

template <class W> W *openWindow(fixture::WindowSession &s) {
    W *window = s.open<W>();
    QCoreApplication::processEvents();
    QTest::qWait(Clock::scaled(1000)); // what it reads when shown
    fixture::takeFrames(toolState().ModelCode);
    return window;
}

void configure(fixture::WindowSession &s, const Case &c) {
    fixture::writeFile(c.path("sample.c2k"), fixture::sampleFile(c.model, "0042"));
    QCOMPARE(cli({"send-data", c.path("sample.c2k"), "--port", fixture::portOf(c.model)}, &s).exit,
             0);
}

void pastReductions(fixture::WindowSession &, const Case &c) {
    printer(c.model)->addPastReductions(6);
}

// The user with the code the maker computes for this printer.
void userFile(fixture::WindowSession &, const Case &c) {
    const QString code = QString::fromLatin1(emu::authorizationCode(Serial, "11222333000181"));
    fixture::writeFile(c.path("u.usr"),
                       UserFile::build(c.model, QString::fromLatin1(Serial),
                                       {"11.222.333/0001-81", "ISENTO", "123456", code}));
}

// A macro of the frames of a Leitura X, after which the player waits for the printer.
void macroFile(fixture::WindowSession &, const Case &c) {
    QVERIFY(fixture::connectPrinter(c.model));
    CommandSet &set = *commandSetFor(c.model);
    QVERIFY(set.ReadingX() && set.WaitPrinterIdle());
    QByteArray macro = MacroFile::header(c.model);
    for (const QByteArray &frame : fixture::takeFrames(c.model))
        if (frame.startsWith('\x1B'))
            macro += macroLineFor(frame);
    fixture::writeFile(c.path("m.b2k"), macro + MacroFile::Terminator);
}

void none(fixture::WindowSession &, const Case &) {
}

const QList<Row> &rows() {
    using S = fixture::WindowSession;
    static const QList<Row> all = {
        {"identify",
         none,
         [](S &, const Case &) { ThreadTestaImpr(printerLink(), nullptr).IdentifyPrinter(); },
         {"identify"},
         {}},
        {"status",
         none,
         [](S &s, const Case &) {
             s.open<TfmStatus>();
             QTest::qWait(100);
         },
         {"status"},
         {}},
        {"read-config",
         configure,
         [](S &s, const Case &c) {
             openWindow<TfmPrgLote>(s);
             s.ui.press("btLerTodos");
             s.dialogs->answer(c.path("window.c2k"));
             s.ui.press("btSalvar");
         },
         {"read-config", "-o", "cli.c2k"},
         {"window.c2k", "cli.c2k"}},
        {"send-data",
         none,
         [](S &s, const Case &c) {
             fixture::writeFile(c.path("sample.c2k"), fixture::sampleFile(c.model, "0042"));
             openWindow<TfmProgramacao>(s);
             s.dialogs->answer(c.path("sample.c2k"));
             s.ui.press("btOpenArqConf");
             s.ui.press("btProceder");
         },
         {"send-data", "sample.c2k"},
         {}},
        {"leitura-x",
         none,
         [](S &s, const Case &) { openWindow<TfmRelatorios>(s), s.ui.press("btLX"); },
         {"leitura-x"},
         {}},
        {"reducao-z",
         none,
         [](S &s, const Case &) {
             openWindow<TfmRelatorios>(s);
             s.messages->scriptAnswer(MessageAnswer::Yes);
             s.ui.press("btRZ");
         },
         {"reducao-z", "--yes"},
         {}},
        {"clock",
         none,
         [](S &s, const Case &) { s.open<TfmRelatorios>(), QTest::qWait(100); },
         {"clock"},
         {}},
        {"clock --set",
         none,
         [](S &s, const Case &) { openWindow<TfmIntervencao>(s), s.ui.press("btAjusteRelogio"); },
         {"clock", "--set"},
         {}},
        {"fiscal-memory",
         pastReductions,
         [](S &s, const Case &c) {
             s.main = std::make_unique<TfmMain>(c.dir);
             s.window = std::make_unique<TfmLMF>(s.main.get(), s.main.get());
             s.ui.drive(s.window.get());
             QVERIFY(s.ui.show());
             s.ui.check("rbCRZ");
             s.ui.setText("meCRZ", "2");
             s.ui.setText("meCRZ2", "5");
             s.ui.check("cbLeituraEmArquivo");
             s.dialogs->answer(c.path("window.txt"));
             s.ui.press("btContinuar");
         },
         {"fiscal-memory", "--crz", "2-5", "--full", "-o", "cli.txt"},
         {"window.txt", "cli.txt"}},
        {"record-user",
         userFile,
         [](S &s, const Case &c) {
             openWindow<TfmGravaUSR>(s);
             s.dialogs->answer(c.path("u.usr"));
             s.ui.press("btImportar");
             s.ui.press("btContGrava");
         },
         {"record-user", "u.usr"},
         {}},
        {"play-macro",
         macroFile,
         [](S &s, const Case &c) {
             openWindow<TfmFiscal>(s);
             s.ui.setText("edLoop", "2");
             s.dialogs->answer(c.path("m.b2k"));
             s.ui.press("btMacroPlay");
             QTRY_VERIFY_WITH_TIMEOUT(s.ui.enabled("btMacroPlay"), 20000);
         },
         {"play-macro", "m.b2k", "--times", "2"},
         {}},
    };
    return all;
}

} // namespace

class CliTest : public QObject {
    Q_OBJECT
    fixture::WindowSession s;

    // The command line run on the port of `model`, its result in JSON.
    Run onPort(QStringList arguments, uint model) {
        return cli(arguments << "--port" << fixture::portOf(model) << "--json");
    }

private slots:
    // Each test runs in its own folder, where the window also writes its serial-numbered copy.
    void init() {
        s.begin();
        QDir::setCurrent(s.dir->path());
    }
    void cleanup() {
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        printerLink().setTransportFactory(&Link::defaultTransport);
        s.end();
    }

    // Each sub-command on each model: the frames after the identification equal the window's,
    // the files written equal the window's, and the JSON result says done.
    void sameFramesAsTheWindow_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<uint>("model");
        for (int i = 0; i < rows().size(); ++i)
            for (uint model : {ModelA, ModelB})
                QTest::addRow("%s, %s", rows()[i].name, model == ModelA ? "MV210" : "MV4700")
                    << i << model;
    }
    void sameFramesAsTheWindow() {
        QFETCH(int, row);
        QFETCH(uint, model);
        const Row &r = rows()[row];
        const Case c{s.dir->path(), model};
        freshPrinter(model);
        r.setup(s, c);
        QVERIFY(s.usePrinter(model, firmwareOf(model)));
        r.window(s, c);
        QTest::qWait(Clock::scaled(1000));
        const QByteArrayList window = normalised(fixture::takeFrames(model));
        QVERIFY(!window.isEmpty());
        const QStringList windowMessages = s.messages->texts();
        // The status window's lights, lit or not, and their labels.
        QStringList lights;
        if (auto *status = qobject_cast<TfmStatus *>(s.window.get())) {
            const char *labels[] = {"lbFalhaMecanica", "lbStatus02", "lbRZPendente", "lbStatus04",
                                    "lbRGAberto",      "lbCFAberto", "lbStatus07",   "lbStatus08",
                                    "lbStatus09",      "lbStatus10", "lbStatus11",   "lbStatus12",
                                    "lbStatus13",      "lbStatus14", "lbStatus15"};
            for (int i = 0; i < StatusLights::Count; ++i) {
                QCOMPARE(s.ui.text(labels[i]), StatusLights::name(i));
                lights << (status->light(i + 1)->color() == QColor(0, 255, 255) ? "x" : " ");
            }
        }
        s.window.reset();
        s.main.reset();

        freshPrinter(model);
        r.setup(s, c);
        printerLink().ClosePort();
        printer(model)->clearReceivedFrames();
        const Run run = onPort(r.arguments, model);
        QCOMPARE(run.exit, 0);
        const QJsonObject json = run.json();
        QCOMPARE(json["serial"].toString().toLatin1(), Serial);
        const QList<QByteArray> received = printer(model)->receivedFrames();
        QCOMPARE(normalised(row == 0 ? received : withoutIdentification(received, model)), window);
        QStringList messages;
        for (const QJsonValue &message : json["messages"].toArray())
            messages << message["text"].toString();
        QCOMPARE(messages, windowMessages);
        if (r.files.size() == 2) {
            const QByteArray written = fixture::readFile(c.path(qPrintable(r.files[0])));
            QVERIFY(!written.isEmpty());
            QCOMPARE(fixture::readFile(c.path(qPrintable(r.files[1]))), written);
        }
        // The status lights by the names of the window, lit as the window lights them.
        for (const QJsonValue &flag : json["status"].toArray()) {
            const int i = lights.isEmpty() ? -1 : [&] {
                for (int k = 0; k < StatusLights::Count; ++k)
                    if (StatusLights::name(k) == flag["name"].toString())
                        return k;
                return -1;
            }();
            QVERIFY(i >= 0);
            QCOMPARE(flag["on"].toBool(), lights[i] == "x");
        }
    }

    // A configuration read from one printer and sent to a fresh one reads back the same.
    void roundTrip_data() {
        QTest::addColumn<uint>("model");
        QTest::newRow("MV210") << uint(ModelA);
        QTest::newRow("MV4700") << uint(ModelB);
    }
    void roundTrip() {
        QFETCH(uint, model);
        freshPrinter(model);
        fixture::writeFile(s.path("sample.c2k"), fixture::sampleFile(model, "0042"));
        QCOMPARE(onPort({"send-data", "sample.c2k"}, model).exit, 0);
        QCOMPARE(onPort({"read-config", "-o", "first.c2k"}, model).exit, 0);
        freshPrinter(model);
        QCOMPARE(onPort({"send-data", "first.c2k"}, model).exit, 0);
        QCOMPARE(onPort({"read-config", "-o", "second.c2k"}, model).exit, 0);
        const QByteArray first = fixture::readFile(s.path("first.c2k"));
        QCOMPARE(fixture::readFile(s.path("second.c2k")), first);
        const QStringList cells = fixture::cells(readC2k(first, model, false).tables);
        QVERIFY2(cells.contains("T2 05,00%    S") && cells.contains("N2 Suprimento   E"),
                 qPrintable(cells.join(" / ")));
    }

    // What a result tells: who the printer is, the status flags of each model (those the status
    // window greys out for the model are left out) and the messages, such as the clock's
    // adjustment.
    void results_data() {
        fixture::columns<uint, QStringList, QStringList>({"model", "arguments", "told"});
        // The status lights by name, but for those at `without`.
        const auto lights = [](const QList<int> &without) {
            QStringList names;
            for (int i = 0; i < StatusLights::Count; ++i)
                if (!without.contains(i))
                    names << StatusLights::name(i);
            return names;
        };
        // Model B has no mechanical failure, report or coupon open lights.
        QTest::newRow("MV210 status") << uint(ModelA) << QStringList{"status"} << lights({});
        QTest::newRow("MV4700 status")
            << uint(ModelB) << QStringList{"status"} << lights({0, 4, 5});
        QTest::newRow("clock set") << uint(ModelB) << QStringList{"clock", "--set"}
                                   << QStringList{"Ajsute do relógio realizado com sucesso!"};
    }
    void results() {
        QFETCH(uint, model);
        QFETCH(QStringList, arguments);
        freshPrinter(model);
        const QJsonObject json = onPort(arguments, model).json();
        QCOMPARE(json["exit"].toInt(), 0);
        const QStringList identity{json["model"].toString(), json["serial"].toString(),
                                   json["firmware"].toString(), json["ecf"].toString()};
        QCOMPARE(identity, QStringList({model == ModelA ? "MV210" : "MV4700", Serial,
                                        firmwareOf(model), "0001"}));
        QStringList told;
        for (const QJsonValue &flag : json["status"].toArray())
            told << flag["name"].toString();
        for (const QJsonValue &message : json["messages"].toArray())
            told << message["text"].toString();
        QTEST(told, "told");
        if (arguments[0] == "clock") { // the printer's clock, set to the PC's a moment ago
            const QDateTime clock = QDateTime::fromString(json["clock"].toString(),
                                                          QStringLiteral("dd/MM/yyyy HH:mm:ss"));
            QVERIFY2(std::abs(clock.secsTo(Clock::now())) <= 60, qPrintable(clock.toString()));
            QVERIFY(json.contains("difference_seconds") &&
                    std::abs(json["difference_seconds"].toInt()) <= 60);
            QCOMPARE(json["daylight_saving"], QJsonValue(false));
        }
    }

    // Without --json the result is told in words.
    void resultInWords() {
        freshPrinter(ModelB);
        printer(ModelB)->addPastReductions(3);
        const Run run = cli(
            {"fiscal-memory", "--crz", "1-3", "-o", "mf.txt", "--port", fixture::portOf(ModelB)});
        QCOMPARE(run.exit, 0);
        QVERIFY2(run.out.contains("\nResultado da leitura: gravada no arquivo\n") &&
                     run.out.endsWith("\nConcluído.\n"),
                 run.out.constData());
    }

    // The exit status of each kind of failure, the last message told (its beginning) and,
    // for a bad command line or file, that nothing went to the printer after who it is.
    void failures_data() {
        fixture::columns<QStringList, int, QString, bool>({"arguments", "exit", "told", "sends"});
        const QString a = fixture::portOf(ModelA), b = fixture::portOf(ModelB);
        const auto row = [](const char *name, const QStringList &arguments, int exit,
                            const QString &told, bool sends = false) {
            QTest::newRow(name) << arguments << exit << told << sends;
        };
        // clang-format off
        row("unknown port", {"identify", "--port", "/dev/nenhuma"}, 3, "Não foi possível abrir a porta /dev/nenhuma.");
        row("silent printer", {"status", "--port", "SILENCIO"}, 3, "Nenhuma impressora respondeu na porta SILENCIO.");
        row("refused: not in maintenance mode", {"clock", "--set", "--port", b}, 1, "Coloque a impressora em Modo Manutenção!", true);
        row("configuration file missing", {"send-data", "nada.c2k", "--port", a}, 2, SendDataText::FileMissing);
        row("configuration of the other model", {"send-data", "b.c2k", "--port", a}, 2, "");
        row("bank table missing", {"send-data", "b.c2k", "--bank-table", "nada.QBK", "--port", b}, 2, "A tabela de bancos");
        row("macro of the other model", {"play-macro", "b.b2k", "--port", a}, 2, "O arquivo especificado é incompatível");
        row("empty user file", {"record-user", "vazio.usr", "--port", b}, 2, "O arquivo está vazio");
        row("configuration not writable", {"read-config", "-o", "/nenhuma/pasta/x.c2k", "--port", a}, 2, "", true);
        row("Redução Z without --yes", {"reducao-z", "--port", b}, 2, "Confirma a operação?");
        row("month 13", {"fiscal-memory", "--dates", "01012000-15132000", "--port", a}, 2, "Mês inválido.");
        row("no port", {"identify"}, 2, "");
        row("unknown option", {"status", "--depressa", "--port", a}, 2, "");
        row("period not a period", {"fiscal-memory", "--crz", "5", "--port", a}, 2, "");
        // clang-format on
    }
    void failures() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exit);
        QFETCH(QString, told);
        QFETCH(bool, sends);
        const auto silent = std::make_shared<ScriptedTransport::Shared>();
        printerLink().setTransportFactory([silent](const QString &port) {
            return port == "SILENCIO" ? std::make_unique<ScriptedTransport>(silent)
                                      : Link::defaultTransport(port);
        });
        for (uint model : {ModelA, ModelB})
            printer(model)->setMaintenanceJumper(false);
        fixture::writeFile(s.path("b.c2k"), fixture::sampleFile(ModelB));
        fixture::writeFile(s.path("b.b2k"), MacroFile::header(ModelB) + MacroFile::Terminator);
        fixture::writeFile(s.path("vazio.usr"), {});
        const Run run = cli(arguments << "--json");
        QCOMPARE(run.exit, exit);
        const QJsonObject json = run.json();
        if (!json.isEmpty()) { // a command line refused before any port has none
            QCOMPARE(json["exit"].toInt(), exit);
            QVERIFY2(json["messages"].toArray().last()["text"].toString().startsWith(told),
                     qPrintable(run.err));
        }
        for (uint model : {ModelA, ModelB})
            if (!sends)
                QCOMPARE(withoutIdentification(printer(model)->receivedFrames(), model), {});
    }

    // Several ports at once: one child process each, one result per port in their order, the
    // highest exit status, each child's messages marked with its port.
    void severalPorts() {
        QProcess ecf;
        ecf.start(ECF_PROGRAM, {"identify", "--json", "--port", "EMUL-MV210", "--port",
                                "EMUL-MV4700", "--port", "/dev/nenhuma"});
        QVERIFY(ecf.waitForFinished(60000));
        QCOMPARE(ecf.exitCode(), 3);
        QStringList seen;
        for (const QJsonValue &result :
             QJsonDocument::fromJson(ecf.readAllStandardOutput()).array())
            seen << QStringLiteral("%1 %2 %3")
                        .arg(result["port"].toString(), result["model"].toString())
                        .arg(result["exit"].toInt());
        QCOMPARE(seen,
                 QStringList({"EMUL-MV210 MV210 0", "EMUL-MV4700 MV4700 0", "/dev/nenhuma  3"}));
        QVERIFY(ecf.readAllStandardError().contains(
            "[/dev/nenhuma] Erro: Não foi possível abrir a porta /dev/nenhuma."));
    }

    // A process started for one port that is asked for several starts nobody: it says so.
    void portProcessStartsNoOther() {
        qputenv("ECF_PROCESSO_DE_PORTA", "1");
        const Run run =
            cli({"identify", "--port", fixture::portOf(ModelA), "--port", fixture::portOf(ModelB)});
        qunsetenv("ECF_PROCESSO_DE_PORTA");
        QCOMPARE(run.exit, 1);
        QVERIFY2(run.err.startsWith("Erro interno"), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
    }
};

TOOL_TEST_CLASS(CliTest)
#include "test_cli.moc"
