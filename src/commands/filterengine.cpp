#include "commands/filterengine.h"

namespace FilterEngine {

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
