#include "fiscal/amount_edit.h"

#include "fiscal/digit_entry.h"

#include <QKeyEvent>

AmountEdit::AmountEdit(QWidget *parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Typing goes through keyPressEvent only; no context menu pastes text around it.
    setContextMenuPolicy(Qt::NoContextMenu);
    zero();
}

void AmountEdit::setMask(const QString &mask) {
    digitMask = mask;
    zero();
}

void AmountEdit::setDigits(const QString &digits) {
    const int count = DigitEntry::digitCount(digitMask);
    QString kept;
    for (QChar c : digits)
        if (c.isDigit() && c.unicode() < 128)
            kept += c;
    value = kept.right(count).rightJustified(count, QLatin1Char('0'));
    refresh();
}

void AmountEdit::zero() {
    value = DigitEntry::zeroText(digitMask);
    refresh();
}

bool AmountEdit::isZero() const {
    return value == DigitEntry::zeroText(digitMask);
}

void AmountEdit::keyPressEvent(QKeyEvent *event) {
    const QString typed = event->text();
    if (isReadOnly()) {
        QLineEdit::keyPressEvent(event); // selecting and copying only
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        zero();
    } else if (typed.size() == 1 && typed[0] >= QLatin1Char('0') && typed[0] <= QLatin1Char('9')) {
        value = DigitEntry::shiftIn(value, typed[0]);
        refresh();
    } else if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        QLineEdit::keyPressEvent(event); // moving between fields still works
        return;
    }
    event->accept();
}

void AmountEdit::refresh() {
    setText(DigitEntry::display(digitMask, value));
    setCursorPosition(text().size());
}
