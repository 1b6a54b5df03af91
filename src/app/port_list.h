#pragma once

#include <QStringList>

class Link;

// The ports offered in the main window: the platform's serial ports that can be opened now
// (COM1 to COM8 on Windows, the ports the system reports elsewhere), then the built-in
// emulated printers.
namespace PortList {
QStringList available(Link &link);
bool isEmulated(const QString &portName);
} // namespace PortList
