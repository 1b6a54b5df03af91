#pragma once

// A window of the tool on its own, as the programming and maintenance tests drive it: a working
// folder, recorded messages, scripted file dialogs, the main window it belongs to, and the
// emulated printers as from the factory.
#include "app/main_window.h"
#include "protocol/command_set.h"
#include "support/programming_maintenance_tables.h"
#include "support/recording_messages.h"
#include "support/scripted_file_dialogs.h"
#include "support/window_driver.h"

#include <QTemporaryDir>

#include <memory>

namespace fixture {

class WindowSession {
public:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ScriptedFileDialogs> dialogs;
    std::unique_ptr<TfmMain> main;
    std::unique_ptr<QWidget> window;
    WindowDriver ui;

    // Called by the test's init(); `folders` are made in the working folder.
    void begin(const QStringList &folders = {}, double clockScale = 0.01) {
        freshPrinters(clockScale);
        invalidateConfigurationCache(); // the other model's block may be cached
        dir = std::make_unique<QTemporaryDir>();
        for (const QString &folder : folders)
            QDir(dir->path()).mkpath(folder);
        messages = std::make_unique<RecordingMessages>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
    }
    // Called by cleanup().
    void end() {
        window.reset();
        main.reset();
        disconnectPrinter();
        dialogs.reset(); // before the next test's are installed
        messages.reset();
    }
    // The printer of `model` identified (serial 12345678) and present.
    bool usePrinter(uint model, const QByteArray &firmware, bool maintenanceJumper = true) {
        printer(model)->setMaintenanceJumper(maintenanceJumper);
        return identifyPrinter(model, "12345678", firmware);
    }
    // The window of class W made and shown beside its main window.
    template <class W> W *open() {
        window.reset();
        main = std::make_unique<TfmMain>(dir->path());
        W *made = new W(main.get());
        window.reset(made);
        ui.drive(made);
        return ui.show() ? made : nullptr;
    }
    QString path(const QString &name) const { return dir->filePath(name); }
    QStringList captions() const {
        QStringList all;
        for (const Message &m : messages->shown())
            all << m.caption;
        return all;
    }
};

} // namespace fixture
