#include "app/mainwindow.h"
#include "app/tab.h"
#include "model/graph.h"
#include "ops/layouts.h"
#include "scriptedprompter.h"
#include "syntheticgraph.h"

#include <QAction>
#include <QApplication>
#include <QFontMetricsF>
#include <QMenu>
#include <QProgressDialog>
#include <QSet>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

using Positions = QList<QPointF>;

// "id|label|size|type"; missing fields keep the record's defaults.
Node parseNode(const QString &row)
{
    const QStringList parts = row.split(QLatin1Char('|'));
    Node node;
    node.id = parts.value(0);
    node.label = parts.value(1);
    if (parts.size() > 2 && !parts.at(2).isEmpty())
        node.size = parts.at(2).toDouble();
    node.type = parts.value(3);
    return node;
}

// "edgeId:src>dst"
Edge parseEdge(const QString &row)
{
    const QStringList idAndEnds = row.split(QLatin1Char(':'));
    const QStringList ends = idAndEnds.value(1).split(QLatin1Char('>'));
    Edge edge;
    edge.id = idAndEnds.value(0);
    edge.src = ends.value(0);
    edge.dst = ends.value(1);
    return edge;
}

Graph makeGraph(const QStringList &nodes, const QStringList &edges)
{
    Graph graph;
    for (const QString &row : nodes)
        graph.insertNode(parseNode(row));
    for (const QString &row : edges)
        graph.insertEdge(parseEdge(row));
    return graph;
}

QStringList idsOf(const QStringList &nodeRows)
{
    QStringList ids;
    for (const QString &row : nodeRows)
        ids.append(row.section(QLatin1Char('|'), 0, 0));
    return ids;
}

void setPos(Graph &graph, const QString &id, QPointF pos, bool anchored = false)
{
    Node node = graph.node(id);
    node.pos = pos;
    node.anchored = anchored;
    graph.replaceNode(node);
}

QPointF posOf(const Graph &graph, const QString &id)
{
    return graph.node(id).pos;
}

QPointF centroidOf(const Graph &graph, const QStringList &ids)
{
    QPointF sum;
    for (const QString &id : ids)
        sum += posOf(graph, id);
    return sum / ids.size();
}

bool near(QPointF a, QPointF b, double tolerance = 1e-9)
{
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance;
}

// Ten characters are 100 units wide.
double tenPerCharacter(const QString &label)
{
    return 10.0 * label.size();
}

// A preset with the repulsion summed over the quadtree whatever the node count.
Layouts::ForceParams farField(Layouts::ForcePreset preset, qsizetype n)
{
    Layouts::ForceParams params = Layouts::forcePreset(preset, int(n));
    params.method = Layouts::ForceMethod::FarField;
    return params;
}

void runLayout(const QString &name, Graph &graph, const QStringList &targets)
{
    if (name == u"grid")
        Layouts::grid(graph, targets, tenPerCharacter);
    else if (name == u"zigzag")
        Layouts::zigzag(graph, targets);
    else if (name == u"circle")
        Layouts::circle(graph, targets);
    else if (name == u"random")
        Layouts::random(graph, targets);
    else if (name == u"radial")
        Layouts::radial(graph, targets);
    else if (name == u"components")
        Layouts::components(graph, targets);
    else if (name == u"clusters")
        Layouts::clustersByType(graph, targets);
    else if (name == u"force")
        Layouts::force(graph, targets,
                       Layouts::forcePreset(Layouts::ForcePreset::Fast, int(targets.size())));
    else if (name == u"force-compact")
        Layouts::force(graph, targets,
                       Layouts::forcePreset(Layouts::ForcePreset::Compact, int(targets.size())));
    else if (name == u"force-far")
        Layouts::force(graph, targets, farField(Layouts::ForcePreset::Fast, targets.size()));
    else
        QFAIL(qPrintable(QStringLiteral("unknown layout ") + name));
}

const QStringList allLayouts = {
    QStringLiteral("grid"),   QStringLiteral("zigzag"),     QStringLiteral("circle"),
    QStringLiteral("random"), QStringLiteral("radial"),     QStringLiteral("components"),
    QStringLiteral("clusters"), QStringLiteral("force"),    QStringLiteral("force-compact"),
    QStringLiteral("force-far")};

// A graph of five nodes of two types, in two components, spread over the canvas.
Graph mixedGraph()
{
    Graph graph = makeGraph({QStringLiteral("a|Serveur|1|ip"), QStringLiteral("b|Domaine|2|dom"),
                             QStringLiteral("c|x|1|ip"), QStringLiteral("d|Acteur|0.3|"),
                             QStringLiteral("e|Portefeuille|1|dom")},
                            {QStringLiteral("e1:a>b"), QStringLiteral("e2:b>c"),
                             QStringLiteral("e3:d>e")});
    const QList<QPointF> start = {{-300, 40}, {120, -75}, {480, 310}, {-60, 250}, {15, 5}};
    const QStringList ids = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                             QStringLiteral("d"), QStringLiteral("e")};
    for (int i = 0; i < ids.size(); ++i)
        setPos(graph, ids.at(i), start.at(i));
    return graph;
}

