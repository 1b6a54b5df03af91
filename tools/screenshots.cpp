// Renders the windows of the tool, driven against the built-in emulated printers as a user
// drives them, into PNG files for the documentation: screenshots <output folder>.
//
// The tool starts on the emulated MV4700 (main window, status, traffic viewer, the fiscal
// window and its document windows, the reports and the fiscal memory reading, checks, sensors,
// Send Data, Edit Data), then the user chooses the emulated MV210 (Edit Data again, the user
// record with an older and a newer firmware, the technical intervention).
#include "app/tool_config.h"
#include "app/tool_windows.h"
#include "core/file_dialogs.h"
#include "core/global.h"
#include "core/messages.h"
#include "core/named_event.h"
#include "core/working_folder.h"
#include "fiscal/item_entry.h"
#include "fiscal/payment_entry.h"
#include "link/emulator_transport.h"
#include "printer.h"
#include "programming/c2k_file.h"
#include "programming/tables.h"
#include "programming/tags.h"
#include "protocol/command_set.h"
#include "widgets/indicator.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstring>

namespace {

const QString PortA = QString::fromLatin1(EmulatedPorts::ModelAPort);
const QString PortB = QString::fromLatin1(EmulatedPorts::ModelBPort);

// Messages go to the console, answered as by a user pressing the default button.
class ConsoleMessages : public Messages {
public:
    MessageAnswer show(const Message &message) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(message.text));
        return message.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
};

// The file dialogs answer the file named beforehand.
class ChosenFile : public FileDialogs {
public:
    QString file;
    QString openFileName(const FileDialogRequest &) override { return file; }
    QString saveFileName(const FileDialogRequest &) override { return file; }
};

template <size_t N> void put(uint8_t (&field)[N], const char *text) {
    std::memset(field, ' ', N);
    std::memcpy(field, text, std::min(N, std::strlen(text)));
}

// The header, through a technical intervention with the maintenance jumper set, which also
// sets the printer's clock from the PC's.
bool programHeader(uint32_t model) {
    const auto printer = EmulatedPorts::printerFor(model == ModelA ? PortA : PortB);
    ClicheRecord header{};
    printer->setMaintenanceJumper(true);
    const bool ok = clicheForSending(
                        model, "0001",
                        "<W>LOJA EXEMPLO</W>\r\nRua das Flores, 10\r\n<C>Centro</C>\r\n", header) &&
                    commandSetFor(model)->TechnicalIntervention(false, true, header);
    printer->setMaintenanceJumper(false);
    return ok;
}

// A little programming, so that the windows offer something to choose and read: three rates,
// a check and a linked card, two totalizers, a report name (model B), and a header.
bool programDemoTables(uint32_t model) {
    CommandSet &c = *commandSetFor(model);
    bool ok = c.ProgramTaxRate({0, {'1', '8', '0', '0'}}) &&
              c.ProgramTaxRate({0, {'0', '7', '0', '0'}}) &&
              c.ProgramTaxRate({1, {'0', '5', '0', '0'}});
    PaymentMethodRecord check{0, {'0', '2'}, {}};
    put(check.name, "Cheque");
    PaymentMethodRecord card{1, {'0', uint8_t(model == ModelA ? '5' : '2')}, {}};
    put(card.name, "Cartao de Credito");
    ok = ok && c.ProgramPaymentMethod(check) && c.ProgramPaymentMethod(card) &&
         (model != ModelA || c.ProgramLinkedTotalizer(card));
    const std::pair<const char *, uint8_t> totalizers[] = {{"Suprimento", 0}, {"Sangria", 1}};
    for (const auto &[name, outflow] : totalizers) {
        TotalizerRecord totalizer{outflow, {' ', ' '}, {}};
        put(totalizer.name, name);
        ok = ok && c.ProgramNonFiscalTotalizer(totalizer);
    }
    uint8_t report[21];
    put(report, "Conferencia de Caixa");
    ok = ok && (model != ModelB || c.ProgramReportName(report));
    ok = ok && programHeader(model);
    invalidateConfigurationCache();
    if (!ok)
        std::fprintf(stderr, "the emulated printer refused the demo programming\n");
    return ok;
}

