#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/labelitem.h"
#include "canvas/nodeitem.h"
#include "testgraphs.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QTest>
#include <QWheelEvent>

using namespace TestGraphs;

namespace {

bool near(const QPointF &a, const QPointF &b, double tolerance = 1e-6)
{
    return QLineF(a, b).length() <= tolerance;
}

} // namespace

class TstCanvasGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void nodeBoundingRect_data();
    void nodeBoundingRect();
    void longLabelsAreWrappedThenElided();
    void endPointsSitOnNodeBorders_data();
    void endPointsSitOnNodeBorders();
    void curveOffsetsFollowTheLanes_data();
    void curveOffsetsFollowTheLanes();
    void rebuildAssignsLanesPerPair();
    void relationLabelKeepsOffItsLine_data();
    void relationLabelKeepsOffItsLine();
    void arrowHeadPoints();
    void effectiveColor_data();
    void effectiveColor();
    void effectiveWidth_data();
    void effectiveWidth();
    void separationIsClamped();
    void zoomStaysWithinBounds();
    void wheelWithPixelDeltaZooms();

private:
    Graph m_graph;
};

void TstCanvasGeometry::cleanup()
{
    EdgeItem::setEdgeSeparation(0.25);
    m_graph.clear();
}

void TstCanvasGeometry::nodeBoundingRect_data()
{
    QTest::addColumn<double>("size");
    QTest::addColumn<bool>("group");
    QTest::addColumn<bool>("expanded");
    QTest::addColumn<QRectF>("expected");
    const double band = 6 + QFontMetricsF([] {
                                QFont font;
                                font.setPointSizeF(8.5);
                                return font;
                            }())
                                .height();
    QTest::newRow("size 0") << 0.0 << false << false << QRectF(-3.5, -3.5, 24, 7);
    QTest::newRow("plain") << 1.0 << false << false << QRectF(-28.5, -28.5, 74, 57);
    QTest::newRow("collapsed group") << 1.0 << true << false << QRectF(-28.5, -28.5, 74, 74);
    QTest::newRow("expanded group")
        << 1.0 << true << true << QRectF(-36.5, -36.5 - band, 73 + 17, 73 + band + 17);
}

void TstCanvasGeometry::nodeBoundingRect()
{
    QFETCH(double, size);
    QFETCH(bool, group);
    QFETCH(bool, expanded);
    QFETCH(QRectF, expected);
    Node node = makeNode(QStringLiteral("n"), QPointF(), size);
    node.label = QStringLiteral("Nœud");
    node.isGroup = group;
    node.expanded = expanded;
    NodeItem item(node);
    const QRectF rect = item.boundingRect();
    QVERIFY2(qFuzzyCompare(rect.x(), expected.x()) && qFuzzyCompare(rect.y(), expected.y())
                 && qFuzzyCompare(rect.width(), expected.width())
                 && qFuzzyCompare(rect.height(), expected.height()),
             qPrintable(QStringLiteral("%1 %2 %3 %4")
                            .arg(rect.x())
                            .arg(rect.y())
                            .arg(rect.width())
                            .arg(rect.height())));
    // The label sits 4 units under the node's border.
    QCOMPARE(item.labelItem()->pos().y(), item.radius() + 4);
}

// A long label is drawn on two lines at most, centred under its node; the record and the
// tool tip keep it whole.
void TstCanvasGeometry::longLabelsAreWrappedThenElided()
{
    Node node = makeNode(QStringLiteral("n"), QPointF(), 1.0);
    node.label = QStringLiteral("Infrastructure de commande et de contrôle ").repeated(8).trimmed();
    m_graph.insertNode(node);
    Node fits = makeNode(QStringLiteral("short"), QPointF(500, 0), 1.0);
    fits.label = QStringLiteral("Serveur C2");
    m_graph.insertNode(fits);
    GraphScene scene;
    scene.setGraph(&m_graph);
    scene.rebuild();
    const NodeItem *item = scene.nodeItem(QStringLiteral("n"));
    QVERIFY(item);
    const QString shown = item->labelItem()->text();
    const QStringList lines = shown.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QVERIFY(node.label.startsWith(lines.at(0)));
    QVERIFY(lines.at(1).endsWith(QChar(0x2026)));
    const QFontMetricsF metrics(item->labelItem()->font());
    for (const QString &line : lines)
        QVERIFY2(metrics.horizontalAdvance(line) <= LabelItem::maximumLineWidth, qPrintable(line));
    const QRectF label = item->labelItem()->mapRectToParent(item->labelItem()->boundingRect());
    QVERIFY2(std::abs(label.center().x()) < 1.0, qPrintable(QString::number(label.center().x())));
    QVERIFY(item->toolTip().contains(node.label));
    QCOMPARE(item->node().label, node.label);
    QCOMPARE(m_graph.node(QStringLiteral("n")).label, node.label);

    // A label that fits, or a single word too long for a line, keeps to the rules too.
    QCOMPARE(scene.nodeItem(QStringLiteral("short"))->labelItem()->text(), fits.label);
    Node word = node;
    word.label = QStringLiteral("x").repeated(400);
    NodeItem wordItem(word);
    const QStringList wordLines = wordItem.labelItem()->text().split(QLatin1Char('\n'));
    QCOMPARE(wordLines.size(), 2);
    for (const QString &line : wordLines)
        QVERIFY(metrics.horizontalAdvance(line) <= LabelItem::maximumLineWidth);
}