// The force iteration written plainly, one pair and one spring at a time, to check the fast
// one against.
void plainForce(Graph &graph, const QStringList &ids, const Layouts::ForceParams &params)
{
    const int n = ids.size();
    const double k = std::sqrt(640000.0 / n) * params.kMul;
    QList<QPointF> p;
    QList<bool> fixed;
    for (const QString &id : ids) {
        p.append(graph.node(id).pos);
        fixed.append(graph.node(id).anchored);
    }
    QList<QPair<int, int>> springs;
    for (const Edge &edge : graph.edges())
        springs.append({int(ids.indexOf(edge.src)), int(ids.indexOf(edge.dst))});
    for (int t = 0; t < params.iterations; ++t) {
        QList<QPointF> d(n);
        for (int i = 0; i < n; ++i) {
            for (int j = i + 1; j < n; ++j) {
                const QPointF delta = p[i] - p[j];
                const double dist = std::max(std::hypot(delta.x(), delta.y()), 1e-9);
                const QPointF push = delta / dist * (k * k / dist) * params.repulsion;
                d[i] += push;
                d[j] -= push;
            }
        }
        for (const auto &[a, b] : springs) {
            const QPointF delta = p[a] - p[b];
            double dist = std::hypot(delta.x(), delta.y());
            double dist2 = dist * dist;
            if (dist < 1e-9) {
                dist = 1e-9;
                dist2 = 1e-18;
            }
            const QPointF pull = delta / dist * (dist2 / k) * params.attraction;
            d[a] -= pull;
            d[b] += pull;
        }
        QPointF centre;
        for (const QPointF &q : p)
            centre += q / n;
        for (int i = 0; i < n; ++i)
            d[i] += (centre - p[i]) * params.gravity;
        const double temperature =
            (1.0 - double(t) / params.iterations) * (std::log(1.0 + n) + 80.0);
        for (int i = 0; i < n; ++i) {
            const double length = std::hypot(d[i].x(), d[i].y());
            if (!fixed[i] && length > 1e-9)
                p[i] += d[i] * (temperature / length);
        }
    }
    const QPointF before = centroidOf(graph, ids);
    QPointF after;
    for (const QPointF &q : p)
        after += q / n;
    for (int i = 0; i < n; ++i) {
        if (!fixed[i])
            setPos(graph, ids[i], p[i] + before - after);
    }
}

} // namespace

class TstLayouts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exactPositions_data();
    void exactPositions();
    void randomIsSeededAndRepeatable();
    void targetListFollowsSelection();
    void layoutsKeepTheCentroid_data();
    void layoutsKeepTheCentroid();
    void anchoredNodesNeverMove_data();
    void anchoredNodesNeverMove();
    void singleSelectedNodeStaysPut_data();
    void singleSelectedNodeStaysPut();
    void emptyTargetsChangeNothing();
    void anchoredNodesKeepTheirSlot();
    void spreadLayoutsKeepNodesApart_data();
    void spreadLayoutsKeepNodesApart();
    void labelSpacing();
    void freshNodesPastTheCircleLimitFillASquare_data();
    void freshNodesPastTheCircleLimitFillASquare();
    void forcePresets();
    void forceMatchesThePlainIteration();
    void forceAnchoredNodesPushAndPull_data();
    void forceAnchoredNodesPushAndPull();
    void forceSeparatesCoincidentNodes_data();
    void forceSeparatesCoincidentNodes();
    void forceCancelRestoresEveryPosition_data();
    void forceCancelRestoresEveryPosition();
    void largeGraphsTakeTheFarField();
    void farFieldWithinOneLeafIsExact();
    void farFieldSpreadsAPileOfNodes();
    void farFieldOnClusters_data();
    void farFieldOnClusters();
    void windowLayoutKeepsTheEventLoopTurning();
    void windowLayoutCancelLeavesPositions();
    void windowLayoutOfAClosedTabIsDropped();
    void timelinePlacesDatedNodes();
    void layoutMenuRunsLayouts();
};

