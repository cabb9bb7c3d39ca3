#include "storage/projectdb.h"

#include "model/graph.h"
#include "model/textforms.h"
#include "storage/filesafety.h"
#include "storage/projectdb_p.h"
#include "storage/projectfolder.h"
#include "storage/sqlitestatement.h"
#include "storage/stixtable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

using namespace ProjectDbDetail;
using namespace TextForms;

namespace {

// Copies the files a save refers to into the project folder and answers the paths to store.
//
// Within one folder, a destination already used by another file of the same save gets a
// numbered name, so that two different files called "photo.jpg" never overwrite each other.
// A file outside the project is copied only when the options allow it; copies go only into
// folders that really lie inside the project, never through a link leading out of it.
class MediaStore
{
public:
    MediaStore(const QString &projectFolder, const SaveOptions &options)
        : m_folder(projectFolder), m_options(options)
    {
    }

    // The path to store for a file. When the file now lies in the project folder, inProject
    // receives its absolute path. Returns false (with error set) only when a copy failed.
    bool storedPath(const QString &path, const QString &destinationDir, bool isMap,
                    QString *stored, QString *inProject, QString *error)
    {
        inProject->clear();
        const QString trimmed = path.trimmed();
        if (trimmed.isEmpty() || isResourcePath(trimmed)) {
            *stored = trimmed;
            return true;
        }
        const QString resolved = ProjectFolder::resolveFromFolder(trimmed, m_folder);
        const QFileInfo sourceInfo(resolved);
        if (!sourceInfo.exists() || !sourceInfo.isFile()) {
            *stored = ProjectFolder::relativeToFolder(trimmed, m_folder);
            return true;
        }
        const QString sourcePath = sourceInfo.absoluteFilePath();
        if (!FileSafety::resolvesInside(sourcePath, m_folder) && !m_options.mayCopy(sourcePath)) {
            *stored = ProjectFolder::relativeToFolder(trimmed, m_folder);
            return true;
        }
        if (ProjectFolder::isInsideFolder(sourcePath, destinationDir)) {
            claim(sourcePath, sourcePath);
            *stored = QDir(m_folder).relativeFilePath(sourcePath);
            *inProject = sourcePath;
            return true;
        }
        QString fileName = sourceInfo.fileName();
        if (isMap && fileName.isEmpty())
            fileName = QStringLiteral("image.png");
        const QString destination = freeDestination(destinationDir, fileName, sourcePath);
        if (!FileSafety::resolvesInside(destinationDir, m_folder)) {
            setError(error, QStringLiteral("Dossier hors du projet (lien symbolique): %1")
                                .arg(destinationDir));
            return false;
        }
        if (!FileSafety::makeOwnerOnlyPath(destinationDir)) {
            setError(error, QStringLiteral("Impossible de créer: %1").arg(destinationDir));
            return false;
        }
        // A link planted where the copy goes is replaced, never written through.
        if (QFileInfo(destination).isSymLink() && !QFile::remove(destination)) {
            setError(error, QStringLiteral("Copie échouée de %1 vers %2").arg(sourcePath, destination));
            return false;
        }
        if (!ProjectFolder::copyFileInto(sourcePath, destination, error))
            return false;
        FileSafety::restrictToOwner(destination);
        claim(destination, sourcePath);
        *stored = QDir(m_folder).relativeFilePath(destination);
        *inProject = destination;
        return true;
    }

private:
    void claim(const QString &destination, const QString &source)
    {
        m_claims.insert(QDir::cleanPath(destination), source);
    }

    QString freeDestination(const QString &dir, const QString &fileName, const QString &source)
    {
        const QFileInfo name(fileName);
        QString candidate = QDir::cleanPath(QDir(dir).filePath(fileName));
        for (int n = 2;; ++n) {
            const auto it = m_claims.constFind(candidate);
            if (it == m_claims.cend() || *it == source)
                return candidate;
            const QString suffix = name.suffix();
            const QString numbered = QStringLiteral("%1 (%2)").arg(name.completeBaseName()).arg(n)
                + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
            candidate = QDir::cleanPath(QDir(dir).filePath(numbered));
        }
    }

    QString m_folder;
    const SaveOptions &m_options;
    QHash<QString, QString> m_claims; // destination -> source copied there in this save
};

// Writes attribute rows once per distinct (owner, key, value) and gives every written row an
// id of its own: rows copied along with a cloned record keep their old id in memory.
class AttributeWriter
{
public:
    explicit AttributeWriter(SqliteStatement &insert) : m_insert(insert) {}

