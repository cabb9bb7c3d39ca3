#include "analysis/chartcounts.h"

#include "model/graph.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace ChartCounts {

namespace {

QString typeCategory(const QString &type)
{
    return CategoryCounts::orPlaceholder(type, CategoryCounts::noTypeText());
}

QString keyCategory(const QString &key)
{
    return CategoryCounts::orPlaceholder(key, CategoryCounts::noKeyText());
}

bool isNodeSubject(Subject subject)
{
    return subject != Subject::EdgeTypes && subject != Subject::EdgeAttributeKeys;
}

// Calls add(category) once for every occurrence the subject counts in the record.
template<typename Add>
void nodeCategories(const Node &node, Subject subject, Add add)
{
    switch (subject) {
    case Subject::NodeTypes:
        add(typeCategory(node.type));
        break;
    case Subject::NodeAttributeKeys:
        for (const AttributeRow &row : node.attributes)
            add(keyCategory(row.key));
        break;
    case Subject::MediaTags:
        for (const MediaRecord &media : node.medias) {
            for (const QString &tag : mediaTags(media.tags))
                add(tag);
        }
        break;
    default:
        break;
    }
}

template<typename Add>
void edgeCategories(const Edge &edge, Subject subject, Add add)
{
    if (subject == Subject::EdgeTypes) {
        add(typeCategory(edge.type));
    } else if (subject == Subject::EdgeAttributeKeys) {
        for (const AttributeRow &row : edge.attributes)
            add(keyCategory(row.key));
    }
}

// Visits the categories of every record the options let through.
template<typename Add>
void visit(const Graph &graph, Subject subject, const Options &options, Add add)
{
    const auto passes = [&options](const QString &id, bool hypothesis, bool visible) {
        if (options.limitToSelection && !options.selectedIds.contains(id))
            return false;
        if (hypothesis && !options.includeHypotheses)
            return false;
        return visible || options.includeHidden;
    };
    if (isNodeSubject(subject)) {
        for (const Node &node : graph.nodes()) {
            if (passes(node.id, node.hypothesis, node.visible))
                nodeCategories(node, subject, add);
        }
    } else {
        for (const Edge &edge : graph.edges()) {
            if (passes(edge.id, edge.hypothesis, edge.visible))
                edgeCategories(edge, subject, add);
        }
    }
}

} // namespace

QStringList mediaTags(const QString &tags)
{
    static const QRegularExpression tag(QStringLiteral("#([^\\s#]+)"));
    QStringList found;
    for (auto it = tag.globalMatch(tags); it.hasNext();)
        found.append(it.next().captured(1));
    return found;
}

QStringList categories(const Graph &graph, Subject subject)
{
    QSet<QString> found;
    visit(graph, subject, Options(), [&found](const QString &category) { found.insert(category); });
    QStringList sorted(found.cbegin(), found.cend());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

Counts count(const Graph &graph, Subject subject, const Options &options)
{
    const QSet<QString> checked(options.checked.cbegin(), options.checked.cend());
    QHash<QString, int> counts;
    visit(graph, subject, options, [&](const QString &category) {
        if (checked.isEmpty() || checked.contains(category))
            ++counts[category];
    });
    return CategoryCounts::byDecreasingCount(counts);
}

ValueAxis valueAxis(int largest)
{
    const int m = std::max(1, largest);
    if (m <= 10)
        return {m, m + 1};
    const int step = (m + 9) / 10;
    const int ticks = (m + step - 1) / step;
    return {ticks * step, ticks + 1};
}

double sliceHue(int index, int count)
{
    return count > 0 ? double(index) / double(count) : 0.0;
}

QColor sliceColor(int index, int count)
{
    return QColor::fromHslF(float(sliceHue(index, count)), 0.7f, 0.5f);
}

} // namespace ChartCounts
