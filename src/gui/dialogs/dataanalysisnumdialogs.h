#pragma once

#include "dialogs/chartdialogbase.h"

#include <QSet>
#include <QStringList>

// Numbers held by attribute values, read with a decimal comma or point (NumericValues::parse).

// How the values of one numeric attribute, over nodes and relations, spread: a histogram of
// ten bins of equal width and the summary line.
class DataAnalysisAttributeNumChartDialog : public ChartDialogBase
{
    Q_OBJECT

public:
    explicit DataAnalysisAttributeNumChartDialog(const Graph &graph, QWidget *parent = nullptr);

    QComboBox *keyCombo() const { return m_key; }

public Q_SLOTS:
    void rebuildChart() override;

private:
    QComboBox *m_key = nullptr;
};

// One bar per node of the chosen type that holds a number under the chosen attribute, named
// by its label or by another attribute; identical names can be merged into their sum.
class DataAnalysisNodeAttrNumChartDialog : public ChartDialogBase
{
    Q_OBJECT

public:
    DataAnalysisNodeAttrNumChartDialog(const Graph &graph, const QStringList &selectedNodeIds,
                                       QWidget *parent = nullptr);

    QComboBox *typeCombo() const { return m_type; }
    QComboBox *valueCombo() const { return m_value; }
    QComboBox *categoryCombo() const { return m_category; }
    QCheckBox *mergeCheck() const { return m_merge; }
    QCheckBox *selectionLimitCheck() const { return m_limit; }

public Q_SLOTS:
    void rebuildChart() override;
    // Lists the attributes of the nodes of the newly chosen type.
    void onNodeTypeChanged();

private:
    QSet<QString> m_selectedIds;
    QComboBox *m_type = nullptr;
    QComboBox *m_value = nullptr;
    QComboBox *m_category = nullptr;
    QCheckBox *m_merge = nullptr;
    QCheckBox *m_limit = nullptr;
};
