#include "app/mainwindow.h"

#include "ai/aiactions.h"
#include "ai/aichangesdialog.h"
#include "ai/chataidialog.h"
#include "ai/graphcontext.h"
#include "app/prompter.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/nodeitem.h"

#include <QMenu>

void MainWindow::buildAiMenu(QMenu *tools)
{
    QMenu *components = tools->findChild<QMenu *>(QStringLiteral("menuEnrichment"));
    if (!components) {
        components = tools->addMenu(QStringLiteral("Composants"));
        components->setObjectName(QStringLiteral("menuEnrichment"));
    }
    QMenu *ai = components->addMenu(QStringLiteral("IA"));
    ai->setObjectName(QStringLiteral("menuAi"));
    addMenuAction(ai, QStringLiteral("actionAiChat"), QStringLiteral("Chat IA..."),
                  &MainWindow::onOpenAiChat);
}

void MainWindow::onOpenAiChat()
{
    if (!m_chat) {
        m_chat = new ChatAIDialog(m_prompter, this);
        connect(m_chat, &ChatAIDialog::actionsRequested, this, &MainWindow::onAiActionsRequested);
        connect(m_chat, &ChatAIDialog::userMessageEntered, this,
                &MainWindow::onAiUserMessageEntered);
    }
    m_chat->show();
    m_chat->raise();
    m_chat->activateWindow();
}

void MainWindow::onAiUserMessageEntered(ChatProtocol::Mode mode, const QString &text)
{
    if (!m_chat)
        return;
    Tab *tab = currentTab();
    const QStringList selected = tab ? selectedNodeIds() : QStringList();
    m_chat->sendMessageToAi(
        GraphContext::composeMessage(mode, text, tab ? &tab->graph() : nullptr, selected));
}

void MainWindow::onAiActionsRequested(const QJsonArray &actions)
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const AiActions::Dispatch dispatch = AiActions::dispatch(actions);
    for (const QJsonObject &action : dispatch.immediate) {
        if (action.value(QLatin1String("kind")) == QLatin1String("graph_query"))
            handleGraphQueryFromAi(tab, action);
        else
            handleHighlightNodesFromAi(tab, action);
    }
    if (!dispatch.changes.isEmpty())
        askUserToApplyChangesFromAi(tab, dispatch.changes);
}

void MainWindow::handleGraphQueryFromAi(Tab *tab, const QJsonObject &action)
{
    if (!tab)
        return;
    const std::optional<QJsonObject> result = AiActions::graphQueryResult(tab->graph(), action);
    if (result && m_chat)
        m_chat->sendToolResult(QStringLiteral("graph_query"), *result);
}

void MainWindow::handleHighlightNodesFromAi(Tab *tab, const QJsonObject &action)
{
    if (!tab || !tab->scene)
        return;
    const QStringList ids = AiActions::highlightIds(action);
    if (ids.isEmpty())
        return;
    tab->scene->clearSelection();
    NodeItem *first = nullptr;
    for (const QString &id : ids) {
        NodeItem *item = tab->scene->nodeItem(id);
        if (!item)
            continue;
        item->setSelected(true);
        if (!first)
            first = item;
    }
    if (first && tab->view)
        tab->view->centerOn(first);
}

void MainWindow::askUserToApplyChangesFromAi(Tab *tab, const QJsonArray &changes)
{
    if (!tab)
        return;
    AiChangesDialog dialog(AiActions::summary(changes, &tab->graph()), this);
    if (m_prompter->exec(dialog) == QDialog::Accepted)
        applyChangesFromAi(tab, changes);
}

void MainWindow::applyChangesFromAi(Tab *tab, const QJsonArray &changes)
{
    if (!tab)
        return;
    // A batch of which nothing would take effect leaves no empty step behind.
    Graph trial = tab->graph();
    if (AiActions::apply(trial, changes) == 0)
        return;
    editTab(tab, AiActions::undoText(), [changes](Graph &graph) { AiActions::apply(graph, changes); });
}

QJsonObject MainWindow::buildSelectedSubGraphJson(Tab *tab, const QStringList &selectedNodeIds) const
{
    return tab ? GraphContext::selectionContextJson(tab->graph(), selectedNodeIds) : QJsonObject();
}

QJsonObject MainWindow::buildSubGraphJson(Tab *tab, const QStringList &seedNodeIds, int depth,
                                          int maxNodes) const
{
    return tab ? GraphContext::subGraphJson(tab->graph(), seedNodeIds, depth, maxNodes) : QJsonObject();
}

QJsonObject MainWindow::buildFullGraphJson(Tab *tab) const
{
    return tab ? GraphContext::fullGraphJson(tab->graph()) : QJsonObject();
}
