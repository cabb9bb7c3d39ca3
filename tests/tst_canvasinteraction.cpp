// Drives the canvas of a main window with the mouse, as the analyst does.
#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/groupshapeitem.h"
#include "canvas/mapitem.h"
#include "canvas/nodeitem.h"
#include "scriptedprompter.h"
#include "testgraphs.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <QtMath>

using namespace TestGraphs;

namespace {

struct MenuEntry
{
    QString text;
    bool enabled = false;
    bool checked = false;
};

} // namespace

class TstCanvasInteraction : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void draggingMovesTheNodeInTheTable();
    void middleDragPansTheView();
    void anchoredNodeStaysPut();
    void selectionRaisesTheNode();
    void pressesCountPicks();
    void clickSelectsTheNearerParallelRelation();
    void farOutTheViewDrawsAndPicksTheGraph_data();
    void farOutTheViewDrawsAndPicksTheGraph();
    void rightClickOnEmptyCanvasShowsTheBackgroundMenu();
    void rightClickOnANodeShowsItsMenu();
    void anchoringFromTheMenuReachesTheTable();
    void embeddedMediaIsNotOpened();
    void separationMenuSpreadsParallelRelations();
    void gridDialogAppliesToTheScene();
    void actionStatesFollowTheScene();
    void selectActionsReachPicturesAndShapesInOneChange();
    void fullTurnOfTheRotationHandleTurnsTheMapBy72Degrees();
    void cornerDragResizesTheMapDownTo32();
    void draggingAMapIsOneUndoStep();
    void anchoredMapCannotMoveResizeOrTurn();
    void turningBy90TwiceGives180();
    void drawingAShape_data();
    void drawingAShape();
    void shapeMenuLocksAndDeletes();

private:
    void show(const Graph &graph);
    // A 200 × 100 background picture (its file is missing) at the origin.
    MapItem *showMap(bool anchored = false);
    const MapRecord &storedMap() const { return tab()->sceneRecords().maps.first(); }
    QPoint viewPoint(const QPointF &scenePos) const;
    void press(const QPointF &scenePos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void moveTo(const QPointF &scenePos);
    void release(const QPointF &scenePos);
    // Right-clicks at a scene position and answers the entries of the menu that opens; the
    // action named by trigger is chosen, otherwise the menu is closed.
    QList<MenuEntry> rightClick(const QPointF &scenePos, const QString &trigger = QString());
    Tab *tab() const { return m_window->currentTab(); }
    QWidget *viewport() const { return tab()->view->viewport(); }
    QColor shown(const QPointF &scenePos) const;
    // Whether the colour shows within a pixel of the point, as thin lines land.
    bool showsNear(const QColor &color, const QPointF &scenePos) const;

    ScriptedPrompter *m_prompter = nullptr;
    MainWindow *m_window = nullptr;
};

void TstCanvasInteraction::init()
{
    m_prompter = new ScriptedPrompter;
    m_window = new MainWindow(m_prompter);
    m_window->resize(1000, 700);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TstCanvasInteraction::cleanup()
{
    delete m_window;
    delete m_prompter;
    EdgeItem::setEdgeSeparation(0.25);
}

void TstCanvasInteraction::show(const Graph &graph)
{
    tab()->document->load(graph, {}, tab()->dbPath());
    m_window->refreshTab(tab());
    tab()->view->resetTransform();
    tab()->view->centerOn(0, 0);
}

MapItem *TstCanvasInteraction::showMap(bool anchored)
{
    SceneRecords records;
    MapRecord map;
    map.uuid = QStringLiteral("plan");
    map.file = QStringLiteral("/nonexistent/plan.png");
    map.width = 200;
    map.height = 100;
    map.anchored = anchored;
    records.maps.append(map);
    tab()->document->load(Graph(), records, tab()->dbPath());
    m_window->refreshTab(tab());
    tab()->view->resetTransform();
    tab()->view->centerOn(100, 50);
    return tab()->scene->mapItem(QStringLiteral("plan"));
}

QPoint TstCanvasInteraction::viewPoint(const QPointF &scenePos) const
{
    return tab()->view->mapFromScene(scenePos);
}

QColor TstCanvasInteraction::shown(const QPointF &scenePos) const
{
    return viewport()->grab().toImage().pixelColor(viewPoint(scenePos));
}

bool TstCanvasInteraction::showsNear(const QColor &color, const QPointF &scenePos) const
{
    const QImage image = viewport()->grab().toImage();
    const QPoint centre = viewPoint(scenePos);
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (image.pixelColor(centre + QPoint(dx, dy)) == color)
                return true;
        }
    }
    return false;
}

void TstCanvasInteraction::press(const QPointF &scenePos, Qt::KeyboardModifiers modifiers)
{
    QTest::mousePress(viewport(), Qt::LeftButton, modifiers, viewPoint(scenePos));
}

