#pragma once

#include "model/edge.h"
#include "model/stixrecords.h"

#include <QHash>
#include <QStringList>

#include <optional>

// What one edit did to a graph's tables: for every node and relation it touched, the record
// before and after the edit, absent where the record did not exist. Only what was touched is
// kept, so a step that moves one node of a large graph holds two copies of one node.
struct ChangeSet
{
    struct NodeChange
    {
        std::optional<Node> before;
        std::optional<Node> after;
    };
    struct EdgeChange
    {
        std::optional<Edge> before;
        std::optional<Edge> after;
    };

    QHash<QString, NodeChange> nodes;
    QHash<QString, EdgeChange> edges;
    // The STIX objects kept with the graph, before and after, when the edit changed them.
    std::optional<std::pair<StixRecords, StixRecords>> stix;

    bool isEmpty() const { return nodes.isEmpty() && edges.isEmpty() && !stix; }
    // Forgets the records that ended as they began.
    void dropUnchanged();
};

// The ids an applied change set added, removed or changed, as the canvas needs them.
struct GraphChange
{
    QStringList nodesAdded;
    QStringList nodesRemoved;
    QStringList nodesChanged;
    QStringList edgesAdded;
    QStringList edgesRemoved;
    QStringList edgesChanged;

    bool isEmpty() const
    {
        return nodesAdded.isEmpty() && nodesRemoved.isEmpty() && nodesChanged.isEmpty()
            && edgesAdded.isEmpty() && edgesRemoved.isEmpty() && edgesChanged.isEmpty();
    }
    int size() const
    {
        return int(nodesAdded.size() + nodesRemoved.size() + nodesChanged.size()
                   + edgesAdded.size() + edgesRemoved.size() + edgesChanged.size());
    }
};
Q_DECLARE_METATYPE(GraphChange)
