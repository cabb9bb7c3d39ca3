#pragma once

#include "model/graph.h"

#include <QList>

// Which records of a tab the node and relation lists show: a case-insensitive substring
// match on the chosen fields, and a stable order.
namespace RecordFilter {

enum class Field { Label, Id, Type, Description, Attributes, Source, Destination };

// An empty (or blank) needle matches everything; otherwise the trimmed needle must be in
// one of the fields, case aside. Source and Destination match the end's id or label.
bool matchesNode(const Node &node, const QString &needle, const QList<Field> &fields);
bool matchesEdge(const Edge &edge, const Graph &graph, const QString &needle,
                 const QList<Field> &fields);

// Ids of the given records (all of them when ids is empty) that match, sorted by label
// with locale-aware comparison (case aside), then by id.
QStringList nodeIds(const Graph &graph, const QString &needle, const QList<Field> &fields,
                    const QStringList &ids = QStringList());
QStringList edgeIds(const Graph &graph, const QString &needle, const QList<Field> &fields,
                    const QStringList &ids = QStringList());

} // namespace RecordFilter
