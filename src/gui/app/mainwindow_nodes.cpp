// Node and relation commands of the main window: create, edit, clone, copy, paste and
// delete, the lists of nodes, relations and media, and files dropped on the canvas. The
// table changes themselves are NodeCommands; these slots ask, apply and report.
#include "app/mainwindow.h"

#include "app/prompter.h"
#include "app/tab.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/nodeitem.h"
#include "dialogs/edgeeditdialog.h"
#include "dialogs/edgeslistdialog.h"
#include "dialogs/filedropdialog.h"
#include "dialogs/mediaslistdialog.h"
#include "dialogs/nodeeditdialog.h"
#include "dialogs/nodeslistdialog.h"
#include "interchange/csvio.h"
#include "ops/clipboardformat.h"
#include "ops/grouping.h"
#include "ops/nodecommands.h"
#include "ops/recordfilter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QStatusBar>

#include <algorithm>

namespace {

QList<EdgeItem *> selectedEdgeItems(const GraphScene *scene)
{
    QList<EdgeItem *> edges;
    for (QGraphicsItem *item : scene->selectedItems()) {
        if (item->type() == EdgeItem::Type)
            edges.append(static_cast<EdgeItem *>(item));
    }
    return edges;
}

// "Supprimer 3 nœuds", "Supprimer le nœud".
QString nodeCountText(const QString &verb, qsizetype count)
{
    return count == 1 ? verb + QStringLiteral(" le nœud")
                      : QStringLiteral("%1 %2 nœuds").arg(verb).arg(count);
}

QString relationCountText(const QString &verb, qsizetype count)
{
    return count == 1 ? verb + QStringLiteral(" la relation")
                      : QStringLiteral("%1 %2 relations").arg(verb).arg(count);
}

// The trimmed label, or the id when the label is blank.
QString candidateName(const Node &node)
{
    const QString label = node.label.trimmed();
    return label.isEmpty() ? node.id : label;
}

} // namespace

QPointF MainWindow::visibleCentre(const Tab *tab) const
{
    if (!tab || !tab->view)
        return QPointF();
    return tab->view->mapToScene(tab->view->viewport()->rect().center());
}

void MainWindow::selectNodeItem(Tab *tab, const QString &id)
{
    tab->scene->clearSelection();
    if (NodeItem *item = tab->scene->nodeItem(id))
        item->setSelected(true);
}

void MainWindow::createNodeFromMenu()
{
    createNodeAt(visibleCentre(currentTab()));
}

void MainWindow::createNodeAt(const QPointF &scenePos)
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    NodeEditDialog dialog(NodeCommands::newNode(tab->graph(), scenePos), &tab->graph(), *m_prompter,
                          this);
    if (m_prompter->exec(dialog) != QDialog::Accepted)
        return;
    Node stored;
    editTab(tab, QStringLiteral("Créer le nœud « %1 »").arg(candidateName(dialog.node())),
            [&](Graph &graph) { stored = NodeCommands::insertWithFreshId(graph, dialog.node()); });
    selectNodeItem(tab, stored.id);
    statusBar()->showMessage(QStringLiteral("Nœud %1 créé").arg(stored.id), 2000);
}

void MainWindow::editSelectedNode()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const std::optional<Node> current = firstSelectedNode(tab);
    if (!current)
        return;
    const QString previousId = current->id;
    NodeEditDialog dialog(*current, &tab->graph(), *m_prompter, this);
    if (m_prompter->exec(dialog) != QDialog::Accepted)
        return;
    Node stored;
    editTab(tab, QStringLiteral("Modifier le nœud « %1 »").arg(candidateName(dialog.node())),
            [&](Graph &graph) {
                stored = NodeCommands::storeEditedNode(graph, previousId, dialog.node());
            });
    selectNodeItem(tab, stored.id);
    statusBar()->showMessage(QStringLiteral("Nœud modifié"), 1500);
}

