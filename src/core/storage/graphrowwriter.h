#pragma once

#include "model/graph.h"
#include "storage/mediastore.h"
#include "storage/sqlitestatement.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

struct SaveOptions;

// Writes the rows of single records into an open project database, inside the caller's
// transaction: a node's row with its attribute rows, its media rows and the copies of its
// files; a relation's row with its attribute rows; group memberships; and the removal of
// each of these. The whole save and the save of changed rows both write through it, so a
// record is stored the same way whichever save stores it.
class GraphRowWriter
{
public:
    // With freshTables, the save has just emptied every graph table. Otherwise rows of
    // records it does not rewrite stay in the file, and an attribute row id one of them holds
    // is given to a new id, as the whole save does with an id met twice.
    GraphRowWriter(sqlite3 *handle, const QString &folder, const SaveOptions &options,
                   bool freshTables);
    ~GraphRowWriter();
    GraphRowWriter(const GraphRowWriter &) = delete;
    GraphRowWriter &operator=(const GraphRowWriter &) = delete;

    // Prepares the statements; false (error set) when one is refused.
    bool prepare(QString *error);

    // The node row, its attribute rows and its media rows, copying its files into
    // nodes/<id>/ as the options allow.
    bool writeNode(const Node &node, QString *error);
    // The relation row and its attribute rows.
    bool writeEdge(const Edge &edge, QString *error);
    // One membership row of a group, with the member's offset in it.
    bool writeMembership(const QString &groupId, const QString &memberId, const QPointF &offset,
                         QString *error);

    // Removes a node's row with its attribute and media rows and its membership rows, as
    // group or as member.
    bool deleteNode(const QString &id, QString *error);
    // Removes the membership rows naming id as group or as member.
    bool deleteMemberships(const QString &id, QString *error);
    // Removes the membership rows of a group, leaving its own rows as a member.
    bool deleteGroupRows(const QString &groupId, QString *error);
    // Removes a relation's row with its attribute rows.
    bool deleteEdge(const QString &id, QString *error);

    // The nodes whose picture or media were copied by this writer, pointing at the copies.
    const QHash<QString, Node> &copiedNodes() const { return m_copied; }

private:
    bool writeAttributes(SqliteStatement &insert, SqliteStatement *taken, const QString &owner,
                         const QList<AttributeRow> &rows, QString *error);
    bool run(SqliteStatement &statement, const QString &id, QString *error);

    sqlite3 *m_handle;
    QString m_folder;
    MediaStore m_media;
    bool m_freshTables;
    std::unique_ptr<SqliteStatement> m_insertNode, m_insertNodeAttr, m_insertMedia,
        m_insertEdge, m_insertEdgeAttr, m_insertMember;
    std::unique_ptr<SqliteStatement> m_nodeAttrTaken, m_edgeAttrTaken;
    std::unique_ptr<SqliteStatement> m_deleteNode, m_deleteNodeAttrs, m_deleteMedias,
        m_deleteGroupRows, m_deleteMemberRows, m_deleteEdge, m_deleteEdgeAttrs;
    QSet<QString> m_usedNodeAttrIds;
    QSet<QString> m_usedEdgeAttrIds;
    QHash<QString, Node> m_copied;
};

// The member ids a group stores: trimmed, present in the table, neither empty, nor the group
// itself, nor repeated. Empty for a node that is no group or whose trimmed id is no node.
QStringList storedGroupMembers(const Graph::NodeTable &nodes, const Node &group);
