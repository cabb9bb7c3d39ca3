// Renders small scenes offscreen and checks what the analyst would see at given points.
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/labelitem.h"
#include "canvas/nodeitem.h"
#include "document/graphdocument.h"
#include "testgraphs.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <cmath>

namespace {

const QColor fillColor(0x33, 0x66, 0xcc);

// Filled nodes without labels and thick black relations, so that sampled pixels tell them apart.
Node makeNode(const QString &id, QPointF pos, double size = 1.0)
{
    Node node = TestGraphs::makeNode(id, pos, size);
    node.color = fillColor;
    node.showLabel = false;
    return node;
}

Edge makeEdge(const QString &id, const QString &src, const QString &dst)
{
    Edge edge = TestGraphs::makeEdge(id, src, dst);
    edge.color = Qt::black;
    edge.width = 2;
    return edge;
}

MediaRecord media()
{
    MediaRecord record;
    record.name = QStringLiteral("note");
    record.file = QStringLiteral("/tmp/note.txt");
    return record;
}

bool close(const QColor &a, const QColor &b, int tolerance = 40)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green())
               + std::abs(a.blue() - b.blue())
        <= tolerance;
}

QString describe(const QColor &color)
{
    return QStringLiteral("rgb(%1, %2, %3)").arg(color.red()).arg(color.green()).arg(color.blue());
}

// The scene area around the origin rendered at the given scale onto white.
class Picture
{
public:
    Picture(GraphScene &scene, const QRectF &area, double scale = 1.0)
        : m_area(area), m_scale(scale),
          m_image((area.size() * scale).toSize(), QImage::Format_ARGB32)
    {
        m_image.fill(Qt::white);
        QPainter painter(&m_image);
        painter.setRenderHint(QPainter::Antialiasing);
        scene.render(&painter, QRectF(m_image.rect()), area);
    }

    QColor at(const QPointF &scenePoint) const
    {
        const QPointF p = (scenePoint - m_area.topLeft()) * m_scale;
        return m_image.pixelColor(int(std::floor(p.x())), int(std::floor(p.y())));
    }

    // Pixels close to the colour within a square of the scene centred on a point.
    int count(const QColor &color, const QPointF &centre, double half) const
    {
        int found = 0;
        for (double y = centre.y() - half; y < centre.y() + half; y += 1 / m_scale) {
            for (double x = centre.x() - half; x < centre.x() + half; x += 1 / m_scale) {
                if (close(at(QPointF(x, y)), color))
                    ++found;
            }
        }
        return found;
    }

    bool isWhite(const QPointF &scenePoint) const { return close(at(scenePoint), Qt::white, 6); }
    // Pixels that are not white within a square of the scene centred on a point.
    int inked(const QPointF &centre, double half) const
    {
        int found = 0;
        for (double y = centre.y() - half; y < centre.y() + half; y += 1 / m_scale) {
            for (double x = centre.x() - half; x < centre.x() + half; x += 1 / m_scale)
                found += isWhite(QPointF(x, y)) ? 0 : 1;
        }
        return found;
    }
    const QImage &image() const { return m_image; }

private:
    QRectF m_area;
    double m_scale;
    QImage m_image;
};

} // namespace

class TstCanvasRender : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void nodeBody_data();
    void nodeBody();
    void hypothesisNodeIsDashedAndTinted();
    void hypothesisRelationHasAHalo();
    void arrowHeads_data();
    void arrowHeads();
    void expandedGroupShowsItsTag();
    void mediaBadges_data();
    void mediaBadges();
    void farZoomSkipsBadgesAndArrowHeads();
    void farZoomDrawsRelationsTogether_data();
    void farZoomDrawsRelationsTogether();
    void editsKeepFiltersAndSelection_data();
    void editsKeepFiltersAndSelection();
    void editsShowOnTheSameItems();
    void gridNeedsAStepOfTwo();
    void missingPicture_data();
    void missingPicture();
    void mapAndShapeLieUnderTheNodes();

