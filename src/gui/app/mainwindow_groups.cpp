// Group commands of the main window. They change the current tab's tables through the
// group operations and rebuild the canvas.
#include "app/mainwindow.h"

#include "app/prompter.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "canvas/nodeitem.h"
#include "dialogs/nodeeditdialog.h"
#include "dialogs/selectgroupdialog.h"
#include "ops/grouping.h"

#include <QStatusBar>

#include <algorithm>

namespace {

QStringList idsOf(const QList<NodeItem *> &items)
{
    QStringList ids;
    for (const NodeItem *item : items)
        ids.append(item->id());
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace

void MainWindow::groupSelection()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QList<NodeItem *> selected = tab->scene->selectedNodeItems();
    if (selected.size() < 2) {
        m_prompter->information(this, QStringLiteral("Grouper la sélection"),
                                QStringLiteral("Sélectionnez au moins 2 nœuds."));
        return;
    }
    QPointF centre;
    for (const NodeItem *item : selected)
        centre += item->scenePos();
    centre /= selected.size();
    // The analyst names and styles the group before it is made; cancelling makes nothing.
    NodeEditDialog editor(Grouping::newGroupNode(tab->graph(), centre), &tab->graph(), *m_prompter,
                          this);
    if (m_prompter->exec(editor) != QDialog::Accepted)
        return;
    const Node group = editor.node();
    int bridges = 0;
    editTab(tab, QStringLiteral("Grouper la sélection"), [&](Graph &graph) {
        graph.insertNode(group);
        bridges = Grouping::addToGroup(graph, group.id, idsOf(selected));
    });
    const int members = int(Grouping::members(tab->graph(), group.id).size());
    statusBar()->showMessage(QStringLiteral("Groupe créé (%1 membres, %2 relations pont)")
                                 .arg(members)
                                 .arg(bridges),
                             3000);
}

void MainWindow::addSelectionToGroup()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QStringList ids = idsOf(tab->scene->selectedNodeItems());
    if (ids.isEmpty())
        return;
    const std::optional<QString> groupId =
        SelectGroupDialog::chooseGroup(*m_prompter, tab->graph(), this);
    if (groupId)
        addNodesToGroup(*groupId, ids);
}

void MainWindow::addNodesToGroup(const QString &groupId, const QStringList &nodeIds)
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const int added = int(std::count_if(nodeIds.cbegin(), nodeIds.cend(), [&](const QString &id) {
        return id != groupId && tab->graph().hasNode(id);
    }));
    if (!tryEditTab(tab, QStringLiteral("Ajouter au groupe"), [&](Graph &graph) {
            return Grouping::addToGroup(graph, groupId, nodeIds) >= 0;
        }))
        return;
    statusBar()->showMessage(QStringLiteral("%1 nœud(s) ajouté(s) au groupe").arg(added), 2000);
}

void MainWindow::onRequestExpandGroup(const QString &groupId)
{
    tryEditTab(currentTab(), QStringLiteral("Étendre le groupe"),
               [&groupId](Graph &graph) { return Grouping::expand(graph, groupId); });
}

void MainWindow::onRequestCollapseGroup(const QString &groupId)
{
    tryEditTab(currentTab(), QStringLiteral("Replier le groupe"),
               [&groupId](Graph &graph) { return Grouping::collapse(graph, groupId); });
}

void MainWindow::onRequestUngroup(const QString &groupId)
{
    Tab *tab = currentTab();
    if (!tab || !tab->graph().hasNode(groupId) || !tab->graph().node(groupId).isGroup)
        return;
    const bool confirmed = m_prompter->confirm(
        this, QMessageBox::Question, QStringLiteral("Confirmation de dégrouper"),
        QStringLiteral("Vous vous apprêtez à supprimer toutes les relations associées à ce "
                       "groupe ainsi que les médias et attributs.\n\nCette action est "
                       "irreversible.\n\nConfirmez-vous ce choix ?"));
    if (!confirmed)
        return;
    editTab(tab, QStringLiteral("Dégrouper"),
            [&groupId](Graph &graph) { Grouping::ungroup(graph, groupId); });
    statusBar()->showMessage(QStringLiteral("Groupe dégrouppé"), 2000);
}

void MainWindow::onRequestOpenGroupTab(const QString &groupId)
{
    Tab *tab = currentTab();
    if (!tab || !tab->graph().hasNode(groupId) || !tab->graph().node(groupId).isGroup)
        return;
    const Node group = tab->graph().node(groupId);
    Graph content = Grouping::groupContent(tab->graph(), groupId);
    Tab *opened = tabAt(createTab(Grouping::groupTabTitle(group)));
    // A view of part of the source tab, which still holds everything: nothing to lose.
    opened->document->load(std::move(content), {}, QString());
    refreshTab(opened);
    fitView();
}
