#include "canvas/mapmarkeritem.h"

#include <QPainter>
#include <QtMath>

MapMarkerItem::MapMarkerItem(const QPixmap &pixmap, QGraphicsItem *parent)
    : QGraphicsItem(parent), m_pixmap(pixmap)
{
    setFlag(ItemIgnoresTransformations);
    setZValue(1000000);
}

void MapMarkerItem::setPixmap(const QPixmap &pixmap)
{
    m_pixmap = pixmap;
    update();
}

QPainterPath MapMarkerItem::pinPath()
{
    const double r = Radius;
    const QPointF centre(0, -2.2 * r);
    // The tangents from the point to the disc meet it where the outline turns.
    const double distance = 2.2 * r;
    const double half = qRadiansToDegrees(std::asin(r / distance));
    QPainterPath path;
    path.moveTo(0, 0);
    path.arcTo(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), -90.0 + (90.0 - half),
               360.0 - 2 * (90.0 - half));
    path.closeSubpath();
    return path;
}

QRectF MapMarkerItem::boundingRect() const
{
    return QRectF(-Radius - 2, -3.2 * Radius - 2, 2 * Radius + 4, 3.2 * Radius + 4);
}

QPainterPath MapMarkerItem::shape() const
{
    return pinPath();
}

void MapMarkerItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(QColor(120, 60, 0), 1.2));
    painter->setBrush(QColor(255, 140, 0));
    painter->drawPath(pinPath());
    const QPointF centre(0, -2.2 * Radius);
    const double inner = Radius * 0.62;
    painter->setPen(Qt::NoPen);
    painter->setBrush(Qt::white);
    painter->drawEllipse(centre, inner, inner);
    if (!m_pixmap.isNull()) {
        const double side = inner * 1.3;
        painter->drawPixmap(QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side),
                            m_pixmap, QRectF(m_pixmap.rect()));
    }
}
