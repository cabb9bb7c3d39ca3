#pragma once

#include <QGraphicsObject>
#include <QHash>

class EdgeItem;

// Draws every relation of the scene at once when the view is far out: one path per colour and
// width, holding only the relations that cross the area to repaint. Up close each relation
// item draws itself, with its dashes, arrowheads and label; far out those are specks, and
// stroking hundreds of thousands of items one by one costs more than the whole picture.
// The item takes no clicks: relations are picked through their own items.
class RelationBatchItem : public QGraphicsObject
{
    Q_OBJECT

public:
    enum { Type = UserType + 1010 };

    explicit RelationBatchItem(const QHash<QString, EdgeItem *> *edges);

    int type() const override { return Type; }
    QRectF boundingRect() const override { return m_bounds; }
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;

    // The area the relations cover: they join nodes, so the nodes' area, and whatever was
    // added since.
    void setBounds(const QRectF &bounds);
    void growBounds(const QRectF &rect);

private:
    const QHash<QString, EdgeItem *> *m_edges;
    QRectF m_bounds;
};
