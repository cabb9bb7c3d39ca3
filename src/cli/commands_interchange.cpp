#include "commands.h"

#include "interchange/csvio.h"
#include "interchange/stixio.h"
#include "model/graph.h"
#include "model/scenerecords.h"
#include "storage/projectdb.h"
#include "storage/projectfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <functional>

namespace CliCommands {

namespace {

// A project read by an export.
struct Project
{
    QString dbPath;
    Graph graph;
    SceneRecords scene;
};

int failure(QTextStream &err, const QString &error)
{
    err << "orvane-cli: " << error << '\n';
    return 1;
}

bool openSource(const QString &file, Project &project, QTextStream &err, QString *error)
{
    const QString dbPath = ProjectFiles::databaseForPath(file);
    if (!QFileInfo(dbPath).isFile()) {
        *error = QStringLiteral("Base introuvable: %1").arg(dbPath);
        return false;
    }
    if (!checkProject(dbPath, err, error))
        return false;
    project.dbPath = dbPath;
    return ProjectFiles::load(dbPath, project.graph, project.scene, error);
}

// The database an import adds to. A file that does not exist yet becomes a new project,
// placed as "Save as" places it: in a folder named after the project, which may already
// hold that project. An existing file must be a project.
bool importTarget(const QString &file, QString *dbPath, QTextStream &err, QString *error)
{
    *dbPath = ProjectFiles::databaseForPath(file);
    if (!QFileInfo(*dbPath).isFile()) {
        if (QFileInfo(file).isDir()) {
            *error = QStringLiteral("Base introuvable: %1").arg(*dbPath);
            return false;
        }
        *dbPath = ProjectFiles::saveAsLocation(file).dbPath;
        if (!QFileInfo(*dbPath).isFile())
            return true;
    }
    return checkProject(*dbPath, err, error);
}

// Applies an import to the project and saves it; imports read their whole input before
// anything is saved, so a failure leaves the project as it was.
int importInto(const QString &file, const ProjectFiles::Change &change,
               const std::function<void()> &report, QTextStream &out, QTextStream &err)
{
    QString dbPath;
    QString error;
    if (!importTarget(file, &dbPath, err, &error))
        return failure(err, error);
    if (!ProjectFiles::update(dbPath, change, &error))
        return failure(err, error);
    report();
    out << QStringLiteral("Enregistré: %1").arg(dbPath) << '\n';
    return 0;
}

} // namespace

int importCsv(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QString file;
    QString nodesPath;
    QString edgesPath;
    bool wellFormed = true;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == u"--nodes" && hasValue)
            nodesPath = arguments[++i];
        else if (argument == u"--edges" && hasValue)
            edgesPath = arguments[++i];
        else if (file.isEmpty() && !argument.startsWith(QLatin1String("--")))
            file = argument;
        else
            wellFormed = false;
    }
    if (!wellFormed || file.isEmpty() || nodesPath.isEmpty()) {
        err << "usage: orvane-cli import-csv FILE --nodes nodes.csv [--edges edges.csv]\n";
        return 2;
    }
    int nodes = 0;
    int edges = 0;
    qsizetype totalNodes = 0;
    qsizetype totalEdges = 0;
    const auto change = [&](Graph &graph, QString *error) {
        if (!CsvIo::readNodes(nodesPath, graph, error, &nodes))
            return false;
        if (!edgesPath.isEmpty() && !CsvIo::readEdges(edgesPath, graph, error, &edges))
            return false;
        totalNodes = graph.nodes().size();
        totalEdges = graph.edges().size();
        return true;
    };
    const auto report = [&]() {
        out << QStringLiteral("Nœuds importés: %1 (total %2)").arg(nodes).arg(totalNodes) << '\n';
        if (!edgesPath.isEmpty())
            out << QStringLiteral("Relations importées: %1 (total %2)").arg(edges).arg(totalEdges)
                << '\n';
    };
    return importInto(file, change, report, out, err);
}

int exportCsv(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.size() != 2) {
        err << "usage: orvane-cli export-csv FILE DIR\n";
        return 2;
    }
    Project project;
    QString error;
    if (!openSource(arguments[0], project, err, &error))
        return failure(err, error);
    const QDir dir(arguments[1]);
    if (!QDir().mkpath(dir.absolutePath()))
        return failure(err, QStringLiteral("Impossible de créer: %1").arg(dir.absolutePath()));
    const QString nodesPath = dir.filePath(QStringLiteral("nodes.csv"));
    const QString edgesPath = dir.filePath(QStringLiteral("edges.csv"));
    if (!CsvIo::writeNodes(nodesPath, project.graph, &error))
        return failure(err, error);
    out << QStringLiteral("Nœuds exportés vers %1").arg(nodesPath) << '\n';
    if (!CsvIo::writeEdges(edgesPath, project.graph, &error))
        return failure(err, error);
    out << QStringLiteral("Relations exportées vers %1").arg(edgesPath) << '\n';
    return 0;
}

int importStix(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.size() != 2) {
        err << "usage: orvane-cli import-stix FILE bundle.json\n";
        return 2;
    }
    QString message;
    const auto change = [&](Graph &graph, QString *error) {
        if (StixIo::importBundle(arguments[1], graph, &message))
            return true;
        *error = message;
        return false;
    };
    return importInto(arguments[0], change, [&]() { out << message << '\n'; }, out, err);
}

int exportStix(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.size() != 2) {
        err << "usage: orvane-cli export-stix FILE bundle.json\n";
        return 2;
    }
    Project project;
    QString error;
    if (!openSource(arguments[0], project, err, &error))
        return failure(err, error);
    QString message;
    if (!StixIo::exportBundle(arguments[1], project.graph, &message))
        return failure(err, message);
    out << message << '\n';
    return 0;
}

} // namespace CliCommands
