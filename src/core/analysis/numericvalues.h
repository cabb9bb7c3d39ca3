#pragma once

#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

class Graph;

// Numbers read from attribute values, for the numeric chart dialogs.
namespace NumericValues {

// A number written with a decimal comma ("12,5") or point ("12.5"), an optional sign and
// exponent, and thousands grouped by three with blanks (also non-breaking) or the other sign:
// "1 234,5", "1.234,5" and "1,234.5" all read 1234.5. A single separator is decimal, so
// "1,234" reads 1.234. Anything else (units, words, "10.0.0.1", infinities) is not a number.
std::optional<double> parse(const QString &text);

struct Summary
{
    int count = 0;
    double mean = 0.0;
    double standardDeviation = 0.0; // of the population: 0 for a single value
};
Summary summarise(const QList<double> &values);
// "Moyenne : %1 — Écart-type : %2 — N = %3", or with "n/a" for both when there is no value.
QString summaryLine(const Summary &summary);

using Bars = QList<QPair<QString, double>>;

// Which nodes the per-node dialog reads and how it names their bars.
struct NodeOptions
{
    QString type;        // category of the node type, as the type chooser lists it
    QString valueKey;    // attribute whose number is drawn
    QString categoryKey; // attribute that names a bar; empty: the node label
    bool merge = false;  // identical names become one bar holding their sum
    bool limitToSelection = false;
    QSet<QString> selectedIds;
    bool includeHypotheses = true;
};

struct NodeValues
{
    Bars bars; // largest first; names made distinct (" (2)", " (3)"…) when not merged
    Summary summary; // over the nodes' values, before any merge
};

// Attribute keys of the nodes of one type (every type when empty): all of them, or only
// those with at least one numeric value. Sorted.
QStringList nodeKeys(const Graph &graph, const QString &type, bool numericOnly);
NodeValues nodeValues(const Graph &graph, const NodeOptions &options);

// Keys of node and relation attributes that hold at least one number, sorted.
QStringList numericKeys(const Graph &graph);
// Every number held by that key in nodes and relations, hypotheses included or not.
QList<double> valuesOf(const Graph &graph, const QString &key, bool includeHypotheses);
// Up to `binCount` bins of equal width between the smallest and the largest value, named
// "[a ; b[" (the last one closed); a single bin named after the value when all are equal.
QList<QPair<QString, int>> histogram(const QList<double> &values, int binCount);

} // namespace NumericValues
