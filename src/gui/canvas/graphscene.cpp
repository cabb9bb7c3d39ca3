#include "canvas/graphscene.h"

#include "app/prompter.h"
#include "canvas/edgeitem.h"
#include "canvas/groupshapeitem.h"
#include "canvas/mapitem.h"
#include "canvas/nodeitem.h"
#include "canvas/timelinepainter.h"
#include "document/graphdocument.h"
#include "ops/grouping.h"
#include "ops/lanes.h"

#include <QApplication>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QPainter>
#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

// Depth of the spatial index. Qt derives it from the item count, which for tens of thousands
// of items gives tens of thousands of cells: a relation across the canvas is then filed in
// every cell its bounds cross, and a repaint of the whole graph gathers it from each. 128
// cells keep a drag or a close-up repaint local to the items near it without that cost; a
// laid-out graph, whose relations stay short, gets up to 1024.
constexpr int shallowIndexDepth = 7;
constexpr int deepIndexDepth = 10;

// Changes of more records than this update their items with the spatial index set aside.
constexpr int massChangeSize = 2000;

// Room left around the nodes, as around the fitted view.
constexpr double sceneMargin = 50;

// Squares per side of the graph's area for the relation layers: a few hundred relations per
// layer on a laid-out graph.
constexpr int relationLayersPerSide = 64;
constexpr double smallestRelationLayerSide = 300;

// Holds relation items, draws nothing itself. At the origin and untransformed, so that its
// relations keep scene coordinates; below every node, as relations always are.
class RelationLayer : public QGraphicsItem
{
public:
    RelationLayer()
    {
        setFlag(ItemHasNoContents);
        setZValue(-1);
    }
    QRectF boundingRect() const override { return {}; }
    void paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) override {}
};

} // namespace

// Without an index every repaint and every pointer query walks all items, which on a large
// graph costs more than the drawing itself.
GraphScene::GraphScene(QObject *parent) : QGraphicsScene(parent)
{
    setItemIndexMethod(QGraphicsScene::BspTreeIndex);
    m_indexDepth = shallowIndexDepth;
    setBspTreeDepth(m_indexDepth);
    connect(this, &QGraphicsScene::selectionChanged, this, &GraphScene::graphDrawingChanged);
}

GraphScene::~GraphScene() = default;

void GraphScene::graphDrawingChanged()
{
    m_overview.invalidate();
    repaintOverview();
}

// The scene's own update() reaches the view only through the repaint of items, which the
// overview does not go through: the view is asked directly.
void GraphScene::repaintOverview()
{
    if (overviewShown())
        views().constFirst()->viewport()->update();
}

bool GraphScene::overviewShown() const
{
    return !views().isEmpty() && views().constFirst()->transform().m11() < EdgeItem::farDetail;
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
    // They are known by their tables: asking the scene for its items would sort all of them.
    QList<QGraphicsItem *> others;
    for (MapItem *item : std::as_const(m_mapItems))
        others.append(item);
    for (GroupShapeItem *item : std::as_const(m_shapeItems))
        others.append(item);
    for (QGraphicsItem *item : std::as_const(others))
        removeItem(item);
    m_nodeItems.clear();
    m_edgeItems.clear();
    m_relationLayers.clear();
    m_draggedNodes.clear();
    clear();
    for (QGraphicsItem *item : std::as_const(others))
        addItem(item);
}

void GraphScene::setDocument(GraphDocument *document)
{
    if (m_document)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    m_graph = document ? &document->graph() : nullptr;
    if (document) {
        connect(document, &GraphDocument::changed, this, &GraphScene::applyChange);
        connect(document, &GraphDocument::sceneChanged, this, &GraphScene::syncSceneRecords);
    }
}

MapItem *GraphScene::createMapItem(const MapRecord &record)
{
    auto *item = new MapItem(record);
    addItem(item);
    m_mapItems.insert(record.uuid, item);
    const QString uuid = record.uuid;
    connect(item, &MapItem::positionChanged, this, [this, uuid]() { m_draggedMaps.insert(uuid); });
    connect(item, &MapItem::edited, this, [this](const MapRecord &edited, const QString &text) {
        Q_EMIT decorEdited({edited}, {}, text);
    });
    connect(item, &MapItem::deleteRequested, this, &GraphScene::mapDeleteRequested);
    return item;
}

