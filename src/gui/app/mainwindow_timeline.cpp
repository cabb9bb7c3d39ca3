// The timeline side of the main window: the timeline and search tool bars, the time filter
// that the timeline widget drives on the current tab, and the timeline band commands.
#include "app/mainwindow.h"

#include "app/prompter.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/timelinewidget.h"
#include "dialogs/timelineeditdialog.h"

#include <QAction>
#include <QStatusBar>
#include <QToolBar>

void MainWindow::buildToolBars()
{
    m_timeline = new TimelineWidget(this);
    addToolBarBreak(Qt::TopToolBarArea);
    QToolBar *timelineBar = addToolBar(QStringLiteral("Timeline"));
    timelineBar->setObjectName(QStringLiteral("toolBarTimeline"));
    timelineBar->addWidget(m_timeline);
    connect(m_timeline, &TimelineWidget::rangeChanged, this,
            &MainWindow::onTimelineRangeChanged);
    connect(m_timeline, &TimelineWidget::instantChanged, this,
            &MainWindow::onTimelineInstantChanged);
    connect(m_timeline, &TimelineWidget::playbackStateChanged, this, [this](bool) {
        if (GraphScene *scene = currentScene())
            scene->applyVisibility();
    });

    m_search = new SearchWidget(this);
    addToolBarBreak(Qt::TopToolBarArea);
    QToolBar *searchBar = addToolBar(QStringLiteral("Recherche"));
    searchBar->setObjectName(QStringLiteral("toolBarSearch"));
    searchBar->addWidget(m_search);
    connect(m_search, &SearchWidget::searchRequested, this, &MainWindow::onSearchRequested);

    // Escape in any field of the tool bars hands the keyboard back to the canvas.
    for (QWidget *strip : {static_cast<QWidget *>(m_timeline), static_cast<QWidget *>(m_search)}) {
        auto *back = new QAction(strip);
        back->setShortcut(QKeySequence(Qt::Key_Escape));
        back->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(back, &QAction::triggered, this, &MainWindow::focusCanvas);
        strip->addAction(back);
    }
}

// "∞" sends two invalid dates: the filter goes off, with its message.
void MainWindow::onTimelineRangeChanged(const QDateTime &start, const QDateTime &end)
{
    if (!start.isValid() && !end.isValid()) {
        clearTimeFilter();
        return;
    }
    if (GraphScene *scene = currentScene())
        scene->setTimeRange(start, end);
}

void MainWindow::onTimelineInstantChanged(const QDateTime &instant)
{
    if (GraphScene *scene = currentScene())
        scene->setTimeInstant(instant);
}

void MainWindow::resetTimeline(Tab *tab)
{
    tab->scene->setTimelineShown(false);
    tab->scene->setTimeRange(QDateTime(), QDateTime());
    if (const auto span = TimelineMath::validitySpan(tab->graph()))
        m_timeline->setSpan(span->start, span->end);
}

void MainWindow::clearTimeFilter()
{
    if (GraphScene *scene = currentScene())
        scene->setTimeRange(QDateTime(), QDateTime());
    statusBar()->showMessage(QStringLiteral("Filtre temporel désactivé"), 2000);
}

void MainWindow::layoutTimeline()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    // The band places dated nodes on the axis for as long as it shows; the tables keep the
    // analyst's positions, which come back when it is hidden and are what a save stores.
    Graph placed = tab->graph();
    const Layouts::TimelinePlacement plan = Layouts::timeline(placed);
    if (!plan.found) {
        statusBar()->showMessage(
            QStringLiteral("Timeline: aucune date — aucun déplacement ni axe affiché"), 3000);
        return;
    }
    QHash<QString, QPointF> displaced;
    for (const Node &node : placed.nodes()) {
        if (node.pos != tab->graph().node(node.id).pos)
            displaced.insert(node.id, node.pos);
    }
    tab->scene->setTimeline(plan.earliest, plan.latest, Layouts::timelinePixelsPerDay,
                            Layouts::timelineAxisY, true);
    tab->scene->setDisplacedPositions(displaced);
    tab->view->centerOn(plan.viewCentre);
}

// Without any date the layout has said so; there is no band to announce.
void MainWindow::showTimeline()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const bool dated = TimelineMath::startSpan(tab->graph().nodes()).has_value();
    layoutTimeline();
    if (dated)
        statusBar()->showMessage(QStringLiteral("Timeline affichée"), 2000);
}

void MainWindow::hideTimeline()
{
    if (GraphScene *scene = currentScene()) {
        scene->setTimelineShown(false);
        scene->setDisplacedPositions({});
    }
    statusBar()->showMessage(QStringLiteral("Timeline masquée"), 2000);
}

void MainWindow::editTimeline()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const std::optional<TimelineMath::Range> span = TimelineMath::startSpan(tab->graph().nodes());
    if (!span) {
        m_prompter->information(this, QStringLiteral("Timeline"),
                                QStringLiteral("Aucune date trouvée dans les nœuds."));
        return;
    }
    TimelineEditDialog dialog(*m_prompter, tab->scene->timelineBand().settings(), this);
    if (m_prompter->exec(dialog) != QDialog::Accepted)
        return;
    tab->scene->applyTimelineSettings(dialog.settings(), span->start, span->end);
}
