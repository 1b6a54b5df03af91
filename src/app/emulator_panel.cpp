#include "app/emulator_panel.h"

#include "core/file_dialogs.h"
#include "core/file_replace.h"
#include "core/messages.h"
#include "core/working_folder.h"
#include "faults.h"
#include "printer.h"
#include "ui_emulator_panel.h"

#include <QFontDatabase>

namespace {
// The faults on demand as the panel offers them, with the name faults.h reads and whether the
// fault takes a value.
struct FaultChoice {
    const char *text;
    const char *name;
    bool value;
};
const FaultChoice FaultChoices[] = {
    {"Parar de responder", "silent", false},
    {"Desligar ao receber o quadro", "off", false},
    {"Recusar com o código de erro", "error", true},
    {"Responder com lixo", "garbage", false},
    {"Cortar a resposta", "cut", false},
    {"Desligar após a resposta", "off-after-answer", false},
    {"Responder com atraso (ms)", "late", true},
};
} // namespace

EmulatorPanel::EmulatorPanel(QWidget *main)
    : QWidget(nullptr, Qt::Tool), ui(std::make_unique<Ui::EmulatorPanel>()), mainWindow(main) {
    ui->setupUi(this);
    setFixedSize(size());
    connect(ui->cbLigada, &QCheckBox::toggled, this, [this](bool on) {
        if (printer)
            printer->setPowered(on);
    });
    connect(ui->cbJumper, &QCheckBox::toggled, this, [this](bool on) {
        if (printer)
            printer->setMaintenanceJumper(on);
    });
    connect(ui->cbFimPapel, &QCheckBox::toggled, this, [this](bool on) {
        if (printer)
            printer->setPaperEnd(on);
    });
    connect(ui->cbPoucoPapel, &QCheckBox::toggled, this, [this](bool on) {
        if (printer)
            printer->setPaperLow(on);
    });
    // The operator at model B's check slot.
    connect(ui->btInserirCheque, &QPushButton::clicked, this, [this] {
        if (printer)
            printer->insertCheck();
    });
    connect(ui->btRetirarCheque, &QPushButton::clicked, this, [this] {
        if (printer)
            printer->removeCheck();
    });
    // The cash drawer (the drawer frame opens it; a person shuts it) and the check
    // mechanism's cover of model B.
    connect(ui->cbGaveta, &QCheckBox::toggled, this, [this](bool on) {
        if (printer)
            printer->setDrawerOpen(on);
    });
    connect(ui->cbTampa, &QCheckBox::toggled, this, [this](bool on) {
        if (printer)
            printer->setCoverOpen(on);
    });
    for (const FaultChoice &choice : FaultChoices)
        ui->cbFalha->addItem(QString::fromUtf8(choice.text));
    connect(ui->cbFalha, &QComboBox::currentIndexChanged, this, [this](int index) {
        ui->edValor->setEnabled(index >= 0 && FaultChoices[index].value);
    });
    ui->edValor->setEnabled(false);
    connect(ui->btAplicarFalha, &QPushButton::clicked, this, &EmulatorPanel::applyFault);
    connect(ui->btLimparFalhas, &QPushButton::clicked, this, [this] {
        if (printer)
            printer->clearFaults();
    });
    connect(ui->btFabrica, &QPushButton::clicked, this, [this] {
        if (printer &&
            showMessage(QStringLiteral("Restaurar a impressora emulada como saiu de fábrica?\r\n"
                                       "A programação, os contadores e a memória fiscal serão "
                                       "apagados."),
                        QStringLiteral("Confirmação"), MessageButtons::YesNo,
                        MessageStyle::Question) == MessageAnswer::Yes)
            printer->resetToFactory();
    });
    // The paper roll: the printer's lines as they come, in a fixed-pitch font at its width.
    ui->memoBobina->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ui->memoBobina->setMaximumBlockCount(20000);
    connect(ui->btLimparBobina, &QPushButton::clicked, ui->memoBobina, &QPlainTextEdit::clear);
    connect(ui->btSalvarBobina, &QPushButton::clicked, this, &EmulatorPanel::savePaper);
    connect(ui->btFechar, &QPushButton::clicked, this, &QWidget::hide);
    refresh();
}