private:
    GraphScene *show();
    // The scene of a document holding the graph and the pictures and shapes.
    GraphScene *showDocument(const SceneRecords &records);

    std::unique_ptr<GraphDocument> m_document;

    QTemporaryDir m_dir;
    QString m_picture;
    Graph m_graph;
    std::unique_ptr<GraphScene> m_scene;
};

void TstCanvasRender::initTestCase()
{
    QImage red(64, 48, QImage::Format_RGB32);
    red.fill(Qt::red);
    m_picture = m_dir.filePath(QStringLiteral("red.png"));
    QVERIFY(red.save(m_picture));
}

void TstCanvasRender::cleanup()
{
    m_scene.reset();
    m_document.reset();
    m_graph.clear();
}

GraphScene *TstCanvasRender::show()
{
    m_scene = std::make_unique<GraphScene>();
    m_scene->setGraph(&m_graph);
    m_scene->rebuild();
    return m_scene.get();
}

GraphScene *TstCanvasRender::showDocument(const SceneRecords &records)
{
    m_document = std::make_unique<GraphDocument>();
    m_document->load(m_graph, records, QString());
    m_scene = std::make_unique<GraphScene>();
    m_scene->setDocument(m_document.get());
    m_scene->rebuild();
    return m_scene.get();
}

void TstCanvasRender::nodeBody_data()
{
    QTest::addColumn<NodeShape>("shape");
    QTest::addColumn<bool>("picture");
    QTest::addColumn<QPointF>("probe");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("filled circle") << NodeShape::Circle << false << QPointF(0, 0) << fillColor;
    QTest::newRow("hexagon") << NodeShape::Hexagon << false << QPointF(0, 18) << fillColor;
    QTest::newRow("picture in circle") << NodeShape::Circle << true << QPointF(0, 0)
                                       << QColor(Qt::red);
    QTest::newRow("circle clips picture corner")
        << NodeShape::Circle << true << QPointF(-21, -21) << QColor(Qt::white);
    QTest::newRow("square keeps picture corner")
        << NodeShape::Square << true << QPointF(-21, -21) << QColor(Qt::red);
    QTest::newRow("triangle ignores picture") << NodeShape::Triangle << true << QPointF(0, 12)
                                              << fillColor;
}

void TstCanvasRender::nodeBody()
{
    QFETCH(NodeShape, shape);
    QFETCH(bool, picture);
    QFETCH(QPointF, probe);
    QFETCH(QColor, expected);
    Node node = makeNode(QStringLiteral("n"), QPointF());
    node.shape = shape;
    if (picture)
        node.mediaPath = m_picture;
    m_graph.insertNode(node);
    const Picture image(*show(), QRectF(-50, -50, 100, 100));
    QVERIFY2(close(image.at(probe), expected), qPrintable(describe(image.at(probe))));
}

void TstCanvasRender::hypothesisNodeIsDashedAndTinted()
{
    Node firm = makeNode(QStringLiteral("firm"), QPointF(0, 0), 2);
    firm.color = Qt::white;
    Node guess = makeNode(QStringLiteral("guess"), QPointF(200, 0), 2);
    guess.color = Qt::white;
    guess.hypothesis = true;
    m_graph.insertNode(firm);
    m_graph.insertNode(guess);
    const Picture image(*show(), QRectF(-100, -100, 400, 200));

    // Dark pixels along each outline: the hypothesis' dashes leave gaps.
    auto darkOnOutline = [&](const QPointF &centre) {
        int dark = 0;
        for (int degree = 0; degree < 360; ++degree) {
            const double angle = degree * M_PI / 180;
            if (image.at(centre + 50 * QPointF(std::cos(angle), std::sin(angle))).lightness() < 160)
                ++dark;
        }
        return dark;
    };
    const int solid = darkOnOutline(QPointF(0, 0));
    const int dashed = darkOnOutline(QPointF(200, 0));
    QVERIFY2(solid > 300, qPrintable(QString::number(solid)));
    QVERIFY2(dashed < solid * 0.8 && dashed > 60, qPrintable(QString::number(dashed)));

    // The pale blue tint reaches past the outline.
    const QColor tint = image.at(QPointF(252.5, 0.5));
    QVERIFY2(tint.blue() - tint.red() > 25, qPrintable(describe(tint)));
    QVERIFY(image.isWhite(QPointF(52.5, 0.5)));
}

