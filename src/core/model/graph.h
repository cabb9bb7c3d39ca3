#pragma once

#include "model/edge.h"
#include "model/stixrecords.h"

#include <QHash>

struct ChangeSet;

// The node and relation tables of one investigation, keyed by id.
//
// An open investigation's tables belong to its GraphDocument, which runs every edit with a
// recorder set: each mutator below first notes the record as it was before its first change,
// and the document turns what was noted into one undo step. A Graph that is not a tab's (a
// reader's result, a copy for export) is used without a recorder.
class Graph
{
public:
    using NodeTable = QHash<QString, Node>;
    using EdgeTable = QHash<QString, Edge>;

    const NodeTable &nodes() const { return m_nodes; }
    const EdgeTable &edges() const { return m_edges; }

    bool hasNode(const QString &id) const { return m_nodes.contains(id); }
    bool hasEdge(const QString &id) const { return m_edges.contains(id); }
    Node node(const QString &id) const { return m_nodes.value(id); }
    Edge edge(const QString &id) const { return m_edges.value(id); }
    bool isEmpty() const { return m_nodes.isEmpty() && m_edges.isEmpty(); }

    // Adds a node whose id is not in the table yet; false (and no change) otherwise.
    bool insertNode(const Node &node);
    // Replaces the node stored under node.id; false when there is none.
    bool replaceNode(const Node &node);
    // Inserts or replaces.
    void putNode(const Node &node);
    // Removes the node only; relations touching it are left to the caller.
    bool removeNode(const QString &id);

    bool insertEdge(const Edge &edge);
    bool replaceEdge(const Edge &edge);
    void putEdge(const Edge &edge);
    bool removeEdge(const QString &id);

    void clear();
    // Replaces both tables at once, as a load does.
    void assign(NodeTable nodes, EdgeTable edges);

    // A fresh UUID not yet used as a node (or relation) id.
    QString unusedNodeId() const;
    QString unusedEdgeId() const;

    // Ids of the relations whose source or target is one of the given nodes.
    QStringList edgesTouching(const QSet<QString> &nodeIds) const;

    // Imported STIX objects kept for the next export; a load and a save carry them along.
    StixRecords &stix() { return m_stix; }
    const StixRecords &stix() const { return m_stix; }

    // Grows by one with every change; lets caches and views notice that the tables moved on.
    quint64 revision() const { return m_revision; }

    // Until stopRecording, notes into changes the prior value of every record a mutator
    // touches (its "before"); the caller fills in the "after" values.
    void startRecording(ChangeSet *changes) { m_recorder = changes; }
    void stopRecording() { m_recorder = nullptr; }

private:
    void noteNode(const QString &id);
    void noteEdge(const QString &id);

    NodeTable m_nodes;
    EdgeTable m_edges;
    StixRecords m_stix;
    quint64 m_revision = 0;
    ChangeSet *m_recorder = nullptr;
};
