#pragma once

#include "model/scenerecords.h"

#include <QCursor>
#include <QGraphicsObject>
#include <QPixmap>

class QMenu;

// A background picture of the scene (a floor plan, a geographic map): drawn under everything,
// resized from its corners, turned with the handle above it, anchored in place, overlaid with
// a grid of its own.
//
// The item shows a record and never writes into the document: what the analyst does with the
// handles or the context menu is reported by edited() on release, and the record the document
// then holds comes back through setRecord().
class MapItem : public QGraphicsObject
{
    Q_OBJECT

public:
    enum { Type = UserType + 20 };
    enum Handle { NoHandle = 0, TopLeft, TopRight, BottomLeft, BottomRight, RotationHandle };

    explicit MapItem(const MapRecord &record, QGraphicsItem *parent = nullptr);

    int type() const override { return Type; }
    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;

    // The record as the document holds it; shown() is the record as the item shows it now,
    // with a drag, resize or rotation not yet reported.
    const MapRecord &record() const { return m_record; }
    MapRecord shown() const;
    void setRecord(const MapRecord &record);

    bool hasPicture() const { return !m_pixmap.isNull(); }
    // The displayed rectangle in item coordinates.
    QRectF contentRect() const;
    // Which handle lies under a point in item coordinates; none unless selected and free.
    Handle handleAt(const QPointF &pos) const;
    // The context menu's entries, acting on this item.
    void fillContextMenu(QMenu *menu);

    static constexpr double MinimumSize = 32.0;
    static constexpr double RotationFactor = 0.2;

Q_SIGNALS:
    // The analyst changed the picture; text names the change for the history.
    void edited(const MapRecord &record, const QString &text);
    void deleteRequested(const QString &uuid);
    // The item was dragged (reported to the scene, which reports the drag on release).
    void positionChanged();

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void contextMenuEvent(QGraphicsSceneContextMenuEvent *event) override;

private:
    QRectF handleRect(Handle handle) const;
    QPointF rotationPoint() const;
    double pointerAngle(const QPointF &scenePos) const;
    // Shows a new size while keeping the corner opposite the dragged one where it was.
    void resizeTo(const QPointF &scenePos);
    void report(const QString &text) { Q_EMIT edited(shown(), text); }

    QCursor m_rotateCursor;
    QPixmap m_pixmap;
    MapRecord m_record;
    QSizeF m_size;
    Handle m_activeHandle = NoHandle;
    QPointF m_pressScenePos;
    QSizeF m_pressSize;
    QPointF m_pressPos;
    double m_rotationAtPress = 0.0;
    double m_lastAngle = 0.0;
    double m_accumulatedAngle = 0.0;
};
