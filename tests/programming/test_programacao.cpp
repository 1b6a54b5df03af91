// The Send Data window against the built-in emulated printers: what it shows, the file and
// bank table choice, and whole runs that leave the printer programmed as the file says.
#include "programming/programacao.h"

#include "app/main_window.h"
#include "app/tool_config.h"
#include "bank_table.h"
#include "core/clock.h"
#include "core/global.h"
#include "core/named_event.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "printer.h"
#include "programming/tags.h"
#include "protocol/command_set.h"
#include "send_data_fixture.h"
#include "support/recording_messages.h"
#include "support/screenshot.h"
#include "support/scripted_file_dialogs.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using fixture::printer;
using fixture::readFile;
using fixture::writeFile;

// The printer as the technician finds it on the bench: on, answering, jumper in place.
void resetPrinter(uint model) {
    auto p = printer(model);
    p->setPowered(true);
    p->setSilent(false);
    p->setIdentity(model == ModelA ? emu::Identity{"21000123", "1.22", "0001"}
                                   : emu::Identity{"47000456", "1.05", "0001"});
    p->setStatusOverride(std::nullopt);
    p->setMaintenanceJumper(true);
    p->setPrintTimeMs(40);
    p->clearReceivedFrames();
}

// A table of three banks, other than the emulator's sample.
QList<emu::BankLayout> threeBanks() {
    QList<emu::BankLayout> banks = emu::BankTable::sample().mid(0, 3);
    banks[0].bank = 748;
    banks[1].payee = {8, 11};
    return banks;
}

bool sentFrameStartingWith(uint model, const QByteArray &start) {
    for (const QByteArray &frame : printer(model)->receivedFrames()) {
        if (frame.startsWith(start))
            return true;
    }
    return false;
}

} // namespace

class TestProgramacao : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ScriptedFileDialogs> dialogs;
    std::unique_ptr<TfmMain> main;
    std::unique_ptr<TfmProgramacao> window;

    template <class T> T *find(const char *name) {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found)
            found = main->findChild<T *>(QLatin1String(name));
        return found;
    }
    QString text(const char *lineEdit) { return find<QLineEdit>(lineEdit)->text(); }
    void click(const char *button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }

    // The tool started on the emulated printer of `model`, identified, with the window shown.
    void start(uint model) {
        ToolConfigFile::Record record{};
        ToolConfig::setPortName(record, fixture::portOf(model));
        ToolConfig::setModelCode(record, model);
        QVERIFY(writeFile(dir->filePath(QStringLiteral("Tool.cfg")),
                          QByteArray(reinterpret_cast<const char *>(record.data()), 20)));
        main = std::make_unique<TfmMain>(dir->path());
        window = std::make_unique<TfmProgramacao>(main.get());
        main->show();
        main->startUp();
        QTRY_VERIFY_WITH_TIMEOUT(toolState().PrinterPresent, 10000);
        window->show();
    }
    void chooseModel(const QString &name) {
        QComboBox *combo = find<QComboBox>("cbModelo");
        combo->setFocus();
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), name);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    QString saveConfiguration(const QByteArray &file) {
        const QString path = dir->filePath(QStringLiteral("c2k/config.c2k"));
        writeFile(path, file);
        return path;
    }
    void chooseConfiguration(const QByteArray &file) {
        dialogs->answer(saveConfiguration(file));
        click("btOpenArqConf");
    }
    void chooseBankTable(const QByteArray &table) {
        const QString path = dir->filePath(QStringLiteral("bancos_teste.QBK"));
        writeFile(path, table);
        dialogs->answer(path);
        click("btArqBancos");
    }
    void expectRunEnded() {
        QVERIFY(find<QPushButton>("btProceder")->isEnabled());
        QVERIFY(find<QPushButton>("btSair")->isEnabled());
        QVERIFY(find<QLabel>("lbMSG")->isHidden());
        QVERIFY(find<QProgressBar>("ProgressBar")->isHidden());
    }