GroupShapeItem *GraphScene::createShapeItem(const ShapeRecord &record)
{
    auto *item = new GroupShapeItem(record);
    addItem(item);
    m_shapeItems.insert(record.uuid, item);
    const QString uuid = record.uuid;
    connect(item, &GroupShapeItem::shapePositionChanged, this,
            [this, uuid]() { m_draggedShapes.insert(uuid); });
    connect(item, &GroupShapeItem::edited, this,
            [this](const ShapeRecord &edited, const QString &text) {
                Q_EMIT decorEdited({}, {edited}, text);
            });
    connect(item, &GroupShapeItem::editRequested, this,
            [this, uuid]() { Q_EMIT shapeEditRequested(uuid); });
    connect(item, &GroupShapeItem::requestDelete, this,
            [this, uuid]() { Q_EMIT shapeDeleteRequested(uuid); });
    return item;
}

namespace {

// Brings one kind of item in line with its records: updates the items that stay, makes the
// missing ones and drops the others.
template <typename Item, typename Record, typename Create>
void syncItems(QGraphicsScene *scene, QHash<QString, Item *> &items, const QList<Record> &records,
               Create create)
{
    QSet<QString> kept;
    for (const Record &record : records) {
        kept.insert(record.uuid);
        if (Item *item = items.value(record.uuid))
            item->setRecord(record);
        else
            create(record);
    }
    for (auto it = items.begin(); it != items.end();) {
        if (kept.contains(it.key())) {
            ++it;
            continue;
        }
        // Deleted later: the item's own menu or handler may still be running.
        scene->removeItem(it.value());
        it.value()->deleteLater();
        it = items.erase(it);
    }
}

} // namespace

void GraphScene::syncSceneRecords()
{
    const SceneRecords empty;
    const SceneRecords &records = m_document ? m_document->sceneRecords() : empty;
    syncItems(this, m_mapItems, records.maps,
              [this](const MapRecord &record) { createMapItem(record); });
    syncItems(this, m_shapeItems, records.shapes,
              [this](const ShapeRecord &record) { createShapeItem(record); });
    m_draggedMaps.clear();
    m_draggedShapes.clear();
}

QList<MapItem *> GraphScene::selectedMapItems() const
{
    QList<MapItem *> selected;
    for (MapItem *item : std::as_const(m_mapItems)) {
        if (item->isSelected())
            selected.append(item);
    }
    return selected;
}

void GraphScene::reportDraggedDecor()
{
    QList<MapRecord> maps;
    for (const QString &uuid : std::exchange(m_draggedMaps, {})) {
        if (MapItem *item = m_mapItems.value(uuid); item && item->pos() != item->record().pos)
            maps.append(item->shown());
    }
    QList<ShapeRecord> shapes;
    for (const QString &uuid : std::exchange(m_draggedShapes, {})) {
        if (GroupShapeItem *item = m_shapeItems.value(uuid);
            item && item->pos() != item->record().pos)
            shapes.append(item->shown());
    }
    if (maps.isEmpty() && shapes.isEmpty())
        return;
    const QString text = shapes.isEmpty() ? QStringLiteral("Déplacer l'image")
        : maps.isEmpty()                  ? QStringLiteral("Déplacer la forme")
                                          : QStringLiteral("Déplacer les images et formes");
    Q_EMIT decorEdited(maps, shapes, text);
}

NodeItem *GraphScene::createNodeItem(const Node &node)
{
    auto *item = new NodeItem(node);
    item->setPos(shownPosition(node));
    item->setAnchored(node.anchored);
    addItem(item);
    m_nodeItems.insert(node.id, item);
    return item;
}

EdgeItem *GraphScene::createEdgeItem(const Edge &edge)
{
    NodeItem *source = m_nodeItems.value(edge.src);
    NodeItem *target = m_nodeItems.value(edge.dst);
    if (!source || !target)
        return nullptr;
    return createEdgeItem(edge, source, target, {});
}

