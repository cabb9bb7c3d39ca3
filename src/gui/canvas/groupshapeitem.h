#pragma once

#include "model/scenerecords.h"

#include <QFont>
#include <QGraphicsObject>
#include <QPen>

class QMenu;

// A free rectangle or ellipse framing part of the graph, with a label box and a rich-text
// description drawn inside it.
//
// Like the pictures, a shape shows a record and never writes into the document: moves and
// resizes are reported on release, the context menu and a double-click report requests.
class GroupShapeItem : public QGraphicsObject
{
    Q_OBJECT

public:
    enum { Type = UserType + 21 };
    using Kind = ShapeRecord::Kind;

    explicit GroupShapeItem(const ShapeRecord &record, QGraphicsItem *parent = nullptr);

    int type() const override { return Type; }
    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;

    const ShapeRecord &record() const { return m_record; }
    // The record as the item shows it now, with a drag or resize not yet reported.
    ShapeRecord shown() const;
    void setRecord(const ShapeRecord &record);

    Kind kind() const { return m_record.kind; }
    QRectF rect() const { return m_record.rect; }
    QFont labelFont() const { return m_font; }
    // The context menu's entries, acting on this item.
    void fillContextMenu(QMenu *menu);

    // The colours and font new shapes get.
    static QColor defaultFill();
    static QColor defaultPenColor();
    // "Segoe UI", or the platform's sans-serif family where it is missing.
    static QString fontFamily();

Q_SIGNALS:
    void editRequested(GroupShapeItem *self);
    void requestDelete();
    // The item was dragged (reported to the scene, which reports the drag on release).
    void shapePositionChanged();
    // The analyst resized or locked the shape; text names the change for the history.
    void edited(const ShapeRecord &record, const QString &text);

public Q_SLOTS:
    void setLabel(const QString &label);
    void setFillColor(const QColor &color);
    void setPenColor(const QColor &color);
    void setPenWidth(double width);
    void setRect(const QRectF &rect);
    void setLocked(bool locked);
    void setDescriptionHtml(const QString &html);

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;
    void contextMenuEvent(QGraphicsSceneContextMenuEvent *event) override;

private:
    // 0 none, 1 top-left, 2 top-right, 3 bottom-left, 4 bottom-right.
    int handleAt(const QPointF &pos) const;
    QRectF handleRect(int handle) const;
    QRectF labelBox() const;

    ShapeRecord m_record;
    QFont m_font;
    int m_activeHandle = 0;
};
