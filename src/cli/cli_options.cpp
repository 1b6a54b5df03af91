#include "cli/cli_options.h"

#include "core/global.h"

#include <QRegularExpression>

namespace Cli {

namespace {

struct OptionInfo {
    const char *name;  // without the dashes
    const char *value; // the value's name in the help, nullptr for a flag
    const char *help;
};

// The options every sub-command takes.
const OptionInfo Common[] = {
    {"port", "NOME",
     "porta da impressora: /dev/ttyS0, /dev/ttyUSB0, EMUL-MV210, EMUL-MV4700, "
     "tcp://HOST:PORTA; repetida, o comando roda em várias impressoras ao mesmo tempo"},
    {"model", "MODELO", "MV210 ou MV4700 (sem a opção: o modelo que a impressora informa)"},
    {"json", nullptr, "resultado em JSON na saída padrão"},
    {"quiet", nullptr, "sem progresso nem resultado em texto; só erros"},
    {"help", nullptr, "mostra esta ajuda"},
};

struct CommandInfo {
    const char *name;
    const char *arguments; // shown after the name in the usage line
    const char *summary;
    QList<OptionInfo> options;
    bool needsFile = false;
};

const QList<CommandInfo> &commands() {
    static const QList<CommandInfo> all = {
        {"identify", "", "modelo, número de série, versão do software básico e número do ECF", {}},
        {"status", "", "os indicadores de status, com os nomes da janela de status", {}},
        {"read-config",
         "-o ARQUIVO.c2k",
         "lê todas as tabelas da impressora e grava o arquivo de configuração",
         {{"o", "ARQUIVO", "arquivo .c2k a gravar (obrigatório)"}}},
        {"send-data",
         "ARQUIVO.c2k",
         "inicializa a impressora com o arquivo de configuração (como \"Enviar Dados\")",
         {{"ecf", "NNNN", "número do ECF (sem a opção: o do arquivo)"},
          {"no-header", nullptr, "não envia o clichê (cabeçalho) nem o número do ECF"},
          {"daylight-saving", nullptr, "impressora em horário de verão"},
          {"bank-table", "ARQUIVO", "tabela de bancos (MV4700; sem a opção: bancos.QBK)"},
          {"yes", nullptr, "responde Sim às perguntas (clichê vazio)"}},
         true},
        {"leitura-x", "", "emite a Leitura X", {}},
        {"reducao-z",
         "--yes",
         "emite a Redução Z (pede --yes: a impressora pode ficar "
         "bloqueada até as 24:00h)",
         {{"yes", nullptr, "confirma a Redução Z"}}},
        {"clock",
         "[--set]",
         "lê o relógio da impressora",
         {{"set", nullptr,
           "acerta o relógio pelo do PC (intervenção técnica; pede o Modo Manutenção)"}}},
        {"fiscal-memory",
         "(--crz A-B | --dates D1-D2) [--full] [-o ARQUIVO]",
         "leitura da memória fiscal, impressa ou gravada em arquivo",
         {{"crz", "A-B", "período por contadores de redução (CRZ), por exemplo 1-50"},
          {"dates", "D1-D2", "período por datas ddmmaaaa ou dd/mm/aaaa"},
          {"full", nullptr, "leitura completa (sem a opção, a MV4700 emite a resumida)"},
          {"o", "ARQUIVO", "grava a leitura neste arquivo em vez de imprimir"}}},
        {"record-user",
         "ARQUIVO.usr",
         "grava o usuário (CNPJ, IE, IM) do arquivo .usr",
         {{"yes", nullptr, "responde Sim às perguntas (IE ou IM em branco)"}},
         true},
        {"play-macro",
         "ARQUIVO.b2k [--times N]",
         "executa a seqüência de comandos gravada",
         {{"times", "N", "número de vezes, 1 a 199"},
          {"yes", nullptr, "continua depois de um comando recusado"}},
         true},
    };
    return all;
}

const CommandInfo *findCommand(const QString &name) {
    for (const CommandInfo &command : commands())
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}

QString optionLine(const OptionInfo &option) {
    const QString dashes = qstrlen(option.name) == 1 ? QStringLiteral("-") : QStringLiteral("--");
    QString left = QStringLiteral("  ") + dashes + QLatin1String(option.name);
    if (option.value)
        left += u' ' + QLatin1String(option.value);
    return left.leftJustified(26) + u' ' + QString::fromUtf8(option.help) + u'\n';
}

QString programHelp() {
    QString text = QStringLiteral("Uso: ecf COMANDO [opções]\n\nComandos:\n");
    for (const CommandInfo &command : commands())
        text += QStringLiteral("  ") + QString::fromLatin1(command.name).leftJustified(15) +
                QString::fromUtf8(command.summary) + u'\n';
    text += QStringLiteral("\nOpções de todos os comandos:\n");
    for (const OptionInfo &option : Common)
        text += optionLine(option);
    text += QStringLiteral("\nAjuda de um comando: ecf COMANDO --help\n"
                           "Saída: 0 feito, 1 a impressora recusou ou falhou, 2 uso ou arquivo "
                           "inválido, 3 porta ou impressora ausente.\n");
    return text;
}

QString commandHelp(const CommandInfo &command) {
    QString text = QStringLiteral("Uso: ecf %1 %2 --port NOME [opções]\n\n%3\n")
                       .arg(QLatin1String(command.name), QLatin1String(command.arguments),
                            QString::fromUtf8(command.summary));
    if (!command.options.isEmpty()) {
        text += QStringLiteral("\nOpções:\n");
        for (const OptionInfo &option : command.options)
            text += optionLine(option);
    }
    text += QStringLiteral("\nOpções de todos os comandos:\n");
    for (const OptionInfo &option : Common)
        text += optionLine(option);
    return text;
}

const OptionInfo *findOption(const CommandInfo &command, const QString &name) {
    for (const OptionInfo &option : Common)
        if (name == QLatin1String(option.name))
            return &option;
    for (const OptionInfo &option : command.options)
        if (name == QLatin1String(option.name))
            return &option;
    return nullptr;
}

// "A-B": both ends, digits (counters) or dates (ddmmyyyy, slashes allowed).
bool splitPeriod(const QString &text, bool dates, QString &from, QString &to) {
    static const QRegularExpression counters(QStringLiteral("^(\\d{1,4})-(\\d{1,4})$"));
    static const QRegularExpression dateRange(
        QStringLiteral("^(\\d\\d/?\\d\\d/?\\d{4})-(\\d\\d/?\\d\\d/?\\d{4})$"));
    const QRegularExpressionMatch match = (dates ? dateRange : counters).match(text);
    if (!match.hasMatch())
        return false;
    from = match.captured(1).remove(u'/');
    to = match.captured(2).remove(u'/');
    return true;
}

// Fills the options from one "--name value" pair (value empty for a flag); a refusal's text.
QString take(Options &o, const QString &name, const QString &value) {
    if (name == QLatin1String("port"))
        o.ports << value;
    else if (name == QLatin1String("model")) {
        o.model = value.compare(QLatin1String("MV210"), Qt::CaseInsensitive) == 0    ? ModelA
                  : value.compare(QLatin1String("MV4700"), Qt::CaseInsensitive) == 0 ? ModelB
                                                                                     : ModelNone;
        if (o.model == ModelNone)
            return QStringLiteral("Modelo desconhecido: %1 (use MV210 ou MV4700).").arg(value);
    } else if (name == QLatin1String("json"))
        o.json = true;
    else if (name == QLatin1String("quiet"))
        o.quiet = true;
    else if (name == QLatin1String("yes"))
        o.yes = true;
    else if (name == QLatin1String("o"))
        o.output = value;
    else if (name == QLatin1String("ecf")) {
        static const QRegularExpression digits(QStringLiteral("^\\d{1,4}$"));
        if (!digits.match(value).hasMatch())
            return QStringLiteral("Número do ECF inválido: %1 (até 4 dígitos).").arg(value);
        o.ecf = value;
    } else if (name == QLatin1String("no-header"))
        o.noHeader = true;
    else if (name == QLatin1String("daylight-saving"))
        o.daylightSaving = true;
    else if (name == QLatin1String("bank-table"))
        o.bankTable = value;
    else if (name == QLatin1String("set"))
        o.setClock = true;
    else if (name == QLatin1String("crz") || name == QLatin1String("dates")) {
        if (!o.from.isEmpty())
            return QStringLiteral("Use --crz ou --dates, uma vez só.");
        o.byDate = name == QLatin1String("dates");
        if (!splitPeriod(value, o.byDate, o.from, o.to))
            return o.byDate ? QStringLiteral("Período inválido: %1 (ddmmaaaa-ddmmaaaa).").arg(value)
                            : QStringLiteral("Período inválido: %1 (por exemplo 1-50).").arg(value);
    } else if (name == QLatin1String("full"))
        o.full = true;
    else if (name == QLatin1String("times")) {
        bool number = false;
        o.times = value.toInt(&number);
        if (!number || o.times < 1 || o.times > 199)
            return QStringLiteral("Número de vezes inválido: %1 (1 a 199).").arg(value);
    }
    return {};
}

} // namespace

Parsed parse(const QStringList &arguments) {
    Parsed parsed;
    Options &o = parsed.options;
    if (arguments.isEmpty() || arguments[0] == QLatin1String("--help") ||
        arguments[0] == QLatin1String("-h")) {
        parsed.help = !arguments.isEmpty();
        parsed.text =
            parsed.help ? programHelp() : QStringLiteral("Falta o comando.\n\n") + programHelp();
        return parsed;
    }
    const CommandInfo *command = findCommand(arguments[0]);
    if (!command) {
        parsed.text =
            QStringLiteral("Comando desconhecido: %1\n\n").arg(arguments[0]) + programHelp();
        return parsed;
    }
    o.command = arguments[0];
    const auto refuse = [&](const QString &why) {
        parsed.text = why + QStringLiteral("\nAjuda: ecf %1 --help\n").arg(o.command);
        return parsed;
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            parsed.help = true;
            parsed.text = commandHelp(*command);
            return parsed;
        }
        if (!argument.startsWith(u'-') || argument == QLatin1String("-")) {
            if (!command->needsFile || !o.file.isEmpty())
                return refuse(QStringLiteral("Argumento a mais: %1").arg(argument));
            o.file = argument;
            continue;
        }
        QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        QString value;
        const qsizetype equals = name.indexOf(u'=');
        const bool inline_ = equals >= 0;
        if (inline_) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        const OptionInfo *option = findOption(*command, name);
        if (!option)
            return refuse(
                QStringLiteral("Opção desconhecida para %1: %2").arg(o.command, argument));
        if (option->value && !inline_) {
            if (++i >= arguments.size())
                return refuse(QStringLiteral("Falta o valor de %1.").arg(argument));
            value = arguments[i];
        }
        const QString why = take(o, name, value);
        if (!why.isEmpty())
            return refuse(why);
    }
    if (o.ports.isEmpty())
        return refuse(QStringLiteral("Falta a porta (--port)."));
    if (command->needsFile && o.file.isEmpty())
        return refuse(QStringLiteral("Falta o arquivo."));
    if (o.command == QLatin1String("read-config") && o.output.isEmpty())
        return refuse(QStringLiteral("Falta o arquivo de saída (-o)."));
    if (o.command == QLatin1String("fiscal-memory") && o.from.isEmpty())
        return refuse(QStringLiteral("Falta o período (--crz ou --dates)."));
    return parsed;
}

QStringList argumentsForPort(const QStringList &arguments, const QString &port) {
    QStringList result;
    bool json = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--port")) {
            ++i;
            continue;
        }
        if (argument.startsWith(QLatin1String("--port=")))
            continue;
        json = json || argument == QLatin1String("--json");
        result << argument;
    }
    result << QStringLiteral("--port") << port;
    if (!json)
        result << QStringLiteral("--json");
    return result;
}

} // namespace Cli
