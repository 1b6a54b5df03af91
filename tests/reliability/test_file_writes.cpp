// Every file the tool writes over an earlier one (the .c2k saved from Edit Data, the .usr saved
// from Gravar Usuário, and the serial-numbered copies that Send Data and the user record leave
// in the working folder) either takes its place whole or leaves it byte for byte as it was,
// with the failure reported, whatever stops the write half way.
#include "app/main_window.h"
#include "core/global.h"
#include "core/working_folder.h"
#include "maintenance/gravausr.h"
#include "maintenance/usr_file.h"
#include "programming/c2k_file.h"
#include "programming/prglote.h"
#include "programming/send_data_fixture.h"
#include "programming/send_data_run.h"
#include "protocol/command_set.h"
#include "support/recording_messages.h"
#include "support/scripted_file_dialogs.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace fixture;

namespace {

const QByteArray Earlier = "conteúdo anterior que não pode se perder";
// Model A with this firmware records a user without the maker's code, so the serial-numbered
// .usr copy is offered.
constexpr uint Model = fixture::ModelA;
const QString Serial = QStringLiteral("21000123");
const QString NotWritten = QStringLiteral("Não foi possível gravar o arquivo");

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The process may not write past `bytes` in any file while it lives: the disk is "full" for
// everything longer, as when a drive fills up during the write.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }

private:
    rlimit saved{};
    void (*previousHandler)(int) = nullptr;
};

enum class Kind { C2kSave, UsrSave, C2kSerialCopy, UsrSerialCopy };
enum class Fault { DiskFull, ReadOnlyTarget, ReadOnlyFolder };

// A view of the Send Data run that only watches.
struct QuietView : SendDataView {
    void setButtonsEnabled(bool) override {}
    void showProgress(int) override {}
    void hideProgress() override {}
};

} // namespace

Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(Fault)

class TestFileWrites : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ScriptedFileDialogs> dialogs;
    std::unique_ptr<TfmMain> main;
    QString out; // the folder that holds the earlier file

    // The file each kind writes, in the folder `out`.
    QString targetOf(Kind kind) const {
        switch (kind) {
        case Kind::C2kSave:
            return QDir(out).filePath(QStringLiteral("loja.c2k"));
        case Kind::UsrSave:
            return QDir(out).filePath(QStringLiteral("loja.usr"));
        case Kind::C2kSerialCopy:
            return QDir(out).filePath(serialCopyName(Model, Serial));
        case Kind::UsrSerialCopy:
            return QDir(out).filePath(UserFile::serialCopyName(Serial));
        }
        return {};
    }

    void usePrinter() {
        auto p = printer(Model);
        p->setIdentity({Serial.toLatin1(), "1.20", "0001"});
        p->setMaintenanceJumper(true);
        toolState().ModelCode = Model;
        toolState().FirmwareVersionNumber = 1.20;
        toolState().FirmwareVersion.set(QStringLiteral("1.20"));
        toolState().PrinterSerial.set(Serial);
        toolState().PrinterPresent = true;
        QCOMPARE(printerLink().OpenPort(portOf(Model), 9600, false), 0);
    }

    // Runs the operation of `kind` that writes its file, as the user starts it.
    void write(Kind kind) {
        switch (kind) {
        case Kind::C2kSave: {
            TfmPrgLote window(main.get());
            WorkingFolder::set(dir->path());
            window.show();
            dialogs->answer(targetOf(kind));
            click(&window, "btSalvar");
            break;
        }
        case Kind::UsrSave:
        case Kind::UsrSerialCopy: {
            TfmGravaUSR window(main.get());
            WorkingFolder::set(out);
            window.show();
            control<QLineEdit>(&window, "meCNPJ")->setText(QStringLiteral("11.222.333/0001-81"));
            control<QLineEdit>(&window, "edIE")->setText(QStringLiteral("ISENTO"));
            control<QLineEdit>(&window, "edIM")->setText(QStringLiteral("12345"));
            if (kind == Kind::UsrSave) {
                dialogs->answer(targetOf(kind));
                click(&window, "btSalvar");
            } else {
                control<QCheckBox>(&window, "cbGeraUSR")->setChecked(true);
                click(&window, "btContGrava");
            }
            break;
        }
        case Kind::C2kSerialCopy: {
            SendDataRequest r;
            r.model = Model;
            r.printerPresent = true;
            r.serial = Serial;
            r.configurationPath = dir->filePath(QStringLiteral("origem.c2k"));
            r.ecfNumber = QStringLiteral("0042");
            r.workingFolder = out;
            QuietView view;
            const SendDataResult result = runSendData(r, commandSetFor(Model), printerLink(), view);
            QVERIFY2(result.completed, qPrintable(messages->texts().join(" | ")));
            break;
        }
        }
    }

