#include "storage/projectfiles.h"

#include "model/graph.h"
#include "model/scenerecords.h"
#include "storage/filesafety.h"
#include "storage/projectdb.h"
#include "storage/projectfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>

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
          Failure *failure, LoadInfo *info)
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
    // One read transaction: the generation and the rows come from the same state of the file.
    QSqlDatabase connection = QSqlDatabase::database(db.connectionName(), false);
    const bool snapshot = connection.transaction();
    const qint64 generation = db.generation(error);
    const bool loaded =
        generation >= 0 && db.loadAll(loadedGraph, loadedScene, folderOf(dbPath), error);
    if (snapshot)
        connection.commit();
    if (!loaded)
        return fail(Failure::Load);
    if (info) {
        info->generation = generation;
        info->notice = db.recoveredJournal() ? db.recoveryMessage() : QString();
    }
    graph = loadedGraph;
    scene = loadedScene;
    if (failure)
        *failure = Failure::None;
    return true;
}

SaveResult save(const QString &dbPath, Graph &graph, SceneRecords &scene, QString *error,
                const SaveOptions &options, qint64 *newGeneration)
{
    const QString folder = folderOf(dbPath);
    for (const char *sub : {"nodes", "maps", "shapes"})
        FileSafety::makeOwnerOnlyPath(QDir(folder).filePath(QLatin1String(sub)));
    ProjectDb db(dbPath);
    QString dbError;
    if (!db.open(&dbError) || !db.initSchema(&dbError)) {
        if (error)
            *error = QStringLiteral("Base indisponible: %1").arg(dbError);
        return SaveResult::Failed;
    }
    QHash<QString, Node> stored;
    const SaveResult result =
        db.save(graph, &scene, folder, options, &dbError, &stored, newGeneration);
    if (result != SaveResult::Saved) {
        if (error)
            *error = QStringLiteral("Échec: %1")
                         .arg(dbError.isEmpty() ? QStringLiteral("saveGraph() a échoué (voir logs).")
                                                : dbError);
        return result;
    }
    for (const Node &node : std::as_const(stored))
        graph.replaceNode(node);
    return SaveResult::Saved;
}

bool save(const QString &dbPath, Graph &graph, SceneRecords &scene, QString *error)
{
    return save(dbPath, graph, scene, error, SaveOptions()) == SaveResult::Saved;
}

bool update(const QString &dbPath, const Change &change, QString *error, LoadInfo *info)
{
    // Each round loses only to a save that finished meanwhile; a bound keeps a writer from
    // spinning forever against a file rewritten without pause.
    constexpr int kRounds = 100;
    for (int round = 0; round < kRounds; ++round) {
        Graph graph;
        SceneRecords scene;
        LoadInfo loaded;
        if (QFileInfo(dbPath).isFile() && !load(dbPath, graph, scene, error, nullptr, &loaded))
            return false;
        if (info && round == 0)
            info->notice = loaded.notice;
        if (!change(graph, error))
            return false;
        SaveOptions options;
        options.expectedGeneration = loaded.generation;
        qint64 generation = 0;
        switch (save(dbPath, graph, scene, error, options, &generation)) {
        case SaveResult::Saved:
            if (info)
                info->generation = generation;
            return true;
        case SaveResult::Failed:
            return false;
        case SaveResult::ChangedOnDisk:
            break;
        }
    }
    return false;
}

} // namespace ProjectFiles
