#include "storage/projectdb.h"

#include "model/graph.h"
#include "model/textforms.h"
#include "storage/filesafety.h"
#include "storage/graphrowwriter.h"
#include "storage/mediastore.h"
#include "storage/projectdb_p.h"
#include "storage/projectfolder.h"
#include "storage/sqlitestatement.h"
#include "storage/stixtable.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

using namespace ProjectDbDetail;
using namespace TextForms;

namespace {

QString argbText(const QColor &color)
{
    return color.isValid() ? color.name(QColor::HexArgb) : QString();
}

} // namespace

bool SaveOptions::mayCopy(const QString &absolutePath) const
{
    if (chosenFiles.contains(QDir::cleanPath(absolutePath))
        || chosenFiles.contains(QFileInfo(absolutePath).canonicalFilePath()))
        return true;
    return std::any_of(trustedFolders.cbegin(), trustedFolders.cend(), [&](const QString &folder) {
        return !folder.isEmpty() && FileSafety::resolvesInside(absolutePath, folder);
    });
}

bool ProjectDb::saveAll(const Graph &graph, SceneRecords &scene, const QString &folder,
                        QString *error, QHash<QString, Node> *copied)
{
    QString saveError;
    const SaveResult result = save(graph, &scene, folder, SaveOptions(), &saveError, copied);
    if (result != SaveResult::Saved)
        setError(error, saveError.isEmpty() ? QStringLiteral("saveGraph() a échoué (voir logs).")
                                            : saveError);
    return result == SaveResult::Saved;
}

bool ProjectDb::saveGraph(const Graph &graph, const QString &folder, QString *error,
                          QHash<QString, Node> *copied)
{
    return save(graph, nullptr, folder, SaveOptions(), error, copied) == SaveResult::Saved;
}

bool ProjectDb::repairSchema(QString *error)
{
    if (hasNodesTable())
        return true;
    QString schemaError;
    if (!initSchema(&schemaError)) {
        setError(error, QStringLiteral("initSchema() a échoué: ") + schemaError);
        return false;
    }
    if (!hasNodesTable()) {
        for (const char *table : {"node_medias", "node_attrs", "edge_attrs", "edges", "nodes"})
            exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(QLatin1String(table)), nullptr);
        if (!initSchema(&schemaError)) {
            setError(error, QStringLiteral("initSchema() post-réparation a échoué: ") + schemaError);
            return false;
        }
    }
    return true;
}

SaveResult ProjectDb::save(const Graph &graph, SceneRecords *scene, const QString &folder,
                           const SaveOptions &options, QString *error,
                           QHash<QString, Node> *copied, qint64 *newGeneration)
{
    if (!ProjectFolder::ensureProjectFolders(folder, error) || !repairSchema(error))
        return SaveResult::Failed;
    QHash<QString, Node> copiedNodes;
    // A refused scene row fails the whole save: the file keeps what it held, and the scene
    // in memory takes the rows' new ids and copied images only once they are stored.
    SceneRecords written = scene ? *scene : SceneRecords();
    const SaveResult result = writeTransaction(options, error, newGeneration, [&]() {
        return writeGraphRows(graph, folder, options, error, &copiedNodes)
            && (!scene || writeSceneRows(written, folder, options, error));
    });
    if (result != SaveResult::Saved)
        return result;
    if (scene)
        *scene = written;
    if (copied)
        *copied = copiedNodes;
    return SaveResult::Saved;
}

SaveResult ProjectDb::writeTransaction(const SaveOptions &options, QString *error,
                                       qint64 *newGeneration, const std::function<bool()> &body)
{
    // IMMEDIATE takes the write lock at once, so the generation read below cannot change
    // before this transaction commits.
    QString beginError;
    if (!exec(QStringLiteral("BEGIN IMMEDIATE"), &beginError)) {
        qWarning() << "[SQL] BEGIN failed:" << beginError;
        setError(error, beginError);
        return SaveResult::Failed;
    }
    auto rollback = [this]() {
        QString rollbackError;
        if (!exec(QStringLiteral("ROLLBACK"), &rollbackError))
            qWarning() << "[SQL] ROLLBACK failed:" << rollbackError;
    };
    const qint64 current = generation(error);
    if (current < 0) {
        rollback();
        return SaveResult::Failed;
    }
    if (options.expectedGeneration && *options.expectedGeneration != current) {
        rollback();
        setError(error, QStringLiteral("Le fichier a changé sur le disque depuis son chargement: %1")
                            .arg(m_path));
        return SaveResult::ChangedOnDisk;
    }
    if (!body()
        || !exec(QStringLiteral("INSERT OR REPLACE INTO project_meta(key,value) "
                                "VALUES('generation','%1')")
                     .arg(current + 1),
                 error)) {
        rollback();
        return SaveResult::Failed;
    }
    QString commitError;
    if (!exec(QStringLiteral("COMMIT"), &commitError)) {
        qWarning() << "[SQL] COMMIT failed:" << commitError;
        rollback();
        setError(error, commitError);
        return SaveResult::Failed;
    }
    if (newGeneration)
        *newGeneration = current + 1;
    return SaveResult::Saved;
}

