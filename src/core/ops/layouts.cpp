#include "ops/layouts.h"
#include "ops/layouts_p.h"

#include "model/graph.h"
#include "ops/timefilter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <deque>
#include <random>
#include <set>
#include <tuple>
#include <vector>

namespace Layouts {

QStringList knownTargets(const Graph &graph, const QStringList &targets)
{
    QStringList known;
    QSet<QString> seen;
    for (const QString &id : targets) {
        if (graph.hasNode(id) && !seen.contains(id)) {
            seen.insert(id);
            known.append(id);
        }
    }
    return known;
}

// The table's own order changes from one run to the next.
std::vector<const Edge *> edgesById(const Graph &graph)
{
    std::vector<const Edge *> edges;
    edges.reserve(size_t(graph.edges().size()));
    for (const Edge &edge : graph.edges())
        edges.push_back(&edge);
    std::sort(edges.begin(), edges.end(),
              [](const Edge *a, const Edge *b) { return a->id < b->id; });
    return edges;
}

namespace {

constexpr double twoPi = 2.0 * M_PI;

bool isAnchored(const Graph &graph, const QString &id)
{
    const auto it = graph.nodes().constFind(id);
    return it != graph.nodes().cend() && it->anchored;
}

// Neighbours of each target over the relations joining two distinct targets, both ways.
QHash<QString, QStringList> undirectedAdjacency(const Graph &graph, const QSet<QString> &targets)
{
    QHash<QString, QStringList> adjacency;
    for (const Edge *edge : edgesById(graph)) {
        if (edge->src == edge->dst || !targets.contains(edge->src)
            || !targets.contains(edge->dst))
            continue;
        adjacency[edge->src].append(edge->dst);
        adjacency[edge->dst].append(edge->src);
    }
    return adjacency;
}

QPointF centroid(const Graph &graph, const QStringList &targets)
{
    QPointF sum;
    for (const QString &id : targets)
        sum += graph.nodes().value(id).pos;
    return targets.isEmpty() ? QPointF() : sum / targets.size();
}

// Writes the new positions of the non-anchored targets, shifted so that the centroid of the
// targets (anchored ones where they are) is the one they had before.
void applyKeepingCentroid(Graph &graph, const QStringList &targets,
                          const QHash<QString, QPointF> &placed)
{
    if (targets.isEmpty())
        return;
    const QPointF before = centroid(graph, targets);
    QPointF sum;
    for (const QString &id : targets)
        sum += placed.value(id, graph.nodes().value(id).pos);
    const QPointF shift = before - sum / targets.size();
    for (auto it = placed.cbegin(); it != placed.cend(); ++it) {
        Node node = graph.node(it.key());
        if (node.anchored)
            continue;
        node.pos = it.value() + shift;
        graph.replaceNode(node);
    }
}

// Places the members of a circle of the given radius around centre, member k at angle
// 2 pi k / size, skipping anchored members.
void placeOnCircle(const Graph &graph, const QStringList &members, QPointF centre,
                   double radius, QHash<QString, QPointF> &placed)
{
    const int size = members.size();
    for (int k = 0; k < size; ++k) {
        if (isAnchored(graph, members.at(k)))
            continue;
        const double angle = twoPi * k / size;
        placed.insert(members.at(k),
                      centre + QPointF(radius * std::cos(angle), radius * std::sin(angle)));
    }
}

int columnsFor(qsizetype count)
{
    return int(std::ceil(std::sqrt(double(count))));
}

// Room kept free between the footprints of two neighbours on a circle.
constexpr double circleGap = 20.0;

// What a node takes on the canvas: the drawn body (radius 25 * size) or its label under it,
// whichever is wider, plus the grid's 12-unit margin.
double footprint(const Graph &graph, const QString &id, const LabelWidth &labelWidth)
{
    const Node &node = *graph.nodes().constFind(id);
    const double body = 50.0 * std::max(node.size, 0.0);
    const double label = node.showLabel ? labelWidth(node.label) : 0.0;
    return std::max(body, label) + 12.0;
}

// The radius wanted, or more when neighbours on a circle that small would overlap: each
// chord between neighbours must hold half of each footprint and the gap.
double spreadRadius(const Graph &graph, const QStringList &members, double wanted,
                    const LabelWidth &labelWidth)
{
    const qsizetype n = members.size();
    if (n < 2)
        return wanted;
    double widest = 0.0;
    double previous = footprint(graph, members.constLast(), labelWidth);
    for (const QString &id : members) {
        const double current = footprint(graph, id, labelWidth);
        widest = std::max(widest, (previous + current) / 2.0);
        previous = current;
    }
    const double chord = 2.0 * std::sin(M_PI / double(n));
    return std::max(wanted, (widest + circleGap) / chord);
}

} // namespace

LabelWidth applicationLabelWidth()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        const QFontMetricsF metrics{QFont()};
        return [metrics](const QString &label) { return metrics.horizontalAdvance(label); };
    }
    // A 9-point sans-serif font advances about 7 units per character on average.
    return [](const QString &label) { return 7.0 * double(label.size()); };
}