EdgeItem *GraphScene::createEdgeItem(const Edge &edge, NodeItem *source, NodeItem *target,
                                     Lanes::Lane lane)
{
    auto *item = new EdgeItem(source, target, edge, lane.index, lane.count);
    item->setParentItem(relationLayer((source->pos() + target->pos()) / 2));
    source->addEdge(item);
    if (target != source)
        target->addEdge(item);
    m_edgeItems.insert(edge.id, item);
    return item;
}

void GraphScene::removeEdgeItem(const QString &id)
{
    EdgeItem *item = m_edgeItems.take(id);
    if (!item)
        return;
    item->sourceItem()->removeEdge(item);
    item->targetItem()->removeEdge(item);
    removeItem(item);
    delete item;
}

QGraphicsItem *GraphScene::relationLayer(const QPointF &middle)
{
    const auto column = qint32(std::floor(middle.x() / m_relationLayerSide));
    const auto row = qint32(std::floor(middle.y() / m_relationLayerSide));
    const quint64 key = (quint64(quint32(column)) << 32) | quint32(row);
    QGraphicsItem *&layer = m_relationLayers[key];
    if (!layer) {
        layer = new RelationLayer;
        addItem(layer);
    }
    return layer;
}

void GraphScene::removeNodeItem(const QString &id)
{
    NodeItem *item = m_nodeItems.value(id);
    if (!item)
        return;
    const QList<EdgeItem *> attached = item->edges();
    for (EdgeItem *edge : attached)
        removeEdgeItem(edge->id());
    m_nodeItems.remove(id);
    m_dragged.remove(id);
    m_draggedNodes.remove(item);
    removeItem(item);
    delete item;
}

QPointF GraphScene::shownPosition(const Node &node) const
{
    return m_displaced.value(node.id, node.pos);
}

void GraphScene::rebuild()
{
    clearGraphItems();
    m_interactionActive = false;
    m_dragged.clear();
    if (!m_graph) {
        graphDrawingChanged();
        return;
    }
    const QScopedValueRollback<bool> placing(m_placingItems, true);
    const Grouping::Visible visible = Grouping::visibleContent(*m_graph);

    // Sorted so that stacking and lanes do not depend on the order of the hash tables.
    QStringList nodeIds(visible.nodes.cbegin(), visible.nodes.cend());
    std::sort(nodeIds.begin(), nodeIds.end());
    m_nodeItems.reserve(nodeIds.size());
    const Graph::NodeTable &nodes = m_graph->nodes();
    for (const QString &id : std::as_const(nodeIds))
        createNodeItem(*nodes.constFind(id));
    const QRectF nodeArea = fitSceneRect();
    m_relationLayerSide = std::max(smallestRelationLayerSide,
                                   std::max(nodeArea.width(), nodeArea.height())
                                       / relationLayersPerSide);

    // Each relation is looked up once, with its ends' items.
    struct Shown
    {
        const Edge *edge;
        NodeItem *source;
        NodeItem *target;
    };
    std::vector<Shown> shown;
    shown.reserve(std::size_t(visible.edges.size()));
    const Graph::EdgeTable &edges = m_graph->edges();
    for (const QString &id : std::as_const(visible.edges)) {
        const Edge &edge = *edges.constFind(id);
        NodeItem *source = m_nodeItems.value(edge.src);
        NodeItem *target = m_nodeItems.value(edge.dst);
        if (source && target)
            shown.push_back({&edge, source, target});
    }
    std::sort(shown.begin(), shown.end(),
              [](const Shown &a, const Shown &b) { return a.edge->id < b.edge->id; });
    m_edgeItems.reserve(qsizetype(shown.size()));
    // Lanes first, so that each relation is laid out once, on its lane.
    QList<Lanes::Ends> ends;
    ends.reserve(qsizetype(shown.size()));
    for (const Shown &relation : shown)
        ends.append({relation.edge->src, relation.edge->dst});
    const QList<Lanes::Lane> lanes = Lanes::assign(ends);
    for (std::size_t i = 0; i < shown.size(); ++i)
        createEdgeItem(*shown[i].edge, shown[i].source, shown[i].target, lanes.at(qsizetype(i)));
    syncSceneRecords();
    chooseIndexDepth(nodeArea);
    includeTimelineBand();
    applyVisibility();
}

