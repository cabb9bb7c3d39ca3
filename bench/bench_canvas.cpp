// Times the canvas on large investigations: rebuilding the scene, repainting the whole view,
// dragging a node that has many relations and panning. Run by hand:
//   QT_QPA_PLATFORM=offscreen bench_canvas [nodes] [relations] [local|random]
// The last argument runs only one of the two graphs, which keeps a profile to one case.
#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/nodeitem.h"
#include "model/textforms.h"
#include "storage/projectdb.h"
#include "syntheticgraph.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace {

QTextStream out(stdout);

double milliseconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// Median of a few runs of a step, in milliseconds. Pending events (item polishing, updates)
// are handled between runs, as the event loop would between two commands.
template<typename Step>
double median(int runs, Step step)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        step();
        times.append(milliseconds(timer));
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

void report(const QString &what, double ms, double goal)
{
    out << QStringLiteral("%1 %2 ms (goal < %3 ms)%4\n")
               .arg(what, -52)
               .arg(ms, 8, 'f', 1)
               .arg(goal)
               .arg(ms < goal ? QString() : QStringLiteral("  OVER"));
    out.flush();
}

// A node in the middle of the graph with the given number of relations, to the nodes nearest
// to it or, when spread is set, to nodes anywhere.
QString addHub(Graph &graph, int relations, bool spread)
{
    QRectF bounds;
    for (const Node &node : graph.nodes())
        bounds |= QRectF(node.pos, QSizeF(1, 1));
    Node hub;
    hub.id = TextForms::newId();
    hub.label = QStringLiteral("Pivot");
    hub.pos = bounds.center();
    QList<std::pair<double, QString>> byDistance;
    for (const Node &node : graph.nodes())
        byDistance.append({QLineF(node.pos, hub.pos).length(), node.id});
    std::sort(byDistance.begin(), byDistance.end());
    graph.insertNode(hub);
    for (int i = 0; i < relations; ++i) {
        Edge edge;
        edge.id = TextForms::newId();
        edge.src = hub.id;
        edge.dst = byDistance.at(spread ? i * 97 % byDistance.size() : i).second;
        edge.label = QStringLiteral("lien %1").arg(i);
        graph.insertEdge(edge);
    }
    return hub.id;
}

