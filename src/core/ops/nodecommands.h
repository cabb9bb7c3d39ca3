#pragma once

#include "model/graph.h"

#include <QPointF>
#include <QSet>
#include <QString>
#include <QStringList>

// What the node and relation commands do to a tab's tables. The main window asks the
// questions and reports; these functions only change the tables, through the graph's
// operations, so that every rule can be checked without a window.
namespace NodeCommands {

// The label, or the id when the label is empty.
QString displayName(const Node &node);

// A default node with a fresh id, the label "Nouveau" and the given position.
Node newNode(const Graph &graph, const QPointF &pos);

// Stores a new node, drawing a fresh id while its id is already taken; answers the node
// as stored.
Node insertWithFreshId(Graph &graph, Node node);

// Stores a node edited in the form. The form can neither move nor pin a node, so position
// and anchoring come from the entry stored under previousId. A changed id that is already
// in use is replaced by a fresh one; the entry under the previous id is removed, and the
// relations and group bookkeeping that named it follow the new id, so that no relation is
// left pointing at a node that no longer exists. Answers the node as stored.
Node storeEditedNode(Graph &graph, const QString &previousId, Node edited);

// Copies into the stored entry every field the node form and the item menus edit, keeping
// the entry's position and group bookkeeping; inserts the node when its id is unknown.
void mergeEditedNode(Graph &graph, const Node &edited);

// Number of relations whose source or target is one of the nodes.
int edgesTouchingCount(const Graph &graph, const QSet<QString> &nodeIds);

struct Removal
{
    int nodes = 0;
    int edges = 0;
};

// Removes the relations touching the listed nodes, then the listed nodes that exist.
Removal removeNodes(Graph &graph, const QStringList &nodeIds);
// Removes the listed relations that exist; answers how many.
int removeEdges(Graph &graph, const QStringList &edgeIds);

// The relation the creation commands start from: a fresh id, the given source, type
// "relation", directed, red, width 1.
Edge edgeTemplate(const Graph &graph, const QString &sourceId);

struct EdgeCreation
{
    QStringList created; // ids of the new relations
    int ignored = 0;     // targets that are not nodes of the table
};

// One copy of the template per target that is a node, each with a fresh id.
EdgeCreation createEdges(Graph &graph, const Edge &templ, const QStringList &targets);

// The warning text for a relation whose ends are not both nodes of the table; empty when
// both exist.
QString missingEndsMessage(const Graph &graph, const Edge &edge);

struct AttributeNodes
{
    QStringList nodes; // target node of each row, created or found, in row order
    int nodesCreated = 0;
    int edgesCreated = 0;
};

// Turns attribute rows of a node into nodes: for each row, with key and value trimmed,
// reuses a node whose type and label equal them (case aside) or creates one placed to the
// right of the source, then joins the source to it unless a relation already joins the
// two. Rows with an empty value are skipped. Nothing happens when the source is unknown.
AttributeNodes createNodesFromAttributes(Graph &graph, const QString &sourceId,
                                         const QList<AttributeRow> &rows);

// Appends the media record to each listed node that exists; answers how many took it.
int attachMedia(Graph &graph, const QStringList &nodeIds, const MediaRecord &media);

} // namespace NodeCommands
