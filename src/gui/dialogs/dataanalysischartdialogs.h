#pragma once

#include "analysis/chartcounts.h"
#include "dialogs/chartdialogbase.h"

#include <QStringList>

class MultiCheckComboBox;

// A chart dialog that counts one subject of the investigation by category: a chooser of the
// categories (none checked counts them all), a check box limiting the count to the records
// selected when the dialog opened, and the shared rows.
class DataAnalysisChartDialog : public ChartDialogBase
{
    Q_OBJECT

public:
    struct Texts
    {
        const char *title;
        const char *chooserLabel;
        const char *selectionLimit;
        const char *valueAxis;
        const char *categoryAxis;
    };

    MultiCheckComboBox *chooser() const { return m_chooser; }
    QCheckBox *selectionLimitCheck() const { return m_limit; }

public Q_SLOTS:
    void rebuildChart() override;

protected:
    DataAnalysisChartDialog(const Graph &graph, const QStringList &selectedIds,
                            ChartCounts::Subject subject, const Texts &texts, QWidget *parent);

private:
    ChartCounts::Subject m_subject;
    QSet<QString> m_selectedIds;
    QString m_valueAxis;
    QString m_categoryAxis;
    MultiCheckComboBox *m_chooser = nullptr;
    QCheckBox *m_limit = nullptr;
};

class DataAnalysisNodeTypeChartDialog : public DataAnalysisChartDialog
{
    Q_OBJECT
public:
    DataAnalysisNodeTypeChartDialog(const Graph &graph, const QStringList &selectedNodeIds,
                                    QWidget *parent = nullptr);
};

class DataAnalysisEdgeTypeChartDialog : public DataAnalysisChartDialog
{
    Q_OBJECT
public:
    DataAnalysisEdgeTypeChartDialog(const Graph &graph, const QStringList &selectedEdgeIds,
                                    QWidget *parent = nullptr);
};

class DataAnalysisNodeAttrKeyChartDialog : public DataAnalysisChartDialog
{
    Q_OBJECT
public:
    DataAnalysisNodeAttrKeyChartDialog(const Graph &graph, const QStringList &selectedNodeIds,
                                       QWidget *parent = nullptr);
};

class DataAnalysisEdgeAttrKeyChartDialog : public DataAnalysisChartDialog
{
    Q_OBJECT
public:
    DataAnalysisEdgeAttrKeyChartDialog(const Graph &graph, const QStringList &selectedEdgeIds,
                                       QWidget *parent = nullptr);
};

class DataAnalysisMediaTagChartDialog : public DataAnalysisChartDialog
{
    Q_OBJECT
public:
    DataAnalysisMediaTagChartDialog(const Graph &graph, const QStringList &selectedNodeIds,
                                    QWidget *parent = nullptr);
};