// A configuration file as the Edit Data window saves it, for Send Data to offer.
QByteArray sampleConfiguration(uint32_t model) {
    ProgrammingTables t;
    clearAll(t, model, 1.05);
    t.taxRates[0].rate = QStringLiteral("18,00%");
    t.taxRates[1].rate = QStringLiteral("05,00%");
    t.taxRates[1].iss = QStringLiteral("    S");
    t.taxRates[3].rate = QStringLiteral("12,00%");
    t.payments[1] = {QStringLiteral(" FP03"), QStringLiteral("Cheque"), QString()};
    t.reports[0].name = QStringLiteral("Conferencia de Caixa");
    t.totalizers[0].name = QStringLiteral("Sangria");
    t.totalizers[0].direction = QStringLiteral("   S");
    rebuildOptionsBlock(t.options, t.controls, model, 1.05);
    t.header = "<N>LOJA MODELO</N>\r\nRua das Flores, 100";
    QByteArray file = writeC2k(model, t);
    return file.replace(C2k::EcfNumberOffset, 4, "0042");
}

class Session {
public:
    Session(const QString &folder, const QString &out) : out(out), windows(folder) {
        installMessages(&messages);
        installFileDialogs(&dialogs);
    }
    ~Session() {
        installFileDialogs(nullptr);
        installMessages(nullptr);
    }

    bool start() {
        windows.start();
        return identified();
    }
    // Waits until the light is green: the printer on the chosen port has been identified.
    bool identified() {
        // Present once the light is green and the buttons are set for the firmware.
        if (QTest::qWaitFor([&] { return light() == QColor(0, 128, 0); }, 20000) &&
            QTest::qWaitFor([] { return bool(toolState().PrinterPresent); }, 5000))
            return true;
        std::fprintf(stderr, "the emulated printer was not identified\n");
        ok = false;
        return false;
    }
    QColor light() const { return windows.main.presenceIndicator()->color(); }

    void save(QWidget &window, const QString &name) {
        QTest::qWait(100); // whatever the window does when shown, and its painting
        const QString path = out + QLatin1Char('/') + name + QStringLiteral(".png");
        const bool written = window.grab().save(path);
        std::printf("%s %s\n", written ? "wrote" : "could not write", qPrintable(path));
        ok = ok && written;
    }
    template <class T = QWidget> T *control(QWidget &window, const char *name) {
        T *found = window.findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("%s has no control %s", qPrintable(window.objectName()), name);
        return found;
    }
    // The printer's clock read by the window just shown; the main window's tick shows both.
    void waitForTheClock() {
        wait([&] { return windows.main.clockTimer().isActive(); }, "the printer clock read");
        windows.main.clockTick();
    }
    template <class Condition> void wait(Condition condition, const char *what) {
        if (!QTest::qWaitFor(condition, 5000)) {
            std::fprintf(stderr, "not seen in time: %s\n", what);
            ok = false;
        }
    }
    void press(QWidget &window, const char *button) {
        control<QPushButton>(window, button)->click();
    }
    // Types into a combo box of the main window and confirms with Enter, as the user chooses.
    void choose(const char *box, const QString &text) {
        QLineEdit *line = control<QComboBox>(windows.main, box)->lineEdit();
        line->selectAll();
        QTest::keyClicks(line, text);
        QTest::keyClick(line, Qt::Key_Return);
        QCoreApplication::processEvents();
    }

    void mainWindows();
    void fiscalWindows();
    void reportWindows();
    void checksAndSensors();
    void sendData();
    void editData(const QString &suffix);
    void userRecord(const QString &name);
    void intervention();
    void emulatorPanel();
    void protocolMonitor();

    const QString out;
    ConsoleMessages messages;
    ChosenFile dialogs;
    ToolWindows windows;
    bool ok = true;
};

void Session::mainWindows() {
    save(windows.main, QStringLiteral("main-window"));
    press(windows.main, "btVisualizarCOM");
    windows.status.show();
    QTest::qWait(600);
    save(windows.status, QStringLiteral("status-window"));
    windows.status.hide();
    windows.status.show(); // a second read, for more traffic
    QTest::qWait(600);
    windows.status.hide();
    save(windows.viewer, QStringLiteral("traffic-viewer"));
    press(windows.main, "btVisualizarCOM");
}

