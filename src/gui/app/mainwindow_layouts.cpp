#include "app/mainwindow.h"

#include "app/tab.h"
#include "canvas/graphscene.h"
#include "canvas/nodeitem.h"

#include <QAction>
#include <QMenu>
#include <QProgressDialog>
#include <QStatusBar>

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
    layout(tab->graph, Layouts::targetList(tab->graph, selectedNodeIds()));
    refreshTab(tab);
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

bool MainWindow::runForceLayout(
    const std::function<Layouts::ForceParams(int targetCount)> &parameters)
{
    Tab *tab = currentTab();
    if (!tab)
        return false;
    const QStringList targets = Layouts::targetList(tab->graph, selectedNodeIds());
    const Layouts::ForceParams params = parameters(int(targets.size()));
    QProgressDialog progress(QStringLiteral("Placement des nœuds…"), QStringLiteral("Annuler"), 0,
                             std::max(params.iterations, 1), this);
    progress.setWindowTitle(QStringLiteral("Réorganiser"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(1000);
    const bool done =
        Layouts::force(tab->graph, targets, params, [&progress](int iteration, int) {
            progress.setValue(iteration);
            return !progress.wasCanceled();
        });
    if (!done) {
        statusBar()->showMessage(QStringLiteral("Layout annulé"), 2000);
        return false;
    }
    refreshTab(tab);
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
