#include "commands/layouts.h"

#include "model/graph.h"

#include <QHash>
#include <QPointF>

#include <cmath>

namespace Layouts {

namespace {

QPointF centroid(const Graph &graph, const QStringList &targets)
{
    QPointF sum;
    int count = 0;
    for (const QString &id : targets) {
        if (!graph.hasNode(id))
            continue;
        sum += graph.nodes().value(id).pos;
        ++count;
    }
    return count ? sum / count : QPointF();
}

// Writes the new positions of the non-anchored targets, shifted so that the centroid of the
// targets is the one they had before.
void applyKeepingCentroid(Graph &graph, const QStringList &targets,
                          const QHash<QString, QPointF> &placed)
{
    const QPointF before = centroid(graph, targets);
    QPointF sum;
    int count = 0;
    for (const QString &id : targets) {
        if (!graph.hasNode(id))
            continue;
        sum += placed.value(id, graph.nodes().value(id).pos);
        ++count;
    }
    const QPointF after = count ? sum / count : QPointF();
    const QPointF shift = before - after;
    for (auto it = placed.cbegin(); it != placed.cend(); ++it) {
        Node node = graph.node(it.key());
        if (node.anchored)
            continue;
        node.pos = it.value() + shift;
        graph.replaceNode(node);
    }
}

} // namespace

void circle(Graph &graph, const QStringList &targets)
{
    const int n = targets.size();
    if (n == 0)
        return;
    const double radius = 10.0 * std::sqrt(double(n)) + 200.0;
    const double step = 2.0 * M_PI / n;
    QHash<QString, QPointF> placed;
    for (int i = 0; i < n; ++i) {
        const QString &id = targets.at(i);
        if (graph.hasNode(id) && !graph.nodes().value(id).anchored)
            placed.insert(id, QPointF(radius * std::cos(i * step), radius * std::sin(i * step)));
    }
    applyKeepingCentroid(graph, targets, placed);
}

bool allNodesAtOrigin(const Graph &graph)
{
    if (graph.nodes().size() < 2)
        return false;
    for (const Node &node : graph.nodes()) {
        if (std::abs(node.pos.x()) > 1e-12 || std::abs(node.pos.y()) > 1e-12)
            return false;
    }
    return true;
}

} // namespace Layouts