// The traffic viewer's protocol view over a coupon with one refused cancellation, a row
// selected; the session saved as a text log and a CSV table in the working folder.
void Session::protocolMonitor() {
    CommandSet &c = *commandSetFor(ModelB);
    c.ReadingX(); // the day opened before the viewer is shown
    c.WaitPrinterIdle();
    press(windows.main, "btVisualizarCOM");
    press(windows.viewer, "btProtocolo");
    const ItemEntry::Sale sale{.code = "7891000100103",
                               .description = "Arroz tipo 1 5kg",
                               .price = "000002490",
                               .taxCode = "TA",
                               .quantity = "00002",
                               .unit = {},
                               .adjustment = {}};
    char coo[6];
    TotalRecord total = ItemEntry::totalRecord('N', false, {});
    PaymentRecord cash = PaymentEntry::paymentRecord("01", "5000", {});
    c.OpenCoupon(coo);
    c.SellItem(ItemEntry::saleRecord(sale));
    c.CancelItem("009");
    c.Totalize(total);
    c.RegisterPayment(cash);
    c.CloseCoupon("Volte sempre!");
    auto *table = control<QTableWidget>(windows.viewer, "twProtocolo");
    QTest::qWait(300);
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 2)->text() == QStringLiteral("Venda de item"))
            table->selectRow(row);
    }
    save(windows.viewer, QStringLiteral("protocol-monitor"));
    dialogs.file = QDir(WorkingFolder::path()).filePath(QStringLiteral("protocolo.log"));
    press(windows.viewer, "btSalvar");
    for (const char *suffix : {"log", "csv"}) {
        QFile log(QDir(WorkingFolder::path()).filePath(QStringLiteral("protocolo.") + suffix));
        if (log.open(QIODevice::ReadOnly))
            std::printf("%s", log.readAll().constData());
    }
    press(windows.main, "btVisualizarCOM");
}

// The fiscal window, then each document window it opens, over it.
void Session::fiscalWindows() {
    press(windows.main, "btFiscal");
    QTest::qWait(800); // the programming lists are read when it is shown
    save(windows.fiscal, QStringLiteral("fiscal-window"));
    const QList<QPair<QWidget *, const char *>> documents{
        {&windows.vendaItem, "item-sale"},        {&windows.cancelamento, "cancellation"},
        {&windows.totalizacao, "totalization"},   {&windows.pagamento, "payment"},
        {&windows.fechamento, "closing"},         {&windows.cnfnv, "non-fiscal-voucher"},
        {&windows.rg, "management-report"},       {&windows.ccd, "credit-debit-voucher"},
        {&windows.autenticacao, "authentication"}};
    for (const auto &[window, name] : documents) {
        window->show();
        save(*window, QString::fromLatin1(name));
        window->hide();
    }
    windows.fiscal.hide();
}

// The reports window with both clocks read, and the fiscal memory reading by date.
void Session::reportWindows() {
    press(windows.main, "btRelatorios");
    waitForTheClock();
    save(windows.relatorios, QStringLiteral("reports"));
    press(windows.relatorios, "btLMF");
    control<QRadioButton>(windows.lmf, "rbData")->click();
    control<QLabel>(windows.lmf, "lbRecebidos")
        ->setText(QStringLiteral("Recebidos: 1234567 bytes"));
    save(windows.lmf, QStringLiteral("fiscal-memory-reading"));
    press(windows.lmf, "btSair");
}