bool ProjectDb::writeGraphRows(const Graph &graph, const QString &folder,
                               const SaveOptions &options, QString *error,
                               QHash<QString, Node> *copied)
{
    for (const char *statement :
         {"DELETE FROM edge_attrs", "DELETE FROM edges", "DELETE FROM group_members",
          "DELETE FROM node_medias", "DELETE FROM node_attrs", "DELETE FROM nodes"}) {
        if (!exec(QLatin1String(statement), error))
            return false;
    }
    sqlite3 *handle = SqliteStatement::handle(m_db);
    GraphRowWriter rows(handle, folder, options, true);
    if (!rows.prepare(error))
        return false;
    const Graph::NodeTable &nodes = graph.nodes();
    for (const Node &node : nodes) {
        if (!rows.writeNode(node, error))
            return false;
    }
    for (const Edge &edge : graph.edges()) {
        if (!rows.writeEdge(edge, error))
            return false;
    }
    for (const Node &group : nodes) {
        for (const QString &memberId : storedGroupMembers(nodes, group)) {
            if (!rows.writeMembership(group.id.trimmed(), memberId,
                                      nodes.constFind(memberId)->groupOffset, error))
                return false;
        }
    }
    *copied = rows.copiedNodes();
    return StixTable::save(handle, graph, error);
}

bool ProjectDb::saveScene(SceneRecords &scene, const QString &folder, QString *error)
{
    const SaveOptions options;
    SceneRecords written = scene;
    if (!inTransaction([&]() { return writeSceneRows(written, folder, options, error); }, error))
        return false;
    scene = written;
    return true;
}

bool ProjectDb::writeSceneRows(SceneRecords &scene, const QString &folder,
                               const SaveOptions &options, QString *error)
{
    QString clearError;
    if (!exec(QStringLiteral("DELETE FROM shapes"), &clearError)
        || !exec(QStringLiteral("DELETE FROM maps"), &clearError)) {
        qWarning() << "[SQL] clearSceneTables failed";
        setError(error, clearError);
        return false;
    }

    QSqlQuery insertShape(m_db);
    insertShape.prepare(QStringLiteral(
        "INSERT INTO shapes(uuid, kind, x, y, w, h, px, py, z, rotation, label, desc_html, "
        "fill, pen_color, pen_width, locked) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
        "?, ?, ?)"));
    for (ShapeRecord &shape : scene.shapes) {
        if (shape.uuid.isEmpty())
            shape.uuid = newId();
        const QVariant values[] = {
            shape.uuid,
            shape.kind == ShapeRecord::Kind::Ellipse ? QStringLiteral("ellipse")
                                                     : QStringLiteral("rect"),
            shape.rect.x(), shape.rect.y(), shape.rect.width(), shape.rect.height(),
            shape.pos.x(), shape.pos.y(), shape.z, shape.rotation, text(shape.label),
            text(shape.descriptionHtml), optionalText(argbText(shape.fill)),
            optionalText(argbText(shape.penColor)), shape.penWidth, int(shape.locked)};
        for (int i = 0; i < int(std::size(values)); ++i)
            insertShape.bindValue(i, values[i]);
        if (!insertShape.exec()) {
            qWarning() << "[SQL][shapes] insert failed for uuid=" << shape.uuid
                       << " err=" << insertShape.lastError().text();
            qWarning() << "[SQL] saveShapes failed";
            setError(error, insertShape.lastError().text());
            return false;
        }
    }

    if (!ProjectFolder::ensureProjectFolders(folder, error)) {
        qWarning() << "[SQL] saveMaps failed";
        return false;
    }
    QSqlQuery insertMap(m_db);
    insertMap.prepare(QStringLiteral(
        "INSERT INTO maps(file,uuid,label,description,x,y,rotation,z,w,h,anchored,show_grid,"
        "grid_step,grid_width,grid_color,anonymize) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    MediaStore media(folder, options);
    for (MapRecord &map : scene.maps) {
        if (map.uuid.isEmpty())
            map.uuid = newId();
        const QString mapFolder =
            QDir(folder).filePath(QStringLiteral("maps/") + ProjectFolder::nodeFolderName(map.uuid));
        QString file;
        QString inProject;
        if (!media.storedPath(map.file, mapFolder, true, &file, &inProject, error)) {
            qWarning() << "[SQL] saveMaps failed";
            return false;
        }
        if (!inProject.isEmpty())
            map.file = inProject;
        const QVariant values[] = {
            text(file), map.uuid, text(map.label), text(map.description), map.pos.x(),
            map.pos.y(), map.rotation, map.z, map.width, map.height, int(map.anchored),
            int(map.showGrid), map.gridStep, map.gridWidth,
            optionalText(argbText(map.gridColor)), int(map.anonymize)};
        for (int i = 0; i < int(std::size(values)); ++i)
            insertMap.bindValue(i, values[i]);
        if (!insertMap.exec()) {
            qWarning() << "[SQL] saveMaps failed";
            setError(error, insertMap.lastError().text());
            return false;
        }
    }
    return true;
}
