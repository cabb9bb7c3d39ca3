#pragma once

#include "dialogs/attributesdialog.h"
#include "model/graph.h"

// The attribute rows of one node, with "Créer des nœuds depuis la sélection": each checked
// value becomes a node of the tab joined to this one. Those nodes go into the tab's tables
// at once and graphChanged() says so; the rows themselves are read back by the caller.
class NodeAttributesDialog : public AttributesDialog
{
    Q_OBJECT

public:
    NodeAttributesDialog(const Node &node, Graph &graph, QWidget *parent = nullptr);

    // The node with the edited rows.
    Node node() const;

Q_SIGNALS:
    void graphChanged();

public Q_SLOTS:
    void onCreateNodesFromSelected();

private:
    Node m_node;
    Graph &m_graph;
};
