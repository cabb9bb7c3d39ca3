#pragma once

#include "model/graph.h"

#include <QDialog>

class GraphScene;
class QListWidget;
class QListWidgetItem;

// A list of the node (or relation) types of a tab, each checked while its type is shown.
// Unchecking an item hides that type on the scene at once; "Appliquer" sets every type from
// its box in one batch, so that the scene works out what to show only once.
class TypeVisibilityDialog : public QDialog
{
    Q_OBJECT

public:
    enum Kind { NodeTypes, RelationTypes };

    QListWidget *list() const { return m_list; }

public Q_SLOTS:
    void onItemChanged(QListWidgetItem *item);
    void onApplyClicked_();
    void checkAll();
    void uncheckAll();

protected:
    TypeVisibilityDialog(Kind kind, const Graph &graph, GraphScene &scene, QWidget *parent);

private:
    void setAllChecked(bool checked);
    void applyItem(const QListWidgetItem *item);

    Kind m_kind;
    GraphScene &m_scene;
    QListWidget *m_list = nullptr;
};

// "Types de nœuds" of the canvas background menu.
class NodeTypesDialog : public TypeVisibilityDialog
{
    Q_OBJECT

public:
    NodeTypesDialog(const Graph &graph, GraphScene &scene, QWidget *parent = nullptr)
        : TypeVisibilityDialog(NodeTypes, graph, scene, parent)
    {
    }
};

// "Types de relations" of the canvas background menu.
class EdgeTypesDialog : public TypeVisibilityDialog
{
    Q_OBJECT

public:
    EdgeTypesDialog(const Graph &graph, GraphScene &scene, QWidget *parent = nullptr)
        : TypeVisibilityDialog(RelationTypes, graph, scene, parent)
    {
    }
};
