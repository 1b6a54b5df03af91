#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

namespace Cli {

// The whole program: parses `arguments` (without the program name), runs the command on each
// port and prints the results on `out` (JSON with --json: an object for one port, an array for
// several), messages and progress on `err`. Several ports run at once, each in a child process
// of `program` (the link and the tool state belong to a process), one --port each; their
// results are gathered in the order of the ports. Returns the exit status: for several ports,
// the highest of theirs.
int main(const QStringList &arguments, const QString &program, FILE *out, FILE *err);

} // namespace Cli
