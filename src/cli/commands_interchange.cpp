#include "commands.h"

#include "interchange/csvio.h"
#include "interchange/stixio.h"
#include "model/graph.h"
#include "model/scenerecords.h"
#include "storage/projectfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace CliCommands {

namespace {

// A project opened by a command, or the new one an import will create.
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

bool loadExisting(const QString &dbPath, Project &project, QString *error)
{
    project.dbPath = dbPath;
    return CliCommands::loadExisting(dbPath, project.graph, project.scene, error);
}

// The project an import adds to. A file that does not exist yet becomes a new project,
// placed as "Save as" places it: in a folder named after the project, which may already
// hold that project.
bool openTarget(const QString &file, Project &project, QString *error)
{
    const QString dbPath = ProjectFiles::databaseForPath(file);
    if (QFileInfo(dbPath).isFile())
        return loadExisting(dbPath, project, error);
    if (QFileInfo(file).isDir()) {
        *error = QStringLiteral("Base introuvable: %1").arg(dbPath);
        return false;
    }
    const ProjectFiles::Location location = ProjectFiles::saveAsLocation(file);
    if (QFileInfo(location.dbPath).isFile())
        return loadExisting(location.dbPath, project, error);
    project.dbPath = location.dbPath;
    return true;
}

bool openSource(const QString &file, Project &project, QString *error)
{
    const QString dbPath = ProjectFiles::databaseForPath(file);
    if (!QFileInfo(dbPath).isFile()) {
        *error = QStringLiteral("Base introuvable: %1").arg(dbPath);
        return false;
    }
    return loadExisting(dbPath, project, error);
}

int save(Project &project, QTextStream &out, QTextStream &err)
{
    QString error;
    if (!ProjectFiles::save(project.dbPath, project.graph, project.scene, &error))
        return failure(err, error);
    out << QStringLiteral("Enregistré: %1").arg(project.dbPath) << '\n';
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
    Project project;
    QString error;
    if (!openTarget(file, project, &error))
        return failure(err, error);
    // Both files are read before anything is saved: a failure leaves the project as it was.
    int nodes = 0;
    if (!CsvIo::readNodes(nodesPath, project.graph, &error, &nodes))
        return failure(err, error);
    int edges = 0;
    if (!edgesPath.isEmpty() && !CsvIo::readEdges(edgesPath, project.graph, &error, &edges))
        return failure(err, error);
    out << QStringLiteral("Nœuds importés: %1 (total %2)")
               .arg(nodes)
               .arg(project.graph.nodes().size())
        << '\n';
    if (!edgesPath.isEmpty())
        out << QStringLiteral("Relations importées: %1 (total %2)")
                   .arg(edges)
                   .arg(project.graph.edges().size())
            << '\n';
    return save(project, out, err);
}

int exportCsv(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.size() != 2) {
        err << "usage: orvane-cli export-csv FILE DIR\n";
        return 2;
    }
    Project project;
    QString error;
    if (!openSource(arguments[0], project, &error))
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
    Project project;
    QString error;
    if (!openTarget(arguments[0], project, &error))
        return failure(err, error);
    QString message;
    if (!StixIo::importBundle(arguments[1], project.graph, &message))
        return failure(err, message);
    out << message << '\n';
    return save(project, out, err);
}

int exportStix(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.size() != 2) {
        err << "usage: orvane-cli export-stix FILE bundle.json\n";
        return 2;
    }
    Project project;
    QString error;
    if (!openSource(arguments[0], project, &error))
        return failure(err, error);
    QString message;
    if (!StixIo::exportBundle(arguments[1], project.graph, &message))
        return failure(err, message);
    out << message << '\n';
    return 0;
}

} // namespace CliCommands
