// The peripherals: the logic halves (the sensors read from the status poll per model, the check
// printer's frames byte for byte, its status bits, the calculator-style amount, the back text's
// limits), then the sensors window and the check window against the built-in emulated
// printers: the lights follow the sensors, the drawer button, the bank table load, and a check
// printed through every way a print can end. Protocol durations are shortened through the clock.
#include "bank_table.h"
#include "core/named_event.h"
#include "peripherals/cheque_frames.h"
#include "peripherals/cheques.h"
#include "peripherals/sensor_lights.h"
#include "peripherals/sensores.h"
#include "support/recording_messages.h"
#include "support/scripted_file_dialogs.h"
#include "support/test_main.h"
#include "support/window_driver.h"
#include "widgets/indicator.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
const QColor White(255, 255, 255), Cyan(0, 255, 255);
const char *const Lights[] = {"LedGaveta",   "LedPapel",  "LedPoucoPapel",
                              "LedTampaQBK", "LedCheque", "LedAutent"};
const char *const Sensors[] = {"drawer", "paper end", "paper low",    "cover",
                               "check",  "slip",      "drawer button"};

int framesLike(uint model, const QByteArray &start) {
    return int(fixture::framesStartingWith(model, start).size());
}
// The six sensors as flags (drawer, cover, check, slip, paper end, paper low) that s1 and s2 of
// a poll's answer give.
QByteArray sensorsOf(uint model, const QByteArray &s1s2) {
    const QByteArray answer = ":" + s1s2 + QByteArray(10, '0') + "\xFF\r";
    const SensorLights::Sensors s =
        SensorLights::decode(model, reinterpret_cast<const uint8_t *>(answer.constData()));
    return QString::asprintf("%d%d%d%d%d%d", s.drawer, s.cover, s.check, s.authentication,
                             s.paperEnd, s.paperLow)
        .toLatin1();
}
// A check status answer of `length` bytes read as flags: answered, in place, held, released.
QByteArray statusOf(QByteArray answer, int length) {
    answer.resize(20, '\0');
    const ChequeFrames::CheckStatus s =
        ChequeFrames::decodeStatus(reinterpret_cast<const uint8_t *>(answer.constData()), length);
    return QString::asprintf("%d%d%d%d", s.answered, s.inPlace, s.held, s.released()).toLatin1();
}
} // namespace

class PeripheralsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ScriptedFileDialogs> dialogs;
    std::unique_ptr<QWidget> main;
    std::unique_ptr<QWidget> window;
    WindowDriver user;

    QColor colour(const char *light) { return user.find<Indicator>(light)->color(); }
    // The sensors window on a printer of `model`: every light white once the first poll is
    // answered (none is active on a fresh printer).
    void showSensors(uint model) {
        fixture::printer(model)->setDrawerAutoCloseMs(0);
        QVERIFY(fixture::connectPrinter(model));
        window = std::make_unique<TfmSensores>(main.get());
        user.drive(window.get());
        QVERIFY(user.show() && !main->isEnabled());
        for (const char *light : Lights)
            QTRY_COMPARE_WITH_TIMEOUT(colour(light), White, 5000);
    }
    // The check window on model B, its check prints taking 40 ms.
    std::shared_ptr<emu::Printer> showCheques() {
        Clock::setScale(0.01);
        fixture::printer(ModelB)->setCheckPrintTimeMs(40);
        if (!fixture::connectPrinter(ModelB))
            return nullptr;
        window = std::make_unique<TfmCheques>(main.get());
        user.drive(window.get());
        return user.show() ? fixture::printer(ModelB) : nullptr;
    }
    // Loads a table file holding `bytes` (null: a file that does not exist).
    void loadTable(const QByteArray &bytes) {
        QFile file(dir->filePath(QStringLiteral("bancos.QBK")));
        QVERIFY(bytes.isNull() || (file.open(QIODevice::WriteOnly) && file.write(bytes) >= 0));
        file.close();
        dialogs->answer(file.fileName());
        user.press("btOpenArqCheques");
        user.press("btProceder");
    }