EmulatorPanel::~EmulatorPanel() {
    if (printer)
        printer->setPaperObserver({});
}

void EmulatorPanel::setPrinter(std::shared_ptr<emu::Printer> p, const QString &portName) {
    if (printer)
        printer->setPaperObserver({});
    printer = std::move(p);
    // The printer prints on whichever thread talks to it; the lines reach the roll on this one.
    // Once the observer is replaced no call is under way, and a queued one dies with the panel.
    if (printer)
        printer->setPaperObserver([this](const QStringList &lines) {
            QMetaObject::invokeMethod(
                this, [this, lines] { ui->memoBobina->appendPlainText(lines.join('\n')); },
                Qt::QueuedConnection);
        });
    ui->lbImpressora->setText(printer ? QStringLiteral("Impressora emulada: ") + portName
                                      : QStringLiteral("Nenhuma impressora emulada em uso"));
    refresh();
}

void EmulatorPanel::savePaper() {
    const QString file = askSaveFileName({QStringLiteral("Salvar bobina"), WorkingFolder::path(),
                                          QStringLiteral("Texto (*.txt)"), QStringLiteral("txt")});
    QString error;
    if (!file.isEmpty() &&
        !writeFileReplacing(file, (ui->memoBobina->toPlainText() + '\n').toUtf8(), &error))
        showMessage(QStringLiteral("Não foi possível gravar %1.\r\n%2").arg(file, error),
                    QStringLiteral("Erro"), MessageButtons::Ok, MessageStyle::Error);
}

// The fault chosen, written as printer-emulator's --fault option takes it and read back by the
// same reader, so the panel and the command line accept the same faults.
void EmulatorPanel::applyFault() {
    const int index = ui->cbFalha->currentIndex();
    if (!printer || index < 0)
        return;
    const FaultChoice &choice = FaultChoices[index];
    QString text = QString::fromLatin1(choice.name);
    if (choice.value)
        text += QLatin1Char('=') + ui->edValor->text().trimmed();
    text += QLatin1Char('@') + QString::number(ui->sePasso->value());
    QString error;
    if (const std::optional<emu::Fault> fault = emu::parseFault(text, &error))
        printer->injectFault(*fault);
    else
        showMessage(choice.value && QLatin1String(choice.name) == QLatin1String("error")
                        ? QStringLiteral("Informe o código de erro com dois dígitos.")
                        : QStringLiteral("Informe o atraso em milissegundos (até 999999)."),
                    QStringLiteral("Erro"), MessageButtons::Ok, MessageStyle::Error);
}

void EmulatorPanel::showEvent(QShowEvent *event) {
    refresh();
    if (mainWindow)
        move(mainWindow->frameGeometry().right() + 12, mainWindow->frameGeometry().top());
    QWidget::showEvent(event);
}

void EmulatorPanel::refresh() {
    const bool have = printer != nullptr;
    for (QWidget *control :
         {static_cast<QWidget *>(ui->cbLigada), static_cast<QWidget *>(ui->cbJumper),
          static_cast<QWidget *>(ui->cbFimPapel), static_cast<QWidget *>(ui->cbPoucoPapel),
          static_cast<QWidget *>(ui->btAplicarFalha), static_cast<QWidget *>(ui->btLimparFalhas),
          static_cast<QWidget *>(ui->btFabrica)})
        control->setEnabled(have);
    const bool checks = have && printer->model() == emu::Model::B; // model A has no check slot
    ui->btInserirCheque->setEnabled(checks);
    ui->btRetirarCheque->setEnabled(checks);
    ui->cbTampa->setEnabled(checks);
    ui->cbGaveta->setEnabled(have);
    if (!have)
        return;
    // The drawer frame opens the drawer behind the panel's back.
    const QSignalBlocker b3(ui->cbGaveta);
    ui->cbGaveta->setChecked(printer->drawerOpen());
    const QSignalBlocker b1(ui->cbLigada), b2(ui->cbJumper);
    ui->cbLigada->setChecked(printer->powered());
    ui->cbJumper->setChecked(printer->maintenanceJumper());
}
