#pragma once

#include "core/file_dialogs.h"
#include "core/messages.h"

#include <QJsonArray>
#include <QString>

#include <cstdio>
#include <mutex>

// The terminal's side of what the windows show: messages on stderr, questions answered by
// the command line's options, file dialogs answered by its file names, progress on stderr.
namespace Cli {

// Every message goes to stderr as "caption: text" and into the result's list. A question is
// answered Yes when the user gave --yes, else No (its default button), and the answer is
// written after it; nothing ever waits for the terminal.
class ConsoleMessages : public Messages {
public:
    ConsoleMessages(FILE *err, bool yes, bool quiet);
    ~ConsoleMessages() override; // restores the default
    MessageAnswer show(const Message &message) override;

    QJsonArray shown() const;
    // How many messages of `style` were shown.
    int count(MessageStyle style) const;

private:
    mutable std::mutex mutex;
    FILE *err;
    bool yes;
    bool quiet;
    QJsonArray log;
    int counts[4] = {};
};

// A save dialog answers the output file (-o), an open dialog the file argument.
class ConsoleFileDialogs : public FileDialogs {
public:
    ConsoleFileDialogs(QString open, QString save);
    ~ConsoleFileDialogs() override; // restores the default
    QString openFileName(const FileDialogRequest &) override { return open; }
    QString saveFileName(const FileDialogRequest &) override { return save; }

private:
    QString open;
    QString save;
};

// Progress of long work on stderr: a bar redrawn in place on a terminal, otherwise a plain
// line each time the value moves on by a tenth of the whole (with no whole, by 4 KiB).
class Progress {
public:
    Progress(FILE *err, bool quiet);
    ~Progress(); // ends a bar's line
    // `maximum` 0: no whole known; `value` is then a count of `unit`.
    void show(const QString &label, qint64 value, qint64 maximum, const QString &unit = {});

private:
    FILE *err;
    bool quiet;
    bool terminal;
    bool barShown = false;
    qint64 lastShown = -1;
};

} // namespace Cli
