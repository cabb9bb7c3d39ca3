// The canvas side of the main window: scene and item connections, the background context
// menu, the grid and centre dialogs and the spacing of parallel relations.
#include "app/mainwindow.h"

#include "app/prompter.h"
#include "app/tab.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/nodeitem.h"
#include "dialogs/centredialog.h"
#include "dialogs/griddialog.h"
#include "dialogs/nodeattributesdialog.h"
#include "ops/nodecommands.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>

void MainWindow::setUpCanvas(Tab *tab)
{
    tab->scene->setPrompter(m_prompter);
    connectItemRequests(tab);
    connect(tab->scene, &GraphScene::nodesMoved, this,
            [this, tab](const QHash<QString, QPointF> &positions) { moveNodes(tab, positions); });
    connect(tab->document.get(), &GraphDocument::modifiedChanged, this,
            [this, tab]() { updateTabTitle(tab); });
    connect(tab->document.get(), &GraphDocument::changed, this, &MainWindow::updateActionStates);
    connect(tab->scene, &GraphScene::backgroundContextMenuRequested, this,
            &MainWindow::onBackgroundContextMenuRequested);
    connect(tab->view, &GraphView::fileDropped, this, &MainWindow::onViewFileDropped);
    connect(tab->scene, &GraphScene::timelineCustomizationRequested, this,
            &MainWindow::editTimeline);
    setUpSceneDecor(tab);
}

// Queued: these requests change the document, which may delete the item whose menu or
// handler is still running when the signal is emitted. Edits go to the item's own tab,
// whichever is current when they arrive.
void MainWindow::connectItemRequests(Tab *tab)
{
    GraphScene *scene = tab->scene;
    connect(
        scene, &GraphScene::nodeEdited, this,
        [this, tab](const Node &node) { applyEditedNode(tab, node); }, Qt::QueuedConnection);
    connect(
        scene, &GraphScene::nodeAttributesRequested, this,
        [this, tab](const QString &id) { editNodeAttributes(tab, id); }, Qt::QueuedConnection);
    connect(scene, &GraphScene::addNodesToGroupRequested, this, &MainWindow::addNodesToGroup,
            Qt::QueuedConnection);
    connect(scene, &GraphScene::openInvestigationInNewTabRequested, this,
            &MainWindow::onOpenInvestigationInNewTab, Qt::QueuedConnection);
    connect(scene, &GraphScene::nodeDeleteRequested, this, &MainWindow::onDeleteNodeRequested,
            Qt::QueuedConnection);
    connect(scene, &GraphScene::groupExpandRequested, this, &MainWindow::onRequestExpandGroup,
            Qt::QueuedConnection);
    connect(scene, &GraphScene::groupCollapseRequested, this,
            &MainWindow::onRequestCollapseGroup, Qt::QueuedConnection);
    connect(scene, &GraphScene::ungroupRequested, this, &MainWindow::onRequestUngroup,
            Qt::QueuedConnection);
    connect(scene, &GraphScene::groupTabRequested, this, &MainWindow::onRequestOpenGroupTab,
            Qt::QueuedConnection);
    connect(scene, &GraphScene::groupNodesListRequested, this, &MainWindow::listGroupNodes,
            Qt::QueuedConnection);
    connect(scene, &GraphScene::groupEdgesListRequested, this, &MainWindow::listGroupEdges,
            Qt::QueuedConnection);
    connect(
        scene, &GraphScene::edgeEdited, this,
        [this, tab](const Edge &edge) { applyEditedEdge(tab, edge); }, Qt::QueuedConnection);
    connect(scene, &GraphScene::edgeDeleteRequested, this, &MainWindow::onDeleteEdgeRequested,
            Qt::QueuedConnection);
}

void MainWindow::onNodeEdited(const Node &node)
{
    applyEditedNode(currentTab(), node);
}

// The table takes the edited fields but keeps the position it holds: a drag not yet
// released is no part of the edit.
void MainWindow::applyEditedNode(Tab *tab, const Node &node)
{
    if (!tab || !tab->graph().hasNode(node.id))
        return;
    editTab(tab, QStringLiteral("Modifier le nœud « %1 »").arg(NodeCommands::displayName(node)),
            [&node](Graph &graph) { NodeCommands::mergeEditedNode(graph, node); });
}

void MainWindow::editNodeAttributes(Tab *tab, const QString &id)
{
    if (!tab || !tab->graph().hasNode(id))
        return;
    NodeAttributesDialog dialog(tab->graph().node(id), tab->graph(), this);
    if (m_prompter->exec(dialog) != QDialog::Accepted)
        return;
    editTab(tab, QStringLiteral("Modifier les attributs"),
            [&dialog](Graph &graph) { dialog.applyTo(graph); });
}

void MainWindow::moveNodes(Tab *tab, const QHash<QString, QPointF> &positions)
{
    const QString text = positions.size() == 1
        ? QStringLiteral("Déplacer le nœud")
        : QStringLiteral("Déplacer %1 nœuds").arg(positions.size());
    tab->document->edit(text, [&positions](Graph &graph) {
        for (auto it = positions.cbegin(); it != positions.cend(); ++it) {
            if (!graph.hasNode(it.key()))
                continue;
            Node node = graph.node(it.key());
            node.pos = it.value();
            graph.replaceNode(node);
        }
    });
}

