#include "analysis/numericvalues.h"

#include "analysis/categorycounts.h"
#include "model/graph.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace NumericValues {

namespace {

// The first number among the node's rows with this key.
std::optional<double> attributeNumber(const QList<AttributeRow> &attributes, const QString &key)
{
    for (const AttributeRow &row : attributes) {
        if (row.key.trimmed() != key)
            continue;
        if (const std::optional<double> number = parse(row.value))
            return number;
    }
    return std::nullopt;
}

QString attributeText(const QList<AttributeRow> &attributes, const QString &key)
{
    for (const AttributeRow &row : attributes) {
        if (row.key.trimmed() == key && !row.value.trimmed().isEmpty())
            return row.value.trimmed();
    }
    return QString();
}

QString typeCategory(const Node &node)
{
    return CategoryCounts::orPlaceholder(node.type, CategoryCounts::noTypeText());
}

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

std::optional<double> parse(const QString &text)
{
    // Plain: one optional decimal sign, either kind. Grouped: thousands in threes, separated
    // by blanks, points or commas, the decimal sign being the other kind.
    static const QRegularExpression plain(
        QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)([eE][+-]?\\d+)?$"));
    static const QRegularExpression blankGroups(
        QStringLiteral("^[+-]?\\d{1,3}([ \\x{00A0}\\x{202F}]\\d{3})+([.,]\\d+)?$"));
    static const QRegularExpression pointGroups(QStringLiteral("^[+-]?\\d{1,3}(\\.\\d{3})+(,\\d+)?$"));
    static const QRegularExpression commaGroups(QStringLiteral("^[+-]?\\d{1,3}(,\\d{3})+(\\.\\d+)?$"));
    QString s = text.trimmed();
    if (plain.match(s).hasMatch()) {
        s.replace(u',', u'.');
    } else if (blankGroups.match(s).hasMatch()) {
        s.remove(u' ').remove(QChar(0x00A0)).remove(QChar(0x202F)).replace(u',', u'.');
    } else if (pointGroups.match(s).hasMatch()) {
        s.remove(u'.').replace(u',', u'.');
    } else if (commaGroups.match(s).hasMatch()) {
        s.remove(u',');
    } else {
        return std::nullopt;
    }
    bool ok = false;
    const double value = s.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

Summary summarise(const QList<double> &values)
{
    Summary summary;
    summary.count = int(values.size());
    if (values.isEmpty())
        return summary;
    double sum = 0.0;
    for (double value : values)
        sum += value;
    summary.mean = sum / double(values.size());
    double squares = 0.0;
    for (double value : values)
        squares += (value - summary.mean) * (value - summary.mean);
    summary.standardDeviation = std::sqrt(squares / double(values.size()));
    return summary;
}

QString summaryLine(const Summary &summary)
{
    if (summary.count == 0)
        return QStringLiteral("Moyenne : n/a — Écart-type : n/a — N = 0");
    return QStringLiteral("Moyenne : %1 — Écart-type : %2 — N = %3")
        .arg(QString::number(summary.mean, 'f', 2), QString::number(summary.standardDeviation, 'f', 2))
        .arg(summary.count);
}

QStringList nodeKeys(const Graph &graph, const QString &type, bool numericOnly)
{
    QSet<QString> keys;
    for (const Node &node : graph.nodes()) {
        if (!type.isEmpty() && typeCategory(node) != type)
            continue;
        for (const AttributeRow &row : node.attributes) {
            const QString key = row.key.trimmed();
            if (!key.isEmpty() && (!numericOnly || parse(row.value)))
                keys.insert(key);
        }
    }
    QStringList sorted(keys.cbegin(), keys.cend());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

NodeValues nodeValues(const Graph &graph, const NodeOptions &options)
{
    struct Entry
    {
        QString name;
        QString id;
        double value;
    };
    QList<Entry> entries;
    QList<double> values;
    for (const Node &node : graph.nodes()) {
        if (options.limitToSelection && !options.selectedIds.contains(node.id))
            continue;
        if (node.hypothesis && !options.includeHypotheses)
            continue;
        if (typeCategory(node) != options.type)
            continue;
        const std::optional<double> value = attributeNumber(node.attributes, options.valueKey);
        if (!value)
            continue;
        const QString name = options.categoryKey.isEmpty()
            ? CategoryCounts::orPlaceholder(node.label, node.id)
            : CategoryCounts::orPlaceholder(attributeText(node.attributes, options.categoryKey),
                                            QStringLiteral("<sans libellé>"));
        entries.append({name, node.id, *value});
        values.append(*value);
    }

    NodeValues result;
    result.summary = summarise(values);
    if (options.merge) {
        QHash<QString, double> sums;
        for (const Entry &entry : entries)
            sums[entry.name] += entry.value;
        entries.clear();
        for (auto it = sums.cbegin(); it != sums.cend(); ++it)
            entries.append({it.key(), QString(), it.value()});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        if (a.value != b.value)
            return a.value > b.value;
        return a.name != b.name ? a.name < b.name : a.id < b.id;
    });
    QStringList names;
    for (const Entry &entry : entries)
        names.append(entry.name);
    names = CategoryCounts::distinctNames(names);
    for (int i = 0; i < entries.size(); ++i)
        result.bars.append({names[i], entries[i].value});
    return result;
}

QStringList numericKeys(const Graph &graph)
{
    QSet<QString> keys;
    const auto collect = [&keys](const QList<AttributeRow> &attributes) {
        for (const AttributeRow &row : attributes) {
            const QString key = row.key.trimmed();
            if (!key.isEmpty() && !keys.contains(key) && parse(row.value))
                keys.insert(key);
        }
    };
    for (const Node &node : graph.nodes())
        collect(node.attributes);
    for (const Edge &edge : graph.edges())
        collect(edge.attributes);
    QStringList sorted(keys.cbegin(), keys.cend());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

QList<double> valuesOf(const Graph &graph, const QString &key, bool includeHypotheses)
{
    QList<double> values;
    const auto collect = [&](const QList<AttributeRow> &attributes, bool hypothesis) {
        if (hypothesis && !includeHypotheses)
            return;
        for (const AttributeRow &row : attributes) {
            if (row.key.trimmed() != key)
                continue;
            if (const std::optional<double> value = parse(row.value))
                values.append(*value);
        }
    };
    for (const Node &node : graph.nodes())
        collect(node.attributes, node.hypothesis);
    for (const Edge &edge : graph.edges())
        collect(edge.attributes, edge.hypothesis);
    return values;
}

QList<QPair<QString, int>> histogram(const QList<double> &values, int binCount)
{
    if (values.isEmpty() || binCount < 1)
        return {};
    const auto [low, high] = std::minmax_element(values.cbegin(), values.cend());
    if (*low == *high)
        return {{number(*low), int(values.size())}};
    const double width = (*high - *low) / binCount;
    QList<int> counts(binCount, 0);
    for (double value : values)
        ++counts[std::min(binCount - 1, int((value - *low) / width))];
    QList<QPair<QString, int>> bins;
    for (int i = 0; i < binCount; ++i) {
        const QString from = number(*low + i * width);
        const QString to = number(i + 1 == binCount ? *high : *low + (i + 1) * width);
        bins.append({i + 1 == binCount ? QStringLiteral("[%1 ; %2]").arg(from, to)
                                       : QStringLiteral("[%1 ; %2[").arg(from, to),
                     counts[i]});
    }
    return bins;
}

} // namespace NumericValues