void sendMouse(QWidget *viewport, QEvent::Type type, const QPoint &pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, viewport->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

// The scene reports what changed through a queued call and the view asks for its repaint
// by another event: two passes reach the paint.
void paintPending()
{
    QApplication::processEvents();
    QApplication::processEvents();
}

// Average time of one drag step of the hub: the move, then the repaint of what it dirtied.
double dragStep(GraphView *view, NodeItem *hub, int steps)
{
    QWidget *viewport = view->viewport();
    // Far out its neighbours overlap it; selected, it stands above them and gets the press.
    hub->setSelected(true);
    QApplication::processEvents();
    const QPointF start = hub->scenePos();
    QPoint at = view->mapFromScene(start);
    sendMouse(viewport, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < steps; ++i) {
        at += QPoint(i % 2 ? 3 : -2, 2);
        sendMouse(viewport, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        paintPending();
    }
    const double average = milliseconds(timer) / steps;
    sendMouse(viewport, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    QApplication::processEvents();
    // A press that missed the node would time nothing.
    if (hub->scenePos() == start)
        out << "  (the drag did not move the node)\n";
    return average;
}

// Average time of one step of a middle-button pan across the view, with its repaint.
double panStep(GraphView *view, int steps)
{
    QWidget *viewport = view->viewport();
    QApplication::processEvents();
    QPoint at = viewport->rect().center();
    sendMouse(viewport, QEvent::MouseButtonPress, at, Qt::MiddleButton, Qt::MiddleButton);
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < steps; ++i) {
        at += QPoint(i < steps / 2 ? 12 : -12, i % 4 < 2 ? 5 : -5);
        sendMouse(viewport, QEvent::MouseMove, at, Qt::NoButton, Qt::MiddleButton);
        paintPending();
    }
    const double average = milliseconds(timer) / steps;
    sendMouse(viewport, QEvent::MouseButtonRelease, at, Qt::MiddleButton, Qt::NoButton);
    QApplication::processEvents();
    return average;
}

// A laid-out investigation: nodes on a jittered grid, each relation joining two nodes at most
// three cells apart, as layouts leave related nodes near each other.
Graph localGraph(int nodeCount, int edgeCount)
{
    QRandomGenerator random(11);
    const int side = int(std::ceil(std::sqrt(double(nodeCount))));
    Graph graph;
    QStringList ids;
    for (int i = 0; i < nodeCount; ++i) {
        Node node;
        node.id = TextForms::newId();
        node.label = QStringLiteral("Nœud %1").arg(i);
        node.pos = QPointF((i % side) * 120 + random.bounded(40.0), (i / side) * 120 + random.bounded(40.0));
        ids.append(node.id);
        graph.insertNode(node);
    }
    for (int i = 0; i < edgeCount; ++i) {
        const int from = int(random.bounded(quint32(nodeCount)));
        const int dx = int(random.bounded(7u)) - 3;
        const int dy = int(random.bounded(7u)) - 3;
        const int to = std::clamp(from + dx + dy * side, 0, nodeCount - 1);
        Edge edge;
        edge.id = TextForms::newId();
        edge.src = ids.at(from);
        edge.dst = ids.at(to);
        edge.label = QStringLiteral("relation %1").arg(i);
        graph.insertEdge(edge);
    }
    return graph;
}

void run(const QString &name, Graph graph, bool spread)
{
    const QString hubId = addHub(graph, 50, spread);
    out << "\n" << name << ": " << graph.nodes().size() << " nodes, " << graph.edges().size()
        << " relations\n";

    // What the analyst waits for when opening the saved project: reading the file, making
    // the items, fitting the view and the first repaint.
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("bench.orvane.db"));
    {
        ProjectDb db(path);
        QString error;
        if (!db.open(&error) || !db.saveGraph(graph, folder.path(), &error))
            out << "  (the project could not be saved: " << error << ")\n";
    }
    {
        MainWindow opening;
        opening.resize(1200, 800);
        opening.show();
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        opening.openPath(path);
        opening.currentTab()->view->viewport()->repaint();
        report(QStringLiteral("open the saved project, up to its first repaint"),
               milliseconds(timer), 3000);
    }

    MainWindow window;
    window.resize(1200, 800);
    window.show();
    QApplication::processEvents();
    Tab *tab = window.currentTab();
    tab->document->load(graph, {}, tab->dbPath());

    QElapsedTimer timer;
    timer.start();
    tab->scene->rebuild();
    report(QStringLiteral("scene rebuild (empty scene)"), milliseconds(timer), 1000);
    report(QStringLiteral("scene rebuild (replacing every item)"),
           median(3, [&]() { tab->scene->rebuild(); }), 1000);
    report(QStringLiteral("refreshTab (rebuild + window connections)"),
           median(3, [&]() { window.refreshTab(tab); }), 1000);

    GraphView *view = tab->view;
    QWidget *viewport = view->viewport();
    QApplication::processEvents();
    window.fitView();
    out << "fit scale: " << view->transform().m11() << '\n';
    timer.restart();
    viewport->repaint();
    report(QStringLiteral("first full repaint, whole graph in view"), milliseconds(timer), 1000);
    report(QStringLiteral("full repaint, whole graph in view"),
           median(5, [&]() { viewport->repaint(); }), 100);

    NodeItem *hub = tab->scene->nodeItem(hubId);
    const int renders = tab->scene->overviewRenders();
    report(QStringLiteral("drag step of a node with 50 relations, whole graph"),
           dragStep(view, hub, 30), 16);
    out << "  overview pictures drawn for the drag: " << tab->scene->overviewRenders() - renders
        << '\n';

    // Far out labels, badges and arrowheads are too small to read and are not drawn.
    view->resetTransform();
    view->scale(0.15, 0.15);
    view->centerOn(hub);
    report(QStringLiteral("pan step at scale 0.15"), panStep(view, 40), 16);

    view->resetTransform();
    view->centerOn(hub);
    QApplication::processEvents();
    report(QStringLiteral("full repaint at scale 1"),
           median(5, [&]() { viewport->repaint(); }), 100);
    report(QStringLiteral("drag step of a node with 50 relations, scale 1"),
           dragStep(view, hub, 60), 16);
    report(QStringLiteral("pan step at scale 1"), panStep(view, 40), 16);

    timer.restart();
    window.selectAllItems();
    report(QStringLiteral("select all"), milliseconds(timer), 1000);
    // The selection then reaches the screen: pending item updates and the far-out picture.
    window.fitView();
    timer.restart();
    QApplication::processEvents();
    viewport->repaint();
    report(QStringLiteral("first full repaint after select all, whole graph in view"),
           milliseconds(timer), 1000);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int nodeCount = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    const int edgeCount = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20000;
    const QString only = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    if (only != QLatin1String("random"))
        run(QStringLiteral("laid-out graph (related nodes near each other)"),
            localGraph(nodeCount, edgeCount), false);
    if (only != QLatin1String("local"))
        run(QStringLiteral("random graph (relations across the whole canvas, worst case)"),
            makeSyntheticGraph(nodeCount, edgeCount, 0), true);
    return 0;
}