void TstCanvasInteraction::moveTo(const QPointF &scenePos)
{
    const QPoint p = viewPoint(scenePos);
    QMouseEvent event(QEvent::MouseMove, p, viewport()->mapToGlobal(p), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport(), &event);
}

void TstCanvasInteraction::release(const QPointF &scenePos)
{
    QTest::mouseRelease(viewport(), Qt::LeftButton, Qt::NoModifier, viewPoint(scenePos));
}

QList<MenuEntry> TstCanvasInteraction::rightClick(const QPointF &scenePos, const QString &trigger)
{
    QList<MenuEntry> entries;
    QTimer::singleShot(0, this, [&]() {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        QAction *chosen = nullptr;
        for (QAction *action : menu->actions()) {
            if (action->isSeparator())
                continue;
            entries.append({action->text(), action->isEnabled(), action->isChecked()});
            if (action->text() == trigger)
                chosen = action;
        }
        if (chosen)
            chosen->trigger();
        menu->close();
    });
    const QPoint p = viewPoint(scenePos);
    QContextMenuEvent event(QContextMenuEvent::Mouse, p, viewport()->mapToGlobal(p));
    QApplication::sendEvent(viewport(), &event);
    return entries;
}

void TstCanvasInteraction::draggingMovesTheNodeInTheTable()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    graph.insertNode(makeNode(QStringLiteral("b"), QPointF(300, 0)));
    graph.insertEdge(makeEdge(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("b")));
    show(graph);
    NodeItem *a = tab()->scene->nodeItem(QStringLiteral("a"));
    const EdgeItem *edge = tab()->scene->edgeItems().constFirst();
    const QPointF startBefore = edge->line().p1();

    press(QPointF(0, 0));
    moveTo(QPointF(20, 30));
    QVERIFY(tab()->scene->interactionActive());
    moveTo(QPointF(40, 60));
    release(QPointF(40, 60));

    QCOMPARE(a->pos(), QPointF(40, 60));
    QCOMPARE(tab()->graph().node(QStringLiteral("a")).pos, QPointF(40, 60));
    QCOMPARE(tab()->graph().node(QStringLiteral("b")).pos, QPointF(300, 0));
    QVERIFY(!tab()->scene->interactionActive());
    QVERIFY(edge->line().p1() != startBefore);

    // Dragged past the area the view scrolls over, the node can still be scrolled to.
    const QRectF before = tab()->scene->sceneRect();
    const QPointF far(before.left() - 40, 60);
    press(QPointF(40, 60));
    moveTo(far);
    release(far);
    QVERIFY(a->pos().x() < before.left());
    QVERIFY(tab()->scene->sceneRect().contains(a->sceneBoundingRect()));
}

void TstCanvasInteraction::middleDragPansTheView()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    graph.insertNode(makeNode(QStringLiteral("b"), QPointF(3000, 2000)));
    show(graph);
    const QPoint start = viewport()->rect().center();
    const QPointF grabbed = tab()->view->mapToScene(start);
    QTest::mousePress(viewport(), Qt::MiddleButton, Qt::NoModifier, start);
    QPoint at = start;
    for (const QPoint step : {QPoint(-30, -20), QPoint(-25, 0), QPoint(0, -15)}) {
        at += step;
        QMouseEvent event(QEvent::MouseMove, at, viewport()->mapToGlobal(at), Qt::NoButton,
                          Qt::MiddleButton, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &event);
    }
    QTest::mouseRelease(viewport(), Qt::MiddleButton, Qt::NoModifier, at);
    // What was under the pointer followed it.
    const QPointF under = tab()->view->mapToScene(at);
    QVERIFY2(QLineF(under, grabbed).length() < 1.5,
             qPrintable(QStringLiteral("%1,%2").arg(under.x()).arg(under.y())));
    QVERIFY(tab()->scene->selectedItems().isEmpty());
    QCOMPARE(tab()->graph().node(QStringLiteral("a")).pos, QPointF(0, 0));
}

void TstCanvasInteraction::anchoredNodeStaysPut()
{
    Graph graph;
    Node pinned = makeNode(QStringLiteral("a"), QPointF(10, 10));
    pinned.anchored = true;
    graph.insertNode(pinned);
    graph.insertNode(makeNode(QStringLiteral("b"), QPointF(300, 0)));
    show(graph);
    NodeItem *a = tab()->scene->nodeItem(QStringLiteral("a"));
    QVERIFY(a->isAnchored());

    press(QPointF(10, 10));
    moveTo(QPointF(60, 60));
    release(QPointF(60, 60));
    QCOMPARE(a->pos(), QPointF(10, 10));
    QCOMPARE(tab()->graph().node(QStringLiteral("a")).pos, QPointF(10, 10));
}

