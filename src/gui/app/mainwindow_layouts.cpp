#include "app/mainwindow.h"

#include "app/tab.h"
#include "canvas/graphscene.h"
#include "canvas/nodeitem.h"

#include <QAction>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QMenu>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>

void MainWindow::buildLayoutMenu(QMenu *parent)
{
    QMenu *layouts = parent->addMenu(QStringLiteral("Réorganiser"));
    layouts->setObjectName(QStringLiteral("menuLayout"));
    layouts->setEnabled(false);
    const struct
    {
        const char *name;
        const char *text;
        void (MainWindow::*slot)();
    } entries[] = {
        {"actionLayoutGrid", "Grille", &MainWindow::layoutGrid},
        {"actionLayoutZigzag", "Zigzag", &MainWindow::layoutZigzag},
        {"actionLayoutCircle", "Cercle", &MainWindow::layoutCircle},
        {"actionLayoutRandom", "Aléatoire", &MainWindow::layoutRandom},
        {"actionLayoutRadial", "Radial (par niveaux)", &MainWindow::layoutRadial},
        {"actionLayoutComponents", "Composantes connectées", &MainWindow::layoutComponents},
        {"actionLayoutForceDirected", "Force dirigée (rapide)", &MainWindow::layoutForceDirected},
        {"actionLayoutForceCompact", "Force dirigée (compacte)", &MainWindow::layoutForceCompact},
        {"actionLayoutForceSpaced", "Force dirigée (aérée)", &MainWindow::layoutForceSpaced},
        {"actionLayoutClusterByType", "Clusters par type (+relax)",
         &MainWindow::layoutClusterByType},
    };
    for (const auto &entry : entries)
        addMenuAction(layouts, QLatin1String(entry.name), QString::fromUtf8(entry.text),
                      entry.slot);
}

// The background menu keeps its own name for the fast force layout.
void MainWindow::addLayoutMenus(QMenu *menu)
{
    QMenu *layouts = menu->addMenu(QStringLiteral("Réorganiser"));
    const struct
    {
        const char *text;
        void (MainWindow::*slot)();
    } entries[] = {
        {"Grille", &MainWindow::layoutGrid},
        {"Zigzag", &MainWindow::layoutZigzag},
        {"Cercle", &MainWindow::layoutCircle},
        {"Aléatoire", &MainWindow::layoutRandom},
        {"Radial (par niveaux)", &MainWindow::layoutRadial},
        {"Composantes connectées", &MainWindow::layoutComponents},
        {"Force-directed (rapide)", &MainWindow::layoutForceDirected},
        {"Force dirigée (compacte)", &MainWindow::layoutForceCompact},
        {"Force dirigée (aérée)", &MainWindow::layoutForceSpaced},
        {"Clusters par type (+relax)", &MainWindow::layoutClusterByType},
        {"Timeline", &MainWindow::layoutTimeline},
    };
    for (const auto &entry : entries)
        connect(layouts->addAction(QString::fromUtf8(entry.text)), &QAction::triggered, this,
                entry.slot);
    QMenu *timeline = menu->addMenu(QStringLiteral("Timeline"));
    connect(timeline->addAction(QStringLiteral("Afficher")), &QAction::triggered, this,
            &MainWindow::showTimeline);
    connect(timeline->addAction(QStringLiteral("Masquer")), &QAction::triggered, this,
            &MainWindow::hideTimeline);
    connect(timeline->addAction(QStringLiteral("Editer")), &QAction::triggered, this,
            &MainWindow::editTimeline);
}

QStringList MainWindow::selectedNodeIds() const
{
    QStringList ids;
    const GraphScene *scene = currentScene();
    if (!scene)
        return ids;
    const QList<QGraphicsItem *> selected = scene->selectedItems();
    for (QGraphicsItem *item : selected) {
        if (const auto *node = qgraphicsitem_cast<NodeItem *>(item))
            ids.append(node->id());
    }
    return ids;
}

void MainWindow::applyLayout(void (*layout)(Graph &, const QStringList &), const QString &message,
                             bool fit)
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QStringList targets = Layouts::targetList(tab->graph(), selectedNodeIds());
    editTab(tab, QStringLiteral("Réorganiser"),
            [&](Graph &graph) { layout(graph, targets); });
    if (fit)
        fitView();
    if (!message.isEmpty())
        statusBar()->showMessage(message, 2000);
}

void MainWindow::layoutGrid()
{
    applyLayout([](Graph &graph, const QStringList &targets) { Layouts::grid(graph, targets); },
                QStringLiteral("Layout grille appliqué"), false);
}

