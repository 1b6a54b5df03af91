#pragma once

#include "core/file_dialogs.h"

#include <QList>
#include <QStringList>

// Test double for the file dialogs: answers from a script of file names (an empty name, or
// an empty script, cancels) and records every request.
class ScriptedFileDialogs : public FileDialogs {
public:
    ScriptedFileDialogs() { installFileDialogs(this); }
    ~ScriptedFileDialogs() override { installFileDialogs(nullptr); }

    QString openFileName(const FileDialogRequest &request) override { return next(request); }
    QString saveFileName(const FileDialogRequest &request) override { return next(request); }

    void answer(const QString &fileName) { script << fileName; }
    QList<FileDialogRequest> requests;

private:
    QString next(const FileDialogRequest &request) {
        requests << request;
        return script.isEmpty() ? QString() : script.takeFirst();
    }
    QStringList script;
};
