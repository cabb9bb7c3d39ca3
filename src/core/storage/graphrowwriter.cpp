#include "storage/graphrowwriter.h"

#include "model/textforms.h"
#include "storage/projectdb_p.h"
#include "storage/projectfolder.h"

#include <optional>

using namespace ProjectDbDetail;
using namespace TextForms;

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

bool fail(const SqliteStatement &statement, QString *error)
{
    setError(error, statement.errorText());
    return false;
}

} // namespace

GraphRowWriter::GraphRowWriter(sqlite3 *handle, const QString &folder,
                               const SaveOptions &options, bool freshTables)
    : m_handle(handle), m_folder(folder), m_media(folder, options), m_freshTables(freshTables)
{
}

GraphRowWriter::~GraphRowWriter() = default;

bool GraphRowWriter::prepare(QString *error)
{
    const std::pair<std::unique_ptr<SqliteStatement> *, const char *> statements[] = {
        {&m_insertNode,
         "INSERT INTO nodes(id,label,type,shape,color,size,media_path,description,valid_start,"
         "valid_end,show_label,anchored,visible,hypothesis,x,y,geo_lat,geo_lon) "
         "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"},
        {&m_insertNodeAttr, "INSERT INTO node_attrs(id,node_id,k,v) VALUES(?,?,?,?)"},
        {&m_insertMedia,
         "INSERT INTO node_medias(node_id,name,file,description,tags,date,author,sha256) "
         "VALUES(?,?,?,?,?,?,?,?)"},
        {&m_insertEdge,
         "INSERT INTO edges(id,src,dst,label,show_label,hypothesis,type,direction,description,"
         "valid_start,valid_end,color,width,visible) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)"},
        {&m_insertEdgeAttr, "INSERT INTO edge_attrs(id,edge_id,k,v) VALUES(?,?,?,?)"},
        {&m_insertMember,
         "INSERT INTO group_members(group_id,node_id,offset_x,offset_y) VALUES(?,?,?,?)"},
        {&m_nodeAttrTaken, "SELECT 1 FROM node_attrs WHERE id=?"},
        {&m_edgeAttrTaken, "SELECT 1 FROM edge_attrs WHERE id=?"},
        {&m_deleteNode, "DELETE FROM nodes WHERE id=?"},
        {&m_deleteNodeAttrs, "DELETE FROM node_attrs WHERE node_id=?"},
        {&m_deleteMedias, "DELETE FROM node_medias WHERE node_id=?"},
        {&m_deleteGroupRows, "DELETE FROM group_members WHERE group_id=?"},
        {&m_deleteMemberRows, "DELETE FROM group_members WHERE node_id=?"},
        {&m_deleteEdge, "DELETE FROM edges WHERE id=?"},
        {&m_deleteEdgeAttrs, "DELETE FROM edge_attrs WHERE edge_id=?"},
    };
    for (const auto &[statement, sql] : statements) {
        *statement = std::make_unique<SqliteStatement>(m_handle, sql);
        if (!(*statement)->isValid())
            return fail(**statement, error);
    }
    return true;
}

bool GraphRowWriter::writeNode(const Node &node, QString *error)
{
    SqliteStatement &insertNode = *m_insertNode;
    const bool hasFiles = !node.mediaPath.trimmed().isEmpty() || !node.medias.isEmpty();
    const QString nodeFolder =
        hasFiles ? ProjectFolder::nodeFolderPath(m_folder, node.id) : QString();
    QString mediaPath;
    QString inProject;
    if (!m_media.storedPath(node.mediaPath, nodeFolder, false, &mediaPath, &inProject, error))
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
    if (!insertNode.execute())
        return fail(insertNode, error);
    if (!writeAttributes(*m_insertNodeAttr, m_freshTables ? nullptr : m_nodeAttrTaken.get(),
                         node.id, node.attributes, error))
        return false;

    SqliteStatement &insertMedia = *m_insertMedia;
    QSet<QString> mediaNames;
    const QString mediaFolder = nodeFolder + QStringLiteral("/medias");
    for (int i = 0; i < node.medias.size(); ++i) {
        const MediaRecord &record = node.medias.at(i);
        QString file;
        if (!m_media.storedPath(record.file, mediaFolder, false, &file, &inProject, error))
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
        if (!insertMedia.execute())
            return fail(insertMedia, error);
    }
    if (stored)
        m_copied.insert(stored->id, *stored);
    return true;
}

