#include "analysis/categorycounts.h"

#include <algorithm>

namespace CategoryCounts {

Pairs byDecreasingCount(const QHash<QString, int> &counts)
{
    Pairs pairs;
    pairs.reserve(counts.size());
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        pairs.append({it.key(), it.value()});
    std::sort(pairs.begin(), pairs.end(), [](const auto &a, const auto &b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    return pairs;
}

QString noTypeText()
{
    return QStringLiteral("<sans type>");
}

QString noLabelText()
{
    return QStringLiteral("<sans label>");
}

QString noKeyText()
{
    return QStringLiteral("<sans clé>");
}

QStringList distinctNames(const QStringList &names)
{
    QHash<QString, int> seen;
    QStringList distinct;
    distinct.reserve(names.size());
    for (const QString &name : names) {
        const int occurrence = ++seen[name];
        distinct.append(occurrence == 1 ? name : QStringLiteral("%1 (%2)").arg(name).arg(occurrence));
    }
    return distinct;
}

QString orPlaceholder(const QString &text, const QString &placeholder)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? placeholder : trimmed;
}

} // namespace CategoryCounts
