#pragma once

#include "canvas/overviewpainter.h"
#include "model/changeset.h"
#include "model/graph.h"
#include "model/scenerecords.h"
#include "ops/lanes.h"
#include "ops/timefilter.h"

#include <QColor>
#include <QGraphicsScene>
#include <QHash>
#include <QList>
#include <QSet>

class EdgeItem;
class GraphDocument;
class GroupShapeItem;
class MapItem;
class NodeItem;
class Prompter;

// The scene of one tab. It draws what the tab's document holds and follows the document's
// change signals, touching only the items of the records that changed; a load rebuilds it
// whole. It never writes into the tables: nodes dragged by the analyst are reported when
// the mouse is released, background right-clicks and selection activity as signals, and the
// main window turns them into changes of the document.
class GraphScene : public QGraphicsScene
{
    Q_OBJECT

public:
    explicit GraphScene(QObject *parent = nullptr);
    ~GraphScene() override;

    // The document this scene shows and follows; owned by the tab.
    void setDocument(GraphDocument *document);
    GraphDocument *document() const { return m_document; }
    // Tables shown as they are, without following any document (previews, tests).
    void setGraph(const Graph *graph) { m_graph = graph; }
    const Graph *graph() const { return m_graph; }
    const Graph::NodeTable *nodeTable() const { return m_graph ? &m_graph->nodes() : nullptr; }

    // Questions asked by the items; a desktop prompter when none was given.
    void setPrompter(Prompter *prompter) { m_prompter = prompter; }
    Prompter &prompter() const;

    // Deletes the node and relation items and recreates them from the tables: one node item
    // per shown node, one relation item per shown relation whose ends have items, lanes for
    // parallel relations. Other items (background pictures, shapes) are kept.
    void rebuild();

    // Brings the background pictures and shapes up to date with the document's records:
    // creates, updates and deletes their items. A rebuild does it too.
    void syncSceneRecords();
    MapItem *mapItem(const QString &uuid) const { return m_mapItems.value(uuid); }
    GroupShapeItem *shapeItem(const QString &uuid) const { return m_shapeItems.value(uuid); }
    QList<MapItem *> mapItems() const { return m_mapItems.values(); }
    QList<GroupShapeItem *> shapeItems() const { return m_shapeItems.values(); }
    QList<MapItem *> selectedMapItems() const;

    // Brings the items of the given records up to date with the tables. Changes to group
    // structure, and changes touching most of the graph, rebuild instead.
    void applyChange(const GraphChange &change);

    NodeItem *nodeItem(const QString &id) const { return m_nodeItems.value(id); }
    const QHash<QString, NodeItem *> &nodeItems() const { return m_nodeItems; }
    EdgeItem *edgeItem(const QString &id) const { return m_edgeItems.value(id); }
    QList<EdgeItem *> edgeItems() const { return m_edgeItems.values(); }
    const QHash<QString, EdgeItem *> &edgeItemTable() const { return m_edgeItems; }
    int edgeItemCount() const { return int(m_edgeItems.size()); }
    QList<NodeItem *> selectedNodeItems() const;
    // Where the shown graph, pictures and shapes are drawn, found from the scene's own tables:
    // asking the scene for its items would sort every one of them.
    QRectF contentRect() const;

    // Recomputes every relation item, after the separation of parallel relations changed.
    void refreshEdges();
    // Relation labels and hit areas are sized in device pixels: they follow the zoom.
    void viewScaleChanged();

    // While many nodes move at once, their relations are drawn again once each afterwards
    // instead of once per moved end.
    bool relationsFollowMoves() const { return !m_relationsDeferred; }
    bool interactionActive() const { return m_interactionActive; }
    void setInteractionActive(bool active) { m_interactionActive = active; }
    // Scene area repainted while a node was dragged, where relations were drawn simplified.
    void noteInteractionArea(const QRectF &rect) { m_interactionArea |= rect; }
    // Ends a drag: repaints in full what was drawn simplified and lets the view reach the
    // moved nodes.
    void endInteraction();
    // Nodes the analyst is dragging: drawn apart from the rest of the graph far out.
    const QSet<NodeItem *> &draggedNodes() const { return m_draggedNodes; }

