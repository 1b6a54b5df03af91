// printer-emulator: serves an emulated fiscal printer on a pseudo-terminal.
//
//   printer-emulator --model A|B [--serial 12345678] [--firmware 1.20] [--ecf 0001]
//                    [--pacing] [--delay MS] [--print-time MS] [--reductions N]
//   printer-emulator --write-bank-table FILE
//
// --print-time: how long a report keeps the mechanism busy (4000 ms unless given);
// --reductions: that many more past reductions in the fiscal memory, for long readings.
// --write-bank-table: writes the sample bank table of the MV4700's check printer (a ".QBK" file
// in the layout of bank_table.h, the one tools/bancos.QBK holds) to FILE and exits.
//
// Prints the pseudo-terminal's path ("/dev/pts/N") as the first line on stdout and serves
// until SIGINT or SIGTERM, then exits 0. Invalid arguments: a message on stderr, exit 2.
// SIGUSR1 puts a slip (a paper document) into the authentication slot, SIGUSR2 takes it out.

#include "bank_table.h"
#include "printer.h"
#include "pty_host.h"

#include <QFile>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include <pthread.h>

namespace {

const char Usage[] = "usage: printer-emulator --model A|B [--serial 12345678] [--firmware 1.20]"
                     " [--ecf 0001] [--pacing] [--delay MS] [--print-time MS] [--reductions N]\n"
                     "       printer-emulator --write-bank-table FILE\n";

struct Options {
    std::optional<emu::Model> model;
    emu::Identity identity;
    bool pacing = false;
    int delayMs = 0;
    std::optional<int> printTimeMs;
    int reductions = 0;
    std::string bankTableFile;
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

// Parses the arguments; on error puts a message into `error` and returns nothing.
std::optional<Options> parse(int argc, char **argv, std::string &error) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasValue = true;
        }
        if (arg == "--pacing" && !hasValue) {
            options.pacing = true;
            continue;
        }
        const bool takesValue = arg == "--model" || arg == "--serial" || arg == "--firmware" ||
                                arg == "--ecf" || arg == "--delay" || arg == "--print-time" ||
                                arg == "--reductions" || arg == "--write-bank-table";
        if (!takesValue) {
            error = "unknown argument: " + std::string(argv[i]);
            return std::nullopt;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return std::nullopt;
            }
            value = argv[++i];
        }
        if (arg == "--model") {
            if (value == "A" || value == "a")
                options.model = emu::Model::A;
            else if (value == "B" || value == "b")
                options.model = emu::Model::B;
            else {
                error = "--model must be A or B";
                return std::nullopt;
            }
        } else if (arg == "--serial") {
            if (value.size() != 8 || !printable(value)) {
                error = "--serial must be 8 characters";
                return std::nullopt;
            }
            options.identity.serial = QByteArray::fromStdString(value);
        } else if (arg == "--firmware") {
            if (!versionText(value)) {
                error = "--firmware must look like 1.20";
                return std::nullopt;
            }
            options.identity.firmware = QByteArray::fromStdString(value);
        } else if (arg == "--ecf") {
            if (value.size() != 4 || !allDigits(value)) {
                error = "--ecf must be 4 digits";
                return std::nullopt;
            }
            options.identity.ecfNumber = QByteArray::fromStdString(value);
        } else if (arg == "--delay") {
            if (!allDigits(value) || value.size() > 6) {
                error = "--delay must be a number of milliseconds";
                return std::nullopt;
            }
            options.delayMs = std::stoi(value);
        } else if (arg == "--print-time") {
            if (!allDigits(value) || value.size() > 6) {
                error = "--print-time must be a number of milliseconds";
                return std::nullopt;
            }
            options.printTimeMs = std::stoi(value);
        } else if (arg == "--write-bank-table") {
            if (value.empty()) {
                error = "--write-bank-table needs a file name";
                return std::nullopt;
            }
            options.bankTableFile = value;
        } else if (arg == "--reductions") {
            if (!allDigits(value) || value.size() > 4) {
                error = "--reductions must be a number of reductions";
                return std::nullopt;
            }
            options.reductions = std::stoi(value);
        }
    }
    if (!options.model && options.bankTableFile.empty()) {
        error = "--model is required";
        return std::nullopt;
    }
    return options;
}

} // namespace

int main(int argc, char **argv) {
    // The installed program's --help and --version.
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("emulador-ecf %s\n", EMULATOR_VERSION);
        return 0;
    }
    std::string error;
    const std::optional<Options> options = parse(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "printer-emulator: %s\n%s", error.c_str(), Usage);
        return 2;
    }
    if (!options->bankTableFile.empty()) {
        QFile file(QString::fromStdString(options->bankTableFile));
        const QByteArray table = emu::BankTable::encode(emu::BankTable::sample());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(table) != table.size()) {
            std::fprintf(stderr, "printer-emulator: cannot write %s\n",
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
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const auto printer = emu::Printer::create(*options->model, options->identity);
    printer->setPacing(options->pacing);
    printer->setAnswerDelayMs(options->delayMs);
    if (options->printTimeMs)
        printer->setPrintTimeMs(*options->printTimeMs);
    printer->addPastReductions(options->reductions);

    emu::PtyHost host(*printer);
    if (!host.start()) {
        std::fprintf(stderr, "printer-emulator: %s\n",
                     host.errorString().toLocal8Bit().constData());
        return 1;
    }
    std::printf("%s\n", host.slavePath().toLocal8Bit().constData());
    std::fflush(stdout);

    int signal = 0;
    while (sigwait(&stopSignals, &signal) == 0 && (signal == SIGUSR1 || signal == SIGUSR2))
        printer->setDocumentInserted(signal == SIGUSR1);
    host.stop();
    return 0;
}