private slots:
    void init() {
        freshPrinters();
        Clock::setScale(0.001);
        usePrinter();
        invalidateConfigurationCache();
        dir = std::make_unique<QTemporaryDir>();
        out = dir->filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(out));
        messages = std::make_unique<RecordingMessages>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
        main = std::make_unique<TfmMain>(dir->path());
        // The configuration file that Send Data sends.
        QFile source(dir->filePath(QStringLiteral("origem.c2k")));
        QVERIFY(source.open(QIODevice::WriteOnly));
        source.write(fixture::sampleFile(Model));
    }
    void cleanup() {
        main.reset();
        QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        dialogs.reset();
        messages.reset();
        disconnectPrinter();
    }

    void failedWriteKeepsTheEarlierFile_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Fault>("fault");
        const std::pair<const char *, Kind> kinds[] = {{".c2k saved", Kind::C2kSave},
                                                       {".usr saved", Kind::UsrSave},
                                                       {".c2k serial copy", Kind::C2kSerialCopy},
                                                       {".usr serial copy", Kind::UsrSerialCopy}};
        const std::pair<const char *, Fault> faults[] = {
            {"disk full", Fault::DiskFull},
            {"read-only file", Fault::ReadOnlyTarget},
            {"read-only folder", Fault::ReadOnlyFolder}};
        for (const auto &[kindName, kind] : kinds) {
            for (const auto &[faultName, fault] : faults)
                QTest::addRow("%s, %s", kindName, faultName) << kind << fault;
        }
    }
    void failedWriteKeepsTheEarlierFile() {
        QFETCH(Kind, kind);
        QFETCH(Fault, fault);
        // The system's administrator may write anywhere: permissions stop nothing.
        if (fault != Fault::DiskFull && geteuid() == 0)
            QSKIP("permissions do not apply to root");
        const QString target = targetOf(kind);
        QFile earlier(target);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write(Earlier);
        earlier.close();

        {
            std::optional<FileSizeLimit> full;
            if (fault == Fault::DiskFull)
                full.emplace(Earlier.size() + 10);
            if (fault == Fault::ReadOnlyTarget)
                QVERIFY(QFile::setPermissions(target, QFile::ReadOwner));
            if (fault == Fault::ReadOnlyFolder)
                QVERIFY(QFile::setPermissions(out, QFile::ReadOwner | QFile::ExeOwner));
            write(kind);
        }

        QCOMPARE(fileBytes(target), Earlier);
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(target).fileName()});
        const QList<Message> shown = messages->shown();
        const auto failure = std::find_if(shown.begin(), shown.end(), [](const Message &m) {
            return m.text.startsWith(NotWritten);
        });
        QVERIFY2(failure != shown.end(), qPrintable(messages->texts().join(" | ")));
        QVERIFY(failure->text.contains(QDir::toNativeSeparators(target)));
        QCOMPARE(failure->caption, QStringLiteral("Erro"));
    }

    // Without a fault the earlier file is replaced whole, and nothing else is left beside it.
    void writeReplacesTheEarlierFile_data() {
        QTest::addColumn<Kind>("kind");
        QTest::newRow(".c2k saved") << Kind::C2kSave;
        QTest::newRow(".usr saved") << Kind::UsrSave;
        QTest::newRow(".c2k serial copy") << Kind::C2kSerialCopy;
        QTest::newRow(".usr serial copy") << Kind::UsrSerialCopy;
    }
    void writeReplacesTheEarlierFile() {
        QFETCH(Kind, kind);
        const QString target = targetOf(kind);
        QFile earlier(target);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write(Earlier);
        earlier.close();
        write(kind);
        const QByteArray written = fileBytes(target);
        const bool c2k = kind == Kind::C2kSave || kind == Kind::C2kSerialCopy;
        if (c2k)
            QVERIFY(inspectC2k(written).complete);
        else
            QCOMPARE(written.size(), UserFile::Size);
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(target).fileName()});
        for (const QString &text : messages->texts())
            QVERIFY2(!text.startsWith(NotWritten), qPrintable(text));
    }
};

QTEST_MAIN(TestFileWrites)
#include "test_file_writes.moc"
