#include "commands.h"

#include "analysis/dataquality.h"
#include "analysis/statistics.h"
#include "model/graph.h"
#include "storage/projectdb.h"
#include "storage/projectfiles.h"

#include <QJsonDocument>
#include <QTextStream>

#include <functional>

namespace CliCommands {

namespace {

// Runs a read-only report on the graph of FILE (a database or a project folder), printed as
// text or, with --json, as compact JSON.
int report(const QStringList &arguments, QTextStream &out, QTextStream &err, const char *name,
           const std::function<QString(const Graph &, bool json)> &print)
{
    QString file;
    bool json = false;
    bool wellFormed = true;
    for (const QString &argument : arguments) {
        if (argument == u"--json")
            json = true;
        else if (file.isEmpty() && !argument.startsWith(QLatin1String("--")))
            file = argument;
        else
            wellFormed = false;
    }
    if (!wellFormed || file.isEmpty()) {
        err << "usage: orvane-cli " << name << " FILE [--json]\n";
        return 2;
    }
    const QString dbPath = ProjectFiles::databaseForPath(file);
    ProjectDb db(dbPath);
    Graph graph;
    QString error;
    if (!db.openReadOnly(&error) || !db.loadGraph(graph, ProjectFiles::folderOf(dbPath), &error)) {
        err << "orvane-cli: " << error << '\n';
        return 1;
    }
    out << print(graph, json);
    return 0;
}

QString jsonLine(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + u'\n';
}

} // namespace

int quality(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    return report(arguments, out, err, "quality", [](const Graph &graph, bool json) {
        const QualityReport result = DataQuality::analyse(graph);
        return json ? jsonLine(DataQuality::toJson(result)) : DataQuality::toText(result);
    });
}

int stats(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    return report(arguments, out, err, "stats", [](const Graph &graph, bool json) {
        const QList<Statistic> result = Statistics::all(graph);
        return json ? jsonLine(Statistics::toJson(result)) : Statistics::toText(result);
    });
}

} // namespace CliCommands