void TstCanvasInteraction::selectionRaisesTheNode()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    Node group = makeNode(QStringLiteral("g"), QPointF(300, 0));
    group.isGroup = true;
    group.expanded = true;
    graph.insertNode(group);
    show(graph);
    for (const auto &[id, base] : {std::pair{QStringLiteral("a"), 0.0},
                                   std::pair{QStringLiteral("g"), 999.0}}) {
        NodeItem *item = tab()->scene->nodeItem(id);
        QCOMPARE(item->zValue(), base);
        item->setSelected(true);
        QCOMPARE(item->zValue(), 1000.0);
        item->setSelected(false);
        QCOMPARE(item->zValue(), base);
    }
}

void TstCanvasInteraction::pressesCountPicks()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    graph.insertNode(makeNode(QStringLiteral("b"), QPointF(200, 0)));
    show(graph);
    const NodeItem *a = tab()->scene->nodeItem(QStringLiteral("a"));
    const NodeItem *b = tab()->scene->nodeItem(QStringLiteral("b"));
    const quint64 before = NodeItem::lastPickOrder();
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, viewPoint(QPointF(0, 0)));
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::ControlModifier, viewPoint(QPointF(200, 0)));
    QCOMPARE(a->pickOrder(), before + 1);
    QCOMPARE(b->pickOrder(), before + 2);
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::ControlModifier, viewPoint(QPointF(0, 0)));
    QCOMPARE(a->pickOrder(), before + 3);
    QCOMPARE(NodeItem::lastPickOrder(), before + 3);
}

void TstCanvasInteraction::clickSelectsTheNearerParallelRelation()
{
    EdgeItem::setEdgeSeparation(0.2);
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    graph.insertNode(makeNode(QStringLiteral("b"), QPointF(150, 0)));
    graph.insertNode(makeNode(QStringLiteral("c"), QPointF(0, 300)));
    graph.insertNode(makeNode(QStringLiteral("d"), QPointF(300, 300)));
    for (const char *id : {"e1", "e2"}) {
        Edge edge = makeEdge(QLatin1String(id), QStringLiteral("a"), QStringLiteral("b"));
        edge.width = 12;
        graph.insertEdge(edge);
    }
    graph.insertEdge(makeEdge(QStringLiteral("other"), QStringLiteral("c"), QStringLiteral("d")));
    show(graph);
    QHash<QString, EdgeItem *> byId;
    for (EdgeItem *item : tab()->scene->edgeItems())
        byId.insert(item->edge().id, item);
    EdgeItem *inner = byId.value(QStringLiteral("e1"));
    EdgeItem *outer = byId.value(QStringLiteral("e2"));
    QVERIFY(outer->zValue() > inner->zValue());

    // A pixel nearer the inner curve, yet inside the outer one's wider hit area, which lies
    // on top and so receives the press.
    const QPointF m1 = inner->pointAt(0.5);
    const QPointF m2 = outer->pointAt(0.5);
    QPointF click;
    bool found = false;
    for (int y = viewPoint(m1).y(); y <= viewPoint(m2).y() && !found; ++y) {
        click = tab()->view->mapToScene(QPoint(viewPoint(m1).x(), y));
        found = outer->shape().contains(click)
            && inner->distanceTo(click) < outer->distanceTo(click);
    }
    QVERIFY(found);

    byId.value(QStringLiteral("other"))->setSelected(true);
    press(click);
    release(click);
    QVERIFY(inner->isSelected());
    QVERIFY(!outer->isSelected());
    QVERIFY(!byId.value(QStringLiteral("other"))->isSelected());

    byId.value(QStringLiteral("other"))->setSelected(true);
    press(click, Qt::ControlModifier);
    release(click);
    QVERIFY(inner->isSelected());
    QVERIFY(byId.value(QStringLiteral("other"))->isSelected());
}

void TstCanvasInteraction::farOutTheViewDrawsAndPicksTheGraph_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("size");
    // Nodes a few pixels wide draw themselves; smaller ones are marks of their colour.
    QTest::newRow("nodes drawn whole") << 0.2 << 1.6;
    QTest::newRow("nodes as marks") << 0.05 << 1.4;
}

