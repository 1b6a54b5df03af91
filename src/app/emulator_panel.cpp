#include "app/emulator_panel.h"

#include "printer.h"
#include "ui_emulator_panel.h"

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
    connect(ui->btFechar, &QPushButton::clicked, this, &QWidget::hide);
    refresh();
}

EmulatorPanel::~EmulatorPanel() = default;

void EmulatorPanel::setPrinter(std::shared_ptr<emu::Printer> p, const QString &portName) {
    printer = std::move(p);
    ui->lbImpressora->setText(printer ? QStringLiteral("Impressora emulada: ") + portName
                                      : QStringLiteral("Nenhuma impressora emulada em uso"));
    refresh();
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
          static_cast<QWidget *>(ui->cbFimPapel), static_cast<QWidget *>(ui->cbPoucoPapel)})
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
