#pragma once

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>

class Graph;

// One statistic of an investigation: ordered (category, value) pairs, the title of the window
// that shows them and the titles of the chart's two axes.
struct Statistic
{
    QString title;
    QString categoryAxis;
    QString valueAxis;
    QList<QPair<QString, int>> pairs;
};

// The quick statistics of the "Statistiques" menu. Each is one pass over the tables with
// hashing, so they stay fast on large investigations.
namespace Statistics {

enum class Kind { NodesByType, EdgesByLabel, DegreeDistribution, MediasPerNode, TopDegree };

// Node types and relation labels come most frequent first (ties by text); degrees and media
// counts in increasing order; the ten nodes of highest degree first, each named by its label
// (its id when the label is blank).
Statistic compute(const Graph &graph, Kind kind);
// The five statistics in menu order.
QList<Statistic> all(const Graph &graph);

// "title" lines followed by "  category : value" lines.
QString toText(const QList<Statistic> &statistics);
// {"statistics": [{"title": ..., "pairs": [[category, value], ...]}]}
QJsonObject toJson(const QList<Statistic> &statistics);

} // namespace Statistics
