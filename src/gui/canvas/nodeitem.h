#pragma once

#include "model/node.h"

#include <QGraphicsObject>
#include <QImage>
#include <QPixmap>

#include <memory>

class EdgeItem;
class GraphScene;
class LabelItem;
class QMenu;
class QPainterPath;

// Draws one node of a tab and is the analyst's handle on it. In a scene that shows tables the
// item keeps only the node's id and what it draws (label, colour, size, picture), and reads
// the record from the tables when asked; the scene tells it when the record changed. What the
// analyst changes is reported through the scene, and the main window writes it into the
// tab's tables.
class NodeItem : public QGraphicsObject
{
    Q_OBJECT

public:
    enum { Type = UserType + 1002 };

    explicit NodeItem(const Node &node, QGraphicsItem *parent = nullptr);

    static constexpr double defaultIconRadius = 30.0;
    // Badges narrower than this many device pixels are not painted.
    static constexpr double minimumBadgePixels = 4.0;

    int type() const override { return Type; }
    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;

    const QString &id() const { return m_id; }
    // The record as the tables hold it now; the record the item was built with while it is
    // in no scene showing tables; a record holding only the id once the tables dropped it.
    // Valid until the tables change.
    const Node &node() const;
    // The record changed in the tables to this one: what is drawn of it is taken again. A
    // change of position alone leaves the drawing as it is (the scene places the item).
    void recordChanged(const Node &record);
    // What the item draws of its record, as of the last change.
    bool isGroup() const { return m_look.isGroup; }
    // A group, or a member of one, as of the last change: the record may be gone already.
    bool isGrouped() const { return m_look.grouped; }
    bool isExpandedGroup() const { return m_look.isGroup && m_look.expanded; }
    bool isHypothesis() const { return m_look.hypothesis; }
    NodeShape nodeShape() const { return m_look.shape; }
    QColor fillColor() const;
    // Loads the picture named by mediaPath; a picture that cannot be read leaves none.
    void loadImage();
    bool hasImage() const { return !m_image.isNull(); }
    void layoutLabel();
    void setAnchored(bool anchored);
    bool isAnchored() const { return m_anchored; }
    void addEdge(EdgeItem *edge);
    void removeEdge(EdgeItem *edge);
    const QList<EdgeItem *> &edges() const { return m_edges; }
    // 25 × size, 0 for a size of 0 or less.
    double radius() const;
    quint64 pickOrder() const { return m_pickOrder; }
    // Serial of the last left press on any node item, shared by all items.
    static quint64 lastPickOrder() { return s_lastPickOrder; }
    LabelItem *labelItem() const { return m_labelItem; }
    // Where the node and its label are drawn, in scene coordinates.
    QRectF paintedSceneRect() const;
    void setLabelColor(const QColor &color);

    // The outline of a node shape of radius r centred on the origin.
    static QPainterPath shapePath(NodeShape shape, double r);

public Q_SLOTS:
    void onAppPaletteChanged(const QPalette &palette);

    // Fills the item's context menu; its entries report through the scene. Tests choose
    // entries from it as the analyst would.
    void populateContextMenu(QMenu &menu);

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void contextMenuEvent(QGraphicsSceneContextMenuEvent *event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;

private:
    GraphScene *graphScene() const;
    void refreshTooltip();
    void refreshLabelVisibility();
    // Rebuilds the square picture cache for the given device pixel ratio when it is stale.
    void refreshPixmapCache(double ratio);
    void addMediaMenu(QMenu &menu);
    void askGroupAndAdd();
    // The node form and the attribute list on a copy of the record; an accepted result is
    // shown and reported by nodeEdited.
    void openEditor();
    void editMedia(int index);
    // Tells the scene where this node and its relations are drawn during a drag.
    void noteDraggedArea();
    void drawMediaBadge(QPainter *painter, const QPointF &centre, const QColor &color) const;
    bool anyMemberHasMedia() const;
    // The record in the tables of the scene showing this item, if any.
    const Node *tableRecord() const;

    struct Look
    {
        QString label;
        QString description;
        QString mediaPath;
        QColor color;
        double size = 1.0;
        NodeShape shape = NodeShape::Circle;
        bool showLabel = true;
        bool hypothesis = false;
        bool isGroup = false;
        bool expanded = false;
        bool grouped = false;
        bool anchored = false;
        bool hasMedia = false;

        static Look of(const Node &node);
        bool operator==(const Look &other) const;
    };

    static quint64 s_lastPickOrder;

    QString m_id;
    Look m_look;
    // A stand-in holding the id, made only when the record is asked for while no table holds
    // it: outside a scene, or just after the tables dropped it.
    mutable std::unique_ptr<Node> m_own;
    double m_iconRadius = defaultIconRadius;
    QList<EdgeItem *> m_edges;
    QImage m_image;
    QPixmap m_pixmapCache;
    double m_cachedRadius = -1.0;
    double m_cachedRatio = -1.0;
    quint64 m_pickOrder = 0;
    LabelItem *m_labelItem = nullptr;
    double m_baseZ = 0.0;
    bool m_anchored = false;
    // Whether the relations last saw this item shown.
    bool m_shownToEdges = true;
};