bool GraphRowWriter::writeEdge(const Edge &edge, QString *error)
{
    SqliteStatement &insertEdge = *m_insertEdge;
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
    if (!insertEdge.execute())
        return fail(insertEdge, error);
    return writeAttributes(*m_insertEdgeAttr, m_freshTables ? nullptr : m_edgeAttrTaken.get(),
                           edge.id, edge.attributes, error);
}

bool GraphRowWriter::writeMembership(const QString &groupId, const QString &memberId,
                                     const QPointF &offset, QString *error)
{
    SqliteStatement &insertMember = *m_insertMember;
    insertMember.bindText(1, groupId);
    insertMember.bindText(2, memberId);
    insertMember.bindDouble(3, offset.x());
    insertMember.bindDouble(4, offset.y());
    if (!insertMember.execute()) {
        setError(error, QStringLiteral("group_members insert failed: %1")
                            .arg(insertMember.errorText()));
        return false;
    }
    return true;
}

// Writes attribute rows once per distinct (owner, key, value) and gives every written row an
// id of its own: rows copied along with a cloned record keep their old id in memory.
bool GraphRowWriter::writeAttributes(SqliteStatement &insert, SqliteStatement *taken,
                                     const QString &owner, const QList<AttributeRow> &rows,
                                     QString *error)
{
    QSet<QString> &usedIds = &insert == m_insertNodeAttr.get() ? m_usedNodeAttrIds
                                                                : m_usedEdgeAttrIds;
    QSet<std::pair<QString, QString>> written;
    for (const AttributeRow &row : rows) {
        if (rows.size() > 1) {
            if (written.contains({row.key, row.value}))
                continue;
            written.insert({row.key, row.value});
        }
        QString id = row.id.trimmed();
        if (!id.isEmpty() && !usedIds.contains(id) && taken) {
            taken->bindText(1, id);
            if (taken->hasRow())
                id.clear();
        }
        if (id.isEmpty() || usedIds.contains(id))
            id = newId();
        usedIds.insert(id);
        insert.bindText(1, id);
        insert.bindText(2, owner);
        insert.bindText(3, row.key);
        insert.bindText(4, row.value);
        if (!insert.execute())
            return fail(insert, error);
    }
    return true;
}

bool GraphRowWriter::run(SqliteStatement &statement, const QString &id, QString *error)
{
    statement.bindText(1, id);
    return statement.execute() || fail(statement, error);
}

bool GraphRowWriter::deleteNode(const QString &id, QString *error)
{
    return run(*m_deleteNodeAttrs, id, error) && run(*m_deleteMedias, id, error)
        && deleteMemberships(id, error) && run(*m_deleteNode, id, error);
}

bool GraphRowWriter::deleteMemberships(const QString &id, QString *error)
{
    return run(*m_deleteGroupRows, id, error) && run(*m_deleteMemberRows, id, error);
}

bool GraphRowWriter::deleteGroupRows(const QString &groupId, QString *error)
{
    return run(*m_deleteGroupRows, groupId, error);
}

bool GraphRowWriter::deleteEdge(const QString &id, QString *error)
{
    return run(*m_deleteEdgeAttrs, id, error) && run(*m_deleteEdge, id, error);
}

QStringList storedGroupMembers(const Graph::NodeTable &nodes, const Node &group)
{
    const QString groupId = group.id.trimmed();
    if (!group.isGroup || groupId.isEmpty() || !nodes.contains(groupId))
        return {};
    QStringList members;
    QSet<QString> written;
    for (const QString &entry : group.groupMembers) {
        const QString memberId = entry.trimmed();
        if (memberId.isEmpty() || memberId == groupId || written.contains(memberId)
            || !nodes.contains(memberId))
            continue;
        written.insert(memberId);
        members.append(memberId);
    }
    return members;
}
