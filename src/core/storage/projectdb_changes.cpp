#include "storage/projectdb.h"

#include "model/changeset.h"
#include "model/graph.h"
#include "storage/graphrowwriter.h"
#include "storage/projectdb_p.h"
#include "storage/projectfolder.h"
#include "storage/sqlitestatement.h"
#include "storage/stixtable.h"

#include <algorithm>

using namespace ProjectDbDetail;

SaveScope SaveScope::of(const ChangeSet &changes, bool sceneChanged)
{
    SaveScope scope;
    for (auto it = changes.nodes.cbegin(); it != changes.nodes.cend(); ++it)
        scope.nodeIds.insert(it.key());
    for (auto it = changes.edges.cbegin(); it != changes.edges.cend(); ++it)
        scope.edgeIds.insert(it.key());
    scope.stixChanged = bool(changes.stix);
    scope.sceneChanged = sceneChanged;
    return scope;
}

SaveResult ProjectDb::saveChanges(const Graph &graph, const SaveScope &scope, SceneRecords *scene,
                                  const QString &folder, const SaveOptions &options,
                                  QString *error, QHash<QString, Node> *copied,
                                  qint64 *newGeneration)
{
    if (!options.expectedGeneration) {
        setError(error, QStringLiteral("Enregistrement des seules modifications sans génération "
                                       "connue du fichier: %1")
                            .arg(m_path));
        return SaveResult::Failed;
    }
    if (scope.sceneChanged && !scene) {
        setError(error, QStringLiteral("Scène modifiée mais non fournie: %1").arg(m_path));
        return SaveResult::Failed;
    }
    const bool graphLost = m_graphTablesCreated || !hasGraphTables();
    if (!ProjectFolder::ensureProjectFolders(folder, error) || !repairSchema(error))
        return SaveResult::Failed;
    QHash<QString, Node> copiedNodes;
    SceneRecords written = scope.sceneChanged ? *scene : SceneRecords();
    const SaveResult result = writeTransaction(options, error, newGeneration, [&]() {
        const bool graphWritten = graphLost
            ? writeGraphRows(graph, folder, options, error, &copiedNodes)
            : writeChangedRows(graph, scope, folder, options, error, &copiedNodes);
        return graphWritten
            && (!scope.sceneChanged || writeSceneRows(written, folder, options, error));
    });
    if (result != SaveResult::Saved)
        return result;
    if (scope.sceneChanged)
        *scene = written;
    if (copied)
        *copied = copiedNodes;
    return SaveResult::Saved;
}

bool ProjectDb::writeChangedRows(const Graph &graph, const SaveScope &scope,
                                 const QString &folder, const SaveOptions &options,
                                 QString *error, QHash<QString, Node> *copied)
{
    sqlite3 *handle = SqliteStatement::handle(m_db);
    GraphRowWriter rows(handle, folder, options, false);
    if (!rows.prepare(error))
        return false;
    const Graph::NodeTable &nodes = graph.nodes();

    // Membership rows name groups and members by trimmed id: a record in scope affects the
    // rows under either form of its id.
    QSet<QString> affected = scope.nodeIds;
    for (const QString &id : scope.nodeIds)
        affected.insert(id.trimmed());

    // Everything in scope goes first, so that an attribute row id moving from one record to
    // another finds its old row gone.
    for (const QString &id : scope.nodeIds) {
        if (!rows.deleteNode(id, error))
            return false;
    }
    for (const QString &id : affected) {
        if (!scope.nodeIds.contains(id) && !rows.deleteMemberships(id, error))
            return false;
    }
    // A load lists a group's members in the order of their rows: a group that gains, keeps
    // or moves an affected member has all its rows written again, in the order of its list.
    QHash<QString, QStringList> rewrittenGroups;
    for (const Node &group : nodes) {
        if (!group.isGroup)
            continue;
        const QStringList members = storedGroupMembers(nodes, group);
        const QString groupId = group.id.trimmed();
        if (affected.contains(groupId)
            || std::any_of(members.cbegin(), members.cend(),
                           [&affected](const QString &member) { return affected.contains(member); }))
            rewrittenGroups.insert(groupId, members);
    }
    for (auto it = rewrittenGroups.cbegin(); it != rewrittenGroups.cend(); ++it) {
        if (!affected.contains(it.key()) && !rows.deleteGroupRows(it.key(), error))
            return false;
    }
    for (const QString &id : scope.edgeIds) {
        if (!rows.deleteEdge(id, error))
            return false;
    }

    for (const QString &id : scope.nodeIds) {
        const auto node = nodes.constFind(id);
        if (node != nodes.cend() && !rows.writeNode(*node, error))
            return false;
    }
    const Graph::EdgeTable &edges = graph.edges();
    for (const QString &id : scope.edgeIds) {
        const auto edge = edges.constFind(id);
        if (edge != edges.cend() && !rows.writeEdge(*edge, error))
            return false;
    }
    for (auto it = rewrittenGroups.cbegin(); it != rewrittenGroups.cend(); ++it) {
        for (const QString &memberId : it.value()) {
            if (!rows.writeMembership(it.key(), memberId, nodes.constFind(memberId)->groupOffset,
                                      error))
                return false;
        }
    }
    *copied = rows.copiedNodes();
    return scope.stixChanged ? StixTable::save(handle, graph, error)
                             : StixTable::saveRecords(handle, graph, scope.nodeIds,
                                                      scope.edgeIds, error);
}