void TstLayouts::exactPositions_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("nodes");
    QTest::addColumn<QStringList>("edges");
    QTest::addColumn<Positions>("expected"); // in node order

    // Columns 72 (6 characters + 12) and 162 (size 7 gives 150, + 12), 16 apart, centred.
    QTest::newRow("grid")
        << QStringLiteral("grid")
        << QStringList{QStringLiteral("a|aaaaaa|1"), QStringLiteral("b||3"),
                       QStringLiteral("c|cc|0.2"), QStringLiteral("d||7")}
        << QStringList() << Positions{{-97, 0}, {36, 0}, {-97, 90}, {36, 90}};
    // Both columns at their 40-unit minimum.
    QTest::newRow("grid narrow") << QStringLiteral("grid")
                                 << QStringList{QStringLiteral("p||0.2"), QStringLiteral("q||0.2")}
                                 << QStringList() << Positions{{-36, 0}, {20, 0}};
    QTest::newRow("circle") << QStringLiteral("circle")
                            << QStringList{QStringLiteral("a"), QStringLiteral("b"),
                                           QStringLiteral("c"), QStringLiteral("d")}
                            << QStringList() << Positions{{220, 0}, {0, 220}, {-220, 0}, {0, -220}};
    // c and d have no incoming relation; a follows c, b waits for both a and d.
    QTest::newRow("zigzag") << QStringLiteral("zigzag")
                            << QStringList{QStringLiteral("a"), QStringLiteral("b"),
                                           QStringLiteral("c"), QStringLiteral("d")}
                            << QStringList{QStringLiteral("e1:c>a"), QStringLiteral("e2:a>b"),
                                           QStringLiteral("e3:d>b")}
                            << Positions{{-100, 200}, {100, 300}, {-100, 0}, {100, 100}};
    // Only cycles: z has fewer incoming relations than y; then y comes first on a tie with x.
    QTest::newRow("zigzag cycles")
        << QStringLiteral("zigzag")
        << QStringList{QStringLiteral("y"), QStringLiteral("z"), QStringLiteral("x")}
        << QStringList{QStringLiteral("e1:x>y"), QStringLiteral("e2:y>x"), QStringLiteral("e3:z>y"),
                       QStringLiteral("e4:y>z")}
        << Positions{{100, 100}, {-100, 0}, {-100, 200}};
    // Root r (degree 2, first to beat a); a and b one level out; c two; u unreachable.
    QTest::newRow("radial") << QStringLiteral("radial")
                            << QStringList{QStringLiteral("a"), QStringLiteral("r"),
                                           QStringLiteral("b"), QStringLiteral("c"),
                                           QStringLiteral("u")}
                            << QStringList{QStringLiteral("e1:a>r"), QStringLiteral("e2:r>b"),
                                           QStringLiteral("e3:c>b")}
                            << Positions{{200, 0}, {80, 0}, {-200, 0}, {320, 0}, {440, 0}};
    // Components {a,b}, {c,d,e}, {f} in cells (0,0), (600,0), (0,600); radii 10 sqrt(s) + 80.
    QTest::newRow("components")
        << QStringLiteral("components")
        << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                       QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("f")}
        << QStringList{QStringLiteral("e1:b>a"), QStringLiteral("e2:c>d"), QStringLiteral("e3:e>d")}
        << Positions{{94.14213562373095, 0},
                     {-94.14213562373095, 0},
                     {697.3205080756887, 0},
                     {551.3397459621557, 84.28203230275508},
                     {551.3397459621556, -84.28203230275506},
                     {90, 600}};
    // Types ip {a,c}, dom {b}, "" {d} in cells 700 apart; radii 15 sqrt(s) + 90.
    QTest::newRow("clusters")
        << QStringLiteral("clusters")
        << QStringList{QStringLiteral("a||1|ip"), QStringLiteral("b||1|dom"),
                       QStringLiteral("c||1|ip"), QStringLiteral("d||1|")}
        << QStringList()
        << Positions{{111.21320343559643, 0}, {805, 0}, {-111.21320343559643, 0}, {105, 700}};
    // MT19937 seeded 42 gives 1608637542, 3421126067, 4083286876, 787846414, 3143890026,
    // 3348747335, 2571218620, 2563451924; u = (g1 + g2 * 2^32) / 2^64; x from u2, y from u1.
    QTest::newRow("random") << QStringLiteral("random")
                            << QStringList{QStringLiteral("a"), QStringLiteral("b")}
                            << QStringList()
                            << Positions{{-316.5652121066315, 296.542984287846},
                                         {96.85016158005658, 279.69099761266125}};
}

// Each node starts on another node's expected place moved by (1000, -500): the centroid is
// then the expected one moved likewise, and so is every node once the layout keeps it.
void TstLayouts::exactPositions()
{
    QFETCH(QString, layout);
    QFETCH(QStringList, nodes);
    QFETCH(QStringList, edges);
    QFETCH(Positions, expected);
    Graph graph = makeGraph(nodes, edges);
    const QStringList ids = idsOf(nodes);
    const QPointF shift(1000, -500);
    for (int i = 0; i < ids.size(); ++i)
        setPos(graph, ids.at(i), expected.at((i + 1) % ids.size()) + shift);

    runLayout(layout, graph, ids);

    for (int i = 0; i < ids.size(); ++i) {
        const QPointF actual = posOf(graph, ids.at(i));
        QVERIFY2(near(actual, expected.at(i) + shift, 1e-6),
                 qPrintable(QStringLiteral("%1 at %2,%3").arg(ids.at(i)).arg(actual.x()).arg(actual.y())));
    }
}

void TstLayouts::randomIsSeededAndRepeatable()
{
    Graph graph = mixedGraph();
    const QStringList targets = Layouts::targetList(graph, {});
    Layouts::random(graph, targets);
    const Graph::NodeTable first = graph.nodes();
    Layouts::random(graph, targets);
    QCOMPARE(graph.nodes(), first);
    QVERIFY(first.value(QStringLiteral("a")).pos != mixedGraph().node(QStringLiteral("a")).pos);
}

void TstLayouts::targetListFollowsSelection()
{
    const Graph graph = mixedGraph();
    const QStringList all = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                             QStringLiteral("d"), QStringLiteral("e")};
    QCOMPARE(Layouts::targetList(graph, {}), all);
    // Unknown ids and repeats are dropped, the selection order kept.
    QCOMPARE(Layouts::targetList(graph, {QStringLiteral("c"), QStringLiteral("zz"),
                                         QStringLiteral("a"), QStringLiteral("c")}),
             (QStringList{QStringLiteral("c"), QStringLiteral("a")}));
    // Everything selected is the same as nothing selected.
    QCOMPARE(Layouts::targetList(graph, {QStringLiteral("e"), QStringLiteral("d"),
                                         QStringLiteral("c"), QStringLiteral("b"),
                                         QStringLiteral("a")}),
             all);
    QCOMPARE(Layouts::targetList(graph, {QStringLiteral("zz")}), all);
}

void TstLayouts::layoutsKeepTheCentroid_data()
{
    QTest::addColumn<QString>("layout");
    for (const QString &name : allLayouts)
        QTest::newRow(qPrintable(name)) << name;
}

void TstLayouts::layoutsKeepTheCentroid()
{
    QFETCH(QString, layout);
    Graph graph = mixedGraph();
    const QStringList targets = Layouts::targetList(graph, {});
    const QPointF before = centroidOf(graph, targets);
    const Graph::NodeTable start = graph.nodes();

    runLayout(layout, graph, targets);

    QVERIFY(near(centroidOf(graph, targets), before, 1e-6));
    QVERIFY(graph.nodes() != start);
}

