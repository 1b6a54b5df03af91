#pragma once

#include <QList>
#include <QString>

class Link;

// The ports offered in the main window: the platform's serial ports (COM1 to COM8 on Windows,
// the ports the system reports elsewhere) that can be opened now or that exist but the user
// may not use, then the built-in emulated printers.
namespace PortList {

struct Port {
    QString name;
    bool denied = false; // the user may not use it: listed, so the adapter is seen to be there
    bool operator==(const Port &) const = default;
};

QList<Port> available(Link &link);
// The same, from the given candidates instead of the system's ports.
QList<Port> probe(Link &link, const QStringList &candidates);
bool isEmulated(const QString &portName);

// What the user is told when OpenPort gives `openResult` (not 0): the same first line for
// every failure, and for a port the user may not use, the remedy.
QString openFailureText(int openResult);
// The hint shown on a port the user may not use.
QString deniedHint();

} // namespace PortList