private slots:
    void init() {
        resetToolState();
        SerialEvent().set();
        ConfiguracaoEvent().set();
        Clock::setScale(0.02);
        resetPrinter(ModelA);
        resetPrinter(ModelB);
        invalidateConfigurationCache();
        dir = std::make_unique<QTemporaryDir>();
        QDir(dir->path()).mkpath(QStringLiteral("c2k"));
        messages = std::make_unique<RecordingMessages>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
    }
    void cleanup() {
        window.reset();
        main.reset();
        printerLink().ClosePort();
        dialogs.reset();
        messages.reset();
        Clock::setScale(1.0);
    }

    void showingTheWindow_data() {
        QTest::addColumn<bool>("pcDaylightSaving");
        QTest::newRow("standard time") << false;
        QTest::newRow("daylight saving") << true;
    }
    void showingTheWindow() {
        QFETCH(bool, pcDaylightSaving);
        start(ModelB);
        window->hide();
        find<QLineEdit>("meNumECF")->setText(QStringLiteral("0042"));
        if (pcDaylightSaving)
            QTest::mouseClick(find<QCheckBox>("cbHorarioVeraoVigente"), Qt::LeftButton);
        window->show();

        QCOMPARE(window->windowTitle(), QStringLiteral("Inicialização da Impressora"));
        QCOMPARE(window->pos(), main->pos() + QPoint(10, -15));
        QVERIFY(!main->isEnabled());
        QCOMPARE(text("meNumECF"), QStringLiteral("0001"));
        QCOMPARE(find<QCheckBox>("cbHorarioVerao")->isChecked(), pcDaylightSaving);
        QCOMPARE(text("edArqBancos"), toolState().ProgramDirectory + QStringLiteral("bancos.QBK"));
        QCOMPARE(window->focusWidget(), find<QLineEdit>("edArqConf"));
        QVERIFY(find<QLabel>("lbMSG")->isHidden());
        QVERIFY(find<QProgressBar>("ProgressBar")->isHidden());
        QCOMPARE(find<QProgressBar>("ProgressBar")->maximum(), 70);
        QVERIFY(find<QPushButton>("btGravarUsuario")->isHidden());
        for (const char *box : {"cbCliche", "cbIncremento", "cbGeraArqConf", "cbArqBancos"})
            QVERIFY2(find<QCheckBox>(box)->isChecked(), box);

        // The PC clock: emptied on show, then kept by the main window's timer.
        QLabel *clock = find<QLabel>("lbHoraPC");
        QCOMPARE(clock->text(), QString());
        QVERIFY(main->clockTimer().isActive());
        QTRY_VERIFY(!clock->text().isEmpty());
        QCOMPARE(clock->text().endsWith(QLatin1Char('V')), pcDaylightSaving);

        click("btSair");
        QVERIFY(!window->isVisible());
        QVERIFY(!main->clockTimer().isActive());
        QVERIFY(main->isEnabled());
    }

    // Only model B has a check printer: the bank table choice follows the model chosen.
    void bankTableFollowsTheModel() {
        start(ModelB);
        QCheckBox *box = find<QCheckBox>("cbArqBancos");
        QVERIFY(box->isEnabled());
        box->setChecked(false);
        window->hide();
        chooseModel(QStringLiteral("MV210"));
        QVERIFY(!box->isEnabled());
        QVERIFY(!box->isChecked());
        QVERIFY(!find<QLineEdit>("edArqBancos")->isEnabled());
        chooseModel(QStringLiteral("MV4700"));
        QVERIFY(box->isEnabled());
        QVERIFY(box->isChecked());
        QVERIFY(find<QLineEdit>("edArqBancos")->isEnabled());
    }

    void choosingTheFile_data() {
        QTest::addColumn<QByteArray>("file"); // empty: cancelled; "missing": no such file
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QString>("ecf");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("caption");
        QTest::newRow("ECF 0000 is 0001")
            << fixture::sampleFile(ModelB, "0000") << true << "0001" << QString() << QString();
        QTest::newRow("ECF 0042") << fixture::sampleFile(ModelB, "0042") << true << "0042"
                                  << QString() << QString();
        QTest::newRow("other model") << fixture::sampleFile(ModelA, "0042") << false << "0001"
                                     << SendDataText::WrongModel << "Aviso";
        QTest::newRow("old file") << fixture::sampleFile(ModelB, "0042").replace(0, 5, "00.50")
                                  << false << "0001" << SendDataText::OldFileAtChoice << "Erro";
        QTest::newRow("cut short") << fixture::sampleFile(ModelB, "0042").left(1700) << false
                                   << "0001" << C2kText::Malformed << "Erro";
        QTest::newRow("unreadable")
            << QByteArray("missing") << false << "0001" << SendDataText::FileMissing << "Erro";
        QTest::newRow("cancelled") << QByteArray() << false << "0001" << QString() << QString();
    }
    void choosingTheFile() {
        QFETCH(QByteArray, file);
        QFETCH(bool, kept);
        QFETCH(QString, ecf);
        QFETCH(QString, message);
        QFETCH(QString, caption);
        start(ModelB);
        find<QLineEdit>("edArqConf")->setText(QStringLiteral("anterior.c2k"));
        if (file == "missing")
            dialogs->answer(dir->filePath(QStringLiteral("c2k/nenhum.c2k")));
        if (file.isEmpty() || file == "missing")
            click("btOpenArqConf");
        else
            chooseConfiguration(file);
        QCOMPARE(dialogs->requests.size(), 1);
        const FileDialogRequest request = dialogs->requests[0];
        QCOMPARE(request.title, QStringLiteral("Configurações"));
        QCOMPARE(QDir(request.folder), QDir(dir->filePath(QStringLiteral("c2k"))));
        QCOMPARE(request.filter, QStringLiteral("Arquivo de configuração (*.c2k)"));
        QCOMPARE(request.defaultSuffix, QStringLiteral("c2k"));
        QCOMPARE(text("edArqConf"),
                 kept ? dir->filePath(QStringLiteral("c2k/config.c2k")) : QString());
        QCOMPARE(text("meNumECF"), ecf);
        QCOMPARE(messages->texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(messages->shown()[0].caption, caption);
    }

    // A refused choice leaves no file to send.
    void otherModelThenContinue() {
        start(ModelB);
        chooseConfiguration(fixture::sampleFile(ModelA));
        messages->clear();
        click("btProceder");
        QCOMPARE(messages->texts(), QStringList{SendDataText::FileMissing});
        QVERIFY(!sentFrameStartingWith(ModelB, "\x1B\xC0"));
    }

    void bankTableDialog() {
        start(ModelB);
        dialogs->answer(QString());
        click("btArqBancos");
        QCOMPARE(dialogs->requests.value(0).title, QStringLiteral("Tabela de Bancos"));
        QCOMPARE(dialogs->requests.value(0).filter,
                 QStringLiteral("Arquivo de configuração (*.QBK)"));
        QCOMPARE(dialogs->requests.value(0).defaultSuffix, QStringLiteral("QBK"));
        QCOMPARE(text("edArqBancos"), QString()); // cancelled: emptied
    }

    // A whole run leaves the printer programmed exactly as the file says.
    void wholeRun_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<bool>("daylightSaving");
        QTest::newRow("MV4700") << uint(ModelB) << true;
        QTest::newRow("MV210") << uint(ModelA) << false;
    }
    void wholeRun() {
        QFETCH(uint, model);
        QFETCH(bool, daylightSaving);
        start(model);
        const QByteArray file = fixture::sampleFile(model, "0042");
        chooseConfiguration(file);
        chooseBankTable(emu::BankTable::encode(threeBanks()));
        find<QCheckBox>("cbHorarioVerao")->setChecked(daylightSaving);
        const QList<emu::BankLayout> banksBefore = printer(model)->bankTable();
        printer(model)->clearReceivedFrames();
        click("btProceder");

        QCOMPARE(messages->texts(), QStringList{SendDataText::Done});
        QCOMPARE(messages->shown()[0].caption, QStringLiteral("Aviso"));
        expectRunEnded();
        QCOMPARE(find<QProgressBar>("ProgressBar")->value(), 70);
        QCOMPARE(text("meNumECF"), QStringLiteral("0043"));

        auto p = printer(model);
        QCOMPARE(p->identity().ecfNumber, QByteArray("0042"));
        QCOMPARE(p->headerText(), taggedTextToPrinter(model, fixture::sampleHeader()));

        const QList<emu::TaxRate> rates = p->taxRates();
        QCOMPARE(rates[0].rate, QByteArray("1800"));
        QVERIFY(!rates[0].iss);
        QCOMPARE(rates[1].rate, QByteArray("0500"));
        QVERIFY(rates[1].iss);
        QCOMPARE(rates[2].rate, QByteArray("1200"));
        for (int i = 3; i < 16; ++i)
            QVERIFY(rates[i].rate.isEmpty());

        // Names and flags byte for byte are TestSendDataRun's; here they land in their slots.
        const QList<emu::PaymentMethod> methods = p->paymentMethods();
        const int linkedSlot = model == ModelB ? 16 : 1;
        QCOMPARE(methods[0].name, fixture::printerName(model, QStringLiteral("Dinheiro"),
                                                       model == ModelB ? 21 : 17));
        QVERIFY(methods[linkedSlot].linked);
        QCOMPARE(p->reportNames().value(0).trimmed(),
                 model == ModelB ? QByteArray("Sangria") : QByteArray());
        QCOMPARE(p->linkedTotalizerNames().value(0).trimmed(),
                 model == ModelA ? QByteArray("Cartao") : QByteArray());
        const QList<emu::NonFiscalTotalizer> totalizers = p->nonFiscalTotalizers();
        QVERIFY(totalizers[0].outflow);
        QCOMPARE(totalizers[1].name, fixture::printerName(model, QStringLiteral("Suprimento"), 21));
        QVERIFY(totalizers[2].name.isEmpty());

        // Options: automatic Leitura X, the legend, suppressed messages, line height, spacing,
        // minimum hour of the Redução Z, and the daylight-saving choice of the window.
        const QByteArray options = p->options();
        if (model == ModelB) {
            QCOMPARE(options.at(0), '1');
            QCOMPARE(options.at(4), '0');
            QCOMPARE(options.at(5), '1');
            QCOMPARE(options.mid(7, 6), QByteArray("310605"));
            QCOMPARE(options.at(19), '1');
        } else {
            QCOMPARE(options.at(3), '1');
            QCOMPARE(options.at(11), '1');
            QCOMPARE(options.mid(15, 4), QByteArray("1802"));
            QCOMPARE(options.mid(21, 2), QByteArray("05"));
            QCOMPARE(options.at(33), '1');
        }
        QCOMPARE(p->daylightSaving(), daylightSaving);

        // The bank table goes to model B's check printer only.
        if (model == ModelB) {
            QCOMPARE(p->bankTable(), threeBanks());
        } else {
            QVERIFY(!find<QCheckBox>("cbArqBancos")->isEnabled());
            QVERIFY(!sentFrameStartingWith(model, QByteArray("\x1B\xF9")));
            QCOMPARE(p->bankTable(), banksBefore);
        }

        const QString copy = dir->filePath(model == ModelB ? QStringLiteral("_4700NS47000456.c2k")
                                                           : QStringLiteral("_210NS21000123.c2k"));
        QCOMPARE(readFile(copy), file);
    }

    // The bank table is an extra of model B's run: a table that cannot be read leaves the run
    // whole, and its closing message says what was not sent and why.
    void runWithoutTheBankTable_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("message");
        const QString head = QStringLiteral(
            "Iniciação executada com sucesso, mas a tabela de bancos não foi enviada.\r\n");
        QTest::newRow("no bancos.QBK")
            << "missing" << head + "Arquivo: <path>\r\nMotivo: o arquivo não existe.";
        QTest::newRow("dialog cancelled")
            << "cancelled" << head + "Motivo: nenhum arquivo foi escolhido.";
        QTest::newRow("empty file")
            << "empty" << head + "Arquivo: <path>\r\nMotivo: o arquivo está vazio.";
    }
    void runWithoutTheBankTable() {
        QFETCH(QString, table);
        QFETCH(QString, message);
        start(ModelB);
        const QByteArray file = fixture::sampleFile(ModelB, "0042");
        chooseConfiguration(file);
        if (table == QLatin1String("cancelled")) {
            dialogs->answer(QString());
            click("btArqBancos");
        }
        if (table == QLatin1String("empty"))
            chooseBankTable(QByteArray());
        const QString path = text("edArqBancos");
        QVERIFY(table != QLatin1String("missing") || !QFile::exists(path));
        const QList<emu::BankLayout> banksBefore = printer(ModelB)->bankTable();
        printer(ModelB)->clearReceivedFrames();
        click("btProceder");

        QCOMPARE(messages->texts(), QStringList{message.replace(QStringLiteral("<path>"),
                                                                QDir::toNativeSeparators(path))});
        QCOMPARE(messages->shown()[0].caption, QStringLiteral("Aviso"));
        expectRunEnded();
        QCOMPARE(find<QProgressBar>("ProgressBar")->value(), 70);
        QCOMPARE(text("meNumECF"), QStringLiteral("0043"));
        // Every frame of the configuration reached the printer (the maintenance-mode test, the
        // intervention, the options, three rates, three methods, two report names and two
        // totalizers), and no piece of a table.
        QByteArray commands;
        for (const QByteArray &frame : printer(ModelB)->receivedFrames())
            commands += frame.left(2);
        QCOMPARE(commands.toHex(' '), QByteArray("1d 05 1b c0 1b e4 1b dc 1b dc 1b dc 1b de 1b de "
                                                 "1b de 1b e0 1b e0 1b df 1b df"));
        QCOMPARE(printer(ModelB)->bankTable(), banksBefore);
        QCOMPARE(readFile(dir->filePath(QStringLiteral("_4700NS47000456.c2k"))), file);
    }

    // The printer refuses a rate of 00,00 %: the run stops after the intervention and the
    // options, with nothing more sent and nothing claimed.
    void failureAtTheTaxRates() {
        start(ModelB);
        ProgrammingTables tables = fixture::sampleTables(ModelB);
        tables.taxRates[1].rate = QStringLiteral("00,00%");
        chooseConfiguration(fixture::withEcf(writeC2k(ModelB, tables), "0042"));
        find<QCheckBox>("cbArqBancos")->setChecked(false);
        click("btProceder");

        QCOMPARE(messages->count(), 1);
        QVERIFY(messages->texts()[0].startsWith(QStringLiteral("ERRO: 28")));
        expectRunEnded();
        QCOMPARE(find<QProgressBar>("ProgressBar")->value(), 20);
        QCOMPARE(text("meNumECF"), QStringLiteral("0042"));
        QVERIFY(!sentFrameStartingWith(ModelB, "\x1B\xDE")); // no payment method after it
        QVERIFY(QDir(dir->path()).entryList({QStringLiteral("_*")}, QDir::Files).isEmpty());
    }

    // The window as the documentation shows it, with a run under way.
    void screenshot() {
        start(ModelB);
        chooseConfiguration(fixture::sampleFile(ModelB, "0042"));
        find<QLabel>("lbHoraPC")->setText(QStringLiteral("06/12/2024 14:30:05"));
        find<QProgressBar>("ProgressBar")->setValue(30);
        find<QProgressBar>("ProgressBar")->show();
        find<QLabel>("lbMSG")->show();
        QVERIFY(saveScreenshot(window->grab(), QStringLiteral("send-data.png")));
    }
};

QTEST_MAIN(TestProgramacao)
#include "test_programacao.moc"
