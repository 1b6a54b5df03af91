// The printer initialisation as a sequence, on a scripted printer: which frames go out for
// a configuration file and in which order, where a refusal stops the run, the checks made
// before anything is sent, the ECF number that follows, and the serial-numbered copy.
#include "programming/send_data_run.h"

#include "core/clock.h"
#include "core/global.h"
#include "programming/tags.h"
#include "protocol/protocol_bench.h"
#include "send_data_fixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace bench;

namespace {

const QByteArray Esc("\x1B");

// An opaque table for the check printer: 1234 bytes of every value.
QByteArray bankTable(int size = 1234) {
    QByteArray table;
    for (int i = 0; i < size; ++i)
        table += char(i % 251);
    return table;
}

// What the window sees of a run.
struct RecordingView : SendDataView {
    QList<int> progress;
    QList<bool> buttons;
    int hidden = 0;
    void setButtonsEnabled(bool enabled) override { buttons << enabled; }
    void showProgress(int value) override { progress << value; }
    void hideProgress() override { ++hidden; }
};

using fixture::readFile;
using fixture::writeFile;

} // namespace

class TestSendDataRun : public QObject {
    Q_OBJECT

    std::unique_ptr<Bench> bench;
    std::unique_ptr<QTemporaryDir> dir;

    void prepare(uint model) {
        toolState().ModelCode = model;
        toolState().FirmwareVersionNumber = model == ModelB ? 1.05 : 1.22;
        toolState().PrinterPresent = true;
    }
    // Answers that accept `count` exchanges after the maintenance-mode test.
    QByteArrayList accepting(uint model, int count) {
        QByteArrayList answers{inMaintenance()};
        for (int i = 0; i < count; ++i)
            answers << ok(model);
        return answers;
    }
    SendDataRequest request(uint model, const QByteArray &file) {
        SendDataRequest r;
        r.model = model;
        r.printerPresent = true;
        r.serial = QStringLiteral("47000456");
        r.configurationPath = dir->filePath(QStringLiteral("config.c2k"));
        writeFile(r.configurationPath, file);
        r.ecfNumber = QStringLiteral("0042");
        r.sendBankTable = model == ModelB;
        r.bankTablePath = dir->filePath(QStringLiteral("bancos.QBK"));
        writeFile(r.bankTablePath, bankTable());
        r.workingFolder = dir->path();
        return r;
    }
    SendDataResult run(const SendDataRequest &r, RecordingView &view) {
        return runSendData(r, &bench->model(r.model), bench->link, view);
    }

private slots:
    void init() {
        resetWorld();
        bench = std::make_unique<Bench>();
        dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup() {
        bench.reset();
        Clock::setScale(1.0);
    }

    // Every frame of a whole run, in order: the intervention with ECF number and header, the
    // options with the daylight-saving choice, the rates in use, the methods with a name, the
    // report names (model B), the totalizers and, on model B, the bank table in three pieces.
    void framesOfAWholeRun_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArrayList>("expected"); // the options frame is checked apart
        QTest::addColumn<int>("dstAt");               // the daylight-saving byte of that frame
        const QByteArray table = bankTable();
        QTest::newRow("MV4700")
            << uint(ModelB)
            << QByteArrayList{
                   bytes({0x1D, 0x05}),
                   Esc + "\xC0{DT}ZZZ R0042" + taggedTextToPrinter(ModelB, fixture::sampleHeader()) +
                       "\xFF",
                   "options",
                   Esc + "\xDCN1800",
                   Esc + "\xDCS0500",
                   Esc + "\xDCN1200",
                   Esc + "\xDE" "01" + pad("Dinheiro", 21),
                   Esc + "\xDE" "03" + pad("Cheque", 21),
                   Esc + "\xDE" "51" + pad("Cart\xC6o Cr\x82""dito", 21),
                   Esc + "\xE0" + pad("Sangria", 21),
                   Esc + "\xE0" + pad("Conferencia de Caixa", 21),
                   Esc + "\xDF-" + pad("Sangria", 21),
                   Esc + "\xDF+" + pad("Suprimento", 21),
                   table.left(500),
                   table.mid(500, 500),
                   table.mid(1000),
               }
            << 4;
        QTest::newRow("MV210")
            << uint(ModelA)
            << QByteArrayList{
                   bytes({0x1D, 0xFF}),
                   Esc + "\xC0{DT}ZZZ R0042" + taggedTextToPrinter(ModelA, fixture::sampleHeader()) +
                       "\xFF",
                   "options",
                   Esc + "\xDC" "1800",
                   Esc + "\xDCS0500",
                   Esc + "\xDC" "1200",
                   Esc + "\xDAPGXA" + pad("Dinheiro", 17),
                   Esc + "\xDAPGVB" + pad("Cartao", 17),
                   Esc + "\xE2V" + pad("Cartao", 21),
                   Esc + "\xDAPGXC" + pad("Ticket", 17),
                   Esc + "\xE2-" + pad("Sangria", 21),
                   Esc + "\xE2+" + pad("Suprimento", 21),
               }
            << 7;
    }
    void framesOfAWholeRun() {
        QFETCH(uint, model);
        QFETCH(QByteArrayList, expected);
        QFETCH(int, dstAt);
        prepare(model);
        bench->script(accepting(model, int(expected.size()) - 1));
        SendDataRequest r = request(model, fixture::sampleFile(model));
        r.daylightSaving = true;
        RecordingView view;
        const QDateTime before = Clock::now();
        const SendDataResult result = run(r, view);
        const QDateTime after = Clock::now();

        QVERIFY(result.completed);
        const QByteArrayList written = bench->written();
        QCOMPARE(written.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            if (expected[i] == "options") {
                QCOMPARE(written[i].left(2), QByteArray("\x1B\xE4"));
                QCOMPARE(written[i].at(dstAt), '1');
                continue;
            }
            QVERIFY2(written[i] == withDates(expected[i], before) ||
                         written[i] == withDates(expected[i], after),
                     qPrintable(QStringLiteral("frame %1: %2")
                                    .arg(i)
                                    .arg(QString::fromLatin1(written[i].toHex(' ')))));
        }
        QCOMPARE(view.progress, (QList<int>{0, 10, 20, 30, 40, 50, 60, 70}));
        QCOMPARE(bench->messages.texts(), QStringList{SendDataText::Done});
    }