// Far out the view draws the graph as a whole, from a picture it keeps: nodes and relations
// still show in their colours, clicks still reach them, and what changes is drawn anew.
void TstCanvasInteraction::farOutTheViewDrawsAndPicksTheGraph()
{
    QFETCH(double, scale);
    QFETCH(double, size);
    const QColor red(220, 0, 0);
    const QColor green(0, 170, 0);
    const QColor blue(0, 0, 230);
    Graph graph;
    Node a = makeNode(QStringLiteral("a"), QPointF(0, 0), size);
    a.color = red;
    graph.insertNode(a);
    Node b = makeNode(QStringLiteral("b"), QPointF(4000, 0), size);
    b.color = green;
    graph.insertNode(b);
    Edge edge = makeEdge(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("b"));
    edge.color = blue;
    edge.width = 12;
    edge.direction = EdgeDirection::None;
    graph.insertEdge(edge);
    show(graph);
    GraphScene *scene = tab()->scene;
    tab()->view->scale(scale, scale);
    tab()->view->centerOn(2000, 500);
    QVERIFY(scene->overviewShown());

    QCOMPARE(shown(QPointF(0, 0)), red);
    QCOMPARE(shown(QPointF(4000, 0)), green);
    QVERIFY(showsNear(blue, QPointF(2000, 0)));
    const QColor background = shown(QPointF(2000, 1000));
    QVERIFY(background != blue);
    // Repainting an unchanged graph uses the picture already made.
    const int renders = scene->overviewRenders();
    viewport()->repaint();
    QCOMPARE(scene->overviewRenders(), renders);

    press(QPointF(4000, 0));
    release(QPointF(4000, 0));
    QVERIFY(scene->nodeItem(QStringLiteral("b"))->isSelected());
    press(QPointF(2000, 0));
    release(QPointF(2000, 0));
    QVERIFY(scene->edgeItems().constFirst()->isSelected());
    QVERIFY(!scene->nodeItem(QStringLiteral("b"))->isSelected());

    // A drag shows the node (selected, under its glow) and its relation where they go, and
    // nothing where they were.
    press(QPointF(0, 0));
    const QColor glowing = shown(QPointF(0, 0));
    QVERIFY(glowing != red && glowing.red() > 200);
    moveTo(QPointF(0, 500));
    moveTo(QPointF(0, 1000));
    QCOMPARE(shown(QPointF(0, 1000)), glowing);
    QCOMPARE(shown(QPointF(0, 0)), background);
    QVERIFY(showsNear(blue, QPointF(2000, 500)));
    release(QPointF(0, 1000));
    QCOMPARE(tab()->graph().node(QStringLiteral("a")).pos, QPointF(0, 1000));
    QCOMPARE(shown(QPointF(0, 1000)), glowing);
    QCOMPARE(shown(QPointF(0, 0)), background);
    QVERIFY(!showsNear(blue, QPointF(2000, 0)));

    // An edit of the document shows at once, and a hidden type hides its nodes.
    m_window->editTab(tab(), QStringLiteral("couleur"), [&](Graph &g) {
        Node changed = g.node(QStringLiteral("b"));
        changed.color = blue;
        g.replaceNode(changed);
    });
    QCOMPARE(shown(QPointF(4000, 0)), blue);
    scene->setNodeTypeHidden(graph.node(QStringLiteral("b")).type, true);
    QCOMPARE(shown(QPointF(4000, 0)), background);
    QVERIFY(!showsNear(blue, QPointF(2000, 500)));
}

void TstCanvasInteraction::rightClickOnEmptyCanvasShowsTheBackgroundMenu()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    graph.insertNode(makeNode(QStringLiteral("b"), QPointF(200, 0)));
    show(graph);
    QSignalSpy requests(tab()->scene, &GraphScene::backgroundContextMenuRequested);
    const QList<MenuEntry> entries = rightClick(QPointF(100, 150));
    QCOMPARE(requests.size(), 1);
    QStringList texts;
    for (const MenuEntry &entry : entries)
        texts.append(entry.text);
    QCOMPARE(texts, QStringList({QStringLiteral("Ajouter un nœud ici…"),
                                 QStringLiteral("Grouper la sélection"),
                                 QStringLiteral("Ajouter la sélection à un groupe…"),
                                 QStringLiteral("Lister les nœuds…"),
                                 QStringLiteral("Lister les relations…"),
                                 QStringLiteral("Lister les médias…"),
                                 QStringLiteral("Filtrer par types de nœuds"),
                                 QStringLiteral("Filtrer par types de relations"),
                                 QStringLiteral("Importer une image d'arrière-plan"),
                                 QStringLiteral("Grille d'arrière-plan"),
                                 QStringLiteral("Visualiser le centre"),
                                 QStringLiteral("Coller (CTRL+V)"),
                                 QStringLiteral("Dessiner une forme"),
                                 QStringLiteral("Réorganiser"),
                                 QStringLiteral("Timeline"),
                                 QStringLiteral("Créer relation(s) du premier cliqué vers les autres…"),
                                 QStringLiteral("Créer relation(s) du dernier cliqué → autres…"),
                                 QStringLiteral("Supprimer les nœuds sélectionnés"),
                                 QStringLiteral("Supprimer les relations sélectionnées"),
                                 QStringLiteral("Ajuster la vue (Fit)"),
                                 QStringLiteral("Séparation multi-liens")}));
    QVERIFY(!entries.at(1).enabled);

    // With two nodes selected, grouping is offered and works from the menu.
    tab()->scene->nodeItem(QStringLiteral("a"))->setSelected(true);
    tab()->scene->nodeItem(QStringLiteral("b"))->setSelected(true);
    m_prompter->dialogs << [](QDialog &) { return int(QDialog::Accepted); };
    const QList<MenuEntry> again = rightClick(QPointF(100, 150), QStringLiteral("Grouper la sélection"));
    QVERIFY(again.at(1).enabled);
    QCOMPARE(tab()->graph().nodes().size(), 3);
    QVERIFY(!tab()->scene->nodeItem(QStringLiteral("a")));
}

