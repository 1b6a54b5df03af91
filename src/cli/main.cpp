// ecf: the printer from a terminal. The same flows as the tool's windows, without a display.
#include "cli/cli_main.h"
#include "core/named_event.h"

#include <QCoreApplication>

int main(int argc, char **argv) {
    SerialEvent().set();
    ConfiguracaoEvent().set();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ecf"));
    return Cli::main(QCoreApplication::arguments().mid(1), QCoreApplication::applicationFilePath(),
                     stdout, stderr);
}