void MainWindow::onBackgroundContextMenuRequested(const QPoint &screenPos)
{
    if (!currentScene())
        return;
    QMenu menu(this);
    fillBackgroundMenu(&menu, currentTab()->view->mapToScene(
                                  currentTab()->view->viewport()->mapFromGlobal(screenPos)));
    menu.exec(screenPos);
}

void MainWindow::fillBackgroundMenu(QMenu *menu, const QPointF &scenePos)
{
    GraphScene *scene = currentScene();
    if (!scene)
        return;
    connect(menu->addAction(QStringLiteral("Ajouter un nœud ici…")), &QAction::triggered, this,
            [this, scenePos]() { createNodeAt(scenePos); });
    menu->addSeparator();
    QAction *group = menu->addAction(QStringLiteral("Grouper la sélection"));
    group->setEnabled(scene->selectedNodeItems().size() >= 2);
    connect(group, &QAction::triggered, this, &MainWindow::groupSelection);
    connect(menu->addAction(QStringLiteral("Ajouter la sélection à un groupe…")),
            &QAction::triggered, this, &MainWindow::addSelectionToGroup);
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("Lister les nœuds…")), &QAction::triggered, this,
            &MainWindow::listNodes);
    connect(menu->addAction(QStringLiteral("Lister les relations…")), &QAction::triggered, this,
            &MainWindow::listEdges);
    connect(menu->addAction(QStringLiteral("Lister les médias…")), &QAction::triggered, this,
            &MainWindow::listMedias);
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("Filtrer par types de nœuds")), &QAction::triggered,
            this, &MainWindow::showNodeTypesDialog);
    connect(menu->addAction(QStringLiteral("Filtrer par types de relations")),
            &QAction::triggered, this, &MainWindow::showEdgeTypesDialog);
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("Importer une image d'arrière-plan")),
            &QAction::triggered, this, [this, scenePos]() { importBackgroundImageAt(scenePos); });
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("Grille d'arrière-plan")), &QAction::triggered, this,
            &MainWindow::showGridDialog);
    connect(menu->addAction(QStringLiteral("Visualiser le centre")), &QAction::triggered, this,
            &MainWindow::showCentreDialog);
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("Coller (CTRL+V)")), &QAction::triggered, this,
            [this, scenePos]() { pasteNodeAt(scenePos); });
    menu->addSeparator();
    addDrawShapeMenu(menu);
    menu->addSeparator();
    addLayoutMenus(menu);
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("Créer relation(s) du premier cliqué vers les autres…")),
            &QAction::triggered, this, &MainWindow::createEdgeFromSelection);
    connect(menu->addAction(QStringLiteral("Créer relation(s) du dernier cliqué → autres…")),
            &QAction::triggered, this, &MainWindow::createEdgeToSelection);
    connect(menu->addAction(QStringLiteral("Supprimer les nœuds sélectionnés")), &QAction::triggered,
            this, &MainWindow::deleteSelectedNodes);
    connect(menu->addAction(QStringLiteral("Supprimer les relations sélectionnées")),
            &QAction::triggered, this, &MainWindow::deleteSelectedEdges);
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("Ajuster la vue (Fit)")), &QAction::triggered, this,
            &MainWindow::fitView);
    addEdgeSeparationMenu(menu, false);
}

QMenu *MainWindow::addEdgeSeparationMenu(QMenu *parent, bool longNames)
{
    QMenu *separation = parent->addMenu(QStringLiteral("Séparation multi-liens"));
    if (longNames)
        separation->setObjectName(QStringLiteral("menuEdgeSeparation"));
    const struct
    {
        const char *longName;
        const char *shortName;
        double factor;
    } entries[] = {{"Très faible (×0.1)", "×0.1", 0.1},
                   {"Normal (×1.0)", "×1.0", 1.0},
                   {"Fort (×2)", "×2", 2.0},
                   {"Très fort (×3)", "×3", 3.0}};
    for (const auto &entry : entries) {
        QAction *action =
            separation->addAction(QString::fromUtf8(longNames ? entry.longName : entry.shortName));
        action->setData(entry.factor);
        const double factor = entry.factor;
        connect(action, &QAction::triggered, this,
                [this, factor]() { setMultiEdgeSeparation(factor); });
    }
    return separation;
}

// The separation is shared by every relation item, so every tab is redrawn with it.
void MainWindow::setMultiEdgeSeparation(double factor)
{
    EdgeItem::setEdgeSeparation(0.25 * factor);
    for (int i = 0; i < tabCount(); ++i)
        tabAt(i)->scene->refreshEdges();
    statusBar()->showMessage(
        QStringLiteral("Séparation multi-liens : ×%1").arg(QString::number(factor)), 1500);
}

void MainWindow::showGridDialog()
{
    GraphScene *scene = currentScene();
    if (!scene)
        return;
    GridDialog dialog(*m_prompter, scene->gridStep(), scene->gridWidth(), scene->gridColor(),
                      this);
    if (m_prompter->exec(dialog) == QDialog::Accepted)
        scene->setGrid(dialog.gridShown(), dialog.step(), dialog.lineWidth(), dialog.color());
}

void MainWindow::showCentreDialog()
{
    GraphScene *scene = currentScene();
    if (!scene)
        return;
    CentreDialog dialog(*m_prompter, scene->centreShown(), scene->centreWidth(),
                        scene->centreColor(), this);
    if (m_prompter->exec(dialog) == QDialog::Accepted)
        scene->setCentre(dialog.centreShown(), dialog.lineWidth(), dialog.color());
}
