#include "widgets/qt_file_dialogs.h"

#include <QApplication>
#include <QFileDialog>

namespace {
QString run(const FileDialogRequest &request, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(QApplication::activeWindow(), request.title, request.folder, request.filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
} // namespace

QString QtFileDialogs::openFileName(const FileDialogRequest &request) {
    return run(request, QFileDialog::AcceptOpen);
}

QString QtFileDialogs::saveFileName(const FileDialogRequest &request) {
    return run(request, QFileDialog::AcceptSave);
}
