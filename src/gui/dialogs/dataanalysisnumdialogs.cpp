#include "dialogs/dataanalysisnumdialogs.h"

#include "analysis/chartcounts.h"
#include "analysis/numericvalues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

constexpr int histogramBins = 10;

} // namespace

DataAnalysisAttributeNumChartDialog::DataAnalysisAttributeNumChartDialog(const Graph &graph,
                                                                         QWidget *parent)
    : ChartDialogBase(graph, QStringLiteral("Analyse des attributs numériques"), parent)
{
    m_key = new QComboBox;
    m_key->addItems(NumericValues::numericKeys(graph));
    addLabelled(QStringLiteral("Attribut numérique :"), m_key);
    addCommonRows(true);
    rebuildChart();
}

void DataAnalysisAttributeNumChartDialog::rebuildChart()
{
    const QList<double> values = NumericValues::valuesOf(m_graph, m_key->currentText(),
                                                         hypothesesCheck()->isChecked());
    setSummary(NumericValues::summaryLine(NumericValues::summarise(values)));
    draw({asChartValues(NumericValues::histogram(values, histogramBins)), true,
          QStringLiteral("Valeurs"), QStringLiteral("Nombre de valeurs")});
}

DataAnalysisNodeAttrNumChartDialog::DataAnalysisNodeAttrNumChartDialog(
    const Graph &graph, const QStringList &selectedNodeIds, QWidget *parent)
    : ChartDialogBase(graph, QStringLiteral("Valeurs numériques des attributs (nœuds)"), parent),
      m_selectedIds(selectedNodeIds.cbegin(), selectedNodeIds.cend())
{
    m_type = new QComboBox;
    m_type->addItems(ChartCounts::categories(graph, ChartCounts::Subject::NodeTypes));
    addLabelled(QStringLiteral("Type de nœud :"), m_type);
    m_value = new QComboBox;
    addLabelled(QStringLiteral("Attribut numérique (valeur) :"), m_value);
    m_category = new QComboBox;
    addLabelled(QStringLiteral("Libellé des catégories :"), m_category);
    m_merge = new QCheckBox(QStringLiteral("Fusionner les catégories identiques (somme)"));
    rows()->addWidget(m_merge);
    m_limit = new QCheckBox(QStringLiteral("Limiter aux nœuds sélectionnés"));
    rows()->addWidget(m_limit);
    addCommonRows(true);
    connect(m_type, &QComboBox::currentIndexChanged, this,
            &DataAnalysisNodeAttrNumChartDialog::onNodeTypeChanged);
    onNodeTypeChanged();
}

void DataAnalysisNodeAttrNumChartDialog::onNodeTypeChanged()
{
    const QString type = m_type->currentText();
    {
        const QSignalBlocker valueBlocker(m_value);
        const QSignalBlocker categoryBlocker(m_category);
        m_value->clear();
        m_value->addItems(NumericValues::nodeKeys(m_graph, type, true));
        m_category->clear();
        // No data: the node label names the bar.
        m_category->addItem(QStringLiteral("Label du nœud"));
        for (const QString &key : NumericValues::nodeKeys(m_graph, type, false))
            m_category->addItem(key, key);
    }
    rebuildChart();
}

void DataAnalysisNodeAttrNumChartDialog::rebuildChart()
{
    NumericValues::NodeOptions options;
    options.type = m_type->currentText();
    options.valueKey = m_value->currentText();
    options.categoryKey = m_category->currentData().toString();
    options.merge = m_merge->isChecked();
    options.limitToSelection = m_limit->isChecked();
    options.selectedIds = m_selectedIds;
    options.includeHypotheses = hypothesesCheck()->isChecked();
    const NumericValues::NodeValues result = NumericValues::nodeValues(m_graph, options);
    setSummary(NumericValues::summaryLine(result.summary));
    draw({result.bars, false, QStringLiteral("Nœuds"), QStringLiteral("Valeur de l'attribut")});
}
