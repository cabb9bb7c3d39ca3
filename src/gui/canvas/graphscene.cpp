#include "canvas/graphscene.h"

#include "app/prompter.h"
#include "canvas/edgeitem.h"
#include "canvas/nodeitem.h"
#include "canvas/timelinepainter.h"
#include "ops/grouping.h"
#include "ops/lanes.h"

#include <QApplication>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Depth of the spatial index. Qt derives it from the item count, which for tens of thousands
// of items gives tens of thousands of cells: a relation across the canvas is then filed in
// thousands of them, and a repaint of the whole graph gathers it from each. 128 cells keep a
// drag or a close-up repaint local to the items near it without that cost.
constexpr int indexDepth = 7;

// Room left around the nodes, as around the fitted view.
constexpr double sceneMargin = 50;

} // namespace

// Without an index every repaint and every pointer query walks all items, which on a large
// graph costs more than the drawing itself.
GraphScene::GraphScene(QObject *parent) : QGraphicsScene(parent)
{
    setItemIndexMethod(QGraphicsScene::BspTreeIndex);
    setBspTreeDepth(indexDepth);
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
    fitSceneRect();
    includeTimelineBand();
    applyVisibility();
    update();
}

void GraphScene::includeTimelineBand()
{
    if (m_band.drawable())
        growSceneRect(m_band.extent());
}

void GraphScene::setTimeRange(const QDateTime &start, const QDateTime &end)
{
    m_timeFilter.setRange(start, end);
    if (m_graph)
        applyVisibility();
}

void GraphScene::setTimeInstant(const QDateTime &instant)
{
    m_timeFilter.setInstant(instant);
    applyVisibility();
}

void GraphScene::setNodeTypeHidden(const QString &type, bool hidden)
{
    if (hidden)
        m_timeFilter.hiddenNodeTypes.insert(type);
    else
        m_timeFilter.hiddenNodeTypes.remove(type);
    if (m_visibilityBatch == 0)
        applyVisibility();
}

void GraphScene::setRelationTypeHidden(const QString &type, bool hidden)
{
    if (hidden)
        m_timeFilter.hiddenRelationTypes.insert(type);
    else
        m_timeFilter.hiddenRelationTypes.remove(type);
    if (m_visibilityBatch == 0)
        applyVisibility();
}

void GraphScene::beginVisibilityBatch()
{
    ++m_visibilityBatch;
}

void GraphScene::endVisibilityBatch()
{
    if (m_visibilityBatch > 0 && --m_visibilityBatch == 0)
        applyVisibility();
}

void GraphScene::applyVisibility()
{
    ++m_visibilityPasses;
    // The tables hold the current records; an item keeps the copy it was built from.
    const auto nodeRecord = [this](const NodeItem *item) -> const Node & {
        if (m_graph) {
            const auto it = m_graph->nodes().constFind(item->id());
            if (it != m_graph->nodes().cend())
                return *it;
        }
        return item->node();
    };
    for (NodeItem *item : std::as_const(m_nodeItems))
        item->setVisible(TimeFilter::nodeShown(m_timeFilter, nodeRecord(item)));
    const auto edgeRecord = [this](const EdgeItem *item) -> const Edge & {
        if (m_graph) {
            const auto it = m_graph->edges().constFind(item->edge().id);
            if (it != m_graph->edges().cend())
                return *it;
        }
        return item->edge();
    };
    for (EdgeItem *item : std::as_const(m_edgeItems)) {
        const Edge &edge = edgeRecord(item);
        const NodeItem *source = m_nodeItems.value(edge.src);
        const NodeItem *target = m_nodeItems.value(edge.dst);
        item->setVisible(TimeFilter::relationShown(m_timeFilter, edge,
                                                   source && source->isVisible(),
                                                   target && target->isVisible()));
    }
}

void GraphScene::setTimeline(const QDateTime &start, const QDateTime &end, double pixelsPerDay,
                             double y, bool shown)
{
    m_band.place(start, end, pixelsPerDay, y);
    m_band.shown = shown;
    includeTimelineBand();
    update();
}

void GraphScene::setTimelineShown(bool shown)
{
    m_band.shown = shown;
    m_band.dragging = false;
    update();
}

void GraphScene::applyTimelineSettings(const TimelineSettings &settings, const QDateTime &start,
                                       const QDateTime &end)
{
    m_band.apply(settings, start, end);
    includeTimelineBand();
    update();
}

void GraphScene::fitSceneRect()
{
    QRectF bounds;
    for (const NodeItem *item : std::as_const(m_nodeItems))
        bounds |= item->paintedSceneRect();
    // Without nodes the scene follows whatever other items it holds.
    setSceneRect(bounds.isNull() ? QRectF()
                                 : bounds.adjusted(-sceneMargin, -sceneMargin, sceneMargin,
                                                   sceneMargin));
}

void GraphScene::growSceneRect(const QRectF &rect)
{
    const QRectF current = sceneRect();
    if (rect.isNull() || current.contains(rect))
        return;
    const double step =
        std::max(4 * sceneMargin, 0.25 * std::max(current.width(), current.height()));
    setSceneRect(current | rect.adjusted(-step, -step, step, step));
}

void GraphScene::endInteraction()
{
    m_interactionActive = false;
    const QRectF area = std::exchange(m_interactionArea, QRectF());
    update(area);
    growSceneRect(area);
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
    // The links to the timeline are drawn over the whole scene and follow the node.
    if (m_band.drawable())
        update();
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
    if (event->button() == Qt::LeftButton && m_band.press(event->scenePos())) {
        event->accept();
        return;
    }
    QGraphicsScene::mousePressEvent(event);
    Q_EMIT selectionChangedWithItems();
}

void GraphScene::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_band.dragging) {
        m_band.dragTo(event->scenePos());
        includeTimelineBand();
        update();
        event->accept();
        return;
    }
    QGraphicsScene::mouseMoveEvent(event);
}

void GraphScene::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_band.dragging) {
        m_band.release();
        event->accept();
        return;
    }
    QGraphicsScene::mouseReleaseEvent(event);
}

void GraphScene::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_band.drawable() && m_band.grabArea().contains(event->scenePos())) {
        // The press of the double-click started a drag that nothing releases.
        m_band.release();
        Q_EMIT timelineCustomizationRequested();
        event->accept();
        return;
    }
    QGraphicsScene::mouseDoubleClickEvent(event);
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
    if (m_band.drawable())
        TimelinePainter::drawAxis(painter, m_band);
}

void GraphScene::drawForeground(QPainter *painter, const QRectF &rect)
{
    QGraphicsScene::drawForeground(painter, rect);
    if (!m_band.drawable() || !m_graph)
        return;
    TimelinePainter::drawLinks(painter, m_band, m_graph->nodes(), [this](const QString &id) {
        const NodeItem *item = m_nodeItems.value(id);
        return item && item->isVisible() ? item->radius() : -1.0;
    });
}