    bool write(const QString &owner, const QList<AttributeRow> &rows, QString *error)
    {
        QSet<std::pair<QString, QString>> written;
        for (const AttributeRow &row : rows) {
            if (rows.size() > 1) {
                if (written.contains({row.key, row.value}))
                    continue;
                written.insert({row.key, row.value});
            }
            QString id = row.id.trimmed();
            if (id.isEmpty() || m_usedIds.contains(id))
                id = newId();
            m_usedIds.insert(id);
            m_insert.bindText(1, id);
            m_insert.bindText(2, owner);
            m_insert.bindText(3, row.key);
            m_insert.bindText(4, row.value);
            if (!m_insert.execute()) {
                setError(error, m_insert.errorText());
                return false;
            }
        }
        return true;
    }

private:
    SqliteStatement &m_insert;
    QSet<QString> m_usedIds;
};

} // namespace

namespace {

// Media names are half of the node_medias key: a second record with the same name on one
// node gets a numbered name instead of failing the whole save.
QString uniqueMediaName(const QString &name, QSet<QString> &used)
{
    QString candidate = name;
    for (int n = 2; used.contains(candidate); ++n)
        candidate = QStringLiteral("%1 (%2)").arg(name).arg(n);
    used.insert(candidate);
    return candidate;
}

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
    QHash<QString, Node> copiedNodes;
    if (!writeGraphRows(graph, folder, options, error, &copiedNodes)
        || !exec(QStringLiteral("INSERT OR REPLACE INTO project_meta(key,value) "
                                "VALUES('generation','%1')")
                     .arg(current + 1),
                 error)) {
        rollback();
        return SaveResult::Failed;
    }
    // A refused scene row fails the whole save: the file keeps what it held, and the scene
    // in memory takes the rows' new ids and copied images only once they are stored.
    SceneRecords written = scene ? *scene : SceneRecords();
    if (scene && !writeSceneRows(written, folder, options, error)) {
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
    if (scene)
        *scene = written;
    if (copied)
        *copied = copiedNodes;
    if (newGeneration)
        *newGeneration = current + 1;
    return SaveResult::Saved;
}

bool ProjectDb::writeGraphRows(const Graph &graph, const QString &folder,
                               const SaveOptions &options, QString *error,
                               QHash<QString, Node> *copied)
{
    const Graph::NodeTable &nodes = graph.nodes();
    const Graph::EdgeTable &edges = graph.edges();

    QHash<QString, Node> &copiedNodes = *copied;
    sqlite3 *handle = SqliteStatement::handle(m_db);
    for (const char *statement :
         {"DELETE FROM edge_attrs", "DELETE FROM edges", "DELETE FROM group_members",
          "DELETE FROM node_medias", "DELETE FROM node_attrs", "DELETE FROM nodes"}) {
        if (!exec(QLatin1String(statement), error))
            return false;
    }

    SqliteStatement insertNode(handle,
        "INSERT INTO nodes(id,label,type,shape,color,size,media_path,description,valid_start,"
        "valid_end,show_label,anchored,visible,hypothesis,x,y,geo_lat,geo_lon) "
        "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    SqliteStatement insertNodeAttr(handle,
        "INSERT INTO node_attrs(id,node_id,k,v) VALUES(?,?,?,?)");
    SqliteStatement insertMedia(handle,
        "INSERT INTO node_medias(node_id,name,file,description,tags,date,author,sha256) "
        "VALUES(?,?,?,?,?,?,?,?)");
    SqliteStatement insertEdge(handle,
        "INSERT INTO edges(id,src,dst,label,show_label,hypothesis,type,direction,description,"
        "valid_start,valid_end,color,width,visible) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    SqliteStatement insertEdgeAttr(handle,
        "INSERT INTO edge_attrs(id,edge_id,k,v) VALUES(?,?,?,?)");
    SqliteStatement insertMember(handle,
        "INSERT INTO group_members(group_id,node_id,offset_x,offset_y) VALUES(?,?,?,?)");
    for (const SqliteStatement *statement : {&insertNode, &insertNodeAttr, &insertMedia,
                                             &insertEdge, &insertEdgeAttr, &insertMember}) {
        if (!statement->isValid()) {
            setError(error, statement->errorText());
            return false;
        }
    }

    MediaStore media(folder, options);
    AttributeWriter nodeAttributes(insertNodeAttr);
    for (const Node &node : nodes) {
        const bool hasFiles = !node.mediaPath.trimmed().isEmpty() || !node.medias.isEmpty();
        const QString nodeFolder =
            hasFiles ? ProjectFolder::nodeFolderPath(folder, node.id) : QString();
        QString mediaPath;
        QString inProject;
        if (!media.storedPath(node.mediaPath, nodeFolder, false, &mediaPath, &inProject,
                              error))
            return false;
        std::optional<Node> stored;
        if (!inProject.isEmpty() && inProject != node.mediaPath) {
            stored = node;
            stored->mediaPath = inProject;
        }
        insertNode.bindText(1, node.id);
        insertNode.bindText(2, node.label);
        insertNode.bindText(3, node.type);
        insertNode.bindText(4, shapeToText(node.shape));
        insertNode.bindOptionalText(5, colorToText(node.color));
        insertNode.bindDouble(6, node.size);
        insertNode.bindText(7, mediaPath);
        insertNode.bindText(8, node.description);
        insertNode.bindOptionalText(9, dateTimeToText(node.validity.start));
        insertNode.bindOptionalText(10, dateTimeToText(node.validity.end));
        insertNode.bindInt(11, node.showLabel);
        insertNode.bindInt(12, node.anchored);
        insertNode.bindInt(13, node.visible);
        insertNode.bindInt(14, node.hypothesis);
        insertNode.bindDouble(15, node.pos.x());
        insertNode.bindDouble(16, node.pos.y());
        if (node.geoLat)
            insertNode.bindDouble(17, *node.geoLat);
        else
            insertNode.bindNull(17);
        if (node.geoLon)
            insertNode.bindDouble(18, *node.geoLon);
        else
            insertNode.bindNull(18);
        if (!insertNode.execute()) {
            setError(error, insertNode.errorText());
            return false;
        }
        if (!nodeAttributes.write(node.id, node.attributes, error))
            return false;

        QSet<QString> mediaNames;
        const QString mediaFolder = nodeFolder + QStringLiteral("/medias");
        for (int i = 0; i < node.medias.size(); ++i) {
            const MediaRecord &record = node.medias.at(i);
            QString file;
            if (!media.storedPath(record.file, mediaFolder, false, &file, &inProject, error))
                return false;
            if (!inProject.isEmpty() && inProject != record.file) {
                if (!stored)
                    stored = node;
                stored->medias[i].file = inProject;
            }
            insertMedia.bindText(1, node.id);
            insertMedia.bindText(2, uniqueMediaName(record.name, mediaNames));
            insertMedia.bindText(3, file);
            insertMedia.bindText(4, record.description);
            insertMedia.bindText(5, record.tags);
            insertMedia.bindOptionalText(6, dateTimeToText(record.date));
            insertMedia.bindText(7, record.author);
            insertMedia.bindText(8, record.sha256);
            if (!insertMedia.execute()) {
                setError(error, insertMedia.errorText());
                return false;
            }
        }
        if (stored)
            copiedNodes.insert(stored->id, *stored);
    }

    AttributeWriter edgeAttributes(insertEdgeAttr);
    for (const Edge &edge : edges) {
        insertEdge.bindText(1, edge.id);
        insertEdge.bindText(2, edge.src);
        insertEdge.bindText(3, edge.dst);
        insertEdge.bindText(4, edge.label);
        insertEdge.bindInt(5, edge.showLabel);
        insertEdge.bindInt(6, edge.hypothesis);
        insertEdge.bindText(7, edge.type);
        insertEdge.bindText(8, directionToText(edge.direction));
        insertEdge.bindText(9, edge.description);
        insertEdge.bindOptionalText(10, dateTimeToText(edge.validity.start));
        insertEdge.bindOptionalText(11, dateTimeToText(edge.validity.end));
        insertEdge.bindOptionalText(12, colorToText(edge.color));
        insertEdge.bindDouble(13, edge.width);
        insertEdge.bindInt(14, edge.visible);
        if (!insertEdge.execute()) {
            setError(error, insertEdge.errorText());
            return false;
        }
        if (!edgeAttributes.write(edge.id, edge.attributes, error))
            return false;
    }

    if (!exec(QStringLiteral("DELETE FROM group_members"), error))
        return false;
    for (const Node &group : nodes) {
        const QString groupId = group.id.trimmed();
        if (!group.isGroup || groupId.isEmpty() || !nodes.contains(groupId))
            continue;
        QSet<QString> written;
        for (const QString &entry : group.groupMembers) {
            const QString memberId = entry.trimmed();
            if (memberId.isEmpty() || memberId == groupId || written.contains(memberId))
                continue;
            const auto member = nodes.constFind(memberId);
            if (member == nodes.cend())
                continue;
            written.insert(memberId);
            insertMember.bindText(1, groupId);
            insertMember.bindText(2, memberId);
            insertMember.bindDouble(3, member->groupOffset.x());
            insertMember.bindDouble(4, member->groupOffset.y());
            if (!insertMember.execute()) {
                setError(error, QStringLiteral("group_members insert failed: %1")
                                    .arg(insertMember.errorText()));
                return false;
            }
        }
    }
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