void TstLayouts::anchoredNodesNeverMove_data()
{
    layoutsKeepTheCentroid_data();
}

void TstLayouts::anchoredNodesNeverMove()
{
    QFETCH(QString, layout);
    Graph graph = mixedGraph();
    setPos(graph, QStringLiteral("b"), QPointF(120, -75), true);
    setPos(graph, QStringLiteral("d"), QPointF(-60, 250), true);

    runLayout(layout, graph, Layouts::targetList(graph, {}));

    QCOMPARE(posOf(graph, QStringLiteral("b")), QPointF(120, -75));
    QCOMPARE(posOf(graph, QStringLiteral("d")), QPointF(-60, 250));
    QVERIFY(posOf(graph, QStringLiteral("a")) != QPointF(-300, 40));
}

void TstLayouts::singleSelectedNodeStaysPut_data()
{
    layoutsKeepTheCentroid_data();
}

void TstLayouts::singleSelectedNodeStaysPut()
{
    QFETCH(QString, layout);
    Graph graph = mixedGraph();
    const Graph::NodeTable start = graph.nodes();
    const QStringList targets = Layouts::targetList(graph, {QStringLiteral("b")});
    QCOMPARE(targets, QStringList{QStringLiteral("b")});

    runLayout(layout, graph, targets);

    QCOMPARE(graph.nodes(), start);
}

void TstLayouts::emptyTargetsChangeNothing()
{
    for (const QString &name : allLayouts) {
        Graph graph = mixedGraph();
        const quint64 revision = graph.revision();
        runLayout(name, graph, {});
        QCOMPARE(graph.revision(), revision);
    }
}

// b is anchored: the others keep the slots 0, 2 and 3 of a circle of four.
void TstLayouts::anchoredNodesKeepTheirSlot()
{
    Graph graph = makeGraph({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                             QStringLiteral("d")},
                            {});
    setPos(graph, QStringLiteral("b"), QPointF(5, 5), true);
    Layouts::circle(graph, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                            QStringLiteral("d")});
    QVERIFY(near(posOf(graph, QStringLiteral("c")) - posOf(graph, QStringLiteral("a")),
                 QPointF(-440, 0)));
    QVERIFY(near(posOf(graph, QStringLiteral("d")) - posOf(graph, QStringLiteral("a")),
                 QPointF(-220, -220)));

    // An anchored node draws no random numbers: c gets the first draw.
    Graph drawn = makeGraph({QStringLiteral("a"), QStringLiteral("c")}, {});
    setPos(drawn, QStringLiteral("a"), QPointF(0, 0), true);
    setPos(drawn, QStringLiteral("c"), QPointF(-316.5652121066315, 296.542984287846));
    Layouts::random(drawn, {QStringLiteral("a"), QStringLiteral("c")});
    QVERIFY(near(posOf(drawn, QStringLiteral("c")), QPointF(-316.5652121066315, 296.542984287846),
                 1e-6));
}

void TstLayouts::spreadLayoutsKeepNodesApart_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QList<int>>("rings"); // node counts of the components, each a ring
    QTest::addColumn<double>("size");
    QTest::addColumn<QString>("label");

    // The demo's case: at the documented radii these touch and their labels run together.
    QTest::newRow("circle, 29 nodes of size 2")
        << QStringLiteral("circle") << QList<int>{29} << 2.0 << QStringLiteral("AS64500");
    QTest::newRow("circle, 300 long labels")
        << QStringLiteral("circle") << QList<int>{300} << 1.0
        << QStringLiteral("mail.exemple-de-domaine.org");
    QTest::newRow("components, one ring of 29 nodes of size 2")
        << QStringLiteral("components") << QList<int>{29} << 2.0 << QStringLiteral("AS64500");
    // The big ring's circle must not reach into its neighbours' cells.
    QTest::newRow("components, a big ring beside small ones")
        << QStringLiteral("components") << QList<int>{60, 2, 3, 1} << 1.0
        << QStringLiteral("203.0.113.250");
}

// Bodies (radius 25 * size) and labels of distinct nodes never overlap.
void TstLayouts::spreadLayoutsKeepNodesApart()
{
    QFETCH(QString, layout);
    QFETCH(QList<int>, rings);
    QFETCH(double, size);
    QFETCH(QString, label);
    Graph graph;
    QStringList ids;
    for (int ring = 0; ring < rings.size(); ++ring) {
        const int first = int(ids.size());
        for (int k = 0; k < rings.at(ring); ++k) {
            Node node;
            node.id = QStringLiteral("r%1n%2").arg(ring).arg(k, 3, 10, QLatin1Char('0'));
            node.label = label;
            node.size = size;
            graph.insertNode(node);
            ids.append(node.id);
            if (k > 0) {
                Edge edge;
                edge.id = node.id + QStringLiteral("e");
                edge.src = ids.at(first + k - 1);
                edge.dst = node.id;
                graph.insertEdge(edge);
            }
        }
    }
    runLayout(layout, graph, ids);

    const double labelWidth = QFontMetricsF(QFont()).horizontalAdvance(label);
    const double footprint = std::max(50.0 * size, labelWidth);
    for (int i = 0; i < ids.size(); ++i) {
        for (int j = i + 1; j < ids.size(); ++j) {
            const double distance =
                QLineF(posOf(graph, ids.at(i)), posOf(graph, ids.at(j))).length();
            QVERIFY2(distance >= footprint,
                     qPrintable(QStringLiteral("%1 and %2 are %3 apart, %4 needed")
                                    .arg(ids.at(i), ids.at(j))
                                    .arg(distance)
                                    .arg(footprint)));
        }
    }
}

