// printer-emulator (installed as emulador-ecf): serves an emulated fiscal printer on a
// pseudo-terminal or a TCP port. `printer-emulator --help` lists the options.
//
// Prints where the printer is as the first line on stdout ("/dev/pts/N", or
// "tcp://HOST:PORT" with --tcp) and serves until SIGINT or SIGTERM, then exits 0. Invalid
// arguments: a message on stderr, exit 2. SIGUSR1 puts a slip (a paper document) into the
// authentication slot, SIGUSR2 takes it out; SIGHUP switches the printer on again after a
// fault switched it off.

#include "bank_table.h"
#include "faults.h"
#include "line_host.h"
#include "printer.h"
#include "state_file.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <pthread.h>

namespace {

struct Options {
    std::optional<emu::Model> model;
    emu::Identity identity;
    bool pacing = false;
    int delayMs = 0;
    std::optional<int> printTimeMs;
    int reductions = 0;
    std::string bankTableFile;
    QString tcpHost; // empty: a pseudo-terminal
    quint16 tcpPort = 0;
    std::vector<emu::Fault> faults;
    QString stateFile;
    QString journalFile;
};

bool allDigits(const std::string &text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Printable ASCII only: the serial number travels as text in the answers.
bool printable(const std::string &text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

// The firmware version as the printer shows it: one digit, a point, two digits ("1.20").
bool versionText(const std::string &text) {
    return text.size() == 4 && std::isdigit(static_cast<unsigned char>(text[0])) &&
           text[1] == '.' && allDigits(text.substr(2));
}

// HOST:PORT, :PORT or PORT; the host is 127.0.0.1 unless named.
bool tcpAddress(const std::string &text, Options &options) {
    const auto colon = text.rfind(':');
    const std::string port = colon == std::string::npos ? text : text.substr(colon + 1);
    const std::string host = colon == std::string::npos ? std::string() : text.substr(0, colon);
    if (!allDigits(port) || port.size() > 5 || std::stoi(port) > 65535)
        return false;
    options.tcpHost = host.empty() ? QStringLiteral("127.0.0.1") : QString::fromStdString(host);
    options.tcpPort = quint16(std::stoi(port));
    return true;
}

std::optional<int> milliseconds(const QString &text) {
    const std::string value = text.toStdString();
    if (!allDigits(value) || value.size() > 6)
        return std::nullopt;
    return std::stoi(value);
}

// Reads the arguments; on error puts a message into `error` and returns nothing.
std::optional<Options> parse(QCommandLineParser &parser, std::string &error) {
    Options options;
    const auto fail = [&](const char *message) {
        error = message;
        return std::nullopt;
    };
    if (parser.isSet("model")) {
        const QString value = parser.value("model").toUpper();
        if (value != QLatin1String("A") && value != QLatin1String("B"))
            return fail("--model deve ser A ou B");
        options.model = value == QLatin1String("A") ? emu::Model::A : emu::Model::B;
    }
    if (parser.isSet("serial")) {
        const std::string value = parser.value("serial").toStdString();
        if (value.size() != 8 || !printable(value))
            return fail("--serial deve ter 8 caracteres");
        options.identity.serial = QByteArray::fromStdString(value);
    }
    if (parser.isSet("firmware")) {
        const std::string value = parser.value("firmware").toStdString();
        if (!versionText(value))
            return fail("--firmware deve ser como 1.20");
        options.identity.firmware = QByteArray::fromStdString(value);
    }
    if (parser.isSet("ecf")) {
        const std::string value = parser.value("ecf").toStdString();
        if (value.size() != 4 || !allDigits(value))
            return fail("--ecf deve ter 4 dígitos");
        options.identity.ecfNumber = QByteArray::fromStdString(value);
    }
    options.pacing = parser.isSet("pacing");
    if (parser.isSet("delay")) {
        const auto ms = milliseconds(parser.value("delay"));
        if (!ms)
            return fail("--delay deve ser um número de milissegundos");
        options.delayMs = *ms;
    }
    if (parser.isSet("print-time")) {
        options.printTimeMs = milliseconds(parser.value("print-time"));
        if (!options.printTimeMs)
            return fail("--print-time deve ser um número de milissegundos");
    }
    if (parser.isSet("reductions")) {
        const std::string value = parser.value("reductions").toStdString();
        if (!allDigits(value) || value.size() > 4)
            return fail("--reductions deve ser um número de reduções");
        options.reductions = std::stoi(value);
    }
    if (parser.isSet("write-bank-table")) {
        options.bankTableFile = parser.value("write-bank-table").toStdString();
        if (options.bankTableFile.empty())
            return fail("--write-bank-table precisa do nome de um arquivo");
    }
    if (parser.isSet("tcp") && !tcpAddress(parser.value("tcp").toStdString(), options))
        return fail("--tcp deve ser HOST:PORTA (127.0.0.1:9100, ou :0 para uma porta livre)");
    options.stateFile = parser.value("state");
    options.journalFile = parser.value("journal");
    for (const QString &text : parser.values("fault")) {
        QString message;
        const std::optional<emu::Fault> fault = emu::parseFault(text, &message);
        if (!fault) {
            error = "--fault: " + message.toStdString();
            return std::nullopt;
        }
        options.faults.push_back(*fault);
    }
    if (!options.model && options.bankTableFile.empty())
        return fail("--model é obrigatório");
    return options;
}

// Every option, with the help printer-emulator --help shows.
void describe(QCommandLineParser &parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Emulador das impressoras fiscais MV210 (modelo A) e MV4700 (modelo B).\n"
        "Atende numa pseudo-tty (o caminho, /dev/pts/N, sai na primeira linha) ou, com --tcp,\n"
        "numa porta TCP (sai tcp://HOST:PORTA).\n"
        "\n"
        "Como ligar um programa de frente de caixa ao emulador:\n"
        "  emulador-ecf --model B\n"
        "      configure no programa, como porta serial (9600 8N1), o /dev/pts/N impresso;\n"
        "  emulador-ecf --model B --tcp 127.0.0.1:9100\n"
        "      configure o programa como para um servidor serial em rede que passa os bytes\n"
        "      sem alteração (TCP bruto), em 127.0.0.1 porta 9100; na ferramenta-ecf, digite\n"
        "      tcp://127.0.0.1:9100 na caixa da porta.\n"
        "Com --journal, o que a impressora imprimiria vai para um arquivo de texto."));
    parser.addOptions({
        {{"h", "help"}, "Mostra esta ajuda e sai."},
        {{"v", "version"}, "Mostra a versão e sai."},
        {"model", "Modelo: A (MV210) ou B (MV4700).", "A|B"},
        {"serial", "Número de série, 8 caracteres (00000000).", "SERIE"},
        {"firmware", "Versão do firmware, como 1.20.", "VERSAO"},
        {"ecf", "Número do ECF, 4 dígitos (0001).", "NUMERO"},
        {"pacing", "Responde no ritmo da linha a 9600 baud (960 bytes por segundo)."},
        {"delay", "Espera antes de cada resposta, em milissegundos.", "MS"},
        {"print-time", "Quanto tempo um relatório ocupa o mecanismo (4000 ms).", "MS"},
        {"reductions", "Mais N reduções antigas na memória fiscal.", "N"},
        {"tcp",
         "Atende na porta TCP em vez da pseudo-tty: um cliente por vez, o novo substitui o "
         "anterior. Só 127.0.0.1 se outro endereço não for dado; :0 escolhe uma porta livre.",
         "HOST:PORTA"},
        {"fault",
         "Falha sob demanda (pode repetir): silent (para de responder), off (desliga ao "
         "receber o quadro), error=CODIGO (recusa o quadro com o erro), garbage (responde "
         "lixo), cut (corta a resposta), off-after-answer (desliga depois da resposta), "
         "late=MS (responde com atraso). @N: no N-ésimo quadro ou resposta (1, o próximo). "
         "SIGHUP religa a impressora.",
         "FALHA"},
        {"state",
         "Guarda a programação, os contadores, a memória fiscal, o usuário e o relógio da "
         "impressora em ARQUIVO (JSON), regravado inteiro a cada mudança. Sem o arquivo, a "
         "impressora sai de fábrica; um arquivo danificado é recusado.",
         "ARQUIVO"},
        {"journal",
         "Acrescenta ao ARQUIVO a bobina de papel: cada documento e relatório aceito, em "
         "linhas de 48 colunas (UTF-8). O leiaute é do emulador, não o exato da impressora.",
         "ARQUIVO"},
        {"write-bank-table", "Grava a tabela de bancos de exemplo em ARQUIVO e sai.", "ARQUIVO"},
    });
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("emulador-ecf"));
    QCoreApplication::setApplicationVersion(QStringLiteral(EMULATOR_VERSION));
    QCommandLineParser parser;
    describe(parser);
    std::string error;
    std::optional<Options> options;
    if (!parser.parse(QCoreApplication::arguments()))
        error = parser.errorText().toStdString();
    else if (parser.isSet("help") || parser.isSet("version")) {
        // Qt's own help text, its two headings in Portuguese.
        const QString text =
            parser.isSet("version")
                ? QStringLiteral("emulador-ecf %1\n").arg(app.applicationVersion())
                : parser.helpText()
                      .replace(QLatin1String("Usage:"), QLatin1String("Uso:"))
                      .replace(QLatin1String("[options]"), QStringLiteral("[opções]"))
                      .replace(QLatin1String("Options:"), QStringLiteral("Opções:"));
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    } else if (!parser.positionalArguments().isEmpty())
        error = "argumento desconhecido: " + parser.positionalArguments().first().toStdString();
    else
        options = parse(parser, error);
    if (!options) {
        std::fprintf(stderr, "printer-emulator: %s\n%s", error.c_str(),
                     "use printer-emulator --help para ver as opções\n");
        return 2;
    }
    if (!options->bankTableFile.empty()) {
        QFile file(QString::fromStdString(options->bankTableFile));
        const QByteArray table = emu::BankTable::encode(emu::BankTable::sample());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(table) != table.size()) {
            std::fprintf(stderr, "printer-emulator: não foi possível gravar %s\n",
                         options->bankTableFile.c_str());
            return 1;
        }
        return 0;
    }

    // SIGINT and SIGTERM (and the slot's SIGUSR1 and SIGUSR2) are taken with sigwait below;
    // they are blocked before the host's thread starts so that it inherits the mask and no
    // handler runs anywhere.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGUSR1);
    sigaddset(&stopSignals, SIGUSR2);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const auto printer = emu::Printer::create(*options->model, options->identity);
    printer->setPacing(options->pacing);
    printer->setAnswerDelayMs(options->delayMs);
    if (options->printTimeMs)
        printer->setPrintTimeMs(*options->printTimeMs);
    // A printer that remembers has its past reductions already; only a new one gets them.
    const bool fresh = options->stateFile.isEmpty() || !QFile::exists(options->stateFile);
    if (!options->stateFile.isEmpty()) {
        QString refused;
        if (!emu::StateFile::load(*printer, options->stateFile, &refused)) {
            std::fprintf(stderr, "printer-emulator: %s\n", refused.toLocal8Bit().constData());
            return 1;
        }
        emu::StateFile::keep(*printer, options->stateFile);
    }
    if (fresh)
        printer->addPastReductions(options->reductions);
    for (const emu::Fault &fault : options->faults)
        printer->injectFault(fault);
    QFile journal(options->journalFile);
    if (!options->journalFile.isEmpty()) {
        if (!journal.open(QIODevice::WriteOnly | QIODevice::Append)) {
            std::fprintf(stderr, "printer-emulator: não foi possível abrir %s: %s\n",
                         options->journalFile.toLocal8Bit().constData(),
                         journal.errorString().toLocal8Bit().constData());
            return 1;
        }
        printer->setPaperObserver([&journal](const QStringList &lines) {
            journal.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
            journal.flush();
        });
    }

    emu::LineHost host(*printer);
    const bool tcp = !options->tcpHost.isEmpty();
    if (tcp ? !host.startTcp(options->tcpHost, options->tcpPort) : !host.start()) {
        std::fprintf(stderr, "printer-emulator: %s\n",
                     host.errorString().toLocal8Bit().constData());
        return 1;
    }
    std::printf("%s%s\n", tcp ? "tcp://" : "", host.slavePath().toLocal8Bit().constData());
    std::fflush(stdout);

    int signal = 0;
    while (sigwait(&stopSignals, &signal) == 0 && signal != SIGINT && signal != SIGTERM) {
        if (signal == SIGHUP)
            printer->setPowered(true);
        else
            printer->setDocumentInserted(signal == SIGUSR1);
    }
    host.stop();
    return 0;
}
