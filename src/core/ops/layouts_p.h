#pragma once

#include <QStringList>

#include <vector>

struct Edge;
class Graph;

// Helpers shared by the layouts' sources.
namespace Layouts {

// Target ids that name a node of the table, in list order, once each.
QStringList knownTargets(const Graph &graph, const QStringList &targets);

// The relations of the table, by id.
std::vector<const Edge *> edgesById(const Graph &graph);

} // namespace Layouts