void TstLayouts::labelSpacing()
{
    const Graph graph = makeGraph({QStringLiteral("a|abcdefghij"), QStringLiteral("b|ab"),
                                   QStringLiteral("c|"),
                                   QStringLiteral("d|%1").arg(QString(40, QLatin1Char('x')))},
                                  {});
    QCOMPARE(Layouts::labelSpacing(graph, {}), 100.0);
    QCOMPARE(Layouts::labelSpacing(graph, {QStringLiteral("a"), QStringLiteral("b")}), 88.0);
    QCOMPARE(Layouts::labelSpacing(graph, {QStringLiteral("c")}), 80.0);
    QCOMPARE(Layouts::labelSpacing(graph, {QStringLiteral("d")}), 250.0);
}

void TstLayouts::freshNodesPastTheCircleLimitFillASquare_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("just past the limit") << Layouts::freshCircleLimit + 1;
    QTest::newRow("a large import") << 2500;
}

// Imported nodes all at the origin are spread where the analyst can see them together: no
// two on top of each other, and the whole about as wide as tall instead of a huge ring.
void TstLayouts::freshNodesPastTheCircleLimitFillASquare()
{
    QFETCH(int, count);
    Graph graph;
    for (int i = 0; i < count; ++i)
        graph.insertNode(parseNode(QStringLiteral("n%1|n%1").arg(i, 5, 10, QLatin1Char('0'))));
    Layouts::placeFreshNodes(graph);

    QList<QPointF> places;
    QRectF bounds;
    for (const Node &node : graph.nodes()) {
        places.append(node.pos);
        bounds |= QRectF(node.pos, QSizeF(1, 1));
    }
    const double side = 150.0 * std::sqrt(double(count));
    QVERIFY2(bounds.width() <= side && bounds.height() <= side,
             qPrintable(QStringLiteral("%1 × %2 for %3 nodes")
                            .arg(bounds.width())
                            .arg(bounds.height())
                            .arg(count)));
    std::sort(places.begin(), places.end(), [](const QPointF &a, const QPointF &b) {
        return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y());
    });
    // Sorted by x: only the following places closer than a node's width in x can be too near.
    for (int i = 0; i < places.size(); ++i) {
        for (int j = i + 1; j < places.size() && places.at(j).x() - places.at(i).x() < 50; ++j)
            QVERIFY(QLineF(places.at(i), places.at(j)).length() >= 50);
    }
}

void TstLayouts::forcePresets()
{
    using Layouts::ForcePreset;
    QCOMPARE(Layouts::forcePreset(ForcePreset::Fast, 400).iterations, 70);
    QCOMPARE(Layouts::forcePreset(ForcePreset::Fast, 3000).iterations, 200);
    QCOMPARE(Layouts::forcePreset(ForcePreset::Compact, 400).iterations, 106);
    QCOMPARE(Layouts::forcePreset(ForcePreset::Spaced, 3000).iterations, 280);
    QCOMPARE(Layouts::forcePreset(ForcePreset::Compact, 4000).iterations, 300);
    const Layouts::ForceParams spaced = Layouts::forcePreset(ForcePreset::Spaced, 10);
    QCOMPARE(spaced.repulsion, 1.0);
    QCOMPARE(spaced.attraction, 0.015);
    QCOMPARE(spaced.gravity, 0.003);
    QCOMPARE(spaced.kMul, 1.3);
    const Layouts::ForceParams compact = Layouts::forcePreset(ForcePreset::Compact, 10);
    QCOMPARE(compact.repulsion, 0.8);
    QCOMPARE(compact.attraction, 0.05);
    QCOMPARE(compact.gravity, 0.01);
    QCOMPARE(compact.kMul, 0.9);
}

void TstLayouts::forceMatchesThePlainIteration()
{
    Graph graph = makeGraph({}, {});
    QStringList ids;
    for (int i = 0; i < 23; ++i) {
        Node node;
        node.id = QStringLiteral("n%1").arg(i, 2, 10, QLatin1Char('0'));
        node.pos = QPointF(std::fmod(i * 137.0, 500.0) - 250, std::fmod(i * 71.0, 300.0) - 150);
        node.anchored = i % 7 == 3;
        graph.insertNode(node);
        ids.append(node.id);
    }
    for (int i = 0; i < 30; ++i) {
        const int a = (i * 5) % 23, b = (i * 11 + 3) % 23;
        graph.insertEdge(parseEdge(QStringLiteral("e%1:%2>%3").arg(i).arg(ids[a], ids[b])));
    }
    Graph plain = graph;
    const Layouts::ForceParams params{0.8, 0.05, 0.01, 0.9, 40};

    QVERIFY(Layouts::force(graph, ids, params));
    plainForce(plain, ids, params);

    for (const QString &id : ids) {
        QVERIFY2(near(posOf(graph, id), posOf(plain, id), 1e-6), qPrintable(id));
    }
}

void TstLayouts::forceAnchoredNodesPushAndPull_data()
{
    QTest::addColumn<bool>("farField");
    QTest::newRow("all pairs") << false;
    QTest::newRow("far field") << true;
}

