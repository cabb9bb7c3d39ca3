#pragma once

#include "model/scenerecords.h"

#include <QObject>
#include <QPointF>

class QGraphicsView;
class QAbstractGraphicsShapeItem;

// The drawing mode of "Dessiner une forme": once started, the next left press and drag on the
// view draws a temporary outline; the release reports the rectangle drawn and ends the mode.
class ShapeDrawer : public QObject
{
    Q_OBJECT

public:
    explicit ShapeDrawer(QGraphicsView *view);

    void start(ShapeRecord::Kind kind);
    bool isActive() const { return m_active; }

    // Smaller rectangles are a click rather than a drawing.
    static constexpr double MinimumSide = 3.0;

Q_SIGNALS:
    // A rectangle in scene coordinates, at least MinimumSide on each side.
    void shapeDrawn(ShapeRecord::Kind kind, const QRectF &rect);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void finish(const QPointF &scenePos);

    QGraphicsView *m_view;
    bool m_active = false;
    ShapeRecord::Kind m_kind = ShapeRecord::Kind::Rectangle;
    QPointF m_start;
    QAbstractGraphicsShapeItem *m_outline = nullptr;
};
