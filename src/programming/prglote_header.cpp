// Edit Data's header page: the memo that holds the receipt header ("Clichê") in a fixed-pitch
// font under a column ruler, never longer than the printer takes, and the buttons that insert
// the print-format tags.

#include "core/messages.h"
#include "programming/prglote.h"
#include "programming/table_records.h"
#include "ui_prglote.h"

#include <QApplication>

// The header editor: a fixed-pitch font, no wrapping, and a column ruler that lines up with
// the text.
void TfmPrgLote::prepareHeaderEditor() {
    QFont fixed(QStringLiteral("Courier New"), 10);
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    ui->MemoCliche->setFont(fixed);
    ui->MemoCliche->setLineWrapMode(QPlainTextEdit::NoWrap);
    ui->MemoCliche->setWordWrapMode(QTextOption::NoWrap);
    ui->MemoCliche->clear();
    ui->lbRegua->setFont(fixed);
    ui->lbRegua->setText(headerRulerText());
    ui->lbRegua->setContentsMargins(0, 0, 0, 0);
    ui->lbRegua->setIndent(0);
    ui->lbRegua->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    const int textLeft = ui->MemoCliche->x() + ui->MemoCliche->frameWidth() +
                         int(ui->MemoCliche->document()->documentMargin());
    ui->lbRegua->move(textLeft, ui->lbRegua->y());
    ui->btTagI->hide();
    connect(ui->MemoCliche, &QPlainTextEdit::textChanged, this, &TfmPrgLote::boundHeaderMemo);
}

void TfmPrgLote::showHeader(const QByteArray &header) {
    const QString text = memoTextFromHeader(header);
    boundingMemo = true;
    ui->MemoCliche->setPlainText(text);
    boundingMemo = false;
    lastMemoText = text;
}

QByteArray TfmPrgLote::headerText() const {
    return headerFromMemoText(ui->MemoCliche->toPlainText());
}

// The memo holds no more than the printer takes: an edit that would pass the limit is undone.
void TfmPrgLote::boundHeaderMemo() {
    if (boundingMemo)
        return;
    const QString text = ui->MemoCliche->toPlainText();
    if (!headerExceeds(headerFromMemoText(text), HeaderLimit::Sent)) {
        lastMemoText = text;
        return;
    }
    const int added = int(text.size() - lastMemoText.size());
    const int position = ui->MemoCliche->textCursor().position() - qMax(0, added);
    boundingMemo = true;
    ui->MemoCliche->setPlainText(lastMemoText);
    QTextCursor cursor = ui->MemoCliche->textCursor();
    cursor.setPosition(qBound(0, position, int(lastMemoText.size())));
    ui->MemoCliche->setTextCursor(cursor);
    boundingMemo = false;
    if (added > 1)
        showMessage(QStringLiteral("O Clichê aceita no máximo %1 caracteres (cada quebra de "
                                   "linha conta dois).\r\nO texto inserido não cabe e não foi "
                                   "incluído.")
                        .arg(HeaderLimit::Sent),
                    QStringLiteral("Aviso"), MessageButtons::Ok, MessageStyle::Warning);
    else
        QApplication::beep();
}

void TfmPrgLote::insertTag(QAbstractButton *button, const QByteArray &open,
                           const QByteArray &close) {
    // A toggle button is already down when it reports a click that opened its tag.
    const bool opening = !button->isCheckable() || button->isChecked();
    const QString tag = QString::fromLatin1(opening ? open : close);
    const QString before = ui->MemoCliche->toPlainText();
    ui->MemoCliche->insertPlainText(tag);
    if (ui->MemoCliche->toPlainText() == before && button->isCheckable())
        button->setChecked(!button->isChecked()); // the tag did not fit: the state stays
    ui->MemoCliche->setFocus();
}