void TstCanvasRender::hypothesisRelationHasAHalo()
{
    m_graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    m_graph.insertNode(makeNode(QStringLiteral("b"), QPointF(300, 0)));
    m_graph.insertNode(makeNode(QStringLiteral("c"), QPointF(0, 200)));
    m_graph.insertNode(makeNode(QStringLiteral("d"), QPointF(300, 200)));
    Edge guess = makeEdge(QStringLiteral("guess"), QStringLiteral("a"), QStringLiteral("b"));
    guess.hypothesis = true;
    m_graph.insertEdge(guess);
    m_graph.insertEdge(makeEdge(QStringLiteral("firm"), QStringLiteral("c"), QStringLiteral("d")));
    const Picture image(*show(), QRectF(-50, -50, 400, 300));
    const QColor halo = image.at(QPointF(150, 6));
    QVERIFY2(halo.blue() - halo.red() > 25, qPrintable(describe(halo)));
    QVERIFY(image.isWhite(QPointF(150, 12)));
    QVERIFY(image.isWhite(QPointF(150, 206)));
    QVERIFY(close(image.at(QPointF(150, 200.5)), Qt::black, 60));

    // 18 pixels at twice the size too.
    const Picture closer(*m_scene, QRectF(-50, -50, 400, 300), 2.0);
    QVERIFY(!closer.isWhite(QPointF(150, 4)));
    QVERIFY(closer.isWhite(QPointF(150, 5)));
    // Far out it narrows: 18 pixels would be wider than the nodes it joins.
    const Picture far(*m_scene, QRectF(-50, -50, 400, 300), 0.1);
    QVERIFY(!far.isWhite(QPointF(150, 0)));
    QVERIFY(far.isWhite(QPointF(150, 40)));
}

void TstCanvasRender::arrowHeads_data()
{
    QTest::addColumn<EdgeDirection>("direction");
    QTest::addColumn<bool>("atTarget");
    QTest::addColumn<bool>("atSource");
    QTest::addColumn<bool>("dashed");
    QTest::newRow("directed") << EdgeDirection::Directed << true << false << false;
    QTest::newRow("inverse") << EdgeDirection::DirectedInverse << false << true << false;
    QTest::newRow("undirected") << EdgeDirection::Undirected << true << true << false;
    QTest::newRow("none") << EdgeDirection::None << false << false << true;
}

void TstCanvasRender::arrowHeads()
{
    QFETCH(EdgeDirection, direction);
    QFETCH(bool, atTarget);
    QFETCH(bool, atSource);
    QFETCH(bool, dashed);
    m_graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    m_graph.insertNode(makeNode(QStringLiteral("b"), QPointF(300, 0)));
    Edge edge = makeEdge(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("b"));
    edge.direction = direction;
    m_graph.insertEdge(edge);
    const Picture image(*show(), QRectF(-50, -50, 400, 100));

    // The line runs from outline to outline, x 25 to 275; an arrowhead spans 12 units back
    // from 2 inside, so 7 units from its tip it is more than 3 units wide on each side.
    QCOMPARE(!image.isWhite(QPointF(266, 3)), atTarget);
    QCOMPARE(!image.isWhite(QPointF(34, 3)), atSource);
    int ink = 0;
    int gaps = 0;
    for (int x = 70; x < 230; ++x)
        (image.isWhite(QPointF(x, 0)) ? gaps : ink)++;
    QVERIFY(ink > 50);
    QCOMPARE(gaps > 20, dashed);
}

