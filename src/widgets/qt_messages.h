#pragma once

#include "core/messages.h"

// Shows messages in a QMessageBox on the UI thread. A worker thread that shows a message
// waits until the user has answered.
class QtMessages : public Messages {
public:
    MessageAnswer show(const Message &message) override;
};
