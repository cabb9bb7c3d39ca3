#pragma once

#include "model/graph.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

// The criteria of the simple-filters dialog, filled when it is accepted.
struct FilterState
{
    bool textEnabled = false;
    QString query;
    bool searchAttributes = true;
    bool periodEnabled = false;
    QDateTime periodStart; // invalid: no bound
    QDateTime periodEnd;
    bool includeUndetermined = true;
    bool nodeTypesEnabled = false;
    QSet<QString> nodeTypes;
    bool relationTypesEnabled = false;
    QSet<QString> relationTypes;
    bool dim = true;
    double dimOpacity = 0.2;
};

// Which nodes and relations of a graph the filter criteria retain.
namespace FilterEngine {

// The distinct types of the nodes and of the relations, sorted, the empty type included.
QStringList nodeTypes(const Graph &graph);
QStringList edgeTypes(const Graph &graph);

struct Result
{
    QSet<QString> nodes;
    QSet<QString> relations;
};

// A node is retained when it passes every enabled criterion (type, text, period); a relation
// when it passes its type and period criteria and both its ends are retained.
Result run(const Graph &graph, const FilterState &state);

// Trimmed, case-insensitive substring of the id, label or description, or of an attribute key
// or value when searchAttributes; a blank query matches everything.
bool textMatches(const Node &node, const QString &query, bool searchAttributes);

// Closed-interval overlap with the filter period, a missing item bound being open. Items with
// no validity at all follow includeUndetermined whenever a bound is set; with a single bound
// every dated item passes.
bool periodMatches(const Validity &validity, const FilterState &state);

// The labels of the groups that hold retained nodes, as the group question lists them: trimmed
// (the id when blank), sorted, at most ten followed by "… et N autres". Empty when no
// retained node belongs to a group of the table.
QStringList groupLabels(const Graph &graph, const Result &result);

// What the answer to the group question does with a retained member of a group.
enum GroupMode { ShowGroup = 1, ShowNodeOnly = 2, Halo = 3 };

struct Look
{
    bool visible = true;
    double opacity = 1.0;
};

// How each canvas item looks once the filter is applied.
struct Display
{
    QHash<QString, Look> nodes;
    QHash<QString, Look> relations;
};

// The look of the node items and relation items (by the ids of their records) of a canvas:
// everything not retained is greyed to the dim opacity, or hidden without dim; retained nodes
// (or, in ShowGroup mode, the groups that hold them) are shown in full; a retained relation
// is shown in full only when both its end items are.
Display display(const Graph &graph, const QSet<QString> &nodeItems,
                const QStringList &relationItems, const Result &result, int groupMode,
                const FilterState &state);

} // namespace FilterEngine