void MainWindow::onDeleteNodeRequested(const QString &nodeId)
{
    Tab *tab = currentTab();
    if (!tab || !tab->graph().hasNode(nodeId))
        return;
    const int count = NodeCommands::edgesTouchingCount(tab->graph(), {nodeId});
    const QString name = NodeCommands::displayName(tab->graph().node(nodeId));
    const QString question =
        count == 0
            ? QStringLiteral("Supprimer le nœud « %1 » (aucune relation liée). Continuer ?")
                  .arg(name)
            : QStringLiteral("Supprimer le nœud « %1 » et ses %2 relation(s) liée(s) ?")
                  .arg(name)
                  .arg(count);
    if (!m_prompter->confirm(this, QMessageBox::Warning, QStringLiteral("Supprimer le nœud"),
                             question))
        return;
    tab->scene->clearSelection();
    editTab(tab, QStringLiteral("Supprimer le nœud « %1 »").arg(name),
            [&](Graph &graph) { NodeCommands::removeNodes(graph, {nodeId}); });
    statusBar()->showMessage(QStringLiteral("Nœud %1 supprimé").arg(name), 2000);
}

void MainWindow::deleteSelectedNodes()
{
    if (Tab *tab = currentTab())
        confirmAndDeleteNodes(tab, selectedNodeIds());
}

void MainWindow::deleteSelection()
{
    if (!selectedNodeIds().isEmpty())
        deleteSelectedNodes();
    else if (selectedEdgeIds().isEmpty() && currentScene()
             && !currentScene()->selectedMapItems().isEmpty())
        deleteSelectedMaps();
    else
        deleteSelectedEdges();
}

void MainWindow::confirmAndDeleteNodes(Tab *tab, const QStringList &ids)
{
    if (ids.isEmpty())
        return;
    const int count =
        NodeCommands::edgesTouchingCount(tab->graph(), QSet<QString>(ids.cbegin(), ids.cend()));
    const QString question =
        count == 0 ? QStringLiteral("Supprimer %1 nœud(s) sélectionné(s) (aucune relation liée). "
                                    "Continuer ?")
                         .arg(ids.size())
                   : QStringLiteral("Supprimer %1 nœud(s) sélectionné(s) et leurs %2 relation(s) "
                                    "liée(s) ?")
                         .arg(ids.size())
                         .arg(count);
    if (!m_prompter->confirm(this, QMessageBox::Warning, QStringLiteral("Supprimer nœuds"),
                             question))
        return;
    tab->scene->clearSelection();
    editTab(tab, nodeCountText(QStringLiteral("Supprimer"), ids.size()),
            [&](Graph &graph) { NodeCommands::removeNodes(graph, ids); });
    statusBar()->showMessage(QStringLiteral("Suppression effectuée"), 2000);
}

void MainWindow::deleteNodesByIds(const QStringList &ids)
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    tab->scene->clearSelection();
    NodeCommands::Removal removal;
    editTab(tab, nodeCountText(QStringLiteral("Supprimer"), ids.size()),
            [&](Graph &graph) { removal = NodeCommands::removeNodes(graph, ids); });
    statusBar()->showMessage(QStringLiteral("Nœuds supprimés: %1").arg(removal.nodes), 2000);
}

void MainWindow::deleteEdgesByIds(const QStringList &ids)
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    tab->scene->clearSelection();
    int removed = 0;
    editTab(tab, relationCountText(QStringLiteral("Supprimer"), ids.size()),
            [&](Graph &graph) { removed = NodeCommands::removeEdges(graph, ids); });
    statusBar()->showMessage(QStringLiteral("Relations supprimées: %1").arg(removed), 2000);
}

void MainWindow::createEdgeFromSelection()
{
    createEdgesFromPicked(true);
}

void MainWindow::createEdgeToSelection()
{
    createEdgesFromPicked(false);
}

