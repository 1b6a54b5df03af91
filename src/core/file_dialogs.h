#pragma once

#include <QString>

// The open and save dialogs the windows share. The application installs dialogs on screen;
// tests install a script of file names. An empty name means the user cancelled.
struct FileDialogRequest {
    QString title;         // "Configurações"
    QString folder;        // where the dialog starts
    QString filter;        // "Arquivo de configuração (*.c2k)"
    QString defaultSuffix; // "c2k"
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual QString openFileName(const FileDialogRequest &request) = 0;
    virtual QString saveFileName(const FileDialogRequest &request) = 0;
};

// Installs the dialogs used by the functions below; the caller keeps ownership. nullptr
// restores the default, which cancels every dialog.
void installFileDialogs(FileDialogs *dialogs);

QString askOpenFileName(const FileDialogRequest &request);
QString askSaveFileName(const FileDialogRequest &request);
