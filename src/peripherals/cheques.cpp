#include "peripherals/cheques.h"

#include "core/clock.h"
#include "core/file_dialogs.h"
#include "core/global.h"
#include "core/messages.h"
#include "core/printer_present.h"
#include "core/working_folder.h"
#include "link/serial_new.h"
#include "peripherals/cheque_frames.h"
#include "peripherals/thread_cheque.h"
#include "protocol/bank_table.h"
#include "ui_cheques.h"

#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>

#include <cstring>
#include <memory>
#include <utility>

namespace {

// Sends one data frame and waits for its answer, which nobody examines: a printer error there
// shows only as a check that does not print as expected.
void sendData(Link &link, const QByteArray &frame) {
    Link::Exchange exchange(link);
    std::memcpy(link.TxBuffer, frame.constData(), size_t(frame.size()));
    link.SendFrame(link.TxBuffer, int(frame.size()));
    link.WaitResponse(link.RxBuffer, WaitNormal);
}

QString digitsOf(const QString &text) {
    QString digits;
    for (QChar c : text)
        if (c.isDigit())
            digits += c;
    return digits;
}

} // namespace

TfmCheques::TfmCheques(QWidget *mainWindow)
    : ToolWindow(mainWindow, mainWindow, QPoint(10, 45)), ui(std::make_unique<Ui::TfmCheques>()) {
    ui->setupUi(this);
    setFixedSize(size());
    ui->lbMSG->hide();
    ui->meNumBanco->setText(QStringLiteral("001"));
    setAmount(ChequeAmount::zero());
    ui->meValor->installEventFilter(this);
    connect(ui->btOpenArqCheques, &QPushButton::clicked, this, &TfmCheques::btOpenArqChequesClick);
    connect(ui->btProceder, &QPushButton::clicked, this, &TfmCheques::btProcederClick);
    connect(ui->btImprimir, &QPushButton::clicked, this, &TfmCheques::btImprimirClick);
    connect(ui->btSair, &QPushButton::clicked, this, &TfmCheques::btSairClick);
    connect(ui->cbTxtVerso, &QCheckBox::clicked, this, &TfmCheques::cbTxtVersoClick);
    connect(ui->btLimpar, &QPushButton::clicked, ui->memoMSG, &QPlainTextEdit::clear);
    connect(ui->memoMSG, &QPlainTextEdit::textChanged, this, &TfmCheques::memoMSGChange);
    connect(ui->PageControl, &QTabWidget::currentChanged, this, [this] { setToday(); });
}

TfmCheques::~TfmCheques() {
    stopThread();
}

void TfmCheques::setToday() {
    ui->meData->setText(Clock::now().toString(QStringLiteral("ddMMyyyy")));
}

void TfmCheques::setAmount(const QString &twelveDigits) {
    ui->meValor->setText(twelveDigits.left(10) + QLatin1Char(',') + twelveDigits.mid(10));
    ui->meValor->setCursorPosition(int(ui->meValor->text().size()));
}

void TfmCheques::showEvent(QShowEvent *event) {
    ToolWindow::showEvent(event);
    ui->PageControl->setCurrentWidget(ui->tabImpressao);
    setToday();
}

void TfmCheques::hideEvent(QHideEvent *event) {
    stopThread();
    ToolWindow::hideEvent(event);
}