void MainWindow::layoutZigzag()
{
    applyLayout(Layouts::zigzag, QString(), false);
}

void MainWindow::layoutCircle()
{
    applyLayout(Layouts::circle, QStringLiteral("Layout cercle appliqué"), false);
}

void MainWindow::layoutRandom()
{
    applyLayout(Layouts::random, QStringLiteral("Layout aléatoire appliqué"), false);
}

void MainWindow::layoutRadial()
{
    applyLayout(Layouts::radial, QStringLiteral("Layout radial appliqué"), false);
}

void MainWindow::layoutComponents()
{
    applyLayout(Layouts::components, QStringLiteral("Layout par composantes appliqué"), true);
}

void MainWindow::layoutClusterByType()
{
    applyLayout(Layouts::clustersByType, QStringLiteral("Layout par clusters (type) appliqué"),
                false);
}

// The positions are computed on a worker thread from a copy of the tab's targets, while the
// event loop goes on: the canvas repaints and the progress dialog (shown once the work has
// lasted a second) can cancel. The worker polls the cancel flag after every iteration.
bool MainWindow::runForceLayout(
    const std::function<Layouts::ForceParams(int targetCount)> &parameters)
{
    Tab *tab = currentTab();
    if (!tab)
        return false;
    const QStringList targets = Layouts::targetList(tab->graph(), selectedNodeIds());
    const Layouts::ForceParams params = parameters(int(targets.size()));
    const Layouts::ForceSnapshot snapshot = Layouts::forceSnapshot(tab->graph(), targets);

    QProgressDialog progress(QStringLiteral("Placement des nœuds…"), QStringLiteral("Annuler"), 0,
                             std::max(params.iterations, 1), this);
    progress.setWindowTitle(QStringLiteral("Réorganiser"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(1000);
    progress.setAutoReset(false);
    std::atomic<int> done{0};
    std::atomic<bool> cancel{false};
    QFutureWatcher<std::optional<std::vector<QPointF>>> watcher;
    QEventLoop loop;
    connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    QTimer poll;
    connect(&poll, &QTimer::timeout, &progress, [&progress, &done, &cancel] {
        if (progress.wasCanceled())
            cancel = true;
        else
            progress.setValue(done);
    });
    watcher.setFuture(QtConcurrent::run([&snapshot, &params, &done, &cancel] {
        return Layouts::forcePositions(snapshot, params, [&done, &cancel](int iteration, int) {
            done = iteration;
            return !cancel;
        });
    }));
    poll.start(50);
    // The loop also ends when the application quits under it: the worker is then told to stop
    // and waited for, as it reads the snapshot on this stack.
    if (!watcher.isFinished())
        loop.exec();
    if (!watcher.isFinished()) {
        cancel = true;
        watcher.waitForFinished();
    }
    poll.stop();
    progress.reset();

    const std::optional<std::vector<QPointF>> positions = watcher.result();
    // The tab may have been closed while the layout ran.
    bool open = false;
    for (int i = 0; i < tabCount(); ++i)
        open = open || tabAt(i) == tab;
    if (!positions || !open) {
        statusBar()->showMessage(QStringLiteral("Layout annulé"), 2000);
        return false;
    }
    editTab(tab, QStringLiteral("Disposition force"), [&snapshot, &positions](Graph &graph) {
        Layouts::applyForcePositions(graph, snapshot, *positions);
    });
    if (tab == currentTab())
        fitView();
    return true;
}

void MainWindow::forceLayout(double repC, double attC, double gravity, double kMul,
                             int iterations)
{
    runForceLayout([=](int) { return Layouts::ForceParams{repC, attC, gravity, kMul, iterations}; });
}

void MainWindow::layoutForceDirected()
{
    if (runForceLayout([](int n) { return Layouts::forcePreset(Layouts::ForcePreset::Fast, n); }))
        statusBar()->showMessage(QStringLiteral("Layout force-directed appliqué"), 2000);
}

void MainWindow::layoutForceCompact()
{
    if (runForceLayout(
            [](int n) { return Layouts::forcePreset(Layouts::ForcePreset::Compact, n); }))
        statusBar()->showMessage(QStringLiteral("Layout force (compact) appliqué"), 2000);
}

void MainWindow::layoutForceSpaced()
{
    if (runForceLayout([](int n) { return Layouts::forcePreset(Layouts::ForcePreset::Spaced, n); }))
        statusBar()->showMessage(QStringLiteral("Layout force (spacé) appliqué"), 2000);
}
