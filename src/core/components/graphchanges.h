#pragma once

#include "model/graph.h"

#include <vector>

// What a component run adds to a graph, in order: attribute rows, coordinates, nodes and
// relations. Applying it again to the tables the run started from gives the same result;
// applied to tables that moved on meanwhile, it leaves out what no longer fits (rows of
// deleted nodes, relations whose ends are gone, rows the node already holds).
class GraphChanges
{
public:
    void addAttribute(const QString &nodeId, const AttributeRow &row);
    void setCoordinates(const QString &nodeId, double lat, double lon);
    void insertNode(const Node &node);
    void insertEdge(const Edge &edge);

    bool isEmpty() const { return m_changes.empty(); }
    void append(const GraphChanges &other);
    void applyTo(Graph &graph) const;

private:
    enum class Kind { Attribute, Coordinates, Node, Edge };
    struct Change
    {
        Kind kind;
        QString nodeId;
        AttributeRow row;
        double lat = 0;
        double lon = 0;
        Node node;
        Edge edge;
    };
    std::vector<Change> m_changes;
};

namespace GraphChangeRules {

// Whether the node already holds a row with this key (trimmed, any case) and value.
bool hasAttribute(const Node &node, const QString &key, const QString &value);

} // namespace GraphChangeRules