void TstCanvasInteraction::rightClickOnANodeShowsItsMenu()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    Node group = makeNode(QStringLiteral("g"), QPointF(300, 0));
    group.isGroup = true;
    graph.insertNode(group);
    show(graph);
    QSignalSpy requests(tab()->scene, &GraphScene::backgroundContextMenuRequested);

    const QList<MenuEntry> plain = rightClick(QPointF(0, 0));
    QCOMPARE(requests.size(), 0);
    QStringList texts;
    for (const MenuEntry &entry : plain)
        texts.append(entry.text);
    QCOMPARE(texts, QStringList({QStringLiteral("Ouvrir la fiche…"),
                                 QStringLiteral("Lister les attributs…"),
                                 QStringLiteral("Ajouter au groupe…"), QStringLiteral("Médias"),
                                 QStringLiteral("Ancrer le nœud"), QStringLiteral("Supprimer…"),
                                 QStringLiteral("Copier…")}));
    QVERIFY(!plain.at(3).enabled);

    const QList<MenuEntry> grouped = rightClick(QPointF(300, 0));
    QHash<QString, bool> enabled;
    for (const MenuEntry &entry : grouped)
        enabled.insert(entry.text, entry.enabled);
    QCOMPARE(enabled.value(QStringLiteral("Étendre le groupe"), false), true);
    QCOMPARE(enabled.value(QStringLiteral("Réduire le groupe"), true), false);
    QVERIFY(enabled.contains(QStringLiteral("Dégrouper")));
    QVERIFY(enabled.contains(QStringLiteral("Ouvrir le groupe dans un nouvel onglet")));

    rightClick(QPointF(300, 0), QStringLiteral("Étendre le groupe"));
    QTRY_VERIFY(tab()->graph().node(QStringLiteral("g")).expanded);
}

void TstCanvasInteraction::anchoringFromTheMenuReachesTheTable()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    graph.insertNode(makeNode(QStringLiteral("b"), QPointF(200, 0)));
    show(graph);
    NodeItem *a = tab()->scene->nodeItem(QStringLiteral("a"));
    tab()->document->edit(QString(), [](Graph &graph) {
        Node moved = graph.node(QStringLiteral("a"));
        moved.pos = QPointF(15, 25);
        graph.replaceNode(moved);
    });
    QCOMPARE(a->pos(), QPointF(15, 25));
    rightClick(QPointF(15, 25), QStringLiteral("Ancrer le nœud"));
    QVERIFY(a->isAnchored());
    QTRY_VERIFY(tab()->graph().node(QStringLiteral("a")).anchored);
    QCOMPARE(tab()->graph().node(QStringLiteral("a")).pos, QPointF(15, 25));

    // The anchoring survives a rebuild, and the menu shows it checked.
    m_window->refreshTab(tab());
    QVERIFY(tab()->scene->nodeItem(QStringLiteral("a"))->isAnchored());
    const QList<MenuEntry> entries = rightClick(QPointF(15, 25));
    const auto anchor = std::find_if(entries.cbegin(), entries.cend(), [](const MenuEntry &entry) {
        return entry.text == u"Ancrer le nœud";
    });
    QVERIFY(anchor != entries.cend() && anchor->checked);
}

void TstCanvasInteraction::embeddedMediaIsNotOpened()
{
    Graph graph;
    Node node = makeNode(QStringLiteral("a"), QPointF(0, 0));
    MediaRecord embedded;
    embedded.file = QStringLiteral("qrc:/demo/rapport.pdf");
    node.medias.append(embedded);
    graph.insertNode(node);
    graph.insertNode(makeNode(QStringLiteral("b"), QPointF(200, 0)));
    show(graph);
    NodeItem *a = tab()->scene->nodeItem(QStringLiteral("a"));
    // The media entries sit two levels down: "Médias" › file name › action.
    QTimer::singleShot(0, this, [&]() {
        auto *top = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!top)
            return;
        for (QAction *action : top->actions()) {
            if (action->text() != QStringLiteral("Médias"))
                continue;
            QVERIFY(action->isEnabled());
            QMenu *file = action->menu()->actions().constFirst()->menu();
            QCOMPARE(file->title(), QStringLiteral("rapport.pdf"));
            file->actions().constFirst()->trigger();
        }
        top->close();
    });
    const QPoint p = viewPoint(a->pos());
    QContextMenuEvent event(QContextMenuEvent::Mouse, p, viewport()->mapToGlobal(p));
    QApplication::sendEvent(viewport(), &event);
    QCOMPARE(m_prompter->last(QStringLiteral("message")).title, QStringLiteral("Ressource intégrée"));
    QCOMPARE(m_prompter->last(QStringLiteral("message")).text,
             QStringLiteral("Ce média est embarqué (qrc)."));
}

