// Edits through a tab's document on large graphs, beside the full scene rebuild that every
// edit used to cost: one node edited, one relation added, 100 nodes deleted, a drag of a node
// with 50 relations, undo of a layout of every node, and the memory of 100 single-node steps.
// Run by hand: QT_QPA_PLATFORM=offscreen bench_document [nodes]
#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "ops/layouts.h"
#include "ops/nodecommands.h"
#include "syntheticgraph.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QUndoStack>

#include <malloc.h>

namespace {

QTextStream out(stdout);

double milliseconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// Resident memory in bytes, from the kernel's own count.
qint64 residentBytes()
{
    malloc_trim(0);
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * 4096 : 0;
}

void report(const QString &what, double ms, double goal)
{
    out << QStringLiteral("  %1: %2 ms (goal %3 ms)\n").arg(what, -58).arg(ms, 0, 'f', 2).arg(goal);
    out.flush();
}

// Handles what the work left for the event loop: polishing new items and indexing them post
// further events, which one pass would leave to the next step.
void settle()
{
    for (int pass = 0; pass < 3; ++pass)
        QApplication::processEvents();
}

template <typename F>
double timed(F &&work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    settle();
    return milliseconds(timer);
}

void run(int nodeCount)
{
    Graph graph = makeSyntheticGraph(nodeCount, 2 * nodeCount, nodeCount, 7);
    // A hub with 50 relations, for the drag.
    Node hub;
    hub.id = QStringLiteral("hub");
    hub.label = QStringLiteral("Hub");
    graph.insertNode(hub);
    const QStringList ids = graph.nodes().keys();
    for (int i = 0; i < 50; ++i) {
        Edge edge;
        edge.id = QStringLiteral("hub-%1").arg(i);
        edge.src = hub.id;
        edge.dst = ids.at((i * 7919) % ids.size());
        graph.insertEdge(edge);
    }
    out << "\n" << graph.nodes().size() << " nodes, " << graph.edges().size() << " relations\n";

    MainWindow window;
    window.resize(1200, 800);
    Tab *tab = window.currentTab();
    // Handed over as a project is opened: a copy kept here would share the tables, and the
    // first edit would then copy them whole.
    tab->document->load(std::move(graph), {}, QString());
    report(QStringLiteral("full rebuild (what every edit used to cost)"),
           timed([&] { window.refreshTab(tab); }), 1000);

    const QString someId = ids.at(ids.size() / 2);
    report(QStringLiteral("one node edited"), timed([&] {
               window.editTab(tab, QStringLiteral("edit"), [&](Graph &g) {
                   Node node = g.node(someId);
                   node.label = QStringLiteral("Modifié");
                   g.replaceNode(node);
               });
           }),
           16);
    report(QStringLiteral("one relation added"), timed([&] {
               window.editTab(tab, QStringLiteral("add"), [&](Graph &g) {
                   Edge edge;
                   edge.id = QStringLiteral("new-edge");
                   edge.src = ids.at(1);
                   edge.dst = ids.at(2);
                   g.insertEdge(edge);
               });
           }),
           16);
    const QStringList hundred = ids.mid(100, 100);
    report(QStringLiteral("100 nodes deleted with their relations"), timed([&] {
               window.editTab(tab, QStringLiteral("delete"),
                              [&](Graph &g) { NodeCommands::removeNodes(g, hundred); });
           }),
           100);
    report(QStringLiteral("drag of the hub (50 relations) committed on release"), timed([&] {
               tab->document->edit(QStringLiteral("move"), [&](Graph &g) {
                   Node node = g.node(hub.id);
                   node.pos += QPointF(40, 25);
                   g.replaceNode(node);
               });
           }),
           16);
    window.editTab(tab, QStringLiteral("layout"),
                   [](Graph &g) { Layouts::circle(g, g.nodes().keys()); });
    // The first repaint after it asks the spatial index, which is then made anew.
    report(QStringLiteral("undo of a layout of every node"), timed([&] {
               tab->document->undoStack()->undo();
               tab->scene->items(QRectF(0, 0, 1, 1));
           }),
           1000);

    tab->document->undoStack()->clear();
    const qint64 before = residentBytes();
    for (int i = 0; i < 100; ++i) {
        const QString id = ids.at(1000 + i);
        tab->document->edit(QStringLiteral("step"), [&](Graph &g) {
            Node node = g.node(id);
            node.description = QStringLiteral("note %1").arg(i);
            g.replaceNode(node);
        });
    }
    out << QStringLiteral("  undo stack of 100 single-node steps: %1 MB (goal 10 MB)\n")
               .arg((residentBytes() - before) / 1e6, 0, 'f', 2);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A size given on the command line keeps a profile to that size.
    const int only = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;
    if (only > 0) {
        run(only);
        return 0;
    }
    for (int count : {10000, 100000})
        run(count);
    return 0;
}