// A check filled in, waiting for the paper; the sensors with the drawer open and little paper.
void Session::checksAndSensors() {
    press(windows.main, "btCheques");
    QWidget &checks = windows.cheques;
    control<QLineEdit>(checks, "meNumBanco")->setText(QStringLiteral("341"));
    control<QLineEdit>(checks, "edCidade")->setText(QStringLiteral("São Paulo"));
    control<QLineEdit>(checks, "edFavorecido")->setText(QStringLiteral("José da Conceição"));
    QLineEdit *amount = control<QLineEdit>(checks, "meValor");
    QTest::keyClick(amount, Qt::Key_Escape);
    QTest::keyClicks(amount, QStringLiteral("12345"));
    if (!control<QCheckBox>(checks, "cbTxtVerso")->isChecked())
        control<QCheckBox>(checks, "cbTxtVerso")->click(); // the text for the back, as clicked
    control<QPlainTextEdit>(checks, "memoMSG")
        ->setPlainText(QStringLiteral("TEXTO LIVRE 120 CARACTERES"));
    control<QLabel>(checks, "lbMSG")->setText(QStringLiteral("Posicione Cheque"));
    control<QLabel>(checks, "lbMSG")->show();
    save(checks, QStringLiteral("checks"));
    control<QLabel>(checks, "lbMSG")->hide();
    checks.hide();

    const auto printer = EmulatedPorts::printerFor(PortB);
    printer->setDrawerOpen(true);
    printer->setPaperLow(true);
    press(windows.main, "btSensores");
    const QColor cyan(0, 255, 255);
    const auto lit = [&](const char *light) {
        return windows.sensores.findChild<Indicator *>(QLatin1String(light))->color() == cyan;
    };
    wait([&] { return lit("LedGaveta"); }, "the drawer's light");
    wait([&] { return lit("LedPoucoPapel"); }, "the paper's light");
    save(windows.sensores, QStringLiteral("sensors"));
    windows.sensores.hide();
    printer->setDrawerOpen(false);
    printer->setPaperLow(false);
}

// Send Data with a configuration chosen, as it shows a run under way.
void Session::sendData() {
    press(windows.main, "btProgramacao");
    QWidget &send = windows.programacao;
    const QString file =
        QDir(WorkingFolder::subfolder(QStringLiteral("c2k"))).filePath("config.c2k");
    QFile c2k(file);
    if (c2k.open(QIODevice::WriteOnly))
        c2k.write(sampleConfiguration(ModelB));
    c2k.close();
    dialogs.file = file;
    press(send, "btOpenArqConf");
    control<QLabel>(send, "lbHoraPC")->setText(QStringLiteral("06/12/2024 14:30:05"));
    control<QProgressBar>(send, "ProgressBar")->setValue(30);
    control<QProgressBar>(send, "ProgressBar")->show();
    control<QLabel>(send, "lbMSG")->show();
    save(send, QStringLiteral("send-data"));
    press(send, "btSair");
}

// Edit Data's pages, filled from the printer: first the notice of the payment methods page
// (shown while the model's tables are new to the window), then every page after "Ler Todos".
void Session::editData(const QString &suffix) {
    toolState().TablesStale = true;
    press(windows.main, "btProgLote");
    QWidget &edit = windows.prgLote;
    auto *pages = control<QTabWidget>(edit, "PageControl");
    pages->setCurrentWidget(control(edit, "tabFP"));
    save(edit, QStringLiteral("edit-data-tabFP-notice") + suffix);
    press(edit, "btContMsgWFP");
    pages->setCurrentWidget(control(edit, "tabAliq"));
    press(edit, "btLerTodos");
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        save(edit,
             QStringLiteral("edit-data-%1%2").arg(pages->currentWidget()->objectName(), suffix));
    }
    press(edit, "btSair");
}

void Session::userRecord(const QString &name) {
    press(windows.main, "btGravaUSR");
    QWidget &user = windows.gravaUsr;
    control<QLineEdit>(user, "meCNPJ")->setText(QStringLiteral("11.222.333/0001-81"));
    control<QLineEdit>(user, "edIE")->setText(QStringLiteral("123.456.789.110"));
    control<QLineEdit>(user, "edIM")->setText(QStringLiteral("98765"));
    control<QLineEdit>(user, "edSenha")->setText(QStringLiteral("A1B2C3D4"));
    save(user, name);
    press(user, "btSair");
}

