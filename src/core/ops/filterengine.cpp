#include "ops/filterengine.h"

#include <QtMath>

#include <algorithm>

namespace {

template<typename Records>
QStringList sortedDistinctTypes(const Records &records)
{
    QSet<QString> types;
    for (const auto &record : records)
        types.insert(record.type);
    QStringList sorted(types.cbegin(), types.cend());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

} // namespace

namespace FilterEngine {

QStringList nodeTypes(const Graph &graph)
{
    return sortedDistinctTypes(graph.nodes());
}

QStringList edgeTypes(const Graph &graph)
{
    return sortedDistinctTypes(graph.edges());
}

namespace {

// An enabled type criterion with no type checked filters nothing.
bool typeMatches(bool enabled, const QSet<QString> &types, const QString &type)
{
    return !enabled || types.isEmpty() || types.contains(type);
}

} // namespace

bool textMatches(const Node &node, const QString &query, bool searchAttributes)
{
    const QString needle = query.trimmed().toLower();
    if (needle.isEmpty())
        return true;
    const auto has = [&needle](const QString &text) { return text.toLower().contains(needle); };
    if (has(node.id) || has(node.label) || has(node.description))
        return true;
    if (!searchAttributes)
        return false;
    for (const AttributeRow &row : node.attributes) {
        if (has(row.key) || has(row.value))
            return true;
    }
    return false;
}

bool periodMatches(const Validity &validity, const FilterState &state)
{
    const bool hasStart = state.periodStart.isValid();
    const bool hasEnd = state.periodEnd.isValid();
    if (!hasStart && !hasEnd)
        return true;
    if (!validity.start.isValid() && !validity.end.isValid())
        return state.includeUndetermined;
    if (!hasStart || !hasEnd)
        return true;
    // A missing item bound is open on its side.
    const bool endsAfterStart = !validity.end.isValid() || validity.end >= state.periodStart;
    const bool startsBeforeEnd = !validity.start.isValid() || state.periodEnd >= validity.start;
    return endsAfterStart && startsBeforeEnd;
}

QStringList groupLabels(const Graph &graph, const Result &result)
{
    QSet<QString> groups;
    for (const QString &id : result.nodes) {
        const QString group = graph.node(id).parentGroup;
        if (!group.isEmpty() && graph.hasNode(group))
            groups.insert(group);
    }
    QStringList labels;
    for (const QString &id : std::as_const(groups)) {
        const QString label = graph.node(id).label.trimmed();
        labels.append(label.isEmpty() ? id : label);
    }
    std::sort(labels.begin(), labels.end());
    constexpr int listed = 10;
    if (labels.size() > listed) {
        const qsizetype others = labels.size() - listed;
        labels.resize(listed);
        labels.append(QStringLiteral("… et %1 autres").arg(others));
    }
    return labels;
}

Display display(const Graph &graph, const QSet<QString> &nodeItems,
                const QStringList &relationItems, const Result &result, int groupMode,
                const FilterState &state)
{
    const Look rest = state.dim ? Look{true, std::clamp(state.dimOpacity, 0.0, 1.0)}
                                : Look{false, 1.0};
    const Look full{true, 1.0};
    Display look;
    for (const QString &id : nodeItems)
        look.nodes.insert(id, rest);
    QSet<QString> groups;
    for (const QString &id : result.nodes) {
        const QString group = graph.node(id).parentGroup;
        if (groupMode == ShowGroup && !group.isEmpty())
            groups.insert(group);
        else if (nodeItems.contains(id))
            look.nodes.insert(id, full);
    }
    for (const QString &id : std::as_const(groups)) {
        if (nodeItems.contains(id))
            look.nodes.insert(id, full);
    }
    const auto inFull = [&look](const QString &id) {
        const auto it = look.nodes.constFind(id);
        return it != look.nodes.cend() && it->visible && qFuzzyCompare(it->opacity, 1.0);
    };
    for (const QString &id : relationItems) {
        const Edge edge = graph.edge(id);
        const bool shown = result.relations.contains(id) && inFull(edge.src) && inFull(edge.dst);
        look.relations.insert(id, shown ? full : rest);
    }
    return look;
}

Result run(const Graph &graph, const FilterState &state)
{
    Result result;
    for (const Node &node : graph.nodes()) {
        if (!typeMatches(state.nodeTypesEnabled, state.nodeTypes, node.type))
            continue;
        if (state.textEnabled && !textMatches(node, state.query, state.searchAttributes))
            continue;
        if (state.periodEnabled && !periodMatches(node.validity, state))
            continue;
        result.nodes.insert(node.id);
    }
    for (const Edge &edge : graph.edges()) {
        if (!typeMatches(state.relationTypesEnabled, state.relationTypes, edge.type))
            continue;
        if (state.periodEnabled && !periodMatches(edge.validity, state))
            continue;
        if (result.nodes.contains(edge.src) && result.nodes.contains(edge.dst))
            result.relations.insert(edge.id);
    }
    return result;
}

} // namespace FilterEngine