void TstCanvasRender::expandedGroupShowsItsTag()
{
    Node group = makeNode(QStringLiteral("g"), QPointF(0, 0));
    group.color = Qt::white;
    group.isGroup = true;
    m_graph.insertNode(group);
    QFont font;
    font.setPointSizeF(8.5);
    const QFontMetricsF metrics(font);
    const double tagHeight = metrics.height() + 4;
    // Inside the tag's left padding, halfway up: no letter there.
    const QPointF probe(-(metrics.horizontalAdvance(QStringLiteral("ouvert")) + 10) / 2 + 2.5,
                        -2 - 33 - tagHeight / 2);

    const Picture collapsed(*show(), QRectF(-80, -80, 160, 160));
    QVERIFY(collapsed.isWhite(probe));

    group.expanded = true;
    m_graph.replaceNode(group);
    const Picture expanded(*show(), QRectF(-80, -80, 160, 160));
    QVERIFY2(close(expanded.at(probe), QColor(111, 210, 255)),
             qPrintable(describe(expanded.at(probe))));
    // The pale ring around the expanded group.
    const QColor ring = expanded.at(QPointF(30.5, 0.5));
    QVERIFY2(ring.blue() - ring.red() > 25, qPrintable(describe(ring)));
}

void TstCanvasRender::mediaBadges_data()
{
    QTest::addColumn<bool>("group");
    QTest::addColumn<bool>("ownMedia");
    QTest::addColumn<bool>("memberMedia");
    QTest::addColumn<QColor>("topRight");
    QTest::addColumn<QColor>("bottomRight");
    const QColor none;
    QTest::newRow("node with media") << false << true << false << QColor(66, 133, 244) << none;
    QTest::newRow("node without media") << false << false << false << none << none;
    QTest::newRow("group with media") << true << true << false << QColor(255, 140, 0) << none;
    QTest::newRow("group whose member has media")
        << true << false << true << none << QColor(76, 175, 80);
}

void TstCanvasRender::mediaBadges()
{
    QFETCH(bool, group);
    QFETCH(bool, ownMedia);
    QFETCH(bool, memberMedia);
    QFETCH(QColor, topRight);
    QFETCH(QColor, bottomRight);
    Node node = makeNode(QStringLiteral("n"), QPointF(0, 0));
    node.color = Qt::white;
    node.isGroup = group;
    if (ownMedia)
        node.medias.append(media());
    if (group) {
        Node member = makeNode(QStringLiteral("m"), QPointF(500, 500));
        member.parentGroup = node.id;
        if (memberMedia)
            member.medias.append(media());
        node.groupMembers.append(member.id);
        m_graph.insertNode(member);
    }
    m_graph.insertNode(node);
    const Picture image(*show(), QRectF(-50, -50, 100, 100));
    const QList<QColor> badgeColors = {QColor(66, 133, 244), QColor(255, 140, 0),
                                       QColor(76, 175, 80)};
    const struct
    {
        QPointF centre;
        QColor expected;
    } corners[] = {{QPointF(22, -22), topRight}, {QPointF(22, 22), bottomRight}};
    for (const auto &corner : corners) {
        for (const QColor &color : badgeColors) {
            const int found = image.count(color, corner.centre, 7);
            if (color == corner.expected)
                QVERIFY2(found > 40, qPrintable(describe(color) + QString::number(found)));
            else
                QVERIFY2(found == 0, qPrintable(describe(color) + QString::number(found)));
        }
    }
}

void TstCanvasRender::farZoomSkipsBadgesAndArrowHeads()
{
    // Two drawings that differ only by labels, a badge and the end of the arrowhead: alike
    // from far away, where those would be specks, and different up close.
    auto draw = [this](bool details, double scale) {
        m_graph.clear();
        Node a = makeNode(QStringLiteral("a"), QPointF(0, 0));
        a.label = QStringLiteral("Serveur de commande");
        a.showLabel = details;
        if (details)
            a.medias.append(media());
        m_graph.insertNode(a);
        m_graph.insertNode(makeNode(QStringLiteral("b"), QPointF(600, 0)));
        Edge edge = makeEdge(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("b"));
        edge.direction = details ? EdgeDirection::Directed : EdgeDirection::DirectedInverse;
        edge.label = details ? QStringLiteral("héberge") : QString();
        m_graph.insertEdge(edge);
        return Picture(*show(), QRectF(-100, -100, 800, 200), scale).image();
    };
    QVERIFY(draw(true, 1.0) != draw(false, 1.0));
    QCOMPARE(draw(true, 0.1), draw(false, 0.1));
}

