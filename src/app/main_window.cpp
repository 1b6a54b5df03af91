#include "app/main_window.h"

#include "app/emulator_panel.h"
#include "app/port_list.h"
#include "core/clock.h"
#include "core/clock_text.h"
#include "core/global.h"
#include "core/messages.h"
#include "core/working_folder.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "ui_main_window.h"
#include "widgets/indicator.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>

namespace {
const QColor Red(255, 0, 0);
const QColor Yellow(255, 255, 0);
const QColor Green(0, 128, 0);
const QString NoSerial = QStringLiteral("????????");
} // namespace

TfmMain::TfmMain(const QString &workingFolder) : ui(std::make_unique<Ui::TfmMain>()) {
    if (!workingFolder.isEmpty())
        WorkingFolder::set(workingFolder);
    ui->setupUi(this);
    QString directory = QCoreApplication::applicationDirPath();
    if (!directory.isEmpty() && !directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    toolState().ProgramDirectory = directory;

    ui->btProgLote->setEnabled(true);
    ui->btProgramacao->setEnabled(true);
    ui->btCheques->setEnabled(false);
    ui->lbMSG_Version->hide();
    ui->btEmulador->hide();
    setWindowTitle(QStringLiteral("TOOL MV210/MV4700 V.1.02"));
    setFixedSize(513, 374);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setBold(true);
    ui->StatusBar->setFont(fixed);
    ShapeNoImpr = new Indicator(ui->StatusBar);
    ShapeNoImpr->setObjectName(QStringLiteral("ShapeNoImpr"));
    ShapeNoImpr->setFixedSize(18, 18);
    ShapeNoImpr->setColor(Red);
    ui->StatusBar->addPermanentWidget(ShapeNoImpr);

    TimerHoraPC.setObjectName(QStringLiteral("TimerHoraPC"));
    TimerHoraPC.setInterval(1000);
    connect(&TimerHoraPC, &QTimer::timeout, this, &TfmMain::clockTick);

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.width() / 2 - width() / 2, area.height() / 2 - height() / 2);
    }

    // A choice is made when an item is picked, Enter is pressed or the box is left, never
    // while a name is half typed.
    connect(ui->cbPorta, &QComboBox::activated, this, [this] { commitPortChoice(true); });
    connect(ui->cbPorta->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { commitPortChoice(true); });
    connect(ui->cbPorta->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { commitPortChoice(false); });
    connect(ui->cbModelo, &QComboBox::activated, this, [this] { commitModelChoice(); });
    connect(ui->cbModelo->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { commitModelChoice(); });

    connect(ui->cbHorarioVeraoVigente, &QCheckBox::clicked, this, [this](bool checked) {
        ToolConfig::setDaylightSaving(record, checked);
        toolState().PcDaylightSaving = checked;
        toolState().ToolConfigRecord = record;
    });
    connect(ui->btSair, &QPushButton::clicked, qApp, &QCoreApplication::quit);
    connect(ui->btEmulador, &QPushButton::clicked, this, [this] {
        if (emulatorPanel) {
            emulatorPanel->show();
            emulatorPanel->raise();
        }
    });
    ui->btRelatorios->setFocus();
}

TfmMain::~TfmMain() {
    // Tearing the widgets down moves the focus, which must no longer reach this window.
    for (QComboBox *box : {ui->cbPorta, ui->cbModelo}) {
        box->disconnect(this);
        box->lineEdit()->disconnect(this);
    }
    stopIdentification();
    configFile.saveAndClose(record);
}