void TstCanvasGeometry::endPointsSitOnNodeBorders_data()
{
    QTest::addColumn<double>("size");
    QTest::addColumn<int>("shape");
    QTest::addColumn<QPointF>("target");
    QTest::addColumn<QLineF>("expected");
    // Along (0.6, 0.8): a circle's outline is its radius 25 * size away from the centre.
    QTest::newRow("circle size 1") << 1.0 << int(NodeShape::Circle) << QPointF(300, 400)
                                   << QLineF(15, 20, 285, 380);
    QTest::newRow("circle size 2") << 2.0 << int(NodeShape::Circle) << QPointF(300, 400)
                                   << QLineF(30, 40, 270, 360);
    // The square's lower side (y = 25) is crossed first, 25 / 0.8 along the line.
    QTest::newRow("square") << 1.0 << int(NodeShape::Square) << QPointF(300, 400)
                            << QLineF(18.75, 25, 281.25, 375);
    // Straight across: the square's side and the triangle's base lie 25 away, the triangle's
    // apex (0, -25) is where the line leaves it upwards.
    QTest::newRow("square across") << 1.0 << int(NodeShape::Square) << QPointF(300, 0)
                                   << QLineF(25, 0, 275, 0);
    QTest::newRow("triangle up") << 1.0 << int(NodeShape::Triangle) << QPointF(0, -300)
                                 << QLineF(0, -25, 0, -275);
    QTest::newRow("size 0") << 0.0 << int(NodeShape::Circle) << QPointF(300, 400)
                            << QLineF(0, 0, 300, 400);
    QTest::newRow("coincident") << 1.0 << int(NodeShape::Circle) << QPointF(0, 0)
                                << QLineF(0, 0, 0, 0);
}

// Relations end on the outline of the shape drawn, so that the arrow head touches it.
void TstCanvasGeometry::endPointsSitOnNodeBorders()
{
    QFETCH(double, size);
    QFETCH(int, shape);
    QFETCH(QPointF, target);
    QFETCH(QLineF, expected);
    Node source = makeNode(QStringLiteral("a"), QPointF(0, 0), size);
    source.shape = NodeShape(shape);
    Node destination = makeNode(QStringLiteral("b"), target, size);
    destination.shape = NodeShape(shape);
    m_graph.insertNode(source);
    m_graph.insertNode(destination);
    m_graph.insertEdge(makeEdge(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("b")));
    GraphScene scene;
    scene.setGraph(&m_graph);
    scene.rebuild();
    const EdgeItem *edge = scene.edgeItems().value(0);
    QVERIFY(edge);
    QVERIFY2(near(edge->line().p1(), expected.p1()) && near(edge->line().p2(), expected.p2()),
             qPrintable(QStringLiteral("%1,%2 %3,%4")
                            .arg(edge->line().x1())
                            .arg(edge->line().y1())
                            .arg(edge->line().x2())
                            .arg(edge->line().y2())));

    // Moving an end moves the line with it.
    scene.nodeItem(QStringLiteral("b"))->setPos(target + QPointF(100, 0));
    QVERIFY(!near(edge->line().p2(), expected.p2()));
}

void TstCanvasGeometry::curveOffsetsFollowTheLanes_data()
{
    QTest::addColumn<int>("lane");
    QTest::addColumn<double>("offset");
    // Nodes 400 apart: the line is 350 long, 0.45 × 350 = 157.5 beats 50; width 1.8;
    // three relations: × 1.7; separation 0.25; lane 2 has the extra factor 1.25.
    QTest::newRow("lane -1") << -1 << -68.085;
    QTest::newRow("lane 0") << 0 << 0.0;
    QTest::newRow("lane 1") << 1 << 68.085;
    QTest::newRow("lane 2") << 2 << 170.2125;
}

