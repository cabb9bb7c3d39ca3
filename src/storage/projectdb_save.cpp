#include "storage/projectdb.h"

#include "model/graph.h"
#include "model/textforms.h"
#include "storage/projectdb_p.h"
#include "storage/projectfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

using namespace ProjectDbDetail;
using namespace TextForms;

namespace {

// Copies the files a save refers to into the project folder and answers the paths to store.
//
// Within one folder, a destination already used by another file of the same save gets a
// numbered name, so that two different files called "photo.jpg" never overwrite each other.
class MediaStore
{
public:
    explicit MediaStore(const QString &projectFolder) : m_folder(projectFolder) {}

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
        if (!QDir().mkpath(destinationDir)) {
            setError(error, QStringLiteral("Impossible de créer: %1").arg(destinationDir));
            return false;
        }
        if (!ProjectFolder::copyFileInto(sourcePath, destination, error))
            return false;
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
    QHash<QString, QString> m_claims; // destination -> source copied there in this save
};

// Writes attribute rows once per distinct (owner, key, value) and gives every written row an
// id of its own: rows copied along with a cloned record keep their old id in memory.
class AttributeWriter
{
public:
    AttributeWriter(QSqlQuery &query) : m_query(query) {}

    bool write(const QString &owner, const QList<AttributeRow> &rows, QString *error)
    {
        QSet<std::pair<QString, QString>> written;
        for (const AttributeRow &row : rows) {
            if (written.contains({row.key, row.value}))
                continue;
            written.insert({row.key, row.value});
            QString id = row.id.trimmed();
            if (id.isEmpty() || m_usedIds.contains(id))
                id = newId();
            m_usedIds.insert(id);
            m_query.bindValue(0, id);
            m_query.bindValue(1, text(owner));
            m_query.bindValue(2, text(row.key));
            m_query.bindValue(3, text(row.value));
            if (!m_query.exec()) {
                setError(error, m_query.lastError().text());
                return false;
            }
        }
        return true;
    }

private:
    QSqlQuery &m_query;
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

bool ProjectDb::saveAll(const Graph &graph, SceneRecords &scene, const QString &folder,
                        QString *error, QHash<QString, Node> *copied)
{
    QString graphError;
    if (!saveGraph(graph, folder, &graphError, copied)) {
        setError(error, graphError.isEmpty() ? QStringLiteral("saveGraph() a échoué (voir logs).")
                                             : graphError);
        return false;
    }
    return saveScene(scene, folder, error);
}

bool ProjectDb::saveGraph(const Graph &graph, const QString &folder, QString *error,
                          QHash<QString, Node> *copied)
{
    if (!ProjectFolder::ensureProjectFolders(folder, error))
        return false;

    if (!hasNodesTable()) {
        QString schemaError;
        if (!initSchema(&schemaError)) {
            setError(error, QStringLiteral("initSchema() a échoué: ") + schemaError);
            return false;
        }
        if (!hasNodesTable()) {
            for (const char *table : {"node_medias", "node_attrs", "edge_attrs", "edges", "nodes"})
                exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(QLatin1String(table)), nullptr);
            if (!initSchema(&schemaError)) {
                setError(error, QStringLiteral("initSchema() post-réparation a échoué: ")
                                    + schemaError);
                return false;
            }
        }
    }

    const Graph::NodeTable &nodes = graph.nodes();
    const Graph::EdgeTable &edges = graph.edges();