void MainWindow::createEdgesFromPicked(bool firstIsSource)
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    QList<NodeItem *> selected = tab->scene->selectedNodeItems();
    if (selected.size() < 2) {
        m_prompter->information(
            this, QStringLiteral("Sélection requise"),
            firstIsSource ? QStringLiteral("Sélectionne au moins deux nœuds (Ctrl+clic). Le "
                                           "premier cliqué sera la source.")
                          : QStringLiteral("Sélectionne au moins deux nœuds (Ctrl+clic). Le "
                                           "dernier cliqué sera la source."));
        return;
    }
    std::stable_sort(selected.begin(), selected.end(), [](const NodeItem *a, const NodeItem *b) {
        return a->pickOrder() < b->pickOrder();
    });
    const NodeItem *source = firstIsSource ? selected.constFirst() : selected.constLast();
    QStringList ids;
    QStringList names;
    for (const NodeItem *item : std::as_const(selected)) {
        ids.append(item->id());
        names.append(candidateName(item->node()));
    }
    EdgeEditDialog dialog(NodeCommands::edgeTemplate(tab->graph(), source->id()), ids, names,
                          &tab->graph(), *m_prompter, this, EdgeEditDialog::Mode::CreateToTargets);
    if (m_prompter->exec(dialog) != QDialog::Accepted)
        return;
    const Edge templ = dialog.edge();
    if (!tab->graph().hasNode(templ.src)) {
        m_prompter->warning(this, QStringLiteral("Source invalide"),
                            QStringLiteral("Le nœud source « %1 » n'existe pas.").arg(templ.src));
        return;
    }
    NodeCommands::EdgeCreation creation;
    editTab(tab, QStringLiteral("Créer des relations"), [&](Graph &graph) {
        creation = NodeCommands::createEdges(graph, templ, dialog.targets());
    });
    statusBar()->showMessage(QStringLiteral("%1 relation(s) créée(s), %2 ignorée(s).")
                                 .arg(creation.created.size())
                                 .arg(creation.ignored),
                             3000);
}

void MainWindow::editSelectedEdge()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QList<EdgeItem *> selected = selectedEdgeItems(tab->scene);
    if (selected.isEmpty())
        return;
    EdgeItem *item = selected.constFirst();
    QStringList nodeIds;
    for (const QString &id : tab->scene->nodeItems().keys())
        nodeIds.append(id);
    nodeIds = RecordFilter::nodeIds(tab->graph(), QString(), {}, nodeIds);
    QStringList names;
    for (const QString &id : std::as_const(nodeIds))
        names.append(candidateName(tab->graph().node(id)));
    EdgeEditDialog dialog(item->edge(), nodeIds, names, &tab->graph(), *m_prompter, this);
    QPointer<EdgeItem> guard(item);
    if (m_prompter->exec(dialog) != QDialog::Accepted || !guard)
        return;
    applyEditedEdge(tab, dialog.edge());
    statusBar()->showMessage(QStringLiteral("Relation modifiée"), 1500);
}

void MainWindow::onEdgeEdited(const Edge &edge)
{
    applyEditedEdge(currentTab(), edge);
}

void MainWindow::applyEditedEdge(Tab *tab, const Edge &edge)
{
    if (!tab)
        return;
    const QString refused = NodeCommands::missingEndsMessage(tab->graph(), edge);
    if (!refused.isEmpty()) {
        m_prompter->warning(this, QStringLiteral("IDs de nœuds invalides"), refused);
        return;
    }
    if (!tab->graph().hasEdge(edge.id))
        return;
    editTab(tab, QStringLiteral("Modifier la relation « %1 »").arg(edge.label.isEmpty() ? edge.id : edge.label),
            [&edge](Graph &graph) { graph.replaceEdge(edge); });
    statusBar()->showMessage(QStringLiteral("Relation %1 mise à jour").arg(edge.id), 2000);
}

void MainWindow::onDeleteEdgeRequested(const QString &edgeId)
{
    Tab *tab = currentTab();
    if (!tab || !tab->graph().hasEdge(edgeId))
        return;
    if (!m_prompter->confirm(this, QMessageBox::Warning, QStringLiteral("Supprimer la relation"),
                             QStringLiteral("Supprimer la relation « %1 » ?").arg(edgeId)))
        return;
    tab->scene->clearSelection();
    editTab(tab, QStringLiteral("Supprimer la relation"),
            [&edgeId](Graph &graph) { NodeCommands::removeEdges(graph, {edgeId}); });
    statusBar()->showMessage(QStringLiteral("Relation %1 supprimée").arg(edgeId), 2000);
}

