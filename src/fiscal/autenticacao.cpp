#include "fiscal/autenticacao.h"

#include "core/global.h"
#include "core/printer_present.h"
#include "fiscal/thread_autenticacao.h"
#include "fiscal/voucher_entry.h"
#include "protocol/command_set.h"
#include "ui_autenticacao.h"

#include <QCloseEvent>
#include <QLayout>

TfmAutenticacao::TfmAutenticacao(QWidget *fiscalWindow, QWidget *mainWindow)
    : ToolWindow(fiscalWindow, mainWindow, QPoint(0, 0)),
      ui(std::make_unique<Ui::TfmAutenticacao>()) {
    ui->setupUi(this);
    setFixedSize(size());
    abortRepeat.setInterval(100);
    connect(&abortRepeat, &QTimer::timeout, this, [this] {
        if (worker)
            worker->abort();
    });
    connect(ui->btEnviar, &QPushButton::clicked, this, &TfmAutenticacao::btEnviarClick);
    connect(ui->btSair, &QPushButton::clicked, this, &TfmAutenticacao::btSairClick);
}

// Hidden first, so that a running authentication ends and the fiscal window is given back as
// on any other way out.
TfmAutenticacao::~TfmAutenticacao() {
    hide();
    stopThread();
}

void TfmAutenticacao::showEvent(QShowEvent *event) {
    const uint32_t model = toolState().ModelCode;
    // Model B stamps 18 characters on either side of the paper; model A 13, on its one side.
    ui->edTextoAut->setMaxLength(VoucherEntry::authenticationLength(model));
    const bool sides = model != ModelA;
    ui->rbRight->setVisible(sides);
    ui->rbLeft->setVisible(sides);
    ui->rbRight->setChecked(true);
    // Without the side buttons the window is shorter.
    layout()->activate();
    setFixedSize(width(), layout()->sizeHint().height());
    ToolWindow::showEvent(event);
}

// The window cannot go while the printer waits for paper: the authentication is cancelled
// and the thread has ended before it is hidden.
void TfmAutenticacao::hideEvent(QHideEvent *event) {
    stopThread();
    ToolWindow::hideEvent(event);
}

void TfmAutenticacao::closeEvent(QCloseEvent *event) {
    stopThread();
    ToolWindow::closeEvent(event);
}

// No test for an identified printer: without one the wait never sees an answer and the user
// ends it with "Cancelar".
void TfmAutenticacao::btEnviarClick() {
    if (worker)
        return;
    const uint32_t model = toolState().ModelCode;
    CommandSet *commands = commandSetFor(model);
    if (!commands) {
        printerMissing(); // no model chosen: there is nothing to send it with
        return;
    }
    const QByteArray text = VoucherEntry::authenticationText(model, ui->edTextoAut->text());
    const int mode =
        model == ModelB ? VoucherEntry::authenticationMode(ui->rbLeft->isChecked()) : 0;

    ui->btSair->setText(QStringLiteral("Cancelar"));
    ui->btEnviar->setEnabled(false);
    worker = new ThreadAutenticacao(*commands, text, mode);
    // The end is handled on this window's thread.
    connect(worker, &QThread::finished, this, &TfmAutenticacao::threadEnded, Qt::QueuedConnection);
    worker->start(QThread::LowPriority);
}

void TfmAutenticacao::btSairClick() {
    if (worker) {
        worker->abort();
        abortRepeat.start();
    } else {
        hide();
    }
}

void TfmAutenticacao::threadEnded() {
    // The finished signal may overtake the thread's own bookkeeping: its run is over once
    // ended() says so, and the wait for the rest is short.
    if (!worker || !worker->ended())
        return;
    abortRepeat.stop();
    worker->wait();
    delete worker;
    worker = nullptr;
    restoreButtons();
}

void TfmAutenticacao::stopThread() {
    if (!worker)
        return;
    // Taken out first: the wait below serves queued events, among them the thread's end.
    std::unique_ptr<ThreadAutenticacao> ending(worker);
    worker = nullptr;
    abortRepeat.stop();
    ending->abortAndWait();
    ending.reset();
    restoreButtons();
}

void TfmAutenticacao::restoreButtons() {
    ui->btEnviar->setEnabled(true);
    ui->btSair->setText(QStringLiteral(" Sair"));
}
