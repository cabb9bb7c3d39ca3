#pragma once

#include "model/graph.h"

#include <QPointF>
#include <QString>

// Small builders for the nodes, relations and projects that tests set up. Each fills only the
// fields it names; everything else is as a new record has it.
namespace TestGraphs {

// A node labelled with its own id.
Node makeNode(const QString &id);
// A node with this label and, when one is given, this type.
Node makeNode(const QString &id, const QString &label, const QString &type = QString());
// An unlabelled node at a position.
Node makeNode(const QString &id, QPointF pos, double size = 1.0);
// A labelled node at a position.
Node makeNode(const QString &id, const QString &label, QPointF pos);

// A relation from src to dst with, when they are given, this type and label.
Edge makeEdge(const QString &id, const QString &src, const QString &dst,
              const QString &type = QString(), const QString &label = QString());

// The graph of a saved project; a failure is reported as a warning and gives an empty graph.
Graph loadGraph(const QString &dbPath);

} // namespace TestGraphs
