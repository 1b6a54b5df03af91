#include "support/recording_messages.h"

RecordingMessages::RecordingMessages() {
    installMessages(this);
}

RecordingMessages::~RecordingMessages() {
    installMessages(nullptr);
}

MessageAnswer RecordingMessages::show(const Message &message) {
    std::lock_guard lock(mutex);
    log.append(message);
    if (!script.empty()) {
        MessageAnswer answer = script.front();
        script.pop_front();
        return answer;
    }
    switch (message.buttons) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel:
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::No;
    }
    return MessageAnswer::Ok;
}

void RecordingMessages::scriptAnswer(MessageAnswer answer) {
    std::lock_guard lock(mutex);
    script.push_back(answer);
}

QList<Message> RecordingMessages::shown() const {
    std::lock_guard lock(mutex);
    return log;
}

QStringList RecordingMessages::texts() const {
    std::lock_guard lock(mutex);
    QStringList result;
    for (const Message &m : log)
        result << m.text;
    return result;
}

int RecordingMessages::count() const {
    std::lock_guard lock(mutex);
    return int(log.size());
}

void RecordingMessages::clear() {
    std::lock_guard lock(mutex);
    log.clear();
    script.clear();
}
