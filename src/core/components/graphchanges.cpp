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

void setAttribute(Node &node, const AttributeRow &row)
{
    for (AttributeRow &existing : node.attributes) {
        if (existing.key.trimmed().compare(row.key.trimmed(), Qt::CaseInsensitive) == 0) {
            existing.value = row.value;
            return;
        }
    }
    node.attributes.append(row);
}

} // namespace GraphChangeRules

void GraphChanges::addAttribute(const QString &nodeId, const AttributeRow &row)
{
    m_changes.push_back({Kind::Attribute, nodeId, row, 0, 0, {}, {}, {}, {}});
}

void GraphChanges::appendAttribute(const QString &nodeId, const AttributeRow &row)
{
    m_changes.push_back({Kind::AppendAttribute, nodeId, row, 0, 0, {}, {}, {}, {}});
}

void GraphChanges::setAttribute(const QString &nodeId, const AttributeRow &row)
{
    m_changes.push_back({Kind::SetAttribute, nodeId, row, 0, 0, {}, {}, {}, {}});
}

void GraphChanges::setDescription(const QString &nodeId, const QString &description)
{
    m_changes.push_back({Kind::Description, nodeId, {}, 0, 0, {}, {}, description, {}});
}

void GraphChanges::addMedia(const QString &nodeId, const MediaRecord &media)
{
    m_changes.push_back({Kind::Media, nodeId, {}, 0, 0, {}, {}, {}, media});
}

void GraphChanges::setCoordinates(const QString &nodeId, double lat, double lon)
{
    m_changes.push_back({Kind::Coordinates, nodeId, {}, lat, lon, {}, {}, {}, {}});
}

void GraphChanges::insertNode(const Node &node)
{
    m_changes.push_back({Kind::Node, node.id, {}, 0, 0, node, {}, {}, {}});
}

void GraphChanges::insertEdge(const Edge &edge)
{
    m_changes.push_back({Kind::Edge, QString(), {}, 0, 0, {}, edge, {}, {}});
}

void GraphChanges::append(const GraphChanges &other)
{
    m_changes.insert(m_changes.end(), other.m_changes.cbegin(), other.m_changes.cend());
}

void GraphChanges::applyTo(Graph &graph) const
{
    for (const Change &change : m_changes) {
        const bool onNode = change.kind != Kind::Node && change.kind != Kind::Edge;
        if (onNode && !graph.hasNode(change.nodeId))
            continue;
        switch (change.kind) {
        case Kind::Attribute: {
            Node node = graph.node(change.nodeId);
            if (GraphChangeRules::hasAttribute(node, change.row.key, change.row.value))
                break;
            node.attributes.append(change.row);
            graph.replaceNode(node);
            break;
        }
        case Kind::AppendAttribute:
        case Kind::SetAttribute:
        case Kind::Coordinates:
        case Kind::Description:
        case Kind::Media: {
            Node node = graph.node(change.nodeId);
            if (change.kind == Kind::AppendAttribute) {
                node.attributes.append(change.row);
            } else if (change.kind == Kind::SetAttribute) {
                GraphChangeRules::setAttribute(node, change.row);
            } else if (change.kind == Kind::Coordinates) {
                node.geoLat = change.lat;
                node.geoLon = change.lon;
            } else if (change.kind == Kind::Description) {
                node.description = change.text;
            } else {
                node.medias.append(change.media);
            }
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
