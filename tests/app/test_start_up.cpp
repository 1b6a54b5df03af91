// How the tool starts: the command line, the working folder it chooses, where it finds the
// files that come with it, and a serial port the user may not use (listed, and the remedy told).
#include "app/command_line.h"
#include "app/port_list.h"
#include "core/global.h"
#include "core/working_folder.h"
#include "link/serial_new.h"
#include "support/reliability_nobody.h"
#include "support/test_main.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>

namespace {
// The arguments, whether the current folder holds a Tool.cfg; what the tool does, the folder
// it works in ("current", "docs": ferramenta-ecf in the documents folder, "given": the
// --folder one, "": none) and the start of what it prints.
using CommandRow = std::tuple<QString, bool, ToolCommandLine::Action, QString, QString>;
// Where copies of the file lie ("work", "beside" the program, "share" the installed one), and
// which one is used.
using BundledRow = std::tuple<QString, QString>;
} // namespace

Q_DECLARE_METATYPE(CommandRow)
Q_DECLARE_METATYPE(BundledRow)

class StartUpTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString at(const QString &name) const { return dir->filePath(name); }

private slots:
    void init() { dir = std::make_unique<QTemporaryDir>(); }
    void cleanup() {
        WorkingFolder::set({});
        toolState().ProgramDirectory.clear();
    }

    void commandLine_data() {
        QTest::addColumn<CommandRow>("row");
        using A = ToolCommandLine::Action;
        const QString more = "\nUse --help para ver as opções.\n";
        // clang-format off
        QTest::newRow("first start") << CommandRow{"", false, A::Run, "docs", ""};
        QTest::newRow("Tool.cfg here") << CommandRow{"--identify", true, A::Run, "current", ""};
        QTest::newRow("--folder") << CommandRow{"--folder given", true, A::Run, "given", ""};
        QTest::newRow("--folder=") << CommandRow{"--folder=given", false, A::Run, "given", ""};
        QTest::newRow("--help") << CommandRow{"--folder given --help", false, A::Print, "", "Uso: ferramenta-ecf [opções]\n"};
        QTest::newRow("-v") << CommandRow{"-v", false, A::Print, "", "ferramenta-ecf 9.87\n"};
        QTest::newRow("unknown") << CommandRow{"--pasta x", true, A::Refuse, "", "ferramenta-ecf: opção desconhecida: --pasta" + more};
        QTest::newRow("no folder") << CommandRow{"--folder", true, A::Refuse, "", "ferramenta-ecf: falta a pasta depois de --folder" + more};
        QTest::newRow("argument") << CommandRow{"COM1", false, A::Refuse, "", "ferramenta-ecf: argumento inesperado: COM1" + more};
        // clang-format on
    }
    // The working folder is created when missing; nothing else is made anywhere.
    void commandLine() {
        QFETCH(CommandRow, row);
        const auto &[arguments, cfgHere, action, folder, printed] = row;
        QVERIFY(QDir().mkpath(at("current")) && QDir().mkpath(at("docs")));
        if (cfgHere)
            QVERIFY(QFile(at("current/Tool.cfg")).open(QIODevice::WriteOnly));
        QStringList args{"ferramenta-ecf"};
        for (const QString &a : arguments.split(' ', Qt::SkipEmptyParts))
            args << QString(a).replace("given", at("given"));
        const ToolCommandLine line = ToolCommandLine::parse(args, "9.87");
        QCOMPARE(line.action, action);
        QCOMPARE(line.text.left(printed.size()), printed);
        QCOMPARE(line.identify, arguments == "--identify");
        if (action != ToolCommandLine::Action::Run) {
            QVERIFY(!QFileInfo::exists(at("given")));
            return;
        }
        const QString chosen = WorkingFolder::choose(line.folder, at("current"), at("docs"));
        const QString expected = folder == "docs" ? at("docs/ferramenta-ecf") : at(folder);
        QCOMPARE(chosen, expected);
        QVERIFY(QFileInfo(chosen).isDir());
        QCOMPARE(QDir(dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(),
                 folder == "given" ? 3 : 2);
        QCOMPARE(QDir(at("docs")).isEmpty(), folder != "docs");
    }

    // The sample bank table: the working folder's own copy first, then the one beside the
    // program (a build), then the installed one in ../share/ferramenta-ecf.
    void bundledFile_data() {
        QTest::addColumn<BundledRow>("row");
        QTest::newRow("every copy") << BundledRow{"work beside share", "work"};
        QTest::newRow("a build") << BundledRow{"beside", "beside"};
        QTest::newRow("installed") << BundledRow{"share", "share"};
        QTest::newRow("installed, own copy") << BundledRow{"work share", "work"};
        QTest::newRow("none") << BundledRow{"", "beside"};
    }
    void bundledFile() {
        QFETCH(BundledRow, row);
        const auto &[copies, used] = row;
        const QMap<QString, QString> place{{"work", at("work/bancos.QBK")},
                                           {"beside", at("usr/bin/bancos.QBK")},
                                           {"share", at("usr/share/ferramenta-ecf/bancos.QBK")}};
        for (const QString &path : place) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            if (copies.contains(place.key(path)))
                QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        }
        WorkingFolder::set(at("work"));
        toolState().ProgramDirectory = at("usr/bin") + '/';
        QCOMPARE(WorkingFolder::bundledFile("bancos.QBK"), place[used]);
    }

    // A port the user may not read and write is listed, marked, and opening it tells the
    // remedy; a port that is not there is not listed.
    void portWithoutPermission() {
        int masters[2];
        QString slaves[2];
        for (int i : {0, 1}) {
            masters[i] = posix_openpt(O_RDWR | O_NOCTTY);
            QVERIFY(masters[i] >= 0 && grantpt(masters[i]) == 0 && unlockpt(masters[i]) == 0);
            slaves[i] = QString::fromLocal8Bit(ptsname(masters[i]));
        }
        const auto closeMasters = qScopeGuard([&] { ::close(masters[0]), ::close(masters[1]); });
        QVERIFY(QFile::setPermissions(slaves[0], QFile::Permissions()));
        const auto readWrite = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                               QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        QVERIFY(QFile::setPermissions(slaves[1], readWrite));
        AsUserNobody nobody;
        if (!nobody.holds())
            QSKIP("Run as root with no way to act as another user: root may open any port.");
        Link link;
        const QString missing = "/dev/ttyUSB-not-there";
        QCOMPARE(PortList::probe(link, {slaves[0], slaves[1], missing}),
                 (QList<PortList::Port>{{slaves[0], true}, {slaves[1], false}}));
        QCOMPARE(PortList::openFailureText(link.OpenPort(slaves[0], 9600, false)),
                 "Erro ao abrir porta de comunicacao!\r\nSem permissão para usar a porta. "
                 "Adicione o usuário ao grupo dialout (sudo usermod -a -G dialout $USER) e "
                 "entre novamente na sessão.\r\n");
        QCOMPARE(PortList::openFailureText(link.OpenPort(missing, 9600, false)),
                 "Erro ao abrir porta de comunicacao!\r\n");
        QVERIFY(!link.isOpen());
    }
};

TOOL_TEST_CLASS(StartUpTest)
#include "test_start_up.moc"