void TstCanvasInteraction::separationMenuSpreadsParallelRelations()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    graph.insertNode(makeNode(QStringLiteral("b"), QPointF(400, 0)));
    graph.insertEdge(makeEdge(QStringLiteral("e1"), QStringLiteral("a"), QStringLiteral("b")));
    graph.insertEdge(makeEdge(QStringLiteral("e2"), QStringLiteral("b"), QStringLiteral("a")));
    show(graph);
    const EdgeItem *edge = tab()->scene->edgeItems().constFirst();
    const double normal = std::abs(edge->controlPoint().y());

    QMenu *separation = m_window->menu(QStringLiteral("menuEdgeSeparation"));
    QVERIFY(separation->isEnabled());
    QHash<QString, QAction *> entries;
    for (QAction *action : separation->actions())
        entries.insert(action->text(), action);
    entries.value(QStringLiteral("Très faible (×0.1)"))->trigger();
    QCOMPARE(EdgeItem::edgeSeparation(), 0.2);
    QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("Séparation multi-liens : ×0.1"));
    QVERIFY(std::abs(std::abs(edge->controlPoint().y()) - normal * 0.8) < 1e-6);

    entries.value(QStringLiteral("Très fort (×3)"))->trigger();
    QCOMPARE(EdgeItem::edgeSeparation(), 0.75);
    QVERIFY(std::abs(std::abs(edge->controlPoint().y()) - normal * 3) < 1e-6);
}

void TstCanvasInteraction::gridDialogAppliesToTheScene()
{
    m_prompter->answers << QColor(Qt::magenta);
    m_prompter->dialogs << [](QDialog &dialog) {
        dialog.findChild<QSpinBox *>()->setValue(64);
        for (QPushButton *button : dialog.findChildren<QPushButton *>()) {
            if (button->text() == QStringLiteral("Choisir la couleur…"))
                button->click();
        }
        return int(QDialog::Accepted);
    };
    m_window->showGridDialog();
    const GraphScene *scene = tab()->scene;
    QVERIFY(scene->gridShown());
    QCOMPARE(scene->gridStep(), 64);
    QCOMPARE(scene->gridColor(), QColor(Qt::magenta));
    QCOMPARE(m_prompter->last(QStringLiteral("color")).title, QStringLiteral("Couleur"));

    m_prompter->dialogs << [](QDialog &) { return int(QDialog::Rejected); };
    m_window->showCentreDialog();
    QVERIFY(!scene->centreShown());
    QCOMPARE(m_prompter->last(QStringLiteral("dialog")).title, QStringLiteral("Visualise le centre"));
}

void TstCanvasInteraction::actionStatesFollowTheScene()
{
    QAction *selectNodes = m_window->action(QStringLiteral("actionSelectNodes"));
    QMenu *separation = m_window->menu(QStringLiteral("menuEdgeSeparation"));
    QVERIFY(!selectNodes->isEnabled());
    QVERIFY(!separation->isEnabled());
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    graph.insertNode(makeNode(QStringLiteral("b"), QPointF(200, 0)));
    show(graph);
    QVERIFY(selectNodes->isEnabled());
    QVERIFY(!separation->isEnabled());
    graph.insertEdge(makeEdge(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("b")));
    show(graph);
    QVERIFY(separation->isEnabled());

    selectNodes->trigger();
    QCOMPARE(tab()->scene->selectedItems().size(), 2);
    m_window->action(QStringLiteral("actionSelectAll"))->trigger();
    QCOMPARE(tab()->scene->selectedItems().size(), 3);
}

void TstCanvasInteraction::selectActionsReachPicturesAndShapesInOneChange()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0)));
    graph.insertNode(makeNode(QStringLiteral("b"), QPointF(200, 0)));
    graph.insertEdge(makeEdge(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("b")));
    SceneRecords records;
    MapRecord map;
    map.uuid = QStringLiteral("plan");
    map.width = 200;
    map.height = 100;
    records.maps.append(map);
    ShapeRecord shape;
    shape.uuid = QStringLiteral("zone");
    shape.rect = QRectF(0, 0, 80, 40);
    records.shapes.append(shape);
    tab()->document->load(graph, records, tab()->dbPath());
    m_window->refreshTab(tab());
    GraphScene *scene = tab()->scene;
    QSignalSpy changes(scene, &QGraphicsScene::selectionChanged);

    m_window->action(QStringLiteral("actionSelectAll"))->trigger();
    QCOMPARE(changes.size(), 1);
    QCOMPARE(scene->selectedItems().size(), 5);
    QVERIFY(scene->mapItem(QStringLiteral("plan"))->isSelected());
    QVERIFY(scene->shapeItem(QStringLiteral("zone"))->isSelected());

    // Selecting the nodes only lets go of everything else.
    m_window->action(QStringLiteral("actionSelectNodes"))->trigger();
    QCOMPARE(changes.size(), 2);
    QCOMPARE(scene->selectedItems().size(), 2);
    QVERIFY(scene->nodeItem(QStringLiteral("a"))->isSelected());
    QVERIFY(!scene->edgeItem(QStringLiteral("e"))->isSelected());
    QVERIFY(!scene->mapItem(QStringLiteral("plan"))->isSelected());
}