    // Without the header the intervention carries neither the ECF number nor a text; the
    // options say daylight saving off when the box is not checked.
    void interventionWithoutHeader() {
        prepare(ModelB);
        bench->script(accepting(ModelB, 13));
        SendDataRequest r = request(ModelB, fixture::sampleFile(ModelB));
        r.sendCliche = false;
        RecordingView view;
        QVERIFY(run(r, view).completed);
        const QByteArrayList written = bench->written();
        QCOMPARE(written.value(1).size(), 20);
        QCOMPARE(written.value(1).mid(14), QByteArray("ZZZ R\xFF"));
        QCOMPARE(written.value(2).at(4), '0');
    }

    // Each step runs only when the one before succeeded; inside a step the first refusal ends
    // the run. The progress bar has moved 10 for each step done.
    void stopsAtTheFailingStep_data() {
        QTest::addColumn<QByteArrayList>("answers");
        QTest::addColumn<int>("stepsDone");
        QTest::addColumn<int>("framesSent");
        QTest::addColumn<QString>("message");
        const QString refused = refusalText(ModelB);
        const QByteArrayList good = accepting(ModelB, 13);
        QTest::newRow("not in maintenance mode")
            << QByteArrayList{notInMaintenance()} << 0 << 1 << NotInMaintenance;
        QTest::newRow("intervention")
            << good.mid(0, 1) + QByteArrayList{refusal(ModelB)} << 0 << 2 << refused;
        QTest::newRow("options") << good.mid(0, 2) + QByteArrayList{refusal(ModelB)} << 1 << 3
                                 << refused;
        QTest::newRow("first tax rate")
            << good.mid(0, 3) + QByteArrayList{refusal(ModelB)} << 2 << 4 << refused;
        QTest::newRow("second payment method")
            << good.mid(0, 7) + QByteArrayList{refusal(ModelB)} << 3 << 8 << refused;
        QTest::newRow("report name")
            << good.mid(0, 9) + QByteArrayList{refusal(ModelB)} << 4 << 10 << refused;
        QTest::newRow("last totalizer")
            << good.mid(0, 12) + QByteArrayList{refusal(ModelB)} << 5 << 13 << refused;
        QTest::newRow("bank table refused")
            << good.mid(0, 13) + QByteArrayList{QByteArray("\x02"
                                                           "186"
                                                           "00",
                                                           6)}
            << 6 << 16 << QStringLiteral("Erro ao carregar tabela!\r\nCódigo de Erro: 86");
        QTest::newRow("bank table unanswered")
            << good.mid(0, 13) << 6 << 16
            << QStringLiteral("Erro ao carregar tabela!\r\nCódigo de Erro: 99");
    }
    void stopsAtTheFailingStep() {
        QFETCH(QByteArrayList, answers);
        QFETCH(int, stepsDone);
        QFETCH(int, framesSent);
        QFETCH(QString, message);
        prepare(ModelB);
        bench->script(answers);
        RecordingView view;
        const SendDataRequest r = request(ModelB, fixture::sampleFile(ModelB));
        const SendDataResult result = run(r, view);

        QVERIFY(!result.completed);
        QCOMPARE(result.progress, stepsDone * 10);
        QCOMPARE(view.progress.size(), stepsDone + 1);
        QCOMPARE(bench->written().size(), framesSent);
        QCOMPARE(bench->messages.texts(), QStringList{message});
        QCOMPARE(result.ecfNumber, QStringLiteral("0042")); // no increment
        QCOMPARE(view.buttons, (QList<bool>{false, true}));
        QVERIFY(view.hidden > 0);
        QVERIFY(QDir(dir->path()).entryList({QStringLiteral("_*")}, QDir::Files).isEmpty());
    }