void TstCanvasRender::farZoomDrawsRelationsTogether_data()
{
    QTest::addColumn<QRectF>("area");
    QTest::newRow("whole graph") << QRectF(-200, -200, 1400, 1600);
    QTest::newRow("part of it") << QRectF(400, -200, 800, 1600);
}

// Far out the relations are drawn together: still in their colours, over the background
// pictures, and not when a filter hides them.
void TstCanvasRender::farZoomDrawsRelationsTogether()
{
    QFETCH(QRectF, area);
    const QColor red(200, 0, 0);
    const QColor green(0, 160, 0);
    const auto relation = [this](const QString &id, const QString &src, const QString &dst,
                                 const QColor &color) {
        m_graph.insertNode(makeNode(src, QPointF(0, m_graph.nodes().size() * 300.0)));
        m_graph.insertNode(makeNode(dst, QPointF(1000, (m_graph.nodes().size() - 1) * 300.0)));
        Edge edge = makeEdge(id, src, dst);
        edge.color = color;
        edge.width = 10;
        m_graph.insertEdge(edge);
        return edge;
    };
    relation(QStringLiteral("r"), QStringLiteral("a"), QStringLiteral("b"), red);
    Edge dashed = relation(QStringLiteral("g"), QStringLiteral("c"), QStringLiteral("d"), green);
    dashed.direction = EdgeDirection::None;
    m_graph.replaceEdge(dashed);
    Edge rumour = relation(QStringLiteral("h"), QStringLiteral("e"), QStringLiteral("f"), red);
    rumour.type = QStringLiteral("rumeur");
    m_graph.replaceEdge(rumour);
    SceneRecords records;
    MapRecord map;
    map.file = m_picture;
    map.pos = QPointF(400, 500);
    map.width = 200;
    map.height = 200;
    records.maps.append(map);
    GraphScene *scene = showDocument(records);
    scene->setRelationTypeHidden(QStringLiteral("rumeur"), true);

    const Picture far(*scene, area, 0.2);
    QVERIFY2(close(far.at(QPointF(700, 0)), red), qPrintable(describe(far.at(QPointF(700, 0)))));
    QVERIFY2(close(far.at(QPointF(700, 600)), green), qPrintable(describe(far.at(QPointF(700, 600)))));
    QVERIFY2(close(far.at(QPointF(500, 600)), green), qPrintable(describe(far.at(QPointF(500, 600)))));
    QVERIFY(far.isWhite(QPointF(700, 1200)));
    QVERIFY(far.isWhite(QPointF(700, 300)));
    // Up close each relation draws itself again, with its dashes.
    const Picture close(*scene, QRectF(600, 590, 200, 20), 1.0);
    int gaps = 0;
    for (int x = 610; x < 790; ++x)
        gaps += close.isWhite(QPointF(x, 600)) ? 1 : 0;
    QVERIFY(gaps > 20);
}

void TstCanvasRender::editsKeepFiltersAndSelection_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("moveAll");
    QTest::newRow("one node edited") << 12 << false;
    // Enough moved records for the scene to set its spatial index aside meanwhile.
    QTest::newRow("every node moved, as by a layout") << 2400 << true;
}

