#pragma once

#include "core/file_dialogs.h"

// The standard open and save dialogs.
class QtFileDialogs : public FileDialogs {
public:
    QString openFileName(const FileDialogRequest &request) override;
    QString saveFileName(const FileDialogRequest &request) override;
};
