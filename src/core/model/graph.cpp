#include "model/graph.h"

#include "model/textforms.h"

#include <QSet>

bool Graph::insertNode(const Node &node)
{
    if (m_nodes.contains(node.id))
        return false;
    m_nodes.insert(node.id, node);
    ++m_revision;
    return true;
}

bool Graph::replaceNode(const Node &node)
{
    auto it = m_nodes.find(node.id);
    if (it == m_nodes.end())
        return false;
    *it = node;
    ++m_revision;
    return true;
}

void Graph::putNode(const Node &node)
{
    m_nodes.insert(node.id, node);
    ++m_revision;
}

bool Graph::removeNode(const QString &id)
{
    if (!m_nodes.remove(id))
        return false;
    ++m_revision;
    return true;
}

bool Graph::insertEdge(const Edge &edge)
{
    if (m_edges.contains(edge.id))
        return false;
    m_edges.insert(edge.id, edge);
    ++m_revision;
    return true;
}

bool Graph::replaceEdge(const Edge &edge)
{
    auto it = m_edges.find(edge.id);
    if (it == m_edges.end())
        return false;
    *it = edge;
    ++m_revision;
    return true;
}

void Graph::putEdge(const Edge &edge)
{
    m_edges.insert(edge.id, edge);
    ++m_revision;
}

bool Graph::removeEdge(const QString &id)
{
    if (!m_edges.remove(id))
        return false;
    ++m_revision;
    return true;
}

void Graph::clear()
{
    m_nodes.clear();
    m_edges.clear();
    m_stix = StixRecords();
    ++m_revision;
}

void Graph::assign(NodeTable nodes, EdgeTable edges)
{
    m_nodes = std::move(nodes);
    m_edges = std::move(edges);
    ++m_revision;
}

QString Graph::unusedNodeId() const
{
    QString id = TextForms::newId();
    while (m_nodes.contains(id))
        id = TextForms::newId();
    return id;
}

QString Graph::unusedEdgeId() const
{
    QString id = TextForms::newId();
    while (m_edges.contains(id))
        id = TextForms::newId();
    return id;
}

QStringList Graph::edgesTouching(const QSet<QString> &nodeIds) const
{
    QStringList ids;
    for (auto it = m_edges.cbegin(); it != m_edges.cend(); ++it) {
        if (nodeIds.contains(it->src) || nodeIds.contains(it->dst))
            ids.append(it.key());
    }
    return ids;
}
