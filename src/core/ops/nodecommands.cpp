#include "ops/nodecommands.h"

#include "model/textforms.h"

namespace NodeCommands {

namespace {

// Relations and group bookkeeping that named oldId name newId instead.
void renameReferences(Graph &graph, const QString &oldId, const QString &newId)
{
    const QStringList touching = graph.edgesTouching({oldId});
    for (const QString &edgeId : touching) {
        Edge edge = graph.edge(edgeId);
        if (edge.src == oldId)
            edge.src = newId;
        if (edge.dst == oldId)
            edge.dst = newId;
        graph.replaceEdge(edge);
    }
    QList<Node> changed;
    for (const Node &node : graph.nodes()) {
        if (node.parentGroup != oldId && !node.groupMembers.contains(oldId))
            continue;
        Node copy = node;
        if (copy.parentGroup == oldId)
            copy.parentGroup = newId;
        for (QString &member : copy.groupMembers) {
            if (member == oldId)
                member = newId;
        }
        changed.append(copy);
    }
    for (const Node &node : std::as_const(changed))
        graph.replaceNode(node);
}

bool joined(const Graph &graph, const QString &a, const QString &b)
{
    for (const Edge &edge : graph.edges()) {
        if ((edge.src == a && edge.dst == b) || (edge.src == b && edge.dst == a))
            return true;
    }
    return false;
}

} // namespace

QString displayName(const Node &node)
{
    return node.label.isEmpty() ? node.id : node.label;
}

Node newNode(const Graph &graph, const QPointF &pos)
{
    Node node;
    node.id = graph.unusedNodeId();
    node.label = QStringLiteral("Nouveau");
    node.pos = pos;
    return node;
}

Node insertWithFreshId(Graph &graph, Node node)
{
    while (node.id.isEmpty() || graph.hasNode(node.id))
        node.id = TextForms::newId();
    graph.insertNode(node);
    return node;
}

Node storeEditedNode(Graph &graph, const QString &previousId, Node edited)
{
    const Node previous = graph.hasNode(previousId) ? graph.node(previousId) : Node();
    edited.pos = previous.pos;
    edited.anchored = previous.anchored;
    if (edited.id.isEmpty())
        edited.id = previousId;
    if (edited.id != previousId) {
        if (graph.hasNode(edited.id))
            edited.id = graph.unusedNodeId();
        graph.removeNode(previousId);
        renameReferences(graph, previousId, edited.id);
    }
    graph.putNode(edited);
    return edited;
}

void mergeEditedNode(Graph &graph, const Node &edited)
{
    if (!graph.hasNode(edited.id)) {
        graph.insertNode(edited);
        return;
    }
    Node stored = graph.node(edited.id);
    stored.label = edited.label;
    stored.type = edited.type;
    stored.shape = edited.shape;
    stored.color = edited.color;
    stored.size = edited.size;
    stored.description = edited.description;
    stored.showLabel = edited.showLabel;
    stored.anchored = edited.anchored;
    stored.attributes = edited.attributes;
    stored.mediaPath = edited.mediaPath;
    stored.medias = edited.medias;
    stored.validity = edited.validity;
    // Also edited by the node form: dropping them would lose the analyst's input.
    stored.hypothesis = edited.hypothesis;
    stored.geoLat = edited.geoLat;
    stored.geoLon = edited.geoLon;
    stored.isInvestigationLink = edited.isInvestigationLink;
    stored.investigationPath = edited.investigationPath;
    graph.replaceNode(stored);
}

int edgesTouchingCount(const Graph &graph, const QSet<QString> &nodeIds)
{
    return int(graph.edgesTouching(nodeIds).size());
}

Removal removeNodes(Graph &graph, const QStringList &nodeIds)
{
    Removal removal;
    const QSet<QString> ids(nodeIds.cbegin(), nodeIds.cend());
    for (const QString &edgeId : graph.edgesTouching(ids)) {
        if (graph.removeEdge(edgeId))
            ++removal.edges;
    }
    for (const QString &id : ids) {
        if (graph.removeNode(id))
            ++removal.nodes;
    }
    return removal;
}

int removeEdges(Graph &graph, const QStringList &edgeIds)
{
    int removed = 0;
    const QSet<QString> ids(edgeIds.cbegin(), edgeIds.cend());
    for (const QString &id : ids) {
        if (graph.removeEdge(id))
            ++removed;
    }
    return removed;
}

Edge edgeTemplate(const Graph &graph, const QString &sourceId)
{
    Edge edge;
    edge.id = graph.unusedEdgeId();
    edge.src = sourceId;
    edge.type = QStringLiteral("relation");
    edge.direction = EdgeDirection::Directed;
    edge.color = QColor(QStringLiteral("#ff0000"));
    edge.width = 1.0;
    return edge;
}

EdgeCreation createEdges(Graph &graph, const Edge &templ, const QStringList &targets)
{
    EdgeCreation creation;
    for (const QString &target : targets) {
        if (!graph.hasNode(target)) {
            ++creation.ignored;
            continue;
        }
        Edge edge = templ;
        edge.id = graph.unusedEdgeId();
        edge.dst = target;
        graph.insertEdge(edge);
        creation.created.append(edge.id);
    }
    return creation;
}

QString missingEndsMessage(const Graph &graph, const Edge &edge)
{
    const bool srcExists = graph.hasNode(edge.src);
    const bool dstExists = graph.hasNode(edge.dst);
    if (srcExists && dstExists)
        return QString();
    const auto yesNo = [](bool value) {
        return value ? QStringLiteral("oui") : QStringLiteral("non");
    };
    return QStringLiteral("Les nœuds src/dst doivent exister.\nsrc='%1' (existe=%2)\n"
                          "dst='%3' (existe=%4)")
        .arg(edge.src, yesNo(srcExists), edge.dst, yesNo(dstExists));
}

AttributeNodes createNodesFromAttributes(Graph &graph, const QString &sourceId,
                                         const QList<AttributeRow> &rows)
{
    AttributeNodes result;
    if (!graph.hasNode(sourceId))
        return result;
    const QPointF origin = graph.node(sourceId).pos;
    for (int i = 0; i < rows.size(); ++i) {
        const QString key = rows.at(i).key.trimmed();
        const QString value = rows.at(i).value.trimmed();
        if (value.isEmpty())
            continue;
        QString targetId;
        for (const Node &node : graph.nodes()) {
            if (node.type.trimmed().compare(key, Qt::CaseInsensitive) == 0
                && node.label.trimmed().compare(value, Qt::CaseInsensitive) == 0) {
                targetId = node.id;
                break;
            }
        }
        if (targetId.isEmpty()) {
            Node node;
            node.id = graph.unusedNodeId();
            node.type = key;
            node.label = value;
            node.size = 1.0;
            node.pos = origin + QPointF(80.0 * i, 0.0);
            graph.insertNode(node);
            targetId = node.id;
            ++result.nodesCreated;
        }
        result.nodes.append(targetId);
        // A row naming the source itself gives no relation from the node to itself.
        if (targetId == sourceId || joined(graph, sourceId, targetId))
            continue;
        Edge edge;
        edge.id = graph.unusedEdgeId();
        edge.src = sourceId;
        edge.dst = targetId;
        edge.label = key;
        edge.type = key;
        edge.width = 1.8;
        edge.color = QColor(QStringLiteral("#55ffff"));
        graph.insertEdge(edge);
        ++result.edgesCreated;
    }
    return result;
}

int attachMedia(Graph &graph, const QStringList &nodeIds, const MediaRecord &media)
{
    int attached = 0;
    for (const QString &id : nodeIds) {
        if (!graph.hasNode(id))
            continue;
        Node node = graph.node(id);
        node.medias.append(media);
        graph.replaceNode(node);
        ++attached;
    }
    return attached;
}

} // namespace NodeCommands