// The title bar's close while printing cancels like "Cancelar" and keeps the window up.
void TfmCheques::closeEvent(QCloseEvent *event) {
    if (thread) {
        thread->requestInterruption();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

// The amount is typed like on a calculator: a digit enters at the right and pushes the others
// left, Esc zeroes it, every other key is ignored (Tab still moves on).
bool TfmCheques::eventFilter(QObject *watched, QEvent *event) {
    if (watched != ui->meValor || event->type() != QEvent::KeyPress)
        return ToolWindow::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
        return false;
    const QString text = key->text();
    if (key->key() == Qt::Key_Escape)
        setAmount(ChequeAmount::zero());
    else if (text.size() == 1 && text[0].isDigit())
        setAmount(ChequeAmount::shiftIn(ChequeAmount::digitsOf(ui->meValor->text()), text[0]));
    return true;
}

void TfmCheques::btOpenArqChequesClick() {
    FileDialogRequest request;
    request.title = QStringLiteral("Tabela de bancos");
    request.folder = WorkingFolder::path();
    request.filter = QStringLiteral("Arquivo de configuração (*.qbk)");
    request.defaultSuffix = QStringLiteral("QBK");
    ui->edArqCheques->setText(askOpenFileName(request));
}

void TfmCheques::btProcederClick() {
    if (printerMissing())
        return;
    QFile file(ui->edArqCheques->text());
    if (ui->edArqCheques->text().isEmpty() || !file.open(QIODevice::ReadOnly)) {
        showMessage(BankTableText::FileMissing, QStringLiteral("Erro"), MessageButtons::Ok,
                    MessageStyle::Error);
        ui->edArqCheques->setFocus();
        return;
    }
    const QByteArray table = file.readAll();
    file.close();
    if (table.isEmpty()) { // nothing to send: the printer would only be waited on
        showMessage(QStringLiteral("O arquivo de cheques está vazio:\r\n%1").arg(file.fileName()),
                    QStringLiteral("Erro"), MessageButtons::Ok, MessageStyle::Error);
        ui->edArqCheques->setFocus();
        return;
    }
    ui->btProceder->setEnabled(false);
    ui->btSair->setEnabled(false);
    const BankTableResult result = loadBankTable(printerLink(), table);
    if (result.accepted())
        showMessage(BankTableText::Loaded, QStringLiteral("Aviso"), MessageButtons::Ok,
                    MessageStyle::Information);
    else
        showMessage(BankTableText::refused(result.code), QStringLiteral("Erro"), MessageButtons::Ok,
                    MessageStyle::Error);
    ui->btProceder->setEnabled(true);
    ui->btSair->setEnabled(true);
}

void TfmCheques::btImprimirClick() {
    if (printerMissing())
        return;
    const ToolState &state = toolState();
    if (thread)
        return;
    Link &link = printerLink();
    const uint32_t model = state.ModelCode;
    sendData(link, ChequeFrames::bank(digitsOf(ui->meNumBanco->text()).rightJustified(3, '0')));
    sendData(link, ChequeFrames::city(model, ui->edCidade->text()));
    sendData(link, ChequeFrames::date(digitsOf(ui->meData->text()).leftJustified(8, '0')));
    sendData(link, ChequeFrames::payee(model, ui->edFavorecido->text()));
    amount = ChequeAmount::digitsOf(ui->meValor->text()).toLatin1();

    ui->btSair->setText(QStringLiteral("Cancelar"));
    ui->btImprimir->setEnabled(false);
    ui->lbMSG->clear();
    ui->lbMSG->show();
    ThreadCheque::View view;
    view.showMessage = [this](const QString &text) {
        ui->lbMSG->setText(text);
        repaint();
    };
    view.backText = [this] {
        return ui->cbTxtVerso->isChecked() ? ui->memoMSG->toPlainText() : QString();
    };
    thread = new ThreadCheque(link, view, ui->rbHorizontal->isChecked(), amount);
    connect(thread, &QThread::finished, this, &TfmCheques::threadEnded, Qt::QueuedConnection);
    thread->start(QThread::LowPriority);
}

void TfmCheques::threadEnded() {
    if (!thread)
        return;
    // `finished` comes from the thread just before it ends; its last step is a moment away.
    thread->wait();
    delete std::exchange(thread, nullptr);
    showIdle();
}

void TfmCheques::showIdle() {
    ui->btImprimir->setEnabled(true);
    ui->lbMSG->hide();
    ui->btSair->setText(QStringLiteral(" Sair"));
}

// The wait for the thread serves queued events, `finished` among them: the window lets go of
// the thread first, so that threadEnded() cannot delete it while the wait is still using it.
void TfmCheques::stopThread() {
    if (!thread)
        return;
    const std::unique_ptr<ThreadCheque> stopping(std::exchange(thread, nullptr));
    stopping->terminateAndWait();
    showIdle();
}

void TfmCheques::btSairClick() {
    if (thread)
        thread->requestInterruption();
    else
        hide();
}

void TfmCheques::cbTxtVersoClick() {
    const bool on = ui->cbTxtVerso->isChecked();
    ui->memoMSG->setEnabled(on);
    ui->btLimpar->setEnabled(on);
}

// At most five lines carry text: a sixth line is blanked at once; 120 characters at most.
void TfmCheques::memoMSGChange() {
    const QString text = ui->memoMSG->toPlainText();
    const QString limited = ChequeBackText::limited(text);
    if (limited == text)
        return;
    const QSignalBlocker block(ui->memoMSG);
    ui->memoMSG->setPlainText(limited);
    QTextCursor cursor = ui->memoMSG->textCursor();
    cursor.movePosition(QTextCursor::End);
    ui->memoMSG->setTextCursor(cursor);
}
