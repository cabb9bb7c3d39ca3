#pragma once

#include "canvas/labelitem.h"
#include "model/edge.h"

#include <QGraphicsObject>
#include <QLineF>
#include <QPainterPath>

#include <memory>

class NodeItem;
class QMenu;

// Draws one relation between the items of its two nodes: a straight line, or a curve when
// several relations join the same pair, with arrowheads after the direction, a label and a
// halo for hypotheses. The hit area is wider than the line so that thin lines are easy to
// click. In a scene that shows tables the item keeps the relation's id and what it draws, and
// reads the record from the tables when asked; the scene tells it when the record changed.
// Edits are reported through the scene.
class EdgeItem : public QGraphicsObject
{
    Q_OBJECT

public:
    enum { Type = UserType + 1003 };

    // A relation alone between its ends takes lane 0 of 1.
    EdgeItem(NodeItem *source, NodeItem *target, const Edge &edge, int laneIndex = 0,
             int laneCount = 1, QGraphicsItem *parent = nullptr);

    // Arrowheads and labels narrower than this many device pixels are not painted.
    static constexpr double minimumArrowPixels = 3.0;
    // Below this level of detail the view draws the graph as a whole, relations as plain lines
    // without dashes or arrowheads.
    static constexpr double farDetail = 0.3;
    // Widest halo of a hypothesis, in scene units (the diameter of a node of size 0.72).
    static constexpr double maximumHaloWidth = 36.0;

    int type() const override { return Type; }
    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;
    QPainterPath shape() const override;

    const QString &id() const { return m_id; }
    // The record as the tables hold it now; the record the item was built with while it is
    // in no scene showing tables; a record holding only the id and ends once the tables
    // dropped it. Valid until the tables change.
    const Edge &edge() const;
    // The record changed in the tables to this one: what is drawn of it is taken again.
    void recordChanged(const Edge &record);
    bool isHypothesis() const { return m_look.hypothesis; }
    NodeItem *sourceItem() const { return m_source; }
    NodeItem *targetItem() const { return m_target; }

    // Recomputes the end points on the node borders; called whenever an end moves.
    void adjust();
    void setLane(int index, int count);
    // The label keeps its distance from the line in device pixels: it moves with the zoom.
    // unit is what viewUnit() gives for the item's scene, worked out once for all items.
    void setViewUnit(double unit);
    int laneIndex() const { return m_laneIndex; }
    int laneCount() const { return m_laneCount; }

    // Start (on the source border) and end (on the target border), in item coordinates.
    QLineF line() const { return m_line; }
    QColor effectiveColor() const;
    double effectiveWidth() const;
    // Signed distance of the curve's control point from the straight line.
    double curveOffset() const;
    bool isCurved() const;
    QPointF controlPoint() const;
    // The point at parameter t in 0..1 of the centre line.
    QPointF pointAt(double t) const;
    QPainterPath centreLine() const;
    // Distance from a point in item coordinates to the centre line, sampled on 64 segments.
    double distanceTo(const QPointF &point) const;

    // Whether the relation shows at all, for the drawing of all relations at once.
    bool drawnInBatch() const { return isVisible() && endsShown() && m_look.visible; }
    // Adds the centre line, in scene coordinates (the item stays at the origin), to path.
    void appendCentreLine(QPainterPath &path) const;
    // The width of the line as drawn: wider when selected.
    double penWidth() const;

    // The label as drawn, and whether it shows: hidden with the relation, by its record, or
    // when the label is empty.
    const QString &labelText() const { return m_label.text(); }
    bool labelShown() const { return m_labelShown && isVisible(); }
    // The label's box, in scene coordinates.
    QRectF labelSceneRect() const;
    // Where the relation and its label are drawn, in scene coordinates.
    QRectF paintedSceneRect() const;
    void setLabelColor(const QColor &color);

    // Spacing factor of parallel relations, shared by all items, kept within 0.2 … 3.0.
    static void setEdgeSeparation(double value);
    static double edgeSeparation() { return s_edgeSeparation; }

    // The filled triangle of an arrowhead at an end point of a line, pointing along the unit
    // direction at the end point and against it at the start point; its tip lies 2 units
    // inside the line.
    static QPolygonF arrowHead(const QPointF &point, const QPointF &direction, bool atEnd);

    // Scene units per device pixel in the scene's first view (1 without a view).
    static double viewUnit(const QGraphicsScene *scene);

    // Fills the item's context menu; its entries report through the scene. Tests choose
    // entries from it as the analyst would.
    void populateContextMenu(QMenu &menu);

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void contextMenuEvent(QGraphicsSceneContextMenuEvent *event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;

private:
    bool endsShown() const;
    const QGraphicsScene *shownIn() const;
    // The record in the tables of the scene showing this item, if any.
    const Edge *tableRecord() const;
    // The relation form and the attribute list on a copy of the record; an accepted result
    // is shown and reported by edgeEdited.
    void openEditor();
    void openAttributes();
    void ensurePath() const;
    // The part of the scene the painter shows and is asked to repaint, grown by the widest
    // stroke; null when it cannot be told.
    static QRectF paintedArea(const QPainter *painter, const QRectF &exposed);
    // The centre line cut to that area: stroking costs in proportion to the length, and a
    // relation seen up close may run for thousands of pixels outside the strip that a pan
    // uncovers.
    QPainterPath visiblePart(const QRectF &area) const;
    void layoutLabel();
    // The arrowheads with the line's pen, those within area (all of them when it is null).
    void paintArrowHeads(QPainter *painter, QPen pen, const QRectF &area) const;
    double strokeWidth(double unit) const;

    struct Look
    {
        QString label;
        QString description;
        QColor color;
        double width = 1.8;
        EdgeDirection direction = EdgeDirection::Directed;
        bool showLabel = true;
        bool visible = true;
        bool hypothesis = false;

        static Look of(const Edge &edge);
        bool operator==(const Look &other) const;
    };

    static double s_edgeSeparation;

    QString m_id;
    Look m_look;
    // A stand-in holding the id and ends, made only when the record is asked for while no
    // table holds it: outside a scene, or just after the tables dropped it.
    mutable std::unique_ptr<Edge> m_own;
    NodeItem *m_source = nullptr;
    NodeItem *m_target = nullptr;
    QLineF m_line;
    int m_laneIndex = 0;
    int m_laneCount = 1;
    // Drawn by the relation itself: a graph holds as many labels as relations, and items of
    // their own would make a third of the scene's items.
    LabelText m_label;
    QPointF m_labelPos;
    bool m_labelShown = false;
    mutable bool m_dirty = true;
    mutable QPainterPath m_path;
    mutable QLineF m_pathLine;
    mutable QPointF m_control;
    mutable QPainterPath m_shape;
    mutable double m_shapeUnit = -1.0;
    mutable QRectF m_bounds;
    mutable double m_boundsUnit = -1.0;
    // Scene units per device pixel of the view, as of the last geometry or zoom change.
    double m_unit = 1.0;
    // Both end items exist and are visible, as of the last adjust: reading the node items
    // for every bounding rectangle query costs a cache miss per end on large scenes.
    bool m_endsShown = false;
};
