#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The command line of `ecf`: a sub-command, its arguments and the options every sub-command
// shares. Nothing here touches a printer.
namespace Cli {

// What the program's exit status says.
enum Exit : int {
    Done = 0,      // the work is done
    Failed = 1,    // the printer refused or failed
    BadUsage = 2,  // a wrong command line or a file that cannot be used
    NoPrinter = 3, // the port cannot be opened or no printer answers on it
};

struct Options {
    QString command;
    QStringList ports;
    uint32_t model = 0; // 0: the printer's own answer tells
    bool json = false;
    bool quiet = false;
    bool yes = false;
    QString output; // -o
    QString file;   // the sub-command's file argument
    QString ecf;    // send-data --ecf: four digits, empty: the file's
    bool noHeader = false;
    bool daylightSaving = false;
    QString bankTable; // send-data --bank-table
    bool setClock = false;
    bool byDate = false; // fiscal-memory: --dates instead of --crz
    QString from, to;    // the period's ends: ddmmyyyy or reduction counters
    bool full = false;
    int times = 1;
};

struct Parsed {
    Options options;
    bool help = false; // `text` is the help to print on stdout
    QString text;      // the help, or why the command line is wrong
    bool ok() const { return text.isEmpty(); }
};

// Parses the arguments (without the program name). A wrong command line gives `text` and no
// help; `--help` (alone, or after a sub-command) gives the help of the whole program or of
// the sub-command.
Parsed parse(const QStringList &arguments);

// The arguments of the same command for one port of several: every --port but `port` left
// out, and --json added (the results are gathered as JSON).
QStringList argumentsForPort(const QStringList &arguments, const QString &port);

} // namespace Cli
