#pragma once

// Drives a window the way a user does: finds its controls by name, types, presses, checks and
// picks, and reads what they show. With the recording messages (recording_messages.h) and the
// emulated printers' received frames (emulated_printer.h), a window test reads as the steps a
// user takes and what the user and the printer then see.
#include "support/emulated_printer.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>
#include <QWidget>

class WindowDriver {
public:
    explicit WindowDriver(QWidget *window = nullptr) : window(window) {}
    void drive(QWidget *other) { window = other; }
    QWidget *widget() const { return window; }

    // The control named `name` (fatal when the window has none of that type).
    template <class T = QWidget> T *find(const char *name) const {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("%s has no control %s", qPrintable(window->objectName()), name);
        return found;
    }

    // Shows the window and waits until it is on screen.
    bool show() {
        window->show();
        return QTest::qWaitForWindowExposed(window);
    }
    void press(const char *button) {
        QTest::mouseClick(find<QAbstractButton>(button), Qt::LeftButton);
    }
    // A check box or radio button set as a click sets it.
    void check(const char *box, bool on = true) {
        QAbstractButton *button = find<QAbstractButton>(box);
        if (button->isChecked() != on)
            button->click();
    }
    // Types `keys` into the control one key at a time ('\x1b' is Esc, '\r' is Enter).
    void type(const char *name, const QString &keys) {
        QWidget *target = find(name);
        for (QChar c : keys) {
            if (c == QChar(0x1b))
                QTest::keyClick(target, Qt::Key_Escape);
            else if (c == QLatin1Char('\r'))
                QTest::keyClick(target, Qt::Key_Return);
            else
                QTest::keyClicks(target, QString(c));
        }
    }
    // Replaces a field's text as a paste would.
    void setText(const char *name, const QString &text) {
        if (auto *line = window->findChild<QLineEdit *>(QLatin1String(name)))
            line->setText(text);
        else
            find<QPlainTextEdit>(name)->setPlainText(text);
    }
    // Picks the item of a combo box by its text (false when there is none).
    bool pick(const char *combo, const QString &item) {
        QComboBox *box = find<QComboBox>(combo);
        const int index = box->findText(item);
        if (index < 0)
            return false;
        box->setCurrentIndex(index);
        emit box->activated(index);
        return true;
    }

    // What a control shows: a field's or label's text, a combo box's current text, a memo's.
    QString text(const char *name) const {
        QWidget *control = find(name);
        if (auto *line = qobject_cast<QLineEdit *>(control))
            return line->text();
        if (auto *label = qobject_cast<QLabel *>(control))
            return label->text();
        if (auto *box = qobject_cast<QComboBox *>(control))
            return box->currentText();
        if (auto *plain = qobject_cast<QPlainTextEdit *>(control))
            return plain->toPlainText();
        if (auto *rich = qobject_cast<QTextEdit *>(control))
            return rich->toPlainText();
        if (auto *button = qobject_cast<QAbstractButton *>(control))
            return button->text();
        qFatal("%s shows no text", name);
    }
    bool enabled(const char *name) const { return find(name)->isEnabled(); }
    bool visible(const char *name) const { return find(name)->isVisible(); }
    bool checked(const char *name) const { return find<QAbstractButton>(name)->isChecked(); }

private:
    QWidget *window;
};

namespace fixture {

// The frames the printer of `model` received since the last call (or since it was connected).
inline QList<QByteArray> takeFrames(uint model) {
    const QList<QByteArray> frames = printer(model)->receivedFrames();
    printer(model)->clearReceivedFrames();
    return frames;
}

} // namespace fixture
