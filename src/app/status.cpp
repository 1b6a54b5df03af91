#include "app/status.h"

#include "app/status_lights.h"
#include "core/global.h"
#include "protocol/command_set.h"
#include "ui_status.h"
#include "widgets/indicator.h"

namespace {
const QColor Absent(255, 255, 255);
const QColor Present(0, 255, 255);
} // namespace

TfmStatus::TfmStatus(QWidget *mainWindow)
    : ToolWindow(mainWindow, mainWindow, QPoint(10, 30)), ui(std::make_unique<Ui::TfmStatus>()) {
    ui->setupUi(this);
    setFixedSize(size());
    leds = {ui->Led01, ui->Led02, ui->Led03, ui->Led04, ui->Led05, ui->Led06, ui->Led07, ui->Led08,
            ui->Led09, ui->Led10, ui->Led11, ui->Led12, ui->Led13, ui->Led14, ui->Led15};
    for (Indicator *led : leds)
        led->setColor(QColor(192, 192, 192));
    connect(ui->btLerImpr, &QPushButton::clicked, this, &TfmStatus::read);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
}

TfmStatus::~TfmStatus() = default;

Indicator *TfmStatus::light(int number) const {
    return leds.value(number - 1);
}

void TfmStatus::showEvent(QShowEvent *event) {
    ToolWindow::showEvent(event);
    const ToolState &state = toolState();
    const bool modelA = state.ModelCode == ModelA;
    ui->lbFalhaMecanica->setEnabled(modelA);
    ui->lbRGAberto->setEnabled(modelA);
    ui->lbCFAberto->setEnabled(modelA);
    ui->lbRZPendente->setEnabled(
        StatusLights::reductionPendingKnown(state.ModelCode, state.FirmwareVersionNumber));
    QMetaObject::invokeMethod(this, &TfmStatus::read, Qt::QueuedConnection);
}

void TfmStatus::read() {
    for (int i = 0; i < 14; ++i)
        leds[i]->setColor(Absent);
    const ToolState &state = toolState();
    CommandSet *commands = commandSetFor(state.ModelCode);
    StatusRecord status;
    if (!commands || !commands->ReadStatus(status))
        return;
    const StatusLights::Lights lit =
        StatusLights::decode(state.ModelCode, state.FirmwareVersionNumber, status);
    for (int i = 0; i < 14; ++i)
        leds[i]->setColor(lit[i] ? Present : Absent);
    if (lit[14]) // the hidden light only ever turns on
        leds[14]->setColor(Present);
}
