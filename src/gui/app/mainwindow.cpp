#include "app/mainwindow.h"

#include "app/prompter.h"
#include "app/tab.h"
#include "app/versiondialog.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/nodeitem.h"
#include "dialogs/configurationdialog.h"
#include "ops/layouts.h"

#include <QAction>
#include <QApplication>
#include <QGraphicsItem>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

MainWindow::MainWindow(Prompter *prompter, QWidget *parent)
    : QMainWindow(parent), m_prompter(prompter)
{
    if (!m_prompter) {
        m_ownedPrompter = std::make_unique<DesktopPrompter>();
        m_prompter = m_ownedPrompter.get();
    }
    const QString appName = QApplication::applicationName();
    setWindowTitle(appName.isEmpty() ? QStringLiteral("Orvane") : appName);
    buildToolBars();

    m_tabs = new QTabWidget(this);
    m_tabs->setTabsClosable(true);
    m_tabs->setMovable(true);
    setCentralWidget(m_tabs);
    auto *plus = new QToolButton(m_tabs);
    plus->setText(QStringLiteral("+"));
    plus->setAutoRaise(true);
    m_tabs->setCornerWidget(plus, Qt::TopRightCorner);
    connect(plus, &QToolButton::clicked, this, &MainWindow::addNewTab);
    m_tabs->tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tabs->tabBar(), &QWidget::customContextMenuRequested, this,
            &MainWindow::onTabBarContextMenuRequested);
    connect(m_tabs->tabBar(), &QTabBar::tabMoved, this, &MainWindow::onTabMoved);
    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::onCurrentTabChanged);
    connect(m_tabs, &QTabWidget::tabCloseRequested, this, &MainWindow::closeTab);

    buildMenus();
    addNewTab();
    statusBar()->showMessage(QStringLiteral("Prêt"));
}

MainWindow::~MainWindow()
{
    while (!m_tabList.empty())
        removeTab(int(m_tabList.size()) - 1);
}

int MainWindow::tabCount() const
{
    return int(m_tabList.size());
}

Tab *MainWindow::tabAt(int index) const
{
    if (index < 0 || index >= tabCount())
        return nullptr;
    return m_tabList[size_t(index)].get();
}

Tab *MainWindow::currentTab() const
{
    return tabAt(m_tabs->currentIndex());
}

GraphScene *MainWindow::currentScene() const
{
    Tab *tab = currentTab();
    return tab ? tab->scene : nullptr;
}

QString MainWindow::tabTitle(int index) const
{
    return m_tabs->tabText(index);
}

QAction *MainWindow::action(const QString &objectName) const
{
    return findChild<QAction *>(objectName);
}

QMenu *MainWindow::menu(const QString &objectName) const
{
    return findChild<QMenu *>(objectName);
}

int MainWindow::indexOfTab(const Tab *tab) const
{
    for (int i = 0; i < tabCount(); ++i) {
        if (m_tabList[size_t(i)].get() == tab)
            return i;
    }
    return -1;
}

void MainWindow::onTabMoved(int from, int to)
{
    auto moved = std::move(m_tabList[size_t(from)]);
    m_tabList.erase(m_tabList.begin() + from);
    m_tabList.insert(m_tabList.begin() + to, std::move(moved));
}

int MainWindow::addNewTab()
{
    return createTab(QStringLiteral("Graphe %1").arg(tabCount() + 1));
}

int MainWindow::createTab(const QString &title)
{
    auto tab = std::make_unique<Tab>();
    tab->scene = new GraphScene(this);
    tab->scene->setGraph(&tab->graph);
    tab->view = new GraphView(tab->scene);
    connect(tab->scene, &GraphScene::selectionChangedWithItems, this,
            &MainWindow::updateActionStates);
    connect(tab->scene, &QGraphicsScene::selectionChanged, this, &MainWindow::updateActionStates);
    Tab *raw = tab.get();
    setUpCanvas(raw);
    m_tabList.push_back(std::move(tab));
    // Adding the page may make it current at once: the tab must already be in the list.
    const int index = m_tabs->addTab(raw->view, title);
    refreshTab(raw);
    m_tabs->setCurrentIndex(index);
    return index;
}

void MainWindow::removeTab(int index)
{
    Tab *tab = tabAt(index);
    if (!tab)
        return;
    std::unique_ptr<Tab> owned = std::move(m_tabList[size_t(index)]);
    m_tabList.erase(m_tabList.begin() + index);
    m_tabs->removeTab(index);
    owned->scene->blockSignals(true);
    owned->scene->clear();
    delete owned->view;
    delete owned->scene;
}

void MainWindow::closeTab(int index)
{
    if (tabCount() <= 1) {
        m_prompter->information(this, QStringLiteral("Impossible"),
                                QStringLiteral("Au moins un onglet doit rester ouvert."));
        return;
    }
    removeTab(index);
}

