#pragma once

#include "dialogs/attributesdialog.h"
#include "model/graph.h"

// The attribute rows of one relation.
class EdgeAttributesDialog : public AttributesDialog
{
    Q_OBJECT

public:
    EdgeAttributesDialog(const Edge &edge, const Graph *graph, QWidget *parent = nullptr);

    // The relation with the edited rows.
    Edge edge() const;

private:
    Edge m_edge;
};