// Items touched by a change and items left alone keep the filters and the selection; moved
// nodes take their relations along.
void TstCanvasRender::editsKeepFiltersAndSelection()
{
    QFETCH(int, count);
    QFETCH(bool, moveAll);
    const auto id = [](int i) { return QStringLiteral("n%1").arg(i, 5, 10, QLatin1Char('0')); };
    for (int i = 0; i < count; ++i) {
        Node node = makeNode(id(i), QPointF(100.0 * (i % 50), 100.0 * (i / 50)));
        node.type = i % 3 == 0 ? QStringLiteral("Caché") : QStringLiteral("IP");
        m_graph.insertNode(node);
        if (i > 0)
            m_graph.insertEdge(makeEdge(QStringLiteral("e%1").arg(i), id(i - 1), id(i)));
    }
    GraphScene *scene = showDocument({});
    scene->setNodeTypeHidden(QStringLiteral("Caché"), true);
    scene->nodeItem(id(1))->setSelected(true);
    scene->nodeItem(id(4))->setSelected(true);

    m_document->edit(QStringLiteral("modifier"), [&](Graph &graph) {
        for (int i = 0; i < count; ++i) {
            if (!moveAll && i != 3 && i != 4)
                continue;
            Node node = graph.node(id(i));
            node.pos += QPointF(7, 1000);
            if (i == 4)
                node.label = QStringLiteral("renommé");
            graph.replaceNode(node);
        }
    });

    for (int i = 0; i < count; ++i) {
        const NodeItem *item = scene->nodeItem(id(i));
        QVERIFY(item);
        QCOMPARE(item->isVisible(), i % 3 != 0);
        QCOMPARE(item->pos(), m_graph.node(id(i)).pos + (moveAll || i == 3 || i == 4
                                                             ? QPointF(7, 1000)
                                                             : QPointF()));
    }
    QCOMPARE(scene->selectedNodeItems().size(), 2);
    QVERIFY(scene->nodeItem(id(1))->isSelected() && scene->nodeItem(id(4))->isSelected());
    QCOMPARE(scene->nodeItem(id(4))->labelItem()->text(), QStringLiteral("renommé"));
    // The relation from 4 to 5 starts on the border of 4 where it stands now, and one with a
    // hidden end is not drawn.
    const EdgeItem *joined = scene->edgeItem(QStringLiteral("e5"));
    QVERIFY(QLineF(joined->line().p1(), scene->nodeItem(id(4))->pos()).length() < 26);
    QVERIFY(!scene->edgeItem(QStringLiteral("e3"))->drawnInBatch());
    QVERIFY(scene->items(scene->nodeItem(id(4))->sceneBoundingRect()).contains(
        scene->nodeItem(id(4))));
}

// The items read their records from the document: an edit, its undo and its redo show on the
// items already drawn, without the scene making them anew.
void TstCanvasRender::editsShowOnTheSameItems()
{
    m_graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    m_graph.insertNode(makeNode(QStringLiteral("b"), QPointF(300, 0)));
    Edge edge = makeEdge(QStringLiteral("ab"), QStringLiteral("a"), QStringLiteral("b"));
    edge.label = QStringLiteral("avant");
    m_graph.insertEdge(edge);
    GraphScene *scene = showDocument({});
    NodeItem *node = scene->nodeItem(QStringLiteral("a"));
    EdgeItem *relation = scene->edgeItem(QStringLiteral("ab"));

    m_document->edit(QStringLiteral("modifier"), [](Graph &graph) {
        Node changed = graph.node(QStringLiteral("a"));
        changed.color = Qt::green;
        changed.label = QStringLiteral("Alpha");
        changed.showLabel = true;
        graph.replaceNode(changed);
        Edge recoloured = graph.edge(QStringLiteral("ab"));
        recoloured.color = Qt::magenta;
        recoloured.label = QStringLiteral("après");
        graph.replaceEdge(recoloured);
    });
    struct Expected
    {
        QColor fill;
        QString label;
        QColor line;
        QString relationLabel;
    };
    const Expected edited{Qt::green, QStringLiteral("Alpha"), Qt::magenta, QStringLiteral("après")};
    const Expected original{fillColor, QString(), Qt::black, QStringLiteral("avant")};
    for (const auto &[step, expected] :
         {std::pair{QStringLiteral("edit"), edited}, std::pair{QStringLiteral("undo"), original},
          std::pair{QStringLiteral("redo"), edited}}) {
        if (step == u"undo")
            m_document->undoStack()->undo();
        else if (step == u"redo")
            m_document->undoStack()->redo();
        QCOMPARE(scene->nodeItem(QStringLiteral("a")), node);
        QCOMPARE(scene->edgeItem(QStringLiteral("ab")), relation);
        const Picture image(*scene, QRectF(-50, -50, 400, 100));
        QVERIFY2(close(image.at(QPointF(0.5, 0.5)), expected.fill),
                 qPrintable(step + QLatin1Char(' ') + describe(image.at(QPointF(0.5, 0.5)))));
        QVERIFY2(image.count(expected.line, QPointF(150, 0), 3) > 0, qPrintable(step));
        QCOMPARE(node->labelItem()->isVisible(), !expected.label.isEmpty());
        if (!expected.label.isEmpty())
            QCOMPARE(node->labelItem()->text(), expected.label);
        QCOMPARE(relation->labelText(), expected.relationLabel);
        QCOMPARE(node->node().color, expected.fill);
        QCOMPARE(relation->edge().label, expected.relationLabel);
    }
}

