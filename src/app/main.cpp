#include "app/tool_windows.h"
#include "core/named_event.h"
#include "widgets/qt_file_dialogs.h"
#include "widgets/qt_messages.h"

#include <QApplication>

int main(int argc, char **argv) {
    // The two process-wide events exist, set, before any window.
    SerialEvent().set();
    ConfiguracaoEvent().set();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tool_210_4700"));
    QtMessages messages;
    installMessages(&messages);
    QtFileDialogs dialogs;
    installFileDialogs(&dialogs);

    int result = 0;
    {
        ToolWindows windows;
        windows.start();
        result = QApplication::exec();
    }
    installFileDialogs(nullptr);
    installMessages(nullptr);
    return result;
}