void TstLayouts::forceAnchoredNodesPushAndPull()
{
    QFETCH(bool, farField);
    const Layouts::ForceParams params = farField
        ? ::farField(Layouts::ForcePreset::Fast, 2)
        : Layouts::forcePreset(Layouts::ForcePreset::Fast, 2);
    auto pair = [](bool linked) {
        Graph graph = makeGraph({QStringLiteral("fixed"), QStringLiteral("free")},
                                linked ? QStringList{QStringLiteral("e:free>fixed")}
                                       : QStringList());
        setPos(graph, QStringLiteral("fixed"), QPointF(0, 0), true);
        setPos(graph, QStringLiteral("free"), QPointF(2000, 0));
        return graph;
    };
    Graph apart = pair(false);
    Graph linked = pair(true);
    QVERIFY(Layouts::force(apart, {QStringLiteral("fixed"), QStringLiteral("free")}, params));
    QVERIFY(Layouts::force(linked, {QStringLiteral("fixed"), QStringLiteral("free")}, params));

    QCOMPARE(posOf(apart, QStringLiteral("fixed")), QPointF(0, 0));
    QCOMPARE(posOf(linked, QStringLiteral("fixed")), QPointF(0, 0));
    // Alone, the anchored node pushes the free one away; a relation pulls it closer.
    QVERIFY(posOf(apart, QStringLiteral("free")).x() > 2000);
    QVERIFY(posOf(linked, QStringLiteral("free")).x() < 2000);
}

void TstLayouts::forceSeparatesCoincidentNodes_data()
{
    forceAnchoredNodesPushAndPull_data();
}

void TstLayouts::forceSeparatesCoincidentNodes()
{
    QFETCH(bool, farField);
    Graph graph = makeGraph({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                             QStringLiteral("d")},
                            {QStringLiteral("e1:a>b"), QStringLiteral("e2:a>b")});
    for (const QString &id : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")})
        setPos(graph, id, QPointF(50, 50));
    setPos(graph, QStringLiteral("d"), QPointF(400, 50));
    const QStringList ids = Layouts::targetList(graph, {});

    QVERIFY(Layouts::force(graph, ids,
                           farField ? ::farField(Layouts::ForcePreset::Fast, 4)
                                    : Layouts::forcePreset(Layouts::ForcePreset::Fast, 4)));

    for (int i = 0; i < ids.size(); ++i) {
        const QPointF p = posOf(graph, ids[i]);
        QVERIFY(std::isfinite(p.x()) && std::isfinite(p.y()));
        for (int j = i + 1; j < ids.size(); ++j)
            QVERIFY2(QLineF(p, posOf(graph, ids[j])).length() > 10, qPrintable(ids[i] + ids[j]));
    }
    QVERIFY(near(centroidOf(graph, ids), QPointF(137.5, 50), 1e-6));
}

void TstLayouts::forceCancelRestoresEveryPosition_data()
{
    forceAnchoredNodesPushAndPull_data();
}

void TstLayouts::forceCancelRestoresEveryPosition()
{
    QFETCH(bool, farField);
    Graph graph = mixedGraph();
    const Graph::NodeTable start = graph.nodes();
    const quint64 revision = graph.revision();
    QList<QPair<int, int>> calls;
    Layouts::ForceParams params{0.75, 0.02, 0.005, 1.0, 10};
    if (farField)
        params.method = Layouts::ForceMethod::FarField;
    const bool done = Layouts::force(graph, Layouts::targetList(graph, {}), params,
                                     [&calls](int step, int total) {
                                         calls.append({step, total});
                                         return step < 3;
                                     });
    QVERIFY(!done);
    QCOMPARE(calls, (QList<QPair<int, int>>{{1, 10}, {2, 10}, {3, 10}}));
    QCOMPARE(graph.nodes(), start);
    QCOMPARE(graph.revision(), revision);
}

// Automatic sums every pair up to the limit and takes the quadtree above it.
void TstLayouts::largeGraphsTakeTheFarField()
{
    const auto run = [](int count, Layouts::ForceMethod method) {
        Graph graph = makeClusteredGraph(1, count);
        Layouts::ForceParams params = Layouts::forcePreset(Layouts::ForcePreset::Fast, count);
        params.iterations = 2;
        params.method = method;
        Layouts::force(graph, Layouts::targetList(graph, {}), params);
        return graph.nodes();
    };
    using Layouts::ForceMethod;
    const int limit = Layouts::allPairsLimit;
    QCOMPARE(run(limit, ForceMethod::Automatic), run(limit, ForceMethod::AllPairs));
    QVERIFY(run(limit, ForceMethod::Automatic) != run(limit, ForceMethod::FarField));
    QCOMPARE(run(limit + 1, ForceMethod::Automatic), run(limit + 1, ForceMethod::FarField));
    QVERIFY(run(limit + 1, ForceMethod::Automatic) != run(limit + 1, ForceMethod::AllPairs));
}

// Up to eight nodes share one leaf of the quadtree, which sums their pushes one by one: the
// result is the exact one, nodes at the same place included.
void TstLayouts::farFieldWithinOneLeafIsExact()
{
    Graph exact = makeGraph({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                             QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("f"),
                             QStringLiteral("g"), QStringLiteral("h")},
                            {QStringLiteral("e1:a>f"), QStringLiteral("e2:b>c"),
                             QStringLiteral("e3:g>h")});
    for (const QString &id : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                              QStringLiteral("d"), QStringLiteral("e")})
        setPos(exact, id, QPointF(50, 50));
    setPos(exact, QStringLiteral("f"), QPointF(400, 50));
    setPos(exact, QStringLiteral("g"), QPointF(-120, 300), true);
    setPos(exact, QStringLiteral("h"), QPointF(10, -90));
    Graph far = exact;
    const QStringList ids = Layouts::targetList(exact, {});
    Layouts::ForceParams params = Layouts::forcePreset(Layouts::ForcePreset::Fast, 8);
    params.iterations = 3;
    params.method = Layouts::ForceMethod::AllPairs;
    QVERIFY(Layouts::force(exact, ids, params));
    params.method = Layouts::ForceMethod::FarField;
    QVERIFY(Layouts::force(far, ids, params));
    for (const QString &id : ids)
        QVERIFY2(near(posOf(far, id), posOf(exact, id), 1e-6), qPrintable(id));
}