void MainWindow::renameTab(int index)
{
    if (!tabAt(index))
        return;
    const std::optional<QString> answer =
        m_prompter->text(this, QStringLiteral("Renommer l’onglet"), QStringLiteral("Nom :"),
                         m_tabs->tabText(index));
    if (answer && !answer->trimmed().isEmpty())
        m_tabs->setTabText(index, answer->trimmed());
}

void MainWindow::onTabBarContextMenuRequested(const QPoint &pos)
{
    const int index = m_tabs->tabBar()->tabAt(pos);
    if (index < 0)
        return;
    QMenu menu(this);
    QAction *rename = menu.addAction(QStringLiteral("Renommer"));
    QAction *close = menu.addAction(QStringLiteral("Fermer"));
    QAction *chosen = menu.exec(m_tabs->tabBar()->mapToGlobal(pos));
    if (chosen == rename)
        renameTab(index);
    else if (chosen == close)
        closeTab(index);
}

void MainWindow::onCurrentTabChanged(int)
{
    fitView();
    Tab *tab = currentTab();
    action(QStringLiteral("actionReload"))->setEnabled(tab && !tab->dbPath.isEmpty());
    updateActionStates();
}

void MainWindow::refreshTab(Tab *tab)
{
    if (!tab)
        return;
    const Graph &graph = tab->graph;
    if (graph.nodes().size() == 1) {
        Node only = *graph.nodes().cbegin();
        if (only.pos != QPointF()) {
            only.pos = QPointF();
            tab->graph.replaceNode(only);
        }
    } else if (Layouts::allNodesAtOrigin(graph)) {
        Layouts::circle(tab->graph, graph.nodes().keys());
    }
    tab->scene->rebuild();
    for (NodeItem *item : tab->scene->nodeItems())
        connectNodeItem(item);
    for (EdgeItem *item : tab->scene->edgeItems())
        connectEdgeItem(item);
    updateActionStates();
}

void MainWindow::editTab(Tab *tab, const QString &undoText,
                         const std::function<void(Graph &)> &change)
{
    Q_UNUSED(undoText)
    if (!tab)
        return;
    change(tab->graph);
    refreshTab(tab);
}

void MainWindow::fitView()
{
    Tab *tab = currentTab();
    if (!tab || tab->scene->items().isEmpty())
        return;
    tab->view->fitRect(tab->scene->itemsBoundingRect().adjusted(-50, -50, 50, 50));
}

// Selecting item by item would report every single change; the scene is told once instead.
void MainWindow::selectAllItems()
{
    GraphScene *scene = currentScene();
    if (!scene)
        return;
    scene->clearSelection();
    {
        const QSignalBlocker blocker(scene);
        for (QGraphicsItem *item : scene->items())
            item->setSelected(true);
    }
    Q_EMIT scene->selectionChanged();
}

void MainWindow::selectOnlyNodes()
{
    GraphScene *scene = currentScene();
    if (!scene)
        return;
    scene->clearSelection();
    {
        const QSignalBlocker blocker(scene);
        for (NodeItem *item : scene->nodeItems())
            item->setSelected(true);
    }
    Q_EMIT scene->selectionChanged();
}

void MainWindow::updateActionStates()
{
    const GraphScene *scene = currentScene();
    bool hasNode = false;
    bool hasEdge = false;
    bool hasAny = false;
    int selectedNodes = 0;
    int selectedEdges = 0;
    if (scene) {
        hasNode = !scene->nodeItems().isEmpty();
        hasEdge = !scene->edgeItems().isEmpty();
        hasAny = hasNode || hasEdge || !scene->items().isEmpty();
        for (const QGraphicsItem *item : scene->selectedItems()) {
            selectedNodes += item->type() == NodeItem::Type ? 1 : 0;
            selectedEdges += item->type() == EdgeItem::Type ? 1 : 0;
        }
    }
    const struct
    {
        const char *name;
        bool enabled;
    } actions[] = {{"actionSelectAll", hasAny},
                   {"actionFitView", hasAny},
                   {"actionSelectNodes", hasNode},
                   {"actionCreateEdgesFrom", selectedNodes > 1},
                   {"actionCreateEdgesTo", selectedNodes > 1},
                   {"actionEditNode", selectedNodes > 0},
                   {"actionDeleteNodes", selectedNodes > 0},
                   {"actionEditEdge", selectedEdges > 0},
                   {"actionDeleteEdges", selectedEdges > 0}};
    for (const auto &entry : actions) {
        if (QAction *a = action(QLatin1String(entry.name)))
            a->setEnabled(entry.enabled);
    }
    if (QMenu *separation = menu(QStringLiteral("menuEdgeSeparation")))
        separation->setEnabled(hasEdge);
    if (QMenu *layouts = menu(QStringLiteral("menuLayout")))
        layouts->setEnabled(hasNode);
    updateComponentActions();
}

void MainWindow::openOrvaneConfiguration()
{
    ConfigurationDialog dialog(*m_prompter, this);
    connect(&dialog, &ConfigurationDialog::configSaved, this, [](const QJsonObject &) {});
    m_prompter->exec(dialog);
}

void MainWindow::showVersion()
{
    VersionDialog dialog(this);
    m_prompter->exec(dialog);
}