private slots:
    void init() {
        fixture::freshPrinters(0.05);
        toolState().ViewerFeed = false;
        SerialEvent().set();
        ConfiguracaoEvent().set();
        dir = std::make_unique<QTemporaryDir>();
        messages = std::make_unique<RecordingMessages>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
        main = std::make_unique<QWidget>();
        main->show();
    }
    void cleanup() {
        window.reset();
        main.reset();
        fixture::disconnectPrinter();
        dialogs.reset();
        messages.reset();
    }

    // Sensors: model B reads the drawer at s1.3, the cover s1.1, a check s2.3, the slip s2.2,
    // paper end s2.1 and low s2.0; model A the drawer at s1.3, the slip when s1.1 is clear,
    // paper end s1.0 and low s2.0, and has no cover and no check. Check status: s2 bit 3 a
    // check in place, s6 bit 3 held, s2 bit 2 or s6 bit 3 not released; the link's time-out
    // fill of '9's, unanswered, is neither. The amount is twelve digits typed like on a
    // calculator; the back text carries at most five lines (a sixth is blanked), 120 characters.
    void logic_data() {
        QTest::addColumn<QByteArray>("got");
        QTest::addColumn<QByteArray>("expected");
        using namespace ChequeFrames;
        using namespace ChequeAmount;
        using namespace SensorLights;
        using ChequeBackText::limited;
        const uint A = ModelA, B = ModelB;
        const auto row = [](const char *name, const QByteArray &got, const QByteArray &expected) {
            QTest::newRow(name) << got << expected;
        };
        // clang-format off
        row("B nothing", sensorsOf(B, "00"), "000000"); row("B drawer", sensorsOf(B, "80"), "100000");
        row("B cover", sensorsOf(B, "20"), "010000"); row("B s1 other bits", sensorsOf(B, "50"), "000000");
        row("B check", sensorsOf(B, "08"), "001000"); row("B slip", sensorsOf(B, "04"), "000100");
        row("B paper end", sensorsOf(B, "02"), "000010"); row("B paper low", sensorsOf(B, "01"), "000001");
        row("B all", sensorsOf(B, "AF"), "111111"); row("A slip out", sensorsOf(A, "20"), "000000");
        row("A slip in", sensorsOf(A, "00"), "000100"); row("A drawer", sensorsOf(A, "A0"), "100000");
        row("A paper end", sensorsOf(A, "30"), "000010"); row("A paper low", sensorsOf(A, "21"), "000001");
        row("A s2 other bits", sensorsOf(A, "2E"), "000000"); row("A all", sensorsOf(A, "9F"), "100111");
        row("no model", sensorsOf(ModelNone, "FF"), "000000");
        row("frame: MV4700 poll", pollFrame(ModelB), "\x1D\x05");
        row("frame: MV4700 drawer", drawerFrame(ModelB), "\x1Bp100");
        row("frame: MV210 poll", pollFrame(ModelA), "\x1D\xFF");
        row("frame: MV210 drawer", drawerFrame(ModelA), "\x1Bp000");
        row("frame: no model", pollFrame(ModelNone) + drawerFrame(ModelNone), "");
        row("frame: the drawer confirmed by MV4700 only", QByteArray::number(drawerAnswered(ModelB)) +
                                                         QByteArray::number(drawerAnswered(ModelA)), "10");
        row("check frame: bank", bank("3419"), "\x1B" "b341");
        row("check frame: city in CP850", city(ModelB, "São Paulo"), "\x1B" "cS\xC6o Paulo\xFF");
        row("check frame: payee", payee(ModelB, "Açaí & Café"), "\x1B" "fA\x87" "a\xA1 & Caf\x82\xFF");
        row("check frame: empty payee", payee(ModelB, ""), "\x1B" "f\xFF");
        row("check frame: date", date("050520241"), "\x1B" "d05052024");
        row("check frame: front", front(true, "0000000123450"), "\x1Bv000000012345");
        row("check frame: front vertical", front(false, "999999999999"), "\x1BV999999999999");
        row("check frame: back, PC code page", back("PAGAR ATÉ\nJá\r\nX"), "\x1BtPAGAR AT\xC9\r\nJ\xE1\r\nX\xFF");
        row("check frame: cancel", cancel(), "\x18");
        row("check frame: status poll", statusPoll(), "\x1D\x05");
        row("check status: empty slot", statusOf(":0000000000000", 13), "1001");
        row("check status: in place", statusOf(":0800000000000", 13), "1101");
        row("check status: C, in place, not released", statusOf(":0C00000000000", 13), "1100");
        row("check status: s6 bit 3, held", statusOf(":0000080000000", 13), "1010");
        row("check status: s6 A, held", statusOf(":00000A0000000", 13), "1010");
        row("check status: other bits only", statusOf(":F300070000000", 13), "1001");
        row("check status: time-out fill", statusOf("9999999", 0), "0000");
        row("check status: too short", statusOf(":0800008", 6), "0000");
        row("amount: a digit enters at the right", shiftIn(zero(), '7').toLatin1(), "000000000007");
        row("amount: the first digit falls off", shiftIn("234599999999", '1').toLatin1(), "345999999991");
        row("amount: digits of a field", digitsOf("0000000123,45").toLatin1(), "000000012345");
        row("amount: digits of a short field", digitsOf("1,5").toLatin1(), "000000000015");
        row("back text: five lines stay", limited("a\nb\nc\nd\ne").toLatin1(), "a\nb\nc\nd\ne");
        row("back text: sixth line blanked", limited("a\nb\nc\nd\ne\nf").toLatin1(), "a\nb\nc\nd\ne\n");
        row("back text: an empty sixth line stays", limited("a\nb\nc\nd\ne\n").toLatin1(), "a\nb\nc\nd\ne\n");
        row("back text: seven pasted", limited("a\nb\nc\nd\ne\nf\ng").toLatin1(), "a\nb\nc\nd\ne\n");
        row("back text: 120 characters", limited(QString(130, 'x')).toLatin1(), QByteArray(120, 'x'));
        // clang-format on
    }
    void logic() {
        QFETCH(QByteArray, got);
        QFETCH(QByteArray, expected);
        QCOMPARE(got, expected);
    }

    // The window's wiring: a sensor's light turns cyan while the emulated sensor is active (how
    // the poll's bits are read is the logic table's; model A has no check mechanism). Two presses
    // of the drawer button within one pass of the thread open the drawer once. While shown, the
    // window holds the line against the identification; "Sair" lets it go.
    void lightsFollowTheSensors_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<int>("sensor");
        QTest::addColumn<QString>("light"); // empty: none
        for (int i = 0; i < 7; ++i)
            QTest::addRow("MV4700 %s", Sensors[i]) << uint(ModelB) << i << Lights[i % 6];
        QTest::newRow("MV210 slip") << uint(ModelA) << 5 << "LedAutent"; // s1 bit 1 clear
        QTest::newRow("MV210 check: no such light") << uint(ModelA) << 4 << "";
        QTest::newRow("MV210 drawer button") << uint(ModelA) << 6 << "LedGaveta";
    }
    void lightsFollowTheSensors() {
        QFETCH(uint, model);
        QFETCH(int, sensor);
        QFETCH(QString, light);
        showSensors(model);
        QVERIFY(!SerialEvent().isSet());
        emu::Printer &p = *fixture::printer(model);
        // clang-format off
        const std::function<void(bool)> set[] = {
            [&](bool on) { p.setDrawerOpen(on); },    [&](bool on) { p.setPaperEnd(on); },
            [&](bool on) { p.setPaperLow(on); },      [&](bool on) { p.setCoverOpen(on); },
            [&](bool on) { p.setCheckInserted(on); }, [&](bool on) { p.setDocumentInserted(on); },
            [&](bool on) {
                if (!on)
                    return p.setDrawerOpen(false); // shut by hand
                Link::Exchange hold(printerLink()); // the thread waits inside one pass
                user.press("btGaveta");
                user.press("btGaveta");
            }};
        // clang-format on
        set[sensor](true);
        const int polls = framesLike(model, SensorLights::pollFrame(model));
        QTRY_VERIFY(framesLike(model, SensorLights::pollFrame(model)) > polls + 2);
        for (const char *l : Lights)
            QCOMPARE(colour(l), l == light ? Cyan : White);
        QCOMPARE(framesLike(model, SensorLights::drawerFrame(model)), sensor == 6 ? 1 : 0);
        QCOMPARE(p.drawerOpenings(), sensor == 6 ? 1 : 0);
        set[sensor](false);
        for (const char *l : Lights)
            QTRY_COMPARE_WITH_TIMEOUT(colour(l), White, 5000);
        user.press("btSair");
        QVERIFY(!window->isVisible() && main->isEnabled() && SerialEvent().isSet());
        QCOMPARE(messages->count(), 0);
    }

    // The table file reaches the printer whole, however it was cut for the line.
    void bankTable_data() {
        QTest::addColumn<QByteArray>("table"); // null: no such file
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("message"); // caption|text
        const QByteArray good = emu::BankTable::encode(emu::BankTable::sample());
        const QString error = "Erro|Erro ao carregar tabela!\r\nCódigo de Erro: ";
        // clang-format off
        QTest::newRow("accepted") << good << false << "Aviso|Envio efetuado com sucesso!";
        QTest::newRow("no answer: 99") << good << true << error + "99";
        QTest::newRow("refused by the printer") << QByteArray("\x1B\xF9" "000\xFF") << false << error + "28";
        QTest::newRow("no such file") << QByteArray() << false << "Erro|Arquivo de Cheques Inexistente";
        QTest::newRow("empty file") << QByteArray("") << false << "Erro|O arquivo de cheques está vazio:\r\nDIR/bancos.QBK";
        // clang-format on
    }
    void bankTable() {
        QFETCH(QByteArray, table);
        QFETCH(bool, silent);
        QFETCH(QString, message);
        const auto printer = showCheques();
        QVERIFY(printer);
        printer->setSilent(silent);
        loadTable(table);
        QCOMPARE(messages->count(), 1);
        QCOMPARE(QString(messages->shown()[0].caption + '|' + messages->texts()[0])
                     .replace(dir->path(), "DIR"),
                 message);
        QVERIFY(user.enabled("btProceder") && user.enabled("btSair"));
        QCOMPARE(fixture::takeFrames(ModelB), table.isEmpty() ? QList<QByteArray>{} : QList{table});
        QCOMPARE(printer->bankTable().size(), message.startsWith("Aviso") ? 32 : 0);
    }

    // Each script is what the operator and the printer do, in turn: "=text" waits for that
    // progress text, "insert"/"remove" a check, "printed" waits for one more print, "cancel"
    // presses "Cancelar", "close" hides the window, "silent"/"speaks" quiets or wakes the printer,
    // "wait" lets several polls pass. Every run ends idle with the window still shown; the printer
    // printed the check's fields as typed (bank 341, R$ 123,45, São Paulo, the payee, today).
    void printing_data() {
        QTest::addColumn<QString>("back");
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<QString>("script");
        // clang-format off
        QTest::newRow("front and back") << "PAGAR ATÉ 10/05\nOBRIGADO" << false
            << "=Posicione Cheque, insert, printed, remove, =Posicione Cheque (Verso), insert, printed, remove";
        QTest::newRow("empty back text, vertical") << "" << true << "=Posicione Cheque, insert, printed, remove";
        QTest::newRow("cancelled before insertion") << "" << false << "=Posicione Cheque, cancel";
        QTest::newRow("not taken out within 8 seconds") << "VERSO" << false
            << "=Posicione Cheque, insert, printed, =Cancelando...";
        // An unanswered poll holds the link's '9' fill: neither a check in place nor one held.
        QTest::newRow("silent polls neither insert nor release") << "" << false
            << "silent, =Posicione Cheque, wait, =Posicione Cheque, speaks, insert, printed, silent, "
               "=Retire o Cheque, wait, =Retire o Cheque, remove, speaks";
        QTest::newRow("cancelled while the printer is silent") << "" << false << "silent, =Posicione Cheque, cancel";
        QTest::newRow("window closed while waiting for the check") << "" << false << "=Posicione Cheque, close";
        // clang-format on
    }
    void printing() {
        QFETCH(QString, back);
        QFETCH(bool, vertical);
        QFETCH(QString, script);
        const int prints = int(script.count("printed")), cancels = int(script.count("Cancelando"));
        const auto printer = showCheques();
        QVERIFY(printer);
        loadTable(emu::BankTable::encode(emu::BankTable::sample())); // Itaú (341) among them
        QCOMPARE(messages->texts(), QStringList{"Envio efetuado com sucesso!"});
        fixture::takeFrames(ModelB);
        user.setText("meNumBanco", "341");
        user.setText("edCidade", "São Paulo");
        user.setText("edFavorecido", "José da Conceição");
        user.type("meValor", "\x1b"
                             "12345");
        user.check("cbTxtVerso", !back.isEmpty());
        user.setText("memoMSG", back);
        user.check(vertical ? "rbVertical" : "rbHorizontal");
        user.press("btImprimir");
        QVERIFY(user.text("btSair") == "Cancelar" && !user.enabled("btImprimir"));
        for (const QString &step : script.split(", ")) {
            const auto printed = printer->printedChecks().size();
            if (step.startsWith('='))
                QTRY_COMPARE(user.text("lbMSG"), step.mid(1));
            else if (step == "insert" || step == "remove")
                printer->setCheckInserted(step == "insert");
            else if (step == "printed")
                QTRY_COMPARE(printer->printedChecks().size(), printed + 1);
            else if (step == "cancel")
                user.press("btSair");
            else if (step == "close") { // hidden (as by its owner) while the thread waits
                window->hide();
                QVERIFY(user.show());
            } else if (step == "silent" || step == "speaks")
                printer->setSilent(step == "silent");
            else
                QTest::qWait(Clock::scaled(40000)); // well past the 8 seconds
        }
        QTRY_VERIFY(!user.visible("lbMSG") && user.text("btSair") == " Sair");
        QVERIFY(user.enabled("btImprimir") && window->isVisible());
        QCOMPARE(framesLike(ModelB, "\x18"), cancels);
        QCOMPARE(framesLike(ModelB, "\x1Bt"), std::max(prints - 1, 0));
        QCOMPARE(framesLike(ModelB, vertical ? "\x1BV" : "\x1Bv"), prints > 0 ? 1 : 0);
        const QList<emu::PrintedCheck> checks = printer->printedChecks();
        QCOMPARE(checks.size(), prints);
        for (const emu::PrintedCheck &c : checks) {
            QCOMPARE(c.back, &c != &checks[0]);
            QCOMPARE(c.text, c.back ? QByteArray("PAGAR AT\xC9 10/05\r\nOBRIGADO") : QByteArray());
        }
        if (prints > 0) {
            const emu::PrintedCheck &c = checks[0];
            QVERIFY(c.vertical == vertical && c.bank == 341 && c.amount == "000000012345");
            QCOMPARE(c.city + '|' + c.payee, QByteArray("S\xC6o Paulo|Jos\x82 da Concei\x87\xC6o"));
            QCOMPARE(c.date, Clock::now().toString(QStringLiteral("ddMMyyyy")).toLatin1());
        }
    }
};

TOOL_TEST_CLASS(PeripheralsTest)
#include "test_peripherals.moc"