QStringList targetList(const Graph &graph, const QStringList &selectedIds)
{
    const QStringList selected = knownTargets(graph, selectedIds);
    if (!selected.isEmpty() && selected.size() < graph.nodes().size())
        return selected;
    QStringList all = graph.nodes().keys();
    std::sort(all.begin(), all.end());
    return all;
}

double nodeDiameter(const Graph &graph, const QString &id)
{
    const auto it = graph.nodes().constFind(id);
    if (it == graph.nodes().cend())
        return 25.0;
    if (it->size < 0.5)
        return 12.5;
    if (it->size > 6.0)
        return 150.0;
    return it->size * 25.0;
}

double labelSpacing(const Graph &graph, const QStringList &ids)
{
    if (ids.isEmpty())
        return 100.0;
    double characters = 0.0;
    for (const QString &id : ids)
        characters += double(graph.nodes().value(id).label.size());
    return std::clamp(40.0 + 8.0 * characters / double(ids.size()), 80.0, 250.0);
}

void grid(Graph &graph, const QStringList &targets, const LabelWidth &labelWidth)
{
    const QStringList ids = knownTargets(graph, targets);
    const int columns = columnsFor(ids.size());
    if (columns < 1)
        return;
    const LabelWidth measure = labelWidth ? labelWidth : applicationLabelWidth();
    std::vector<double> widths(size_t(columns), 40.0);
    for (int i = 0; i < ids.size(); ++i) {
        const QString &id = ids.at(i);
        const double width =
            std::max(measure(graph.nodes().value(id).label), nodeDiameter(graph, id)) + 12.0;
        double &column = widths[size_t(i % columns)];
        column = std::max(column, width);
    }
    std::vector<double> offsets(size_t(columns), 0.0);
    double total = widths[0] + 16.0;
    for (size_t c = 1; c < widths.size(); ++c) {
        offsets[c] = offsets[c - 1] + widths[c - 1] + 16.0;
        total += widths[c] + 16.0;
    }
    QHash<QString, QPointF> placed;
    for (int i = 0; i < ids.size(); ++i) {
        if (isAnchored(graph, ids.at(i)))
            continue;
        const size_t column = size_t(i % columns);
        placed.insert(ids.at(i), QPointF(offsets[column] - total / 2.0 + widths[column] / 2.0,
                                         (i / columns) * 90.0));
    }
    applyKeepingCentroid(graph, ids, placed);
}

void zigzag(Graph &graph, const QStringList &targets)
{
    const QStringList ids = knownTargets(graph, targets);
    QStringList free;
    for (const QString &id : ids) {
        if (!isAnchored(graph, id))
            free.append(id);
    }
    if (free.isEmpty())
        return;
    QHash<QString, int> index;
    for (int i = 0; i < free.size(); ++i)
        index.insert(free.at(i), i);
    std::vector<int> incoming(size_t(free.size()), 0);
    std::vector<std::vector<int>> outgoing(size_t(free.size()));
    for (const Edge *edge : edgesById(graph)) {
        const auto src = index.constFind(edge->src);
        const auto dst = index.constFind(edge->dst);
        if (src == index.cend() || dst == index.cend())
            continue;
        ++incoming[size_t(*dst)];
        outgoing[size_t(*src)].push_back(*dst);
    }

    // Kahn's method. When only cycles remain, the node with the fewest incoming relations
    // left goes next, the first in target order on a tie: the smallest (count, position) of
    // the nodes not placed yet.
    std::set<std::pair<int, int>> remaining;
    std::deque<int> ready;
    for (int i = 0; i < free.size(); ++i) {
        remaining.insert({incoming[size_t(i)], i});
        if (incoming[size_t(i)] == 0)
            ready.push_back(i);
    }
    QStringList order;
    while (!remaining.empty()) {
        if (ready.empty())
            ready.push_back(remaining.begin()->second);
        const int node = ready.front();
        ready.pop_front();
        if (!remaining.erase({incoming[size_t(node)], node}))
            continue; // placed already
        order.append(free.at(node));
        for (int next : outgoing[size_t(node)]) {
            int &count = incoming[size_t(next)];
            if (!remaining.erase({count, next}))
                continue;
            remaining.insert({--count, next});
            if (count == 0)
                ready.push_back(next);
        }
    }

    const double half = std::max(0.4 * labelSpacing(graph, order), 100.0);
    QHash<QString, QPointF> placed;
    for (int k = 0; k < order.size(); ++k)
        placed.insert(order.at(k), QPointF(k % 2 == 0 ? -half : half, 100.0 * k));
    applyKeepingCentroid(graph, ids, placed);
}

