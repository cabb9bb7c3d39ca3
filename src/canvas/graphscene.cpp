#include "canvas/graphscene.h"

#include "app/prompter.h"
#include "canvas/edgeitem.h"
#include "canvas/grouping.h"
#include "canvas/lanes.h"
#include "canvas/nodeitem.h"

#include <QApplication>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

GraphScene::GraphScene(QObject *parent) : QGraphicsScene(parent)
{
    setItemIndexMethod(QGraphicsScene::NoIndex);
}

Prompter &GraphScene::prompter() const
{
    static DesktopPrompter desktop;
    return m_prompter ? *m_prompter : desktop;
}

QList<NodeItem *> GraphScene::selectedNodeItems() const
{
    QList<NodeItem *> nodes;
    for (QGraphicsItem *item : selectedItems()) {
        if (item->type() == NodeItem::Type)
            nodes.append(static_cast<NodeItem *>(item));
    }
    return nodes;
}

void GraphScene::clearGraphItems()
{
    if (m_nodeItems.isEmpty() && m_edgeItems.isEmpty())
        return;
    // One selection change instead of one per deleted selected item.
    clearSelection();
    // Removing items one by one costs time proportional to the scene's size for each item;
    // clearing the scene at once is far faster, so the other items are set aside meanwhile.
    QList<QGraphicsItem *> others;
    for (QGraphicsItem *item : items()) {
        if (!item->parentItem() && item->type() != NodeItem::Type && item->type() != EdgeItem::Type)
            others.append(item);
    }
    for (QGraphicsItem *item : std::as_const(others))
        removeItem(item);
    m_nodeItems.clear();
    m_edgeItems.clear();
    clear();
    for (QGraphicsItem *item : std::as_const(others))
        addItem(item);
}

void GraphScene::rebuild()
{
    clearGraphItems();
    m_interactionActive = false;
    if (!m_graph) {
        update();
        return;
    }
    const Grouping::Visible visible = Grouping::visibleContent(*m_graph);

    // Sorted so that stacking and lanes do not depend on the order of the hash tables.
    QStringList nodeIds(visible.nodes.cbegin(), visible.nodes.cend());
    std::sort(nodeIds.begin(), nodeIds.end());
    m_nodeItems.reserve(nodeIds.size());
    const Graph::NodeTable &nodes = m_graph->nodes();
    for (const QString &id : std::as_const(nodeIds)) {
        const Node &node = *nodes.constFind(id);
        auto *item = new NodeItem(node);
        item->setPos(node.pos);
        item->setAnchored(node.anchored);
        item->setVisible(node.visible);
        addItem(item);
        m_nodeItems.insert(id, item);
        connect(item, &NodeItem::positionCommitted, this, &GraphScene::onNodePositionCommitted);
        connect(item, &NodeItem::positionChanged, this, &GraphScene::onNodeItemPositionChanged);
        connect(item, &NodeItem::anchoredPositionFixed, this,
                &GraphScene::onNodeItemPositionChanged);
    }

    QStringList edgeIds(visible.edges.cbegin(), visible.edges.cend());
    std::sort(edgeIds.begin(), edgeIds.end());
    m_edgeItems.reserve(edgeIds.size());
    QList<Lanes::Ends> ends;
    ends.reserve(edgeIds.size());
    const Graph::EdgeTable &edges = m_graph->edges();
    for (const QString &id : std::as_const(edgeIds)) {
        const Edge &edge = *edges.constFind(id);
        NodeItem *source = m_nodeItems.value(edge.src);
        NodeItem *target = m_nodeItems.value(edge.dst);
        if (!source || !target)
            continue;
        auto *item = new EdgeItem(source, target, edge);
        item->setVisible(edge.visible);
        addItem(item);
        source->addEdge(item);
        if (target != source)
            target->addEdge(item);
        m_edgeItems.append(item);
        ends.append({id, edge.src, edge.dst});
    }
    const QHash<QString, Lanes::Lane> lanes = Lanes::assign(ends);
    for (EdgeItem *item : std::as_const(m_edgeItems)) {
        const Lanes::Lane lane = lanes.value(item->edge().id);
        item->setLane(lane.index, lane.count);
    }
    update();
}

void GraphScene::refreshEdges()
{
    for (EdgeItem *item : std::as_const(m_edgeItems))
        item->adjust();
    update();
}

void GraphScene::viewScaleChanged()
{
    for (EdgeItem *item : std::as_const(m_edgeItems))
        item->viewScaleChanged();
}

void GraphScene::onNodePositionCommitted(const QString &id, const QPointF &pos)
{
    if (!m_graph)
        return;
    const auto it = m_graph->nodes().constFind(id);
    if (it == m_graph->nodes().cend() || it->pos == pos)
        return;
    Node node = *it;
    node.pos = pos;
    m_graph->replaceNode(node);
}

void GraphScene::onNodeItemPositionChanged(NodeItem *item, const QPointF &pos)
{
    onNodePositionCommitted(item->id(), pos);
}

void GraphScene::setGrid(bool shown, int step, double width, const QColor &color)
{
    m_gridShown = shown;
    m_gridStep = step;
    m_gridWidth = width;
    m_gridColor = color;
    update();
}

void GraphScene::setCentre(bool shown, double width, const QColor &color)
{
    m_centreShown = shown;
    m_centreWidth = width;
    m_centreColor = color;
    update();
}

bool GraphScene::event(QEvent *event)
{
    // The application sends palette changes to every scene; one pass here spares each item
    // a connection of its own.
    if (event->type() == QEvent::ApplicationPaletteChange) {
        const QPalette palette = QApplication::palette();
        for (NodeItem *item : std::as_const(m_nodeItems))
            item->onAppPaletteChanged(palette);
        for (EdgeItem *item : std::as_const(m_edgeItems))
            item->setLabelColor(palette.color(QPalette::WindowText));
    }
    return QGraphicsScene::event(event);
}

void GraphScene::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsScene::mousePressEvent(event);
    Q_EMIT selectionChangedWithItems();
}

void GraphScene::contextMenuEvent(QGraphicsSceneContextMenuEvent *event)
{
    if (!itemAt(event->scenePos(), QTransform())) {
        Q_EMIT backgroundContextMenuRequested(event->screenPos());
        event->accept();
        return;
    }
    QGraphicsScene::contextMenuEvent(event);
}

void GraphScene::drawBackground(QPainter *painter, const QRectF &rect)
{
    QGraphicsScene::drawBackground(painter, rect);
    if (m_gridShown && m_gridStep >= 2) {
        QPen pen(m_gridColor.isValid() ? m_gridColor : QColor(0, 0, 0, 40), m_gridWidth);
        pen.setCosmetic(true);
        painter->setPen(pen);
        const double step = m_gridStep;
        for (double x = std::floor(rect.left() / step) * step; x <= std::ceil(rect.right() / step) * step; x += step)
            painter->drawLine(QPointF(x, rect.top()), QPointF(x, rect.bottom()));
        for (double y = std::floor(rect.top() / step) * step; y <= std::ceil(rect.bottom() / step) * step; y += step)
            painter->drawLine(QPointF(rect.left(), y), QPointF(rect.right(), y));
    }
    if (m_centreShown) {
        QPen pen(m_centreColor, m_centreWidth);
        pen.setCosmetic(true);
        painter->setPen(pen);
        painter->drawLine(QPointF(0, rect.top()), QPointF(0, rect.bottom()));
        painter->drawLine(QPointF(rect.left(), 0), QPointF(rect.right(), 0));
    }
}