// Both clocks in daylight-saving time, their longest texts: the PC's check box checked, and
// the printer's option on.
void Session::intervention() {
    auto *daylightSaving = control<QCheckBox>(windows.main, "cbHorarioVeraoVigente");
    daylightSaving->click();
    ok = programHeader(ModelA) && commandSetFor(ModelA)->SetDaylightSavingTime(1) && ok;
    press(windows.main, "btIntervencao");
    waitForTheClock();
    save(windows.intervencao, QStringLiteral("intervention"));
    press(windows.intervencao, "btSair");
    commandSetFor(ModelA)->SetDaylightSavingTime(0);
    daylightSaving->click();
}

// The emulator panel with its paper roll: a Leitura X and a coupon of two items, a discount on
// the total, paid by check and in cash.
void Session::emulatorPanel() {
    CommandSet &c = *commandSetFor(ModelB);
    ItemEntry::Sale sale{.code = "789100",
                         .description = "Cafe torrado 500g",
                         .price = "000001290",
                         .taxCode = "TA",
                         .quantity = "00002",
                         .unit = QStringLiteral("UN"),
                         .adjustment = {}};
    const ItemRecord coffee = ItemEntry::saleRecord(sale);
    sale.description = QStringLiteral("Leite integral 1l");
    sale.price = "000000495";
    sale.quantity = "00001";
    const ItemRecord milk = ItemEntry::saleRecord(sale);
    TotalRecord total = ItemEntry::totalRecord('D', false, "000000000075");
    PaymentRecord check = PaymentEntry::paymentRecord("02", "2000", QString());
    PaymentRecord cash = PaymentEntry::paymentRecord("01", "1000", QString());
    char coo[6];
    ok = c.ReadingX() && c.WaitPrinterIdle() && c.OpenCoupon(coo) && c.SellItem(coffee) &&
         c.SellItem(milk) && c.Totalize(total) && c.RegisterPayment(check) &&
         c.RegisterPayment(cash) && c.CloseCoupon("Obrigado e volte sempre!") && ok;
    windows.emulatorPanel.show();
    auto *roll = control<QPlainTextEdit>(windows.emulatorPanel, "memoBobina");
    wait([&] { return roll->toPlainText().contains("Obrigado"); }, "the coupon on the paper roll");
    save(windows.emulatorPanel, QStringLiteral("emulator-panel"));
    windows.emulatorPanel.hide();
}

} // namespace

int main(int argc, char **argv) {
    SerialEvent().set();
    ConfiguracaoEvent().set();
    QApplication app(argc, argv);
    const QString out =
        QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs")).absolutePath();
    QDir().mkpath(out);

    // The working folder: Tool.cfg chooses the emulated MV4700.
    QTemporaryDir dir;
    ToolConfigFile::Record record{};
    ToolConfig::setPortName(record, PortB);
    ToolConfig::setModelCode(record, ModelB);
    QFile file(dir.filePath(QStringLiteral("Tool.cfg")));
    file.open(QIODevice::WriteOnly);
    file.write(reinterpret_cast<const char *>(record.data()), 20);
    file.close();
    EmulatedPorts::printerFor(PortA)->setIdentity({"21000123", "1.20", "0001"});

    Session session(dir.path(), out);
    if (!session.start())
        return 1;
    session.mainWindows();
    programDemoTables(ModelB);
    session.fiscalWindows();
    session.reportWindows();
    session.checksAndSensors();
    session.sendData();
    session.editData(QString());
    session.emulatorPanel();
    session.protocolMonitor();

    // The emulated MV210, firmware 1.20, then 1.22 (it takes the user's authorization code).
    session.choose("cbPorta", PortA);
    session.choose("cbModelo", QStringLiteral("MV210"));
    if (!session.identified())
        return 1;
    programDemoTables(ModelA);
    session.editData(QStringLiteral("-MV210"));
    session.userRecord(QStringLiteral("user-record-old-firmware"));
    const auto modelA = EmulatedPorts::printerFor(PortA);
    modelA->setIdentity({"21000123", "1.22", "0001"});
    modelA->setPowered(false); // seen again, the printer is identified anew
    session.wait([&] { return session.light() != QColor(0, 128, 0); }, "the printer gone");
    modelA->setPowered(true);
    if (!session.identified())
        return 1;
    session.userRecord(QStringLiteral("user-record"));
    session.intervention();
    return session.ok ? 0 : 1;
}
