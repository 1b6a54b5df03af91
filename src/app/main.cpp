#include "app/command_line.h"
#include "app/tool_windows.h"
#include "core/named_event.h"
#include "core/working_folder.h"
#include "widgets/indicator.h"
#include "widgets/qt_file_dialogs.h"
#include "widgets/qt_messages.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>

namespace {

QStringList argumentsOf(int argc, char **argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Prints --help or --version, or refuses an option; nothing when the tool is to run.
bool answered(const ToolCommandLine &line, int &exitCode) {
    if (line.action == ToolCommandLine::Action::Run)
        return false;
    const bool print = line.action == ToolCommandLine::Action::Print;
    std::fputs(line.text.toLocal8Bit().constData(), print ? stdout : stderr);
    exitCode = print ? 0 : 2;
    return true;
}

// --identify: once the light turns green, the status bar (serial number, firmware, ECF number)
// goes to stdout and the run ends with 0; a printer not identified within a minute ends it
// with 1.
void reportIdentification(TfmMain &main) {
    auto *poll = new QTimer(&main);
    QElapsedTimer since;
    since.start();
    QObject::connect(poll, &QTimer::timeout, &main, [&main, since] {
        const QString status = main.statusBarText();
        const bool identified = main.presenceIndicator()->color() == QColor(0, 128, 0) &&
                                !status.contains(QLatin1Char('?'));
        if (!identified && since.elapsed() < 60000)
            return;
        std::fprintf(identified ? stdout : stderr, "%s:%s\n",
                     identified ? "Impressora identificada" : "Impressora não identificada",
                     status.toLocal8Bit().constData());
        std::fflush(nullptr);
        QCoreApplication::exit(identified ? 0 : 1);
    });
    poll->start(100);
}

} // namespace

int main(int argc, char **argv) {
    // --help and --version answer without a display.
    int exitCode = 0;
    if (answered(ToolCommandLine::parse(argumentsOf(argc, argv), QStringLiteral(TOOL_VERSION)),
                 exitCode))
        return exitCode;

    // The two process-wide events exist, set, before any window.
    SerialEvent().set();
    ConfiguracaoEvent().set();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tool_210_4700"));
    QApplication::setApplicationVersion(QStringLiteral(TOOL_VERSION));
    // What QApplication leaves once it has taken its own options (-platform, -display).
    const ToolCommandLine line =
        ToolCommandLine::parse(QCoreApplication::arguments(), QStringLiteral(TOOL_VERSION));
    if (answered(line, exitCode))
        return exitCode;
    const QString folder =
        WorkingFolder::choose(line.folder, QDir::currentPath(),
                              QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    QDir::setCurrent(folder); // nothing the tool writes lands anywhere else

    QtMessages messages;
    installMessages(&messages);
    QtFileDialogs dialogs;
    installFileDialogs(&dialogs);

    int result = 0;
    {
        ToolWindows windows(folder);
        windows.start();
        if (line.identify)
            reportIdentification(windows.main);
        result = QApplication::exec();
    }
    installFileDialogs(nullptr);
    installMessages(nullptr);
    return result;
}
