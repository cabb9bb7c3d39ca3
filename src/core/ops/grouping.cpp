#include "ops/grouping.h"

#include "model/graph.h"
#include "model/textforms.h"

namespace Grouping {

namespace {

const QString bridgeKey = QStringLiteral("bridge_edges");

bool isBridgeRow(const AttributeRow &row)
{
    return row.key.trimmed().toLower() == bridgeKey;
}

bool isGroupNode(const Graph &graph, const QString &id)
{
    return graph.hasNode(id) && graph.nodes().value(id).isGroup;
}

// A node is hidden when any group enclosing it is collapsed. A parentGroup that names no
// group node does not hide the node: a stale reference must not make a node unreachable.
bool insideCollapsedGroup(const Graph &graph, const Node &node)
{
    QSet<QString> seen{node.id};
    QString parent = node.parentGroup;
    while (!parent.isEmpty() && !seen.contains(parent)) {
        seen.insert(parent);
        const auto it = graph.nodes().constFind(parent);
        if (it == graph.nodes().cend() || !it->isGroup)
            return false;
        if (!it->expanded)
            return true;
        parent = it->parentGroup;
    }
    return false;
}

void appendBridges(Node &group, const QStringList &ids)
{
    if (ids.isEmpty())
        return;
    const QString joined = ids.join(QLatin1Char(','));
    for (AttributeRow &row : group.attributes) {
        if (!isBridgeRow(row))
            continue;
        if (row.value.trimmed().isEmpty())
            row.value = joined;
        else
            row.value += QLatin1Char(',') + joined;
        return;
    }
    group.attributes.append({TextForms::newId(), bridgeKey, joined});
}

} // namespace

QStringList bridgeIds(const Node &group)
{
    QStringList ids;
    for (const AttributeRow &row : group.attributes) {
        if (!isBridgeRow(row))
            continue;
        for (const QString &part : row.value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString id = part.trimmed();
            if (!id.isEmpty())
                ids.append(id);
        }
    }
    return ids;
}

Visible visibleContent(const Graph &graph)
{
    Visible visible;
    QSet<QString> hiddenBridges;
    for (const Node &node : graph.nodes()) {
        if (node.isGroup && node.expanded) {
            const QStringList bridges = bridgeIds(node);
            hiddenBridges.unite(QSet<QString>(bridges.cbegin(), bridges.cend()));
        }
        if (node.parentGroup.isEmpty() || !insideCollapsedGroup(graph, node))
            visible.nodes.insert(node.id);
    }
    for (const Edge &edge : graph.edges()) {
        if (visible.nodes.contains(edge.src) && visible.nodes.contains(edge.dst)
            && !hiddenBridges.contains(edge.id))
            visible.edges.insert(edge.id);
    }
    return visible;
}

Node newGroupNode(const Graph &graph, const QPointF &pos)
{
    Node group;
    group.id = graph.unusedNodeId();
    group.label = QStringLiteral("Groupe");
    group.type = QStringLiteral("groupe");
    group.isGroup = true;
    group.shape = NodeShape::Circle;
    group.color = QColor(245, 245, 245);
    group.pos = pos;
    return group;
}

QStringList members(const Graph &graph, const QString &groupId)
{
    QStringList ids;
    const Node group = graph.node(groupId);
    for (const QString &id : group.groupMembers) {
        const auto it = graph.nodes().constFind(id);
        if (it != graph.nodes().cend() && it->parentGroup == groupId && !ids.contains(id))
            ids.append(id);
    }
    for (const Node &node : graph.nodes()) {
        if (node.parentGroup == groupId && node.id != groupId && !ids.contains(node.id))
            ids.append(node.id);
    }
    return ids;
}

int addToGroup(Graph &graph, const QString &groupId, const QStringList &nodeIds)
{
    if (!isGroupNode(graph, groupId))
        return -1;
    QSet<QString> joined;
    for (const QString &id : nodeIds) {
        if (id == groupId || !graph.hasNode(id))
            continue;
        Node node = graph.node(id);
        if (!node.parentGroup.isEmpty() && node.parentGroup != groupId
            && isGroupNode(graph, node.parentGroup)) {
            Node previous = graph.node(node.parentGroup);
            previous.groupMembers.removeAll(id);
            graph.replaceNode(previous);
        }
        Node group = graph.node(groupId);
        if (!group.groupMembers.contains(id)) {
            group.groupMembers.append(id);
            graph.replaceNode(group);
        }
        if (node.parentGroup != groupId)
            joined.insert(id);
        node.parentGroup = groupId;
        node.groupOffset = node.pos - group.pos;
        graph.replaceNode(node);
    }

    // Only relations of the nodes that joined now are bridged: the relations of earlier
    // members already have their bridges, and copying them again would double them.
    const QStringList memberIds = members(graph, groupId);
    const QSet<QString> memberSet(memberIds.cbegin(), memberIds.cend());
    QList<Edge> bridges;
    for (const Edge &edge : graph.edges()) {
        const bool srcIn = memberSet.contains(edge.src);
        const bool dstIn = memberSet.contains(edge.dst);
        if (srcIn == dstIn)
            continue;
        const QString &inside = srcIn ? edge.src : edge.dst;
        const QString &outside = srcIn ? edge.dst : edge.src;
        if (outside == groupId || !joined.contains(inside))
            continue;
        Edge bridge = edge;
        (srcIn ? bridge.src : bridge.dst) = groupId;
        bridges.append(bridge);
    }
    QStringList bridgeIdList;
    for (Edge &bridge : bridges) {
        bridge.id = graph.unusedEdgeId();
        graph.insertEdge(bridge);
        bridgeIdList.append(bridge.id);
    }
    Node group = graph.node(groupId);
    appendBridges(group, bridgeIdList);
    graph.replaceNode(group);
    return int(bridgeIdList.size());
}

bool expand(Graph &graph, const QString &groupId)
{
    if (!isGroupNode(graph, groupId))
        return false;
    Node group = graph.node(groupId);
    if (group.expanded)
        return false;
    group.expanded = true;
    graph.replaceNode(group);
    for (const QString &id : members(graph, groupId)) {
        Node member = graph.node(id);
        member.pos = group.pos + member.groupOffset;
        graph.replaceNode(member);
    }
    return true;
}

bool collapse(Graph &graph, const QString &groupId)
{
    if (!isGroupNode(graph, groupId))
        return false;
    Node group = graph.node(groupId);
    if (!group.expanded)
        return false;
    group.expanded = false;
    graph.replaceNode(group);
    return true;
}

bool ungroup(Graph &graph, const QString &groupId)
{
    if (!isGroupNode(graph, groupId))
        return false;
    const Node group = graph.node(groupId);
    for (const QString &id : members(graph, groupId)) {
        Node member = graph.node(id);
        member.pos = group.pos + member.groupOffset;
        member.parentGroup.clear();
        member.groupOffset = QPointF();
        graph.replaceNode(member);
    }
    for (const QString &edgeId : graph.edgesTouching({groupId}))
        graph.removeEdge(edgeId);
    graph.removeNode(groupId);
    return true;
}

Graph groupContent(const Graph &graph, const QString &groupId)
{
    Graph content;
    if (!isGroupNode(graph, groupId))
        return content;
    const Node group = graph.node(groupId);
    const QStringList memberIds = members(graph, groupId);
    for (const QString &id : memberIds) {
        Node copy = graph.node(id);
        copy.pos = group.pos + copy.groupOffset;
        copy.parentGroup.clear();
        copy.groupOffset = QPointF();
        content.insertNode(copy);
    }
    for (const Edge &edge : graph.edges()) {
        if (content.hasNode(edge.src) && content.hasNode(edge.dst))
            content.insertEdge(edge);
    }
    return content;
}

QString groupTabTitle(const Node &group)
{
    return QStringLiteral("Groupe %1").arg(group.label.isEmpty() ? group.id : group.label);
}

} // namespace Grouping
