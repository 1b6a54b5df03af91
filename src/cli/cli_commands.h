#pragma once

#include "cli/cli_options.h"

#include <QJsonObject>

#include <cstdio>

// One sub-command on one printer: the port opened, the printer identified (its model given
// or asked for), the command run through the same flow code as its window, the port closed.
namespace Cli {

// The result as a JSON object: "port", "command", "exit" (an Exit), the printer's identity once
// known ("model", "serial", "firmware", "ecf"), what the command found, and "messages" (every
// message shown, in order). Messages and progress go to `err` as they come.
QJsonObject runOnPort(const Options &options, const QString &port, FILE *err);

// The result for a person: one "label: value" line each (status lights "[x] name").
QString describe(const QJsonObject &result);

} // namespace Cli