void GraphScene::chooseIndexDepth(const QRectF &nodeArea)
{
    int depth = shallowIndexDepth;
    if (!m_edgeItems.isEmpty() && !nodeArea.isEmpty()) {
        // Nine relations in ten must fit in a cell twice over, or the cells would file most
        // of them many times.
        std::vector<double> spans;
        spans.reserve(m_edgeItems.size());
        for (const EdgeItem *item : std::as_const(m_edgeItems)) {
            const QPointF d = item->targetItem()->pos() - item->sourceItem()->pos();
            spans.push_back(std::max(std::abs(d.x()), std::abs(d.y())));
        }
        const auto tenth = spans.begin() + std::ptrdiff_t(spans.size() * 9 / 10);
        std::nth_element(spans.begin(), tenth, spans.end());
        const double side = std::max(nodeArea.width(), nodeArea.height());
        while (depth < deepIndexDepth
               && side / double(1 << ((depth + 2) / 2)) >= 2 * *tenth)
            ++depth;
    }
    if (depth != m_indexDepth) {
        m_indexDepth = depth;
        setBspTreeDepth(depth);
    }
}

namespace {

QString pairKey(const QString &a, const QString &b)
{
    return a < b ? a + QLatin1Char('\n') + b : b + QLatin1Char('\n') + a;
}

QString pairKey(const EdgeItem *item)
{
    return pairKey(item->sourceItem()->id(), item->targetItem()->id());
}

} // namespace

bool GraphScene::touchesGroups(const GraphChange &change) const
{
    const auto grouped = [](const Node &node) {
        return node.isGroup || !node.parentGroup.isEmpty();
    };
    for (const QStringList *ids : {&change.nodesAdded, &change.nodesChanged}) {
        for (const QString &id : *ids) {
            const auto it = m_graph->nodes().constFind(id);
            if (it != m_graph->nodes().cend() && grouped(*it))
                return true;
            // A member hidden in its group has no item; a node leaving a group had one.
            const NodeItem *item = m_nodeItems.value(id);
            if (item && item->isGrouped())
                return true;
        }
    }
    for (const QString &id : change.nodesRemoved) {
        const NodeItem *item = m_nodeItems.value(id);
        if (!item || item->isGrouped())
            return true;
    }
    return false;
}

