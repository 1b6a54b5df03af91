#include "cli/cli_main.h"

#include "cli/cli_commands.h"
#include "cli/cli_options.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <memory>
#include <vector>

namespace Cli {

namespace {

// Set in the environment of every child started for one port. A child never starts children
// of its own: checked both before and inside runChildren, so that no single slip can make the
// program start itself over and over.
constexpr char ChildMark[] = "ECF_PROCESSO_DE_PORTA";

bool isChild() {
    return qEnvironmentVariableIsSet(ChildMark);
}

void write(FILE *file, const QString &text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
    std::fflush(file);
}

QString summary(const QJsonObject &r) {
    const int exit = r.value(QStringLiteral("exit")).toInt();
    return exit == Done ? QStringLiteral("Concluído.\n")
                        : QStringLiteral("Não concluído (código %1).\n").arg(exit);
}

// One child per port, all at once; each child's stderr is passed on line by line, marked
// with its port.
QJsonArray runChildren(const QStringList &arguments, const Options &o, const QString &program,
                       FILE *err) {
    struct Child {
        QString port;
        std::unique_ptr<QProcess> process;
        QByteArray pendingErr;
    };
    std::vector<Child> children;
    if (isChild())
        return {};
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(ChildMark), QStringLiteral("1"));
    children.reserve(size_t(o.ports.size())); // the connections hold references to them
    QEventLoop loop;
    int running = 0;
    for (const QString &port : o.ports) {
        Child &child = children.emplace_back(Child{port, std::make_unique<QProcess>(), {}});
        QProcess *process = child.process.get();
        process->setProcessEnvironment(environment);
        QObject::connect(process, &QProcess::readyReadStandardError, [&child, err] {
            child.pendingErr += child.process->readAllStandardError();
            qsizetype end;
            while ((end = child.pendingErr.indexOf('\n')) >= 0) {
                write(err, QStringLiteral("[%1] ").arg(child.port) +
                               QString::fromUtf8(child.pendingErr.left(end + 1)));
                child.pendingErr.remove(0, end + 1);
            }
        });
        QObject::connect(process, &QProcess::finished, [&] {
            if (--running == 0)
                loop.quit();
        });
        QObject::connect(process, &QProcess::errorOccurred, [&, process](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart && --running == 0)
                loop.quit();
        });
        ++running;
        process->start(program, argumentsForPort(arguments, port));
    }
    if (running > 0)
        loop.exec();
    QJsonArray results;
    for (Child &child : children) {
        child.process->waitForFinished(-1);
        const QByteArray output = child.process->readAllStandardOutput();
        QJsonObject result = QJsonDocument::fromJson(output).object();
        if (result.isEmpty()) {
            write(err, QStringLiteral("[%1] Erro: o processo da porta terminou sem resultado.\n")
                           .arg(child.port));
            result = {{QStringLiteral("port"), child.port},
                      {QStringLiteral("command"), o.command},
                      {QStringLiteral("exit"), Failed}};
        }
        results.append(result);
    }
    return results;
}

} // namespace

int main(const QStringList &arguments, const QString &program, FILE *out, FILE *err) {
    const Parsed parsed = parse(arguments);
    if (parsed.help) {
        write(out, parsed.text);
        return Done;
    }
    if (!parsed.ok()) {
        write(err, parsed.text);
        return BadUsage;
    }
    const Options &o = parsed.options;
    if (o.ports.size() == 1) {
        const QJsonObject result = runOnPort(o, o.ports[0], err);
        if (o.json)
            write(out, QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Indented)));
        else if (!o.quiet)
            write(out, describe(result) + summary(result));
        return result.value(QStringLiteral("exit")).toInt();
    }
    if (isChild()) {
        write(err,
              QStringLiteral("Erro interno: o processo de uma porta recebeu várias portas.\n"));
        return Failed;
    }
    const QJsonArray results = runChildren(arguments, o, program, err);
    int exit = Done;
    QString text;
    for (const QJsonValue &value : results) {
        const QJsonObject result = value.toObject();
        exit = std::max(exit, result.value(QStringLiteral("exit")).toInt());
        text += QStringLiteral("== %1\n").arg(result.value(QStringLiteral("port")).toString()) +
                describe(result) + summary(result);
    }
    if (o.json)
        write(out, QString::fromUtf8(QJsonDocument(results).toJson(QJsonDocument::Indented)));
    else if (!o.quiet)
        write(out, text);
    return exit;
}

} // namespace Cli