void TfmMain::startUp() {
    ToolState &state = toolState();
    record.fill(0);
    state.CurrentCOO.set(QStringLiteral("000000"));
    const QString folder = WorkingFolder::path();
    const QDir dir(folder);
    for (const char *sub : {"c2k", "usr", "b2k"})
        dir.mkpath(QString::fromLatin1(sub));
    const ToolConfigFile::Opening opening = configFile.open(folder, record);
    for (const QString &refused : EmulatedPorts::keepStateIn(folder))
        showMessage(refused + QStringLiteral("\r\nA impressora emulada começa como saiu de "
                                             "fábrica, e o arquivo fica como está."),
                    QStringLiteral("Aviso"), MessageButtons::Ok, MessageStyle::Warning);

    ui->cbModelo->setCurrentIndex(-1);
    state.ModelCode = ToolConfig::modelCode(record);
    ui->cbModelo->setEditText(state.ModelCode == ModelB ? QStringLiteral("MV4700")
                                                        : QStringLiteral("MV210"));
    chooseModel();

    ui->cbPorta->clear();
    fillPortList();
    ui->cbPorta->setCurrentIndex(-1);
    state.PortOpen = false;
    const QString port = configFile.portName(record);
    if (!port.isEmpty()) {
        ui->cbPorta->setEditText(port);
        choosePort();
    }
    ui->cbHorarioVeraoVigente->setChecked(ToolConfig::daylightSaving(record));
    state.PcDaylightSaving = ui->cbHorarioVeraoVigente->isChecked();
    state.PrinterSerial.set(NoSerial);
    state.ToolConfigRecord = record;
    const QString notSaved = ToolConfig::notSavedText(opening, folder);
    if (!notSaved.isEmpty())
        showMessage(notSaved, QStringLiteral("Aviso"), MessageButtons::Ok, MessageStyle::Warning);
}

// A port the user may not use keeps its name (choosing it tries it and tells why it fails),
// with a warning sign and the remedy as its tip.
void TfmMain::fillPortList() {
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    ui->cbPorta->view()->setIconSize(ui->cbPorta->iconSize()); // rows as high as the others
    for (const PortList::Port &port : PortList::available(printerLink())) {
        if (!port.denied) {
            ui->cbPorta->addItem(port.name);
            continue;
        }
        ui->cbPorta->addItem(warning, port.name);
        ui->cbPorta->setItemData(ui->cbPorta->count() - 1, PortList::deniedHint(), Qt::ToolTipRole);
    }
}

// Enter in the box also reports an activation and the end of the editing: the signals of
// one gesture are gathered into one choice.
void TfmMain::commitPortChoice(bool retry) {
    portChoiceRetry = portChoiceRetry || retry;
    if (portChoicePending)
        return;
    portChoicePending = true;
    QMetaObject::invokeMethod(this, &TfmMain::runPendingPortChoice, Qt::QueuedConnection);
}

void TfmMain::runPendingPortChoice() {
    const bool retry = std::exchange(portChoiceRetry, false);
    portChoicePending = false;
    const QString text = ui->cbPorta->currentText();
    // The same port again is tried only when asked for outright and it is not open.
    if (text == lastPortChoice && !(retry && !toolState().PortOpen))
        return;
    choosePort();
}

void TfmMain::commitModelChoice() {
    if (ui->cbModelo->currentText() != lastModelChoice)
        chooseModel();
}

void TfmMain::choosePort() {
    ToolState &state = toolState();
    const QString name = ui->cbPorta->currentText();
    lastPortChoice = name;
    state.PortOpen = false;
    state.PrinterPresent = false;
    stopIdentification();
    printerLink().ClosePort();
    ui->btEmulador->setVisible(false);
    if (const int result = printerLink().OpenPort(name, 9600, false); result != 0) {
        showMessage(PortList::openFailureText(result), QStringLiteral("Erro"), MessageButtons::Ok,
                    MessageStyle::Information);
        return;
    }
    state.PortOpen = true;
    configFile.setPortName(record, name);
    state.ToolConfigRecord = record;
    if (emulatorPanel) {
        emulatorPanel->setPrinter(EmulatedPorts::printerFor(name), name);
        ui->btEmulador->setVisible(PortList::isEmulated(name));
    }
    identification = std::make_unique<ThreadTestaImpr>(printerLink(), this);
    identification->start(QThread::LowPriority);
}

void TfmMain::chooseModel() {
    ToolState &state = toolState();
    const QString text = ui->cbModelo->currentText();
    lastModelChoice = text;
    if (text == QLatin1String("MV4700"))
        state.ModelCode = ModelB;
    else if (text == QLatin1String("MV210"))
        state.ModelCode = ModelA;
    const uint32_t model = state.ModelCode;
    ui->btCheques->setEnabled(model == ModelB);
    for (const auto &listener : modelListeners)
        listener(model);
    state.ModelChanged = true;
    ToolConfig::setModelCode(record, model);
    state.ToolConfigRecord = record;
}

