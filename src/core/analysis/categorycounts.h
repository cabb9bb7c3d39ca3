#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Counts by category text, shared by the statistics, the charts and the quality report.
namespace CategoryCounts {

using Pairs = QList<QPair<QString, int>>;

// Most frequent first, ties in text order.
Pairs byDecreasingCount(const QHash<QString, int> &counts);

// The category of a blank type, label or attribute key.
QString noTypeText();
QString noLabelText();
QString noKeyText();
// The names with every repetition numbered: "a", "a (2)", "a (3)". Chart axes merge equal
// category names, so two nodes with the same label would otherwise share one bar.
QStringList distinctNames(const QStringList &names);
// The trimmed text, or the placeholder when it is blank.
QString orPlaceholder(const QString &text, const QString &placeholder);

} // namespace CategoryCounts
