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
    if (!have)
        return;
    const QSignalBlocker b1(ui->cbLigada), b2(ui->cbJumper);
    ui->cbLigada->setChecked(printer->powered());
    ui->cbJumper->setChecked(printer->maintenanceJumper());
}
