#pragma once

#include "model/graph.h"

#include <QStringList>

// A project graph as loaded from its file, with the orders the listings page through.
struct LoadedProject
{
    Graph graph;
    QStringList sortedNodeIds; // locale-aware ascending
    QStringList sortedEdgeIds;
    qint64 generation = 0; // of the file the graph was read from; a write's save checks it
};