// Nodes stacked on one spot, as freshly imported ones are, come apart: every node ends on a
// place of its own.
void TstLayouts::farFieldSpreadsAPileOfNodes()
{
    Graph graph = makeClusteredGraph(100, 50);
    const QStringList ids = Layouts::targetList(graph, {});
    for (int i = 1; i < ids.size(); ++i)
        setPos(graph, ids.at(i), QPointF(7, 7));
    Layouts::ForceParams params = farField(Layouts::ForcePreset::Fast, ids.size());
    params.iterations = 3;
    QVERIFY(Layouts::force(graph, ids, params));
    QSet<QPair<double, double>> places;
    for (const QString &id : ids)
        places.insert({posOf(graph, id).x(), posOf(graph, id).y()});
    QCOMPARE(places.size(), ids.size());
}

void TstLayouts::farFieldOnClusters_data()
{
    QTest::addColumn<int>("preset");
    QTest::newRow("rapide") << int(Layouts::ForcePreset::Fast);
    QTest::newRow("compacte") << int(Layouts::ForcePreset::Compact);
    QTest::newRow("aérée") << int(Layouts::ForcePreset::Spaced);
}

// Forty clusters of twenty, scattered at random. The quadtree layout pulls the clusters
// together about as well as the exact one (relation length against the distance between
// random pairs), keeps the centroid and gives the same positions in every run whatever the
// threads did; with some nodes anchored, those stay.
void TstLayouts::farFieldOnClusters()
{
    QFETCH(int, preset);
    const Graph start = makeClusteredGraph(40, 20);
    const QStringList targets = Layouts::targetList(start, {});
    const double scattered = relationSpreadRatio(start);
    const QPointF before = centroidOf(start, targets);

    Graph exact = start;
    Layouts::ForceParams params =
        Layouts::forcePreset(Layouts::ForcePreset(preset), int(targets.size()));
    params.method = Layouts::ForceMethod::AllPairs;
    QVERIFY(Layouts::force(exact, targets, params));
    Graph far = start;
    params.method = Layouts::ForceMethod::FarField;
    QVERIFY(Layouts::force(far, targets, params));

    const double exactRatio = relationSpreadRatio(exact);
    const double farRatio = relationSpreadRatio(far);
    QVERIFY2(exactRatio < scattered / 2,
             qPrintable(QStringLiteral("%1 from %2").arg(exactRatio).arg(scattered)));
    QVERIFY2(farRatio <= 1.5 * exactRatio && exactRatio <= 1.5 * farRatio,
             qPrintable(QStringLiteral("%1 against %2").arg(farRatio).arg(exactRatio)));
    QVERIFY(near(centroidOf(far, targets), before, 1e-6));

    Graph again = start;
    QVERIFY(Layouts::force(again, targets, params));
    QCOMPARE(again.nodes(), far.nodes());

    Graph anchored = start;
    for (int i = 0; i < targets.size(); i += 97)
        setPos(anchored, targets.at(i), posOf(start, targets.at(i)), true);
    QVERIFY(Layouts::force(anchored, targets, params));
    for (int i = 0; i < targets.size(); ++i) {
        if (i % 97 == 0)
            QCOMPARE(posOf(anchored, targets.at(i)), posOf(start, targets.at(i)));
        else
            QVERIFY(posOf(anchored, targets.at(i)) != posOf(start, targets.at(i)));
    }
}

namespace {

// The current tab holding 3000 nodes: enough for the layout to last a moment and to go
// through the quadtree.
Tab *clusteredTab(MainWindow &window)
{
    Tab *tab = window.currentTab();
    tab->document->load(makeClusteredGraph(100, 30), {}, QString());
    window.refreshTab(tab);
    return tab;
}

} // namespace

// The layout is computed on another thread: timers of the window's thread fire meanwhile.
void TstLayouts::windowLayoutKeepsTheEventLoopTurning()
{
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    Tab *tab = clusteredTab(window);
    const Graph::NodeTable before = tab->graph().nodes();
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, &timer, [&ticks] { ++ticks; });
    timer.start(1);

    window.action(QStringLiteral("actionLayoutForceDirected"))->trigger();

    QVERIFY2(ticks > 0, "the window's thread was blocked");
    QVERIFY(tab->graph().nodes() != before);
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Layout force-directed appliqué"));
}

// Cancelling the progress dialog while the layout runs leaves every node where it was.
void TstLayouts::windowLayoutCancelLeavesPositions()
{
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    Tab *tab = clusteredTab(window);
    const Graph::NodeTable before = tab->graph().nodes();
    QTimer::singleShot(0, &window, [&window] {
        auto *progress = window.findChild<QProgressDialog *>();
        QVERIFY(progress);
        progress->cancel();
    });

    window.action(QStringLiteral("actionLayoutForceDirected"))->trigger();

    QCOMPARE(tab->graph().nodes(), before);
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Layout annulé"));
}

