#pragma once

#include "core/messages.h"

#include <QList>

#include <deque>
#include <mutex>

// Test double for Messages: records every message shown and answers from a script
// (when the script is empty: Ok, or No for questions, like a user pressing the default).
class RecordingMessages : public Messages {
public:
    RecordingMessages();           // installs itself
    ~RecordingMessages() override; // restores the default

    MessageAnswer show(const Message &message) override;

    void scriptAnswer(MessageAnswer answer);
    QList<Message> shown() const;
    QStringList texts() const;
    int count() const;
    void clear();

private:
    mutable std::mutex mutex;
    QList<Message> log;
    std::deque<MessageAnswer> script;
};
