#include "app/port_list.h"

#include "link/emulator_transport.h"
#include "link/serial_new.h"

#include <QSerialPortInfo>

namespace PortList {

QList<Port> available(Link &link) {
    QStringList candidates;
#if defined(Q_OS_WIN)
    for (int n = 1; n <= 8; ++n)
        candidates << QStringLiteral("COM%1").arg(n);
#else
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        candidates << info.systemLocation();
#endif
    QList<Port> ports = probe(link, candidates);
    for (const QString &name : EmulatedPorts::names())
        ports.append({name, false});
    return ports;
}

QList<Port> probe(Link &link, const QStringList &candidates) {
    QList<Port> ports;
    for (const QString &name : candidates) {
        const int result = link.OpenPort(name, 9600, true);
        if (result == 0 || result == Link::PortDenied)
            ports.append({name, result == Link::PortDenied});
    }
    return ports;
}

bool isEmulated(const QString &portName) {
    return EmulatedPorts::names().contains(portName);
}

QString openFailureText(int openResult) {
    QString text = QStringLiteral("Erro ao abrir porta de comunicacao!\r\n");
    if (openResult == Link::PortDenied)
        text += QStringLiteral("Sem permissão para usar a porta. Adicione o usuário ao grupo "
                               "dialout (sudo usermod -a -G dialout $USER) e entre novamente "
                               "na sessão.\r\n");
    return text;
}

QString deniedHint() {
    return QStringLiteral("Sem permissão: adicione o usuário ao grupo dialout e entre "
                          "novamente na sessão.");
}

} // namespace PortList