void circle(Graph &graph, const QStringList &targets)
{
    const QStringList ids = knownTargets(graph, targets);
    const double radius = spreadRadius(graph, ids, 10.0 * std::sqrt(double(ids.size())) + 200.0,
                                       applicationLabelWidth());
    QHash<QString, QPointF> placed;
    placeOnCircle(graph, ids, QPointF(), radius, placed);
    applyKeepingCentroid(graph, ids, placed);
}

void random(Graph &graph, const QStringList &targets)
{
    const QStringList ids = knownTargets(graph, targets);
    std::mt19937 generator(42);
    QHash<QString, QPointF> placed;
    for (const QString &id : ids) {
        if (isAnchored(graph, id))
            continue;
        const double u1 =
            std::generate_canonical<double, std::numeric_limits<double>::digits>(generator);
        const double u2 =
            std::generate_canonical<double, std::numeric_limits<double>::digits>(generator);
        placed.insert(id, QPointF(1000.0 * u2 - 500.0, 1000.0 * u1 - 500.0));
    }
    applyKeepingCentroid(graph, ids, placed);
}

void radial(Graph &graph, const QStringList &targets)
{
    const QStringList ids = knownTargets(graph, targets);
    if (ids.isEmpty())
        return;
    const QSet<QString> set(ids.cbegin(), ids.cend());
    QHash<QString, int> degree;
    for (const Edge &edge : graph.edges()) {
        if (set.contains(edge.src) && set.contains(edge.dst)) {
            ++degree[edge.src];
            ++degree[edge.dst];
        }
    }
    QString root = ids.first();
    for (const QString &id : ids) {
        if (degree.value(id) > degree.value(root))
            root = id;
    }

    const QHash<QString, QStringList> adjacency = undirectedAdjacency(graph, set);
    QList<QStringList> levels{{root}};
    QHash<QString, int> levelOf{{root, 0}};
    std::deque<QString> queue{root};
    while (!queue.empty()) {
        const QString id = queue.front();
        queue.pop_front();
        const int next = levelOf.value(id) + 1;
        for (const QString &neighbour : adjacency.value(id)) {
            if (levelOf.contains(neighbour))
                continue;
            levelOf.insert(neighbour, next);
            if (levels.size() <= next)
                levels.append(QStringList());
            levels[next].append(neighbour);
            queue.push_back(neighbour);
        }
    }
    QStringList unreached;
    for (const QString &id : ids) {
        if (!levelOf.contains(id))
            unreached.append(id);
    }
    if (!unreached.isEmpty())
        levels.append(unreached);

    QHash<QString, QPointF> placed;
    for (int level = 0; level < levels.size(); ++level)
        placeOnCircle(graph, levels.at(level), QPointF(), 120.0 * level + 80.0, placed);
    applyKeepingCentroid(graph, ids, placed);
}

void components(Graph &graph, const QStringList &targets)
{
    const QStringList ids = knownTargets(graph, targets);
    const QHash<QString, QStringList> adjacency =
        undirectedAdjacency(graph, QSet<QString>(ids.cbegin(), ids.cend()));
    QList<QStringList> parts;
    QSet<QString> visited;
    for (const QString &start : ids) {
        if (visited.contains(start))
            continue;
        visited.insert(start);
        QStringList part{start};
        for (int head = 0; head < part.size(); ++head) {
            for (const QString &neighbour : adjacency.value(part.at(head))) {
                if (!visited.contains(neighbour)) {
                    visited.insert(neighbour);
                    part.append(neighbour);
                }
            }
        }
        parts.append(part);
    }
    const LabelWidth labelWidth = applicationLabelWidth();
    std::vector<double> radii;
    radii.reserve(size_t(parts.size()));
    // Cells stay 600 apart unless a spread-out component needs more room.
    double cell = 600.0;
    for (const QStringList &part : std::as_const(parts)) {
        radii.push_back(
            spreadRadius(graph, part, 10.0 * std::sqrt(double(part.size())) + 80.0, labelWidth));
        double widest = 0.0;
        for (const QString &id : part)
            widest = std::max(widest, footprint(graph, id, labelWidth));
        cell = std::max(cell, 2.0 * radii.back() + widest + circleGap);
    }
    const int columns = columnsFor(parts.size());
    QHash<QString, QPointF> placed;
    for (int j = 0; j < parts.size(); ++j) {
        const QPointF centre((j % columns) * cell, (j / columns) * cell);
        placeOnCircle(graph, parts.at(j), centre, radii[size_t(j)], placed);
    }
    applyKeepingCentroid(graph, ids, placed);
}

