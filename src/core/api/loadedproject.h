#pragma once

#include "model/changeset.h"
#include "model/graph.h"

#include <QStringList>

// A project graph as loaded from its file, with the orders the listings page through.
struct LoadedProject
{
    Graph graph;
    QStringList sortedNodeIds; // locale-aware ascending
    QStringList sortedEdgeIds;
    qint64 generation = 0; // of the file the graph was read from; a write's save checks it

    // The ids of the graph in listing order.
    void sortIds();
    // Keeps the orders in step with changes already made to the graph: only the ids it added
    // or removed move, so a write to a large project does not sort everything again.
    void placeIds(const ChangeSet &changes);
};
