#pragma once

#include <QPointF>
#include <QSet>
#include <QString>
#include <QStringList>

class Graph;
struct Node;

// Group operations on a graph's tables. A group is a node with isGroup set; its members name
// it in parentGroup and keep their position relative to it in groupOffset. While a group is
// collapsed, "bridge" relations copied from the members' outside relations link the group
// node to the rest of the graph; their ids are kept in the group's "bridge_edges" attribute.
namespace Grouping {

// Ids listed in the group's "bridge_edges" attribute.
QStringList bridgeIds(const Node &group);

// What the canvas shows: a node is shown unless one of its enclosing groups is collapsed; a
// relation is shown when both ends are shown and it is not a bridge of an expanded group.
struct Visible
{
    QSet<QString> nodes;
    QSet<QString> edges;
};
Visible visibleContent(const Graph &graph);

// A new, collapsed group node at the given position, with an id unused in the graph.
Node newGroupNode(const Graph &graph, const QPointF &pos);

// Makes the nodes members of the group: each leaves its previous group, takes an offset
// relative to the group, and every relation between a node that joins and a node outside
// the group is copied as a bridge to the group node. Answers the number of bridges created,
// or -1 when groupId is not a group.
int addToGroup(Graph &graph, const QString &groupId, const QStringList &nodeIds);

// The members of a group found in the table (those listed by the group that name it back,
// and those that name it without being listed).
QStringList members(const Graph &graph, const QString &groupId);

// Expanding places the members at group position + offset. Both answer false (and change
// nothing) when the node is not a group or is already in the requested state.
bool expand(Graph &graph, const QString &groupId);
bool collapse(Graph &graph, const QString &groupId);

// Releases the members at group position + offset, then deletes every relation touching the
// group node and the group node itself. False when the node is not a group.
bool ungroup(Graph &graph, const QString &groupId);

// A graph holding copies of the members of the group, placed where the expanded group shows
// them and no longer members of anything, and of the relations among them.
Graph groupContent(const Graph &graph, const QString &groupId);

// "Groupe <label>", or "Groupe <id>" when the label is empty.
QString groupTabTitle(const Node &group);

} // namespace Grouping
