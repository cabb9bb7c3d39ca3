#include "storage/projectfiles.h"

#include "model/changerecording.h"
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

namespace {

// Runs one save on the project database, with the folder layout in place; the save's own
// error text is given back as the window shows it.
SaveResult runSave(const QString &dbPath, QString *error,
                   const std::function<SaveResult(ProjectDb &, const QString &, QString *)> &body)
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
    const SaveResult result = body(db, folder, &dbError);
    if (result != SaveResult::Saved && error)
        *error = QStringLiteral("Échec: %1")
                     .arg(dbError.isEmpty() ? QStringLiteral("saveGraph() a échoué (voir logs).")
                                            : dbError);
    return result;
}

} // namespace

SaveResult save(const QString &dbPath, Graph &graph, SceneRecords &scene, QString *error,
                const SaveOptions &options, qint64 *newGeneration)
{
    QHash<QString, Node> stored;
    const SaveResult result =
        runSave(dbPath, error, [&](ProjectDb &db, const QString &folder, QString *dbError) {
            return db.save(graph, &scene, folder, options, dbError, &stored, newGeneration);
        });
    for (const Node &node : std::as_const(stored))
        graph.replaceNode(node);
    return result;
}

SaveResult saveChanges(const QString &dbPath, const Graph &graph, const SaveScope &scope,
                       SceneRecords *scene, QString *error, const SaveOptions &options,
                       QHash<QString, Node> *copied, qint64 *newGeneration)
{
    return runSave(dbPath, error, [&](ProjectDb &db, const QString &folder, QString *dbError) {
        return db.saveChanges(graph, scope, scene, folder, options, dbError, copied,
                              newGeneration);
    });
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
        const bool existed = QFileInfo(dbPath).isFile();
        if (existed && !load(dbPath, graph, scene, error, nullptr, &loaded))
            return false;
        if (info && round == 0)
            info->notice = loaded.notice;
        ChangeSet changes;
        if (!ChangeRecording::record(graph, changes,
                                      [&](Graph &changing) { return change(changing, error); }))
            return false;
        SaveOptions options;
        options.expectedGeneration = loaded.generation;
        qint64 generation = 0;
        const SaveResult result = existed
            ? saveChanges(dbPath, graph, SaveScope::of(changes, false), nullptr, error, options,
                          nullptr, &generation)
            : save(dbPath, graph, scene, error, options, &generation);
        switch (result) {
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
