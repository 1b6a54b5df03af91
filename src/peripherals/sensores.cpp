#include "peripherals/sensores.h"

#include "core/global.h"
#include "link/serial_new.h"
#include "ui_sensores.h"
#include "widgets/indicator.h"

#include <QCloseEvent>

namespace {
const QColor NotRead(192, 192, 192);
const QColor Active(0, 255, 255);
const QColor Inactive(255, 255, 255);
} // namespace

TfmSensores::TfmSensores(QWidget *mainWindow)
    : ToolWindow(mainWindow, mainWindow, QPoint(0, 25)), ui(std::make_unique<Ui::TfmSensores>()) {
    ui->setupUi(this);
    setFixedSize(size());
    // A title but no buttons on it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    connect(ui->btGaveta, &QPushButton::clicked, this, &TfmSensores::btGavetaClick);
    connect(ui->btSair, &QPushButton::clicked, this, &TfmSensores::btSairClick);
}

TfmSensores::~TfmSensores() {
    stopThread();
}

void TfmSensores::showEvent(QShowEvent *event) {
    ToolWindow::showEvent(event);
    if (mainWindow)
        move(mainWindow->pos() + QPoint(width() / 4, 25));
    const bool modelB = toolState().ModelCode == ModelB;
    ui->lbTampaQBK->setEnabled(modelB);
    ui->lbCheque->setEnabled(modelB);
    for (Indicator *led : {ui->LedGaveta, ui->LedPapel, ui->LedPoucoPapel, ui->LedTampaQBK,
                           ui->LedCheque, ui->LedAutent})
        led->setColor(NotRead);
    if (!sensorThread) {
        sensorThread = std::make_unique<ThreadSensores>(printerLink(), this);
        sensorThread->start(QThread::LowPriority);
    }
}

void TfmSensores::hideEvent(QHideEvent *event) {
    stopThread();
    ToolWindow::hideEvent(event);
}

void TfmSensores::closeEvent(QCloseEvent *event) {
    event->ignore(); // only "Sair" closes this window
}

void TfmSensores::ShowSensors(const SensorLights::Sensors &s) {
    const auto colour = [](int value) { return value ? Active : Inactive; };
    ui->LedGaveta->setColor(colour(s.drawer));
    ui->LedPapel->setColor(colour(s.paperEnd));
    ui->LedPoucoPapel->setColor(colour(s.paperLow));
    ui->LedTampaQBK->setColor(colour(s.cover));
    ui->LedCheque->setColor(colour(s.check));
    ui->LedAutent->setColor(colour(s.authentication));
}

void TfmSensores::btGavetaClick() {
    if (sensorThread)
        sensorThread->requestDrawer();
}

void TfmSensores::btSairClick() {
    if (sensorThread)
        sensorThread->terminateAndWait();
    hide();
}

void TfmSensores::stopThread() {
    if (!sensorThread)
        return;
    sensorThread->terminateAndWait();
    sensorThread.reset();
}
