#include "core/messages.h"

#include <atomic>

namespace {

class SilentMessages : public Messages {
public:
    MessageAnswer show(const Message &message) override {
        switch (message.buttons) {
        case MessageButtons::Ok:
            return MessageAnswer::Ok;
        case MessageButtons::OkCancel:
            return MessageAnswer::Cancel;
        case MessageButtons::YesNo:
        case MessageButtons::YesNoCancel:
            return MessageAnswer::No;
        }
        return MessageAnswer::Ok;
    }
};

SilentMessages silentMessages;
std::atomic<Messages *> installed{&silentMessages};

} // namespace

void installMessages(Messages *messages) {
    installed.store(messages ? messages : &silentMessages);
}

MessageAnswer showMessage(const QString &text, const QString &caption, MessageButtons buttons,
                          MessageStyle style) {
    return installed.load()->show(Message{text, caption, buttons, style});
}