    // Far out the view has the graph drawn as a whole instead of item by item.
    void paintOverview(QPainter *painter, const QRectF &exposed, QWidget *viewport)
    {
        m_overview.paint(painter, exposed, viewport);
    }
    // How often that drawing was made anew: it is kept while the graph does not change.
    int overviewRenders() const { return m_overview.renders(); }
    // Whether the view is far enough out for that drawing.
    bool overviewShown() const;

    void setGrid(bool shown, int step, double width, const QColor &color);
    bool gridShown() const { return m_gridShown; }
    int gridStep() const { return m_gridStep; }
    double gridWidth() const { return m_gridWidth; }
    QColor gridColor() const { return m_gridColor; }
    void setCentre(bool shown, double width, const QColor &color);
    bool centreShown() const { return m_centreShown; }
    double centreWidth() const { return m_centreWidth; }
    QColor centreColor() const { return m_centreColor; }

    // Time and type filters: which node and relation items show.
    const TimeFilterState &timeFilter() const { return m_timeFilter; }
    void setTimeRange(const QDateTime &start, const QDateTime &end);
    void setTimeInstant(const QDateTime &instant);
    void setNodeTypeHidden(const QString &type, bool hidden);
    void setRelationTypeHidden(const QString &type, bool hidden);
    // Type changes between the two wait; the end applies the rule once.
    void beginVisibilityBatch();
    void endVisibilityBatch();
    // Shows the items the records' visible flags, the hidden types and the time filter allow;
    // a relation item hides with either end.
    void applyVisibility();
    // How often the rule ran, so that a batch can be seen to run it once.
    int visibilityPasses() const { return m_visibilityPasses; }

    // The timeline band: axis in the background, links from dated nodes in the foreground.
    const TimelineBand &timelineBand() const { return m_band; }
    void setTimeline(const QDateTime &start, const QDateTime &end, double pixelsPerDay, double y,
                     bool shown);
    void setTimelineShown(bool shown);
    void applyTimelineSettings(const TimelineSettings &settings, const QDateTime &start,
                               const QDateTime &end);
    double xOfDate(const QDateTime &date) const { return m_band.xOfDate(date); }
    // Where nodes are drawn instead of their own positions while the timeline band shows;
    // the tables keep the positions, and an empty table puts every node back on them.
    void setDisplacedPositions(const QHash<QString, QPointF> &positions);
    bool hasDisplacedPositions() const { return !m_displaced.isEmpty(); }