void MainWindow::deleteSelectedEdges()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    QStringList ids;
    for (const EdgeItem *item : selectedEdgeItems(tab->scene))
        ids.append(item->id());
    confirmAndDeleteEdges(tab, ids);
}

void MainWindow::confirmAndDeleteEdges(Tab *tab, const QStringList &ids)
{
    if (ids.isEmpty())
        return;
    if (!m_prompter->confirm(this, QMessageBox::Question, QStringLiteral("Supprimer"),
                             QStringLiteral("Supprimer %1 relation(s) sélectionnée(s) ?")
                                 .arg(ids.size())))
        return;
    tab->scene->clearSelection();
    editTab(tab, relationCountText(QStringLiteral("Supprimer"), ids.size()),
            [&ids](Graph &graph) { NodeCommands::removeEdges(graph, ids); });
    statusBar()->showMessage(QStringLiteral("Suppression effectuée"), 2000);
}

void MainWindow::copySelectedNode()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const std::optional<Node> node = firstSelectedNode(tab);
    if (!node)
        return;
    QGuiApplication::clipboard()->setMimeData(ClipboardFormat::toMimeData(*node));
    statusBar()->showMessage(QStringLiteral("Nœud copié: %1").arg(node->id), 1500);
}

std::optional<Node> MainWindow::firstSelectedNode(const Tab *tab) const
{
    const QList<NodeItem *> selected = tab->scene->selectedNodeItems();
    if (selected.isEmpty())
        return std::nullopt;
    const NodeItem *item = selected.constFirst();
    return tab->graph().hasNode(item->id()) ? tab->graph().node(item->id()) : item->node();
}

void MainWindow::pasteNode()
{
    pasteNodeAt(visibleCentre(currentTab()));
}

void MainWindow::pasteNodeAt(const QPointF &scenePos)
{
    Tab *tab = currentTab();
    if (!tab || !tab->view)
        return;
    std::optional<Node> node =
        ClipboardFormat::fromMimeData(QGuiApplication::clipboard()->mimeData());
    if (!node)
        return;
    node->id = tab->graph().unusedNodeId();
    node->pos = scenePos;
    editTab(tab, QStringLiteral("Coller le nœud « %1 »").arg(candidateName(*node)),
            [&node](Graph &graph) { graph.insertNode(*node); });
    selectNodeItem(tab, node->id);
    statusBar()->showMessage(QStringLiteral("Nœud collé: %1").arg(node->id), 2000);
}

// A list deletes from the tab it was opened on, after the same question as the canvas.
void MainWindow::connectNodeList(NodesListDialog *dialog, Tab *tab)
{
    connect(dialog, &NodesListDialog::nodeEdited, this,
            [this, tab](const Node &node) { applyEditedNode(tab, node); });
    connect(dialog, &NodesListDialog::requestDelete, this,
            [this, tab](const QStringList &ids) { confirmAndDeleteNodes(tab, ids); });
}

void MainWindow::connectEdgeList(EdgesListDialog *dialog, Tab *tab)
{
    connect(dialog, &EdgesListDialog::requestDelete, this,
            [this, tab](const QStringList &ids) { confirmAndDeleteEdges(tab, ids); });
    connect(dialog, &EdgesListDialog::edgeEdited, this,
            [this, tab](const Edge &edge) { applyEditedEdge(tab, edge); });
}

void MainWindow::openNodeList(Tab *tab, const QString &title, const QStringList &restrictTo)
{
    // The list belongs to its tab's page: it closes with the tab.
    auto *dialog = new NodesListDialog(tab->graph(), tab->scene, *m_prompter, tab->view, title,
                                       restrictTo);
    connectNodeList(dialog, tab);
    dialog->show();
}

void MainWindow::openEdgeList(Tab *tab, const QString &title, const QStringList &restrictTo)
{
    auto *dialog = new EdgesListDialog(tab->graph(), tab->scene, *m_prompter, tab->view, title,
                                       restrictTo);
    connectEdgeList(dialog, tab);
    dialog->show();
}