void TstCanvasRender::gridNeedsAStepOfTwo()
{
    GraphScene *scene = show();
    scene->setGrid(true, 2, 1.0, Qt::black);
    const Picture drawn(*scene, QRectF(0, 0, 40, 40));
    QVERIFY(drawn.inked(QPointF(20, 20), 10) > 300);
    scene->setGrid(true, 1, 1.0, Qt::black);
    const Picture skipped(*scene, QRectF(0, 0, 40, 40));
    QCOMPARE(skipped.inked(QPointF(20, 20), 10), 0);
}

void TstCanvasRender::missingPicture_data()
{
    QTest::addColumn<bool>("anonymised");
    QTest::newRow("missing file") << false;
    QTest::newRow("anonymised") << true;
}

void TstCanvasRender::missingPicture()
{
    QFETCH(bool, anonymised);
    SceneRecords records;
    MapRecord map;
    // An anonymised picture that exists is hidden all the same.
    map.file = anonymised ? m_picture : m_dir.filePath(QStringLiteral("gone.png"));
    map.width = 200;
    map.height = 150;
    map.anonymize = anonymised;
    records.maps.append(map);
    const Picture picture(*showDocument(records), QRectF(0, 0, 200, 150));
    // The hatching covers the rectangle, and no red of the picture shows through it.
    QVERIFY(picture.count(QColor(Qt::lightGray), QPointF(100, 75), 70) > 500);
    QCOMPARE(picture.count(QColor(Qt::red), QPointF(100, 75), 70), 0);
    const int text = picture.count(QColor(Qt::black), QPointF(100, 75), 60);
    if (anonymised)
        QCOMPARE(text, 0);
    else
        QVERIFY2(text > 30, qPrintable(QString::number(text)));
}

void TstCanvasRender::mapAndShapeLieUnderTheNodes()
{
    m_graph.insertNode(makeNode(QStringLiteral("on-map"), QPointF(-50, 0)));
    m_graph.insertNode(makeNode(QStringLiteral("on-shape"), QPointF(70, 0)));
    SceneRecords records;
    MapRecord map;
    map.file = m_picture;
    map.pos = QPointF(-100, -60);
    map.width = 100;
    map.height = 120;
    records.maps.append(map);
    ShapeRecord shape;
    shape.pos = QPointF(20, -60);
    shape.rect = QRectF(0, 0, 100, 120);
    shape.fill = QColor(0, 160, 0);
    shape.penColor = QColor(0, 160, 0);
    records.shapes.append(shape);
    const Picture picture(*showDocument(records), QRectF(-120, -80, 260, 160));
    const QColor green(0, 160, 0);
    QVERIFY2(close(picture.at(QPointF(-90, -50)), Qt::red), qPrintable(describe(picture.at(QPointF(-90, -50)))));
    QVERIFY2(close(picture.at(QPointF(110, 50)), green), qPrintable(describe(picture.at(QPointF(110, 50)))));
    QVERIFY(close(picture.at(QPointF(-50, 0)), fillColor));
    QVERIFY(close(picture.at(QPointF(70, 0)), fillColor));
    QVERIFY(picture.isWhite(QPointF(0, 70)));
}

QTEST_MAIN(TstCanvasRender)
#include "tst_canvasrender.moc"
