#include "model/graph.h"

#include "model/changeset.h"
#include "model/textforms.h"

#include <QSet>

void Graph::noteNode(const QString &id)
{
    if (!m_recorder || m_recorder->nodes.contains(id))
        return;
    const auto it = m_nodes.constFind(id);
    ChangeSet::NodeChange &change = m_recorder->nodes[id];
    if (it != m_nodes.cend())
        change.before = *it;
}

void Graph::noteEdge(const QString &id)
{
    if (!m_recorder || m_recorder->edges.contains(id))
        return;
    const auto it = m_edges.constFind(id);
    ChangeSet::EdgeChange &change = m_recorder->edges[id];
    if (it != m_edges.cend())
        change.before = *it;
}

bool Graph::insertNode(const Node &node)
{
    if (m_nodes.contains(node.id))
        return false;
    noteNode(node.id);
    m_nodes.insert(node.id, node);
    ++m_revision;
    return true;
}

bool Graph::replaceNode(const Node &node)
{
    auto it = m_nodes.find(node.id);
    if (it == m_nodes.end())
        return false;
    noteNode(node.id);
    *it = node;
    ++m_revision;
    return true;
}

void Graph::putNode(const Node &node)
{
    noteNode(node.id);
    m_nodes.insert(node.id, node);
    ++m_revision;
}

bool Graph::removeNode(const QString &id)
{
    if (!m_nodes.contains(id))
        return false;
    noteNode(id);
    if (!m_nodes.remove(id))
        return false;
    ++m_revision;
    return true;
}

bool Graph::insertEdge(const Edge &edge)
{
    if (m_edges.contains(edge.id))
        return false;
    noteEdge(edge.id);
    m_edges.insert(edge.id, edge);
    ++m_revision;
    return true;
}

bool Graph::replaceEdge(const Edge &edge)
{
    auto it = m_edges.find(edge.id);
    if (it == m_edges.end())
        return false;
    noteEdge(edge.id);
    *it = edge;
    ++m_revision;
    return true;
}

void Graph::putEdge(const Edge &edge)
{
    noteEdge(edge.id);
    m_edges.insert(edge.id, edge);
    ++m_revision;
}

bool Graph::removeEdge(const QString &id)
{
    if (!m_edges.contains(id))
        return false;
    noteEdge(id);
    if (!m_edges.remove(id))
        return false;
    ++m_revision;
    return true;
}

void Graph::clear()
{
    if (m_recorder) {
        for (auto it = m_nodes.cbegin(); it != m_nodes.cend(); ++it)
            noteNode(it.key());
        for (auto it = m_edges.cbegin(); it != m_edges.cend(); ++it)
            noteEdge(it.key());
    }
    m_nodes.clear();
    m_edges.clear();
    m_stix = StixRecords();
    ++m_revision;
}

void Graph::assign(NodeTable nodes, EdgeTable edges)
{
    if (m_recorder) {
        for (const NodeTable *table : {&m_nodes, &nodes}) {
            for (auto it = table->cbegin(); it != table->cend(); ++it)
                noteNode(it.key());
        }
        for (const EdgeTable *table : {&m_edges, &edges}) {
            for (auto it = table->cbegin(); it != table->cend(); ++it)
                noteEdge(it.key());
        }
    }
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
