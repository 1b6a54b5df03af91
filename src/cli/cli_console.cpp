#include "cli/cli_console.h"

#include <QJsonObject>

#include <unistd.h>

namespace Cli {

namespace {

QString oneLine(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    return text.simplified();
}

void write(FILE *err, const QString &text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), err);
    std::fflush(err);
}

const char *styleName(MessageStyle style) {
    switch (style) {
    case MessageStyle::Information:
        return "info";
    case MessageStyle::Warning:
        return "warning";
    case MessageStyle::Error:
        return "error";
    case MessageStyle::Question:
        return "question";
    }
    return "info";
}

} // namespace

ConsoleMessages::ConsoleMessages(FILE *e, bool y, bool q) : err(e), yes(y), quiet(q) {
    installMessages(this);
}

ConsoleMessages::~ConsoleMessages() {
    installMessages(nullptr);
}

MessageAnswer ConsoleMessages::show(const Message &message) {
    const bool question =
        message.buttons == MessageButtons::YesNo || message.buttons == MessageButtons::YesNoCancel;
    const MessageAnswer answer = !question ? MessageAnswer::Ok
                                 : yes     ? MessageAnswer::Yes
                                           : MessageAnswer::No;
    QString line = message.caption.isEmpty()
                       ? oneLine(message.text)
                       : message.caption + QStringLiteral(": ") + oneLine(message.text);
    if (question)
        line +=
            yes ? QStringLiteral(" [Sim: --yes]") : QStringLiteral(" [Não; --yes responde Sim]");
    std::lock_guard lock(mutex);
    ++counts[int(message.style)];
    QJsonObject entry{{QStringLiteral("caption"), message.caption},
                      {QStringLiteral("text"), message.text},
                      {QStringLiteral("style"), QLatin1String(styleName(message.style))}};
    if (question)
        entry.insert(QStringLiteral("answer"), yes ? QStringLiteral("Sim") : QStringLiteral("Não"));
    log.append(entry);
    // With --quiet only what went wrong is written.
    if (!quiet || message.style == MessageStyle::Error || message.style == MessageStyle::Warning)
        write(err, line + u'\n');
    return answer;
}

QJsonArray ConsoleMessages::shown() const {
    std::lock_guard lock(mutex);
    return log;
}

int ConsoleMessages::count(MessageStyle style) const {
    std::lock_guard lock(mutex);
    return counts[int(style)];
}

ConsoleFileDialogs::ConsoleFileDialogs(QString o, QString s)
    : open(std::move(o)), save(std::move(s)) {
    installFileDialogs(this);
}

ConsoleFileDialogs::~ConsoleFileDialogs() {
    installFileDialogs(nullptr);
}

Progress::Progress(FILE *e, bool q) : err(e), quiet(q), terminal(isatty(fileno(e)) != 0) {
}

Progress::~Progress() {
    if (barShown)
        write(err, QStringLiteral("\n"));
}

void Progress::show(const QString &label, qint64 value, qint64 maximum, const QString &unit) {
    if (quiet)
        return;
    const QString amount = maximum > 0 ? QStringLiteral("%1%").arg(value * 100 / maximum)
                                       : QStringLiteral("%1 %2").arg(value).arg(unit);
    if (terminal) {
        constexpr int Width = 30;
        const qint64 filled = maximum > 0 ? value * Width / maximum : 0;
        const QString bar =
            maximum > 0 ? QString(filled, u'#') + QString(Width - filled, u'.') : QString();
        write(err, QStringLiteral("\r%1 [%2] %3\x1b[K").arg(label, bar, amount));
        barShown = true;
        return;
    }
    // Plain lines: a tenth of the whole at a time, or every 4 KiB when there is no whole.
    const qint64 step = maximum > 0 ? value * 10 / maximum : value / 4096;
    if (step == lastShown)
        return;
    lastShown = step;
    write(err, QStringLiteral("%1: %2\n").arg(label, amount));
}

} // namespace Cli
