#pragma once

#include "model/graph.h"

#include <vector>

// What a component run adds to a graph, in order: attribute rows, coordinates, descriptions,
// media records, nodes and relations. Applying it again to the tables the run started from gives the same result;
// applied to tables that moved on meanwhile, it leaves out what no longer fits (rows of
// deleted nodes, relations whose ends are gone, rows the node already holds).
class GraphChanges
{
public:
    void addAttribute(const QString &nodeId, const AttributeRow &row);
    // Appends the row even when the node holds an equal one (reports kept run after run).
    void appendAttribute(const QString &nodeId, const AttributeRow &row);
    // Gives the node's first row with this key the row's value, or appends the row.
    void setAttribute(const QString &nodeId, const AttributeRow &row);
    void setDescription(const QString &nodeId, const QString &description);
    void addMedia(const QString &nodeId, const MediaRecord &media);
    void setCoordinates(const QString &nodeId, double lat, double lon);
    void insertNode(const Node &node);
    void insertEdge(const Edge &edge);

    bool isEmpty() const { return m_changes.empty(); }
    void append(const GraphChanges &other);
    void applyTo(Graph &graph) const;

private:
    enum class Kind { Attribute, AppendAttribute, SetAttribute, Coordinates, Description, Media,
                      Node, Edge };
    struct Change
    {
        Kind kind;
        QString nodeId;
        AttributeRow row;
        double lat = 0;
        double lon = 0;
        Node node;
        Edge edge;
        QString text;
        MediaRecord media;
    };
    std::vector<Change> m_changes;
};

namespace GraphChangeRules {

// Whether the node already holds a row with this key (trimmed, any case) and value.
bool hasAttribute(const Node &node, const QString &key, const QString &value);
// Sets the first row with this key (trimmed, any case) to the row's value, or appends the row.
void setAttribute(Node &node, const AttributeRow &row);

} // namespace GraphChangeRules
