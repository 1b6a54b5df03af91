#include "app/command_line.h"

#include <QCommandLineParser>

ToolCommandLine ToolCommandLine::parse(const QStringList &arguments, const QString &version) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Ferramenta de serviço das impressoras fiscais MV210 e MV4700."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Mostra esta ajuda e sai."));
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Mostra a versão e sai."));
    const QCommandLineOption folder(
        QStringLiteral("folder"),
        QStringLiteral("Pasta de trabalho (Tool.cfg, c2k, usr, b2k). Sem ela: a pasta atual se "
                       "tiver um Tool.cfg, senão a pasta ferramenta-ecf em Documentos."),
        QStringLiteral("pasta"));
    const QCommandLineOption identify(
        QStringLiteral("identify"),
        QStringLiteral("Identifica a impressora da porta salva no Tool.cfg, escreve o "
                       "resultado e sai (0: identificada, 1: não identificada)."));
    parser.addOptions({help, versionOption, folder, identify});

    ToolCommandLine line;
    const QString name = QStringLiteral("ferramenta-ecf");
    if (!parser.parse(arguments)) {
        line.action = Action::Refuse;
        const QStringList unknown = parser.unknownOptionNames();
        const QString dashes =
            unknown.value(0).size() == 1 ? QStringLiteral("-") : QStringLiteral("--");
        line.text = name +
                    (unknown.isEmpty()
                         ? QStringLiteral(": falta a pasta depois de --folder")
                         : QStringLiteral(": opção desconhecida: ") + dashes + unknown.first()) +
                    QStringLiteral("\nUse --help para ver as opções.\n");
    } else if (parser.isSet(help)) {
        line.action = Action::Print;
        QString text = parser.helpText();
        // The parser's own headings are in English.
        const qsizetype optionsAt = text.indexOf(QLatin1String("Options:"));
        text = QStringLiteral("Uso: %1 [opções]\n").arg(name) + parser.applicationDescription() +
               QStringLiteral("\n\nOpções:") + text.mid(optionsAt + 8);
        line.text = text;
    } else if (parser.isSet(versionOption)) {
        line.action = Action::Print;
        line.text = name + QLatin1Char(' ') + version + QLatin1Char('\n');
    } else if (!parser.positionalArguments().isEmpty()) {
        line.action = Action::Refuse;
        line.text = name + QStringLiteral(": argumento inesperado: ") +
                    parser.positionalArguments().first() +
                    QStringLiteral("\nUse --help para ver as opções.\n");
    }
    line.folder = parser.value(folder);
    line.identify = parser.isSet(identify);
    return line;
}
