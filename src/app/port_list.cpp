#include "app/port_list.h"

#include "link/emulator_transport.h"
#include "link/serial_new.h"

#include <QSerialPortInfo>

namespace PortList {

QStringList available(Link &link) {
    QStringList candidates;
#if defined(Q_OS_WIN)
    for (int n = 1; n <= 8; ++n)
        candidates << QStringLiteral("COM%1").arg(n);
#else
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        candidates << info.systemLocation();
#endif
    QStringList ports;
    for (const QString &name : candidates) {
        if (link.OpenPort(name, 9600, true) == 0)
            ports << name;
    }
    return ports + EmulatedPorts::names();
}

bool isEmulated(const QString &portName) {
    return EmulatedPorts::names().contains(portName);
}

} // namespace PortList
