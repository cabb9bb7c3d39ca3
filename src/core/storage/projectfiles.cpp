#include "storage/projectfiles.h"

#include "model/graph.h"
#include "model/scenerecords.h"
#include "storage/projectdb.h"
#include "storage/projectfolder.h"

#include <QDir>
#include <QFileInfo>

namespace ProjectFiles {

Location saveAsLocation(const QString &chosenFile)
{
    const QFileInfo chosen(chosenFile);
    Location location;
    location.name = ProjectFolder::projectName(chosenFile);
    const QDir chosenDir = chosen.absoluteDir();
    location.folder = chosenDir.dirName() == location.name
        ? chosenDir.absolutePath()
        : chosenDir.absoluteFilePath(location.name);
    location.dbPath = QDir(location.folder).filePath(location.name + QStringLiteral(".orvane.db"));
    return location;
}

QString folderOf(const QString &dbPath)
{
    return QFileInfo(dbPath).absolutePath();
}

bool isInProjectFolder(const QString &dbPath)
{
    return QFileInfo(dbPath).absoluteDir().dirName() == ProjectFolder::projectName(dbPath);
}

QString databaseForPath(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return path;
    const QDir folder(info.absoluteFilePath());
    const QString name = folder.dirName();
    const QString preferred = folder.filePath(name + QStringLiteral(".orvane.db"));
    if (QFileInfo::exists(preferred))
        return preferred;
    return folder.filePath(name + QStringLiteral(".db"));
}

bool load(const QString &dbPath, Graph &graph, SceneRecords &scene, QString *error,
          Failure *failure)
{
    auto fail = [&](Failure kind) {
        if (failure)
            *failure = kind;
        return false;
    };
    ProjectDb db(dbPath);
    QString openError;
    if (!db.open(&openError) || !db.initSchema(&openError)) {
        if (error)
            *error = openError;
        return fail(Failure::Database);
    }
    Graph loadedGraph;
    SceneRecords loadedScene;
    if (!db.loadAll(loadedGraph, loadedScene, folderOf(dbPath), error))
        return fail(Failure::Load);
    graph = loadedGraph;
    scene = loadedScene;
    if (failure)
        *failure = Failure::None;
    return true;
}

bool save(const QString &dbPath, Graph &graph, SceneRecords &scene, QString *error)
{
    const QString folder = folderOf(dbPath);
    for (const char *sub : {"nodes", "maps", "shapes"})
        QDir(folder).mkpath(QLatin1String(sub));
    ProjectDb db(dbPath);
    QString dbError;
    if (!db.open(&dbError) || !db.initSchema(&dbError)) {
        if (error)
            *error = QStringLiteral("Base indisponible: %1").arg(dbError);
        return false;
    }
    QHash<QString, Node> stored;
    if (!db.saveAll(graph, scene, folder, &dbError, &stored)) {
        if (error)
            *error = QStringLiteral("Échec: %1").arg(dbError);
        return false;
    }
    for (const Node &node : std::as_const(stored))
        graph.replaceNode(node);
    return true;
}

} // namespace ProjectFiles
