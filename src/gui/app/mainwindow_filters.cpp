// Filters, type visibility and search of the main window.
#include "app/mainwindow.h"

#include "app/prompter.h"
#include "app/tab.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/nodeitem.h"
#include "dialogs/edgeslistdialog.h"
#include "dialogs/filtersdialog.h"
#include "dialogs/grouprevealdialog.h"
#include "dialogs/nodeslistdialog.h"
#include "dialogs/typevisibilitydialog.h"

#include <QStatusBar>

void MainWindow::openFiltersDialog()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    FiltersDialog dialog(tab->graph(), this);
    if (m_prompter->exec(dialog) != QDialog::Accepted)
        return;
    const FilterState state = dialog.filterState();
    applyFilter(tab, state, FilterEngine::run(tab->graph(), state));
}

void MainWindow::applyFilter(Tab *tab, const FilterState &state,
                             const FilterEngine::Result &result)
{
    int groupMode = FilterEngine::ShowNodeOnly;
    const QStringList groups = FilterEngine::groupLabels(tab->graph(), result);
    if (!groups.isEmpty()) {
        GroupRevealDialog dialog(groups, this);
        if (m_prompter->exec(dialog) == QDialog::Accepted && dialog.choice() != 0)
            groupMode = dialog.choice();
    }

    GraphScene *scene = tab->scene;
    const QList<QString> nodeIds = scene->nodeItems().keys();
    QStringList relationIds;
    relationIds.reserve(scene->edgeItems().size());
    for (const EdgeItem *item : scene->edgeItems())
        relationIds.append(item->id());
    const FilterEngine::Display display =
        FilterEngine::display(tab->graph(), QSet<QString>(nodeIds.cbegin(), nodeIds.cend()),
                              relationIds, result, groupMode, state);
    for (NodeItem *item : scene->nodeItems()) {
        const FilterEngine::Look look = display.nodes.value(item->id());
        item->setVisible(look.visible);
        item->setOpacity(look.opacity);
    }
    for (EdgeItem *item : scene->edgeItems()) {
        const FilterEngine::Look look = display.relations.value(item->id());
        item->setVisible(look.visible);
        item->setOpacity(look.opacity);
    }
    statusBar()->showMessage(QStringLiteral("Filtres appliqués — %1 nœuds / %2 relations retenus")
                                 .arg(result.nodes.size())
                                 .arg(result.relations.size()));
}

void MainWindow::showNodeTypesDialog()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    NodeTypesDialog dialog(tab->graph(), *tab->scene, this);
    m_prompter->exec(dialog);
}

void MainWindow::showEdgeTypesDialog()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    EdgeTypesDialog dialog(tab->graph(), *tab->scene, this);
    m_prompter->exec(dialog);
}

void MainWindow::onSearchRequested(SearchWidget::Scope scope, SearchWidget::Field field,
                                   const QString &query)
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const RecordFilter::Field column = field == SearchWidget::Attributes
        ? RecordFilter::Field::Attributes
        : field == SearchWidget::Description ? RecordFilter::Field::Description
                                             : RecordFilter::Field::Label;
    RecordListDialog *list = nullptr;
    if (scope == SearchWidget::Relations) {
        auto *edges = new EdgesListDialog(tab->graph(), tab->scene, *m_prompter, this);
        connectEdgeList(edges, tab);
        list = edges;
    } else {
        auto *nodes = new NodesListDialog(tab->graph(), tab->scene, *m_prompter, this);
        connectNodeList(nodes, tab);
        list = nodes;
    }
    list->show();
    list->applyFilter(query, column);
}
