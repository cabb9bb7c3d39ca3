#include "app/mainwindow.h"

#include "app/prompter.h"
#include "app/tab.h"
#include "app/versiondialog.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/groupshapeitem.h"
#include "canvas/mapitem.h"
#include "canvas/nodeitem.h"
#include "dialogs/configurationdialog.h"
#include "ops/layouts.h"
#include "storage/projectfolder.h"

#include <QAction>
#include <QApplication>
#include <QChildEvent>
#include <QCloseEvent>
#include <QDialog>
#include <QGraphicsItem>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QUndoGroup>

namespace {

// Selects the nodes, or not, and the other selectable items (relations, pictures, shapes),
// or not, reporting one selection change. Only the items the scene's tables hold can be
// selected: walking them spares the scene's full item list, which sorts every item, labels
// included. An item already as wanted costs nothing.
void selectKinds(GraphScene *scene, bool nodes, bool others)
{
    {
        const QSignalBlocker blocker(scene);
        for (NodeItem *item : scene->nodeItems())
            item->setSelected(nodes);
        for (EdgeItem *item : scene->edgeItemTable())
            item->setSelected(others);
        for (MapItem *item : scene->mapItems())
            item->setSelected(others);
        for (GroupShapeItem *item : scene->shapeItems())
            item->setSelected(others);
    }
    Q_EMIT scene->selectionChanged();
}

} // namespace

MainWindow::MainWindow(Prompter *prompter, QWidget *parent)
    : QMainWindow(parent), m_prompter(prompter)
{
    if (!m_prompter) {
        m_ownedPrompter = std::make_unique<DesktopPrompter>();
        m_prompter = m_ownedPrompter.get();
    }
    setWindowTitle(baseWindowTitle());
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
    // Otherwise the first field of the tool bars takes the keyboard when the window shows.
    focusCanvas();
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
    return m_tabs ? tabAt(m_tabs->currentIndex()) : nullptr;
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
    tab->scene->setDocument(tab->document.get());
    tab->view = new GraphView(tab->scene);
    connect(tab->scene, &GraphScene::selectionChangedWithItems, this,
            &MainWindow::updateActionStates);
    connect(tab->scene, &QGraphicsScene::selectionChanged, this, &MainWindow::updateActionStates);
    tab->title = title;
    Tab *raw = tab.get();
    setUpCanvas(raw);
    m_undoGroup->addStack(raw->document->undoStack());
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
    if (maybeSaveTab(tabAt(index)))
        removeTab(index);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (maybeSaveAllTabs())
        event->accept();
    else
        event->ignore();
}

void MainWindow::renameTab(int index)
{
    if (!tabAt(index))
        return;
    const std::optional<QString> answer =
        m_prompter->text(this, QStringLiteral("Renommer l’onglet"), QStringLiteral("Nom :"),
                         m_tabs->tabText(index));
    if (answer && !answer->trimmed().isEmpty())
        setTabTitle(tabAt(index), answer->trimmed());
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
    if (tab)
        m_undoGroup->setActiveStack(tab->document->undoStack());
    action(QStringLiteral("actionReload"))->setEnabled(tab && !tab->dbPath().isEmpty());
    updateActionStates();
    updateWindowTitle();
    focusCanvas();
}

QString MainWindow::baseWindowTitle() const
{
    const QString appName = QApplication::applicationName().isEmpty()
        ? QStringLiteral("Orvane")
        : QApplication::applicationName();
    const Tab *tab = currentTab();
    if (!tab)
        return appName;
    const QString project =
        tab->dbPath().isEmpty() ? tab->title : ProjectFolder::projectName(tab->dbPath());
    return QStringLiteral("%1 — %2").arg(appName, project);
}

// "[*]" is where Qt shows the unsaved mark of the current tab.
void MainWindow::updateWindowTitle()
{
    setWindowTitle(baseWindowTitle() + QStringLiteral("[*]"));
    const Tab *tab = currentTab();
    setWindowModified(tab && tab->document->isModified());
}

void MainWindow::focusCanvas()
{
    if (Tab *tab = currentTab())
        tab->view->setFocus(Qt::OtherFocusReason);
}

bool MainWindow::event(QEvent *event)
{
    // A child is polished once fully built and about to show: only then is it known as a
    // dialog.
    if (event->type() == QEvent::ChildPolished) {
        if (auto *dialog = qobject_cast<QDialog *>(static_cast<QChildEvent *>(event)->child()))
            dialog->installEventFilter(this);
    }
    return QMainWindow::event(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide && qobject_cast<QDialog *>(watched))
        focusCanvas();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::refreshTab(Tab *tab)
{
    if (!tab)
        return;
    tab->scene->rebuild();
    updateActionStates();
}

void MainWindow::editTab(Tab *tab, const QString &undoText,
                         const std::function<void(Graph &)> &change)
{
    if (!tab)
        return;
    tab->document->edit(undoText, [&change](Graph &graph) {
        change(graph);
        Layouts::placeFreshNodes(graph);
    });
    updateActionStates();
}

bool MainWindow::tryEditTab(Tab *tab, const QString &undoText,
                            const std::function<bool(Graph &)> &change)
{
    if (!tab)
        return false;
    const bool done = tab->document->tryEdit(undoText, [&change](Graph &graph) {
        if (!change(graph))
            return false;
        Layouts::placeFreshNodes(graph);
        return true;
    });
    updateActionStates();
    return done;
}

void MainWindow::fitView()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QRectF content = tab->scene->contentRect();
    if (!content.isNull())
        tab->view->fitRect(content.adjusted(-50, -50, 50, 50));
}

void MainWindow::selectAllItems()
{
    if (GraphScene *scene = currentScene())
        selectKinds(scene, true, true);
}

void MainWindow::selectOnlyNodes()
{
    if (GraphScene *scene = currentScene())
        selectKinds(scene, true, false);
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
        hasEdge = scene->edgeItemCount() > 0;
        // The scene's full item list would be sorted just to learn it is not empty.
        hasAny = hasNode || hasEdge || !scene->mapItems().isEmpty()
            || !scene->shapeItems().isEmpty();
        // The actions only need to know whether none, one or several are selected.
        for (const QGraphicsItem *item : scene->selectedItems()) {
            selectedNodes += item->type() == NodeItem::Type ? 1 : 0;
            selectedEdges += item->type() == EdgeItem::Type ? 1 : 0;
            if (selectedNodes > 1 && selectedEdges > 0)
                break;
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
                   {"actionDeleteEdges", selectedEdges > 0},
                   {"actionGroupSelection", selectedNodes > 1}};
    for (const auto &entry : actions) {
        if (QAction *a = action(QLatin1String(entry.name)))
            a->setEnabled(entry.enabled);
    }
    if (QMenu *separation = menu(QStringLiteral("menuEdgeSeparation")))
        separation->setEnabled(hasEdge);
    if (QMenu *layouts = menu(QStringLiteral("menuLayout")))
        layouts->setEnabled(hasNode);
    updateAnalysisActions(hasAny);
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