    QHash<QString, Node> copiedNodes;
    const bool saved = inTransaction([&]() {
        for (const char *statement :
             {"DELETE FROM edge_attrs", "DELETE FROM edges", "DELETE FROM group_members",
              "DELETE FROM node_medias", "DELETE FROM node_attrs", "DELETE FROM nodes"}) {
            if (!exec(QLatin1String(statement), error))
                return false;
        }

        QSqlQuery insertNode(m_db);
        insertNode.prepare(QStringLiteral(
            "INSERT INTO nodes(id,label,type,shape,color,size,media_path,description,valid_start,"
            "valid_end,show_label,anchored,visible,hypothesis,x,y,geo_lat,geo_lon) "
            "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
        QSqlQuery insertNodeAttr(m_db);
        insertNodeAttr.prepare(
            QStringLiteral("INSERT INTO node_attrs(id,node_id,k,v) VALUES(?,?,?,?)"));
        QSqlQuery insertMedia(m_db);
        insertMedia.prepare(QStringLiteral(
            "INSERT INTO node_medias(node_id,name,file,description,tags,date,author,sha256) "
            "VALUES(?,?,?,?,?,?,?,?)"));

        MediaStore media(folder);
        AttributeWriter nodeAttributes(insertNodeAttr);
        for (const Node &node : nodes) {
            const QString nodeFolder = ProjectFolder::nodeFolderPath(folder, node.id);
            QString mediaPath;
            QString inProject;
            if (!media.storedPath(node.mediaPath, nodeFolder, false, &mediaPath, &inProject,
                                  error))
                return false;
            Node stored = node;
            if (!inProject.isEmpty())
                stored.mediaPath = inProject;
            insertNode.bindValue(0, text(node.id));
            insertNode.bindValue(1, text(node.label));
            insertNode.bindValue(2, text(node.type));
            insertNode.bindValue(3, shapeToText(node.shape));
            insertNode.bindValue(4, optionalText(colorToText(node.color)));
            insertNode.bindValue(5, node.size);
            insertNode.bindValue(6, text(mediaPath));
            insertNode.bindValue(7, text(node.description));
            insertNode.bindValue(8, optionalText(dateTimeToText(node.validity.start)));
            insertNode.bindValue(9, optionalText(dateTimeToText(node.validity.end)));
            insertNode.bindValue(10, int(node.showLabel));
            insertNode.bindValue(11, int(node.anchored));
            insertNode.bindValue(12, int(node.visible));
            insertNode.bindValue(13, int(node.hypothesis));
            insertNode.bindValue(14, node.pos.x());
            insertNode.bindValue(15, node.pos.y());
            insertNode.bindValue(16, optionalDouble(node.geoLat));
            insertNode.bindValue(17, optionalDouble(node.geoLon));
            if (!insertNode.exec()) {
                setError(error, insertNode.lastError().text());
                return false;
            }
            if (!nodeAttributes.write(node.id, node.attributes, error))
                return false;

            QSet<QString> mediaNames;
            const QString mediaFolder = nodeFolder + QStringLiteral("/medias");
            for (const MediaRecord &record : node.medias) {
                QString file;
                if (!media.storedPath(record.file, mediaFolder, false, &file, &inProject, error))
                    return false;
                if (!inProject.isEmpty())
                    stored.medias[int(&record - node.medias.data())].file = inProject;
                insertMedia.bindValue(0, text(node.id));
                insertMedia.bindValue(1, uniqueMediaName(record.name, mediaNames));
                insertMedia.bindValue(2, text(file));
                insertMedia.bindValue(3, text(record.description));
                insertMedia.bindValue(4, text(record.tags));
                insertMedia.bindValue(5, optionalText(dateTimeToText(record.date)));
                insertMedia.bindValue(6, text(record.author));
                insertMedia.bindValue(7, text(record.sha256));
                if (!insertMedia.exec()) {
                    setError(error, insertMedia.lastError().text());
                    return false;
                }
            }
            if (stored.mediaPath != node.mediaPath || stored.medias != node.medias)
                copiedNodes.insert(stored.id, stored);
        }

        QSqlQuery insertEdge(m_db);
        insertEdge.prepare(QStringLiteral(
            "INSERT INTO edges(id,src,dst,label,show_label,hypothesis,type,direction,description,"
            "valid_start,valid_end,color,width,visible) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
        QSqlQuery insertEdgeAttr(m_db);
        insertEdgeAttr.prepare(
            QStringLiteral("INSERT INTO edge_attrs(id,edge_id,k,v) VALUES(?,?,?,?)"));
        AttributeWriter edgeAttributes(insertEdgeAttr);
        for (const Edge &edge : edges) {
            insertEdge.bindValue(0, text(edge.id));
            insertEdge.bindValue(1, text(edge.src));
            insertEdge.bindValue(2, text(edge.dst));
            insertEdge.bindValue(3, text(edge.label));
            insertEdge.bindValue(4, int(edge.showLabel));
            insertEdge.bindValue(5, int(edge.hypothesis));
            insertEdge.bindValue(6, text(edge.type));
            insertEdge.bindValue(7, directionToText(edge.direction));
            insertEdge.bindValue(8, text(edge.description));
            insertEdge.bindValue(9, optionalText(dateTimeToText(edge.validity.start)));
            insertEdge.bindValue(10, optionalText(dateTimeToText(edge.validity.end)));
            insertEdge.bindValue(11, optionalText(colorToText(edge.color)));
            insertEdge.bindValue(12, edge.width);
            insertEdge.bindValue(13, int(edge.visible));
            if (!insertEdge.exec()) {
                setError(error, insertEdge.lastError().text());
                return false;
            }
            if (!edgeAttributes.write(edge.id, edge.attributes, error))
                return false;
        }

        if (!exec(QStringLiteral("DELETE FROM group_members"), error))
            return false;
        QSqlQuery insertMember(m_db);
        insertMember.prepare(QStringLiteral(
            "INSERT INTO group_members(group_id,node_id,offset_x,offset_y) VALUES(?,?,?,?)"));
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
                insertMember.bindValue(0, groupId);
                insertMember.bindValue(1, memberId);
                insertMember.bindValue(2, member->groupOffset.x());
                insertMember.bindValue(3, member->groupOffset.y());
                if (!insertMember.exec()) {
                    setError(error, QStringLiteral("group_members insert failed: %1")
                                        .arg(insertMember.lastError().text()));
                    return false;
                }
            }
        }
        return true;
    });
    if (saved && copied)
        *copied = copiedNodes;
    return saved;
}

bool ProjectDb::saveScene(SceneRecords &scene, const QString &folder, QString *error)
{
    return inTransaction([&]() {
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
        MediaStore media(folder);
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
    });
}
