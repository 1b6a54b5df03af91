#include "fiscal/fechamento.h"

#include "core/global.h"
#include "core/printer_present.h"
#include "fiscal/payment_entry.h"
#include "protocol/command_set.h"
#include "ui_fechamento.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QTextBlock>

TfmFechamento::TfmFechamento(QWidget *fiscalWindow, QWidget *mainWindow)
    : ToolWindow(fiscalWindow, mainWindow, QPoint(10, 25)),
      ui(std::make_unique<Ui::TfmFechamento>()) {
    ui->setupUi(this);
    setFixedSize(size());
    // The printer prints in fixed columns; a fixed-pitch font shows how the lines will look.
    ui->memoMSG->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ui->memoMSG->installEventFilter(this);
    connect(ui->memoMSG, &QPlainTextEdit::textChanged, this, &TfmFechamento::keepMessageLines);
    connect(ui->btProceder, &QPushButton::clicked, this, &TfmFechamento::closeCoupon);
    connect(ui->btLimparVenda, &QPushButton::clicked, ui->memoMSG, &QPlainTextEdit::clear);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
}

TfmFechamento::~TfmFechamento() = default;

bool TfmFechamento::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ui->memoMSG && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
            ui->memoMSG->document()->blockCount() >= PaymentEntry::MessageLines)
            return true; // the message is full: no further line
    }
    return ToolWindow::eventFilter(watched, event);
}

void TfmFechamento::keepMessageLines() {
    QTextDocument *document = ui->memoMSG->document();
    if (document->blockCount() <= PaymentEntry::MessageLines)
        return;
    QTextCursor cursor(document->findBlockByNumber(PaymentEntry::MessageLines - 1));
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void TfmFechamento::closeCoupon() {
    if (printerMissing())
        return;
    CommandSet *commands = commandSetFor(toolState().ModelCode);
    if (!commands)
        return;
    const QByteArray text = PaymentEntry::closingText(ui->memoMSG->toPlainText());
    // Whatever the printer answers (its message is shown), the closing step is over.
    commands->CloseCoupon(text.constData());
    hide();
}