void GraphScene::applyChange(const GraphChange &change)
{
    if (!m_graph || change.isEmpty())
        return;
    // Making or deleting more than a third of the items costs less as one pass over
    // everything, and groups decide which members and bridges are drawn at all. Changed
    // records, however many, are cheaper to update where their items stand: a layout or its
    // undo moves every node but keeps every item.
    const int itemCount = int(m_nodeItems.size() + m_edgeItems.size());
    const int madeOrDeleted = int(change.nodesAdded.size() + change.nodesRemoved.size()
                                  + change.edgesAdded.size() + change.edgesRemoved.size());
    if (madeOrDeleted * 3 > itemCount + 30 || touchesGroups(change)) {
        QSet<QString> selected;
        for (const NodeItem *item : selectedNodeItems())
            selected.insert(item->id());
        rebuild();
        for (const QString &id : std::as_const(selected)) {
            if (NodeItem *item = m_nodeItems.value(id))
                item->setSelected(true);
        }
        Q_EMIT itemsChanged(change);
        return;
    }
    const QScopedValueRollback<bool> placing(m_placingItems, true);
    QSet<QString> pairs;
    const Graph::EdgeTable &edges = m_graph->edges();

    // Relations moved to other ends are drawn anew between them: their items go first, with
    // those of removed records, while the spatial index still finds them quickly.
    QStringList redrawn;
    QList<EdgeItem *> restyled;
    for (const QString &id : change.edgesChanged) {
        EdgeItem *item = m_edgeItems.value(id);
        const Edge &edge = *edges.constFind(id);
        if (item && item->sourceItem()->id() == edge.src && item->targetItem()->id() == edge.dst)
            restyled.append(item);
        else
            redrawn.append(id);
    }
    for (const QStringList *ids : {&change.edgesRemoved, &std::as_const(redrawn)}) {
        for (const QString &id : *ids) {
            if (const EdgeItem *item = m_edgeItems.value(id))
                pairs.insert(pairKey(item));
            removeEdgeItem(id);
        }
    }
    for (const QString &id : change.nodesRemoved) {
        if (const NodeItem *item = m_nodeItems.value(id)) {
            for (const EdgeItem *edge : item->edges())
                pairs.insert(pairKey(edge));
        }
        removeNodeItem(id);
    }

    // The spatial index would refile every moved item in turn, each time searching cells that
    // hold thousands of items; past a few thousand it is cheaper to build it anew. A change
    // of its depth sets every item aside in one pass, and items set aside move at no cost;
    // switching the index off and on instead would sort every item of the scene twice.
    const bool mass = change.size() > massChangeSize;
    if (mass)
        setBspTreeDepth(m_indexDepth + 1);

    QList<NodeItem *> touchedNodes;
    QRectF touchedArea;
    const Graph::NodeTable &nodes = m_graph->nodes();
    for (const QString &id : change.nodesAdded) {
        NodeItem *item = createNodeItem(*nodes.constFind(id));
        touchedNodes.append(item);
        touchedArea |= item->paintedSceneRect();
    }
    m_relationsDeferred = mass;
    for (const QString &id : change.nodesChanged) {
        NodeItem *item = m_nodeItems.value(id);
        if (!item)
            continue;
        const Node &node = *nodes.constFind(id);
        item->recordChanged(node);
        const QPointF position = shownPosition(node);
        if (item->pos() != position)
            item->setPos(position);
        touchedNodes.append(item);
        touchedArea |= item->paintedSceneRect();
    }
    m_relationsDeferred = false;

    for (EdgeItem *item : std::as_const(restyled))
        item->recordChanged(*edges.constFind(item->id()));
    for (const QStringList *ids : {&std::as_const(redrawn), &change.edgesAdded}) {
        for (const QString &id : *ids) {
            if (EdgeItem *item = createEdgeItem(*edges.constFind(id))) {
                pairs.insert(pairKey(item));
                restyled.append(item);
            }
        }
    }
    if (mass) {
        // Each relation once, however many of its ends moved; reached from its source, whose
        // item is then at hand for all of its relations.
        if (touchedNodes.size() * 2 > m_nodeItems.size()) {
            for (NodeItem *item : std::as_const(m_nodeItems)) {
                for (EdgeItem *edge : item->edges()) {
                    if (edge->sourceItem() == item)
                        edge->adjust();
                }
            }
        } else {
            QSet<EdgeItem *> adjusted;
            for (NodeItem *item : std::as_const(touchedNodes)) {
                for (EdgeItem *edge : item->edges()) {
                    if (!adjusted.contains(edge)) {
                        adjusted.insert(edge);
                        edge->adjust();
                    }
                }
            }
        }
    }
    assignLanes(pairs);
    applyVisibility(touchedNodes, restyled);
    if (mass)
        setBspTreeDepth(m_indexDepth);
    growSceneRect(touchedArea);
    graphDrawingChanged();
    Q_EMIT itemsChanged(change);
}

void GraphScene::assignLanes(const QSet<QString> &pairKeys)
{
    for (const QString &key : pairKeys) {
        const QString a = key.section(QLatin1Char('\n'), 0, 0);
        const QString b = key.section(QLatin1Char('\n'), 1, 1);
        const NodeItem *item = m_nodeItems.value(a);
        if (!item)
            item = m_nodeItems.value(b);
        if (!item)
            continue;
        QList<Lanes::Ends> ends;
        QList<EdgeItem *> joining;
        for (EdgeItem *edge : item->edges()) {
            if (pairKey(edge) == key) {
                ends.append({edge->sourceItem()->id(), edge->targetItem()->id()});
                joining.append(edge);
            }
        }
        const QList<Lanes::Lane> lanes = Lanes::assign(ends);
        for (qsizetype i = 0; i < joining.size(); ++i)
            joining.at(i)->setLane(lanes.at(i).index, lanes.at(i).count);
    }
}

void GraphScene::setDisplacedPositions(const QHash<QString, QPointF> &positions)
{
    m_displaced = positions;
    if (!m_graph)
        return;
    const QScopedValueRollback<bool> placing(m_placingItems, true);
    QRectF area;
    for (NodeItem *item : std::as_const(m_nodeItems)) {
        const auto it = m_graph->nodes().constFind(item->id());
        if (it == m_graph->nodes().cend())
            continue;
        const QPointF position = shownPosition(*it);
        if (item->pos() != position) {
            item->setPos(position);
            area |= item->paintedSceneRect();
        }
    }
    growSceneRect(area);
    graphDrawingChanged();
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
            const auto it = m_graph->edges().constFind(item->id());
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
    graphDrawingChanged();
}

