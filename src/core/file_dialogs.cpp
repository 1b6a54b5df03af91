#include "core/file_dialogs.h"

#include <atomic>

namespace {
class CancellingDialogs : public FileDialogs {
public:
    QString openFileName(const FileDialogRequest &) override { return {}; }
    QString saveFileName(const FileDialogRequest &) override { return {}; }
};
CancellingDialogs cancelling;
std::atomic<FileDialogs *> installed{&cancelling};
} // namespace

void installFileDialogs(FileDialogs *dialogs) {
    installed = dialogs ? dialogs : &cancelling;
}

QString askOpenFileName(const FileDialogRequest &request) {
    return installed.load()->openFileName(request);
}

QString askSaveFileName(const FileDialogRequest &request) {
    return installed.load()->saveFileName(request);
}