void TstCanvasGeometry::curveOffsetsFollowTheLanes()
{
    QFETCH(int, lane);
    QFETCH(double, offset);
    NodeItem a(makeNode(QStringLiteral("a"), QPointF()));
    NodeItem b(makeNode(QStringLiteral("b"), QPointF()));
    b.setPos(400, 0);
    EdgeItem edge(&a, &b, makeEdge(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("b")));
    edge.setLane(lane, 3);
    QVERIFY(qAbs(edge.curveOffset() - offset) < 1e-6);
    // The control point lies on the left normal of the line (downwards here), at the offset.
    QVERIFY(near(edge.controlPoint(), QPointF(200, offset)));
    QVERIFY(near(edge.pointAt(0.5), QPointF(200, offset / 2)));
    QCOMPARE(edge.zValue(), lane * 0.001 - 1);
}

void TstCanvasGeometry::rebuildAssignsLanesPerPair()
{
    m_graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    m_graph.insertNode(makeNode(QStringLiteral("b"), QPointF(400, 0)));
    m_graph.insertNode(makeNode(QStringLiteral("c"), QPointF(0, 300)));
    m_graph.insertEdge(makeEdge(QStringLiteral("e1"), QStringLiteral("a"), QStringLiteral("b")));
    m_graph.insertEdge(makeEdge(QStringLiteral("e2"), QStringLiteral("a"), QStringLiteral("b")));
    m_graph.insertEdge(makeEdge(QStringLiteral("e3"), QStringLiteral("b"), QStringLiteral("a")));
    m_graph.insertEdge(makeEdge(QStringLiteral("e4"), QStringLiteral("c"), QStringLiteral("a")));
    GraphScene scene;
    scene.setGraph(&m_graph);
    scene.rebuild();
    QHash<QString, const EdgeItem *> byId;
    for (const EdgeItem *item : scene.edgeItems())
        byId.insert(item->edge().id, item);
    QCOMPARE(byId.size(), 4);
    QCOMPARE(byId.value(QStringLiteral("e1"))->laneIndex(), 1);
    QCOMPARE(byId.value(QStringLiteral("e2"))->laneIndex(), 2);
    QCOMPARE(byId.value(QStringLiteral("e3"))->laneIndex(), 1);
    for (const char *id : {"e1", "e2", "e3"})
        QCOMPARE(byId.value(QLatin1String(id))->laneCount(), 3);
    // b→a runs the other way, so the same lane bends to the other side.
    QVERIFY(byId.value(QStringLiteral("e1"))->pointAt(0.5).y() > 0);
    QVERIFY(byId.value(QStringLiteral("e3"))->pointAt(0.5).y() < 0);
    QCOMPARE(byId.value(QStringLiteral("e2"))->zValue(), 2 * 0.001 - 1);

    const EdgeItem *single = byId.value(QStringLiteral("e4"));
    QCOMPARE(single->laneCount(), 1);
    QVERIFY(!single->isCurved());
    QCOMPARE(single->centreLine().elementCount(), 2);
}

void TstCanvasGeometry::relationLabelKeepsOffItsLine_data()
{
    QTest::addColumn<QPointF>("target");
    QTest::addColumn<double>("scale");
    for (const double scale : {0.5, 1.0, 4.0}) {
        QTest::addRow("across, x%g", scale) << QPointF(400, 0) << scale;
        QTest::addRow("down, x%g", scale) << QPointF(0, 400) << scale;
        QTest::addRow("slanted, x%g", scale) << QPointF(300, 200) << scale;
    }
}

void TstCanvasGeometry::relationLabelKeepsOffItsLine()
{
    QFETCH(QPointF, target);
    QFETCH(double, scale);
    m_graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    m_graph.insertNode(makeNode(QStringLiteral("b"), target));
    Edge edge = makeEdge(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("b"));
    edge.label = QStringLiteral("résout (secondaire)");
    m_graph.insertEdge(edge);
    GraphScene scene;
    scene.setGraph(&m_graph);
    GraphView view(&scene);
    view.scale(scale, scale);
    scene.rebuild();
    const EdgeItem *item = scene.edgeItems().value(0);
    QVERIFY(item && item->labelShown());
    const QRectF label = item->labelSceneRect();
    for (int i = 0; i <= 100; ++i)
        QVERIFY2(!label.contains(item->mapToScene(item->pointAt(i / 100.0))),
                 qPrintable(QString::number(i)));
    // Far out, a label beside a level line keeps 8 pixels from it, more than it needs then.
    const QPointF middle = item->mapToScene(item->pointAt(0.5));
    if (scale < 1 && target.y() == 0)
        QVERIFY(std::abs(QLineF(middle, label.center()).length() - 8 / scale) < 1e-6);
}