void GraphScene::applyVisibility(const QList<NodeItem *> &nodes, const QList<EdgeItem *> &edges)
{
    // A relation whose record stayed as it was changes only when one of its ends appears or
    // disappears: a layout moves every node and no relation needs the rule.
    QList<EdgeItem *> pending = edges;
    QSet<EdgeItem *> noted;
    for (NodeItem *item : nodes) {
        const auto it = m_graph->nodes().constFind(item->id());
        if (it == m_graph->nodes().cend())
            continue;
        const bool shown = TimeFilter::nodeShown(m_timeFilter, *it);
        if (shown == item->isVisible())
            continue;
        item->setVisible(shown);
        if (noted.isEmpty())
            noted = QSet<EdgeItem *>(edges.cbegin(), edges.cend());
        for (EdgeItem *edge : item->edges()) {
            if (!noted.contains(edge)) {
                noted.insert(edge);
                pending.append(edge);
            }
        }
    }
    for (EdgeItem *item : std::as_const(pending)) {
        const auto it = m_graph->edges().constFind(item->id());
        if (it == m_graph->edges().cend())
            continue;
        item->setVisible(TimeFilter::relationShown(m_timeFilter, *it,
                                                   item->sourceItem()->isVisible(),
                                                   item->targetItem()->isVisible()));
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

QRectF GraphScene::fitSceneRect()
{
    QRectF bounds;
    for (const NodeItem *item : std::as_const(m_nodeItems))
        bounds |= item->paintedSceneRect();
    // Without nodes the scene follows whatever other items it holds.
    setSceneRect(bounds.isNull() ? QRectF()
                                 : bounds.adjusted(-sceneMargin, -sceneMargin, sceneMargin,
                                                   sceneMargin));
    return bounds;
}

QRectF GraphScene::contentRect() const
{
    QRectF bounds;
    for (const NodeItem *item : std::as_const(m_nodeItems)) {
        if (item->isVisible())
            bounds |= item->paintedSceneRect();
    }
    // Relations lie between their ends but curves and labels reach beyond them.
    for (const EdgeItem *item : std::as_const(m_edgeItems)) {
        if (item->isVisible())
            bounds |= item->paintedSceneRect();
    }
    for (const MapItem *item : std::as_const(m_mapItems))
        bounds |= item->sceneBoundingRect();
    for (const GroupShapeItem *item : std::as_const(m_shapeItems))
        bounds |= item->sceneBoundingRect();
    return bounds;
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
    m_draggedNodes.clear();
    update(area);
    growSceneRect(area);
    graphDrawingChanged();
}

void GraphScene::refreshEdges()
{
    for (EdgeItem *item : std::as_const(m_edgeItems))
        item->adjust();
    graphDrawingChanged();
}

void GraphScene::viewScaleChanged()
{
    const double unit = EdgeItem::viewUnit(this);
    for (EdgeItem *item : std::as_const(m_edgeItems))
        item->setViewUnit(unit);
}

void GraphScene::nodeItemMoved(NodeItem *item, const QPointF &pos)
{
    if (!m_placingItems && !item->isAnchored()) {
        if (m_displaced.contains(item->id()))
            m_displaced.insert(item->id(), pos);
        else
            m_dragged.insert(item->id(), pos);
    }
    // Far out, a dragged node and its relations are drawn over the picture of the others,
    // which is made once without them.
    if (m_placingItems || !m_interactionActive || !mouseGrabberItem()) {
        m_overview.invalidate();
    } else if (!m_draggedNodes.contains(item)) {
        m_draggedNodes.insert(item);
        m_overview.invalidate();
    }
    // Far out where the node was is repainted too; the timeline links follow it across the
    // scene.
    repaintOverview();
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
    if (!m_dragged.isEmpty())
        Q_EMIT nodesMoved(std::exchange(m_dragged, {}));
    reportDraggedDecor();
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