void clustersByType(Graph &graph, const QStringList &targets)
{
    const QStringList ids = knownTargets(graph, targets);
    QStringList types; // in order of first appearance
    QHash<QString, QStringList> members;
    for (const QString &id : ids) {
        const QString type = graph.nodes().value(id).type;
        if (!members.contains(type))
            types.append(type);
        members[type].append(id);
    }
    const int columns = columnsFor(types.size());
    QHash<QString, QPointF> placed;
    for (int j = 0; j < types.size(); ++j) {
        const QStringList &group = members[types.at(j)];
        const QPointF centre((j % columns) * 700.0, (j / columns) * 700.0);
        placeOnCircle(graph, group, centre, 15.0 * std::sqrt(double(group.size())) + 90.0,
                      placed);
    }
    applyKeepingCentroid(graph, ids, placed);
}

TimelinePlacement timeline(Graph &graph, const LabelWidth &labelWidth)
{
    struct Dated
    {
        QDateTime start;
        QString id;
        bool anchored;
    };
    std::vector<Dated> dated;
    for (const Node &node : graph.nodes()) {
        if (node.validity.start.isValid())
            dated.push_back({node.validity.start, node.id, node.anchored});
    }
    TimelinePlacement plan;
    if (dated.empty())
        return plan;
    std::sort(dated.begin(), dated.end(), [](const Dated &a, const Dated &b) {
        return a.start != b.start ? a.start < b.start : a.id < b.id;
    });
    plan.found = true;
    plan.earliest = dated.front().start;
    plan.latest = dated.back().start;
    qint64 sum = 0;
    for (const Dated &entry : dated)
        sum += entry.start.toSecsSinceEpoch();
    const QDateTime mean = std::clamp(
        QDateTime::fromSecsSinceEpoch(sum / qint64(dated.size()), Qt::UTC), plan.earliest,
        plan.latest);
    plan.viewCentre = QPointF(
        TimelineMath::xOfDate(plan.earliest, 0.0, timelinePixelsPerDay, mean), timelineAxisY);

    // Rows under the axis; a node takes the first row whose last node is at least 120 to the
    // left and whose label ends at least 16 before its own label begins.
    constexpr double rowGap = 100.0;
    constexpr double minimumSpacing = 120.0;
    constexpr double labelGap = 16.0;
    const LabelWidth measure = labelWidth ? labelWidth : applicationLabelWidth();
    struct RowEnd
    {
        double x;
        double halfWidth; // of the label or the node, whichever is wider
    };
    std::vector<RowEnd> rowEnds;
    for (const Dated &entry : dated) {
        if (entry.anchored)
            continue;
        const double x =
            TimelineMath::xOfDate(plan.earliest, 0.0, timelinePixelsPerDay, entry.start);
        const double halfWidth =
            std::max(measure(graph.node(entry.id).label), nodeDiameter(graph, entry.id)) / 2.0;
        const auto fits = [&](const RowEnd &end) {
            return x - end.x >= minimumSpacing
                && (x - halfWidth) - (end.x + end.halfWidth) >= labelGap;
        };
        size_t row = 0;
        while (row < rowEnds.size() && !fits(rowEnds[row]))
            ++row;
        if (row == rowEnds.size())
            rowEnds.push_back({x, halfWidth});
        rowEnds[row] = {x, halfWidth};
        Node node = graph.node(entry.id);
        node.pos = QPointF(x, timelineAxisY + rowGap * double(row + 1));
        graph.replaceNode(node);
    }
    return plan;
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

void placeFreshNodes(Graph &graph)
{
    if (graph.nodes().size() == 1) {
        Node only = *graph.nodes().cbegin();
        if (only.pos != QPointF()) {
            only.pos = QPointF();
            graph.replaceNode(only);
        }
    } else if (allNodesAtOrigin(graph)) {
        // A circle's length grows with the count: thousands of imported nodes would spread
        // along a ring tens of thousands of units wide. A grid stays about as wide as tall.
        QStringList ids = graph.nodes().keys();
        if (ids.size() <= freshCircleLimit) {
            circle(graph, ids);
            return;
        }
        std::sort(ids.begin(), ids.end());
        grid(graph, ids);
    }
}

} // namespace Layouts