void TstCanvasInteraction::fullTurnOfTheRotationHandleTurnsTheMapBy72Degrees()
{
    MapItem *item = showMap();
    QVERIFY(item);
    press(QPointF(100, 50));
    release(QPointF(100, 50));
    QVERIFY(item->isSelected());
    // The handle stands 24 above the top edge's middle; the pointer goes once around the
    // picture's centre, clockwise, and back to where it started.
    const QPointF centre(100, 50);
    const double radius = 74;
    press(QPointF(100, -24));
    for (int step = 1; step <= 48; ++step) {
        const double angle = qDegreesToRadians(-90.0 + 360.0 * step / 48);
        moveTo(centre + radius * QPointF(std::cos(angle), std::sin(angle)));
    }
    release(QPointF(100, -24));
    QVERIFY2(std::abs(storedMap().rotation - 72.0) < 0.5, qPrintable(QString::number(storedMap().rotation)));
    QVERIFY(tab()->document->isModified());
    tab()->document->undoStack()->undo();
    QCOMPARE(storedMap().rotation, 0.0);
    QCOMPARE(item->rotation(), 0.0);
    tab()->document->undoStack()->redo();
    QVERIFY(std::abs(item->rotation() - 72.0) < 0.5);
}

void TstCanvasInteraction::cornerDragResizesTheMapDownTo32()
{
    MapItem *item = showMap();
    press(QPointF(100, 50));
    release(QPointF(100, 50));
    press(QPointF(200, 100));
    moveTo(QPointF(260, 140));
    release(QPointF(260, 140));
    QCOMPARE(storedMap().width, 260.0);
    QCOMPARE(storedMap().height, 140.0);
    QCOMPARE(storedMap().pos, QPointF(0, 0));
    // The top-left corner dragged past the opposite one: the size stops at 32 and the
    // bottom-right corner stays where it was.
    press(QPointF(0, 0));
    moveTo(QPointF(400, 400));
    release(QPointF(400, 400));
    QCOMPARE(storedMap().width, 32.0);
    QCOMPARE(storedMap().height, 32.0);
    QCOMPARE(item->mapToScene(item->contentRect().bottomRight()), QPointF(260, 140));
    tab()->document->undoStack()->undo();
    QCOMPARE(storedMap().width, 260.0);
    QCOMPARE(item->contentRect().size(), QSizeF(260, 140));
}

void TstCanvasInteraction::draggingAMapIsOneUndoStep()
{
    MapItem *item = showMap();
    const int steps = tab()->document->undoStack()->count();
    press(QPointF(100, 50));
    moveTo(QPointF(130, 60));
    moveTo(QPointF(160, 90));
    release(QPointF(160, 90));
    QCOMPARE(storedMap().pos, QPointF(60, 40));
    QCOMPARE(tab()->document->undoStack()->count(), steps + 1);
    QVERIFY(m_window->tabTitle(0).endsWith(QLatin1Char('*')));
    tab()->document->undoStack()->undo();
    QCOMPARE(item->pos(), QPointF(0, 0));
    QVERIFY(!tab()->document->isModified());
}

void TstCanvasInteraction::anchoredMapCannotMoveResizeOrTurn()
{
    MapItem *item = showMap(true);
    press(QPointF(100, 50));
    release(QPointF(100, 50));
    QVERIFY(!item->isSelected());
    for (const QPointF &start : {QPointF(100, 50), QPointF(200, 100), QPointF(100, -24)}) {
        press(start);
        moveTo(start + QPointF(80, 60));
        release(start + QPointF(80, 60));
    }
    QCOMPARE(item->pos(), QPointF(0, 0));
    QCOMPARE(item->rotation(), 0.0);
    QCOMPARE(item->contentRect().size(), QSizeF(200, 100));
    QVERIFY(!tab()->document->isModified());

    QStringList texts;
    for (const MenuEntry &entry : rightClick(QPointF(100, 50), QStringLiteral("Enlever l'ancrage")))
        texts.append(entry.text);
    QCOMPARE(texts, QStringList({QStringLiteral("Afficher la grille"),
                                 QStringLiteral("Enlever l'ancrage"),
                                 QStringLiteral("Supprimer l'image")}));
    QVERIFY(!storedMap().anchored);
    QVERIFY(item->flags() & QGraphicsItem::ItemIsMovable);
}

