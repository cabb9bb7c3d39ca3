#pragma once

#include "dialogs/attributesdialog.h"
#include "model/graph.h"

// The attribute rows of one node, with "Créer des nœuds depuis la sélection": each checked
// value becomes a node of the tab joined to this one. Nothing reaches the tab before the
// dialog is accepted: the caller then applies the rows and the planned nodes with applyTo()
// as one change.
class NodeAttributesDialog : public AttributesDialog
{
    Q_OBJECT

public:
    NodeAttributesDialog(const Node &node, const Graph &graph, QWidget *parent = nullptr);

    // The node with the edited rows.
    Node node() const;
    // The tab's tables as they will be once accepted: with the nodes planned so far.
    const Graph &preview() const { return m_preview; }
    // Writes the planned nodes and relations and the edited rows into graph.
    void applyTo(Graph &graph) const;

Q_SIGNALS:
    void nodesPlanned();

public Q_SLOTS:
    void onCreateNodesFromSelected();

private:
    Node m_node;
    Graph m_preview; // a copy, never the tab's tables
    QList<QList<AttributeRow>> m_plannedRows;
};