void MainWindow::listNodes()
{
    if (Tab *tab = currentTab())
        openNodeList(tab);
}

void MainWindow::listEdges()
{
    if (Tab *tab = currentTab())
        openEdgeList(tab);
}

void MainWindow::listGroupNodes(const QString &groupId)
{
    Tab *tab = currentTab();
    if (!tab || !tab->graph().hasNode(groupId))
        return;
    const QStringList members = Grouping::members(tab->graph(), groupId);
    // An empty restriction would list every node of the tab.
    if (members.isEmpty()) {
        statusBar()->showMessage(QStringLiteral("Le groupe ne contient aucun nœud."), 2000);
        return;
    }
    openNodeList(tab,
                 QStringLiteral("Nœuds du groupe %1")
                     .arg(NodeCommands::displayName(tab->graph().node(groupId))),
                 members);
}

void MainWindow::listGroupEdges(const QString &groupId)
{
    Tab *tab = currentTab();
    if (!tab || !tab->graph().hasNode(groupId))
        return;
    const QStringList members = Grouping::members(tab->graph(), groupId);
    const QSet<QString> inside(members.cbegin(), members.cend());
    QStringList edges;
    for (const Edge &edge : tab->graph().edges()) {
        if (inside.contains(edge.src) && inside.contains(edge.dst))
            edges.append(edge.id);
    }
    if (edges.isEmpty()) {
        statusBar()->showMessage(QStringLiteral("Aucune relation entre les nœuds du groupe."),
                                 2000);
        return;
    }
    openEdgeList(tab,
                 QStringLiteral("Relations du groupe %1")
                     .arg(NodeCommands::displayName(tab->graph().node(groupId))),
                 edges);
}

void MainWindow::listMedias()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QString folder =
        tab->dbPath().isEmpty() ? QString() : QFileInfo(tab->dbPath()).absolutePath();
    auto *dialog = new MediasListDialog(tab->graph(), folder, *m_prompter, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void MainWindow::onViewFileDropped(const QString &filePath)
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    FileDropDialog dialog(filePath, tab->graph(), this);
    if (m_prompter->exec(dialog) != QDialog::Accepted)
        return;
    const QString fileName = QFileInfo(filePath).fileName();
    if (dialog.kind() == FileDropDialog::Kind::Media) {
        const QStringList ids = dialog.checkedNodeIds();
        if (ids.isEmpty()) {
            statusBar()->showMessage(QStringLiteral("Aucun nœud sélectionné pour le média."),
                                     3000);
            return;
        }
        const MediaRecord media = dialog.media();
        m_prompter->rememberChosenFile(filePath);
        int attached = 0;
        editTab(tab, QStringLiteral("Attacher le média « %1 »").arg(fileName), [&](Graph &graph) {
            attached = NodeCommands::attachMedia(graph, ids, media);
        });
        statusBar()->showMessage(
            QStringLiteral("Média « %1 » attaché à %2 nœud(s).").arg(fileName).arg(attached),
            4000);
        return;
    }
    const bool nodes = dialog.kind() == FileDropDialog::Kind::NodesCsv;
    QString error;
    int imported = 0;
    const bool read = tryEditTab(
        tab, QStringLiteral("Importer « %1 »").arg(fileName), [&](Graph &graph) {
            return nodes ? CsvIo::readNodes(filePath, graph, &error, &imported)
                         : CsvIo::readEdges(filePath, graph, &error, &imported);
        });
    if (!read) {
        m_prompter->critical(this, QStringLiteral("Erreur"), error);
        return;
    }
    statusBar()->showMessage(
        (nodes ? QStringLiteral("Nœuds importés depuis %1 : %2 (total %3)")
               : QStringLiteral("Relations importées depuis %1 : %2 (total %3)"))
            .arg(fileName)
            .arg(imported)
            .arg(nodes ? tab->graph().nodes().size() : tab->graph().edges().size()),
        4000);
}
