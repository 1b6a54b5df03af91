#include "widgets/qt_messages.h"

#include "core/worker_thread.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace {

MessageAnswer showOnUiThread(const Message &message) {
    QMessageBox box;
    box.setText(message.text);
    box.setWindowTitle(message.caption);
    switch (message.style) {
    case MessageStyle::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageStyle::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageStyle::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageStyle::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (message.buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel); // the question guards against losing work
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::No);
        break;
    }
    if (box.button(QMessageBox::Yes))
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Sim"));
    if (box.button(QMessageBox::No))
        box.button(QMessageBox::No)->setText(QStringLiteral("Não"));
    if (box.button(QMessageBox::Cancel))
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Cancelar"));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    default:
        return message.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
}

} // namespace

MessageAnswer QtMessages::show(const Message &message) {
    MessageAnswer answer = MessageAnswer::Ok;
    runOnUiThread([&] { answer = showOnUiThread(message); });
    return answer;
}
