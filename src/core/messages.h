#pragma once

#include <QString>

// The one routine that shows a message to the user. The application installs an
// implementation that runs a message box on the UI thread (blocking a calling worker
// until the user answers); tests install a recorder with scripted answers.

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageStyle { Information, Warning, Error, Question };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct Message {
    QString text;
    QString caption;
    MessageButtons buttons = MessageButtons::Ok;
    MessageStyle style = MessageStyle::Information;
};

class Messages {
public:
    virtual ~Messages() = default;
    virtual MessageAnswer show(const Message &message) = 0;
};

// Installs the implementation used by showMessage(); the caller keeps ownership.
// Passing nullptr restores the default, which answers without showing anything
// (Ok, or No for questions) so that nothing blocks before the UI exists.
void installMessages(Messages *messages);

MessageAnswer showMessage(const QString &text, const QString &caption,
                          MessageButtons buttons = MessageButtons::Ok,
                          MessageStyle style = MessageStyle::Information);