    // Model A: a refused linked voucher is reported, but the run goes on.
    void modelALinkedTotalizerRefusalDoesNotStopTheRun() {
        prepare(ModelA);
        QByteArrayList answers = accepting(ModelA, 11);
        answers[8] = refusal(ModelA); // the linked voucher of "Cartao"
        bench->script(answers);
        RecordingView view;
        QVERIFY(run(request(ModelA, fixture::sampleFile(ModelA)), view).completed);
        QCOMPARE(bench->messages.texts(), (QStringList{refusalText(ModelA), SendDataText::Done}));
    }

    // Refusals made before anything is sent: the buttons are never touched.
    void checksBeforeSending_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("message");
        QTest::newRow("no printer") << uint(ModelB) << "no printer" << SendDataText::NoPrinter;
        QTest::newRow("no file") << uint(ModelB) << "no file" << SendDataText::FileMissing;
        QTest::newRow("old file") << uint(ModelB) << "old file" << SendDataText::OldFileAtRun;
        QTest::newRow("cut file") << uint(ModelB) << "cut file" << C2kText::Malformed;
        QTest::newRow("replaced by the other model's")
            << uint(ModelB) << "other model" << SendDataText::WrongModel;
    }
    void checksBeforeSending() {
        QFETCH(uint, model);
        QFETCH(QString, change);
        QFETCH(QString, message);
        prepare(model);
        QByteArray file = fixture::sampleFile(model);
        if (change == QLatin1String("old file"))
            file.replace(0, 5, "00.50");
        if (change == QLatin1String("cut file"))
            file.chop(1);
        if (change == QLatin1String("other model"))
            file = fixture::sampleFile(ModelA);
        SendDataRequest r = request(model, file);
        if (change == QLatin1String("no printer"))
            r.printerPresent = false;
        if (change == QLatin1String("no file"))
            r.configurationPath.clear();
        RecordingView view;
        const SendDataResult result = run(r, view);
        QVERIFY(!result.completed);
        QCOMPARE(bench->messages.texts(), QStringList{message});
        QVERIFY(bench->written().isEmpty());
        QVERIFY(view.buttons.isEmpty());
    }

    // An empty header with "Enviar Clichê" is sent only when the user says so.
    void emptyHeaderAsksFirst_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("no") << false;
        QTest::newRow("yes") << true;
    }
    void emptyHeaderAsksFirst() {
        QFETCH(bool, yes);
        prepare(ModelB);
        bench->script(accepting(ModelB, 13));
        bench->messages.scriptAnswer(yes ? MessageAnswer::Yes : MessageAnswer::No);
        RecordingView view;
        const SendDataResult result =
            run(request(ModelB, fixture::withHeader(fixture::sampleFile(ModelB), {})), view);
        const QList<Message> shown = bench->messages.shown();
        QCOMPARE(shown.value(0).text, QStringLiteral("O Clichê está vazio!\r\n Deseja continuar?"));
        QCOMPARE(shown.value(0).caption, QStringLiteral("Atenção"));
        QCOMPARE(shown.value(0).buttons, MessageButtons::YesNo);
        QCOMPARE(result.completed, yes);
        QCOMPARE(view.buttons, (QList<bool>{false, true}));
        if (!yes) {
            QVERIFY(bench->written().isEmpty());
            QVERIFY(view.progress.isEmpty());
        } else {
            QCOMPARE(bench->written().value(1).mid(14), QByteArray("ZZZ R0042\xFF"));
        }
    }

    // The printer takes at most 499 characters of header in the intervention; a longer one is
    // refused before anything is sent rather than cut unseen.
    void headerTooLongForThePrinter() {
        prepare(ModelB);
        const QByteArray file =
            fixture::withHeader(fixture::sampleFile(ModelB), QByteArray(500, 'x'));
        RecordingView view;
        QVERIFY(!run(request(ModelB, file), view).completed);
        QCOMPARE(bench->messages.texts(), QStringList{SendDataText::headerTooLong(500)});
        QVERIFY(bench->written().isEmpty());
        QCOMPARE(view.buttons, (QList<bool>{false, true}));
    }

    // After a complete run the ECF number moves on (when asked) and the file goes to a copy
    // named after the serial number, holding the ECF number used.
    void successIncrementsAndWritesTheCopy_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("increment");
        QTest::addColumn<QByteArray>("used");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("copyName");
        QTest::newRow("B 0042") << uint(ModelB) << "0042" << true << QByteArray("0042") << "0043"
                                << "_4700NS47000456.c2k";
        QTest::newRow("A 0000") << uint(ModelA) << "0000" << true << QByteArray("0000") << "0001"
                                << "_210NS47000456.c2k";
        QTest::newRow("A partly typed")
            << uint(ModelA) << "12" << true << QByteArray("0012") << "0013"
            << "_210NS47000456.c2k";
        QTest::newRow("no increment")
            << uint(ModelB) << "0042" << false << QByteArray("0042") << "0042"
            << "_4700NS47000456.c2k";
    }
    void successIncrementsAndWritesTheCopy() {
        QFETCH(uint, model);
        QFETCH(QString, typed);
        QFETCH(bool, increment);
        QFETCH(QByteArray, used);
        QFETCH(QString, after);
        QFETCH(QString, copyName);
        prepare(model);
        bench->script(accepting(model, 13));
        const QByteArray file = fixture::sampleFile(model, "0007");
        SendDataRequest r = request(model, file);
        r.ecfNumber = typed;
        r.increment = increment;
        RecordingView view;
        const SendDataResult result = run(r, view);
        QVERIFY(result.completed);
        QCOMPARE(result.ecfNumber, after);
        QCOMPARE(bench->written().value(1).mid(19, 4), used);
        QCOMPARE(result.copyPath, dir->filePath(copyName));
        QCOMPARE(readFile(result.copyPath), fixture::withEcf(file, used));
        QCOMPARE(readFile(r.configurationPath), file); // the chosen file itself is not changed
    }

    void copyThatCannotBeWrittenIsReported() {
        prepare(ModelB);
        bench->script(accepting(ModelB, 13));
        SendDataRequest r = request(ModelB, fixture::sampleFile(ModelB));
        r.workingFolder = dir->filePath(QStringLiteral("no/such/folder"));
        RecordingView view;
        const SendDataResult result = run(r, view);
        QVERIFY(result.completed);
        QVERIFY(result.copyPath.isEmpty());
        const QString path = QDir(r.workingFolder).filePath(QStringLiteral("_4700NS47000456.c2k"));
        QCOMPARE(bench->messages.texts(),
                 (QStringList{SendDataText::Done, SendDataText::copyNotWritten(path)}));
        QCOMPARE(bench->messages.shown().value(1).caption, QStringLiteral("Erro"));
    }

    void nextEcfNumbers_data() {
        QTest::addColumn<QString>("ecf");
        QTest::addColumn<QString>("next");
        QTest::newRow("0001") << "0001"
                              << "0002";
        QTest::newRow("0000") << "0000"
                              << "0001";
        QTest::newRow("0999") << "0999"
                              << "1000";
        QTest::newRow("9998") << "9998"
                              << "9999";
        QTest::newRow("9999") << "9999"
                              << "0001";
    }
    void nextEcfNumbers() {
        QFETCH(QString, ecf);
        QFETCH(QString, next);
        QCOMPARE(nextEcfNumber(ecf), next);
    }
};

QTEST_GUILESS_MAIN(TestSendDataRun)
#include "test_send_data_run.moc"
