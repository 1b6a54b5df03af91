#pragma once

#include <QString>
#include <QStringList>

// The tool's command line: --help, --version, --folder DIR and --identify.
struct ToolCommandLine {
    enum class Action {
        Run,    // start the tool
        Print,  // print `text` on stdout and exit 0 (--help, --version)
        Refuse, // print `text` on stderr and exit 2 (an option the tool does not know)
    };
    Action action = Action::Run;
    QString text;
    QString folder;        // --folder: the working folder (empty: chosen at start-up)
    bool identify = false; // --identify: report the identification on stdout and exit

    // `arguments` with the program's name first. Options Qt takes for itself (-platform,
    // -display) are refused here: parse what QApplication leaves.
    static ToolCommandLine parse(const QStringList &arguments, const QString &version);
};
