#include "api/storedform.h"

#include "model/changerecording.h"
#include "model/graph.h"
#include "model/textforms.h"
#include "storage/projectfolder.h"

#include <QSet>

namespace StoredForm {

namespace {

QString storedPath(const QString &path, const QString &folder)
{
    return ProjectFolder::resolveFromFolder(
        ProjectFolder::relativeToFolder(path.trimmed(), folder), folder);
}

QColor storedColor(const QColor &color)
{
    return TextForms::parseColor(TextForms::colorToText(color));
}

QDateTime storedTime(const QDateTime &time)
{
    return TextForms::parseDateTime(TextForms::dateTimeToText(time));
}

Validity storedValidity(const Validity &validity)
{
    return {storedTime(validity.start), storedTime(validity.end)};
}

QList<AttributeRow> storedAttributes(const QList<AttributeRow> &rows)
{
    if (rows.size() < 2)
        return rows;
    QList<AttributeRow> kept;
    QSet<std::pair<QString, QString>> seen;
    for (const AttributeRow &row : rows) {
        if (!seen.contains({row.key, row.value})) {
            seen.insert({row.key, row.value});
            kept.append(row);
        }
    }
    return kept;
}

QList<MediaRecord> storedMedias(QList<MediaRecord> medias, const QString &folder)
{
    QSet<QString> names;
    for (MediaRecord &media : medias) {
        const QString name = media.name;
        for (int n = 2; names.contains(media.name); ++n)
            media.name = QStringLiteral("%1 (%2)").arg(name).arg(n);
        names.insert(media.name);
        media.file = storedPath(media.file, folder);
        media.date = storedTime(media.date);
    }
    return medias;
}

struct Membership
{
    QString group;
    QPointF offset;
};

// The membership rows a save writes, by member: only groups that exist and members that
// exist, each member once per group, never a group in itself.
QHash<QString, Membership> memberships(const Graph &graph, const QSet<QString> &touched,
                                       QSet<QString> &affected)
{
    QHash<QString, Membership> rows;
    for (const Node &group : graph.nodes()) {
        const QString groupId = group.id.trimmed();
        if (!group.isGroup || groupId.isEmpty() || !graph.hasNode(groupId))
            continue;
        for (const QString &entry : group.groupMembers) {
            const QString memberId = entry.trimmed();
            // A group listing a touched node, or one that is gone, comes back changed.
            if (touched.contains(memberId))
                affected.insert(group.id);
            if (memberId.isEmpty() || memberId == groupId || !graph.hasNode(memberId))
                continue;
            rows.insert(memberId, {groupId, graph.nodes().value(memberId).groupOffset});
        }
    }
    return rows;
}

QStringList storedMembers(const Node &group, const Graph &graph)
{
    QStringList members;
    const QString groupId = group.id.trimmed();
    if (!group.isGroup || groupId.isEmpty() || !graph.hasNode(groupId))
        return members;
    for (const QString &entry : group.groupMembers) {
        const QString memberId = entry.trimmed();
        if (!memberId.isEmpty() && memberId != groupId && graph.hasNode(memberId)
            && !members.contains(memberId))
            members.append(memberId);
    }
    return members;
}

Node storedNode(Node node, const Graph &graph, const QHash<QString, Membership> &rows,
                const QString &folder)
{
    node.color = storedColor(node.color);
    node.mediaPath = storedPath(node.mediaPath, folder);
    node.validity = storedValidity(node.validity);
    node.attributes = storedAttributes(node.attributes);
    node.medias = storedMedias(node.medias, folder);
    node.groupMembers = storedMembers(node, graph);
    node.isGroup = !node.groupMembers.isEmpty();
    const auto row = rows.constFind(node.id);
    node.parentGroup = row != rows.cend() ? row->group : QString();
    node.groupOffset = row != rows.cend() ? row->offset : QPointF();
    const Node fresh;
    node.expanded = fresh.expanded;
    node.isInvestigationLink = fresh.isInvestigationLink;
    node.investigationPath = fresh.investigationPath;
    return node;
}

Edge storedEdge(Edge edge)
{
    edge.color = storedColor(edge.color);
    edge.validity = storedValidity(edge.validity);
    edge.attributes = storedAttributes(edge.attributes);
    edge.properties.clear();
    return edge;
}

} // namespace

void settle(Graph &graph, ChangeSet &changes, const QString &folder,
            const QHash<QString, Node> &copied)
{
    ChangeRecording::record(graph, changes, [&](Graph &g) {
        for (const Node &node : copied)
            g.replaceNode(node);
        QSet<QString> touched;
        for (auto it = changes.nodes.cbegin(); it != changes.nodes.cend(); ++it)
            touched.insert(it.key());
        for (auto it = copied.cbegin(); it != copied.cend(); ++it)
            touched.insert(it.key());
        QSet<QString> affected = touched;
        // The members of a group that changed, and the groups a changed member named.
        for (const ChangeSet::NodeChange &change : std::as_const(changes.nodes)) {
            for (const std::optional<Node> *side : {&change.before, &change.after}) {
                if (!*side)
                    continue;
                for (const QString &member : (*side)->groupMembers)
                    affected.insert(member.trimmed());
                if (!(*side)->parentGroup.isEmpty())
                    affected.insert((*side)->parentGroup);
            }
        }
        // Without a group among the touched records, no membership row moved: the scan of
        // every node is left out.
        bool grouped = false;
        for (const QString &id : std::as_const(affected)) {
            const Node &node = g.nodes().value(id);
            const ChangeSet::NodeChange change = changes.nodes.value(id);
            for (const Node *side : {&node, change.before ? &*change.before : nullptr}) {
                if (side && (side->isGroup || !side->groupMembers.isEmpty()
                             || !side->parentGroup.isEmpty()))
                    grouped = true;
            }
        }
        const QHash<QString, Membership> rows =
            grouped ? memberships(g, touched, affected) : QHash<QString, Membership>();
        QList<Node> settled;
        for (const QString &id : std::as_const(affected)) {
            const auto found = g.nodes().constFind(id);
            if (found != g.nodes().cend())
                settled.append(storedNode(*found, g, rows, folder));
        }
        // Written once every record was read: a group's form depends on its members.
        for (const Node &node : std::as_const(settled))
            g.replaceNode(node);
        QList<Edge> edges;
        for (auto it = changes.edges.cbegin(); it != changes.edges.cend(); ++it) {
            if (it->after)
                edges.append(storedEdge(*it->after));
        }
        for (const Edge &edge : std::as_const(edges))
            g.replaceEdge(edge);
        return true;
    });
}

} // namespace StoredForm
