#include "dialogs/dataanalysischartdialogs.h"

#include "dialogs/multicheckcombobox.h"

#include <QCheckBox>
#include <QVBoxLayout>

DataAnalysisChartDialog::DataAnalysisChartDialog(const Graph &graph,
                                                 const QStringList &selectedIds,
                                                 ChartCounts::Subject subject, const Texts &texts,
                                                 QWidget *parent)
    : ChartDialogBase(graph, QString::fromUtf8(texts.title), parent),
      m_subject(subject),
      m_selectedIds(selectedIds.cbegin(), selectedIds.cend()),
      m_valueAxis(QString::fromUtf8(texts.valueAxis)),
      m_categoryAxis(QString::fromUtf8(texts.categoryAxis))
{
    m_chooser = new MultiCheckComboBox;
    m_chooser->setItems(ChartCounts::categories(graph, subject));
    m_chooser->setSummaryTexts(QStringLiteral("(toutes)"), QStringLiteral("(toutes)"));
    addLabelled(QString::fromUtf8(texts.chooserLabel), m_chooser);
    m_limit = new QCheckBox(QString::fromUtf8(texts.selectionLimit));
    rows()->addWidget(m_limit);
    addCommonRows(false);
    rebuildChart();
}

void DataAnalysisChartDialog::rebuildChart()
{
    ChartCounts::Options options;
    options.limitToSelection = m_limit->isChecked();
    options.selectedIds = m_selectedIds;
    options.includeHypotheses = hypothesesCheck()->isChecked();
    options.checked = m_chooser->checkedItems();
    draw({asChartValues(ChartCounts::count(m_graph, m_subject, options)), true, m_categoryAxis,
          m_valueAxis});
}

DataAnalysisNodeTypeChartDialog::DataAnalysisNodeTypeChartDialog(
    const Graph &graph, const QStringList &selectedNodeIds, QWidget *parent)
    : DataAnalysisChartDialog(graph, selectedNodeIds, ChartCounts::Subject::NodeTypes,
                              {"Distribution des types de nœuds", "Types de nœuds :",
                               "Limiter aux nœuds sélectionnés", "Nombre de nœuds", "Types"},
                              parent)
{
}

DataAnalysisEdgeTypeChartDialog::DataAnalysisEdgeTypeChartDialog(
    const Graph &graph, const QStringList &selectedEdgeIds, QWidget *parent)
    : DataAnalysisChartDialog(graph, selectedEdgeIds, ChartCounts::Subject::EdgeTypes,
                              {"Distribution des types de relations", "Types de relations :",
                               "Limiter aux relations sélectionnées", "Nombre de relations",
                               "Relations"},
                              parent)
{
}

DataAnalysisNodeAttrKeyChartDialog::DataAnalysisNodeAttrKeyChartDialog(
    const Graph &graph, const QStringList &selectedNodeIds, QWidget *parent)
    : DataAnalysisChartDialog(graph, selectedNodeIds, ChartCounts::Subject::NodeAttributeKeys,
                              {"Distribution des attributs (nœuds)",
                               "Clés d'attributs de nœuds :", "Limiter aux nœuds sélectionnés",
                               "Nombre d'attributs", "Attributs (nœuds)"},
                              parent)
{
}

DataAnalysisEdgeAttrKeyChartDialog::DataAnalysisEdgeAttrKeyChartDialog(
    const Graph &graph, const QStringList &selectedEdgeIds, QWidget *parent)
    : DataAnalysisChartDialog(graph, selectedEdgeIds, ChartCounts::Subject::EdgeAttributeKeys,
                              {"Distribution des attributs (relations)",
                               "Clés d'attributs de relations :",
                               "Limiter aux relations sélectionnées", "Nombre d'attributs",
                               "Attributs (relations)"},
                              parent)
{
}

DataAnalysisMediaTagChartDialog::DataAnalysisMediaTagChartDialog(
    const Graph &graph, const QStringList &selectedNodeIds, QWidget *parent)
    : DataAnalysisChartDialog(graph, selectedNodeIds, ChartCounts::Subject::MediaTags,
                              {"Distribution des tags des médias", "Tags des médias :",
                               "Limiter aux nœuds sélectionnés", "Nombre de médias", "Tags"},
                              parent)
{
}