    // A node item moved: dragged by the analyst or placed by the program.
    void nodeItemMoved(NodeItem *item, const QPointF &pos);
    // Emits one of the requests below for an item, when the item is in a graph scene.
    template<typename Item, typename... Params, typename... Args>
    static void report(const Item *item, void (GraphScene::*request)(Params...),
                       const Args &...args)
    {
        if (auto *owner = qobject_cast<GraphScene *>(item->scene()))
            Q_EMIT (owner->*request)(args...);
    }

Q_SIGNALS:
    void selectionChangedWithItems();
    // What the analyst asked of a node or relation item. Items hold no connections of their
    // own, which for a large graph would be millions: the scene reports for them.
    void nodeEdited(const Node &node);
    void nodeDeleteRequested(const QString &id);
    void nodeAttributesRequested(const QString &id);
    void addNodesToGroupRequested(const QString &groupId, const QStringList &nodeIds);
    void openInvestigationInNewTabRequested(const QString &dbPath, const QString &nodeId);
    void groupNodesListRequested(const QString &groupId);
    void groupEdgesListRequested(const QString &groupId);
    void groupExpandRequested(const QString &groupId);
    void groupCollapseRequested(const QString &groupId);
    void ungroupRequested(const QString &groupId);
    void groupTabRequested(const QString &groupId);
    void edgeEdited(const Edge &edge);
    void edgeDeleteRequested(const QString &id);
    // The analyst released nodes dragged to these positions.
    void nodesMoved(const QHash<QString, QPointF> &positions);
    // Items were added, removed or changed after a change of the document.
    void itemsChanged(const GraphChange &change);
    // The analyst changed background pictures or shapes (moved, resized, turned, toggled);
    // text names the change for the history.
    void decorEdited(const QList<MapRecord> &maps, const QList<ShapeRecord> &shapes,
                     const QString &text);
    void mapDeleteRequested(const QString &uuid);
    void shapeDeleteRequested(const QString &uuid);
    void shapeEditRequested(const QString &uuid);
    void backgroundContextMenuRequested(const QPoint &screenPos);
    void timelineCustomizationRequested();

protected:
    bool event(QEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;
    void contextMenuEvent(QGraphicsSceneContextMenuEvent *event) override;
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;

private:
    void clearGraphItems();
    // Nodes or relations were drawn differently: the far-out drawing is made anew.
    void graphDrawingChanged();
    void repaintOverview();
    // The area the view scrolls over: the items with a margin, grown in large steps so that
    // the spatial index, rebuilt whenever it changes, is rarely rebuilt during work. Returns
    // the area of the nodes.
    QRectF fitSceneRect();
    void growSceneRect(const QRectF &rect);
    // A deeper spatial index when the relations are short next to the area of the nodes.
    void chooseIndexDepth(const QRectF &nodeArea);
    // The layer that holds the relation items whose middle falls near the given point, made
    // when first needed.
    QGraphicsItem *relationLayer(const QPointF &middle);
    // The scene also spans the timeline band while it is shown, wherever it was dragged.
    void includeTimelineBand();
    MapItem *createMapItem(const MapRecord &record);
    GroupShapeItem *createShapeItem(const ShapeRecord &record);
    // Reports the pictures and shapes dragged since the press, as one change each.
    void reportDraggedDecor();
    NodeItem *createNodeItem(const Node &node);
    // Null when an end has no item.
    EdgeItem *createEdgeItem(const Edge &edge);
    EdgeItem *createEdgeItem(const Edge &edge, NodeItem *source, NodeItem *target,
                             Lanes::Lane lane);
    void removeNodeItem(const QString &id);
    void removeEdgeItem(const QString &id);
    // Spreads the relations joining each of the given node pairs on their lanes again.
    void assignLanes(const QSet<QString> &pairKeys);
    bool touchesGroups(const GraphChange &change) const;
    // The visibility rule for a few items only.
    void applyVisibility(const QList<NodeItem *> &nodes, const QList<EdgeItem *> &edges);
    QPointF shownPosition(const Node &node) const;

    GraphDocument *m_document = nullptr;
    const Graph *m_graph = nullptr;
    Prompter *m_prompter = nullptr;
    QHash<QString, NodeItem *> m_nodeItems;
    QHash<QString, EdgeItem *> m_edgeItems;
    // Relation items live in layers, one per square of the canvas, by the square's column
    // and row. After every change Qt walks each top-level item for the changed ones; within a
    // layer it looks only when one of its relations changed. A drag then walks the nodes,
    // the layers and the relations of the few layers around the dragged node, not every
    // relation of the graph.
    QHash<quint64, QGraphicsItem *> m_relationLayers;
    double m_relationLayerSide = 1000;
    OverviewPainter m_overview{this};
    QSet<NodeItem *> m_draggedNodes;
    // Nodes dragged since the mouse was pressed, reported at the release.
    QHash<QString, QPointF> m_dragged;
    QHash<QString, MapItem *> m_mapItems;
    QHash<QString, GroupShapeItem *> m_shapeItems;
    // Pictures and shapes dragged since the mouse was pressed, by uuid.
    QSet<QString> m_draggedMaps;
    QSet<QString> m_draggedShapes;
    // Positions changed by the program (a change of the document, the band) are no drag.
    bool m_placingItems = false;
    bool m_relationsDeferred = false;
    int m_indexDepth = 0;
    QHash<QString, QPointF> m_displaced;
    bool m_interactionActive = false;
    QRectF m_interactionArea;
    bool m_gridShown = false;
    int m_gridStep = 30;
    QColor m_gridColor = QColor(QStringLiteral("#246d6d"));
    double m_gridWidth = 1.0;
    bool m_centreShown = false;
    double m_centreWidth = 1.0;
    QColor m_centreColor = QColor(QStringLiteral("#246d6d"));
    TimeFilterState m_timeFilter;
    int m_visibilityBatch = 0;
    int m_visibilityPasses = 0;
    TimelineBand m_band;
};
