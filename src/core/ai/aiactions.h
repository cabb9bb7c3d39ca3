#pragma once

#include "model/graph.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <optional>

// The actions the assistant asks for in Action mode: graph queries, highlights and proposed
// changes. Nothing here asks the analyst; the caller shows the summary and applies the
// changes only once they are accepted.
namespace AiActions {

// The name of the undo step that applied changes form.
QString undoText();

struct Dispatch
{
    QList<QJsonObject> immediate; // "graph_query" and "highlight_nodes" actions, in order
    QJsonArray changes;           // the changes of every "propose_changes" action, in order
};

// Sorts the actions of one answer; elements that are not objects and unknown kinds are
// dropped.
Dispatch dispatch(const QJsonArray &actions);

// The subgraph a "graph_query" action asks for; nothing when it asks for an operation other
// than "neighbors".
std::optional<QJsonObject> graphQueryResult(const Graph &graph, const QJsonObject &action);
// The node ids of a "highlight_nodes" action; empty unless "node_ids" is a non-empty array.
QStringList highlightIds(const QJsonObject &action);

// An attribute value as plain text: strings unchanged, numbers in their shortest form,
// booleans as true or false, anything else as empty text.
QString attributeText(const QJsonValue &value);

// One line (two for relations) per recognised change, as the analyst confirms them. Deleted
// records that the graph holds are named with their stored label and type, so that the
// confirmation shows what will really go.
QString summary(const QJsonArray &changes, const Graph *graph = nullptr);

// Applies the changes in order; answers how many took effect. Malformed changes, updates of
// unknown records and relations whose ends are not nodes are skipped.
int apply(Graph &graph, const QJsonArray &changes);

} // namespace AiActions
