#include "components/graphchanges.h"

namespace GraphChangeRules {

bool hasAttribute(const Node &node, const QString &key, const QString &value)
{
    const QString wanted = key.trimmed();
    for (const AttributeRow &row : node.attributes) {
        if (row.key.trimmed().compare(wanted, Qt::CaseInsensitive) == 0
            && row.value.trimmed() == value.trimmed())
            return true;
    }
    return false;
}

} // namespace GraphChangeRules

void GraphChanges::addAttribute(const QString &nodeId, const AttributeRow &row)
{
    Change change{Kind::Attribute, nodeId, row, 0, 0, {}, {}};
    m_changes.push_back(change);
}

void GraphChanges::setCoordinates(const QString &nodeId, double lat, double lon)
{
    m_changes.push_back({Kind::Coordinates, nodeId, {}, lat, lon, {}, {}});
}

void GraphChanges::insertNode(const Node &node)
{
    m_changes.push_back({Kind::Node, node.id, {}, 0, 0, node, {}});
}

void GraphChanges::insertEdge(const Edge &edge)
{
    m_changes.push_back({Kind::Edge, QString(), {}, 0, 0, {}, edge});
}

void GraphChanges::append(const GraphChanges &other)
{
    m_changes.insert(m_changes.end(), other.m_changes.cbegin(), other.m_changes.cend());
}

void GraphChanges::applyTo(Graph &graph) const
{
    for (const Change &change : m_changes) {
        switch (change.kind) {
        case Kind::Attribute: {
            if (!graph.hasNode(change.nodeId))
                break;
            Node node = graph.node(change.nodeId);
            if (GraphChangeRules::hasAttribute(node, change.row.key, change.row.value))
                break;
            node.attributes.append(change.row);
            graph.replaceNode(node);
            break;
        }
        case Kind::Coordinates: {
            if (!graph.hasNode(change.nodeId))
                break;
            Node node = graph.node(change.nodeId);
            node.geoLat = change.lat;
            node.geoLon = change.lon;
            graph.replaceNode(node);
            break;
        }
        case Kind::Node:
            graph.insertNode(change.node);
            break;
        case Kind::Edge:
            if (graph.hasNode(change.edge.src) && graph.hasNode(change.edge.dst))
                graph.insertEdge(change.edge);
            break;
        }
    }
}