void TfmMain::stopIdentification() {
    if (!identification)
        return;
    identification.reset(); // waits for the thread; leaves the serial number unknown
    setStatusText(QStringLiteral(" Núm. Série ECF: ") + toolState().PrinterSerial.get());
}

void TfmMain::setWindowFor(QPushButton *button, QWidget *window, bool needsModel) {
    if (button == ui->btVisualizarCOM) {
        connect(button, &QPushButton::clicked, window,
                [window] { window->setVisible(!window->isVisible()); });
        return;
    }
    if (button == ui->btIntervencao) {
        // The button disables itself first; the intervention window enables it when shown.
        connect(button, &QPushButton::clicked, window, [button, window] {
            button->setEnabled(false);
            window->show();
        });
        return;
    }
    connect(button, &QPushButton::clicked, window, [window, needsModel] {
        if (!needsModel || toolState().ModelCode != ModelNone)
            window->show();
    });
}

void TfmMain::addClockLabels(QLabel *pcClock, QLabel *printerClock, QLabel *difference) {
    clockLabels.append({pcClock, printerClock, difference});
}

void TfmMain::setClockRunning(bool running) {
    if (running)
        TimerHoraPC.start();
    else
        TimerHoraPC.stop();
}

void TfmMain::addGatedControl(QWidget *control) {
    gated.append(control);
}

void TfmMain::onModelChosen(std::function<void(uint32_t)> listener) {
    modelListeners.append(std::move(listener));
}

void TfmMain::setEmulatorPanel(EmulatorPanel *panel) {
    emulatorPanel = panel;
}

QString TfmMain::statusBarText() const {
    return ui->StatusBar->currentMessage();
}

bool TfmMain::daylightSavingChecked() const {
    return ui->cbHorarioVeraoVigente->isChecked();
}

void TfmMain::setStatusText(const QString &text) {
    ui->StatusBar->showMessage(text);
}

void TfmMain::UpdateIndicator(int indicatorState, bool statusTextPending,
                              const QString &statusText) {
    ShapeNoImpr->setColor(indicatorState == 2 ? Green : indicatorState == 1 ? Yellow : Red);
    if (statusTextPending)
        setStatusText(statusText);
    ui->lbMSG_Version->hide();
}

void TfmMain::ApplyVersionGate() {
    const ToolState &state = toolState();
    const bool tooOld = state.ModelCode == ModelA && state.FirmwareVersionNumber < 1.2 - 1e-9;
    QList<QWidget *> controls{ui->btProgLote, ui->btProgramacao, ui->btFiscal,    ui->btStatus,
                              ui->btSensores, ui->btGravaUSR,    ui->btRelatorios};
    controls += gated;
    for (QWidget *control : controls) {
        if (control)
            control->setEnabled(!tooOld);
    }
    if (tooOld) {
        ui->lbMSG_Version->setText(QStringLiteral(
            "TOOL apenas para MV210 V.1.20 ou sup.\r\nAtualize o SB no menu Intervenção"));
        ui->lbMSG_Version->show();
    }
}

void TfmMain::clockTick() {
    ToolState &state = toolState();
    const QDateTime now = Clock::now();
    const QString pcText = ClockText::format(now, daylightSavingChecked());
    // A printer clock that could not be read is shown as unknown, with no difference, until
    // a read succeeds.
    const bool known = state.PrinterClockKnown;
    if (state.PrinterPresent && known)
        state.PrinterClock = state.PrinterClock + ClockText::OneSecond;
    const QString printerText =
        known ? ClockText::format(ClockText::fromDays(state.PrinterClock), state.PrinterDst)
              : QStringLiteral("\?\?/\?\?/\?\?\?\? \?\?:\?\?:\?\?"); // every digit a '?'
    const QString difference =
        ClockText::difference(state.PrinterClock, now, state.PrinterPresent && known);
    for (const ClockLabels &labels : clockLabels) {
        if (labels.pc)
            labels.pc->setText(pcText);
        if (labels.printer)
            labels.printer->setText(printerText);
        if (labels.difference)
            labels.difference->setText(difference);
    }
}

void TfmMain::closeEvent(QCloseEvent *event) {
    event->accept();
    QCoreApplication::quit();
}
