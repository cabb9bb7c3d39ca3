// Statistics, data-quality report, anonymised copy and the data-visualisation charts of the
// main window. The numbers come from the core; this file only picks the tab and shows them.
#include "app/mainwindow.h"

#include "analysis/anonymiser.h"
#include "analysis/dataquality.h"
#include "analysis/statistics.h"
#include "app/prompter.h"
#include "app/tab.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "dialogs/anonymisedialog.h"
#include "dialogs/dataanalysischartdialogs.h"
#include "dialogs/dataanalysisnumdialogs.h"
#include "dialogs/dataqualitydialog.h"
#include "dialogs/statisticsdialog.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>

#include <utility>
#include <QTabWidget>

void MainWindow::buildAnalysisMenus(QMenu *tools)
{
    QMenu *charts = tools->addMenu(QStringLiteral("Visualisation des données"));
    charts->setObjectName(QStringLiteral("menuDataVisualisation"));
    const struct
    {
        const char *name;
        const char *text;
        void (MainWindow::*slot)();
    } chartEntries[] = {
        {"actionChartAttributeNum", "Attributs numériques",
         &MainWindow::openDataAnalysisAttributeNumChart},
        {"actionChartNodeAttrKeys", "Attributs des noeuds",
         &MainWindow::openDataAnalysisNodeAttrKeyChart},
        {"actionChartEdgeAttrKeys", "Attributs des relations",
         &MainWindow::openDataAnalysisEdgeAttrKeyChart},
        {"actionChartMediaTags", "Tags des médias", &MainWindow::openDataAnalysisMediaTagChart},
        {"actionChartNodeTypes", "Type de noeuds", &MainWindow::openDataAnalysisNodeChart},
        {"actionChartEdgeTypes", "Type de relations", &MainWindow::openDataAnalysisEdgeChart},
    };
    for (const auto &entry : chartEntries)
        addMenuAction(charts, QLatin1String(entry.name), QString::fromUtf8(entry.text), entry.slot);

    tools->addSeparator();
    addMenuAction(tools, QStringLiteral("actionAnonymise"), QStringLiteral("Anonymisation"),
                  &MainWindow::anonymiseGraph)
        ->setEnabled(false);

    QMenu *statistics = tools->addMenu(QStringLiteral("Statistiques"));
    statistics->setObjectName(QStringLiteral("menuStatistics"));
    const struct
    {
        const char *name;
        const char *text;
        Statistics::Kind kind;
    } statisticEntries[] = {
        {"actionStatNodesByType", "Nœuds par type", Statistics::Kind::NodesByType},
        {"actionStatEdgesByLabel", "Relations par type", Statistics::Kind::EdgesByLabel},
        {"actionStatDegrees", "Distribution des degrés", Statistics::Kind::DegreeDistribution},
        {"actionStatMedias", "Médias par nœud", Statistics::Kind::MediasPerNode},
        {"actionStatTopDegree", "Top 10 nœuds par degré", Statistics::Kind::TopDegree},
    };
    for (const auto &entry : statisticEntries) {
        QAction *action = statistics->addAction(QString::fromUtf8(entry.text));
        action->setObjectName(QLatin1String(entry.name));
        const Statistics::Kind kind = entry.kind;
        connect(action, &QAction::triggered, this, [this, kind]() { showStatistic(kind); });
    }
    statistics->setEnabled(false);

    QMenu *quality = tools->addMenu(QStringLiteral("Qualité des données"));
    quality->setObjectName(QStringLiteral("menuDataQuality"));
    addMenuAction(quality, QStringLiteral("actionDataQuality"), QStringLiteral("Analyser…"),
                  &MainWindow::showDataQuality);
    quality->setEnabled(false);
}

void MainWindow::updateAnalysisActions(bool sceneHasItems)
{
    if (QAction *anonymise = action(QStringLiteral("actionAnonymise")))
        anonymise->setEnabled(sceneHasItems);
    for (const char *name : {"menuStatistics", "menuDataQuality"}) {
        if (QMenu *entry = menu(QLatin1String(name)))
            entry->setEnabled(sceneHasItems);
    }
}

QStringList MainWindow::selectedEdgeIds() const
{
    QStringList ids;
    if (const GraphScene *scene = currentScene()) {
        for (QGraphicsItem *item : scene->selectedItems()) {
            if (const auto *edge = qgraphicsitem_cast<EdgeItem *>(item))
                ids.append(edge->id());
        }
    }
    return ids;
}

void MainWindow::showStatistic(Statistics::Kind kind)
{
    const Tab *tab = currentTab();
    if (!tab)
        return;
    StatisticsDialog dialog(Statistics::compute(tab->graph(), kind), this);
    m_prompter->exec(dialog);
}

void MainWindow::showDataQuality()
{
    const Tab *tab = currentTab();
    if (!tab)
        return;
    DataQualityDialog dialog(DataQuality::analyse(tab->graph()), this);
    m_prompter->exec(dialog);
}

// The copy goes to a new tab with no database; the source tab is only read.
void MainWindow::anonymiseGraph()
{
    const Tab *source = currentTab();
    if (!source)
        return;
    AnonymiseDialog dialog(this);
    if (m_prompter->exec(dialog) != QDialog::Accepted)
        return;
    Anonymiser::Copy copy =
        Anonymiser::copy(source->graph(), source->sceneRecords(), dialog.options());
    const int index = createTab(QStringLiteral("ANON ") + source->title);
    Tab *tab = tabAt(index);
    // The copy exists nowhere else yet: it counts as unsaved work.
    // Handed over, not shared: the tab's first edit then copies no table.
    tab->document->load(std::move(copy.graph), std::move(copy.scene), QString());
    tab->document->markUnsaved();
    refreshTab(tab);
    fitView();
    statusBar()->showMessage(QStringLiteral("Copie anonymisée créée"), 3000);
}

template<typename Dialog>
void MainWindow::openChartDialog(bool relations)
{
    const Tab *tab = currentTab();
    if (!tab)
        return;
    Dialog dialog(tab->graph(), relations ? selectedEdgeIds() : selectedNodeIds(), this);
    m_prompter->exec(dialog);
}

void MainWindow::openDataAnalysisAttributeNumChart()
{
    openChartDialog<DataAnalysisNodeAttrNumChartDialog>(false);
}

void MainWindow::openDataAnalysisAttributeNumAnalysis()
{
    const Tab *tab = currentTab();
    if (!tab)
        return;
    DataAnalysisAttributeNumChartDialog dialog(tab->graph(), this);
    m_prompter->exec(dialog);
}

void MainWindow::openDataAnalysisNodeAttrKeyChart()
{
    openChartDialog<DataAnalysisNodeAttrKeyChartDialog>(false);
}

void MainWindow::openDataAnalysisEdgeAttrKeyChart()
{
    openChartDialog<DataAnalysisEdgeAttrKeyChartDialog>(true);
}

void MainWindow::openDataAnalysisMediaTagChart()
{
    openChartDialog<DataAnalysisMediaTagChartDialog>(false);
}

void MainWindow::openDataAnalysisNodeChart()
{
    openChartDialog<DataAnalysisNodeTypeChartDialog>(false);
}

void MainWindow::openDataAnalysisEdgeChart()
{
    openChartDialog<DataAnalysisEdgeTypeChartDialog>(true);
}