void TstCanvasGeometry::arrowHeadPoints()
{
    const QPolygonF atEnd = EdgeItem::arrowHead(QPointF(100, 0), QPointF(1, 0), true);
    const double back = 98 - 12 * std::cos(M_PI / 6);
    QCOMPARE(atEnd.size(), 3);
    QVERIFY(near(atEnd.at(0), QPointF(98, 0)));
    QVERIFY(near(atEnd.at(1), QPointF(back, 6)) || near(atEnd.at(1), QPointF(back, -6)));
    QVERIFY(near(atEnd.at(1) + atEnd.at(2), QPointF(2 * back, 0)));

    const QPolygonF atStart = EdgeItem::arrowHead(QPointF(0, 0), QPointF(0, 1), false);
    QVERIFY(near(atStart.at(0), QPointF(0, 2)));
    QVERIFY(near(atStart.at(1) + atStart.at(2), QPointF(0, 2 * (2 + 12 * std::cos(M_PI / 6)))));
}

void TstCanvasGeometry::effectiveColor_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QVariant>("property");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("own colour") << QColor(Qt::blue) << QVariant(QStringLiteral("green"))
                                << QColor(Qt::blue);
    QTest::newRow("property name") << QColor() << QVariant(QStringLiteral("  green "))
                                   << QColor(0, 128, 0);
    QTest::newRow("property hex") << QColor() << QVariant(QStringLiteral("#00ff00"))
                                  << QColor(0, 255, 0);
    QTest::newRow("invalid property") << QColor() << QVariant(QStringLiteral("vert pomme"))
                                      << QColor(Qt::red);
    QTest::newRow("nothing") << QColor() << QVariant() << QColor(Qt::red);
}

void TstCanvasGeometry::effectiveColor()
{
    QFETCH(QColor, color);
    QFETCH(QVariant, property);
    QFETCH(QColor, expected);
    Edge edge = makeEdge(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("b"));
    edge.color = color;
    if (property.isValid())
        edge.properties.insert(QStringLiteral("color"), property);
    EdgeItem item(nullptr, nullptr, edge);
    QCOMPARE(item.effectiveColor(), expected);
}

void TstCanvasGeometry::effectiveWidth_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<QVariant>("property");
    QTest::addColumn<double>("expected");
    QTest::newRow("own width") << 3.0 << QVariant(7) << 3.0;
    QTest::newRow("too wide") << 20.0 << QVariant() << 12.0;
    QTest::newRow("too thin") << 0.1 << QVariant() << 0.5;
    QTest::newRow("property") << 0.0 << QVariant(QStringLiteral("4")) << 4.0;
    QTest::newRow("property too wide") << -1.0 << QVariant(40) << 12.0;
    QTest::newRow("negative property") << 0.0 << QVariant(-2) << 1.8;
    QTest::newRow("nothing") << 0.0 << QVariant() << 1.8;
}

void TstCanvasGeometry::effectiveWidth()
{
    QFETCH(double, width);
    QFETCH(QVariant, property);
    QFETCH(double, expected);
    Edge edge = makeEdge(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("b"));
    edge.width = width;
    if (property.isValid())
        edge.properties.insert(QStringLiteral("width"), property);
    EdgeItem item(nullptr, nullptr, edge);
    QCOMPARE(item.effectiveWidth(), expected);
}

void TstCanvasGeometry::separationIsClamped()
{
    EdgeItem::setEdgeSeparation(0.025);
    QCOMPARE(EdgeItem::edgeSeparation(), 0.2);
    EdgeItem::setEdgeSeparation(10);
    QCOMPARE(EdgeItem::edgeSeparation(), 3.0);
    EdgeItem::setEdgeSeparation(0.5);
    QCOMPARE(EdgeItem::edgeSeparation(), 0.5);
}

void TstCanvasGeometry::zoomStaysWithinBounds()
{
    GraphScene scene;
    GraphView view(&scene);
    for (int i = 0; i < 100; ++i)
        view.zoomBySteps(1);
    QCOMPARE(view.transform().m11(), 50.0);
    view.zoomBySteps(1);
    QCOMPARE(view.transform().m11(), 50.0);
    view.zoomBySteps(-400);
    QCOMPARE(view.transform().m11(), 0.05);
    QCOMPARE(view.transform().m22(), 0.05);
}

void TstCanvasGeometry::wheelWithPixelDeltaZooms()
{
    GraphScene scene;
    GraphView view(&scene);
    view.resize(300, 200);
    const QPointF centre(150, 100);
    QWheelEvent event(centre, view.viewport()->mapToGlobal(centre), QPoint(0, 60), QPoint(0, 0),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &event);
    QVERIFY(qAbs(view.transform().m11() - std::pow(1.15, 0.5)) < 1e-9);
    QVERIFY(event.isAccepted());
}

QTEST_MAIN(TstCanvasGeometry)
#include "tst_canvasgeometry.moc"
