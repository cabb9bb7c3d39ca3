#pragma once

#include <QStringList>

class Graph;

// Layouts rearrange the positions of nodes in a graph's table. They never touch canvas items
// and never move anchored nodes; after placing, the targets are translated back so that their
// centroid stays where it was.
namespace Layouts {

// Nodes on a circle of radius 10 * sqrt(n) + 200, in the order of the target list.
void circle(Graph &graph, const QStringList &targets);

// True when the graph holds several nodes that all sit at the origin, as freshly imported
// nodes do.
bool allNodesAtOrigin(const Graph &graph);

} // namespace Layouts
