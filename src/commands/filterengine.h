#pragma once

#include "model/graph.h"

#include <QDateTime>
#include <QSet>
#include <QString>

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

} // namespace FilterEngine
