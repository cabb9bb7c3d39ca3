#include "ops/recordfilter.h"

#include <QCollator>

#include <algorithm>
#include <vector>

namespace RecordFilter {

namespace {

bool contains(const QString &text, const QString &needle)
{
    return text.contains(needle, Qt::CaseInsensitive);
}

bool attributesContain(const QList<AttributeRow> &rows, const QString &needle)
{
    return std::any_of(rows.cbegin(), rows.cend(), [&](const AttributeRow &row) {
        return contains(row.key, needle) || contains(row.value, needle);
    });
}

bool endContains(const Graph &graph, const QString &id, const QString &needle)
{
    return contains(id, needle) || (graph.hasNode(id) && contains(graph.node(id).label, needle));
}

template<typename Table, typename Match>
QStringList filteredIds(const Table &table, const QStringList &ids, Match match)
{
    struct Entry
    {
        QString label;
        QString id;
    };
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<Entry> entries;
    const auto consider = [&](typename Table::const_iterator it) {
        if (match(*it))
            entries.push_back({it->label, it.key()});
    };
    if (ids.isEmpty()) {
        for (auto it = table.cbegin(); it != table.cend(); ++it)
            consider(it);
    } else {
        for (const QString &id : ids) {
            auto it = table.constFind(id);
            if (it != table.cend())
                consider(it);
        }
    }
    std::sort(entries.begin(), entries.end(), [&collator](const Entry &a, const Entry &b) {
        const int order = collator.compare(a.label, b.label);
        return order != 0 ? order < 0 : a.id < b.id;
    });
    QStringList result;
    result.reserve(qsizetype(entries.size()));
    for (const Entry &entry : entries)
        result.append(entry.id);
    return result;
}

} // namespace

bool matchesNode(const Node &node, const QString &needle, const QList<Field> &fields)
{
    const QString text = needle.trimmed();
    if (text.isEmpty())
        return true;
    return std::any_of(fields.cbegin(), fields.cend(), [&](Field field) {
        switch (field) {
        case Field::Label: return contains(node.label, text);
        case Field::Id: return contains(node.id, text);
        case Field::Type: return contains(node.type, text);
        case Field::Description: return contains(node.description, text);
        case Field::Attributes: return attributesContain(node.attributes, text);
        case Field::Source:
        case Field::Destination: return false;
        }
        return false;
    });
}

bool matchesEdge(const Edge &edge, const Graph &graph, const QString &needle,
                 const QList<Field> &fields)
{
    const QString text = needle.trimmed();
    if (text.isEmpty())
        return true;
    return std::any_of(fields.cbegin(), fields.cend(), [&](Field field) {
        switch (field) {
        case Field::Label: return contains(edge.label, text);
        case Field::Id: return contains(edge.id, text);
        case Field::Type: return contains(edge.type, text);
        case Field::Description: return contains(edge.description, text);
        case Field::Attributes: return attributesContain(edge.attributes, text);
        case Field::Source: return endContains(graph, edge.src, text);
        case Field::Destination: return endContains(graph, edge.dst, text);
        }
        return false;
    });
}

QStringList nodeIds(const Graph &graph, const QString &needle, const QList<Field> &fields,
                    const QStringList &ids)
{
    return filteredIds(graph.nodes(), ids,
                       [&](const Node &node) { return matchesNode(node, needle, fields); });
}

QStringList edgeIds(const Graph &graph, const QString &needle, const QList<Field> &fields,
                    const QStringList &ids)
{
    return filteredIds(graph.edges(), ids, [&](const Edge &edge) {
        return matchesEdge(edge, graph, needle, fields);
    });
}

} // namespace RecordFilter