// The tab is closed while its layout runs: the result has nowhere to go.
void TstLayouts::windowLayoutOfAClosedTabIsDropped()
{
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    window.addNewTab();
    window.findChild<QTabWidget *>()->setCurrentIndex(0);
    clusteredTab(window);
    QTimer::singleShot(0, &window, [&window] { window.closeTab(0); });

    window.action(QStringLiteral("actionLayoutForceDirected"))->trigger();

    QCOMPARE(window.tabCount(), 1);
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Layout annulé"));
}

void TstLayouts::timelinePlacesDatedNodes()
{
    Graph graph = makeGraph({QStringLiteral("n1"), QStringLiteral("n2"), QStringLiteral("n3"),
                             QStringLiteral("n4")},
                            {});
    setPos(graph, QStringLiteral("n4"), QPointF(7, 7));
    QCOMPARE(Layouts::timeline(graph).found, false);
    QCOMPARE(posOf(graph, QStringLiteral("n1")), QPointF(0, 0));

    const QDateTime jan1(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
    const QList<QPair<QString, int>> starts = {
        {QStringLiteral("n1"), 0}, {QStringLiteral("n2"), 10}, {QStringLiteral("n3"), 1}};
    for (const auto &[id, day] : starts) {
        Node node = graph.node(id);
        node.validity.start = jan1.addDays(day);
        graph.replaceNode(node);
    }
    const Layouts::TimelinePlacement plan = Layouts::timeline(graph);

    QVERIFY(plan.found);
    QCOMPARE(plan.earliest, jan1);
    QCOMPARE(plan.latest, jan1.addDays(10));
    // Mean start 11/3 days after the earliest, at 40 units per day on the axis at -80.
    QVERIFY(near(plan.viewCentre, QPointF(146.66666666666666, -80), 1e-9));
    // n3 is a day (40 units) after n1: too close for the same row.
    QCOMPARE(posOf(graph, QStringLiteral("n1")), QPointF(0, 20));
    QCOMPARE(posOf(graph, QStringLiteral("n3")), QPointF(40, 120));
    QCOMPARE(posOf(graph, QStringLiteral("n2")), QPointF(400, 20));
    QCOMPARE(posOf(graph, QStringLiteral("n4")), QPointF(7, 7));

    // Labels 10 units a character: n2, 400 to the right, would run into the 30-character label
    // of n1 (half width 150) with a 60-character label of its own; it goes under n3, whose
    // unlabelled node leaves room.
    for (const auto &[id, length] : {QPair<QString, int>{QStringLiteral("n1"), 30},
                                     QPair<QString, int>{QStringLiteral("n2"), 60}}) {
        Node node = graph.node(id);
        node.label = QString(length, QLatin1Char('x'));
        graph.replaceNode(node);
    }
    Layouts::timeline(graph, tenPerCharacter);
    QCOMPARE(posOf(graph, QStringLiteral("n1")), QPointF(0, 20));
    QCOMPARE(posOf(graph, QStringLiteral("n3")), QPointF(40, 120));
    QCOMPARE(posOf(graph, QStringLiteral("n2")), QPointF(400, 120));
}

void TstLayouts::layoutMenuRunsLayouts()
{
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    Tab *tab = window.currentTab();
    QMenu *layouts = window.menu(QStringLiteral("menuLayout"));
    QVERIFY(layouts);
    QStringList texts;
    for (QAction *action : layouts->actions())
        texts.append(action->text());
    QCOMPARE(texts, (QStringList{QStringLiteral("Grille"), QStringLiteral("Zigzag"),
                                 QStringLiteral("Cercle"), QStringLiteral("Aléatoire"),
                                 QStringLiteral("Radial (par niveaux)"),
                                 QStringLiteral("Composantes connectées"),
                                 QStringLiteral("Force dirigée (rapide)"),
                                 QStringLiteral("Force dirigée (compacte)"),
                                 QStringLiteral("Force dirigée (aérée)"),
                                 QStringLiteral("Clusters par type (+relax)")}));
    QVERIFY(!layouts->isEnabled());

    // The tab's tables get nodes; the submenu follows the action states.
    tab->document->load(mixedGraph(), {}, tab->dbPath());
    window.refreshTab(tab);
    QVERIFY(layouts->isEnabled());

    const struct
    {
        const char *action;
        const char *message;
    } runs[] = {{"actionLayoutGrid", "Layout grille appliqué"},
                {"actionLayoutCircle", "Layout cercle appliqué"},
                {"actionLayoutRandom", "Layout aléatoire appliqué"},
                {"actionLayoutRadial", "Layout radial appliqué"},
                {"actionLayoutComponents", "Layout par composantes appliqué"},
                {"actionLayoutForceDirected", "Layout force-directed appliqué"},
                {"actionLayoutForceCompact", "Layout force (compact) appliqué"},
                {"actionLayoutForceSpaced", "Layout force (spacé) appliqué"},
                {"actionLayoutClusterByType", "Layout par clusters (type) appliqué"}};
    for (const auto &run : runs) {
        window.statusBar()->clearMessage();
        const Graph::NodeTable before = tab->graph().nodes();
        window.action(QLatin1String(run.action))->trigger();
        QCOMPARE(window.statusBar()->currentMessage(), QString::fromUtf8(run.message));
        QVERIFY2(tab->graph().nodes() != before, run.action);
    }

    // The zigzag says nothing.
    window.statusBar()->clearMessage();
    const Graph::NodeTable before = tab->graph().nodes();
    window.action(QStringLiteral("actionLayoutZigzag"))->trigger();
    QVERIFY(tab->graph().nodes() != before);
    QCOMPARE(window.statusBar()->currentMessage(), QString());
}

QTEST_MAIN(TstLayouts)
#include "tst_layouts.moc"
