#pragma once

#include "ai/chatprotocol.h"
#include "model/graph.h"

#include <QJsonObject>
#include <QStringList>

// The part of a graph the assistant is shown: a breadth-first neighbourhood of seed nodes
// written as JSON, and the context appended to the analyst's messages.
namespace GraphContext {

// Seeds picked when nothing is selected, and the reach and size of the selection context.
constexpr int autoSeedCount = 15;
constexpr int contextDepth = 2;
constexpr int contextMaxNodes = 120;

// The seeds and their neighbours up to depth relations away (direction ignored), at most
// maxNodes nodes though seeds are never cut, with the relations among them. An empty object
// for a negative depth or a maximum of 0 or less.
QJsonObject subGraphJson(const Graph &graph, const QStringList &seeds, int depth, int maxNodes);
// Every node of the graph.
QJsonObject fullGraphJson(const Graph &graph);
// The neighbourhood of the selected nodes, or of the nodes nearest the centre of the graph
// when none is selected, flagged when it reached the size limit.
QJsonObject selectionContextJson(const Graph &graph, const QStringList &selectedIds);

// The message as sent: in Reflection and Action modes the selection context follows the
// text; without a graph, or in Discussion mode, the text stays as typed.
QString composeMessage(ChatProtocol::Mode mode, const QString &text, const Graph *graph,
                       const QStringList &selectedIds);

} // namespace GraphContext