void TstCanvasInteraction::turningBy90TwiceGives180()
{
    MapItem *item = showMap();
    rightClick(QPointF(100, 50), QStringLiteral("Tourner de +90°"));
    rightClick(QPointF(100, 50), QStringLiteral("Tourner de +90°"));
    QCOMPARE(storedMap().rotation, 180.0);
    QCOMPARE(item->rotation(), 180.0);
    rightClick(QPointF(100, 50), QStringLiteral("Afficher la grille"));
    QVERIFY(storedMap().showGrid);
    tab()->document->undoStack()->undo();
    tab()->document->undoStack()->undo();
    QCOMPARE(storedMap().rotation, 90.0);
    QVERIFY(!storedMap().showGrid);

    rightClick(QPointF(100, 50), QStringLiteral("Supprimer l'image"));
    QTRY_VERIFY(tab()->sceneRecords().maps.isEmpty());
    QTRY_VERIFY(!tab()->scene->mapItem(QStringLiteral("plan")));
    tab()->document->undoStack()->undo();
    QCOMPARE(tab()->scene->mapItem(QStringLiteral("plan"))->rotation(), 90.0);
}

void TstCanvasInteraction::drawingAShape_data()
{
    QTest::addColumn<bool>("ellipse");
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<bool>("created");
    QTest::newRow("2 × 2 rectangle is a click") << false << QSizeF(2, 2) << false;
    QTest::newRow("50 × 40 rectangle") << false << QSizeF(50, 40) << true;
    QTest::newRow("50 × 40 ellipse") << true << QSizeF(50, 40) << true;
}

void TstCanvasInteraction::drawingAShape()
{
    QFETCH(bool, ellipse);
    QFETCH(QSizeF, size);
    QFETCH(bool, created);
    show(Graph());
    const auto kind = ellipse ? ShapeRecord::Kind::Ellipse : ShapeRecord::Kind::Rectangle;
    m_window->startShapeDrawing(kind);
    QCOMPARE(m_window->statusBar()->currentMessage(),
             ellipse ? QStringLiteral("Mode dessin: Ellipse (clic-gauche + glisser)")
                     : QStringLiteral("Mode dessin: Rectangle (clic-gauche + glisser)"));
    const QPointF start(-20, -10);
    press(start);
    moveTo(start + QPointF(size.width() / 2, size.height() / 2));
    release(start + QPointF(size.width(), size.height()));
    // The temporary outline is gone either way.
    QCOMPARE(tab()->scene->items().size(), created ? 1 : 0);
    QCOMPARE(tab()->sceneRecords().shapes.size(), created ? 1 : 0);
    if (!created)
        return;
    const ShapeRecord shape = tab()->sceneRecords().shapes.first();
    QCOMPARE(shape.kind, kind);
    QCOMPARE(shape.pos, start);
    QCOMPARE(shape.rect, QRectF(QPointF(0, 0), size));
    QCOMPARE(shape.z, -1000.0);
    QCOMPARE(shape.fill, QColor(QStringLiteral("#0AAA00FF")));
    QCOMPARE(shape.penColor, QColor(QStringLiteral("#2F4F4F")));
    GroupShapeItem *item = tab()->scene->shapeItem(shape.uuid);
    QVERIFY(item);
    QCOMPARE(item->sceneBoundingRect().center(), start + QPointF(size.width() / 2, size.height() / 2));
    // The drawing mode ends with the shape: the next press selects as usual.
    press(QPointF(200, 200));
    release(QPointF(200, 200));
    QCOMPARE(tab()->sceneRecords().shapes.size(), 1);
    tab()->document->undoStack()->undo();
    QVERIFY(tab()->sceneRecords().shapes.isEmpty());
    QTRY_VERIFY(tab()->scene->items().isEmpty());
}

void TstCanvasInteraction::shapeMenuLocksAndDeletes()
{
    show(Graph());
    m_window->startShapeDrawing(ShapeRecord::Kind::Rectangle);
    press(QPointF(0, 0));
    release(QPointF(100, 80));
    const QString uuid = tab()->sceneRecords().shapes.first().uuid;
    rightClick(QPointF(50, 40), QStringLiteral("Ancrer (verrouiller)"));
    QVERIFY(tab()->sceneRecords().shapes.first().locked);
    press(QPointF(50, 40));
    moveTo(QPointF(90, 90));
    release(QPointF(90, 90));
    QCOMPARE(tab()->sceneRecords().shapes.first().pos, QPointF(0, 0));
    rightClick(QPointF(50, 40), QStringLiteral("Supprimer"));
    QTRY_VERIFY(tab()->sceneRecords().shapes.isEmpty());
    tab()->document->undoStack()->undo();
    QVERIFY(tab()->scene->shapeItem(uuid));
    QVERIFY(tab()->scene->shapeItem(uuid)->record().locked);
}

QTEST_MAIN(TstCanvasInteraction)
#include "tst_canvasinteraction.moc"
