#include "commands.h"

#include "components/scriptcomponents.h"
#include "config/appconfig.h"
#include "storage/projectdb.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTextStream>

namespace CliCommands {

namespace {

// The components folder and interpreters are those the window would use.
ScriptComponents::Scan scanConfiguredFolder()
{
    QCoreApplication::setOrganizationName(QStringLiteral("ORVANE"));
    QCoreApplication::setApplicationName(QStringLiteral("ORVANE"));
    AppConfig::load();
    return ScriptComponents::scan(AppConfig::componentsDir());
}

QJsonObject componentsJson(const ScriptComponents::Scan &scan)
{
    QJsonArray categories;
    for (const ScriptComponents::Category &category : scan.categories) {
        QJsonArray components;
        for (const ScriptComponents::Descriptor &component : category.components) {
            components.append(QJsonObject{{QStringLiteral("id"), component.id},
                                          {QStringLiteral("name"), component.name},
                                          {QStringLiteral("description"), component.description},
                                          {QStringLiteral("language"), component.language},
                                          {QStringLiteral("entry_point"), component.entryPoint}});
        }
        categories.append(QJsonObject{{QStringLiteral("name"), category.name},
                                      {QStringLiteral("components"), components}});
    }
    return QJsonObject{{QStringLiteral("categories"), categories}};
}

void printLine(const QByteArray &raw, QTextStream &out)
{
    const auto line = ScriptComponents::parseLine(raw);
    if (!line)
        return;
    switch (line->kind) {
    case ScriptComponents::OutputLine::Kind::Progress:
        out << '[' << line->progress << " %]\n";
        break;
    case ScriptComponents::OutputLine::Kind::Message:
        out << "[MSG]" << line->text << '\n';
        break;
    case ScriptComponents::OutputLine::Kind::Text:
        out << line->text << '\n';
        break;
    }
    out.flush();
}

} // namespace

int components(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.size() > 1 || (arguments.size() == 1 && arguments.first() != u"--json")) {
        err << "usage: orvane-cli components [--json]\n";
        return 2;
    }
    const ScriptComponents::Scan scan = scanConfiguredFolder();
    if (!arguments.isEmpty()) {
        out << QJsonDocument(componentsJson(scan)).toJson(QJsonDocument::Compact) << '\n';
        if (scan.state != ScriptComponents::Scan::State::Found)
            err << scan.emptyText() << '\n';
        return 0;
    }
    if (scan.state != ScriptComponents::Scan::State::Found) {
        out << scan.emptyText() << '\n';
        return 0;
    }
    for (const ScriptComponents::Category &category : scan.categories) {
        out << category.name << '\n';
        if (category.components.isEmpty())
            out << "  " << ScriptComponents::emptyCategoryText() << '\n';
        for (const ScriptComponents::Descriptor &component : category.components) {
            out << "  " << component.id << " — " << component.name << " (" << component.language
                << ')';
            if (!component.description.isEmpty())
                out << " : " << component.description;
            out << '\n';
        }
    }
    return 0;
}

int runComponent(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QStringList positional;
    QStringList nodeIds;
    QStringList edgeIds;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if ((argument == u"--nodes" || argument == u"--edges") && i + 1 < arguments.size()) {
            const QStringList ids = arguments.at(++i).split(QLatin1Char(','), Qt::SkipEmptyParts);
            (argument == u"--nodes" ? nodeIds : edgeIds).append(ids);
        } else {
            positional.append(argument);
        }
    }
    if (positional.size() != 2 || positional.first().startsWith(u"--")) {
        err << "usage: orvane-cli run-component ID FILE [--nodes ID,...] [--edges ID,...]\n";
        return 2;
    }
    const ScriptComponents::Scan scan = scanConfiguredFolder();
    const auto component = scan.find(positional.at(0));
    if (!component) {
        err << "orvane-cli: composant inconnu : " << positional.at(0) << '\n';
        return 2;
    }
    // The script runs in its own folder: it is given the database by its absolute path.
    const QString dbPath = QFileInfo(positional.at(1)).absoluteFilePath();
    QString error;
    if (!QFileInfo(dbPath).isFile() || !ProjectDb(dbPath).openReadOnly(&error)) {
        err << "orvane-cli: "
            << (error.isEmpty() ? QStringLiteral("fichier introuvable : ") + dbPath : error)
            << '\n';
        return 1;
    }
    if (nodeIds.isEmpty() && edgeIds.isEmpty()) {
        err << "orvane-cli: " << ScriptComponents::nothingSelectedText() << '\n';
        return 2;
    }
    ScriptComponents::Invocation invocation;
    if (!ScriptComponents::prepare(*component, dbPath, nodeIds, edgeIds, &invocation, &error)) {
        err << "orvane-cli: " << error << '\n';
        return 1;
    }

    QProcess process;
    process.setProgram(invocation.program);
    process.setArguments(invocation.arguments);
    process.setWorkingDirectory(invocation.workingDirectory);
    ScriptComponents::LineSplitter lines;
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &process, [&] {
        for (const QByteArray &line : lines.feed(process.readAllStandardOutput()))
            printLine(line, out);
    });
    QObject::connect(&process, &QProcess::readyReadStandardError, &process, [&] {
        err << QString::fromUtf8(process.readAllStandardError());
        err.flush();
    });
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError code) {
        if (code == QProcess::FailedToStart)
            loop.quit();
    });
    process.start(QIODevice::ReadWrite);
    loop.exec();
    if (process.error() == QProcess::FailedToStart) {
        err << "orvane-cli: impossible de lancer " << invocation.program << " : "
            << process.errorString() << '\n';
        return 1;
    }
    for (const QByteArray &line : lines.feed(process.readAllStandardOutput()))
        printLine(line, out);
    if (const auto last = lines.finish())
        printLine(*last, out);
    err << QString::fromUtf8(process.readAllStandardError());
    if (process.exitStatus() == QProcess::CrashExit) {
        err << "orvane-cli: Interrompu (code " << process.exitCode() << ")\n";
        return 1;
    }
    return process.exitCode();
}

} // namespace CliCommands
