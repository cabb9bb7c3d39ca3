#include "analysis/statistics.h"

#include "analysis/categorycounts.h"

#include "model/graph.h"

#include <QJsonArray>

#include <algorithm>
#include <map>
#include <vector>

namespace Statistics {

namespace {

using CategoryCounts::byDecreasingCount;
using CategoryCounts::orPlaceholder;

// Numbers as categories, in increasing order, with how many nodes have each.
QList<QPair<QString, int>> histogram(const std::map<int, int> &counts)
{
    QList<QPair<QString, int>> pairs;
    pairs.reserve(int(counts.size()));
    for (const auto &[number, nodes] : counts)
        pairs.append({QString::number(number), nodes});
    return pairs;
}

// Relations touching each node: a relation counts once for each distinct end that is a node
// of the table, so a loop counts once and a dangling end not at all.
QHash<QString, int> degrees(const Graph &graph)
{
    QHash<QString, int> degree;
    degree.reserve(graph.nodes().size());
    for (auto it = graph.nodes().cbegin(); it != graph.nodes().cend(); ++it)
        degree.insert(it.key(), 0);
    for (const Edge &edge : graph.edges()) {
        auto source = degree.find(edge.src);
        if (source != degree.end())
            ++source.value();
        if (edge.dst == edge.src)
            continue;
        auto target = degree.find(edge.dst);
        if (target != degree.end())
            ++target.value();
    }
    return degree;
}

Statistic make(const char *title, const char *categoryAxis, const char *valueAxis)
{
    return {QString::fromUtf8(title), QString::fromUtf8(categoryAxis),
            QString::fromUtf8(valueAxis), {}};
}

Statistic nodesByType(const Graph &graph)
{
    Statistic statistic = make("Nœuds par type", "Type", "Nombre");
    QHash<QString, int> counts;
    for (const Node &node : graph.nodes())
        ++counts[orPlaceholder(node.type, CategoryCounts::noTypeText())];
    statistic.pairs = byDecreasingCount(counts);
    return statistic;
}

Statistic edgesByLabel(const Graph &graph)
{
    Statistic statistic = make("Relations par label", "Label", "Nombre");
    QHash<QString, int> counts;
    for (const Edge &edge : graph.edges())
        ++counts[orPlaceholder(edge.label, CategoryCounts::noLabelText())];
    statistic.pairs = byDecreasingCount(counts);
    return statistic;
}

Statistic degreeDistribution(const QHash<QString, int> &degree)
{
    Statistic statistic = make("Distribution des degrés", "Degré", "Nœuds");
    std::map<int, int> counts;
    for (int value : degree)
        ++counts[value];
    statistic.pairs = histogram(counts);
    return statistic;
}

Statistic mediasPerNode(const Graph &graph)
{
    Statistic statistic = make("Médias par nœud", "Nb de médias", "Nœuds");
    std::map<int, int> counts;
    for (const Node &node : graph.nodes())
        ++counts[int(node.medias.size())];
    statistic.pairs = histogram(counts);
    return statistic;
}

Statistic topDegree(const Graph &graph, const QHash<QString, int> &degree)
{
    Statistic statistic = make("Top 10 par degré", "Nœud", "Degré");
    struct Entry
    {
        int degree;
        QString name;
        QString id;
    };
    std::vector<Entry> entries;
    entries.reserve(size_t(degree.size()));
    for (auto it = graph.nodes().cbegin(); it != graph.nodes().cend(); ++it) {
        entries.push_back({degree.value(it.key()), orPlaceholder(it->label, it.key()), it.key()});
    }
    const auto top = entries.begin() + std::ptrdiff_t(std::min<size_t>(10, entries.size()));
    std::partial_sort(entries.begin(), top, entries.end(), [](const Entry &a, const Entry &b) {
        if (a.degree != b.degree)
            return a.degree > b.degree;
        return a.name != b.name ? a.name < b.name : a.id < b.id;
    });
    for (auto it = entries.begin(); it != top; ++it)
        statistic.pairs.append({it->name, it->degree});
    return statistic;
}

} // namespace

Statistic compute(const Graph &graph, Kind kind)
{
    switch (kind) {
    case Kind::NodesByType:
        return nodesByType(graph);
    case Kind::EdgesByLabel:
        return edgesByLabel(graph);
    case Kind::DegreeDistribution:
        return degreeDistribution(degrees(graph));
    case Kind::MediasPerNode:
        return mediasPerNode(graph);
    case Kind::TopDegree:
        return topDegree(graph, degrees(graph));
    }
    return {};
}

QList<Statistic> all(const Graph &graph)
{
    const QHash<QString, int> degree = degrees(graph);
    return {nodesByType(graph), edgesByLabel(graph), degreeDistribution(degree),
            mediasPerNode(graph), topDegree(graph, degree)};
}

QString toText(const QList<Statistic> &statistics)
{
    QString text;
    for (const Statistic &statistic : statistics) {
        text += statistic.title + u'\n';
        for (const auto &[category, value] : statistic.pairs)
            text += QStringLiteral("  %1 : %2\n").arg(category).arg(value);
    }
    return text;
}

QJsonObject toJson(const QList<Statistic> &statistics)
{
    QJsonArray list;
    for (const Statistic &statistic : statistics) {
        QJsonArray pairs;
        for (const auto &[category, value] : statistic.pairs)
            pairs.append(QJsonArray{category, value});
        list.append(QJsonObject{{QStringLiteral("title"), statistic.title},
                                {QStringLiteral("pairs"), pairs}});
    }
    return {{QStringLiteral("statistics"), list}};
}

} // namespace Statistics
